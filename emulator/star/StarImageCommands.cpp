// What prints as dots: bit images, raster images, barcodes, QR codes and PDF417.
#include "BitImage.h"
#include "Printer.h"
#include "StarCommands.h"
#include "SymbolEncoder.h"

using namespace Qt::StringLiterals;
using namespace std::literals;

namespace emulator::star {

namespace {

qsizetype pairAt(const uchar *p, qsizetype at)
{
    return p[at] | qsizetype(p[at + 1]) << 8;
}

// ESC K n1 n2, ESC L n1 n2: n columns of one byte; ESC X n1 n2: of three bytes.
template<int BytesPerColumn>
qsizetype columnsLength(const uchar *p, qsizetype available)
{
    return available < 4 ? 4 : 4 + pairAt(p, 2) * BytesPerColumn;
}

// ESC k n1 n2: 24 rows of n bytes.
qsizetype bandLength(const uchar *p, qsizetype available)
{
    return available < 4 ? 4 : 4 + pairAt(p, 2) * 24;
}

// ESC GS S m xL xH yL yH n: y rows of x bytes.
qsizetype rasterLength(const uchar *p, qsizetype available)
{
    return available < 9 ? 9 : 9 + pairAt(p, 4) * pairAt(p, 6);
}

// ESC b n1 n2 n3 n4 data RS: the data ends at RS.
qsizetype barcodeLength(const uchar *p, qsizetype available)
{
    constexpr qsizetype Limit = 6 + 255;
    for (qsizetype i = 6; i < available && i < Limit; ++i) {
        if (p[i] == 0x1E)
            return i + 1;
    }
    return available < Limit ? available + 1 : Limit;
}

// ESC GS y D 1 m nL nH data and ESC GS x D nL nH data.
qsizetype qrDataLength(const uchar *p, qsizetype available)
{
    return available < 8 ? 8 : 8 + pairAt(p, 6);
}

qsizetype pdf417DataLength(const uchar *p, qsizetype available)
{
    return available < 6 ? 6 : 6 + pairAt(p, 4);
}

// 8-dot images print each bit three dots high; normal density prints each column twice.
void columns(Printer &p, const Command &c, int bytesPerColumn, int scaleX)
{
    const QImage bits = BitImage::fromColumns(c.from(2), c.pair(0), bytesPerColumn);
    p.addLineImage(bits, scaleX, bytesPerColumn == 1 ? 3 : 1, 0);
}

// A band of 24 rows stands in the line like a bit image; LF prints it.
void band(Printer &p, const Command &c)
{
    p.addLineImage(BitImage::fromRows(c.from(2), c.pair(0), 24), 1, 1, 0);
}

void raster(Printer &p, const Command &c)
{
    p.addPicture(BitImage::fromRows(c.from(6), c.pair(1), c.pair(3)), 1, 1, u"raster image"_s);
}

// Star numbers the symbologies 0 UPC-E, 1 UPC-A, 2 JAN/EAN-8, 3 JAN/EAN-13, 4 Code 39, 5 ITF,
// 6 Code 128, 7 Code 93, 8 NW-7.
constexpr Symbology Symbologies[] = {Symbology::UpcE,
                                     Symbology::UpcA,
                                     Symbology::Jan8,
                                     Symbology::Jan13,
                                     Symbology::Code39,
                                     Symbology::Itf,
                                     Symbology::Code128,
                                     Symbology::Code93,
                                     Symbology::Codabar};

// Code 128 data as the printer takes it: printable ASCII, with "%" then a letter for the
// control characters; the printer picks the code sets. Written the ESC/POS way: code set C for
// an even run of digits, else B, switching to A for a control character.
QByteArray code128(QByteArrayView data)
{
    QByteArray plain;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char ch = data[i];
        if (ch == '%' && i + 1 < data.size()) {
            const char next = data[++i];
            plain += next == '0' ? '%' : next == '5' ? '\x7f' : char(next - 64);
        } else {
            plain += ch;
        }
    }
    const bool digits = !plain.isEmpty() && plain.size() % 2 == 0
                        && std::all_of(plain.cbegin(), plain.cend(), [](char d) {
                               return d >= '0' && d <= '9';
                           });
    if (digits) {
        QByteArray packed("{C");
        for (qsizetype i = 0; i < plain.size(); i += 2)
            packed += char((plain[i] - '0') * 10 + plain[i + 1] - '0');
        return packed;
    }
    QByteArray coded("{B");
    bool setA = false;
    for (const char ch : plain) {
        const bool control = uchar(ch) < 0x20;
        if (control != setA) {
            coded += control ? "{A" : "{B";
            setA = control;
        }
        coded += ch;
        if (ch == '{')
            coded += '{';
    }
    return coded;
}

// ESC b n1 n2 n3 n4: n1 the symbology, n2 whether the characters print under the bars (1 and
// 3 no, 2 and 4 yes; 1 and 2 then return to the line's start, as the barcode does here), n3 the
// bar width, n4 the height in dots.
void barcode(Printer &p, const Command &c)
{
    const int type = hexDigit(c[0]);
    if (type > 8)
        return p.warn(u"barcode type out of range"_s);
    const Symbology symbology = Symbologies[type];
    const int mode = hexDigit(c[1]);
    const int width = hexDigit(c[2]);
    p.barcode.hri = (mode == 2 || mode == 4) ? HriPosition::Below : HriPosition::None;
    p.barcode.height = qMax(1, c[3]);
    // Narrow-wide symbologies take modes 1-9 (three ratios a width); the others 1-3 modules of
    // 2-4 dots.
    const bool narrowWide = symbology == Symbology::Code39 || symbology == Symbology::Itf
                            || symbology == Symbology::Codabar;
    p.barcode.moduleWidth = narrowWide ? (qMax(1, width) - 1) / 3 + 2 : qBound(2, width + 1, 4);
    const QByteArrayView data = c.from(4).chopped(1);
    p.printBarcode(symbology, symbology == Symbology::Code128 ? code128(data) : data);
}

void qrPrint(Printer &p, const Command &)
{
    const SymbolSettings::Qr &qr = p.symbols.qr;
    const EncodedSymbol symbol = SymbolEncoder::qrCode(qr.data, qr.level, false);
    if (!symbol.isValid())
        return p.warn(u"QR code not printed: "_s + symbol.error);
    p.addPicture(symbol.modules, qr.moduleSize, qr.moduleSize, u"QR code"_s, Code2D::Qr, qr.data);
}

void qrLevel(Printer &p, const Command &c)
{
    const int level = hexDigit(c[0]);
    if (level > 3)
        return p.warn(u"QR error correction level out of range"_s);
    p.symbols.qr.level = "LMQH"[level];
}

// ESC GS x S 0 n p1 p2: n 1 gives rows and columns (0 for as needed), 2 rows, 3 columns.
void pdf417Size(Printer &p, const Command &c)
{
    const int n = hexDigit(c[0]);
    p.symbols.pdf417.rows = (n == 1 || n == 2) ? c[1] : 0;
    p.symbols.pdf417.columns = n == 1 ? c[2] : n == 3 ? c[2] : 0;
}

void pdf417Print(Printer &p, const Command &)
{
    const SymbolSettings::Pdf417 &s = p.symbols.pdf417;
    const EncodedSymbol symbol = SymbolEncoder::pdf417(
            s.data, s.columns, s.rows, s.securityLevel, false);
    if (!symbol.isValid())
        return p.warn(u"PDF417 not printed: "_s + symbol.error);
    p.addPicture(symbol.modules,
                 s.moduleWidth,
                 s.moduleWidth * s.rowHeight,
                 u"PDF417"_s,
                 Code2D::Pdf417,
                 s.data);
}

// ESC FS q n [xL xH yL yH d1...dk]1...n: every stored logo is replaced.
qsizetype logosLength(const uchar *p, qsizetype available)
{
    return 3 + BitImage::logosLength(p + 3, available - 3);
}

void defineLogos(Printer &p, const Command &c)
{
    p.nvBitImages.clear();
    if (!BitImage::logos(c.from(0), &p.nvBitImages))
        p.warn(u"logo size out of range"_s);
}

// ESC FS p n m: logo n alone on its lines; m 1 doubles the width, 2 the height, 3 both.
void printLogo(Printer &p, const Command &c)
{
    const int n = c[0];
    const int m = hexDigit(c[1]);
    p.printPending();
    if (n < 1 || n > p.nvBitImages.size())
        return p.warn(u"logo %1 printed that is not defined"_s.arg(n));
    p.addPicture(p.nvBitImages.at(n - 1), m & 1 ? 2 : 1, m & 2 ? 2 : 1, u"logo %1"_s.arg(n));
}

void notAnswered(Printer &p, const Command &)
{
    p.warn(u"symbol information request not answered"_s);
}

// clang-format off
constexpr CommandSpec Commands[] = {
    {"\x1b" "K"sv, custom(columnsLength<1>), "print 8-dot normal density bit image",
     [](Printer &p, const Command &c) { columns(p, c, 1, 2); }},
    {"\x1b" "L"sv, custom(columnsLength<1>), "print 8-dot high density bit image",
     [](Printer &p, const Command &c) { columns(p, c, 1, 1); }},
    {"\x1b" "X"sv, custom(columnsLength<3>), "print 24-dot fine density bit image",
     [](Printer &p, const Command &c) { columns(p, c, 3, 1); }},
    {"\x1b" "k"sv, custom(bandLength), "print raster image (24 dot rows)", band},
    {"\x1b\x1d" "S"sv, custom(rasterLength), "print raster image", raster},
    {"\x1b\x1c" "q"sv, custom(logosLength), "register logo", defineLogos},
    {"\x1b\x1c" "p"sv, fixed(2), "print logo", printLogo},
    {"\x1b\x1e" "L"sv, fixed(1), "print logos in batch",
     [](Printer &p, const Command &) { p.warn(u"logos in batch not printed"_s); }},
    {"\x1b" "b"sv, custom(barcodeLength), "print barcode", barcode},
    {"\x1b\x1d" "yS0"sv, fixed(1), "QR code: set model",
     [](Printer &p, const Command &c) {
         if (hexDigit(c[0]) == 1)
             p.warn(u"QR model 1 drawn as model 2"_s);
     }},
    {"\x1b\x1d" "yS1"sv, fixed(1), "QR code: set error correction level", qrLevel},
    {"\x1b\x1d" "yS2"sv, fixed(1), "QR code: set cell size",
     [](Printer &p, const Command &c) { p.symbols.qr.moduleSize = qBound(1, c[0], 8); }},
    {"\x1b\x1d" "yD1"sv, custom(qrDataLength), "QR code: set data (manual)",
     [](Printer &p, const Command &c) { p.symbols.qr.data = c.from(3).toByteArray(); }},
    {"\x1b\x1d" "yP"sv, fixed(0), "QR code: print", qrPrint},
    {"\x1b\x1d" "yI"sv, fixed(0), "QR code: get expansion information", notAnswered},
    {"\x1b\x1d" "xS0"sv, fixed(3), "PDF417: set bar code size", pdf417Size},
    {"\x1b\x1d" "xS1"sv, fixed(1), "PDF417: set ECC (security level)",
     [](Printer &p, const Command &c) { p.symbols.pdf417.securityLevel = qBound(0, c[0], 8); }},
    {"\x1b\x1d" "xS2"sv, fixed(1), "PDF417: set module X direction size",
     [](Printer &p, const Command &c) { p.symbols.pdf417.moduleWidth = qBound(1, c[0], 10); }},
    {"\x1b\x1d" "xS3"sv, fixed(1), "PDF417: set module aspect ratio",
     [](Printer &p, const Command &c) { p.symbols.pdf417.rowHeight = qBound(1, c[0], 10); }},
    {"\x1b\x1d" "xD"sv, custom(pdf417DataLength), "PDF417: set data",
     [](Printer &p, const Command &c) { p.symbols.pdf417.data = c.from(2).toByteArray(); }},
    {"\x1b\x1d" "xP"sv, fixed(0), "PDF417: print", pdf417Print},
    {"\x1b\x1d" "xI"sv, fixed(0), "PDF417: get expansion information", notAnswered},
};
// clang-format on

} // namespace

std::span<const CommandSpec> imageCommands()
{
    return Commands;
}

} // namespace emulator::star
