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
    // The same picture written as PNG, drawn a band of rows at a time: a tall receipt is never
    // held whole, and its blank stretches cost little more than their height.
    bool writeReceiptPng(const Receipt &receipt,
                         QIODevice *device,
                         QStringList *warnings = nullptr) const;
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
    // A note in the margin and the picture row its top stands on.
    struct PlacedNote
    {
        int top = 0;
        QString text;
    };
    // Rows of the picture drawn at once when it is written a band at a time.
    static constexpr int BandRows = 256;

    static int pictureHeight(const Receipt &receipt, int height);
    QList<PlacedNote> notesOf(const Receipt &receipt, int height, const Sheet &sheet) const;
    // The picture's rows from firstRow on, as many as the band has, but for those likeAbove
    // marks, which are not asked for.
    void drawRows(QImage &band,
                  int firstRow,
                  const Receipt &receipt,
                  int height,
                  const Sheet &sheet,
                  const QList<PlacedNote> &notes,
                  const QList<bool> &likeAbove = {}) const;
    // For each row of the picture, whether it is the same as the row above it.
    static QList<bool> rowsLikeAbove(const Receipt &receipt,
                                     int height,
                                     const Sheet &sheet,
                                     const QList<PlacedNote> &notes);
    QImage picture(const Receipt &receipt, int height, const Sheet &sheet) const;
    void drawNote(QImage &image, int paperWidth, int top, const QString &text) const;
    void drawRefusal(QImage &image, const QRect &box, const QString &text) const;
    static void drawCut(QImage &image, int paperWidth, int y);

    GlyphCache m_glyphs;
    QFont m_noteFont;
};

} // namespace emulator
