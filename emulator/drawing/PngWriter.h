#pragma once

#include <QList>
#include <QRgb>
#include <QSize>

#include <functional>

class QIODevice;

namespace emulator {

// Writes pictures in a palette as PNG with as few bits a pixel as their colours need: a
// receipt's black and white dots and the few colours of its notes take four. It is several
// times faster to encode than full colour and loses nothing a receipt shows.
class PngWriter
{
public:
    // The picture's rows, one palette index a byte, asked for from the top down: a row given
    // may be drawn over once the next is asked for, and nullptr stands for a row like the one
    // before it. False when the palette is empty or longer than 256, the first row is nullptr,
    // or the device does not take the bytes.
    using Rows = std::function<const uchar *(int y)>;
    static bool write(QSize size, const QList<QRgb> &palette, const Rows &rows, QIODevice *device);
};

} // namespace emulator
