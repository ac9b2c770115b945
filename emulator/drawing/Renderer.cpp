#include "Renderer.h"

#include "BlockKinds.h"
#include "PngWriter.h"
#include "ReceiptLayout.h"

#include <QFontMetrics>
#include <QHash>
#include <QIODevice>
#include <QPainter>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

constexpr int BottomMargin = 16;
constexpr int CutAllowance = 28;
constexpr int NoteHeight = 16;
constexpr int BlackMarkSize = 24;

const QColor NoteColour(0x20, 0x50, 0xA0);
const QColor RefusalColour(0xD0, 0x00, 0x00);
const QColor GutterColour(0xE8, 0xE8, 0xE8);
const QColor GapColour(0x60, 0x60, 0x60); // between receipts in a stack

// Every colour a receipt's picture has: the paper and its dots, the margin beside it, the gap
// between receipts, the cut's line, and the notes and refusals with three steps of smoothing
// into the margin and into the paper.
const QList<QRgb> &receiptPalette()
{
    static const QList<QRgb> palette = [] {
        QList<QRgb> colours{qRgb(255, 255, 255),
                            qRgb(0, 0, 0),
                            GutterColour.rgb(),
                            GapColour.rgb(),
                            QColor(Qt::darkGray).rgb(),
                            qRgb(0xC0, 0xC0, 0xC0)};
        for (const auto &[ink, ground] :
             {std::pair{NoteColour, GutterColour}, std::pair{RefusalColour, QColor(Qt::white)}}) {
            for (int step = 1; step <= 4; ++step) {
                const qreal a = step / 4.0;
                colours.append(qRgb(qRound(ink.red() * a + ground.red() * (1 - a)),
                                    qRound(ink.green() * a + ground.green() * (1 - a)),
                                    qRound(ink.blue() * a + ground.blue() * (1 - a))));
            }
        }
        return colours;
    }();
    return palette;
}

uchar nearestIndex(QRgb colour)
{
    const QList<QRgb> &palette = receiptPalette();
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(colour) - qRed(palette[i]);
        const int dg = qGreen(colour) - qGreen(palette[i]);
        const int db = qBlue(colour) - qBlue(palette[i]);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return uchar(best);
}

const uchar Black = nearestIndex(qRgb(0, 0, 0));
const uchar White = nearestIndex(qRgb(255, 255, 255));
const uchar Gutter = nearestIndex(GutterColour.rgb());
const uchar Gap = nearestIndex(GapColour.rgb());

// Eight pixels of the picture for each byte of dots: the leftmost dot in the highest bit.
const std::array<std::array<uchar, 8>, 256> &expandedBytes()
{
    static const auto table = [] {
        std::array<std::array<uchar, 8>, 256> bytes{};
        for (int byte = 0; byte < 256; ++byte) {
            for (int bit = 0; bit < 8; ++bit)
                bytes[byte][bit] = (byte & (0x80 >> bit)) ? Black : White;
        }
        return bytes;
    }();
    return table;
}

// Something drawn in colour (a note, a refusal, the cut) laid into the picture at `at`.
void paste(QImage &image, const QImage &drawn, QPoint at)
{
    const QImage indexed = Renderer::toPalette(drawn);
    for (int y = 0; y < indexed.height(); ++y) {
        const int row = at.y() + y;
        if (row < 0 || row >= image.height())
            continue;
        const int left = std::max(0, at.x());
        const int right = std::min(image.width(), at.x() + indexed.width());
        if (left < right) {
            std::memcpy(image.scanLine(row) + left,
                        indexed.constScanLine(y) + (left - at.x()),
                        size_t(right - left));
        }
    }
}

QString cutName(CutKind kind)
{
    return kind == CutKind::Partial ? u"partial cut"_s : u"full cut"_s;
}

} // namespace

Renderer::Renderer()
{
    m_noteFont = QFont(m_glyphs.family());
    m_noteFont.setPixelSize(13);
}

