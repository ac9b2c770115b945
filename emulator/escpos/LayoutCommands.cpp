// The line and the paper: feeds, spacing, tabs, positions, margins, justification, cuts, the
// drawer, the buzzer and settings of the mechanism.
#include "CommandSpec.h"
#include "Printer.h"

#include <QList>

using namespace Qt::StringLiterals;
using namespace std::literals;

namespace emulator {

namespace {

void nothing(Printer &, const Command &) {}

void justification(Printer &p, const Command &c)
{
    const int value = digit(c[0]);
    if (value > 2)
        return p.warn(u"justification out of range"_s);
    p.alignment = static_cast<Alignment>(value);
}

void absolutePosition(Printer &p, const Command &c)
{
    if (!p.buffer().moveTo(c.pair(0) * p.unitAlong()))
        p.warn(u"absolute position beyond the print area ignored"_s);
}

void relativePosition(Printer &p, const Command &c)
{
    const int step = static_cast<qint16>(c.pair(0)) * p.unitAlong();
    if (!p.buffer().moveTo(p.buffer().position() + step))
        p.warn(u"relative position beyond the print area ignored"_s);
}

void tab(Printer &p, const Command &)
{
    if (!p.buffer().tab())
        p.warn(u"HT with no tab stop ahead ignored"_s);
}

void tabStops(Printer &p, const Command &c)
{
    // Stops count in characters of the font in force, spacing included.
    const int pitch = characterPitch(p.style, false);
    QList<int> stops;
    int last = 0;
    for (qsizetype i = 0; i + 1 < c.size() - c.prefixSize; ++i) {
        const int n = c[i];
        if (n <= last) {
            p.warn(u"tab stops not ascending"_s);
            break;
        }
        stops.append(n * pitch);
        last = n;
    }
    if (c.bytes.back() != 0)
        p.warn(u"tab stops without their NUL end"_s);
    p.buffer().setTabStops(stops);
}

void leftMargin(Printer &p, const Command &c)
{
    if (!p.standardBuffer().setLeftMargin(c.pair(0) * p.motionX))
        p.warn(u"left margin inside a line ignored"_s);
}

void areaWidth(Printer &p, const Command &c)
{
    if (!p.standardBuffer().setAreaWidth(c.pair(0) * p.motionX))
        p.warn(u"print area width inside a line ignored"_s);
}

void motionUnits(Printer &p, const Command &c)
{
    // Units of 1/x and 1/y inch; 0 keeps the printer's own 1/203 inch, a dot.
    if (c[0] > 0)
        p.motionX = qMax(1, qRound(203.0 / c[0]));
    if (c[1] > 0)
        p.motionY = qMax(1, qRound(203.0 / c[1]));
}

void cutNow(Printer &p, const Command &c)
{
    p.cut(digit(c[0]) == 1 ? CutKind::Partial : CutKind::Full);
}

// GS V m n: feed to the cutting position plus n dots, then cut.
void feedAndCut(Printer &p, const Command &c, CutKind kind)
{
    p.feedDots(c[1] * p.motionY);
    p.cut(kind);
}

// GS V m: 0 and 48 full, 1 and 49 partial at once; 65 and 66 feed n dots first; 97-104
// feed n dots (the printers' preset and reserve variants), odd full, even partial.
void fullCutAfterFeed(Printer &p, const Command &c)
{
    feedAndCut(p, c, CutKind::Full);
}

void partialCutAfterFeed(Printer &p, const Command &c)
{
    feedAndCut(p, c, CutKind::Partial);
}

// clang-format off
constexpr Function Cuts[] = {
    {0, 48, "full cut", cutNow, fixed(1)},
    {1, 49, "partial cut", cutNow, fixed(1)},
    {65, -1, "feed and full cut", fullCutAfterFeed, fixed(2)},
    {66, -1, "feed and partial cut", partialCutAfterFeed, fixed(2)},
    {97, 103, "set cutting position and full cut", fullCutAfterFeed, fixed(2)},
    {98, 104, "set cutting position and partial cut", partialCutAfterFeed, fixed(2)},
    {99, 101, "reserve feed and full cut", fullCutAfterFeed, fixed(2)},
    {100, 102, "reserve feed and partial cut", partialCutAfterFeed, fixed(2)},
};
// clang-format on

void blackMark(Printer &p, const Command &)
{
    p.printPending();
    p.addBlock(BlackMark{});
}

// GS ( K: print control.
constexpr Function PrintControl[] = {
        {48, -1, "select print control mode", nothing},
        {49,
         -1,
         "select print density",
         [](Printer &p, const Command &c) {
             p.addNote(u"density: %1"_s.arg(c[1]));
         }},
        {50,
         -1,
         "select print speed",
         [](Printer &p, const Command &c) {
             p.addNote(u"speed: %1"_s.arg(c[1]));
         }},
        {97, -1, "select number of parts for the thermal head energizing", nothing},
};

// clang-format off
constexpr CommandSpec Commands[] = {
    {"\x0a"sv, fixed(0), "print and line feed",
     [](Printer &p, const Command &) { p.printLine(p.lineSpacing); }},
    {"\x09"sv, fixed(0), "horizontal tab", tab},
    {"\x0d"sv, fixed(0), "carriage return (a line feed alone prints the line)",
     [](Printer &p, const Command &) {
         if (p.inPageMode())
             p.page().returnCarriage(); // back to the start of the line
     }},
    {"\x1b$"sv, fixed(2), "set absolute print position", absolutePosition},
    {"\x1b\\"sv, fixed(2), "set relative print position", relativePosition},
    {"\x1b" "2"sv, fixed(0), "select default line spacing",
     [](Printer &p, const Command &) { p.lineSpacing = Printer::DefaultLineSpacing; }},
    {"\x1b" "3"sv, fixed(1), "set line spacing",
     [](Printer &p, const Command &c) { p.lineSpacing = c[0] * p.unitAcross(); }},
    {"\x1b" "D"sv, nulEnded(0, 33), "set horizontal tab positions", tabStops},
    {"\x1b" "J"sv, fixed(1), "print and feed paper",
     [](Printer &p, const Command &c) { p.feedDots(c[0] * p.unitAcross()); }},
    {"\x1b" "a"sv, fixed(1), "select justification", justification},
    {"\x1b" "d"sv, fixed(1), "print and feed n lines",
     [](Printer &p, const Command &c) { p.feedLines(c[0]); }},
    {"\x1b" "e"sv, fixed(1), "print and reverse feed n lines",
     [](Printer &p, const Command &c) { p.reverseFeed(c[0] * p.lineSpacing); }},
    {"\x1d" "L"sv, fixed(2), "set left margin", leftMargin},
    {"\x1d" "W"sv, fixed(2), "set print area width", areaWidth},
    {"\x1d" "P"sv, fixed(2), "set horizontal and vertical motion units", motionUnits},
    {"\x1b@"sv, fixed(0), "initialize printer",
     [](Printer &p, const Command &) { p.initialise(); }},
    {"\x1b" "i"sv, fixed(0), "full cut",
     [](Printer &p, const Command &) { p.cut(CutKind::Full); }},
    {"\x1b" "m"sv, fixed(0), "partial cut",
     [](Printer &p, const Command &) { p.cut(CutKind::Partial); }},
    {"\x1d" "V"sv, fixed(1), "select cut mode and cut paper",
     [](Printer &p, const Command &) { p.warn(u"cut mode out of range"_s); }, Cuts},
    {"\x1d\x0c"sv, fixed(0), "feed marked paper to print starting position", blackMark},
    {"\x1d\xf6"sv, fixed(0), "feed to the next black mark", blackMark},
    {"\x1b" "p"sv, fixed(3), "generate pulse",
     [](Printer &p, const Command &c) {
         // On for t1 and off for t2 times 2 ms.
         p.pulseDrawer(digit(c[0]) == 1 ? 5 : 2, c[1] * 2, c[2] * 2);
     }},
    {"\x1b" "B"sv, fixed(2), "buzzer", [](Printer &p, const Command &c) { p.beep(c[0]); }},
    {"\x1b(A"sv, pLpH(), "buzzer", [](Printer &p, const Command &c) { p.beep(qMax(1, c[2])); }},
    {"\x1b" "q"sv, fixed(0), "release paper", nothing},
    {"\x1b="sv, fixed(1), "select peripheral device", nothing},
    {"\x1b" "c"sv, fixed(2), "select paper sensors or panel buttons", nothing},
    {"\x1b" "x"sv, fixed(1), "select print speed",
     [](Printer &p, const Command &c) {
         static const QString speeds[] = {u"low"_s, u"middle"_s, u"high"_s};
         p.addNote(u"speed: "_s + (c[0] <= 2 ? speeds[c[0]] : QString::number(c[0])));
     }},
    {"\x1d|"sv, fixed(1), "select print density",
     [](Printer &p, const Command &c) { p.addNote(u"density: %1"_s.arg(c[0])); }},
    {"\x1d(K"sv, pLpH(), "print control", nullptr, PrintControl},
    {"\x1d:"sv, fixed(0), "start/end macro definition",
     [](Printer &p, const Command &) { p.warn(u"macro not stored; its commands act at once"_s); }},
    {"\x1d^"sv, fixed(3), "execute macro",
     [](Printer &p, const Command &) { p.warn(u"macro not run"_s); }},
};
// clang-format on

} // namespace

std::span<const CommandSpec> layoutCommands()
{
    return Commands;
}

} // namespace emulator
