#include "PngWriter.h"

#include <QIODevice>
#include <QList>

#include <png.h>
#include <zlib.h>

#include <cstring>

namespace emulator {

namespace {

void writeBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto *device = static_cast<QIODevice *>(png_get_io_ptr(png));
    if (device->write(reinterpret_cast<const char *>(data), qint64(length)) != qint64(length))
        png_error(png, "the device did not take the bytes");
}

void flushBytes(png_structp) {}

// One index a byte packed as many to a byte as the depth allows, the leftmost in the highest bits.
void pack(const uchar *indices, int width, int depth, uchar *out)
{
    const int perByte = 8 / depth;
    for (int x = 0, i = 0; x < width; x += perByte, ++i) {
        uint byte = 0;
        for (int k = 0; k < perByte; ++k)
            byte = (byte << depth) | (x + k < width ? indices[x + k] : 0u);
        out[i] = uchar(byte);
    }
}

int depthOf(int colours)
{
    return colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
}

// Everything libpng may jump back from, kept out of the function that catches the jump; what
// needs destroying is made before it. A row like the one before it (a blank stretch of paper)
// is not packed again.
void encode(png_structp png,
            png_infop info,
            QSize size,
            const QList<png_color> &palette,
            const PngWriter::Rows &rows,
            QList<uchar> &previous,
            QList<uchar> &packed)
{
    const int depth = depthOf(int(palette.size()));
    png_set_IHDR(png,
                 info,
                 png_uint_32(size.width()),
                 png_uint_32(size.height()),
                 depth,
                 PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, palette.constData(), int(palette.size()));
    // The fastest level: a receipt is mostly long runs of paper.
    png_set_compression_level(png, 1);
    png_set_compression_strategy(png, Z_RLE);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(png, info);
    const int width = size.width();
    for (int y = 0; y < size.height(); ++y) {
        const uchar *row = rows(y);
        if (y == 0 || std::memcmp(row, previous.constData(), size_t(width)) != 0) {
            std::memcpy(previous.data(), row, size_t(width));
            pack(row, width, depth, packed.data());
        }
        png_write_row(png, packed.constData());
    }
    png_write_end(png, info);
}

} // namespace

bool PngWriter::write(QSize size, const QList<QRgb> &palette, const Rows &rows, QIODevice *device)
{
    if (palette.isEmpty() || palette.size() > 256 || size.isEmpty())
        return false;
    QList<png_color> entries;
    for (const QRgb colour : palette)
        entries.append({png_byte(qRed(colour)), png_byte(qGreen(colour)), png_byte(qBlue(colour))});
    // The row as given, and packed.
    QList<uchar> previous(size.width());
    QList<uchar> packed((qsizetype(size.width()) * depthOf(int(palette.size())) + 7) / 8);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    // libpng reports a failure by jumping back here; nothing below needs destroying but libpng's
    // own structures.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, device, writeBytes, flushBytes);
    encode(png, info, size, entries, rows, previous, packed);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace emulator
