// A barcode: its bars, and the human-readable characters above or below them.
#include "BlockKinds.h"
#include "GlyphCache.h"

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

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

void drawHumanReadable(const Barcode &barcode,
                       const QString &text,
                       const QRect &box,
                       DotCanvas &dots,
                       const GlyphCache &glyphs)
{
    const CellSize cell = ReceiptLayout::hriCell(barcode);
    const TextStyle style{.fontB = barcode.hriFontB};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QRect rect(box.x() + int(i) * cell.width, box.y(), cell.width, cell.height);
        glyphs.draw(dots, text.at(i), style, false, rect, box.y(), true);
    }
}

} // namespace

void BlockKind<Barcode>::lay(const Barcode &barcode, BlockLayout *layout, QStringList *warnings)
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
        layout->foot = layout->height - ReceiptLayout::BarcodeGap;
        if (warnings) {
            warnings->append(u"%1 barcode \"%2\" not printed: %3"_s.arg(
                    BarcodeEncoder::name(barcode.symbology),
                    printable(barcode.data),
                    encoded.error));
        }
        return;
    }
    const CellSize cell = ReceiptLayout::hriCell(barcode);
    const bool above = barcode.hri == HriPosition::Above || barcode.hri == HriPosition::Both;
    const bool below = barcode.hri == HriPosition::Below || barcode.hri == HriPosition::Both;
    const int left = barcode.placement.leftOf(width);
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
    layout->foot = layout->height - ReceiptLayout::BarcodeGap;
}

void BlockKind<Barcode>::draw(const Barcode &barcode, const BlockLayout &layout, Sheet &sheet)
{
    const EncodedBarcode &encoded = layout.barcode;
    DotCanvas &dots = *sheet.dots;
    if (!encoded.isValid()) {
        const QRect box(0,
                        layout.top + ReceiptLayout::BarcodeGap,
                        dots.width(),
                        ReceiptLayout::RefusalHeight);
        sheet.refusals.append({box,
                               u"%1 not printed: %2"_s.arg(BarcodeEncoder::name(barcode.symbology),
                                                           encoded.error)});
        return;
    }
    if (!layout.hriAbove.isNull())
        drawHumanReadable(barcode, encoded.humanReadable, layout.hriAbove, dots, *sheet.glyphs);
    const QBitArray &modules = encoded.modules;
    for (qsizetype m = 0; m < modules.size();) {
        if (!modules.testBit(m)) {
            ++m;
            continue;
        }
        qsizetype end = m;
        while (end < modules.size() && modules.testBit(end))
            ++end;
        dots.fill(QRect(layout.bars.x() + int(m) * barcode.moduleWidth,
                        layout.bars.y(),
                        int(end - m) * barcode.moduleWidth,
                        layout.bars.height()));
        m = end;
    }
    if (!layout.hriBelow.isNull())
        drawHumanReadable(barcode, encoded.humanReadable, layout.hriBelow, dots, *sheet.glyphs);
}

} // namespace emulator
