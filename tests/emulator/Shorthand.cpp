#include "Shorthand.h"

#include "BarcodeEncoder.h"
#include "Interpreter.h"

using namespace Qt::StringLiterals;
using namespace emulator;

namespace {

QString runOf(const TextRun &run, int *end)
{
    const TextStyle &s = run.style;
    const CellSize base = cellSize(TextStyle{.rotated = s.rotated, .fontB = s.fontB},
                                   run.doubleByte);
    const CellSize cell = cellSize(s, run.doubleByte);
    const int across = cell.width / base.width;
    const int up = cell.height / base.height;
    const bool wide = across != 1 || up != 1;
    const int spacing = characterPitch(s, run.doubleByte) - cell.width;
    const QString flags = (s.emphasized ? u"E"_s : u""_s) + (s.doubleStrike ? u"G"_s : u""_s)
                          + (s.italic ? u"I"_s : u""_s) + (s.rotated ? u"R"_s : u""_s)
                          + (s.reverse ? u"V"_s : u""_s) + (s.fontB ? u"B"_s : u""_s)
                          + (s.underline ? u"U%1"_s.arg(s.underline) : u""_s)
                          + (wide ? u"W%1H%2"_s.arg(across).arg(up) : u""_s)
                          + (spacing ? u"S%1"_s.arg(spacing) : u""_s)
                          + (s.script == Script::Subscript ? u"_"_s : u""_s)
                          + (s.script == Script::Superscript ? u"^"_s : u""_s)
                          + (run.doubleByte ? u"D"_s : u""_s);
    const QString at = run.x == *end ? QString() : u"@%1"_s.arg(run.x);
    *end = run.x + int(run.text.size()) * characterPitch(run.style, run.doubleByte);
    return at + (flags.isEmpty() ? run.text : u"{%1}%2"_s.arg(flags, run.text));
}

QString lineOf(const TextLine &line)
{
    QStringList runs;
    int end = 0;
    for (const TextRun &run : line.runs)
        runs << runOf(run, &end);
    static const QString alignments[] = {QString(), u"c"_s, u"r"_s};
    const QString head = alignments[int(line.alignment)] + (line.upsideDown ? u"u"_s : u""_s);
    for (const LineImage &image : line.images) {
        runs << u"<%1x%2*%3,%4@%5>"_s.arg(image.bits.width())
                        .arg(image.bits.height())
                        .arg(image.scaleX)
                        .arg(image.scaleY)
                        .arg(image.x);
    }
    const QString feed = line.feed == 30 ? QString() : u"~%1"_s.arg(line.feed);
    const QString area = (line.left == 0 && line.areaWidth == 576)
                                 ? QString()
                                 : u"[%1+%2]"_s.arg(line.left).arg(line.areaWidth);
    return u"L%1%2%3:"_s.arg(
                   line.runs.isEmpty() && line.images.isEmpty() ? QString() : head, area, feed)
           + runs.join(u',');
}

// The two-dimensional codes, whose size is the encoder's.
bool isSymbol(const Picture &picture)
{
    return picture.code != Code2D::None;
}

QString pageOf(const Page &page)
{
    QString text = u"G:%1"_s.arg(page.height);
    for (const PageRegion &region : page.regions) {
        QStringList pieces;
        for (const PagePiece &piece : region.pieces) {
            const QString content = std::visit(
                    [](const auto &block) { return Shorthand::block(block); }, piece.content);
            pieces << content + u'^' + QString::number(piece.foot);
        }
        text += u"<%1,%2,%3,%4,%5>{%6}"_s.arg(region.area.x())
                        .arg(region.area.y())
                        .arg(region.area.width())
                        .arg(region.area.height())
                        .arg(int(region.direction))
                        .arg(pieces.join(u';'));
    }
    return text;
}

} // namespace

Fed Shorthand::feed(const QList<QByteArrayView> &pieces)
{
    Interpreter interpreter;
    Fed fed;
    QObject::connect(&interpreter, &Interpreter::commandDecoded, [&fed](auto r) { fed.log << r; });
    QObject::connect(&interpreter, &Interpreter::replyReady, [&fed](auto r) { fed.replies += r; });
    for (const QByteArrayView piece : pieces)
        interpreter.feed(piece);
    interpreter.finish();
    fed.receipts = interpreter.receipts();
    return fed;
}

