#include "Renderer.h"

#include "BarcodeEncoder.h"
#include "ReceiptLayout.h"

#include <QDataStream>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QIODevice>
#include <QImageWriter>
#include <QList>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <variant>

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

constexpr int TopMargin = 16;
constexpr int BottomMargin = 16;
constexpr int CutAllowance = 28;
constexpr qreal ScriptScale = 0.6;
constexpr qreal ItalicShear = -0.22;
constexpr qreal EmphasisShift = 0.6;
constexpr int GlyphPixels = 96; // size of the em square the outlines are taken at
constexpr qreal Baseline = 0.8; // baseline's depth in the em square

const QColor NoteColour(0x20, 0x50, 0xA0);
const QColor RefusalColour(0xD0, 0x00, 0x00);
const QColor GutterColour(0xE8, 0xE8, 0xE8);
const QColor GapColour(0x60, 0x60, 0x60); // between receipts in a stack

// Draws the dots of a one-bit picture, scaled, with its top left at the given point.
void drawDots(QPainter &painter,
              const QImage &bits,
              qreal left,
              qreal top,
              int scaleX,
              int scaleY,
              qreal clipWidth)
{
    if (bits.isNull())
        return;
    QImage shown = bits.convertToFormat(QImage::Format_Mono);
    shown.setColorTable({qRgba(0, 0, 0, 0), qRgba(0, 0, 0, 255)});
    const QImage argb = shown.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const qreal width = std::min<qreal>(bits.width() * scaleX, clipWidth);
    if (width <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawImage(QRectF(left, top, width, bits.height() * scaleY),
                      argb,
                      QRectF(0, 0, width / scaleX, bits.height()));
    painter.restore();
}

QString cutName(CutKind kind)
{
    return kind == CutKind::Partial ? u"partial cut"_s : u"full cut"_s;
}

} // namespace

Renderer::Renderer()
{
    const QString preferred = u"WenQuanYi Micro Hei"_s;
    if (QFontDatabase::families().contains(preferred))
        m_font = QFont(preferred);
    else
        m_font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    m_font.setPixelSize(GlyphPixels);
    m_font.setKerning(false);
    m_font.setHintingPreference(QFont::PreferNoHinting);
    m_noteFont = m_font;
    m_noteFont.setPixelSize(13);

    // Fonts asked for a character whose outline the main font lacks.
    const QStringList families = QFontDatabase::families();
    for (const QString &family :
         {u"Droid Sans Fallback"_s, u"DejaVu Sans"_s, u"Noto Sans Mono"_s}) {
        if (families.contains(family)) {
            QFont font(family);
            font.setPixelSize(GlyphPixels);
            font.setHintingPreference(QFont::PreferNoHinting);
            m_fallbackFonts.append(font);
        }
    }
}

const Renderer::Glyph &Renderer::glyph(QChar character) const
{
    const auto it = m_glyphs.constFind(character.unicode());
    if (it != m_glyphs.cend())
        return *it;
    if (m_glyphs.size() >= MaxGlyphOutlines) {
        m_glyphs.clear();
        m_pictures.clear();
        m_pictureBytes = 0;
    }
    Glyph glyph;
    glyph.path.addText(0, 0, m_font, QString(character));
    glyph.advance = QFontMetricsF(m_font).horizontalAdvance(character);
    for (qsizetype i = 0; glyph.path.isEmpty() && i < m_fallbackFonts.size(); ++i) {
        glyph.path.addText(0, 0, m_fallbackFonts.at(i), QString(character));
        glyph.advance = QFontMetricsF(m_fallbackFonts.at(i)).horizontalAdvance(character);
    }
    if (glyph.advance <= 0)
        glyph.advance = GlyphPixels / 2.0;
    return *m_glyphs.insert(character.unicode(), glyph);
}

