#pragma once

#include <QtGlobal>

namespace emulator {

// The printer's maintenance counters (GS g): lines fed, lines printed, cuts and hours of
// operation, each since its last reset and in all.
class MaintenanceCounters
{
public:
    enum Kind { LinesFed, LinesPrinted, Cuts, Hours };

    void count(Kind kind);
    // By number: 20 and 148 lines fed, 21 and 149 lines printed, 50 and 178 cuts, 70 and 198
    // hours of operation; the first of each pair can be reset. -1 for a counter the printer
    // lacks.
    qint64 value(int number) const;
    // False for a counter that cannot be reset.
    bool reset(int number);

private:
    qint64 m_counts[4][2] = {}; // since the last reset, in all
};

} // namespace emulator
