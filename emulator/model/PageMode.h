#pragma once

#include "PrintBuffer.h"
#include "Receipt.h"

#include <QList>
#include <QRect>

#include <optional>
#include <variant>

namespace emulator {

// Page mode's page: characters, barcodes and pictures placed in print areas (ESC W) at the
// positions the host chooses, in four directions (ESC T), until FF or ESC FF prints them all at
// once. Positions run along the area's lines and across them, from the direction's start point.
class PageMode
{
public:
    // The print area's height at power-on, and the most rows a page takes.
    static constexpr int MaxHeight = 1662;
    // Lines, barcodes and pictures a page holds at most; what comes after is left out.
    static constexpr int MaxPieces = 4000;

    explicit PageMode(int paperDots = PaperDots80);

    // Power-on: the whole width and MaxHeight rows, left to right, nothing placed.
    void reset();
    // FF and ESC S: what was placed is dropped and the print area is the whole page again; the
    // direction stays.
    void clear();

    // ESC W, in dots: false when the area is empty or starts outside the page. An area reaching
    // past the page is cut at its edge.
    bool setArea(int x, int y, int width, int height);
    void setDirection(PrintDirection direction);
    PrintDirection direction() const { return m_direction; }
    QRect area() const { return m_area; }
    // Dots along the area's lines, and across them.
    int lineLength() const;
    int depth() const;

    // The line characters are composed in, as long as the area's lines.
    PrintBuffer &line() { return m_line; }
    const PrintBuffer &line() const { return m_line; }
    // GS $ and GS \: where the foot of the line stands, from the start point across the lines;
    // false when it would leave the print area.
    bool setFoot(int dots);
    bool moveFoot(int dots);
    // CR: back to the start of the line.
    void returnCarriage();
    // LF and ESC J: the line is placed and the next one starts `advance` rows on, at least
    // the line's height.
    void endLine(int advance);
    // A barcode or picture at the print position, standing on the line's foot; the position
    // moves on by its width.
    void place(std::variant<Barcode, Picture> piece, int width, int height);
    // CAN: what was placed in the current print area is dropped.
    void cancel();

    bool isEmpty() const;
    const QList<PageRegion> &regions() const { return m_regions; }
    // Pieces left out of the page since it was last cleared, for want of room.
    int leftOut() const { return m_leftOut; }
    // Bytes of the dots of the pictures placed in the regions.
    static qsizetype pictureBytes(const QList<PageRegion> &regions);
    // FF and ESC FF: the page as it prints, what the line holds included; nothing is dropped.
    Page print();

private:
    // A new start point: the first line's top at the start of the area.
    void restart();
    // What the line holds is placed on its foot; the print position stays.
    void placeLine();
    // Where a piece goes: the print area's region, or none when the page is full.
    QList<PagePiece> *pieces();

    int m_paperDots = PaperDots80;
    QRect m_area;
    PrintDirection m_direction = PrintDirection::LeftToRight;
    PrintBuffer m_line;
    QList<PageRegion> m_regions;
    int m_lineTop = 0;         // where the line's top stands until its foot is known
    int m_lineHeight = 0;      // of the tallest thing placed on the line
    std::optional<int> m_foot; // where the line's foot stands, once something stands on it
    int m_pieces = 0;
    int m_leftOut = 0;
};

} // namespace emulator