void Renderer::drawCharacter(QPainter &painter,
                             QChar character,
                             const TextStyle &style,
                             bool doubleByte,
                             const QRectF &cell,
                             qreal lineTop) const
{
    if (character.isSpace())
        return;
    const int across = doubleByte ? style.chineseWidth : style.widthMultiplier;
    const int up = doubleByte ? style.chineseHeight : style.heightMultiplier;
    if ((across > 1 || up > 1) && style.script == Script::Normal) {
        // The print head magnifies a character by repeating its dots: the picture at normal
        // size, placed in a cell at the origin, is drawn larger dot for dot.
        TextStyle plain = style;
        plain.widthMultiplier = plain.heightMultiplier = 1;
        plain.chineseWidth = plain.chineseHeight = 1;
        const CellSize base = cellSize(plain, doubleByte);
        QPoint at;
        const GlyphPicture &picture = placedGlyph(
                character, plain, doubleByte, QRectF(0, 0, base.width, base.height), 0, &at);
        const QPointF corner = at + picture.offset;
        painter.drawImage(QRectF(cell.left() + corner.x() * across,
                                 cell.top() + corner.y() * up,
                                 qreal(picture.image.width()) * across,
                                 qreal(picture.image.height()) * up),
                          picture.image);
        return;
    }
    QPoint at;
    const GlyphPicture &picture = placedGlyph(character, style, doubleByte, cell, lineTop, &at);
    painter.drawImage(at + picture.offset, picture.image);
}

const Renderer::GlyphPicture &Renderer::placedGlyph(QChar character,
                                                    const TextStyle &style,
                                                    bool doubleByte,
                                                    const QRectF &cell,
                                                    qreal lineTop,
                                                    QPoint *at) const
{
    const Glyph &g = glyph(character);
    TextStyle unscaled = style;
    unscaled.widthMultiplier = unscaled.heightMultiplier = 1;
    unscaled.chineseWidth = unscaled.chineseHeight = 1;
    const CellSize base = cellSize(unscaled, doubleByte);
    const int across = doubleByte ? style.chineseWidth : style.widthMultiplier;
    const int up = doubleByte ? style.chineseHeight : style.heightMultiplier;
    const qreal em = GlyphPixels;
    const qreal script = style.script == Script::Normal ? 1.0 : ScriptScale;

    QTransform transform;
    if (!style.rotated) {
        // The em square fills the cell's height; a glyph wider than the cell is squeezed.
        qreal sy = base.height / em;
        qreal sx = std::min(sy, base.width / g.advance);
        sx *= across * script;
        sy *= up * script;
        const qreal left = cell.left() + (cell.width() - g.advance * sx) / 2;
        const qreal top = style.script == Script::Superscript ? lineTop : cell.bottom() - em * sy;
        transform.translate(left, top + Baseline * em * sy);
        transform.scale(sx, sy);
    } else {
        // Turned a quarter clockwise: the top of the character faces the right-hand edge.
        const qreal acrossUnit = base.width / em;
        const qreal along = std::min(acrossUnit, base.height / g.advance);
        const qreal sx = acrossUnit * across * script;
        const qreal sy = along * up * script;
        const qreal left = cell.left() + (cell.width() - em * sx) / 2 + (1 - Baseline) * em * sx;
        const qreal top = cell.top() + (cell.height() - g.advance * sy) / 2;
        transform.translate(left, top);
        transform.scale(sx, sy);
        transform.rotate(90);
    }
    if (style.italic)
        transform.shear(ItalicShear, 0);

    // The glyph is placed at a whole pixel plus a quarter-pixel step; its picture at that step
    // is drawn once and then reused.
    const qreal x = std::floor(transform.dx());
    const qreal y = std::floor(transform.dy());
    const qreal stepX = std::round((transform.dx() - x) * 4) / 4;
    const qreal stepY = std::round((transform.dy() - y) * 4) / 4;
    const QTransform local(
            transform.m11(), transform.m12(), transform.m21(), transform.m22(), stepX, stepY);

    QByteArray key;
    {
        QDataStream stream(&key, QIODevice::WriteOnly);
        stream << character.unicode() << style.emphasized << style.doubleStrike << style.reverse
               << qRound(local.m11() * 4096) << qRound(local.m12() * 4096)
               << qRound(local.m21() * 4096) << qRound(local.m22() * 4096) << qRound(stepX * 4)
               << qRound(stepY * 4);
    }
    auto picture = m_pictures.constFind(key);
    if (picture == m_pictures.cend()) {
        // Pictures of every size and position a long session has seen would grow without
        // end; starting afresh costs only redrawing the ones still in use.
        if (m_pictureBytes >= MaxGlyphPictureBytes) {
            m_pictures.clear();
            m_pictureBytes = 0;
        }
        const QPainterPath path = local.map(g.path);
        const QRect bounds = path.boundingRect().toAlignedRect().adjusted(-2, -2, 3, 2);
        GlyphPicture drawn{QImage(bounds.size(), QImage::Format_ARGB32_Premultiplied),
                           bounds.topLeft()};
        drawn.image.fill(Qt::transparent);
        QPainter glyphPainter(&drawn.image);
        glyphPainter.setRenderHint(QPainter::Antialiasing);
        glyphPainter.translate(-bounds.topLeft());
        const QColor ink = style.reverse ? Qt::white : Qt::black;
        glyphPainter.fillPath(path, ink);
        if (style.emphasized) {
            // Emphasis thickens every stroke by about a dot: the outline is filled again a
            // little to each side, which costs far less than stroking it.
            for (const QPointF shift : {QPointF(EmphasisShift, 0),
                                        QPointF(-EmphasisShift, 0),
                                        QPointF(0, EmphasisShift),
                                        QPointF(0, -EmphasisShift)})
                glyphPainter.fillPath(path.translated(shift), ink);
        }
        if (style.doubleStrike)
            glyphPainter.fillPath(path.translated(1, 0), ink);
        glyphPainter.end();
        m_pictureBytes += drawn.image.sizeInBytes() + key.size();
        picture = m_pictures.insert(key, drawn);
    }
    *at = QPoint(int(x), int(y));
    return *picture;
}

