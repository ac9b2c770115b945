#include "ReceiptText.h"

#include <algorithm>
#include <variant>

using namespace Qt::StringLiterals;

namespace emulator {

QString ReceiptText::line(const BlockLayout &layout)
{
    QList<PlacedRun> runs = layout.runs;
    std::stable_sort(runs.begin(), runs.end(), [](const PlacedRun &a, const PlacedRun &b) {
        return a.run->x < b.run->x;
    });
    QString text;
    int end = 0; // dots from the margin where the characters so far end
    for (const PlacedRun &placed : std::as_const(runs)) {
        const TextRun &run = *placed.run;
        if (placed.count == 0)
            continue;
        // A tab or a print position moved the head on: its gap reads as spaces.
        if (run.x > end)
            text += QString(qRound(double(run.x - end) / SpaceDots), u' ');
        text += run.text.left(placed.count);
        end = std::max(end, run.x + placed.box.width());
    }
    qsizetype kept = text.size();
    while (kept > 0 && text.at(kept - 1).isSpace())
        --kept;
    text.truncate(kept);
    return text;
}

QStringList ReceiptText::lines(const Receipt &receipt, const ReceiptLayout &layout)
{
    QStringList lines;
    for (qsizetype i = 0; i < receipt.blocks.size(); ++i) {
        const ReceiptBlock &block = receipt.blocks.at(i);
        if (std::holds_alternative<TextLine>(block))
            lines.append(line(layout.blocks.at(i)));
        const auto *page = std::get_if<Page>(&block);
        if (!page)
            continue;
        // A page's lines in the order they were placed, as a reader turning the paper reads
        // each print area.
        qsizetype next = 0;
        for (const PageRegion &region : page->regions) {
            for (const PagePiece &piece : region.pieces) {
                const qsizetype at = next++;
                if (std::holds_alternative<TextLine>(piece.content)
                    && at < layout.blocks.at(i).pieces.size())
                    lines.append(line(layout.blocks.at(i).pieces.at(at)));
            }
        }
    }
    return lines;
}

QByteArray ReceiptText::transcript(const QList<Receipt> &receipts)
{
    QString text;
    for (const Receipt &receipt : receipts) {
        if (receipt.isEmpty())
            continue;
        for (const QString &line : lines(receipt, ReceiptLayout::of(receipt)))
            text += line + u'\n';
        switch (receipt.cut) {
        case CutKind::Full:
            text += u"--- full cut ---\n"_s;
            break;
        case CutKind::Partial:
            text += u"--- partial cut ---\n"_s;
            break;
        case CutKind::None:
            text += u"--- end ---\n"_s;
            break;
        }
    }
    return text.toUtf8();
}

} // namespace emulator
