// A picture printed as a block of its own: raster and stored images, two-dimensional codes.
#include "BlockKinds.h"

#include <algorithm>

namespace emulator {

void BlockKind<Picture>::lay(const Picture &picture, BlockLayout *layout, QStringList *)
{
    const int width = picture.bits.width() * picture.scaleX;
    const int height = picture.bits.height() * picture.scaleY;
    layout->picture = QRect(picture.placement.leftOf(width),
                            layout->top,
                            std::min(width, picture.placement.areaWidth),
                            height);
    layout->height = height;
    layout->foot = height;
}

void BlockKind<Picture>::draw(const Picture &picture, const BlockLayout &layout, Sheet &sheet)
{
    // Cut at the print area's right edge, as laid out.
    sheet.dots->put(picture.bits,
                    layout.picture.topLeft(),
                    picture.scaleX,
                    picture.scaleY,
                    true,
                    layout.picture);
}

} // namespace emulator
