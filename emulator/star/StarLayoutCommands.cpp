// The line and the paper: alignment, margins, spacing, feeds, tabs, positions, cuts and the
// devices beside the paper (drawers, buzzer).
#include "Printer.h"
#include "StarCommands.h"

#include <utility>

using namespace Qt::StringLiterals;
using namespace std::literals;

namespace emulator::star {

namespace {

void nothing(Printer &, const Command &) {}

int columnWidth(const Printer &p)
{
    return characterPitch(p.style, false);
}

void initialise(Printer &p, const Command &)
{
    p.initialise();
    p.chineseMode = false;
    p.lineSpacing = DefaultLineSpacing;
}

void alignment(Printer &p, const Command &c)
{
    const int value = hexDigit(c[0]);
    if (value > 2)
        return p.warn(u"alignment out of range"_s);
    p.alignment = static_cast<Alignment>(value);
}

// ESC GS A n1 n2 and ESC GS R n1 n2 count dots.
void absolutePosition(Printer &p, const Command &c)
{
    if (!p.buffer().moveTo(c.pair(0)))
        p.warn(u"absolute position beyond the print area ignored"_s);
}

void relativePosition(Printer &p, const Command &c)
{
    if (!p.buffer().moveTo(p.buffer().position() + static_cast<qint16>(c.pair(0))))
        p.warn(u"relative position beyond the print area ignored"_s);
}

// ESC l n and ESC Q n count characters of the font in force from the paper's left edge; the
// print area runs between them.
void leftMargin(Printer &p, const Command &c)
{
    const int right = p.standardBuffer().leftMargin() + p.standardBuffer().areaWidth();
    const int left = c[0] * columnWidth(p);
    if (!p.standardBuffer().setLeftMargin(left)
        || !p.standardBuffer().setAreaWidth(qMax(0, right - left)))
        p.warn(u"left margin inside a line ignored"_s);
}

void rightMargin(Printer &p, const Command &c)
{
    const int right = c[0] * columnWidth(p);
    if (c[0] == 0)
        return; // no right margin: the print area ends at the paper's edge
    if (!p.standardBuffer().setAreaWidth(qMax(0, right - p.standardBuffer().leftMargin())))
        p.warn(u"right margin inside a line ignored"_s);
}

void tabStops(Printer &p, const Command &c)
{
    QList<int> stops;
    int last = 0;
    for (qsizetype i = 0; i + 1 < c.size() - c.prefixSize; ++i) {
        if (c[i] <= last) {
            p.warn(u"tab stops not ascending"_s);
            break;
        }
        stops.append(c[i] * columnWidth(p));
        last = c[i];
    }
    p.buffer().setTabStops(stops);
}

void tab(Printer &p, const Command &)
{
    if (!p.buffer().tab())
        p.warn(u"HT with no tab stop ahead ignored"_s);
}

// On marked paper the printer feeds to the next black mark: the top of the next form.
void toNextMark(Printer &p)
{
    p.printPending();
    p.addBlock(BlackMark{});
}

// ESC d n: 0 full and 1 partial cut where the paper is; 2 and 3 feed to the cutter first, on
// marked paper to the next mark's cutting position.
void cut(Printer &p, const Command &c)
{
    const int n = hexDigit(c[0]);
    if (n > 3)
        return p.warn(u"cut mode out of range"_s);
    if (n >= 2 && p.markedPaper)
        toNextMark(p);
    p.printPending();
    p.cut(n % 2 == 0 ? CutKind::Full : CutKind::Partial);
}

// FF feeds to the top of the next form on marked paper; on plain paper it feeds a line, as no
// page length is kept.
void formFeed(Printer &p, const Command &)
{
    if (p.markedPaper)
        return toNextMark(p);
    p.printLine(p.lineSpacing);
}

// ESC RS m n: 0 ignores black marks, 1 finds them, 2 also feeds to the next mark and cuts when
// it turns detection on.
void blackMarkDetection(Printer &p, const Command &c)
{
    const int n = hexDigit(c[0]);
    if (n > 2)
        return p.warn(u"black mark detection out of range"_s);
    const bool wasOn = std::exchange(p.markedPaper, n != 0);
    p.addNote(n == 0 ? u"black mark detection off"_s : u"black mark detection on"_s);
    if (n == 2 && !wasOn) {
        toNextMark(p);
        p.cut(CutKind::Full);
    }
}

// Page length and bottom margin set where a form ends on plain paper; marked paper ignores
// them.
void pageFormat(Printer &p, const QString &setting)
{
    if (!p.markedPaper)
        p.addNote(setting);
}

void drawer(Printer &p, int pin)
{
    p.pulseDrawer(pin, p.drawerPulseOnMs, p.drawerPulseOffMs);
}

// ESC BEL n1 n2: the drive pulse n1 x 10 ms, then n2 x 10 ms before the next.
void pulseWidth(Printer &p, const Command &c)
{
    p.drawerPulseOnMs = c[0] * 10;
    p.drawerPulseOffMs = c[1] * 10;
}

// ESC C n sets the page length in lines, ESC C NUL n in inches.
qsizetype pageLengthLength(const uchar *bytes, qsizetype available)
{
    if (available < 3)
        return 3;
    return bytes[2] == 0 ? 4 : 3;
}

// ESC # N,n1n2n3n4 LF NUL and ESC GS # m N n1 n2 n3 n4 LF NUL: memory switches, up to the NUL
// after LF.
qsizetype memorySwitchLength(const uchar *bytes, qsizetype available)
{
    constexpr qsizetype Limit = 32;
    for (qsizetype i = 2; i + 1 < available && i < Limit; ++i) {
        if (bytes[i] == 0x0A && bytes[i + 1] == 0)
            return i + 2;
    }
    return available < Limit ? available + 1 : Limit;
}

// StarPRNT page mode counts 1/8 mm, a dot. ESC GS P 2 n: 0 left to right from the top left, 1
// bottom to top from the bottom left, 2 right to left from the bottom right, 3 top to bottom
// from the top right.
void pageDirection(Printer &p, const Command &c)
{
    static constexpr PrintDirection Directions[] = {PrintDirection::LeftToRight,
                                                    PrintDirection::BottomToTop,
                                                    PrintDirection::RightToLeft,
                                                    PrintDirection::TopToBottom};
    const int n = hexDigit(c[0]);
    if (n > 3)
        return p.warn(u"print direction out of range"_s);
    p.page().setDirection(Directions[n]);
}

// ESC GS P 3 xL xH yL yH dxL dxH dyL dyH: the print region's start and size.
void pageArea(Printer &p, const Command &c)
{
    if (!p.page().setArea(c.pair(0), c.pair(2), c.pair(4), c.pair(6)))
        p.warn(u"print area empty or outside the page, ignored"_s);
}

// ESC GS P 4 and 5 nL nH: where the line's foot stands, from the start point or from where it
// stood.
void pageFoot(Printer &p, const Command &c, bool relative)
{
    if (!p.inPageMode())
        return p.warn(u"vertical position outside page mode ignored"_s);
    const int dots = c.pair(0);
    if (!(relative ? p.page().moveFoot(dots) : p.page().setFoot(dots)))
        p.warn(u"vertical position beyond the print area ignored"_s);
}

// clang-format off
constexpr CommandSpec Commands[] = {
    {"\x0a"sv, fixed(0), "line feed",
     [](Printer &p, const Command &) { p.printLine(p.lineSpacing); }},
    {"\x0d"sv, fixed(0), "carriage return", nothing},
    {"\x09"sv, fixed(0), "horizontal tab", tab},
    {"\x0b"sv, fixed(0), "vertical tab",
     [](Printer &p, const Command &) { p.printLine(p.lineSpacing); }},
    {"\x0c"sv, fixed(0), "form feed", formFeed},
    {"\x18"sv, fixed(0), "cancel print data and initialize commands",
     [](Printer &p, const Command &) {
         p.buffer().cancel();
         p.etbCounter = 0;
     }},
    {"\x1b@"sv, fixed(0), "initialize printer", initialise},
    {"\x1b\x1d" "a"sv, fixed(1), "specify position alignment", alignment},
    {"\x1b\x1d" "A"sv, fixed(2), "specify absolute position", absolutePosition},
    {"\x1b\x1d" "R"sv, fixed(2), "specify relative position", relativePosition},
    {"\x1b" "l"sv, fixed(1), "set left margin", leftMargin},
    {"\x1b" "Q"sv, fixed(1), "set right margin", rightMargin},
    {"\x1b" "D"sv, nulEnded(0, 17), "set horizontal tab", tabStops},
    {"\x1b" "B"sv, nulEnded(0, 17), "set vertical tab", nothing},
    {"\x1b" "0"sv, fixed(0), "set 3 mm line feed",
     [](Printer &p, const Command &) { p.lineSpacing = NarrowLineSpacing; }},
    {"\x1b" "z"sv, fixed(1), "set 4 mm or 3 mm line feed",
     [](Printer &p, const Command &c) {
         p.lineSpacing = hexDigit(c[0]) == 1 ? DefaultLineSpacing : NarrowLineSpacing;
     }},
    {"\x1b" "y"sv, fixed(1), "set n/4 mm line feed",
     [](Printer &p, const Command &c) { p.lineSpacing = c[0] * 2; }},
    {"\x1b" "1"sv, fixed(1), "set n/4 mm line feed (n/72 inch)",
     [](Printer &p, const Command &c) { p.lineSpacing = c[0] * 2; }},
    {"\x1b" "a"sv, fixed(1), "feed paper n lines",
     [](Printer &p, const Command &c) { p.feedLines(c[0]); }},
    {"\x1b" "J"sv, fixed(1), "one-time n/4 mm feed",
     [](Printer &p, const Command &c) { p.printLine(c[0] * 2); }},
    {"\x1b" "I"sv, fixed(1), "one-time n/8 mm feed",
     [](Printer &p, const Command &c) { p.printLine(c[0]); }},
    {"\x1b" "C"sv, custom(pageLengthLength), "set page length",
     [](Printer &p, const Command &c) {
         pageFormat(p, c[0] == 0 ? u"page length: %1 inches"_s.arg(c[1])
                                 : u"page length: %1 lines"_s.arg(c[0]));
     }},
    {"\x1b" "N"sv, fixed(1), "set bottom margin",
     [](Printer &p, const Command &c) { pageFormat(p, u"bottom margin: %1 lines"_s.arg(c[0])); }},
    {"\x1b" "O"sv, fixed(0), "cancel bottom margin",
     [](Printer &p, const Command &) { pageFormat(p, u"bottom margin: none"_s); }},
    {"\x1b" "d"sv, fixed(1), "cut paper", cut},
    {"\x07"sv, fixed(0), "drive external device 1",
     [](Printer &p, const Command &) { drawer(p, 2); }},
    {"\x1c"sv, fixed(0), "drive external device 1 at once",
     [](Printer &p, const Command &) { drawer(p, 2); }},
    {"\x1a"sv, fixed(0), "drive external device 2",
     [](Printer &p, const Command &) { drawer(p, 5); }},
    {"\x19"sv, fixed(0), "drive external device 2 at once",
     [](Printer &p, const Command &) { drawer(p, 5); }},
    {"\x1b\x07"sv, fixed(2), "set external device drive pulse width", pulseWidth},
    {"\x1e"sv, fixed(0), "sound buzzer",
     [](Printer &p, const Command &) { p.beep(1); }},
    {"\x1b\x1d\x19\x11"sv, fixed(2), "set melody speaker", nothing},
    {"\x1b\x1d\x19\x12"sv, fixed(2), "sound melody speaker",
     [](Printer &p, const Command &) { p.beep(1); }},
    {"\x11"sv, fixed(0), "select printer", nothing},
    {"\x13"sv, fixed(0), "deselect printer", nothing},
    {"\x1b#"sv, custom(memorySwitchLength), "write memory switch", nothing},
    {"\x1b\x1d#"sv, custom(memorySwitchLength), "write memory switch", nothing},
    {"\x1b\x1e" "A"sv, fixed(1), "set print region", nothing},
    {"\x1b\x1e" "d"sv, fixed(1), "set print density", nothing},
    {"\x1b\x1e" "r"sv, fixed(1), "set print speed", nothing},
    {"\x1b\x1e" "m"sv, fixed(1), "enable/disable black mark detection", blackMarkDetection},
    {"\x1b\x1dP0"sv, fixed(0), "select page mode",
     [](Printer &p, const Command &) { p.selectPageMode(); }},
    {"\x1b\x1dP1"sv, fixed(0), "cancel page mode",
     [](Printer &p, const Command &) { p.selectStandardMode(); }},
    {"\x1b\x1dP2"sv, fixed(1), "select character print direction in page mode", pageDirection},
    {"\x1b\x1dP3"sv, fixed(8), "set print region in page mode", pageArea},
    {"\x1b\x1dP4"sv, fixed(2), "specify character vertical direction absolute position in page"
     " mode", [](Printer &p, const Command &c) { pageFoot(p, c, false); }},
    {"\x1b\x1dP5"sv, fixed(2), "specify character vertical direction relative position in page"
     " mode", [](Printer &p, const Command &c) { pageFoot(p, c, true); }},
    {"\x1b\x1dP6"sv, fixed(0), "print page mode data",
     [](Printer &p, const Command &) { p.printPage(false); }},
    {"\x1b\x1dP7"sv, fixed(0), "print page mode data and cancel page mode",
     [](Printer &p, const Command &) { p.printPage(true); }},
};
// clang-format on

} // namespace

std::span<const CommandSpec> layoutCommands()
{
    return Commands;
}

} // namespace emulator::star