void Renderer::drawNote(QImage &image, int paperWidth, int top, const QString &text) const
{
    QImage note(GutterWidth, NoteHeight, QImage::Format_RGB32);
    note.fill(GutterColour);
    QPainter painter(&note);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(NoteColour);
    painter.setFont(m_noteFont);
    painter.drawLine(0, 8, 5, 8);
    const QFontMetrics metrics(m_noteFont);
    painter.drawText(QRect(8, 0, GutterWidth - 10, NoteHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(text, Qt::ElideRight, GutterWidth - 10));
    painter.end();
    paste(image, note, QPoint(paperWidth, top));
}

void Renderer::drawRefusal(QImage &image, const QRect &box, const QString &text) const
{
    // A box across the paper where the refused block would have printed; it is no ink.
    QImage refusal(box.size(), QImage::Format_RGB32);
    refusal.fill(Qt::white);
    QPainter painter(&refusal);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(RefusalColour, 3));
    painter.setBrush(Qt::NoBrush);
    const QRect inside(QPoint(0, 0), box.size());
    painter.drawRect(inside.adjusted(1, 1, -2, -2));
    QFont font = m_noteFont;
    font.setPixelSize(16);
    painter.setFont(font);
    painter.drawText(inside.adjusted(10, 4, -10, -4), Qt::AlignCenter | Qt::TextWordWrap, text);
    painter.end();
    paste(image, refusal, box.topLeft() + QPoint(PaperMargin, TopMargin));
}

void Renderer::drawCut(QImage &image, int paperWidth, int y)
{
    QImage cut(paperWidth, 4, QImage::Format_RGB32);
    cut.fill(Qt::white);
    QPainter painter(&cut);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::darkGray, 1.5, Qt::DashLine));
    painter.drawLine(0, 2, paperWidth, 2);
    painter.end();
    paste(image, cut, QPoint(0, y - 2));
}

QList<Renderer::PlacedNote> Renderer::notesOf(const Receipt &receipt,
                                              int height,
                                              const Sheet &sheet) const
{
    // Notes stand in the margin beside the row they name, each below the one before it.
    QList<PlacedNote> placed;
    int gutterY = 0;
    const auto place = [&placed, &gutterY](int y, const QString &text) {
        const int top = std::max(y, gutterY);
        placed.append({top, text});
        gutterY = top + NoteHeight;
    };
    if (receipt.leftOut > 0) {
        place(0,
              u"first %1 m not kept"_s.arg(
                      receipt.leftOut / ReceiptLayout::DotsPerMetre, 0, 'f', 2));
    }
    for (const Sheet::Note &note : sheet.notes)
        place(TopMargin + note.y, note.text);
    if (receipt.cut != CutKind::None)
        place(TopMargin + height + BottomMargin + CutAllowance / 2 - 8, cutName(receipt.cut));
    return placed;
}

int Renderer::pictureHeight(const Receipt &receipt, int height)
{
    return TopMargin + height + BottomMargin + (receipt.cut != CutKind::None ? CutAllowance : 0);
}

void Renderer::drawRows(QImage &band,
                        int firstRow,
                        const Receipt &receipt,
                        int height,
                        const Sheet &sheet,
                        const QList<PlacedNote> &notes,
                        const QList<bool> &likeAbove) const
{
    // Rows firstRow on of the picture; what stands outside them is left out, so that a tall
    // receipt is drawn a band at a time and a blank stretch costs no more than its rows.
    const int paperWidth = receipt.paperDots + 2 * PaperMargin;
    const auto &expanded = expandedBytes();
    const DotCanvas &dots = *sheet.dots;
    const int dotBytes = std::min(dots.width(), receipt.paperDots) / 8;
    const int rows = band.height();
    for (int y = 0; y < rows; ++y) {
        if (firstRow + y < likeAbove.size() && likeAbove.at(firstRow + y))
            continue; // never asked for: the row above stands for it
        uchar *row = band.scanLine(y);
        std::memset(row, White, size_t(paperWidth));
        std::memset(row + paperWidth, Gutter, size_t(GutterWidth));
        const int dotRow = firstRow + y - TopMargin;
        if (dotRow < 0 || dotRow >= height || dotRow >= dots.height())
            continue;
        const uchar *bits = dots.image().constScanLine(dotRow);
        uchar *paper = row + PaperMargin;
        for (int i = 0; i < dotBytes; ++i) {
            if (bits[i] != 0)
                std::memcpy(paper + qsizetype(8) * i, expanded[bits[i]].data(), 8);
        }
    }
    const auto meets = [firstRow, rows](int top, int tall) {
        return top < firstRow + rows && top + tall > firstRow;
    };
    for (const int mark : sheet.blackMarks) {
        for (int y = TopMargin + mark; y < TopMargin + mark + BlackMarkSize; ++y) {
            if (y >= firstRow && y < firstRow + rows)
                std::memset(band.scanLine(y - firstRow), Black, BlackMarkSize);
        }
    }
    for (const Sheet::Refusal &refusal : sheet.refusals) {
        if (meets(TopMargin + refusal.box.top(), refusal.box.height()))
            drawRefusal(band, refusal.box.translated(0, -firstRow), refusal.text);
    }
    if (receipt.cut != CutKind::None) {
        const int cutY = TopMargin + height + BottomMargin + CutAllowance / 2;
        if (meets(cutY - 2, 4))
            drawCut(band, paperWidth, cutY - firstRow);
    }
    for (const PlacedNote &note : notes) {
        if (meets(note.top, NoteHeight))
            drawNote(band, paperWidth, note.top - firstRow, note.text);
    }
}

