#pragma once

#include <QByteArrayView>
#include <QImage>

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
    // A blank picture of the given size in dots.
    static QImage blank(int width, int height);
};

} // namespace emulator
