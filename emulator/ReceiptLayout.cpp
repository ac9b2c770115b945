#include "ReceiptLayout.h"

#include <algorithm>
#include <variant>

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

// A single feed takes at most this many rows: a stray feed command makes no metres of paper.
constexpr int MaxFeed = 3000;

// Justification moves what a line or block holds within the print area, by whole dots.
int alignedLeft(const Placement &placement, int width)
{
    const int free = std::max(0, placement.areaWidth - width);
    switch (placement.alignment) {
    case Alignment::Left:
        break;
    case Alignment::Centre:
        return placement.left + free / 2;
    case Alignment::Right:
        return placement.left + free;
    }
    return placement.left;
}

// Barcode data for a message: ASCII as it is, other bytes as \xNN.
QString printable(const QByteArray &data)
{
    QString text;
    for (const char ch : data) {
        const auto byte = static_cast<uchar>(ch);
        if (byte >= 0x20 && byte < 0x7F)
            text += QLatin1Char(ch);
        else
            text += u"\\x"_s + QString::number(byte, 16).toUpper().rightJustified(2, u'0');
    }
    return text;
}

void layLine(const TextLine &line, BlockLayout *layout)
{
    int box = 0;
    for (const TextRun &run : line.runs)
        box = std::max(box, cellSize(run.style, run.doubleByte).height);
    for (const LineImage &image : line.images)
        box = std::max(box, image.height());
    layout->lineBox = box;
    layout->height = std::max(line.feed, box);
    layout->area = QRect(line.left, layout->top, line.areaWidth, box);

    const int start = alignedLeft({line.alignment, line.left, line.areaWidth}, line.width);
    const int areaRight = line.left + line.areaWidth;
    const int foot = layout->top + box;
    for (const LineImage &image : line.images) {
        const int left = start + image.x;
        const int shown = std::clamp(areaRight - left, 0, image.width());
        layout->images.append({&image, QRect(left, foot - image.height(), shown, image.height())});
    }
    for (const TextRun &run : line.runs) {
        const CellSize cell = cellSize(run.style, run.doubleByte);
        const int pitch = characterPitch(run.style, run.doubleByte);
        const int left = start + run.x;
        // The print head ends at the print area's edge: a character that would cross it is
        // not printed, nor any after it.
        int count = 0;
        while (count < run.text.size() && left + count * pitch + cell.width <= areaRight)
            ++count;
        layout->runs.append(
                {&run, QRect(left, foot - cell.height, count * pitch, cell.height), count});
    }
}

void layBarcode(const Barcode &barcode, BlockLayout *layout, QStringList *warnings)
{
    layout->barcode = BarcodeEncoder::encode(barcode.symbology, barcode.data);
    EncodedBarcode &encoded = layout->barcode;
    const int width = int(encoded.modules.size()) * barcode.moduleWidth;
    if (encoded.isValid() && width > barcode.placement.areaWidth) {
        encoded.error = u"%1 dots wide, more than the print area's %2"_s.arg(width).arg(
                barcode.placement.areaWidth);
    }
    if (!encoded.isValid()) {
        layout->height = 2 * ReceiptLayout::BarcodeGap + ReceiptLayout::RefusalHeight;
        warnings->append(u"%1 barcode \"%2\" not printed: %3"_s.arg(
                BarcodeEncoder::name(barcode.symbology), printable(barcode.data), encoded.error));
        return;
    }
    const CellSize cell = ReceiptLayout::hriCell(barcode);
    const bool above = barcode.hri == HriPosition::Above || barcode.hri == HriPosition::Both;
    const bool below = barcode.hri == HriPosition::Below || barcode.hri == HriPosition::Both;
    const int left = alignedLeft(barcode.placement, width);
    const int textWidth = int(encoded.humanReadable.size()) * cell.width;
    const QRect text(left + (width - textWidth) / 2, 0, textWidth, cell.height);
    const int hriRows = cell.height + ReceiptLayout::HriGap;
    const int barsTop = layout->top + ReceiptLayout::BarcodeGap + (above ? hriRows : 0);
    layout->bars = QRect(left, barsTop, width, barcode.height);
    if (above)
        layout->hriAbove = text.translated(0, barsTop - hriRows);
    if (below)
        layout->hriBelow = text.translated(0, barsTop + barcode.height + ReceiptLayout::HriGap);
    layout->height = 2 * ReceiptLayout::BarcodeGap + barcode.height + (above ? hriRows : 0)
                     + (below ? hriRows : 0);
}

void layPicture(const Picture &picture, BlockLayout *layout)
{
    const int width = picture.bits.width() * picture.scaleX;
    const int height = picture.bits.height() * picture.scaleY;
    layout->picture = QRect(alignedLeft(picture.placement, width),
                            layout->top,
                            std::min(width, picture.placement.areaWidth),
                            height);
    layout->height = height;
}

} // namespace

QRect BlockLayout::turned(const QRect &box) const
{
    return QRect(2 * area.x() + area.width() - box.x() - box.width(),
                 2 * area.y() + area.height() - box.y() - box.height(),
                 box.width(),
                 box.height());
}

CellSize ReceiptLayout::hriCell(const Barcode &barcode)
{
    return cellSize(TextStyle{.fontB = barcode.hriFontB}, false);
}

ReceiptLayout ReceiptLayout::of(const Receipt &receipt)
{
    ReceiptLayout layout;
    if (receipt.truncated)
        layout.warnings.append(
                u"receipt longer than the printer keeps; its first part is left out"_s);
    layout.blocks.reserve(receipt.blocks.size());
    int top = 0;
    for (const ReceiptBlock &block : receipt.blocks) {
        BlockLayout item;
        item.top = top;
        if (const auto *line = std::get_if<TextLine>(&block))
            layLine(*line, &item);
        else if (const auto *barcode = std::get_if<Barcode>(&block))
            layBarcode(*barcode, &item, &layout.warnings);
        else if (const auto *picture = std::get_if<Picture>(&block))
            layPicture(*picture, &item);
        else if (const auto *feed = std::get_if<PaperFeed>(&block))
            item.height = std::clamp(feed->dots, 0, MaxFeed);
        else if (std::holds_alternative<BlackMark>(block))
            item.height = BlackMarkHeight;
        top += item.height;
        layout.blocks.append(item);
    }
    layout.height = top;
    return layout;
}

} // namespace emulator
