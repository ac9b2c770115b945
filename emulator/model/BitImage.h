#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QList>

namespace emulator {

// Dot data as printers receive it, turned into one-bit pictures (black set, one pixel a dot).
class BitImage
{
public:
    // Rows of bytes, the most significant bit leftmost (GS v 0, raster graphics). The picture
    // ends with the data: rows the data does not reach are not made.
    static QImage fromRows(QByteArrayView data, int bytesPerRow, int rows);
    // Columns of bytes from left to right, each column's bytes from top to bottom, the most
    // significant bit topmost (ESC *, GS *, FS q, column graphics); likewise it ends with the
    // data.
    static QImage fromColumns(QByteArrayView data, int columns, int bytesPerColumn);
    // Stored logos (NV bit images) as FS q and ESC FS q define them: n, then n images of xL xH
    // yL yH and x * y * 8 bytes in columns, each x * 8 dots wide and y * 8 high. The bytes a
    // definition takes from its n, as far as the available bytes tell; and its images, up to
    // the first whose size is out of range (then false).
    static qsizetype logosLength(const uchar *definition, qsizetype available);
    static bool logos(QByteArrayView definition, QList<QImage> *images);
    // A blank picture of the given size in dots.
    static QImage blank(int width, int height);
};

} // namespace emulator
