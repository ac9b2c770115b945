#include "StatusConditions.h"

#include <QtGlobal>

namespace emulator {

namespace {

// Every one-byte status of DLE EOT has bit 1 and bit 4 set, so that it can never be mistaken
// for an XON/XOFF byte or for a reply to another command; byte 1 of automatic status back has
// bit 4 set.
constexpr char RealTimeFixed = 0x12;
constexpr char AutomaticFixed = 0x10;

// An error (jam, cutter, voltage, RAM, EEPROM) puts the printer off-line (DLE EOT 1 bit 3) and
// is an off-line cause (DLE EOT 2 bit 6); the last three are unrecoverable (DLE EOT 3 bit 5).
// The paper end is reported in the one-byte replies only: the six-byte reply has no bit for it.
// Star status: byte 3 bit 5 cover open, bit 3 off-line, bit 2 the drawer's switch; byte 4 bit 2
// mechanical error, bit 3 cutter error, bit 5 unrecoverable error; byte 6 bit 2 paper near end,
// bit 3 paper empty.
// A web print response's status is the automatic status back's bytes 1-3 as one number: 0x8
// off-line, 0x20 cover open, 0x4 the drawer's switch, 0x400 mechanical error, 0x800 cutter error,
// 0x2000 unrecoverable error, 0x20000 paper near end, 0x80000 paper end.
// clang-format off
constexpr StatusCondition Table[] = {
    //                                                                     DLE EOT 1-4               DLE EOT 20 bytes 3-6       GS r 1 GS r 2  GS a bytes 1-2  Star bytes 3-6          IPP reason    ePOS status  ePOS code
    {&StatusConditions::nearEnd, QT_TRANSLATE_NOOP("emulator::StatusCondition", "near end"), "near_end",
                                                                           {0x00, 0x00, 0x00, 0x0C}, {0x01, 0x00, 0x00, 0x00}, 0x03, 0x00, {0x00, 0x00}, {0x00, 0x00, 0x00, 0x04}, "media-low", 0x00020000, nullptr},
    {&StatusConditions::paperJamAtExit, QT_TRANSLATE_NOOP("emulator::StatusCondition", "paper jam at exit"), "paper_jam",
                                                                           {0x08, 0x40, 0x04, 0x00}, {0x02, 0x00, 0x00, 0x00}, 0x00, 0x00, {0x08, 0x04}, {0x08, 0x04, 0x00, 0x00}, "media-jam", 0x00000408, "EPTR_MECHANICAL"},
    {&StatusConditions::paperNearEnd, QT_TRANSLATE_NOOP("emulator::StatusCondition", "paper near end"), "paper_near_end",
                                                                           {0x00, 0x00, 0x00, 0x0C}, {0x04, 0x00, 0x00, 0x00}, 0x03, 0x00, {0x00, 0x00}, {0x00, 0x00, 0x00, 0x04}, "media-low", 0x00020000, nullptr},
    {&StatusConditions::coverOpen, QT_TRANSLATE_NOOP("emulator::StatusCondition", "cover open"), "cover_open",
                                                                           {0x08, 0x04, 0x00, 0x00}, {0x00, 0x02, 0x00, 0x00}, 0x00, 0x00, {0x28, 0x00}, {0x28, 0x00, 0x00, 0x00}, "cover-open", 0x00000028, "EPTR_COVER_OPEN"},
    {&StatusConditions::voltageOutOfRange, QT_TRANSLATE_NOOP("emulator::StatusCondition", "voltage out of range"), "voltage",
                                                                           {0x08, 0x40, 0x20, 0x00}, {0x00, 0x00, 0x08, 0x00}, 0x00, 0x00, {0x08, 0x20}, {0x08, 0x20, 0x00, 0x00}, "other", 0x00002008, "EPTR_UNRECOVERABLE"},
    {&StatusConditions::cutterError, QT_TRANSLATE_NOOP("emulator::StatusCondition", "cutter error"), "cutter_error",
                                                                           {0x08, 0x40, 0x08, 0x00}, {0x00, 0x00, 0x00, 0x01}, 0x00, 0x00, {0x08, 0x08}, {0x08, 0x08, 0x00, 0x00}, "other", 0x00000808, "EPTR_AUTOCUTTER"},
    {&StatusConditions::ramError, QT_TRANSLATE_NOOP("emulator::StatusCondition", "RAM error"), "ram_error",
                                                                           {0x08, 0x40, 0x20, 0x00}, {0x00, 0x00, 0x00, 0x04}, 0x00, 0x00, {0x08, 0x20}, {0x08, 0x20, 0x00, 0x00}, "other", 0x00002008, "EPTR_UNRECOVERABLE"},
    {&StatusConditions::eepromError, QT_TRANSLATE_NOOP("emulator::StatusCondition", "EEPROM error"), "eeprom_error",
                                                                           {0x08, 0x40, 0x20, 0x00}, {0x00, 0x00, 0x00, 0x08}, 0x00, 0x00, {0x08, 0x20}, {0x08, 0x20, 0x00, 0x00}, "other", 0x00002008, "EPTR_UNRECOVERABLE"},
    {&StatusConditions::paperEnd, QT_TRANSLATE_NOOP("emulator::StatusCondition", "paper end (one-byte replies only)"), "paper_end",
                                                                           {0x08, 0x20, 0x00, 0x60}, {0x00, 0x00, 0x00, 0x00}, 0x0C, 0x00, {0x08, 0x00}, {0x08, 0x00, 0x00, 0x08}, "media-empty", 0x00080008, "EPTR_REC_EMPTY"},
    {&StatusConditions::drawerPinHigh, QT_TRANSLATE_NOOP("emulator::StatusCondition", "drawer pin 3 high"), "drawer",
                                                                           {0x04, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x00, 0x00}, 0x00, 0x01, {0x04, 0x00}, {0x04, 0x00, 0x00, 0x00}, nullptr, 0x00000004, nullptr},
};
// clang-format on

// The bits the conditions that hold set in one column of the table.
template<typename Column>
char bits(const StatusConditions &conditions, Column column)
{
    char set = 0;
    for (const StatusCondition &row : Table) {
        if (conditions.*row.flag)
            set = char(set | column(row));
    }
    return set;
}

} // namespace

std::span<const StatusCondition> statusConditionTable()
{
    return Table;
}

char StatusConditions::paperSensors() const
{
    return bits(*this, [](const StatusCondition &row) { return row.sensors; });
}

char StatusConditions::drawer() const
{
    return bits(*this, [](const StatusCondition &row) { return row.drawer; });
}

QByteArray StatusConditions::reply(int n) const
{
    auto realTime = [this](int i) {
        return char(RealTimeFixed
                    | bits(*this, [i](const StatusCondition &row) { return row.realTime[i]; }));
    };
    if (n >= 1 && n <= 4)
        return QByteArray(1, realTime(n - 1));
    if (n != 20)
        return {};
    // Six bytes: the printer and off-line bytes, then one byte each for paper, cover, power
    // and the printer's internal errors.
    QByteArray six(6, 0);
    six[0] = realTime(0);
    six[1] = realTime(1);
    for (int i = 0; i < 4; ++i)
        six[2 + i] = bits(*this, [i](const StatusCondition &row) { return row.extended[i]; });
    return six;
}

bool StatusConditions::offline() const
{
    return (reply(1).at(0) & 0x08) != 0;
}

quint32 StatusConditions::eposStatus() const
{
    quint32 set = 0;
    for (const StatusCondition &row : Table) {
        if (this->*row.flag)
            set |= row.epos;
    }
    return set;
}

const char *StatusConditions::eposCode() const
{
    for (const StatusCondition &row : Table) {
        if (this->*row.flag && row.eposCode)
            return row.eposCode;
    }
    return nullptr;
}

// A header whose bits give the length (9 bytes: bits 5 and 1 of the count, with bit 0 set), a
// version byte, then bytes 3-6 from the table, and three bytes this printer leaves clear
// (presenter, sensors, ETB counter: the command set fills it).
QByteArray StatusConditions::star() const
{
    QByteArray bytes(9, '\0');
    bytes[0] = 0x23;
    bytes[1] = 0x06;
    for (int i = 0; i < 4; ++i)
        bytes[2 + i] = bits(*this, [i](const StatusCondition &row) { return row.star[i]; });
    return bytes;
}

QByteArray StatusConditions::automatic() const
{
    QByteArray block(4, 0);
    block[0] = char(AutomaticFixed
                    | bits(*this, [](const StatusCondition &row) { return row.automatic[0]; }));
    block[1] = bits(*this, [](const StatusCondition &row) { return row.automatic[1]; });
    block[2] = paperSensors();
    return block;
}

} // namespace emulator
