#include "ReceiptJson.h"

#include "BarcodeEncoder.h"
#include "JsonWriter.h"
#include "ReceiptLayout.h"
#include "ReceiptText.h"

#include <QCryptographicHash>

#include <algorithm>
#include <utility>
#include <variant>

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

using Fields = JsonWriter::Fields;

Fields box(const QRect &rect)
{
    return {{"x", JsonWriter::number(rect.x())},
            {"y", JsonWriter::number(rect.y())},
            {"width", JsonWriter::number(rect.width())},
            {"height", JsonWriter::number(rect.height())}};
}

// The dots as a PBM file (P4: a header, then rows of bits, the leftmost dot in the highest bit,
// black set, each row padded to a byte): any drawing style or scale gives the same hash.
QByteArray sha256(const QImage &bits, int columns)
{
    const QImage mono = bits.convertToFormat(QImage::Format_Mono);
    const bool blackIsOne = mono.colorCount() < 2 || qGray(mono.color(1)) < qGray(mono.color(0));
    columns = std::min(columns, mono.width());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData("P4\n" + QByteArray::number(columns) + ' ' + QByteArray::number(mono.height())
                 + '\n');
    const int rowBytes = (columns + 7) / 8;
    QByteArray row(rowBytes, '\0');
    for (int y = 0; y < mono.height(); ++y) {
        const uchar *line = mono.constScanLine(y);
        for (int i = 0; i < rowBytes; ++i) {
            uchar byte = blackIsOne ? line[i] : uchar(~line[i]);
            if (i == rowBytes - 1 && columns % 8 != 0)
                byte &= uchar(0xFF << (8 - columns % 8));
            row[i] = char(byte);
        }
        hash.addData(row);
    }
    return hash.result().toHex();
}

// How the boxes of a layout reach the paper: as laid out, or turned within a frame (an
// upside-down line within its print area, a page's print area in its print direction).
struct Turn
{
    PageFrame frame;
    QPoint origin; // of the frame's upright top left in the layout

    QRect operator()(const QRect &box) const { return frame.onPaper(box.translated(-origin)); }
};

// An image as laid out, cut at the print area's edge, and where it stands on the paper.
QByteArray imageItem(const QImage &bits, int scaleX, const QRect &shown, const Turn &turn)
{
    Fields fields{{"type", JsonWriter::quoted("image"_ba)}};
    fields += box(turn(shown));
    fields.append(
            {"sha256", JsonWriter::quoted(sha256(bits, (shown.width() + scaleX - 1) / scaleX))});
    return JsonWriter::object(fields);
}

// What a text item says about its style, after its position. A page's direction turns its
// characters: a quarter clockwise reads as rotated, half round as upside down.
Fields styleOf(const TextRun &run, int quarterTurns)
{
    const TextStyle &s = run.style;
    Fields fields{
            {"font",
             JsonWriter::quoted(run.doubleByte ? "chinese"_ba
                                : s.fontB      ? "B"_ba
                                               : "A"_ba)},
            {"bold", JsonWriter::boolean(s.emphasized || s.doubleStrike)},
            {"underline", JsonWriter::number(s.underline)},
            {"reverse", JsonWriter::boolean(s.reverse)},
            {"upside_down", JsonWriter::boolean(quarterTurns >= 2)},
            {"rotated", JsonWriter::boolean(s.rotated || quarterTurns % 2 == 1)},
            {"scale_w", JsonWriter::number(run.doubleByte ? s.chineseWidth : s.widthMultiplier)},
            {"scale_h", JsonWriter::number(run.doubleByte ? s.chineseHeight : s.heightMultiplier)},
    };
    // Rare styles are named only when used.
    if (s.italic)
        fields.append({"italic", JsonWriter::boolean(true)});
    if (s.script != Script::Normal) {
        fields.append({"script",
                       JsonWriter::quoted(s.script == Script::Subscript ? "subscript"_ba
                                                                        : "superscript"_ba)});
    }
    return fields;
}

struct Character
{
    QChar character;
    int x = 0;
    int advance = 0;
};

// Characters of one style side by side: one text item.
struct Span
{
    Fields style;
    QList<Character> characters;
    int top = 0;
    int height = 0;
    bool inkedSpaces = false; // underline and reverse print a space's cell too

    int end() const { return characters.last().x + characters.last().advance; }
};

struct PlacedItem
{
    int x = 0;
    QByteArray json;
};

