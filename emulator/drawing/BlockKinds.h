#pragma once

#include "DotCanvas.h"
#include "Receipt.h"
#include "ReceiptLayout.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

namespace emulator {

class GlyphCache;

// What a receipt's blocks are drawn on: the dots of the print area, and what is noted beside the
// paper rather than printed on it. Rows count from the receipt's first dot row.
struct Sheet
{
    struct Note
    {
        int y = 0;
        QString text;
    };
    struct Refusal
    {
        QRect box; // where the refused block would have stood
        QString text;
    };

    Sheet(DotCanvas *dots, const GlyphCache *glyphs)
        : dots(dots)
        , glyphs(glyphs)
    {}

    DotCanvas *dots;
    const GlyphCache *glyphs;
    QList<Note> notes;
    QList<Refusal> refusals;
    QList<int> blackMarks; // rows where a mark on the back of the paper ends
};

// Each kind of receipt block is laid out and drawn in one place: lay() gives the rows it takes
// and where what it holds stands on the paper, in whole dots, and draw() prints its dots on the
// sheet where lay() put them. The receipt's JSON and text read the same layout.
template<typename Block>
struct BlockKind;

template<>
struct BlockKind<TextLine>
{
    // Rows of the line's box: as tall as its tallest character or image.
    static int lineBox(const TextLine &line);
    // The rows a line takes, as lay() gives them, without placing its characters.
    static int height(const TextLine &line);
    static void lay(const TextLine &line, BlockLayout *layout, QStringList *warnings);
    static void draw(const TextLine &line, const BlockLayout &layout, Sheet &sheet);
};

template<>
struct BlockKind<Barcode>
{
    static void lay(const Barcode &barcode, BlockLayout *layout, QStringList *warnings);
    static void draw(const Barcode &barcode, const BlockLayout &layout, Sheet &sheet);
};

template<>
struct BlockKind<Picture>
{
    static void lay(const Picture &picture, BlockLayout *layout, QStringList *warnings);
    static void draw(const Picture &picture, const BlockLayout &layout, Sheet &sheet);
};

template<>
struct BlockKind<Page>
{
    static void lay(const Page &page, BlockLayout *layout, QStringList *warnings);
    static void draw(const Page &page, const BlockLayout &layout, Sheet &sheet);
};

template<>
struct BlockKind<PaperFeed>
{
    static void lay(const PaperFeed &feed, BlockLayout *layout, QStringList *warnings);
    static void draw(const PaperFeed &, const BlockLayout &, Sheet &) {}
};

template<>
struct BlockKind<BlackMark>
{
    static void lay(const BlackMark &mark, BlockLayout *layout, QStringList *warnings);
    static void draw(const BlackMark &mark, const BlockLayout &layout, Sheet &sheet);
};

template<>
struct BlockKind<SettingNote>
{
    static void lay(const SettingNote &, BlockLayout *, QStringList *) {}
    static void draw(const SettingNote &note, const BlockLayout &layout, Sheet &sheet);
};

template<>
struct BlockKind<DrawerPulse>
{
    static void lay(const DrawerPulse &, BlockLayout *, QStringList *) {}
    static void draw(const DrawerPulse &pulse, const BlockLayout &layout, Sheet &sheet);
};

template<>
struct BlockKind<Beep>
{
    static void lay(const Beep &, BlockLayout *, QStringList *) {}
    static void draw(const Beep &beep, const BlockLayout &layout, Sheet &sheet);
};

// Lays out or draws any block, or any piece of a page, by its kind.
template<typename Variant>
void layBlock(const Variant &block, BlockLayout *layout, QStringList *warnings)
{
    std::visit(
            [&](const auto &kind) {
                BlockKind<std::decay_t<decltype(kind)>>::lay(kind, layout, warnings);
            },
            block);
}

// The rows a block takes: a kind that can tell without laying itself out says so.
template<typename Variant>
int blockHeight(const Variant &block)
{
    return std::visit(
            [&](const auto &kind) {
                using Kind = BlockKind<std::decay_t<decltype(kind)>>;
                if constexpr (requires { Kind::height(kind); }) {
                    return Kind::height(kind);
                } else {
                    BlockLayout laid;
                    Kind::lay(kind, &laid, nullptr);
                    return laid.height;
                }
            },
            block);
}

template<typename Variant>
void drawBlock(const Variant &block, const BlockLayout &layout, Sheet &sheet)
{
    std::visit(
            [&](const auto &kind) {
                BlockKind<std::decay_t<decltype(kind)>>::draw(kind, layout, sheet);
            },
            block);
}

} // namespace emulator
