#pragma once

#include "GlyphCache.h"
#include "Receipt.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QStringList>

class QIODevice;

namespace emulator {

struct Sheet;

// Pictures of receipts and what the printer would not have printed.
struct RenderResult
{
    QList<QImage> images; // one per receipt
    QStringList warnings;
};

// Draws receipts as the paper shows them, black and white dots of the head (576 of print on
// 80 mm paper), with a margin beside the paper for notes on what has no dots.
class Renderer
{
public:
    static constexpr int PrintableWidth = PaperDots80;
    static constexpr int PaperMargin = 32;
    static constexpr int PaperWidth = PrintableWidth + 2 * PaperMargin;
    static constexpr int GutterWidth = 170;
    static constexpr int ImageWidth = PaperWidth + GutterWidth;
    static constexpr int TopMargin = 16;
    // Rows of one picture of several receipts; the newest receipt is always shown whole.
    static constexpr int MaxStackHeight = 24000;
    static constexpr int ReceiptGap = 12;

    // Needs a QGuiApplication for its fonts.
    Renderer();

    // The receipt's picture in the receipt palette: one byte a pixel, dot (x, y) of the receipt
    // at pixel (x + PaperMargin, y + TopMargin).
    QImage renderReceipt(const Receipt &receipt, QStringList *warnings = nullptr) const;
    // Every receipt that has something on it, the one still being printed included; when they
    // would be taller together than MaxStackHeight, only the newest.
    RenderResult render(const QList<Receipt> &receipts) const;
    static QImage stack(const QList<QImage> &images, QStringList *warnings = nullptr);
    // Writes a picture as PNG in the receipt palette, which is several times faster to encode
    // than full colour and loses nothing a receipt shows.
    static bool writePng(const QImage &image, QIODevice *device);
    // The picture in the palette of the colours receipts use.
    static QImage toPalette(const QImage &image);

    QString fontFamily() const { return m_glyphs.family(); }

private:
    QImage picture(const Receipt &receipt, int height, const Sheet &sheet) const;
    void drawNote(QImage &image, int paperWidth, int y, const QString &text, int *gutterY) const;
    void drawRefusal(QImage &image, const QRect &box, const QString &text) const;
    static void drawCut(QImage &image, int paperWidth, int y);

    GlyphCache m_glyphs;
    QFont m_noteFont;
};

} // namespace emulator
