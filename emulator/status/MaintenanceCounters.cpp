#include "MaintenanceCounters.h"

namespace emulator {

namespace {

// The counters' numbers: resettable, and 128 more for the totals.
constexpr int Numbers[] = {20, 21, 50, 70};

int kindOf(int number)
{
    for (int kind = 0; kind < 4; ++kind) {
        if (number == Numbers[kind] || number == Numbers[kind] + 128)
            return kind;
    }
    return -1;
}

} // namespace

void MaintenanceCounters::count(Kind kind)
{
    ++m_counts[kind][0];
    ++m_counts[kind][1];
}

qint64 MaintenanceCounters::value(int number) const
{
    const int kind = kindOf(number);
    return kind < 0 ? -1 : m_counts[kind][number > 127 ? 1 : 0];
}

bool MaintenanceCounters::reset(int number)
{
    const int kind = kindOf(number);
    if (kind < 0 || number > 127)
        return false;
    m_counts[kind][0] = 0;
    return true;
}

} // namespace emulator
