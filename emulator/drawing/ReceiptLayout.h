#pragma once

#include "BarcodeEncoder.h"
#include "Receipt.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>

namespace emulator {

// A run of characters as the print head lays it: the cell box of its first `count` characters,
// which are those that end within the print area.
struct PlacedRun
{
    const TextRun *run = nullptr;
    QRect box;
    int count = 0;
};

// Dots placed in a line, cut at the print area's right edge.
struct PlacedImage
{
    const LineImage *image = nullptr;
    QRect box;
};

// How a print area of a page lies on the paper. What it holds is laid out as if the area stood
// upright (its lines running left to right from its top left corner), then turned.
struct PageFrame
{
    QRect area;           // on the paper, in dots of the receipt
    int quarterTurns = 0; // clockwise, from upright to the paper: 0 to 3

    static int quarterTurnsOf(PrintDirection direction);
    // The area upright: as wide as its lines are long.
    QSize upright() const;
    // Where a box of the upright area stands on the paper.
    QRect onPaper(const QRect &box) const;
};

// Where one block and what it holds stand on the paper. Positions are in dots: x from the first
// dot of the print head, y from the receipt's first dot row. An upside-down line is laid out as
// if upright; turned() gives where its parts end up.
struct BlockLayout
{
    int top = 0;
    int height = 0; // rows the block takes, the feed after a line included
    int foot = 0;   // rows from the top to what the block stands on: a line's foot, a barcode's end

    // A line: its characters and images stand on the foot of a box as tall as the tallest.
    int lineBox = 0;
    QList<PlacedRun> runs;
    QList<PlacedImage> images;
    QRect area; // the print area the line was composed for, lineBox rows high

    // A barcode: its bars and the human-readable characters above or below them; refused
    // bars leave a box of RefusalHeight rows.
    EncodedBarcode barcode;
    QRect bars;
    QRect hriAbove; // the characters' cells; null when not printed
    QRect hriBelow;

    // A picture, cut at the print area's right edge.
    QRect picture;

    // A page: its print areas, and what stands in each, laid out in its area's upright frame.
    QList<PageFrame> frames;
    QList<BlockLayout> pieces;
    int frame = -1; // of a piece: the frame it stands in

    // Where a box of an upside-down line stands once the line is turned half round.
    QRect turned(const QRect &box) const;
    // The same layout moved by offset dots.
    BlockLayout translated(QPoint offset) const;
};

// The receipt laid out on the paper, once for its picture and its description alike.
struct ReceiptLayout
{
    static constexpr int BarcodeGap = 8; // rows above and below a barcode's block
    static constexpr int HriGap = 4;     // rows between the bars and their characters
    static constexpr int RefusalHeight = 64;
    static constexpr int BlackMarkHeight = 48;
    // A single feed takes at most this many rows: a stray feed command makes no metres of paper.
    static constexpr int MaxFeed = 3000;
    static constexpr double DotsPerMetre = 203 / 0.0254; // the head prints 203 dots an inch

    QList<BlockLayout> blocks; // one for each of the receipt's blocks
    int height = 0;            // rows from the first to the end of the last block
    QStringList warnings;      // what the printer did not print or keep

    static ReceiptLayout of(const Receipt &receipt);
    // Rows a block takes on the paper.
    static int heightOf(const ReceiptBlock &block);
    // Cell size of the human-readable characters under and over a barcode.
    static CellSize hriCell(const Barcode &barcode);
};

} // namespace emulator
