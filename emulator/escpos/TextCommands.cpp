// Characters: print modes, sizes, styles, fonts, code tables, user-defined and Chinese
// characters.
#include "BitImage.h"
#include "CodeTables.h"
#include "CommandSpec.h"
#include "Printer.h"

using namespace Qt::StringLiterals;
using namespace std::literals;

namespace emulator {

namespace {

// ESC & y c1 c2, then for each character c1..c2 its width x and y * x bytes.
qsizetype userCharactersLength(const uchar *p, qsizetype available)
{
    if (available < 5)
        return 5;
    const int y = p[2];
    const int c1 = p[3];
    const int c2 = p[4];
    if (y < 1 || y > 3 || c1 < 32 || c2 > 126 || c1 > c2)
        return 5;
    qsizetype at = 5;
    for (int c = c1; c <= c2; ++c) {
        if (at >= available)
            return available + 1;
        at += 1 + qsizetype(y) * p[at];
    }
    return at;
}

// ESC & y c1 c2 [x d1...d(y * x)]...: characters c1 to c2 of the font in force, each x dots
// wide and y bytes high, in columns; each stands in a full-height cell of its font.
void defineUserCharacters(Printer &p, const Command &c)
{
    const QByteArrayView parameters = c.from(0);
    const auto *bytes = reinterpret_cast<const uchar *>(parameters.data());
    const qsizetype size = parameters.size();
    const int y = c[0];
    const int c1 = c[1];
    const int c2 = c[2];
    if (y < 1 || y > 3 || c1 < 32 || c2 > 126 || c1 > c2)
        return p.warn(u"user-defined characters out of range"_s);
    const int widest = p.style.fontB ? 9 : 12;
    qsizetype at = 3;
    for (int code = c1; code <= c2 && at < size; ++code) {
        const int x = bytes[at];
        const QByteArrayView dots = parameters.sliced(at + 1).first(
                std::min<qsizetype>(qsizetype(y) * x, size - at - 1));
        at += 1 + qsizetype(y) * x;
        if (x > widest) {
            p.warn(u"user-defined character wider than its font"_s);
            continue;
        }
        QImage glyph = BitImage::blank(widest, p.style.fontB ? 17 : 24);
        const QImage drawn = BitImage::fromColumns(dots, x, y);
        for (int row = 0; row < std::min(drawn.height(), glyph.height()); ++row) {
            for (int column = 0; column < x; ++column) {
                if (drawn.pixelIndex(column, row))
                    glyph.setPixel(column, row, 1);
            }
        }
        p.userGlyphs.insert(int(p.style.fontB) << 8 | code, {x, glyph});
    }
}

void printMode(Printer &p, const Command &c)
{
    const int n = c[0];
    p.style.fontB = n & 0x01;
    p.style.emphasized = n & 0x08;
    p.style.heightMultiplier = (n & 0x10) ? 2 : 1;
    p.style.widthMultiplier = (n & 0x20) ? 2 : 1;
    p.style.underline = (n & 0x80) ? 1 : 0;
}

void chinesePrintMode(Printer &p, const Command &c)
{
    const int n = c[0];
    p.style.chineseWidth = (n & 0x04) ? 2 : 1;
    p.style.chineseHeight = (n & 0x08) ? 2 : 1;
    p.style.chineseUnderline = (n & 0x80) ? 1 : 0;
}

void underline(Printer &p, const Command &c, int *thickness)
{
    const int value = digit(c[0]);
    if (value > 2)
        return p.warn(u"underline thickness out of range"_s);
    *thickness = value;
}

void characterSize(Printer &p, const Command &c)
{
    const int width = (c[0] >> 4) + 1;
    const int height = (c[0] & 0x0F) + 1;
    if (width > 8 || height > 8)
        return p.warn(u"character size out of range"_s);
    p.style.widthMultiplier = p.style.chineseWidth = width;
    p.style.heightMultiplier = p.style.chineseHeight = height;
}

void codeTable(Printer &p, const Command &c)
{
    if (!CodeTables::isKnown(c[0]))
        return p.warn(u"code table %1 unknown, kept the previous one"_s.arg(c[0]));
    p.codeTable = c[0];
}

void internationalSet(Printer &p, const Command &c)
{
    if (!CodeTables::isKnownInternational(c[0]))
        return p.warn(u"international character set %1 unknown"_s.arg(c[0]));
    p.internationalSet = c[0];
}

void nothing(Printer &, const Command &) {}

// FS ( A: the Chinese character font.
constexpr Function ChineseFont[] = {
        {48, -1, "select Kanji character font", nothing},
};

// FS ( C: how character codes are read; only single bytes and code page 936 are printed here.
constexpr Function Encoding[] = {
        {48,
         -1,
         "select character encode system",
         [](Printer &p, const Command &c) {
             if (digit(c[1]) == 2)
                 p.warn(u"UTF-8 character encoding not supported; bytes read as before"_s);
         }},
};

// clang-format off
constexpr CommandSpec Commands[] = {
    {"\x1b "sv, fixed(1), "set right-side character spacing",
     [](Printer &p, const Command &c) { p.style.rightSpacing = c[0]; }},
    {"\x1b!"sv, fixed(1), "select print mode", printMode},
    {"\x1b%"sv, fixed(1), "select/cancel user-defined character set",
     [](Printer &p, const Command &c) { p.userCharacters = c[0] & 1; }},
    {"\x1b&"sv, custom(userCharactersLength), "define user-defined characters",
     defineUserCharacters},
    {"\x1b-"sv, fixed(1), "turn underline mode on/off",
     [](Printer &p, const Command &c) { underline(p, c, &p.style.underline); }},
    {"\x1b" "4"sv, fixed(1), "turn italic on/off",
     [](Printer &p, const Command &c) { p.style.italic = c[0] & 1; }},
    {"\x1b?"sv, fixed(1), "cancel user-defined character",
     [](Printer &p, const Command &c) {
         // The character of the font in force; the built-in one prints again.
         p.userGlyphs.remove(int(p.style.fontB) << 8 | c[0]);
     }},
    {"\x1b" "E"sv, fixed(1), "turn emphasized mode on/off",
     [](Printer &p, const Command &c) { p.style.emphasized = c[0] & 1; }},
    {"\x1b" "G"sv, fixed(1), "turn double-strike mode on/off",
     [](Printer &p, const Command &c) { p.style.doubleStrike = c[0] & 1; }},
    {"\x1b" "M"sv, fixed(1), "select character font",
     [](Printer &p, const Command &c) { p.style.fontB = digit(c[0]) & 1; }},
    {"\x1b" "R"sv, fixed(1), "select an international character set", internationalSet},
    {"\x1b" "V"sv, fixed(1), "turn 90-degree clockwise rotation on/off",
     [](Printer &p, const Command &c) { p.style.rotated = digit(c[0]) == 1 || digit(c[0]) == 2; }},
    {"\x1b" "r"sv, fixed(1), "select print color",
     [](Printer &p, const Command &c) {
         if (digit(c[0]) == 1)
             p.warn(u"second colour printed black"_s);
     }},
    {"\x1b" "t"sv, fixed(1), "select character code table", codeTable},
    {"\x1b{"sv, fixed(1), "turn upside-down printing on/off",
     [](Printer &p, const Command &c) { p.upsideDown = c[0] & 1; }},
    {"\x1d!"sv, fixed(1), "select character size", characterSize},
    {"\x1d" "B"sv, fixed(1), "turn white/black reverse print mode on/off",
     [](Printer &p, const Command &c) { p.style.reverse = c[0] & 1; }},
    {"\x1d" "b"sv, fixed(1), "turn smoothing mode on/off", nothing},
    {"\x1d~"sv, fixed(1), "select subscript/superscript",
     [](Printer &p, const Command &c) {
         p.style.script = c[0] == 0 ? Script::Subscript
                          : c[0] == 1 ? Script::Superscript : Script::Normal;
     }},
    {"\x1c!"sv, fixed(1), "select print mode for Chinese characters", chinesePrintMode},
    {"\x1c&"sv, fixed(0), "select Chinese character mode",
     [](Printer &p, const Command &) { p.chineseMode = true; }},
    {"\x1c-"sv, fixed(1), "turn underline mode on/off for Chinese characters",
     [](Printer &p, const Command &c) { underline(p, c, &p.style.chineseUnderline); }},
    {"\x1c."sv, fixed(0), "cancel Chinese character mode",
     [](Printer &p, const Command &) { p.chineseMode = false; }},
    {"\x1c" "2"sv, fixed(74), "define user-defined Chinese character",
     [](Printer &p, const Command &) { p.warn(u"user-defined Chinese character not drawn"_s); }},
    {"\x1c" "C"sv, fixed(1), "select Chinese character code system", nothing},
    {"\x1c" "S"sv, fixed(2), "set Chinese character spacing",
     [](Printer &p, const Command &c) {
         p.style.chineseLeftSpacing = c[0];
         p.style.chineseRightSpacing = c[1];
     }},
    {"\x1c" "W"sv, fixed(1), "turn quadruple-size mode on/off for Chinese characters",
     [](Printer &p, const Command &c) {
         p.style.chineseWidth = p.style.chineseHeight = (c[0] & 1) ? 2 : 1;
     }},
    {"\x1c(A"sv, pLpH(), "select Kanji character style", nullptr, ChineseFont},
    {"\x1c(C"sv, pLpH(), "select character encode system", nullptr, Encoding},
};
// clang-format on

} // namespace

std::span<const CommandSpec> textCommands()
{
    return Commands;
}

} // namespace emulator
