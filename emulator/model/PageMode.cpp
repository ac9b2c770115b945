#include "PageMode.h"

#include "BlockKinds.h"

#include <algorithm>
#include <utility>

namespace emulator {

PageMode::PageMode(int paperDots)
    : m_paperDots(paperDots)
{
    reset();
}

void PageMode::reset()
{
    m_direction = PrintDirection::LeftToRight;
    m_line = PrintBuffer(m_paperDots);
    clear();
}

void PageMode::clear()
{
    m_regions.clear();
    m_pieces = 0;
    m_leftOut = 0;
    m_area = QRect(0, 0, m_paperDots, MaxHeight);
    restart();
}

int PageMode::lineLength() const
{
    const bool across = m_direction == PrintDirection::LeftToRight
                        || m_direction == PrintDirection::RightToLeft;
    return across ? m_area.width() : m_area.height();
}

int PageMode::depth() const
{
    const bool across = m_direction == PrintDirection::LeftToRight
                        || m_direction == PrintDirection::RightToLeft;
    return across ? m_area.height() : m_area.width();
}

void PageMode::restart()
{
    // The tab stops stay; the line starts afresh at the start point.
    const QList<int> tabs = m_line.tabStops();
    m_line = PrintBuffer(lineLength());
    m_line.setTabStops(tabs);
    m_lineTop = 0;
    m_lineHeight = 0;
    m_foot.reset();
}

bool PageMode::setArea(int x, int y, int width, int height)
{
    if (width <= 0 || height <= 0 || x < 0 || y < 0 || x >= m_paperDots || y >= MaxHeight)
        return false;
    placeLine();
    m_area = QRect(x, y, std::min(width, m_paperDots - x), std::min(height, MaxHeight - y));
    restart();
    return true;
}

void PageMode::setDirection(PrintDirection direction)
{
    placeLine();
    m_direction = direction;
    restart();
}

bool PageMode::setFoot(int dots)
{
    if (dots < 0 || dots > depth())
        return false;
    // What the line holds so far stands on the foot it had.
    placeLine();
    m_foot = dots;
    m_lineHeight = 0;
    return true;
}

bool PageMode::moveFoot(int dots)
{
    return setFoot(m_foot.value_or(m_lineTop) + dots);
}

void PageMode::returnCarriage()
{
    placeLine();
    m_line.moveTo(0);
}

void PageMode::placeLine()
{
    if (m_line.isEmpty())
        return;
    const int position = m_line.position();
    TextLine line = m_line.take(0, Alignment::Left, false);
    const int box = BlockKind<TextLine>::lineBox(line);
    m_lineHeight = std::max(m_lineHeight, box);
    if (!m_foot)
        m_foot = m_lineTop + m_lineHeight;
    if (QList<PagePiece> *placed = pieces())
        placed->append({std::move(line), *m_foot});
    m_line.moveTo(position);
}

void PageMode::endLine(int advance)
{
    placeLine();
    // As on paper, the next line starts the line spacing below this line's top, and no nearer
    // than its height.
    const int top = m_foot ? *m_foot - m_lineHeight : m_lineTop;
    m_lineTop = top + std::max(advance, m_lineHeight);
    m_lineHeight = 0;
    m_foot.reset();
    m_line.moveTo(0);
}

void PageMode::place(std::variant<Barcode, Picture> piece, int width, int height)
{
    const int x = std::min(m_line.position(), lineLength());
    const Placement placement{Alignment::Left, x, lineLength() - x};
    std::visit([&](auto &block) { block.placement = placement; }, piece);
    // It shares the line's foot with the characters around it.
    const int box = m_line.isEmpty() ? 0 : BlockKind<TextLine>::lineBox(m_line.line());
    m_lineHeight = std::max({m_lineHeight, box, height});
    if (!m_foot)
        m_foot = m_lineTop + m_lineHeight;
    if (QList<PagePiece> *placed = pieces())
        std::visit([&](auto &block) { placed->append({std::move(block), *m_foot}); }, piece);
    m_line.moveTo(std::min(x + width, lineLength()));
}

void PageMode::cancel()
{
    m_regions.removeIf([this](const PageRegion &region) {
        if (region.area == m_area)
            m_pieces -= int(region.pieces.size());
        return region.area == m_area;
    });
    m_line.cancel();
    restart();
}

bool PageMode::isEmpty() const
{
    return m_regions.isEmpty() && m_line.isEmpty();
}

Page PageMode::print()
{
    placeLine();
    Page page{m_regions, m_area.bottom() + 1};
    for (const PageRegion &region : std::as_const(m_regions))
        page.height = std::max(page.height, region.area.bottom() + 1);
    return page;
}

QList<PagePiece> *PageMode::pieces()
{
    if (m_pieces >= MaxPieces) {
        ++m_leftOut;
        return nullptr;
    }
    ++m_pieces;
    if (m_regions.isEmpty() || m_regions.last().area != m_area
        || m_regions.last().direction != m_direction)
        m_regions.append({m_area, m_direction, {}});
    return &m_regions.last().pieces;
}

qsizetype PageMode::pictureBytes(const QList<PageRegion> &regions)
{
    qsizetype bytes = 0;
    for (const PageRegion &region : regions) {
        for (const PagePiece &piece : region.pieces) {
            if (const auto *picture = std::get_if<Picture>(&piece.content))
                bytes += picture->bits.sizeInBytes();
        }
    }
    return bytes;
}

} // namespace emulator