QList<QList<QByteArrayView>> Shorthand::pieces(const QByteArray &bytes)
{
    QList<QList<QByteArrayView>> ways{{QByteArrayView(bytes)}};
    QList<QByteArrayView> single;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        single << QByteArrayView(bytes).sliced(i, 1);
    ways << single;
    for (qsizetype offset = 1; offset < bytes.size(); ++offset)
        ways << QList{QByteArrayView(bytes).first(offset), QByteArrayView(bytes).sliced(offset)};
    return ways;
}

QString Shorthand::howFed(const QList<QByteArrayView> &pieces)
{
    if (pieces.size() == 1)
        return u"whole"_s;
    if (pieces.size() == 2)
        return u"split at %1"_s.arg(pieces.first().size());
    return u"byte by byte"_s;
}

QString Shorthand::block(const ReceiptBlock &block, Detail detail)
{
    const bool full = detail == Detail::Full;
    if (const auto *line = std::get_if<TextLine>(&block))
        return lineOf(*line);
    if (const auto *p = std::get_if<Picture>(&block)) {
        const QString size = !full && isSymbol(*p)
                                     ? QString()
                                     : u":%1x%2"_s.arg(p->bits.width()).arg(p->bits.height());
        return u"P:%1%2*%3,%4"_s.arg(p->what, size).arg(p->scaleX).arg(p->scaleY);
    }
    if (const auto *k = std::get_if<Barcode>(&block)) {
        const QString settings = QString::asprintf(
                ":h%dw%dH%df%d", k->height, k->moduleWidth, int(k->hri), int(k->hriFontB));
        return u"K:%1:%2%3"_s.arg(BarcodeEncoder::name(k->symbology),
                                  QString::fromLatin1(k->data),
                                  full ? settings : QString());
    }
    if (const auto *feed = std::get_if<PaperFeed>(&block))
        return u"F:%1"_s.arg(feed->dots);
    if (const auto *note = std::get_if<SettingNote>(&block))
        return u"N:"_s + note->text;
    if (const auto *pulse = std::get_if<DrawerPulse>(&block))
        return u"D:%1/%2/%3"_s.arg(pulse->pin).arg(pulse->onMs).arg(pulse->offMs);
    if (const auto *beep = std::get_if<Beep>(&block))
        return u"Z:%1"_s.arg(beep->times);
    if (const auto *page = std::get_if<Page>(&block))
        return pageOf(*page);
    return u"M"_s;
}

QString Shorthand::receipts(const QList<Receipt> &receipts, Detail detail)
{
    const bool full = detail == Detail::Full;
    QStringList parts;
    QStringList warnings;
    for (const Receipt &receipt : receipts) {
        for (const ReceiptBlock &b : receipt.blocks) {
            if (full || !std::holds_alternative<TextLine>(b))
                parts << block(b, detail);
        }
        if (full && !receipt.warnings.isEmpty())
            parts << u"#"_s + receipt.warningLines().join(u';');
        if (receipt.cut != CutKind::None)
            parts << (receipt.cut == CutKind::Full ? u"/full"_s : u"/partial"_s);
        warnings << receipt.warningLines();
    }
    if (!full && !warnings.isEmpty())
        parts << u"#"_s + warnings.join(u';');
    return parts.join(u'|');
}

QString Shorthand::of(const Fed &fed)
{
    QStringList parts;
    const QString printed = receipts(fed.receipts, Detail::Full);
    if (!printed.isEmpty())
        parts << printed;
    if (!fed.replies.isEmpty())
        parts << u"»"_s + QString::fromLatin1(fed.replies.toHex(' '));
    for (const CommandRecord &record : fed.log) {
        if (record.kind == CommandRecord::Kind::Warning)
            parts << u"?"_s + QString::fromLatin1(record.bytes.toHex());
    }
    return parts.join(u'|');
}
