#include "PrintBuffer.h"

#include <algorithm>
#include <utility>

namespace emulator {

namespace {

// At power-on a tab stop stands every eight characters of font A.
QList<int> defaultTabStops(int areaWidth)
{
    QList<int> stops;
    for (int stop = 96; stop < areaWidth; stop += 96)
        stops.append(stop);
    return stops;
}

} // namespace

PrintBuffer::PrintBuffer(int paperDots)
    : m_paperDots(paperDots)
{
    reset();
}

void PrintBuffer::reset()
{
    m_left = 0;
    m_width = m_paperDots;
    m_tabs = defaultTabStops(m_paperDots);
    cancel();
}

int PrintBuffer::areaWidth() const
{
    // The area never reaches past the paper; a margin that leaves no room still leaves one
    // character of font A, as the printer does.
    return std::max(12, std::min(m_width, m_paperDots - m_left));
}

Placement PrintBuffer::placement(Alignment alignment) const
{
    return {alignment, std::min(m_left, m_paperDots - 12), areaWidth()};
}

void PrintBuffer::begin(bool upsideDown, Alignment alignment)
{
    if (!isEmpty())
        return;
    m_line.upsideDown = upsideDown;
    m_line.alignment = alignment;
    m_line.left = placement(alignment).left;
    m_line.areaWidth = areaWidth();
}

void PrintBuffer::addCharacter(QChar character,
                               const TextStyle &style,
                               bool doubleByte,
                               bool upsideDown,
                               Alignment alignment)
{
    addCharacters(QString(character), style, doubleByte, upsideDown, alignment);
}

void PrintBuffer::addCharacters(const QString &text,
                                const TextStyle &style,
                                bool doubleByte,
                                bool upsideDown,
                                Alignment alignment)
{
    begin(upsideDown, alignment);
    const int pitch = characterPitch(style, doubleByte);
    bool joined = false;
    if (!m_line.runs.isEmpty()) {
        TextRun &last = m_line.runs.last();
        const int end = last.x
                        + int(last.text.size()) * characterPitch(last.style, last.doubleByte);
        if (end == m_position && last.doubleByte == doubleByte && last.style == style) {
            last.text += text;
            joined = true;
        }
    }
    if (!joined)
        m_line.runs.append(TextRun{text, style, doubleByte, m_position});
    m_position += pitch * int(text.size());
    m_line.width = std::max(m_line.width, m_position);
}

void PrintBuffer::addImage(const LineImage &image,
                           int advance,
                           bool upsideDown,
                           Alignment alignment)
{
    begin(upsideDown, alignment);
    LineImage placed = image;
    placed.x = m_position;
    m_line.images.append(placed);
    m_line.width = std::max(m_line.width, std::min(m_position + image.width(), areaWidth()));
    m_position += advance;
}

bool PrintBuffer::moveTo(int dots)
{
    if (dots < 0 || dots > areaWidth())
        return false;
    m_position = dots;
    return true;
}

bool PrintBuffer::tab()
{
    for (const int stop : std::as_const(m_tabs)) {
        if (stop > m_position && stop <= areaWidth()) {
            m_position = stop;
            return true;
        }
    }
    return false;
}

bool PrintBuffer::setLeftMargin(int dots)
{
    if (!isEmpty() || m_position != 0)
        return false;
    m_left = std::clamp(dots, 0, m_paperDots);
    return true;
}

bool PrintBuffer::setAreaWidth(int dots)
{
    if (!isEmpty() || m_position != 0)
        return false;
    m_width = std::clamp(dots, 0, m_paperDots);
    return true;
}

TextLine PrintBuffer::take(int feed, Alignment alignment, bool upsideDown)
{
    begin(upsideDown, alignment);
    TextLine line = std::exchange(m_line, {});
    line.feed = feed;
    line.width = std::min(line.width, line.areaWidth);
    m_position = 0;
    return line;
}

void PrintBuffer::cancel()
{
    m_line = {};
    m_position = 0;
}

} // namespace emulator