QImage Renderer::picture(const Receipt &receipt, int height, const Sheet &sheet) const
{
    QImage image(receipt.paperDots + 2 * PaperMargin + GutterWidth,
                 pictureHeight(receipt, height),
                 QImage::Format_Indexed8);
    if (image.isNull())
        return image;
    image.setColorTable(receiptPalette());
    drawRows(image, 0, receipt, height, sheet, notesOf(receipt, height, sheet));
    return image;
}

QList<bool> Renderer::rowsLikeAbove(const Receipt &receipt,
                                    int height,
                                    const Sheet &sheet,
                                    const QList<PlacedNote> &notes)
{
    // A row is like the one above it when neither has anything drawn over the paper and both
    // have the same dots: such rows need not be drawn at all, so that a long feed or letters
    // many dots tall cost little more than their first row.
    const int rows = pictureHeight(receipt, height);
    QList<bool> drawnOver(rows, false);
    const auto mark = [&drawnOver, rows](int top, int tall) {
        for (int y = std::max(0, top); y < std::min(rows, top + tall); ++y)
            drawnOver[y] = true;
    };
    for (const int blackMark : sheet.blackMarks)
        mark(TopMargin + blackMark, BlackMarkSize);
    for (const Sheet::Refusal &refusal : sheet.refusals)
        mark(TopMargin + refusal.box.top(), refusal.box.height());
    if (receipt.cut != CutKind::None)
        mark(TopMargin + height + BottomMargin + CutAllowance / 2 - 2, 4);
    for (const PlacedNote &note : notes)
        mark(note.top, NoteHeight);
    const DotCanvas &dots = *sheet.dots;
    const uchar *bits = dots.image().constBits();
    const qsizetype stride = dots.image().bytesPerLine();
    const int dotBytes = std::min(dots.width(), receipt.paperDots) / 8;
    const auto dotRow = [&](int y) {
        const int row = y - TopMargin;
        return row >= 0 && row < height && row < dots.height() ? row : -1;
    };
    QList<bool> likeAbove(rows, false);
    for (int y = 1; y < rows; ++y) {
        if (drawnOver.at(y) || drawnOver.at(y - 1))
            continue;
        const int row = dotRow(y);
        const int above = dotRow(y - 1);
        likeAbove[y] = row < 0 || above < 0 ? row == above
                                            : std::memcmp(bits + row * stride,
                                                          bits + above * stride,
                                                          size_t(dotBytes))
                                                      == 0;
    }
    return likeAbove;
}

bool Renderer::writeReceiptPng(const Receipt &receipt,
                               QIODevice *device,
                               QStringList *warnings) const
{
    const ReceiptLayout layout = ReceiptLayout::of(receipt);
    if (warnings)
        *warnings += layout.warnings;
    DotCanvas dots(receipt.paperDots, layout.height);
    Sheet sheet(&dots, &m_glyphs);
    for (qsizetype i = 0; i < receipt.blocks.size(); ++i)
        drawBlock(receipt.blocks.at(i), layout.blocks.at(i), sheet);
    const QList<PlacedNote> notes = notesOf(receipt, layout.height, sheet);
    const int height = pictureHeight(receipt, layout.height);
    QImage band(receipt.paperDots + 2 * PaperMargin + GutterWidth,
                std::min(height, BandRows),
                QImage::Format_Indexed8);
    if (band.isNull())
        return false;
    band.setColorTable(receiptPalette());
    const QList<bool> likeAbove = rowsLikeAbove(receipt, layout.height, sheet, notes);
    int first = -BandRows;
    return PngWriter::write(
            QSize(band.width(), height),
            receiptPalette(),
            [&](int y) -> const uchar * {
                if (likeAbove.at(y))
                    return nullptr;
                if (y < first || y >= first + band.height()) {
                    first = y;
                    drawRows(band, first, receipt, layout.height, sheet, notes, likeAbove);
                }
                return band.constScanLine(y - first);
            },
            device);
}

