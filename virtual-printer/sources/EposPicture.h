#pragma once

#include <QByteArray>

namespace vprinter {

// The pictures of a web print document as raster bit images: its mono and 16-level images and
// the standard-mode drawing of a horizontal rule.
class EposPicture
{
public:
    // GS v 0 takes at most this many dot rows at a time.
    static constexpr int Band = 1024;

    // GS v 0 commands that print the rows, rowBytes bytes each, one bit a dot.
    static QByteArray raster(const QByteArray &rows, int rowBytes, int height);
    // Four bits a dot, the darker the higher, to one bit a dot by ordered dithering.
    static QByteArray fromGray16(const QByteArray &data, int width, int height);
    // A rule from x1 to x2 across the paper: style 0-2 one to three dots thick, 3-5 the same
    // twice with a gap as thick.
    static QByteArray rule(int paperDots, int x1, int x2, int style);
};

} // namespace vprinter
