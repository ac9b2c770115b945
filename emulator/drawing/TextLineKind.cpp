// A printed line: characters and bit images side by side, standing on the line's foot.
#include "BlockKinds.h"
#include "GlyphCache.h"

#include <algorithm>

namespace emulator {

namespace {

void drawUpright(const BlockLayout &layout, DotCanvas &dots, const GlyphCache &glyphs)
{
    for (const PlacedImage &placed : layout.images) {
        const LineImage &image = *placed.image;
        dots.put(image.bits, placed.box.topLeft(), image.scaleX, image.scaleY, true, placed.box);
    }
    for (const PlacedRun &placed : layout.runs) {
        const TextRun &run = *placed.run;
        const TextStyle &style = run.style;
        const CellSize cell = cellSize(style, run.doubleByte);
        const int pitch = characterPitch(style, run.doubleByte);
        const int top = placed.box.y();
        for (int i = 0; i < placed.count; ++i) {
            const int x = placed.box.x() + i * pitch;
            // A reversed character is white on its black cell, spacing included.
            if (style.reverse)
                dots.fill(QRect(x, top, pitch, cell.height));
            const QRect box(x + leadingSpace(style, run.doubleByte), top, cell.width, cell.height);
            glyphs.draw(
                    dots, run.text.at(i), style, run.doubleByte, box, layout.top, !style.reverse);
            if (style.underline > 0) {
                dots.fill(QRect(x, top + cell.height - style.underline, pitch, style.underline),
                          !style.reverse);
            }
        }
    }
}

} // namespace

int BlockKind<TextLine>::lineBox(const TextLine &line)
{
    int box = 0;
    for (const TextRun &run : line.runs)
        box = std::max(box, cellSize(run.style, run.doubleByte).height);
    for (const LineImage &image : line.images)
        box = std::max(box, image.height());
    return box;
}

int BlockKind<TextLine>::height(const TextLine &line)
{
    return std::max(line.feed, lineBox(line));
}

void BlockKind<TextLine>::lay(const TextLine &line, BlockLayout *layout, QStringList *)
{
    const int box = lineBox(line);
    layout->lineBox = box;
    layout->foot = box;
    layout->height = std::max(line.feed, box);
    layout->area = QRect(line.left, layout->top, line.areaWidth, box);

    const int start = Placement{line.alignment, line.left, line.areaWidth}.leftOf(line.width);
    const int areaRight = line.left + line.areaWidth;
    const int foot = layout->top + box;
    for (const LineImage &image : line.images) {
        const int left = start + image.x;
        const int shown = std::clamp(areaRight - left, 0, image.width());
        layout->images.append({&image, QRect(left, foot - image.height(), shown, image.height())});
    }
    for (const TextRun &run : line.runs) {
        const CellSize cell = cellSize(run.style, run.doubleByte);
        const int pitch = characterPitch(run.style, run.doubleByte);
        const int left = start + run.x;
        // The print head ends at the print area's edge: a character that would cross it is
        // not printed, nor any after it.
        int count = 0;
        while (count < run.text.size() && left + count * pitch + cell.width <= areaRight)
            ++count;
        layout->runs.append(
                {&run, QRect(left, foot - cell.height, count * pitch, cell.height), count});
    }
}

void BlockKind<TextLine>::draw(const TextLine &line, const BlockLayout &layout, Sheet &sheet)
{
    if (!line.upsideDown)
        return drawUpright(layout, *sheet.dots, *sheet.glyphs);
    // The whole line is turned half round within its print area.
    DotCanvas upright(layout.area.width(), layout.area.height());
    drawUpright(layout.translated(-layout.area.topLeft()), upright, *sheet.glyphs);
    sheet.dots->put(upright, layout.area.topLeft(), 2);
}

} // namespace emulator
