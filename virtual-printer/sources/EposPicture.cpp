#include "EposPicture.h"

#include <QtGlobal>

namespace vprinter {

namespace {

// A 4 x 4 Bayer matrix: a level prints where it passes the cell's threshold.
constexpr int Bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

void setDot(QByteArray &rows, int rowBytes, int x, int y)
{
    rows[qsizetype(y) * rowBytes + x / 8] = char(rows[qsizetype(y) * rowBytes + x / 8]
                                                 | (0x80 >> (x % 8)));
}

} // namespace

QByteArray EposPicture::raster(const QByteArray &rows, int rowBytes, int height)
{
    QByteArray bytes;
    for (int top = 0; top < height; top += Band) {
        const int band = qMin(Band, height - top);
        // GS v 0 m xL xH yL yH: the width in bytes and the height in dots.
        const char head[] = {0x1d,
                             'v',
                             '0',
                             0,
                             char(rowBytes & 0xff),
                             char(rowBytes >> 8),
                             char(band & 0xff),
                             char(band >> 8)};
        bytes.append(head, sizeof head);
        bytes.append(rows.mid(qsizetype(top) * rowBytes, qsizetype(band) * rowBytes));
    }
    return bytes;
}

QByteArray EposPicture::fromGray16(const QByteArray &data, int width, int height)
{
    const int rowBytes = (width + 7) / 8;
    const int grayRowBytes = (width + 1) / 2;
    QByteArray rows(qsizetype(rowBytes) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto byte = uchar(data[qsizetype(y) * grayRowBytes + x / 2]);
            const int level = x % 2 == 0 ? byte >> 4 : byte & 0x0f;
            // Level 0 never prints, 15 always: the thresholds lie between the levels.
            if (level * 32 > (2 * Bayer[y % 4][x % 4] + 1) * 15)
                setDot(rows, rowBytes, x, y);
        }
    }
    return rows;
}

QByteArray EposPicture::rule(int paperDots, int x1, int x2, int style)
{
    const int thickness = style % 3 + 1;
    const bool twice = style >= 3;
    const int height = twice ? thickness * 3 : thickness;
    const int rowBytes = paperDots / 8;
    QByteArray rows(qsizetype(rowBytes) * height, 0);
    const int from = qMin(x1, x2);
    const int to = qMin(qMax(x1, x2), rowBytes * 8 - 1);
    for (int y = 0; y < height; ++y) {
        if (twice && y >= thickness && y < 2 * thickness)
            continue;
        for (int x = from; x <= to; ++x)
            setDot(rows, rowBytes, x, y);
    }
    return raster(rows, rowBytes, height);
}

} // namespace vprinter
