#pragma once

#include "Receipt.h"

#include <QList>

namespace emulator {

// The line the printer is composing: characters and dots placed at dot positions across the
// print area, with the margins, tab stops and justification that apply when it prints.
class PrintBuffer
{
public:
    explicit PrintBuffer(int paperDots = PaperDots80);

    // Back to the power-on margins and tab stops; whatever the line holds is dropped.
    void reset();

    bool isEmpty() const { return m_line.runs.isEmpty() && m_line.images.isEmpty(); }
    const TextLine &line() const { return m_line; }
    int position() const { return m_position; }
    int areaWidth() const;
    int leftMargin() const { return m_left; }
    Placement placement(Alignment alignment) const;

    // Whether something pitch dots wide still fits before the end of the print area.
    bool fits(int pitch) const { return m_position + pitch <= areaWidth(); }

    void addCharacter(QChar character,
                      const TextStyle &style,
                      bool doubleByte,
                      bool upsideDown,
                      Alignment alignment);
    // The print position moves on by advance dots.
    // Characters of one style side by side; the caller has made sure that they fit.
    void addCharacters(const QString &text,
                       const TextStyle &style,
                       bool doubleByte,
                       bool upsideDown,
                       Alignment alignment);
    void addImage(const LineImage &image, int advance, bool upsideDown, Alignment alignment);
    // Moves the print position; false when the position lies outside the print area.
    bool moveTo(int dots);
    // HT: on to the next tab stop; false when there is none before the end of the area.
    bool tab();
    // ESC D: stops in dots from the margin, ascending; none leaves HT without effect.
    void setTabStops(const QList<int> &stops) { m_tabs = stops; }
    const QList<int> &tabStops() const { return m_tabs; }
    // GS L and GS W take effect at the start of a line only; false when the line has begun.
    bool setLeftMargin(int dots);
    bool setAreaWidth(int dots);

    // Hands over the line as composed and starts an empty one at the left margin.
    TextLine take(int feed, Alignment alignment, bool upsideDown);
    // CAN: the line is dropped.
    void cancel();

private:
    void begin(bool upsideDown, Alignment alignment);

    int m_paperDots = PaperDots80;
    int m_left = 0;
    int m_width = PaperDots80;
    int m_position = 0; // dots from the left margin
    QList<int> m_tabs;
    TextLine m_line;
};

} // namespace emulator
