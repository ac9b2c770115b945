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

void nothing(Printer &, const Command &) {}

QByteArray status(const StatusConditions &conditions)
{
    return conditions.star();
}

// ESC RS a n: n 1 and 2 send status when it changes, 0 does not.
void automaticStatus(Printer &p, const Command &c)
{
    const int n = hexDigit(c[0]);
    p.automaticStatusMask = n == 0 ? 0 : 1;
    if (n != 0)
        p.reply(p.status().star());
}

void enterRaster(Printer &p, const Command &)
{
    p.printPending();
    p.rasterMode = true;
    p.rasterRows.clear();
}

// clang-format off
constexpr CommandSpec StatusCommands[] = {
    {"\x1b\x06\x01"sv, fixed(0), "real-time status transmission",
     [](Printer &p, const Command &) { p.reply(p.status().star()); }},
    {"\x1b\x1e" "a"sv, fixed(1), "set status transmission conditions", automaticStatus},
    {"\x1b\x1d\x03"sv, fixed(3), "print end counter", nothing},
    {"\x17"sv, fixed(0), "update ETB status", nothing},
    {"\x1b\x1e" "E"sv, fixed(1), "initialize ETB counter", nothing},
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
