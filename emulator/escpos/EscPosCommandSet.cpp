// ESC/POS: the command families, the introducers and the commands only ESC/POS printers know.
#include "CommandSet.h"
#include "Printer.h"

#include <array>

using namespace Qt::StringLiterals;
using namespace std::literals;

namespace emulator {

namespace {

// ESC takes one parameter, GS and FS none, and a DLE that starts no real-time command is
// dropped alone.
constexpr std::array Introducers = {
        Introducer{0x1B, 3}, Introducer{0x1D, 2}, Introducer{0x1C, 2}, Introducer{0x10, 1}};

// ESC (, GS ( and FS ( commands carry a function letter and pL pH: one this printer does not
// know is passed over by its length.
void skipped(Printer &p, const Command &)
{
    p.warn(u"command of an unknown function skipped by its length"_s);
}

constexpr CommandSpec Extended[] = {
        {"\x1b(", nLnH(1), "extended ESC ( function", skipped},
        {"\x1d(", nLnH(1), "extended GS ( function", skipped},
        {"\x1c(", nLnH(1), "extended FS ( function", skipped},
};

// GS commands, real-time DLE requests and the Kanji FS commands: a Star printer knows none.
constexpr Signature Signatures[] = {
        {"\x1d"sv, CommandSetKind::EscPos},
        {"\x10\x04"sv, CommandSetKind::EscPos},
        {"\x10\x05"sv, CommandSetKind::EscPos},
        {"\x10\x14"sv, CommandSetKind::EscPos},
        {"\x1c."sv, CommandSetKind::EscPos},
        {"\x1c&"sv, CommandSetKind::EscPos},
        {"\x1c("sv, CommandSetKind::EscPos},
        {"\x1c!"sv, CommandSetKind::EscPos},
        {"\x1c-"sv, CommandSetKind::EscPos},
        {"\x1c"
         "C"sv,
         CommandSetKind::EscPos},
        {"\x1cp"sv, CommandSetKind::EscPos},
        {"\x1cq"sv, CommandSetKind::EscPos},
};

QByteArray automaticStatus(const Printer &p)
{
    return p.status().automatic();
}

// Chinese mode is on at power-on as the memory switch sets it; ESC/POS printers have no Star
// Kanji modes.
void enter(Printer &p)
{
    p.chineseMode = p.profile().chineseAtPowerUp;
    p.kanjiMode = KanjiMode::None;
}

} // namespace

const CommandSet &escPosCommandSet()
{
    static const CommandTable table(Introducers,
                                    {textCommands(),
                                     layoutCommands(),
                                     imageCommands(),
                                     barcodeCommands(),
                                     symbolCommands(),
                                     statusCommands(),
                                     pageModeCommands(),
                                     Extended});
    static const CommandSet set{
            CommandSetKind::EscPos, table, nullptr, Signatures, "\x10"sv, automaticStatus, enter};
    return set;
}

} // namespace emulator
