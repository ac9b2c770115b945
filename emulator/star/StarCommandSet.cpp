// Star Line mode and StarPRNT: one vocabulary, its status layout and the commands that only
// Star printers know.
#include "CommandSet.h"
#include "Printer.h"
#include "StarCommands.h"

#include <array>

using namespace Qt::StringLiterals;
using namespace std::literals;

namespace emulator {

namespace star {

namespace {

// Star status: the nine bytes of the table of conditions, with the ETB counter in the eighth
// (bits 1-3 and 5-6 hold its bits 0-4).
QByteArray status(const Printer &p)
{
    QByteArray bytes = p.status().star();
    bytes[7] = char((p.etbCounter & 7) << 1 | (p.etbCounter >> 3 & 3) << 5);
    return bytes;
}

// ESC RS a n: n 1 and 2 send status when it changes, 0 does not.
void automaticStatus(Printer &p, const Command &c)
{
    const int n = hexDigit(c[0]);
    p.automaticStatusMask = n == 0 ? 0 : 1;
    if (n != 0)
        p.reply(status(p));
}

// ETB: once what came before has printed, the ETB counter counts one (0-31 round) and goes out
// in automatic status.
void etb(Printer &p, const Command &)
{
    p.printPending();
    p.etbCounter = (p.etbCounter + 1) % 32;
    if (p.automaticStatusMask != 0)
        p.reply(status(p));
}

// ESC GS ETX s n1 n2: s 0 sends the print-end counter, 1 prints what is pending, counts one and
// sends it, 2 clears it; 3 and 4 start and end a document (4 prints what is pending), 5 sets a
// data timeout. The printer sends the command back, then the counter and NUL.
void printEndCounter(Printer &p, const Command &c)
{
    const int s = c[0];
    if (s > 5)
        return p.warn(u"print end counter function out of range"_s);
    if (s == 1 || s == 4)
        p.printPending();
    if (s == 1)
        p.printEndCounter = (p.printEndCounter + 1) % 256;
    else if (s == 2)
        p.printEndCounter = 0;
    if (s <= 1)
        p.reply(c.bytes.toByteArray() + char(p.printEndCounter) + '\0');
}

void enterRaster(Printer &p, const Command &)
{
    p.printPending();
    p.rasterMode = true;
    p.rasterRows.clear();
    p.rasterLine.clear();
}

// clang-format off
constexpr CommandSpec StatusCommands[] = {
    {"\x1b\x06\x01"sv, fixed(0), "real-time status transmission",
     [](Printer &p, const Command &) { p.reply(status(p)); }},
    {"\x1b\x1e" "a"sv, fixed(1), "set status transmission conditions", automaticStatus},
    {"\x1b\x1d\x03"sv, fixed(3), "send print end counter", printEndCounter},
    {"\x17"sv, fixed(0), "update ETB status", etb},
    {"\x1b\x1e" "E"sv, fixed(1), "initialize ETB counter",
     [](Printer &p, const Command &) { p.etbCounter = 0; }},
    {"\x1b*rA"sv, fixed(0), "enter raster mode", enterRaster},
};
// clang-format on

// ESC alone introduces Star's commands; one this printer does not know is passed over with the
// byte after it.
constexpr std::array Introducers = {Introducer{0x1B, 2}};

// ESC GS, ESC RS, ESC ACK SOH, ESC * r and ESC BEL: an ESC/POS printer knows none; StarPRNT's
// raster image and page mode tell it from Star Line mode.
constexpr Signature Signatures[] = {
        {"\x1b\x1dS"sv, CommandSetKind::StarPrnt},
        {"\x1b\x1dP"sv, CommandSetKind::StarPrnt},
        {"\x1b\x1d"sv, CommandSetKind::StarLine},
        {"\x1b\x1e"sv, CommandSetKind::StarLine},
        {"\x1b\x06\x01"sv, CommandSetKind::StarLine},
        {"\x1b*r"sv, CommandSetKind::StarLine},
        {"\x1b\x07"sv, CommandSetKind::StarLine},
};

// Star printers have no Chinese mode and feed 4 mm a line.
void enter(Printer &p)
{
    p.chineseMode = false;
    p.lineSpacing = DefaultLineSpacing;
}

const CommandTable &table()
{
    static const CommandTable built(Introducers,
                                    {textCommands(),
                                     layoutCommands(),
                                     imageCommands(),
                                     std::span<const CommandSpec>(StatusCommands)});
    return built;
}

const CommandTable &rasterTable()
{
    static const CommandTable built(
            Introducers, {rasterCommands(), std::span<const CommandSpec>(StatusCommands)}, false);
    return built;
}

} // namespace

} // namespace star

const CommandSet &starCommandSet(CommandSetKind kind)
{
    static const CommandSet line{CommandSetKind::StarLine,
                                 star::table(),
                                 &star::rasterTable(),
                                 star::Signatures,
                                 "\x1b\x06\x01"sv,
                                 star::status,
                                 star::enter};
    static const CommandSet prnt{CommandSetKind::StarPrnt,
                                 star::table(),
                                 &star::rasterTable(),
                                 star::Signatures,
                                 "\x1b\x06\x01"sv,
                                 star::status,
                                 star::enter};
    return kind == CommandSetKind::StarPrnt ? prnt : line;
}

} // namespace emulator
