#include "PngWriter.h"

#include <QIODevice>
#include <QList>

#include <png.h>

namespace emulator {

namespace {

void writeBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto *device = static_cast<QIODevice *>(png_get_io_ptr(png));
    if (device->write(reinterpret_cast<const char *>(data), qint64(length)) != qint64(length))
        png_error(png, "the device did not take the bytes");
}

void flushBytes(png_structp) {}

} // namespace

bool PngWriter::write(const QImage &image, QIODevice *device)
{
    if (image.format() != QImage::Format_Indexed8 || image.colorCount() < 1
        || image.colorCount() > 256)
        return false;
    const int colours = image.colorCount();
    const int depth = colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
    QList<png_color> palette;
    for (const QRgb colour : image.colorTable())
        palette.append({png_byte(qRed(colour)), png_byte(qGreen(colour)), png_byte(qBlue(colour))});

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
    png_set_IHDR(png,
                 info,
                 png_uint_32(image.width()),
                 png_uint_32(image.height()),
                 depth,
                 PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, palette.constData(), colours);
    // The fastest level: a receipt is mostly long runs of paper.
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(png, info);
    png_set_packing(png); // one index a byte in, as many to a byte as the depth allows out
    for (int y = 0; y < image.height(); ++y)
        png_write_row(png, image.constScanLine(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace emulator
