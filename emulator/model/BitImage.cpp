#include "BitImage.h"

#include <algorithm>
#include <cstring>

namespace emulator {

QImage BitImage::blank(int width, int height)
{
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_Mono);
    if (image.isNull())
        return image;
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    image.fill(0);
    return image;
}

QImage BitImage::fromRows(QByteArrayView data, int bytesPerRow, int rows)
{
    // A declared size larger than the data gets no more rows than the data fills: a few
    // bytes must not make a picture of hundreds of megabytes.
    if (bytesPerRow > 0)
        rows = int(std::min<qsizetype>(rows, (data.size() + bytesPerRow - 1) / bytesPerRow));
    QImage image = blank(bytesPerRow * 8, rows);
    if (image.isNull() || bytesPerRow <= 0 || rows <= 0)
        return image;
    // A mono picture keeps its pixels most significant bit first, as the printer receives them.
    for (int y = 0; y < rows; ++y) {
        const qsizetype start = qsizetype(y) * bytesPerRow;
        if (start >= data.size())
            break;
        const qsizetype count = std::min<qsizetype>(bytesPerRow, data.size() - start);
        std::memcpy(image.scanLine(y), data.data() + start, size_t(count));
    }
    return image;
}

QImage BitImage::fromColumns(QByteArrayView data, int columns, int bytesPerColumn)
{
    if (bytesPerColumn > 0) {
        columns = int(
                std::min<qsizetype>(columns, (data.size() + bytesPerColumn - 1) / bytesPerColumn));
    }
    QImage image = blank(columns, bytesPerColumn * 8);
    if (image.isNull() || columns <= 0 || bytesPerColumn <= 0)
        return image;
    const auto *bytes = reinterpret_cast<const uchar *>(data.data());
    const qsizetype available = data.size();
    for (int x = 0; x < columns; ++x) {
        for (int k = 0; k < bytesPerColumn; ++k) {
            const qsizetype at = qsizetype(x) * bytesPerColumn + k;
            if (at >= available)
                return image;
            const uchar byte = bytes[at];
            for (int bit = 0; bit < 8; ++bit) {
                if (byte & (0x80 >> bit))
                    image.setPixel(x, k * 8 + bit, 1);
            }
        }
    }
    return image;
}

qsizetype BitImage::logosLength(const uchar *p, qsizetype available)
{
    if (available < 1)
        return 1;
    qsizetype at = 1;
    for (int image = 0; image < p[0]; ++image) {
        if (at + 4 > available)
            return at + 4;
        const qsizetype x = p[at] | p[at + 1] << 8;
        const qsizetype y = p[at + 2] | p[at + 3] << 8;
        at += 4 + x * y * 8;
    }
    return at;
}

bool BitImage::logos(QByteArrayView definition, QList<QImage> *images)
{
    const auto *p = reinterpret_cast<const uchar *>(definition.data());
    const qsizetype size = definition.size();
    qsizetype at = 1;
    for (int image = 0; size > 0 && image < p[0] && at + 4 <= size; ++image) {
        const int x = p[at] | p[at + 1] << 8;
        const int y = p[at + 2] | p[at + 3] << 8;
        if (x < 1 || x > 1023 || y < 1 || y > 288)
            return false;
        images->append(fromColumns(definition.sliced(at + 4), x * 8, y));
        at += 4 + qsizetype(x) * y * 8;
    }
    return true;
}

} // namespace emulator
