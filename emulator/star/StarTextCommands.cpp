// Characters: emphasis, underline, reverse, sizes, fonts, code pages and international sets.
#include "BitImage.h"
#include "CodeTables.h"
#include "Printer.h"
#include "StarCommands.h"

#include <array>

using namespace Qt::StringLiterals;
using namespace std::literals;

namespace emulator::star {

namespace {

void nothing(Printer &, const Command &) {}

// ESC GS t n numbers the code pages its own way; each maps to the table of the same characters.
struct CodePage
{
    int star;
    int table;
};
constexpr std::array CodePages = {
        CodePage{0, 0},   CodePage{1, 0},   CodePage{2, 1},   CodePage{3, 0},   CodePage{4, 19},
        CodePage{5, 18},  CodePage{6, 3},   CodePage{7, 35},  CodePage{8, 4},   CodePage{9, 5},
        CodePage{10, 17}, CodePage{11, 34}, CodePage{12, 13}, CodePage{13, 36}, CodePage{14, 37},
        CodePage{15, 14}, CodePage{16, 11}, CodePage{17, 38}, CodePage{21, 21}, CodePage{32, 16},
        CodePage{33, 45}, CodePage{34, 46}, CodePage{97, 21},
};

// Code page 0 is the printer's normal table: on a printer set for Japan the Katakana table
// (JIS X 0201's katakana and the line characters ruled tables are drawn with), else PC437.
constexpr int Japan = 8;
constexpr int KatakanaTable = 1;

void selectTable(Printer &p, int table)
{
    p.codeTable = table == 0 && p.internationalSet == Japan ? KatakanaTable : table;
}

void codePage(Printer &p, const Command &c)
{
    for (const CodePage &page : CodePages) {
        if (page.star == c[0]) {
            p.normalCodePage = page.star == 0;
            return selectTable(p, page.table);
        }
    }
    p.warn(u"code page %1 not known"_s.arg(c[0]));
}

void internationalSet(Printer &p, const Command &c)
{
    const int n = hexDigit(c[0]);
    if (!CodeTables::isKnownInternational(n))
        return p.warn(u"international character set out of range"_s);
    p.internationalSet = n;
    if (p.normalCodePage)
        selectTable(p, 0);
}

// ESC $ n: 0 cancels and 1 selects Shift_JIS Kanji mode; ESC p and ESC q select and cancel
// JIS Kanji mode.
void shiftJis(Printer &p, const Command &c)
{
    const int n = hexDigit(c[0]);
    if (n > 1)
        return p.warn(u"Kanji mode out of range"_s);
    if (n == 1)
        p.kanjiMode = KanjiMode::ShiftJis;
    else if (p.kanjiMode == KanjiMode::ShiftJis)
        p.kanjiMode = KanjiMode::None;
}

// Sizes apply to ANK and Kanji characters alike, 1 to 6 times.
void setWidth(Printer &p, int times)
{
    p.style.widthMultiplier = p.style.chineseWidth = qBound(1, times, 6);
}

void setHeight(Printer &p, int times)
{
    p.style.heightMultiplier = p.style.chineseHeight = qBound(1, times, 6);
}

// ESC & c1 c2 n d1...d48: a 12 x 24 character for code n (20-7F) in 24 rows of two bytes, the
// first 12 bits of each drawn. c1 and c2 other than 1 register nothing, and what follows prints.
qsizetype downloadLength(const uchar *p, qsizetype available)
{
    if (available < 3)
        return 3;
    return p[2] == 1 || p[2] == '1' ? 5 + 48 : 5;
}

void download(Printer &p, const Command &c)
{
    const int code = c[2];
    if (hexDigit(c[0]) != 1 || hexDigit(c[1]) != 1 || code < 0x20 || code > 0x7F)
        return p.warn(u"download character outside the defined area ignored"_s);
    const QImage rows = BitImage::fromRows(c.from(3), 2, 24);
    p.userGlyphs.insert(code, {12, rows.copy(0, 0, 12, rows.height())});
}

// ESC i n1 n2: n1 the height and n2 the width expansion, 0 to 5 for 1 to 6 times.
void expansion(Printer &p, const Command &c)
{
    const int height = hexDigit(c[0]);
    const int width = hexDigit(c[1]);
    if (height > 5 || width > 5)
        p.warn(u"character expansion out of range"_s);
    setHeight(p, height + 1);
    setWidth(p, width + 1);
}

// ESC RS F n: 0 font A (12 x 24), 1 font B (9 x 24); the others are drawn as font A.
void font(Printer &p, const Command &c)
{
    const int n = hexDigit(c[0]);
    if (n > 1)
        p.warn(u"font %1 drawn as font A"_s.arg(n));
    p.style.fontB = n == 1;
}

// ESC M, ESC P, ESC :: characters 12, 15 or 16 dots apart, font A.
void pitch(Printer &p, int dots)
{
    p.style.fontB = false;
    p.style.rightSpacing = dots - 12;
}

// clang-format off
constexpr CommandSpec Commands[] = {
    {"\x1b" "E"sv, fixed(0), "select emphasized printing",
     [](Printer &p, const Command &) { p.style.emphasized = true; }},
    {"\x1b" "F"sv, fixed(0), "cancel emphasized printing",
     [](Printer &p, const Command &) { p.style.emphasized = false; }},
    {"\x1b-"sv, fixed(1), "select/cancel underline mode",
     [](Printer &p, const Command &c) {
         p.style.underline = p.style.chineseUnderline = hexDigit(c[0]) & 1;
     }},
    {"\x1b_"sv, fixed(1), "select/cancel upperline mode",
     [](Printer &p, const Command &c) {
         if (hexDigit(c[0]) & 1)
             p.warn(u"upperline not drawn"_s);
     }},
    {"\x1b" "4"sv, fixed(0), "select highlight (white/black reverse) printing",
     [](Printer &p, const Command &) { p.style.reverse = true; }},
    {"\x1b" "5"sv, fixed(0), "cancel highlight printing",
     [](Printer &p, const Command &) { p.style.reverse = false; }},
    {"\x0f"sv, fixed(0), "select upside-down printing",
     [](Printer &p, const Command &) { p.upsideDown = true; }},
    {"\x12"sv, fixed(0), "cancel upside-down printing",
     [](Printer &p, const Command &) { p.upsideDown = false; }},
    {"\x0e"sv, fixed(0), "set double-width expanded mode",
     [](Printer &p, const Command &) { setWidth(p, 2); }},
    {"\x14"sv, fixed(0), "cancel double-width expanded mode",
     [](Printer &p, const Command &) { setWidth(p, 1); }},
    {"\x1b\x0e"sv, fixed(0), "set double-height expanded mode",
     [](Printer &p, const Command &) { setHeight(p, 2); }},
    {"\x1b\x14"sv, fixed(0), "cancel double-height expanded mode",
     [](Printer &p, const Command &) { setHeight(p, 1); }},
    {"\x1b" "i"sv, fixed(2), "set character expansion", expansion},
    {"\x1b" "W"sv, fixed(1), "set double-width expanded printing",
     [](Printer &p, const Command &c) { setWidth(p, hexDigit(c[0]) + 1); }},
    {"\x1b" "h"sv, fixed(1), "set double-height expanded printing",
     [](Printer &p, const Command &c) { setHeight(p, hexDigit(c[0]) + 1); }},
    {"\x1b\x1e" "F"sv, fixed(1), "select ANK font", font},
    {"\x1b" "M"sv, fixed(0), "select 12-dot pitch",
     [](Printer &p, const Command &) { pitch(p, 12); }},
    {"\x1b" "P"sv, fixed(0), "select 15-dot pitch",
     [](Printer &p, const Command &) { pitch(p, 15); }},
    {"\x1b:"sv, fixed(0), "select 16-dot pitch",
     [](Printer &p, const Command &) { pitch(p, 16); }},
    {"\x1b "sv, fixed(1), "set ANK right space",
     [](Printer &p, const Command &c) { p.style.rightSpacing = hexDigit(c[0]); }},
    {"\x1b" "s"sv, fixed(2), "set ANK and Kanji right space",
     [](Printer &p, const Command &c) {
         p.style.rightSpacing = hexDigit(c[0]);
         p.style.chineseRightSpacing = hexDigit(c[1]);
     }},
    {"\x1b\x1d" "t"sv, fixed(1), "select code page", codePage},
    {"\x1b" "R"sv, fixed(1), "select international character set", internationalSet},
    {"\x1b/"sv, fixed(1), "select slash zero", nothing},
    {"\x1b" "6"sv, fixed(0), "select character set 1", nothing},
    {"\x1b" "7"sv, fixed(0), "select character set 2", nothing},
    {"\x1b" "t"sv, fixed(1), "select Katakana/IBM character table", nothing},
    {"\x1b$"sv, fixed(1), "select/cancel Shift JIS Kanji mode", shiftJis},
    {"\x1b" "p"sv, fixed(0), "select JIS Kanji mode",
     [](Printer &p, const Command &) { p.kanjiMode = KanjiMode::Jis; }},
    {"\x1b" "q"sv, fixed(0), "cancel JIS Kanji mode",
     [](Printer &p, const Command &) {
         if (p.kanjiMode == KanjiMode::Jis)
             p.kanjiMode = KanjiMode::None;
     }},
    {"\x1b" "%"sv, fixed(1), "enable/disable download characters",
     [](Printer &p, const Command &c) { p.userCharacters = hexDigit(c[0]) & 1; }},
    {"\x1b&"sv, custom(downloadLength), "register download character", download},
    {"\x1b" "r"sv, fixed(74), "register Kanji download character",
     [](Printer &p, const Command &) { p.warn(u"Kanji download character not drawn"_s); }},
    {"\x1b\x1e" "R"sv, fixed(1), "select character code table set", nothing},
};
// clang-format on

} // namespace

std::span<const CommandSpec> textCommands()
{
    return Commands;
}

} // namespace emulator::star
