#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <span>

namespace emulator {

// Conditions the printer can be in, and the bytes it reports them with.
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
    bool drawerPinHigh = false; // the drawer kick-out connector's pin 3 (the drawer's switch)

    // Answer to DLE EOT n: one byte for n = 1 to 4, six bytes for n = 20, nothing otherwise.
    QByteArray reply(int n) const;
    // The paper sensors as GS r 1, ESC v and automatic status back report them.
    char paperSensors() const;
    // The drawer as GS r 2 and ESC u report it.
    char drawer() const;
    // The four bytes of automatic status back (GS a).
    QByteArray automatic() const;
    // Star status (ESC ACK SOH, Star automatic status, the web protocols' status): nine bytes.
    QByteArray star() const;
    // Off-line (DLE EOT 1 bit 3): the printer prints nothing until the condition clears.
    bool offline() const;
    // The status bit field of a web print response.
    quint32 eposStatus() const;
    // The code of the first condition that stops a web print job, or none.
    const char *eposCode() const;

    friend bool operator==(const StatusConditions &, const StatusConditions &) = default;
};

// One condition: the bits it sets in each reply, and the box that switches it in a window.
struct StatusCondition
{
    bool StatusConditions::*flag;
    const char *label;    // for QCoreApplication::translate("emulator::StatusCondition", label)
    const char *key;      // its name in status data ("paper_end")
    quint8 realTime[4];   // DLE EOT 1, 2, 3, 4
    quint8 extended[4];   // bytes 3-6 of DLE EOT 20; bytes 1-2 are those of DLE EOT 1 and 2
    quint8 sensors;       // GS r 1, ESC v, byte 3 of automatic status back
    quint8 drawer;        // GS r 2, ESC u
    quint8 automatic[2];  // bytes 1-2 of automatic status back
    quint8 star[4];       // bytes 3-6 of Star status (ESC ACK SOH and Star automatic status)
    const char *ipp;      // its printer-state-reason over IPP ("media-empty"); none for the drawer
    quint32 epos;         // bits of a web print response's status (0x20 cover open …)
    const char *eposCode; // a web print response's code when it stops printing, or none
};

// Every condition, in the order the window shows them.
std::span<const StatusCondition> statusConditionTable();

} // namespace emulator