void Renderer::drawLine(QPainter &painter, const TextLine &line, const BlockLayout &layout) const
{
    painter.save();
    if (line.upsideDown) {
        // The whole line is turned half round within the print area.
        const QPointF centre = QRectF(layout.area).center();
        painter.translate(centre);
        painter.rotate(180);
        painter.translate(-centre);
    }
    for (const PlacedImage &placed : layout.images) {
        const LineImage &image = *placed.image;
        drawDots(painter,
                 image.bits,
                 placed.box.x(),
                 placed.box.y(),
                 image.scaleX,
                 image.scaleY,
                 placed.box.width());
    }
    for (const PlacedRun &placed : layout.runs) {
        const TextRun &run = *placed.run;
        const CellSize cell = cellSize(run.style, run.doubleByte);
        const int pitch = characterPitch(run.style, run.doubleByte);
        for (int i = 0; i < placed.count; ++i) {
            const int x = placed.box.x() + i * pitch;
            const QRectF rect(x + leadingSpace(run.style, run.doubleByte),
                              placed.box.y(),
                              cell.width,
                              cell.height);
            if (run.style.reverse)
                painter.fillRect(QRectF(x, rect.top(), pitch, cell.height), Qt::black);
            drawCharacter(painter, run.text.at(i), run.style, run.doubleByte, rect, layout.top);
            if (run.style.underline > 0) {
                painter.fillRect(
                        QRectF(x, rect.bottom() - run.style.underline, pitch, run.style.underline),
                        run.style.reverse ? Qt::white : Qt::black);
            }
        }
    }
    painter.restore();
}

void Renderer::drawHumanReadable(QPainter &painter,
                                 const QString &text,
                                 const Barcode &barcode,
                                 const QRect &box) const
{
    const CellSize cell = ReceiptLayout::hriCell(barcode);
    const TextStyle style{.fontB = barcode.hriFontB};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QRectF rect(box.x() + i * cell.width, box.y(), cell.width, cell.height);
        drawCharacter(painter, text.at(i), style, false, rect, box.y());
    }
}

