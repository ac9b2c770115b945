#include "DotCanvas.h"

#include <QList>

#include <algorithm>
#include <bit>

namespace emulator {

namespace {

void setDot(uchar *row, int x, bool black)
{
    const auto mask = uchar(0x80 >> (x & 7));
    if (black)
        row[x >> 3] |= mask;
    else
        row[x >> 3] &= uchar(~mask);
}

// Dots x to x + count - 1 of a row made black or white, a whole byte at a time where it can.
void setRun(uchar *row, int x, int count, bool black)
{
    const int end = x + count;
    for (; x < end && (x & 7) != 0; ++x)
        setDot(row, x, black);
    for (; x + 8 <= end; x += 8)
        row[x >> 3] = black ? 0xFF : 0x00;
    for (; x < end; ++x)
        setDot(row, x, black);
}

// Eight dots of a row from dot `at`, the first in the highest bit; the row has `bytes` bytes.
uchar eightDots(const uchar *row, int at, int bytes)
{
    const int index = at >> 3;
    const int shift = at & 7;
    uint pair = uint(row[index]) << 8;
    if (shift != 0 && index + 1 < bytes)
        pair |= row[index + 1];
    return uchar(pair >> (8 - shift));
}

// A picture whose index 1 is black, as the model keeps every picture.
QImage blackOnes(const QImage &bits)
{
    QImage mono = bits.format() == QImage::Format_Mono ? bits
                                                       : bits.convertToFormat(QImage::Format_Mono);
    if (mono.colorCount() == 2 && qGray(mono.color(1)) > qGray(mono.color(0))) {
        mono.invertPixels();
        mono.setColorTable({mono.color(1), mono.color(0)});
    }
    return mono;
}

} // namespace

DotCanvas::DotCanvas(int width, int height)
    : m_dots(std::max(width, 1), std::max(height, 1), QImage::Format_Mono)
{
    if (m_dots.isNull())
        return;
    m_dots.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    m_dots.fill(0);
}

bool DotCanvas::dot(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return false;
    return (m_dots.constScanLine(y)[x >> 3] & (0x80 >> (x & 7))) != 0;
}

int DotCanvas::blackDots() const
{
    int count = 0;
    const int bytes = (width() + 7) / 8;
    for (int y = 0; y < height(); ++y) {
        const uchar *row = m_dots.constScanLine(y);
        for (int i = 0; i < bytes; ++i) {
            uchar byte = row[i];
            if (i == bytes - 1 && width() % 8 != 0)
                byte &= uchar(0xFF << (8 - width() % 8));
            count += std::popcount(uint(byte));
        }
    }
    return count;
}

void DotCanvas::fill(const QRect &rect, bool black)
{
    const QRect shown = rect & QRect(0, 0, width(), height());
    for (int y = shown.top(); y <= shown.bottom(); ++y)
        setRun(m_dots.scanLine(y), shown.left(), shown.width(), black);
}

void DotCanvas::putRow(const uchar *source, int from, int count, int x, int y, bool black)
{
    uchar *row = m_dots.scanLine(y);
    const int rowBytes = int(m_dots.bytesPerLine());
    const int sourceBytes = (from + count + 7) / 8;
    for (int done = 0; done < count; done += 8) {
        uchar eight = eightDots(source, from + done, sourceBytes);
        if (count - done < 8)
            eight &= uchar(0xFF << (8 - (count - done)));
        if (eight == 0)
            continue;
        const int at = x + done;
        const int index = at >> 3;
        const int shift = at & 7;
        const auto first = uchar(eight >> shift);
        const auto second = uchar(eight << (8 - shift));
        if (black) {
            row[index] |= first;
            if (shift != 0 && index + 1 < rowBytes)
                row[index + 1] |= second;
        } else {
            row[index] &= uchar(~first);
            if (shift != 0 && index + 1 < rowBytes)
                row[index + 1] &= uchar(~second);
        }
    }
}

void DotCanvas::put(
        const QImage &bits, QPoint at, int scaleX, int scaleY, bool black, const QRect &clip)
{
    if (bits.isNull() || isNull() || scaleX < 1 || scaleY < 1)
        return;
    const QImage mono = blackOnes(bits);
    const QRect bounds = clip.isNull() ? QRect(0, 0, width(), height())
                                       : clip & QRect(0, 0, width(), height());
    const int shownWidth = mono.width() * scaleX;
    const int left = std::max(at.x(), bounds.left());
    const int right = std::min(at.x() + shownWidth, bounds.right() + 1);
    if (left >= right)
        return;
    // A row of the picture magnified across, as the head prints it scaleY times.
    QList<uchar> wide(qsizetype(shownWidth + 7) / 8 + 1, 0);
    for (int sourceRow = 0; sourceRow < mono.height(); ++sourceRow) {
        const int top = at.y() + sourceRow * scaleY;
        if (top > bounds.bottom())
            break;
        if (top + scaleY <= bounds.top())
            continue;
        const uchar *source = mono.constScanLine(sourceRow);
        if (scaleX > 1) {
            std::fill(wide.begin(), wide.end(), uchar(0));
            for (int x = 0; x < mono.width(); ++x) {
                if (source[x >> 3] & (0x80 >> (x & 7)))
                    setRun(wide.data(), x * scaleX, scaleX, true);
            }
            source = wide.constData();
        }
        for (int y = std::max(top, bounds.top()); y < std::min(top + scaleY, bounds.bottom() + 1);
             ++y)
            putRow(source, left - at.x(), right - left, left, y, black);
    }
}

void DotCanvas::put(const DotCanvas &other, QPoint at, int quarterTurns)
{
    const int turns = ((quarterTurns % 4) + 4) % 4;
    if (turns == 0)
        return put(other.image(), at);
    const int w = other.width();
    const int h = other.height();
    for (int y = 0; y < h; ++y) {
        const uchar *row = other.image().constScanLine(y);
        for (int x = 0; x < w; ++x) {
            if ((x & 7) == 0 && row[x >> 3] == 0) {
                x += 7;
                continue;
            }
            if ((row[x >> 3] & (0x80 >> (x & 7))) == 0)
                continue;
            QPoint to;
            if (turns == 1)
                to = QPoint(h - 1 - y, x);
            else if (turns == 2)
                to = QPoint(w - 1 - x, h - 1 - y);
            else
                to = QPoint(y, w - 1 - x);
            to += at;
            if (to.x() >= 0 && to.y() >= 0 && to.x() < width() && to.y() < height())
                setDot(m_dots.scanLine(to.y()), to.x(), true);
        }
    }
}

} // namespace emulator
