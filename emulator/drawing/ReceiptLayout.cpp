#include "ReceiptLayout.h"

#include "BlockKinds.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace emulator {

int PageFrame::quarterTurnsOf(PrintDirection direction)
{
    switch (direction) {
    case PrintDirection::LeftToRight:
        break;
    case PrintDirection::TopToBottom:
        return 1;
    case PrintDirection::RightToLeft:
        return 2;
    case PrintDirection::BottomToTop:
        return 3;
    }
    return 0;
}

QSize PageFrame::upright() const
{
    return quarterTurns % 2 == 0 ? area.size() : area.size().transposed();
}

QRect PageFrame::onPaper(const QRect &box) const
{
    const QSize size = upright();
    const int x = box.x();
    const int y = box.y();
    switch (quarterTurns) {
    case 1: // the area's top right is the upright top left; lines run down
        return QRect(area.x() + size.height() - y - box.height(),
                     area.y() + x,
                     box.height(),
                     box.width());
    case 2:
        return QRect(area.x() + size.width() - x - box.width(),
                     area.y() + size.height() - y - box.height(),
                     box.width(),
                     box.height());
    case 3: // the area's bottom left is the upright top left; lines run up
        return QRect(
                area.x() + y, area.y() + size.width() - x - box.width(), box.height(), box.width());
    default:
        return box.translated(area.topLeft());
    }
}

QRect BlockLayout::turned(const QRect &box) const
{
    return PageFrame{area, 2}.onPaper(box.translated(-area.topLeft()));
}

BlockLayout BlockLayout::translated(QPoint offset) const
{
    BlockLayout moved = *this;
    moved.top += offset.y();
    for (PlacedRun &run : moved.runs)
        run.box.translate(offset);
    for (PlacedImage &image : moved.images)
        image.box.translate(offset);
    for (QRect *box :
         {&moved.area, &moved.bars, &moved.hriAbove, &moved.hriBelow, &moved.picture}) {
        if (!box->isNull())
            box->translate(offset);
    }
    for (PageFrame &frame : moved.frames)
        frame.area.translate(offset);
    return moved;
}

CellSize ReceiptLayout::hriCell(const Barcode &barcode)
{
    return cellSize(TextStyle{.fontB = barcode.hriFontB}, false);
}

int ReceiptLayout::heightOf(const ReceiptBlock &block)
{
    return blockHeight(block);
}

ReceiptLayout ReceiptLayout::of(const Receipt &receipt)
{
    ReceiptLayout layout;
    if (receipt.leftOut > 0) {
        layout.warnings.append(
                u"receipt longer than the printer keeps: its first %1 m (%2 dot rows) are left out"_s
                        .arg(receipt.leftOut / ReceiptLayout::DotsPerMetre, 0, 'f', 2)
                        .arg(receipt.leftOut));
    }
    layout.blocks.reserve(receipt.blocks.size());
    int top = 0;
    for (const ReceiptBlock &block : receipt.blocks) {
        BlockLayout item;
        item.top = top;
        layBlock(block, &item, &layout.warnings);
        top += item.height;
        layout.height = std::max(layout.height, top);
        layout.blocks.append(item);
    }
    return layout;
}

} // namespace emulator
