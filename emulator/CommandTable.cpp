#include "CommandTable.h"

#include "BitImage.h"
#include "CodeTables.h"
#include "Printer.h"

#include <algorithm>
#include <array>
#include <vector>

using namespace Qt::StringLiterals;
using namespace std::literals;

namespace emulator {

namespace {

// Parameter values 0-2 and their ASCII digits '0'-'2' mean the same to the printer.
int digit(int n)
{
    return (n >= '0' && n <= '9') ? n - '0' : n;
}

qsizetype pairAt(const uchar *p, qsizetype at)
{
    return p[at] | qsizetype(p[at + 1]) << 8;
}

// ESC ( x, GS ( x, FS ( x: pL pH give the length of what follows them.
qsizetype lengthPrefixed(const uchar *p, qsizetype available)
{
    return available < 5 ? 5 : 5 + pairAt(p, 3);
}

// GS 8 L: four length bytes, lowest first.
qsizetype lengthPrefixed32(const uchar *p, qsizetype available)
{
    if (available < 7)
        return 7;
    return 7
           + (qsizetype(p[3]) | qsizetype(p[4]) << 8 | qsizetype(p[5]) << 16
              | qsizetype(p[6]) << 24);
}

// ESC * m nL nH: nL + nH * 256 columns of one byte (8-dot modes) or three (24-dot modes).
qsizetype bitImageLength(const uchar *p, qsizetype available)
{
    if (available < 5)
        return 5;
    const int m = p[2];
    return 5 + pairAt(p, 3) * ((m == 32 || m == 33) ? 3 : 1);
}

// GS v 0 m xL xH yL yH: x bytes a row, y rows.
qsizetype rasterLength(const uchar *p, qsizetype available)
{
    return available < 8 ? 8 : 8 + pairAt(p, 4) * pairAt(p, 6);
}

// GS * x y: x * 8 columns of y bytes.
qsizetype downloadedImageLength(const uchar *p, qsizetype available)
{
    return available < 4 ? 4 : 4 + qsizetype(p[2]) * p[3] * 8;
}

// Up to `limit` bytes ended by NUL, the NUL included; unended, the limit is taken.
qsizetype nulEnded(const uchar *p, qsizetype available, qsizetype start, qsizetype limit)
{
    for (qsizetype i = start; i < available && i < start + limit; ++i) {
        if (p[i] == 0)
            return i + 1;
    }
    return available < start + limit ? available + 1 : start + limit;
}

// ESC D n1 ... nk NUL: at most 32 tab stops.
qsizetype tabStopsLength(const uchar *p, qsizetype available)
{
    return nulEnded(p, available, 2, 33);
}

// GS k m: m 0-6 takes data ended by NUL, m 65-73 a length byte and that many bytes.
qsizetype barcodeLength(const uchar *p, qsizetype available)
{
    if (available < 3)
        return 3;
    const int m = p[2];
    if (m <= 6)
        return nulEnded(p, available, 3, 256);
    if (m >= 65 && m <= 79)
        return available < 4 ? 4 : 4 + p[3];
    return 3;
}

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

// FS q n, then n images of xL xH yL yH and x * y * 8 bytes.
qsizetype nvBitImagesLength(const uchar *p, qsizetype available)
{
    if (available < 3)
        return 3;
    qsizetype at = 3;
    for (int image = 0; image < p[2]; ++image) {
        if (at + 4 > available)
            return at + 4;
        at += 4 + pairAt(p, at) * pairAt(p, at + 2) * 8;
    }
    return at;
}

// GS V m: m 0, 1, 48, 49 cut at once; m 65, 66 and 97-104 take a feed amount n.
qsizetype cutLength(const uchar *p, qsizetype available)
{
    if (available < 3)
        return 3;
    const int m = p[2];
    return (m == 65 || m == 66 || (m >= 97 && m <= 104)) ? 4 : 3;
}

// DLE EOT n takes a second parameter for n 7, 8 and 18.
qsizetype statusRequestLength(const uchar *p, qsizetype available)
{
    if (available < 3)
        return 3;
    const int n = p[2];
    return (n == 7 || n == 8 || n == 18) ? 4 : 3;
}

// DLE DC4 fn: the pulse (1) and power-off (2) forms take two parameters, the buzzer (3)
// five, the status transmission (7) one and buffer clearing (8) seven.
qsizetype realTimeCommandLength(const uchar *p, qsizetype available)
{
    if (available < 3)
        return 3;
    switch (p[2]) {
    case 3:
        return 8;
    case 7:
        return 4;
    case 8:
        return 10;
    default:
        return 5;
    }
}

// FS g 1 / FS g 2: NV user memory, write with data or read.
qsizetype userMemoryLength(const uchar *p, qsizetype available)
{
    if (available < 3)
        return 3;
    if (p[2] == '1')
        return available < 10 ? 10 : 10 + pairAt(p, 8);
    return 10;
}

void nothing(Printer &, const Command &) {}

void pictureScale(int m, int *scaleX, int *scaleY)
{
    const int mode = digit(m);
    *scaleX = (mode & 1) ? 2 : 1;
    *scaleY = (mode & 2) ? 2 : 1;
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

void justification(Printer &p, const Command &c)
{
    const int value = digit(c[0]);
    if (value > 2)
        return p.warn(u"justification out of range"_s);
    p.alignment = static_cast<Alignment>(value);
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

void absolutePosition(Printer &p, const Command &c)
{
    if (!p.buffer().moveTo(c.pair(0) * p.motionX))
        p.warn(u"absolute position beyond the print area ignored"_s);
}

void relativePosition(Printer &p, const Command &c)
{
    const int step = static_cast<qint16>(c.pair(0)) * p.motionX;
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
    if (!p.buffer().setLeftMargin(c.pair(0) * p.motionX))
        p.warn(u"left margin inside a line ignored"_s);
}

void areaWidth(Printer &p, const Command &c)
{
    if (!p.buffer().setAreaWidth(c.pair(0) * p.motionX))
        p.warn(u"print area width inside a line ignored"_s);
}

void bitImage(Printer &p, const Command &c)
{
    // 8-dot modes print each bit three dots high; single density prints each column twice.
    const int m = c[0];
    const int columns = c.pair(1);
    const bool tall = m == 32 || m == 33;
    if (m != 0 && m != 1 && !tall)
        p.warn(u"bit image mode out of range"_s);
    const int scaleX = (m == 0 || m == 32) ? 2 : 1;
    const QImage bits = BitImage::fromColumns(c.from(3), columns, tall ? 3 : 1);
    p.addLineImage(bits, scaleX, tall ? 1 : 3, 0);
}

void rasterImage(Printer &p, const Command &c)
{
    int scaleX = 1;
    int scaleY = 1;
    if (digit(c[0]) > 3)
        p.warn(u"raster image mode out of range"_s);
    pictureScale(c[0], &scaleX, &scaleY);
    p.addPicture(
            BitImage::fromRows(c.from(5), c.pair(1), c.pair(3)), scaleX, scaleY, u"raster image"_s);
}

void downloadedImage(Printer &p, const Command &c)
{
    p.downloadedBitImage = BitImage::fromColumns(c.from(2), c[0] * 8, c[1]);
}

void printDownloadedImage(Printer &p, const Command &c)
{
    if (p.downloadedBitImage.isNull())
        return p.warn(u"downloaded bit image printed before one was defined"_s);
    int scaleX = 1;
    int scaleY = 1;
    pictureScale(c[0], &scaleX, &scaleY);
    p.addPicture(p.downloadedBitImage, scaleX, scaleY, u"downloaded bit image"_s);
}

void printNvImage(Printer &p, const Command &c)
{
    const int n = c[0];
    if (n < 1 || n > p.nvBitImages.size())
        return p.warn(u"NV bit image printed that is not defined"_s);
    int scaleX = 1;
    int scaleY = 1;
    pictureScale(c[1], &scaleX, &scaleY);
    p.addPicture(p.nvBitImages.at(n - 1), scaleX, scaleY, u"NV bit image %1"_s.arg(n));
}

void barcode(Printer &p, const Command &c)
{
    const int m = c[0];
    if (m <= 6) {
        const QByteArrayView data = c.from(1);
        if (data.isEmpty() || data.back() != 0)
            return p.warn(u"barcode data without its NUL end, dropped"_s);
        return p.printBarcode(static_cast<Symbology>(m), data.chopped(1));
    }
    if (m >= 65 && m <= 73)
        return p.printBarcode(static_cast<Symbology>(m - 65), c.from(2));
    p.warn(m >= 74 ? u"barcode system not drawn (GS1 DataBar)"_s : u"barcode system unknown"_s);
}

void cut(Printer &p, const Command &c)
{
    const int m = c[0];
    const int mode = digit(m);
    if (c.size() == 4) {
        // Feed to the cutting position plus n dots, then cut.
        p.feedDots(c[1] * p.motionY);
        p.cut((m == 66 || m == 98 || m == 100 || m == 102 || m == 104) ? CutKind::Partial
                                                                       : CutKind::Full);
        return;
    }
    if (mode > 1)
        return p.warn(u"cut mode out of range"_s);
    p.cut(mode == 1 ? CutKind::Partial : CutKind::Full);
}

void statusRequest(Printer &p, const Command &c)
{
    const int n = c[0];
    switch (n) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 20:
        return p.reply(p.status().reply(n));
    case 7:
    case 8:
    case 18:
        // Ink, peeler and interface status: this printer has none of them to report.
        return p.reply(QByteArray(1, char(0x12)));
    default:
        p.warn(u"real-time status request of an unknown kind"_s);
    }
}

void paperSensorStatus(Printer &p, const Command &c)
{
    const int n = digit(c[0]);
    if (n == 1) {
        p.reply(QByteArray(1, p.status().paperSensors()));
    } else if (n == 2 || n == 4) {
        p.reply(QByteArray(1, char(0))); // drawer pin low; no ink to report
    } else {
        p.warn(u"status transmission of an unknown kind"_s);
    }
}

void printerId(Printer &p, const Command &c)
{
    // One byte for the numbered IDs; "_", the text and NUL for the named ones.
    const bool chinese = p.profile().chineseAtPowerUp;
    auto named = [&p](const QByteArray &text) {
        p.reply('_' + text + '\0');
    };
    switch (c[0]) {
    case 1:
    case 49:
        return p.reply(QByteArray(1, char(0x20)));
    case 2:
    case 50:
        return p.reply(QByteArray(1, char(0x03))); // multi-byte characters, cutter fitted
    case 3:
    case 51:
        return p.reply(QByteArray(1, char(0x10)));
    case 65:
        return named("1.00");
    case 66:
        return named("Thermal Printer Demo");
    case 67:
        return named(p.profile().paperDots == PaperDots58 ? "Virtual Printer 58"
                                                          : "Virtual Printer 80");
    case 68:
        return named("VP00000001");
    case 69:
        return named(chinese ? "CHINA GB18030" : "ANK");
    default:
        p.warn(u"printer ID of an unknown kind"_s);
    }
}

void automaticStatus(Printer &p, const Command &c)
{
    p.automaticStatusMask = c[0];
    if (c[0] != 0)
        p.reply(p.automaticStatus());
}

void drawerPulse(Printer &p, const Command &c)
{
    // On for t1 and off for t2 times 2 ms.
    p.pulseDrawer(digit(c[0]) == 1 ? 5 : 2, c[1] * 2, c[2] * 2);
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

void beep(Printer &p, const Command &c)
{
    p.beep(c.size() > 3 ? c[0] : 1);
}

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

void motionUnits(Printer &p, const Command &c)
{
    // Units of 1/x and 1/y inch; 0 keeps the printer's own 1/203 inch, a dot.
    if (c[0] > 0)
        p.motionX = qMax(1, qRound(203.0 / c[0]));
    if (c[1] > 0)
        p.motionY = qMax(1, qRound(203.0 / c[1]));
}

void skipped(Printer &p, const Command &)
{
    p.warn(u"command of an unknown function skipped by its length"_s);
}

constexpr std::string_view ESC = "\x1b";
constexpr std::string_view GS = "\x1d";
constexpr std::string_view FS = "\x1c";

// clang-format off
const CommandSpec table[] = {
    // Single control bytes.
    {"\x0a"sv, 0, nullptr, "print and line feed",
     [](Printer &p, const Command &) { p.printLine(p.lineSpacing); }},
    {"\x09"sv, 0, nullptr, "horizontal tab", tab},
    {"\x0d"sv, 0, nullptr, "carriage return (a line feed alone prints the line)", nothing},
    {"\x0c"sv, 0, nullptr, "print and return to standard mode", pageModePrint},
    {"\x18"sv, 0, nullptr, "cancel print data in page mode",
     [](Printer &p, const Command &) { p.buffer().cancel(); }},

    // ESC: characters, line spacing, positions and paper.
    {"\x1b\x0c"sv, 0, nullptr, "print data in page mode", pageModePrint},
    {"\x1b "sv, 1, nullptr, "set right-side character spacing",
     [](Printer &p, const Command &c) { p.style.rightSpacing = c[0]; }},
    {"\x1b!"sv, 1, nullptr, "select print mode", printMode},
    {"\x1b$"sv, 2, nullptr, "set absolute print position", absolutePosition},
    {"\x1b%"sv, 1, nullptr, "select/cancel user-defined character set",
     [](Printer &p, const Command &c) { p.userCharacters = c[0] & 1; }},
    {"\x1b&"sv, 0, userCharactersLength, "define user-defined characters",
     [](Printer &p, const Command &c) { p.defineUserCharacters(c.from(0)); }},
    {"\x1b*"sv, 0, bitImageLength, "select bit-image mode", bitImage},
    {"\x1b-"sv, 1, nullptr, "turn underline mode on/off",
     [](Printer &p, const Command &c) { underline(p, c, &p.style.underline); }},
    {"\x1b" "2"sv, 0, nullptr, "select default line spacing",
     [](Printer &p, const Command &) { p.lineSpacing = Printer::DefaultLineSpacing; }},
    {"\x1b" "3"sv, 1, nullptr, "set line spacing",
     [](Printer &p, const Command &c) { p.lineSpacing = c[0] * p.motionY; }},
    {"\x1b" "4"sv, 1, nullptr, "turn italic on/off",
     [](Printer &p, const Command &c) { p.style.italic = c[0] & 1; }},
    {"\x1b="sv, 1, nullptr, "select peripheral device", nothing},
    {"\x1b?"sv, 1, nullptr, "cancel user-defined character",
     [](Printer &p, const Command &c) { p.cancelUserCharacter(c[0]); }},
    {"\x1b@"sv, 0, nullptr, "initialize printer",
     [](Printer &p, const Command &) { p.initialise(); }},
    {"\x1b" "B"sv, 2, nullptr, "buzzer", beep},
    {"\x1b" "D"sv, 0, tabStopsLength, "set horizontal tab positions", tabStops},
    {"\x1b" "E"sv, 1, nullptr, "turn emphasized mode on/off",
     [](Printer &p, const Command &c) { p.style.emphasized = c[0] & 1; }},
    {"\x1b" "G"sv, 1, nullptr, "turn double-strike mode on/off",
     [](Printer &p, const Command &c) { p.style.doubleStrike = c[0] & 1; }},
    {"\x1b" "J"sv, 1, nullptr, "print and feed paper",
     [](Printer &p, const Command &c) { p.feedDots(c[0] * p.motionY); }},
    {"\x1b" "L"sv, 0, nullptr, "select page mode", pageMode},
    {"\x1b" "M"sv, 1, nullptr, "select character font",
     [](Printer &p, const Command &c) { p.style.fontB = digit(c[0]) & 1; }},
    {"\x1b" "R"sv, 1, nullptr, "select an international character set", internationalSet},
    {"\x1b" "S"sv, 0, nullptr, "select standard mode",
     [](Printer &p, const Command &) { p.pageMode = false; }},
    {"\x1b" "T"sv, 1, nullptr, "select print direction in page mode", nothing},
    {"\x1b" "V"sv, 1, nullptr, "turn 90-degree clockwise rotation on/off",
     [](Printer &p, const Command &c) { p.style.rotated = digit(c[0]) == 1 || digit(c[0]) == 2; }},
    {"\x1b" "W"sv, 8, nullptr, "set print area in page mode", nothing},
    {"\x1b\\"sv, 2, nullptr, "set relative print position", relativePosition},
    {"\x1b" "a"sv, 1, nullptr, "select justification", justification},
    {"\x1b" "c"sv, 2, nullptr, "select paper sensors or panel buttons", nothing},
    {"\x1b" "d"sv, 1, nullptr, "print and feed n lines",
     [](Printer &p, const Command &c) { p.feedLines(c[0]); }},
    {"\x1b" "e"sv, 1, nullptr, "print and reverse feed n lines",
     [](Printer &p, const Command &c) {
         p.printPending();
         p.addNote(u"reverse feed %1 line(s)"_s.arg(c[0]));
     }},
    {"\x1b" "i"sv, 0, nullptr, "full cut",
     [](Printer &p, const Command &) { p.cut(CutKind::Full); }},
    {"\x1b" "m"sv, 0, nullptr, "partial cut",
     [](Printer &p, const Command &) { p.cut(CutKind::Partial); }},
    {"\x1b" "p"sv, 3, nullptr, "generate pulse", drawerPulse},
    {"\x1b" "r"sv, 1, nullptr, "select print color",
     [](Printer &p, const Command &c) {
         if (digit(c[0]) == 1)
             p.warn(u"second colour printed black"_s);
     }},
    {"\x1b" "t"sv, 1, nullptr, "select character code table", codeTable},
    {"\x1b" "u"sv, 1, nullptr, "transmit peripheral device status",
     [](Printer &p, const Command &) { p.reply(QByteArray(1, char(0))); }},
    {"\x1b" "v"sv, 0, nullptr, "transmit paper sensor status",
     [](Printer &p, const Command &) { p.reply(QByteArray(1, p.status().paperSensors())); }},
    {"\x1b" "x"sv, 1, nullptr, "select print speed",
     [](Printer &p, const Command &c) {
         static const QString speeds[] = {u"low"_s, u"middle"_s, u"high"_s};
         p.addNote(u"speed: "_s + (c[0] <= 2 ? speeds[c[0]] : QString::number(c[0])));
     }},
    {"\x1b{"sv, 1, nullptr, "turn upside-down printing on/off",
     [](Printer &p, const Command &c) { p.upsideDown = c[0] & 1; }},
    {"\x1b(A"sv, 0, lengthPrefixed, "buzzer", beep},
    {"\x1b("sv, 0, lengthPrefixed, "extended ESC ( function", skipped},

    // GS: sizes, barcodes, images, layout, status.
    {"\x1d!"sv, 1, nullptr, "select character size", characterSize},
    {"\x1d$"sv, 2, nullptr, "set absolute vertical print position in page mode", nothing},
    {"\x1d(k"sv, 0, lengthPrefixed, "two-dimensional code",
     [](Printer &p, const Command &c) { p.twoDimensionalCode(c.from(2)); }},
    {"\x1d(L"sv, 0, lengthPrefixed, "graphics",
     [](Printer &p, const Command &c) { p.graphics(c.from(2)); }},
    {"\x1d" "8L"sv, 0, lengthPrefixed32, "graphics",
     [](Printer &p, const Command &c) { p.graphics(c.from(4)); }},
    {"\x1d(A"sv, 0, lengthPrefixed, "execute test print",
     [](Printer &p, const Command &) { p.addNote(u"test print"_s); }},
    {"\x1d("sv, 0, lengthPrefixed, "extended GS ( function", skipped},
    {"\x1d*"sv, 0, downloadedImageLength, "define downloaded bit image", downloadedImage},
    {"\x1d/"sv, 1, nullptr, "print downloaded bit image", printDownloadedImage},
    {"\x1d:"sv, 0, nullptr, "start/end macro definition",
     [](Printer &p, const Command &) { p.warn(u"macro not stored; its commands act at once"_s); }},
    {"\x1d" "B"sv, 1, nullptr, "turn white/black reverse print mode on/off",
     [](Printer &p, const Command &c) { p.style.reverse = c[0] & 1; }},
    {"\x1d" "H"sv, 1, nullptr, "select print position of HRI characters",
     [](Printer &p, const Command &c) {
         if (digit(c[0]) > 3)
             return p.warn(u"HRI position out of range"_s);
         p.barcode.hri = static_cast<HriPosition>(digit(c[0]));
     }},
    {"\x1d" "I"sv, 1, nullptr, "transmit printer ID", printerId},
    {"\x1d" "L"sv, 2, nullptr, "set left margin", leftMargin},
    {"\x1d" "P"sv, 2, nullptr, "set horizontal and vertical motion units", motionUnits},
    {"\x1d" "V"sv, 0, cutLength, "select cut mode and cut paper", cut},
    {"\x1d" "W"sv, 2, nullptr, "set print area width", areaWidth},
    {"\x1d\\"sv, 2, nullptr, "set relative vertical print position in page mode", nothing},
    {"\x1d^"sv, 3, nullptr, "execute macro",
     [](Printer &p, const Command &) { p.warn(u"macro not run"_s); }},
    {"\x1d" "a"sv, 1, nullptr, "enable/disable automatic status back", automaticStatus},
    {"\x1d" "b"sv, 1, nullptr, "turn smoothing mode on/off", nothing},
    {"\x1d" "f"sv, 1, nullptr, "select font for HRI characters",
     [](Printer &p, const Command &c) { p.barcode.hriFontB = digit(c[0]) & 1; }},
    {"\x1d" "h"sv, 1, nullptr, "set barcode height",
     [](Printer &p, const Command &c) {
         if (c[0] == 0)
             return p.warn(u"barcode height 0 ignored"_s);
         p.barcode.height = c[0];
     }},
    {"\x1d" "k"sv, 0, barcodeLength, "print barcode", barcode},
    {"\x1d" "r"sv, 1, nullptr, "transmit status", paperSensorStatus},
    {"\x1d" "v0"sv, 0, rasterLength, "print raster bit image", rasterImage},
    {"\x1d" "w"sv, 1, nullptr, "set barcode width",
     [](Printer &p, const Command &c) {
         if (c[0] < 1 || c[0] > 6)
             return p.warn(u"barcode module width out of range"_s);
         p.barcode.moduleWidth = c[0];
     }},
    {"\x1d|"sv, 1, nullptr, "select print density",
     [](Printer &p, const Command &c) { p.addNote(u"density: %1"_s.arg(c[0])); }},
    {"\x1d~"sv, 1, nullptr, "select subscript/superscript",
     [](Printer &p, const Command &c) {
         p.style.script = c[0] == 0 ? Script::Subscript
                          : c[0] == 1 ? Script::Superscript : Script::Normal;
     }},
    {"\x1d\x0c"sv, 0, nullptr, "feed marked paper to print starting position",
     [](Printer &p, const Command &) {
         p.printPending();
         p.addBlock(BlackMark{});
     }},
    {"\x1d\xf6"sv, 0, nullptr, "feed to the next black mark",
     [](Printer &p, const Command &) {
         p.printPending();
         p.addBlock(BlackMark{});
     }},

    // FS: Chinese characters and NV bit images.
    {"\x1c!"sv, 1, nullptr, "select print mode for Chinese characters", chinesePrintMode},
    {"\x1c&"sv, 0, nullptr, "select Chinese character mode",
     [](Printer &p, const Command &) { p.chineseMode = true; }},
    {"\x1c-"sv, 1, nullptr, "turn underline mode on/off for Chinese characters",
     [](Printer &p, const Command &c) { underline(p, c, &p.style.chineseUnderline); }},
    {"\x1c."sv, 0, nullptr, "cancel Chinese character mode",
     [](Printer &p, const Command &) { p.chineseMode = false; }},
    {"\x1c" "2"sv, 74, nullptr, "define user-defined Chinese character",
     [](Printer &p, const Command &) { p.warn(u"user-defined Chinese character not drawn"_s); }},
    {"\x1c" "C"sv, 1, nullptr, "select Chinese character code system", nothing},
    {"\x1c" "S"sv, 2, nullptr, "set Chinese character spacing",
     [](Printer &p, const Command &c) {
         p.style.chineseLeftSpacing = c[0];
         p.style.chineseRightSpacing = c[1];
     }},
    {"\x1c" "W"sv, 1, nullptr, "turn quadruple-size mode on/off for Chinese characters",
     [](Printer &p, const Command &c) {
         p.style.chineseWidth = p.style.chineseHeight = (c[0] & 1) ? 2 : 1;
     }},
    {"\x1c" "g"sv, 0, userMemoryLength, "NV user memory",
     [](Printer &p, const Command &c) {
         if (c[0] == '2')
             p.warn(u"NV user memory read not answered"_s);
     }},
    {"\x1c" "p"sv, 2, nullptr, "print NV bit image", printNvImage},
    {"\x1c" "q"sv, 0, nvBitImagesLength, "define NV bit image",
     [](Printer &p, const Command &c) { p.defineNvBitImages(c.from(0)); }},
    {"\x1c("sv, 0, lengthPrefixed, "extended FS ( function", skipped},

    // DLE: real-time commands.
    {"\x10\x04"sv, 0, statusRequestLength, "transmit real-time status", statusRequest},
    {"\x10\x05"sv, 1, nullptr, "send real-time request to printer",
     [](Printer &p, const Command &c) {
         if (c[0] == 2)
             p.buffer().cancel(); // recover after clearing the buffers
     }},
    {"\x10\x14"sv, 0, realTimeCommandLength, "real-time command",
     [](Printer &p, const Command &c) {
         if (c[0] == 1)
             p.pulseDrawer(c[1] == 1 ? 5 : 2, c[2] * 100, c[2] * 100); // t times 100 ms
         else if (c[0] == 8)
             p.buffer().cancel();
         else if (c[0] == 7)
             p.reply(p.status().reply(1));
     }},
};
// clang-format on

// Commands by their first two bytes, longer prefixes first.
struct Index
{
    std::array<std::vector<const CommandSpec *>, size_t(256) * 5> byPrefix;
    static int slot(uchar first, uchar second)
    {
        switch (first) {
        case 0x1B:
            return 256 + second;
        case 0x1D:
            return 2 * 256 + second;
        case 0x1C:
            return 3 * 256 + second;
        case 0x10:
            return 4 * 256 + second;
        default:
            return first;
        }
    }
    Index()
    {
        for (const CommandSpec &spec : table) {
            const auto first = static_cast<uchar>(spec.prefix[0]);
            const auto second = spec.prefix.size() > 1 ? static_cast<uchar>(spec.prefix[1]) : 0;
            auto &list = byPrefix[size_t(slot(first, second))];
            list.push_back(&spec);
            std::stable_sort(list.begin(), list.end(), [](auto *a, auto *b) {
                return a->prefix.size() > b->prefix.size();
            });
        }
    }
};

const Index &index()
{
    static const Index built;
    return built;
}

bool isCommandByte(uchar byte)
{
    return byte == 0x1B || byte == 0x1D || byte == 0x1C || byte == 0x10;
}

} // namespace

const CommandSpec *CommandTable::find(const uchar *bytes, qsizetype available, bool *needMore)
{
    *needMore = false;
    const uchar first = bytes[0];
    if (isCommandByte(first) && available < 2) {
        *needMore = true;
        return nullptr;
    }
    const uchar second = isCommandByte(first) ? bytes[1] : 0;
    for (const CommandSpec *spec : index().byPrefix[size_t(Index::slot(first, second))]) {
        const auto size = qsizetype(spec->prefix.size());
        const qsizetype compared = qMin(size, available);
        if (std::string_view(reinterpret_cast<const char *>(bytes), size_t(compared))
            != spec->prefix.substr(0, size_t(compared)))
            continue;
        if (compared < size) {
            *needMore = true;
            return nullptr;
        }
        return spec;
    }
    return nullptr;
}

qsizetype CommandTable::length(const CommandSpec &spec, const uchar *bytes, qsizetype available)
{
    if (spec.length)
        return spec.length(bytes, available);
    return qsizetype(spec.prefix.size()) + spec.parameters;
}

qsizetype CommandTable::unknownLength(const uchar *bytes)
{
    return bytes[0] == 0x1B ? 3 : 2;
}

} // namespace emulator
