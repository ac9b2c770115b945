#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

namespace emulator {

// Paper as a thermal head leaves it: every dot black or white, kept one bit a dot.
class DotCanvas
{
public:
    DotCanvas() = default;
    DotCanvas(int width, int height);

    int width() const { return m_dots.width(); }
    int height() const { return m_dots.height(); }
    bool isNull() const { return m_dots.isNull(); }
    bool dot(int x, int y) const;
    int blackDots() const;

    // Dots of the rectangle made black, or white.
    void fill(const QRect &rect, bool black = true);
    // The black dots of a one-bit picture, each repeated scaleX times across and scaleY times
    // down, with the picture's top left at `at`: made black, or white where black is false.
    // Nothing is put outside clip, nor outside the canvas.
    void put(const QImage &bits,
             QPoint at,
             int scaleX = 1,
             int scaleY = 1,
             bool black = true,
             const QRect &clip = {});
    // The black dots of another canvas turned quarterTurns quarters clockwise, the turned
    // canvas's top left at `at`.
    void put(const DotCanvas &other, QPoint at, int quarterTurns);

    // The dots as a picture: Format_Mono, index 1 black, a row's leftmost dot in its first
    // byte's highest bit.
    const QImage &image() const { return m_dots; }

private:
    void putRow(const uchar *source, int from, int count, int x, int y, bool black);

    QImage m_dots;
};

} // namespace emulator