void lineItems(const BlockLayout &layout, const Turn &turn, QList<QByteArray> *items)
{
    QList<PlacedItem> placed;
    for (const PlacedImage &image : layout.images) {
        if (image.box.width() > 0) {
            placed.append({turn(image.box).x(),
                           imageItem(image.image->bits, image.image->scaleX, image.box, turn)});
        }
    }

    QList<PlacedRun> runs = layout.runs;
    std::stable_sort(runs.begin(), runs.end(), [](const PlacedRun &a, const PlacedRun &b) {
        return a.box.x() < b.box.x();
    });
    QList<Span> spans;
    for (const PlacedRun &run : std::as_const(runs)) {
        if (run.count == 0)
            continue;
        const Fields style = styleOf(*run.run, turn.frame.quarterTurns);
        if (spans.isEmpty() || spans.last().style != style || spans.last().end() != run.box.x()) {
            const TextStyle &s = run.run->style;
            spans.append({style, {}, run.box.y(), run.box.height(), s.underline > 0 || s.reverse});
        }
        const int pitch = characterPitch(run.run->style, run.run->doubleByte);
        for (int i = 0; i < run.count; ++i)
            spans.last().characters.append({run.run->text.at(i), run.box.x() + i * pitch, pitch});
    }
    for (Span &span : spans) {
        // Spaces that leave no ink at either end are not part of what the item shows.
        QList<Character> &characters = span.characters;
        if (!span.inkedSpaces) {
            while (!characters.isEmpty() && characters.first().character.isSpace())
                characters.removeFirst();
            while (!characters.isEmpty() && characters.last().character.isSpace())
                characters.removeLast();
        }
        if (characters.isEmpty())
            continue;
        QString text;
        for (const Character &character : std::as_const(characters))
            text += character.character;
        const int left = characters.first().x;
        const QRect rect = turn(QRect(left, span.top, span.end() - left, span.height));
        Fields fields{{"type", JsonWriter::quoted("text"_ba)}, {"text", JsonWriter::quoted(text)}};
        fields += box(rect);
        fields += span.style;
        placed.append({rect.x(), JsonWriter::object(fields)});
    }
    std::stable_sort(placed.begin(), placed.end(), [](const PlacedItem &a, const PlacedItem &b) {
        return a.x < b.x;
    });
    for (const PlacedItem &item : std::as_const(placed))
        items->append(item.json);
}

QByteArray hriName(HriPosition position)
{
    switch (position) {
    case HriPosition::None:
        break;
    case HriPosition::Above:
        return "above";
    case HriPosition::Below:
        return "below";
    case HriPosition::Both:
        return "both";
    }
    return "none";
}

QByteArray codeName(Code2D code)
{
    switch (code) {
    case Code2D::None:
        break;
    case Code2D::Qr:
        return "QR";
    case Code2D::MicroQr:
        return "MicroQR";
    case Code2D::Pdf417:
        return "PDF417";
    case Code2D::DataMatrix:
        return "DataMatrix";
    case Code2D::Aztec:
        return "Aztec";
    case Code2D::MaxiCode:
        return "MaxiCode";
    case Code2D::DataBar:
        return "GS1DataBar";
    case Code2D::Composite:
        return "Composite";
    }
    return {};
}

// Code data as text when it is UTF-8; otherwise also as the bytes in hexadecimal.
Fields codeData(const QByteArray &data)
{
    Fields fields{{"data", JsonWriter::quoted(QString::fromUtf8(data))}};
    if (!QUtf8StringView(data).isValidUtf8())
        fields.append({"data_hex", JsonWriter::quoted(data.toHex())});
    return fields;
}

// The items of each kind of block, where they stand on the paper.
struct Items
{
    QList<QByteArray> *items;
    Turn turn;

    void operator()(const TextLine &line, const BlockLayout &layout) const
    {
        // An upside-down line is turned half round within its print area.
        lineItems(layout,
                  line.upsideDown ? Turn{PageFrame{layout.area, 2}, layout.area.topLeft()} : turn,
                  items);
    }
    void operator()(const Barcode &barcode, const BlockLayout &layout) const
    {
        if (!layout.barcode.isValid())
            return;
        Fields fields{{"type", JsonWriter::quoted("barcode"_ba)},
                      {"symbology", JsonWriter::quoted(BarcodeEncoder::name(barcode.symbology))},
                      {"data", JsonWriter::quoted(layout.barcode.data)},
                      {"hri", JsonWriter::quoted(hriName(barcode.hri))}};
        fields += box(turn(layout.bars));
        items->append(JsonWriter::object(fields));
    }
    void operator()(const Picture &picture, const BlockLayout &layout) const
    {
        if (picture.code == Code2D::None) {
            items->append(imageItem(picture.bits, picture.scaleX, layout.picture, turn));
            return;
        }
        Fields fields{{"type", JsonWriter::quoted("code2d"_ba)},
                      {"symbology", JsonWriter::quoted(codeName(picture.code))}};
        fields += codeData(picture.data);
        fields += box(turn(layout.picture));
        items->append(JsonWriter::object(fields));
    }
    void operator()(const Page &page, const BlockLayout &layout) const
    {
        // Each print area's pieces, turned onto the paper with the area.
        qsizetype next = 0;
        for (const PageRegion &region : page.regions) {
            for (const PagePiece &piece : region.pieces) {
                if (next >= layout.pieces.size())
                    return;
                const BlockLayout &laid = layout.pieces.at(next++);
                const Items turned{items, Turn{layout.frames.at(laid.frame), {}}};
                std::visit([&](const auto &content) { turned(content, laid); }, piece.content);
            }
        }
    }
    void operator()(const DrawerPulse &pulse, const BlockLayout &) const
    {
        items->append(JsonWriter::object({{"type", JsonWriter::quoted("drawer"_ba)},
                                          {"pin", JsonWriter::number(pulse.pin)},
                                          {"on_ms", JsonWriter::number(pulse.onMs)},
                                          {"off_ms", JsonWriter::number(pulse.offMs)}}));
    }
    void operator()(const Beep &beep, const BlockLayout &) const
    {
        items->append(JsonWriter::object({{"type", JsonWriter::quoted("beep"_ba)},
                                          {"times", JsonWriter::number(beep.times)}}));
    }
    // Feeds, black marks and settings are no items.
    void operator()(const auto &, const BlockLayout &) const {}
};

