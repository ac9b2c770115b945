#pragma once

#include "CommandSetKind.h"
#include "TextStyle.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <variant>

namespace emulator {

// Dots across the print area: 80 mm paper takes 576 dots at 203 dpi, 58 mm paper 384.
constexpr int PaperDots80 = 576;
constexpr int PaperDots58 = 384;

// A stretch of characters printed with one style, side by side from a dot position.
struct TextRun
{
    QString text;
    TextStyle style;
    bool doubleByte = false; // each character came as a code page 936 or GB18030 code
    int x = 0;               // dots from the start of the print area to the first character

    friend bool operator==(const TextRun &, const TextRun &) = default;
};

// Dots placed in the line (bit images, user-defined characters), standing on the line's foot.
struct LineImage
{
    QImage bits; // one pixel a dot, black set
    int x = 0;
    int scaleX = 1;
    int scaleY = 1;

    int width() const { return bits.width() * scaleX; }
    int height() const { return bits.height() * scaleY; }
    friend bool operator==(const LineImage &, const LineImage &) = default;
};

// One printed line: what the print buffer held when the printer was told to print it.
struct TextLine
{
    QList<TextRun> runs;
    QList<LineImage> images;
    // Justification and upside-down printing count at the start of a line, so they are taken
    // from the state at the line's first character.
    Alignment alignment = Alignment::Left;
    bool upsideDown = false;
    int left = 0;                // left margin in dots
    int areaWidth = PaperDots80; // print area width in dots from the margin
    int feed = 30;               // dots the paper advances after the line, at least its height
    int width = 0;               // dots from the margin to the right end of the last dot placed

    friend bool operator==(const TextLine &, const TextLine &) = default;
};

enum class Symbology { UpcA, UpcE, Jan13, Jan8, Code39, Itf, Codabar, Code93, Code128 };

enum class HriPosition { None, Above, Below, Both };

// Where a block that prints on its own (barcode, picture) stands across the paper.
struct Placement
{
    Alignment alignment = Alignment::Left;
    int left = 0;
    int areaWidth = PaperDots80;

    // Where something `width` dots wide starts: justification moves it within the print area
    // by whole dots, half a dot to the left when the free space is odd.
    int leftOf(int width) const
    {
        const int free = width < areaWidth ? areaWidth - width : 0;
        switch (alignment) {
        case Alignment::Left:
            break;
        case Alignment::Centre:
            return left + free / 2;
        case Alignment::Right:
            return left + free;
        }
        return left;
    }

    friend bool operator==(const Placement &, const Placement &) = default;
};

// A barcode as received with GS k, with the barcode settings in force at that moment.
struct Barcode
{
    Symbology symbology = Symbology::Code39;
    QByteArray data;
    int height = 162;    // dots
    int moduleWidth = 3; // dots per narrow bar
    HriPosition hri = HriPosition::None;
    bool hriFontB = false;
    Placement placement;

    friend bool operator==(const Barcode &, const Barcode &) = default;
};

enum class Code2D { None, Qr, MicroQr, Pdf417, DataMatrix, Aztec, MaxiCode, DataBar, Composite };

// A picture that prints as a block of its own: raster and stored images, two-dimensional codes.
struct Picture
{
    QImage bits; // one pixel a dot, black set
    int scaleX = 1;
    int scaleY = 1;
    Placement placement;
    QString what; // "QR code", "raster image", ... for the log and the margin
    Code2D code = Code2D::None;
    QByteArray data; // a two-dimensional code's data as stored; a composite's "linear|2D"

    friend bool operator==(const Picture &, const Picture &) = default;
};

// Paper advanced without printing.
struct PaperFeed
{
    int dots = 0;

    friend bool operator==(const PaperFeed &, const PaperFeed &) = default;
};

// Paper fed until the next black mark on the back of the paper passes the sensor.
struct BlackMark
{
    friend bool operator==(const BlackMark &, const BlackMark &) = default;
};

// Something with no printed trace (speed, density, a test print), kept so that a viewer can
// annotate it beside the paper.
struct SettingNote
{
    QString text;

    friend bool operator==(const SettingNote &, const SettingNote &) = default;
};

// A pulse on a cash drawer's connector pin: on for onMs, then off for offMs.
struct DrawerPulse
{
    int pin = 2; // 2 or 5
    int onMs = 0;
    int offMs = 0;

    friend bool operator==(const DrawerPulse &, const DrawerPulse &) = default;
};

// The buzzer sounding.
struct Beep
{
    int times = 1;

    friend bool operator==(const Beep &, const Beep &) = default;
};

// Where a page starts and which way its lines run (ESC T): left to right from the top left,
// bottom to top from the bottom left, right to left from the bottom right, top to bottom from
// the top right.
enum class PrintDirection { LeftToRight, BottomToTop, RightToLeft, TopToBottom };

// Something placed on a page: a line of characters and bit images, a barcode or a picture. It
// stands on its foot, as a line's characters stand on the line's foot.
struct PagePiece
{
    std::variant<TextLine, Barcode, Picture> content;
    int foot = 0; // rows from the top of its print area, turned upright, to the piece's foot

    friend bool operator==(const PagePiece &, const PagePiece &) = default;
};

// A print area of a page and what was placed in it: the pieces are laid out as if the area
// stood upright, with its lines running left to right, and turned onto the paper by direction.
struct PageRegion
{
    QRect area; // on the paper: x from the print head's first dot, y from the page's top row
    PrintDirection direction = PrintDirection::LeftToRight;
    QList<PagePiece> pieces;

    friend bool operator==(const PageRegion &, const PageRegion &) = default;
};

// What page mode printed at once (FF, ESC FF): everything placed in its print areas.
struct Page
{
    QList<PageRegion> regions;
    int height = 0; // rows the page takes on the paper, to the end of its print area

    friend bool operator==(const Page &, const Page &) = default;
};

using ReceiptBlock = std::variant<TextLine,
                                  Barcode,
                                  Picture,
                                  PaperFeed,
                                  BlackMark,
                                  SettingNote,
                                  DrawerPulse,
                                  Beep,
                                  Page>;

enum class CutKind { None, Full, Partial };

// Bytes the printer could not print or act on, counted by kind.
struct WarningCount
{
    QString kind;
    int count = 0;

    friend bool operator==(const WarningCount &, const WarningCount &) = default;
};

// Everything printed between two cuts; cut is None while the receipt is still being printed.
struct Receipt
{
    QList<ReceiptBlock> blocks;
    CutKind cut = CutKind::None;
    int leftOut = 0; // dot rows of its beginning not kept: a receipt is kept to a bounded length
    quint64 serial = 0;
    int paperDots = PaperDots80;
    QList<WarningCount> warnings;
    CommandSetKind commandSet = CommandSetKind::EscPos; // the set its bytes were read in

    // Nothing printed and no cut: the receipt a printer holds before anything arrives.
    bool isEmpty() const { return blocks.isEmpty() && cut == CutKind::None; }

    // One line a kind, "12 × NUL ignored".
    QStringList warningLines() const
    {
        QStringList lines;
        for (const WarningCount &warning : warnings) {
            lines.append(warning.count == 1 ? warning.kind
                                            : QString::number(warning.count) + QStringLiteral(" × ")
                                                      + warning.kind);
        }
        return lines;
    }

    friend bool operator==(const Receipt &, const Receipt &) = default;
};

} // namespace emulator
