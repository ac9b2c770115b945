#include "StatusConditions.h"

namespace emulator {

namespace {

// Every one-byte status has bit 1 and bit 4 set, so that it can never be mistaken for an
// XON/XOFF byte or for a reply to another command.
constexpr char Fixed = 0x12;

char bit(bool set, int position)
{
    return set ? char(1 << position) : char(0);
}

} // namespace

char StatusConditions::paperSensors() const
{
    return char(((nearEnd || paperNearEnd) ? 0x03 : 0) | (paperEnd ? 0x0C : 0));
}

QByteArray StatusConditions::reply(int n) const
{
    const bool error = paperJamAtExit || cutterError || ramError || eepromError
                       || voltageOutOfRange;
    const bool unrecoverable = ramError || eepromError || voltageOutOfRange;
    const bool offline = coverOpen || paperEnd || error;
    const bool lowPaper = nearEnd || paperNearEnd;

    // n = 1 printer status: bit 3 off-line.
    const char printer = Fixed | bit(offline, 3);
    // n = 2 off-line cause: bit 2 cover open, bit 5 stopped at paper end, bit 6 error.
    const char offlineCause = Fixed | bit(coverOpen, 2) | bit(paperEnd, 5) | bit(error, 6);
    // n = 3 error cause: bit 2 mechanical error (jam), bit 3 cutter, bit 5 unrecoverable.
    const char errorCause = Fixed | bit(paperJamAtExit, 2) | bit(cutterError, 3)
                            | bit(unrecoverable, 5);
    // n = 4 paper sensors: bits 2-3 roll near its end, bits 5-6 roll at its end.
    const char paper = Fixed | (lowPaper ? char(0x0C) : char(0))
                       | (paperEnd ? char(0x60) : char(0));

    switch (n) {
    case 1:
        return QByteArray(1, printer);
    case 2:
        return QByteArray(1, offlineCause);
    case 3:
        return QByteArray(1, errorCause);
    case 4:
        return QByteArray(1, paper);
    case 20: {
        // Six bytes: the printer and off-line bytes, then one byte each for paper, cover,
        // power and the printer's internal errors.
        QByteArray six(6, 0);
        six[0] = printer;
        six[1] = offlineCause;
        six[2] = char(bit(nearEnd, 0) | bit(paperJamAtExit, 1) | bit(paperNearEnd, 2));
        six[3] = bit(coverOpen, 1);
        six[4] = bit(voltageOutOfRange, 3);
        six[5] = char(bit(cutterError, 0) | bit(ramError, 2) | bit(eepromError, 3));
        return six;
    }
    default:
        return {};
    }
}

} // namespace emulator
