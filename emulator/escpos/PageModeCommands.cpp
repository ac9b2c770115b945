// Page mode: a page of print areas filled at positions the host chooses, in four directions,
// printed at once.
#include "CommandSpec.h"
#include "Printer.h"

using namespace Qt::StringLiterals;
using namespace std::literals;

namespace emulator {

namespace {

// CAN: in page mode the print area's data is dropped; in standard mode the line's.
void cancel(Printer &p, const Command &)
{
    if (p.inPageMode())
        p.page().cancel();
    else
        p.buffer().cancel();
}

// ESC T n: 0 left to right from the top left, 1 bottom to top from the bottom left, 2 right to
// left from the bottom right, 3 top to bottom from the top right.
void direction(Printer &p, const Command &c)
{
    static constexpr PrintDirection Directions[] = {PrintDirection::LeftToRight,
                                                    PrintDirection::BottomToTop,
                                                    PrintDirection::RightToLeft,
                                                    PrintDirection::TopToBottom};
    const int n = digit(c[0]);
    if (n > 3)
        return p.warn(u"print direction out of range"_s);
    p.page().setDirection(Directions[n]);
}

// ESC W xL xH yL yH dxL dxH dyL dyH: the area's origin and size, across in horizontal motion
// units and down in vertical ones.
void area(Printer &p, const Command &c)
{
    if (!p.page().setArea(c.pair(0) * p.motionX,
                          c.pair(2) * p.motionY,
                          c.pair(4) * p.motionX,
                          c.pair(6) * p.motionY))
        p.warn(u"print area empty or outside the page, ignored"_s);
}

// GS $ nL nH and GS \ nL nH: where the line's foot stands, from the start point or from where
// it stood (a signed step).
void verticalPosition(Printer &p, const Command &c, bool relative)
{
    if (!p.inPageMode())
        return p.warn(u"vertical position outside page mode ignored"_s);
    const int dots = (relative ? static_cast<qint16>(c.pair(0)) : c.pair(0)) * p.unitAcross();
    if (!(relative ? p.page().moveFoot(dots) : p.page().setFoot(dots)))
        p.warn(u"vertical position beyond the print area ignored"_s);
}

// clang-format off
constexpr CommandSpec Commands[] = {
    {"\x0c"sv, fixed(0), "print and return to standard mode",
     [](Printer &p, const Command &) { p.printPage(true); }},
    {"\x18"sv, fixed(0), "cancel print data in page mode", cancel},
    {"\x1b\x0c"sv, fixed(0), "print data in page mode",
     [](Printer &p, const Command &) { p.printPage(false); }},
    {"\x1b" "L"sv, fixed(0), "select page mode",
     [](Printer &p, const Command &) { p.selectPageMode(); }},
    {"\x1b" "S"sv, fixed(0), "select standard mode",
     [](Printer &p, const Command &) { p.selectStandardMode(); }},
    {"\x1b" "T"sv, fixed(1), "select print direction in page mode", direction},
    {"\x1b" "W"sv, fixed(8), "set print area in page mode", area},
    {"\x1d$"sv, fixed(2), "set absolute vertical print position in page mode",
     [](Printer &p, const Command &c) { verticalPosition(p, c, false); }},
    {"\x1d\\"sv, fixed(2), "set relative vertical print position in page mode",
     [](Printer &p, const Command &c) { verticalPosition(p, c, true); }},
};
// clang-format on

} // namespace

std::span<const CommandSpec> pageModeCommands()
{
    return Commands;
}

} // namespace emulator