QList<QByteArray> itemsOf(const Receipt &receipt, const ReceiptLayout &layout)
{
    QList<QByteArray> items;
    const Items visitor{&items, Turn{}};
    for (qsizetype i = 0; i < receipt.blocks.size(); ++i) {
        const BlockLayout &laid = layout.blocks.at(i);
        std::visit([&](const auto &block) { visitor(block, laid); }, receipt.blocks.at(i));
    }
    return items;
}

// The receipt as an object of the document's list, after what stands before it there.
QByteArray receiptObject(const Receipt &receipt,
                         QByteArrayView before = {},
                         const QString &source = {})
{
    const ReceiptLayout layout = ReceiptLayout::of(receipt);
    QList<QByteArray> lines;
    for (const QString &line : ReceiptText::lines(receipt, layout))
        lines.append(JsonWriter::quoted(line));
    QList<QByteArray> warnings;
    for (const QString &warning : receipt.warningLines() + layout.warnings)
        warnings.append(JsonWriter::quoted(warning));

    const QByteArray indent = "      ";
    const QByteArray lineArray = JsonWriter::array(lines, indent);
    const QByteArray itemArray = JsonWriter::array(itemsOf(receipt, layout), indent);
    const QByteArray warningArray = JsonWriter::array(warnings, indent);
    // Written into one allocation: the items of a long receipt run to megabytes.
    QByteArray out;
    out.reserve(lineArray.size() + itemArray.size() + warningArray.size() + 256);
    out += before;
    out += "{\n";
    out += indent;
    out += "\"number\": ";
    out += QByteArray::number(receipt.serial);
    out += ",\n";
    if (!source.isEmpty()) {
        out += indent;
        out += "\"source\": ";
        out += JsonWriter::quoted(source);
        out += ",\n";
    }
    out += indent;
    out += "\"command_set\": ";
    out += JsonWriter::quoted(commandSetId(receipt.commandSet));
    out += ",\n";
    out += indent;
    out += "\"height\": ";
    out += JsonWriter::number(layout.height);
    out += ",\n";
    out += indent;
    out += "\"cut\": ";
    out += JsonWriter::quoted(ReceiptJson::cutName(receipt.cut));
    out += ",\n";
    out += indent;
    out += "\"lines\": ";
    out += lineArray;
    out += ",\n";
    out += indent;
    out += "\"items\": ";
    out += itemArray;
    out += ",\n";
    out += indent;
    out += "\"warnings\": ";
    out += warningArray;
    out += "\n    }";
    return out;
}

} // namespace

QByteArray ReceiptJson::cutName(CutKind cut)
{
    switch (cut) {
    case CutKind::None:
        break;
    case CutKind::Full:
        return "full";
    case CutKind::Partial:
        return "partial";
    }
    return "none";
}

QByteArray ReceiptJson::receipt(const Receipt &receipt, const QString &source)
{
    // The object is indented to stand in the document's list; a string holds no line break, so
    // every line can be moved out by the list's indent.
    QByteArray object = receiptObject(receipt, {}, source);
    object.replace("\n    ", "\n");
    return object + '\n';
}

QByteArray ReceiptJson::write(const QList<Receipt> &receipts, int paperDots, const QString &source)
{
    QByteArray document = documentStart(paperDots);
    bool first = true;
    for (const Receipt &receipt : receipts) {
        if (!receipt.isEmpty())
            document += receiptObject(
                    receipt, std::exchange(first, false) ? "\n    " : ",\n    ", source);
    }
    return document + documentEnd(first);
}

QByteArray ReceiptJson::documentStart(int paperDots)
{
    const Fields paper{{"width_mm", JsonWriter::number(paperDots == PaperDots58 ? 58 : 80)},
                       {"dots", JsonWriter::number(paperDots)},
                       {"dpi", JsonWriter::number(Dpi)}};
    return "{\n  \"format\": \"virtual-printer-receipts\",\n  \"version\": "
           + JsonWriter::number(Version) + ",\n  \"paper\": " + JsonWriter::object(paper)
           + ",\n  \"receipts\": [";
}

QByteArray ReceiptJson::documentEntry(const Receipt &receipt, bool first)
{
    // A receipt a line of the list, as JsonWriter::array() writes values.
    return receiptObject(receipt, first ? "\n    " : ",\n    ");
}

QByteArray ReceiptJson::documentEnd(bool empty)
{
    return empty ? "]\n}\n"_ba : "\n  ]\n}\n"_ba;
}

} // namespace emulator
