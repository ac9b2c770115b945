// A page printed in page mode: each print area's pieces laid out upright, then turned onto the
// paper in the area's print direction.
#include "BlockKinds.h"

namespace emulator {

void BlockKind<Page>::lay(const Page &page, BlockLayout *layout, QStringList *warnings)
{
    layout->height = page.height;
    for (const PageRegion &region : page.regions) {
        const auto frame = int(layout->frames.size());
        layout->frames.append({region.area.translated(0, layout->top),
                               PageFrame::quarterTurnsOf(region.direction)});
        for (const PagePiece &piece : region.pieces) {
            BlockLayout laid;
            layBlock(piece.content, &laid, warnings);
            // Each piece stands on its foot, as it would on a line.
            laid = laid.translated(QPoint(0, piece.foot - laid.foot));
            laid.frame = frame;
            layout->pieces.append(laid);
        }
    }
}

void BlockKind<Page>::draw(const Page &page, const BlockLayout &layout, Sheet &sheet)
{
    qsizetype next = 0; // the layout of the next piece
    for (qsizetype f = 0; f < page.regions.size() && f < layout.frames.size(); ++f) {
        const PageFrame &frame = layout.frames.at(f);
        const QSize size = frame.upright();
        DotCanvas upright(size.width(), size.height());
        Sheet inner(&upright, sheet.glyphs);
        for (const PagePiece &piece : page.regions.at(f).pieces) {
            if (next < layout.pieces.size())
                drawBlock(piece.content, layout.pieces.at(next++), inner);
        }
        sheet.dots->put(upright, frame.area.topLeft(), frame.quarterTurns);
    }
}

} // namespace emulator