void Renderer::drawBarcode(QPainter &painter,
                           const Barcode &barcode,
                           const BlockLayout &layout,
                           int paperDots) const
{
    const EncodedBarcode &encoded = layout.barcode;
    if (!encoded.isValid()) {
        const QRect box(
                0, layout.top + ReceiptLayout::BarcodeGap, paperDots, ReceiptLayout::RefusalHeight);
        painter.save();
        painter.setPen(QPen(RefusalColour, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box.adjusted(1, 1, -2, -2));
        QFont font = m_noteFont;
        font.setPixelSize(16);
        painter.setFont(font);
        painter.drawText(box.adjusted(10, 4, -10, -4),
                         Qt::AlignCenter | Qt::TextWordWrap,
                         u"%1 not printed: %2"_s.arg(BarcodeEncoder::name(barcode.symbology),
                                                     encoded.error));
        painter.restore();
        return;
    }
    if (!layout.hriAbove.isNull())
        drawHumanReadable(painter, encoded.humanReadable, barcode, layout.hriAbove);
    const QBitArray &modules = encoded.modules;
    for (qsizetype m = 0; m < modules.size();) {
        if (!modules.testBit(m)) {
            ++m;
            continue;
        }
        qsizetype end = m;
        while (end < modules.size() && modules.testBit(end))
            ++end;
        painter.fillRect(QRect(layout.bars.x() + int(m) * barcode.moduleWidth,
                               layout.bars.y(),
                               int(end - m) * barcode.moduleWidth,
                               layout.bars.height()),
                         Qt::black);
        m = end;
    }
    if (!layout.hriBelow.isNull())
        drawHumanReadable(painter, encoded.humanReadable, barcode, layout.hriBelow);
}

void Renderer::drawNote(QPainter &painter,
                        const PaperGeometry &geometry,
                        int y,
                        const QString &text,
                        int *gutterY) const
{
    const int top = std::max(y, *gutterY);
    painter.save();
    painter.setPen(NoteColour);
    painter.setFont(m_noteFont);
    painter.drawLine(geometry.paperWidth, top + 8, geometry.paperWidth + 5, top + 8);
    const QFontMetrics metrics(m_noteFont);
    painter.drawText(QRect(geometry.paperWidth + 8, top, GutterWidth - 10, 16),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(text, Qt::ElideRight, GutterWidth - 10));
    painter.restore();
    *gutterY = top + 16;
}

QImage Renderer::renderReceipt(const Receipt &receipt, QStringList *warnings) const
{
    const ReceiptLayout layout = ReceiptLayout::of(receipt);
    if (warnings)
        *warnings += layout.warnings;

    // A receipt too long to draw keeps its end, which is what a viewer watches.
    const int bottom = BottomMargin + (receipt.cut != CutKind::None ? CutAllowance : 0);
    const int room = MaxReceiptHeight - TopMargin - bottom;
    qsizetype first = layout.blocks.size();
    while (first > 0 && layout.height - layout.blocks.at(first - 1).top <= room)
        --first;
    const int shown = first < layout.blocks.size() ? layout.blocks.at(first).top : layout.height;
    const bool shortened = receipt.truncated || first > 0;
    if (first > 0 && warnings)
        warnings->append(u"receipt too long to draw; its first part is left out"_s);

    const int paperWidth = receipt.paperDots + 2 * PaperMargin;
    QImage image(paperWidth + GutterWidth,
                 TopMargin + layout.height - shown + bottom,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(paperWidth, 0, GutterWidth, image.height(), GutterColour);
    const PaperGeometry geometry{paperWidth};

    int gutterY = 0;
    if (shortened)
        drawNote(painter, geometry, 0, u"earlier part not kept"_s, &gutterY);

    // Dots of the layout are pixels of the picture, the print area inside the paper's margin.
    const QPoint origin(PaperMargin, TopMargin - shown);
    for (qsizetype i = first; i < layout.blocks.size(); ++i) {
        const ReceiptBlock &block = receipt.blocks.at(i);
        const BlockLayout &placed = layout.blocks.at(i);
        const int y = origin.y() + placed.top; // in the picture
        painter.save();
        painter.translate(origin);
        if (const auto *line = std::get_if<TextLine>(&block)) {
            drawLine(painter, *line, placed);
        } else if (const auto *picture = std::get_if<Picture>(&block)) {
            drawDots(painter,
                     picture->bits,
                     placed.picture.x(),
                     placed.picture.y(),
                     picture->scaleX,
                     picture->scaleY,
                     placed.picture.width());
        } else if (const auto *barcode = std::get_if<Barcode>(&block)) {
            drawBarcode(painter, *barcode, placed, receipt.paperDots);
        }
        painter.restore();
        if (std::holds_alternative<BlackMark>(block)) {
            const int mark = y + placed.height - 28;
            painter.fillRect(0, mark, 24, 24, Qt::black);
            drawNote(painter, geometry, mark, u"black mark"_s, &gutterY);
        } else if (const auto *note = std::get_if<SettingNote>(&block)) {
            drawNote(painter, geometry, y, note->text, &gutterY);
        } else if (const auto *pulse = std::get_if<DrawerPulse>(&block)) {
            drawNote(painter, geometry, y, u"drawer pulse, pin %1"_s.arg(pulse->pin), &gutterY);
        } else if (const auto *beep = std::get_if<Beep>(&block)) {
            drawNote(painter, geometry, y, u"buzzer %1 time(s)"_s.arg(beep->times), &gutterY);
        }
    }

    if (receipt.cut != CutKind::None) {
        const int cutY = origin.y() + layout.height + BottomMargin + CutAllowance / 2;
        painter.save();
        QPen pen(Qt::darkGray, 1.5, Qt::DashLine);
        painter.setPen(pen);
        painter.drawLine(0, cutY, paperWidth, cutY);
        painter.restore();
        drawNote(painter, geometry, cutY - 8, cutName(receipt.cut), &gutterY);
    }
    return image;
}

RenderResult Renderer::render(const QList<Receipt> &receipts, bool palette) const
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
        QImage image = renderReceipt(receipt, &own);
        result.images.prepend(palette ? toPalette(image) : image);
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
    // The newest receipts are kept when not all of them fit.
    int height = 0;
    qsizetype first = images.size();
    while (first > 0) {
        const int next = height + (first < images.size() ? ReceiptGap : 0)
                         + images.at(first - 1).height();
        if (next > MaxStackHeight)
            break;
        height = next;
        --first;
    }
    if (first > 0 && warnings)
        warnings->append(u"%1 earlier receipt(s) left out of the picture"_s.arg(first));
    int width = 1;
    bool indexed = true;
    for (qsizetype i = first; i < images.size(); ++i) {
        width = std::max(width, images.at(i).width());
        indexed = indexed && images.at(i).format() == QImage::Format_Indexed8;
    }
    if (indexed && first < images.size()) {
        // Pictures in the receipt palette are laid row by row, a quarter of the memory.
        QImage result(width, std::max(height, 1), QImage::Format_Indexed8);
        result.setColorTable(images.at(first).colorTable());
        QImage gap(1, 1, QImage::Format_RGB32);
        gap.fill(GapColour);
        result.fill(uint(toPalette(gap).pixelIndex(0, 0)));
        int y = 0;
        for (qsizetype i = first; i < images.size(); ++i) {
            const QImage &image = images.at(i);
            for (int row = 0; row < image.height(); ++row)
                std::memcpy(
                        result.scanLine(y + row), image.constScanLine(row), size_t(image.width()));
            y += image.height() + ReceiptGap;
        }
        return result;
    }
    QImage result(width, std::max(height, 1), QImage::Format_RGB32);
    result.fill(GapColour);
    QPainter painter(&result);
    int y = 0;
    for (qsizetype i = first; i < images.size(); ++i) {
        painter.drawImage(0, y, images.at(i));
        y += images.at(i).height() + ReceiptGap;
    }
    return result;
}

QImage Renderer::toPalette(const QImage &image)
{
    if (image.format() == QImage::Format_Indexed8)
        return image;
    static const QList<QRgb> palette = [] {
        QList<QRgb> colours;
        // Greys for black print, its smoothed edges, the paper and the margin.
        for (int i = 0; i < 160; ++i)
            colours.append(qRgb(i * 255 / 159, i * 255 / 159, i * 255 / 159));
        // Notes and refusals, smoothed into the paper and into the margin.
        for (const QColor &ink : {NoteColour, RefusalColour}) {
            for (const QColor &ground : {QColor(Qt::white), GutterColour}) {
                for (int step = 1; step <= 24; ++step) {
                    const qreal a = step / 24.0;
                    colours.append(qRgb(qRound(ink.red() * a + ground.red() * (1 - a)),
                                        qRound(ink.green() * a + ground.green() * (1 - a)),
                                        qRound(ink.blue() * a + ground.blue() * (1 - a))));
                }
            }
        }
        return colours;
    }();
    // Each colour is matched to the palette once; long runs of paper need no look-up at all.
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    QImage indexed(source.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette);
    QHash<QRgb, uchar> matched;
    auto nearest = [&](QRgb colour) {
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
    };
    QRgb last = 0;
    uchar lastIndex = nearest(last);
    for (int y = 0; y < source.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        uchar *out = indexed.scanLine(y);
        for (int x = 0; x < source.width(); ++x) {
            const QRgb colour = in[x] | 0xFF000000;
            if (colour != last) {
                last = colour;
                auto found = matched.constFind(colour);
                if (found == matched.cend())
                    found = matched.insert(colour, nearest(colour));
                lastIndex = *found;
            }
            out[x] = lastIndex;
        }
    }
    return indexed;
}

bool Renderer::writePng(const QImage &image, QIODevice *device)
{
    QImageWriter writer(device, "png");
    writer.setQuality(80); // the fastest zlib level: a receipt is mostly runs of paper
    return writer.write(toPalette(image));
}

} // namespace emulator