QImage Renderer::renderReceipt(const Receipt &receipt, QStringList *warnings) const
{
    const ReceiptLayout layout = ReceiptLayout::of(receipt);
    if (warnings)
        *warnings += layout.warnings;
    DotCanvas dots(receipt.paperDots, layout.height);
    Sheet sheet(&dots, &m_glyphs);
    for (qsizetype i = 0; i < receipt.blocks.size(); ++i)
        drawBlock(receipt.blocks.at(i), layout.blocks.at(i), sheet);
    return picture(receipt, layout.height, sheet);
}

RenderResult Renderer::render(const QList<Receipt> &receipts) const
{
    // Newest first, until the pictures would be taller than one stack can show.
    RenderResult result;
    QList<QStringList> warnings;
    int height = 0;
    qsizetype left = 0;
    for (qsizetype i = receipts.size() - 1; i >= 0; --i) {
        const Receipt &receipt = receipts.at(i);
        if (receipt.isEmpty())
            continue;
        if (height >= MaxStackHeight) {
            ++left;
            continue;
        }
        QStringList own = receipt.warningLines();
        result.images.prepend(renderReceipt(receipt, &own));
        height += result.images.first().height() + ReceiptGap;
        for (QString &warning : own)
            warning = u"receipt %1: %2"_s.arg(i + 1).arg(warning);
        warnings.prepend(own);
    }
    if (left > 0)
        result.warnings.append(u"%1 earlier receipt(s) left out of the picture"_s.arg(left));
    for (const QStringList &own : std::as_const(warnings))
        result.warnings += own;
    return result;
}

QImage Renderer::stack(const QList<QImage> &images, QStringList *warnings)
{
    // The newest receipts are kept when not all of them fit, the newest always.
    if (images.size() == 1)
        return toPalette(images.first());
    int height = 0;
    qsizetype first = images.size();
    while (first > 0) {
        const int next = height + (first < images.size() ? ReceiptGap : 0)
                         + images.at(first - 1).height();
        if (next > MaxStackHeight && first < images.size())
            break;
        height = next;
        --first;
    }
    if (first > 0 && warnings)
        warnings->append(u"%1 earlier receipt(s) left out of the picture"_s.arg(first));
    int width = 1;
    for (qsizetype i = first; i < images.size(); ++i)
        width = std::max(width, images.at(i).width());
    QImage result(width, std::max(height, 1), QImage::Format_Indexed8);
    if (result.isNull())
        return result;
    result.setColorTable(receiptPalette());
    result.fill(uint(Gap));
    int y = 0;
    for (qsizetype i = first; i < images.size(); ++i) {
        const QImage image = toPalette(images.at(i));
        for (int row = 0; row < image.height(); ++row)
            std::memcpy(result.scanLine(y + row), image.constScanLine(row), size_t(image.width()));
        y += image.height() + ReceiptGap;
    }
    return result;
}

QImage Renderer::toPalette(const QImage &image)
{
    if (image.format() == QImage::Format_Indexed8 && image.colorTable() == receiptPalette())
        return image;
    // Each colour is matched to the palette once; long runs of one colour need no look-up.
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    QImage indexed(source.size(), QImage::Format_Indexed8);
    indexed.setColorTable(receiptPalette());
    QHash<QRgb, uchar> matched;
    QRgb last = qRgb(0, 0, 0);
    uchar lastIndex = Black;
    for (int y = 0; y < source.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        uchar *out = indexed.scanLine(y);
        for (int x = 0; x < source.width(); ++x) {
            const QRgb colour = in[x] | 0xFF000000;
            if (colour != last) {
                last = colour;
                auto found = matched.constFind(colour);
                if (found == matched.cend())
                    found = matched.insert(colour, nearestIndex(colour));
                lastIndex = *found;
            }
            out[x] = lastIndex;
        }
    }
    return indexed;
}

bool Renderer::writePng(const QImage &image, QIODevice *device)
{
    const QImage indexed = toPalette(image);
    return PngWriter::write(
            indexed.size(),
            indexed.colorTable(),
            [&indexed](int y) { return indexed.constScanLine(y); },
            device);
}

} // namespace emulator
