// Pictures: bit images, raster images, downloaded and NV images, graphics.
#include "BitImage.h"
#include "CommandSpec.h"
#include "Printer.h"

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace std::literals;

namespace emulator {

namespace {

qsizetype pairAt(const uchar *p, qsizetype at)
{
    return p[at] | qsizetype(p[at + 1]) << 8;
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

// FS q n, then n images of xL xH yL yH and x * y * 8 bytes.
qsizetype nvBitImagesLength(const uchar *p, qsizetype available)
{
    return 2 + BitImage::logosLength(p + 2, available - 2);
}

// Modes 0-3 (or '0'-'3'): bit 0 doubles the width, bit 1 the height.
int scaleX(int mode)
{
    return (digit(mode) & 1) ? 2 : 1;
}

int scaleY(int mode)
{
    return (digit(mode) & 2) ? 2 : 1;
}

// Every NV bit image is replaced.
void defineNvBitImages(Printer &p, const Command &c)
{
    p.nvBitImages.clear();
    if (!BitImage::logos(c.from(0), &p.nvBitImages))
        p.warn(u"NV bit image size out of range"_s);
}

void bitImage(Printer &p, const Command &c)
{
    // 8-dot modes print each bit three dots high; single density prints each column twice.
    const int m = c[0];
    const bool tall = m == 32 || m == 33;
    if (m != 0 && m != 1 && !tall)
        p.warn(u"bit image mode out of range"_s);
    const QImage bits = BitImage::fromColumns(c.from(3), c.pair(1), tall ? 3 : 1);
    p.addLineImage(bits, (m == 0 || m == 32) ? 2 : 1, tall ? 1 : 3, 0);
}

void rasterImage(Printer &p, const Command &c)
{
    if (digit(c[0]) > 3)
        p.warn(u"raster image mode out of range"_s);
    p.addPicture(BitImage::fromRows(c.from(5), c.pair(1), c.pair(3)),
                 scaleX(c[0]),
                 scaleY(c[0]),
                 u"raster image"_s);
}

void printDownloadedImage(Printer &p, const Command &c)
{
    if (p.downloadedBitImage.isNull())
        return p.warn(u"downloaded bit image printed before one was defined"_s);
    p.addPicture(p.downloadedBitImage, scaleX(c[0]), scaleY(c[0]), u"downloaded bit image"_s);
}

void printNvImage(Printer &p, const Command &c)
{
    const int n = c[0];
    if (n < 1 || n > p.nvBitImages.size())
        return p.warn(u"NV bit image printed that is not defined"_s);
    p.addPicture(p.nvBitImages.at(n - 1), scaleX(c[1]), scaleY(c[1]), u"NV bit image %1"_s.arg(n));
}

// Dots of graphics, `width` x `height`, in rows or columns, cut to the declared width.
QImage graphicsDots(QByteArrayView dots, int width, int height, bool rows)
{
    const QImage image = rows ? BitImage::fromRows(dots, (width + 7) / 8, height)
                              : BitImage::fromColumns(dots, width, (height + 7) / 8);
    return image.copy(0, 0, std::clamp(width, 1, image.width()), image.height());
}

// GS ( L and GS 8 L carry the same functions: m fn and the function's parameters.

// fn 112, 113: a bx by c xL xH yL yH and the dots, in rows (112) or columns (113).
void storeGraphics(Printer &p, const Command &c)
{
    p.bufferedGraphics = graphicsDots(c.from(10), c.pair(6), c.pair(8), c[1] == 112);
    p.bufferedScaleX = c[3] == 2 ? 2 : 1;
    p.bufferedScaleY = c[4] == 2 ? 2 : 1;
    if (c[2] != 48)
        p.warn(u"multi-tone graphics drawn as one tone"_s);
}

void printGraphics(Printer &p, const Command &)
{
    if (p.bufferedGraphics.isNull())
        return p.warn(u"graphics printed before any were stored"_s);
    p.addPicture(p.bufferedGraphics, p.bufferedScaleX, p.bufferedScaleY, u"graphics"_s);
    p.bufferedGraphics = {};
}

// Stored graphics are kept by their key codes kc1 kc2, in NV (fn below 80) or download memory.
int graphicsKey(const Command &c, qsizetype at, bool nv)
{
    return c[at] << 9 | c[at + 1] << 1 | int(nv);
}

// fn 67, 68, 83, 84: a kc1 kc2 b xL xH yL yH c and the dots of the first colour.
void defineGraphics(Printer &p, const Command &c)
{
    const int fn = c[1];
    p.storedGraphics.insert(graphicsKey(c, 3, fn < 80),
                            graphicsDots(c.from(11), c.pair(6), c.pair(8), fn == 67 || fn == 83));
}

// fn 69, 85: kc1 kc2 x y, each scale 1 or 2.
void printStoredGraphics(Printer &p, const Command &c)
{
    const auto found = p.storedGraphics.constFind(graphicsKey(c, 2, c[1] == 69));
    if (found == p.storedGraphics.cend())
        return p.warn(u"stored graphics printed that are not defined"_s);
    p.addPicture(*found, c[4] == 2 ? 2 : 1, c[5] == 2 ? 2 : 1, u"stored graphics"_s);
}

void deleteAllGraphics(Printer &p, const Command &c)
{
    const bool nv = c[1] == 65;
    p.storedGraphics.removeIf([nv](const auto &entry) { return (entry.key() & 1) == int(nv); });
}

void notAnswered(Printer &p, const Command &)
{
    p.warn(u"graphics information request not answered"_s);
}

void deleteGraphics(Printer &p, const Command &c)
{
    p.storedGraphics.remove(graphicsKey(c, 2, c[1] == 66));
}

void nothing(Printer &, const Command &) {}

// clang-format off
constexpr Function Graphics[] = {
    {48, 0, "graphics: transmit the NV graphics memory capacity", notAnswered},
    {49, 1, "graphics: set the reference dot density", nothing},
    {50, 2, "graphics: print the graphics data in the print buffer", printGraphics},
    {51, 3, "graphics: transmit the remaining NV graphics memory capacity", notAnswered},
    {52, 4, "graphics: transmit the remaining download graphics memory capacity", notAnswered},
    {64, -1, "graphics: transmit the key code list of NV graphics", notAnswered},
    {65, -1, "graphics: delete all NV graphics data", deleteAllGraphics},
    {66, -1, "graphics: delete the specified NV graphics data", deleteGraphics},
    {67, -1, "graphics: define the NV graphics data (raster format)", defineGraphics},
    {68, -1, "graphics: define the NV graphics data (column format)", defineGraphics},
    {69, -1, "graphics: print the specified NV graphics data", printStoredGraphics},
    {80, -1, "graphics: transmit the key code list of download graphics", notAnswered},
    {81, -1, "graphics: delete all download graphics data", deleteAllGraphics},
    {82, -1, "graphics: delete the specified download graphics data", deleteGraphics},
    {83, -1, "graphics: define the download graphics data (raster format)", defineGraphics},
    {84, -1, "graphics: define the download graphics data (column format)", defineGraphics},
    {85, -1, "graphics: print the specified download graphics data", printStoredGraphics},
    {112, -1, "graphics: store the graphics data in the print buffer (raster format)", storeGraphics},
    {113, -1, "graphics: store the graphics data in the print buffer (column format)", storeGraphics},
};
// clang-format on

// clang-format off
constexpr CommandSpec Commands[] = {
    {"\x1b*"sv, custom(bitImageLength), "select bit-image mode", bitImage},
    {"\x1d" "v0"sv, custom(rasterLength), "print raster bit image", rasterImage},
    {"\x1d*"sv, custom(downloadedImageLength), "define downloaded bit image",
     [](Printer &p, const Command &c) {
         p.downloadedBitImage = BitImage::fromColumns(c.from(2), c[0] * 8, c[1]);
     }},
    {"\x1d/"sv, fixed(1), "print downloaded bit image", printDownloadedImage},
    {"\x1c" "p"sv, fixed(2), "print NV bit image", printNvImage},
    {"\x1c" "q"sv, custom(nvBitImagesLength), "define NV bit image",
     defineNvBitImages},
    {"\x1d(L"sv, pLpH(), "graphics", nullptr, Graphics, 1},
    {"\x1d" "8L"sv, p1p4(), "graphics", nullptr, Graphics, 1},
};
// clang-format on

} // namespace

std::span<const CommandSpec> imageCommands()
{
    return Commands;
}

} // namespace emulator
