#pragma once

#include <QImage>

class QIODevice;

namespace emulator {

// Writes pictures in a palette as PNG with as few bits a pixel as their colours need: a
// receipt's black and white dots and the few colours of its notes take four. It is several
// times faster to encode than full colour and loses nothing a receipt shows.
class PngWriter
{
public:
    // False when the picture is not in a palette or the device does not take the bytes.
    static bool write(const QImage &image, QIODevice *device);
};

} // namespace emulator
