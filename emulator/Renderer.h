#pragma once

#include "Receipt.h"
#include "ReceiptLayout.h"

#include <QFont>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QPoint>
#include <QStringList>

class QPainter;

namespace emulator {

// Pictures of receipts and what the printer would not have printed.
struct RenderResult
{
    QList<QImage> images; // one per receipt
    QStringList warnings;
};

// Draws receipts as 80 mm paper (576 dots of print) with a margin for notes on settings.
class Renderer
{
public:
    static constexpr int PrintableWidth = PaperDots80;
    static constexpr int PaperMargin = 32;
    static constexpr int PaperWidth = PrintableWidth + 2 * PaperMargin;
    static constexpr int GutterWidth = 170;
    static constexpr int ImageWidth = PaperWidth + GutterWidth;
    static constexpr int MaxReceiptHeight = 12000;
    static constexpr int MaxStackHeight = 24000;
    static constexpr int ReceiptGap = 12;
    // Bounds of the glyph caches: outlines by character, pictures by size and position.
    static constexpr qsizetype MaxGlyphOutlines = 4000;
    static constexpr qsizetype MaxGlyphPictureBytes = qsizetype(32) * 1024 * 1024;

    // Needs a QGuiApplication for its fonts.
    Renderer();

    QImage renderReceipt(const Receipt &receipt, QStringList *warnings = nullptr) const;
    // Every receipt that has something on it, the one still being printed included; when they
    // would be taller together than MaxStackHeight, only the newest.
    // With palette, each picture is turned into the receipt palette as soon as it is drawn,
    // which keeps a long run of receipts to a quarter of the memory.
    RenderResult render(const QList<Receipt> &receipts, bool palette = false) const;
    static QImage stack(const QList<QImage> &images, QStringList *warnings = nullptr);
    // Writes a picture as PNG with a palette of the colours receipts use, which is several
    // times faster to encode than full colour and loses nothing a receipt shows.
    static bool writePng(const QImage &image, QIODevice *device);
    // The picture in the palette of the colours receipts use.
    static QImage toPalette(const QImage &image);

    QString fontFamily() const { return m_font.family(); }

private:
    struct Glyph
    {
        QPainterPath path; // baseline at y = 0
        qreal advance = 0;
    };

    const Glyph &glyph(QChar character) const;
    struct GlyphPicture
    {
        QImage image;
        QPoint offset; // of the picture's top left from the pixel the glyph is placed at
    };
    // The picture of a glyph in its cell, from the cache, and the pixel it is placed at.
    const GlyphPicture &placedGlyph(QChar character,
                                    const TextStyle &style,
                                    bool doubleByte,
                                    const QRectF &cell,
                                    qreal lineTop,
                                    QPoint *at) const;
    void drawLine(QPainter &painter, const TextLine &line, const BlockLayout &layout) const;
    void drawBarcode(QPainter &painter,
                     const Barcode &barcode,
                     const BlockLayout &layout,
                     int paperDots) const;
    void drawHumanReadable(QPainter &painter,
                           const QString &text,
                           const Barcode &barcode,
                           const QRect &box) const;
    void drawCharacter(QPainter &painter,
                       QChar character,
                       const TextStyle &style,
                       bool doubleByte,
                       const QRectF &cell,
                       qreal lineTop) const;
    struct PaperGeometry
    {
        int paperWidth = PaperWidth; // pixels of paper, margins included
    };
    void drawNote(QPainter &painter,
                  const PaperGeometry &geometry,
                  int y,
                  const QString &text,
                  int *gutterY) const;

    QFont m_font;
    QFont m_noteFont;
    QList<QFont> m_fallbackFonts;
    mutable QHash<char16_t, Glyph> m_glyphs;
    // Glyphs already drawn at a given scale, turn, slant and quarter-pixel offset: drawing a
    // cached picture is far cheaper than filling the outline again.
    mutable QHash<QByteArray, GlyphPicture> m_pictures;
    mutable qsizetype m_pictureBytes = 0;
};

} // namespace emulator
