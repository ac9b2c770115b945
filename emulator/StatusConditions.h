#pragma once

#include <QByteArray>

namespace emulator {

// Conditions the printer can be in, and the bytes it answers a real-time status request with.
struct StatusConditions
{
    bool nearEnd = false;
    bool paperJamAtExit = false;
    bool paperNearEnd = false;
    bool coverOpen = false;
    bool voltageOutOfRange = false;
    bool cutterError = false;
    bool ramError = false;
    bool eepromError = false;
    bool paperEnd = false;

    // Answer to DLE EOT n: one byte for n = 1 to 4, six bytes for n = 20, nothing otherwise.
    QByteArray reply(int n) const;
    // The paper sensors as GS r 1 and automatic status back report them: bits 0-1 the roll near
    // its end, bits 2-3 the roll at its end.
    char paperSensors() const;

    friend bool operator==(const StatusConditions &, const StatusConditions &) = default;
};

} // namespace emulator
