// Page mode: the commands are taken with their lengths; the page itself is not drawn yet.
#include "CommandSpec.h"
#include "Printer.h"

using namespace Qt::StringLiterals;
using namespace std::literals;

namespace emulator {

namespace {

void nothing(Printer &, const Command &) {}

void pageMode(Printer &p, const Command &)
{
    p.printPending();
    p.pageMode = true;
    p.warn(u"page mode is not drawn"_s);
}

void pageModePrint(Printer &p, const Command &)
{
    if (p.pageMode) {
        p.pageMode = false; // the page prints and the printer returns to standard mode
        return;
    }
    p.printPending();
}

// clang-format off
constexpr CommandSpec Commands[] = {
    {"\x0c"sv, fixed(0), "print and return to standard mode", pageModePrint},
    {"\x18"sv, fixed(0), "cancel print data in page mode",
     [](Printer &p, const Command &) { p.buffer().cancel(); }},
    {"\x1b\x0c"sv, fixed(0), "print data in page mode", pageModePrint},
    {"\x1b" "L"sv, fixed(0), "select page mode", pageMode},
    {"\x1b" "S"sv, fixed(0), "select standard mode",
     [](Printer &p, const Command &) { p.pageMode = false; }},
    {"\x1b" "T"sv, fixed(1), "select print direction in page mode", nothing},
    {"\x1b" "W"sv, fixed(8), "set print area in page mode", nothing},
    {"\x1d$"sv, fixed(2), "set absolute vertical print position in page mode", nothing},
    {"\x1d\\"sv, fixed(2), "set relative vertical print position in page mode", nothing},
};
// clang-format on

} // namespace

std::span<const CommandSpec> pageModeCommands()
{
    return Commands;
}

} // namespace emulator
