#pragma once

#include "DotCanvas.h"
#include "TextStyle.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTransform>

struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace emulator {

// Characters as a thermal head prints them: the font's outline drawn at the head's resolution
// in the character's cell, and each dot black where the outline covers at least half of it.
class GlyphCache
{
public:
    // Bound of the cache of characters' dots by size and position.
    static constexpr qsizetype MaxPictureBytes = qsizetype(8) * 1024 * 1024;

    GlyphCache();
    ~GlyphCache();
    GlyphCache(const GlyphCache &) = delete;
    GlyphCache &operator=(const GlyphCache &) = delete;

    // The character's dots in its cell; lineTop is where superscript characters hang from.
    // Black, or white on the black of a reversed cell.
    void draw(DotCanvas &dots,
              QChar character,
              const TextStyle &style,
              bool doubleByte,
              const QRect &cell,
              int lineTop,
              bool black) const;

    // The family of the font the characters are drawn from.
    QString family() const { return m_family; }

private:
    struct Outline
    {
        FT_FaceRec_ *face = nullptr; // null: no font has the character
        unsigned index = 0;
        qreal advance = 0; // in dots of the em square
        qreal shift = 0;   // moves a mark that hangs left of its origin into its own width
    };
    struct Picture
    {
        QImage dots;   // one bit a dot, index 1 black
        QPoint offset; // of its top left from the dot the character is placed at
    };

    Outline outline(QChar character) const;
    // The character's dots in the cell, from the cache, and the dot they are placed at.
    const Picture &placed(QChar character,
                          const TextStyle &style,
                          bool doubleByte,
                          const QRect &cell,
                          int lineTop,
                          QPoint *at) const;
    Picture drawn(const Outline &outline,
                  const QTransform &transform,
                  const TextStyle &style) const;

    // The fonts asked for characters the main font lacks, opened when first needed.
    const QList<FT_FaceRec_ *> &fallbackFaces() const;

    FT_LibraryRec_ *m_library = nullptr;
    FT_FaceRec_ *m_face = nullptr; // the main font
    mutable QList<FT_FaceRec_ *> m_fallbackFaces;
    mutable bool m_fallbacksOpened = false;
    QString m_family;
    mutable QHash<char16_t, Outline> m_outlines;
    // Characters already drawn at a given scale, turn, slant and quarter-dot offset.
    mutable QHash<QByteArray, Picture> m_pictures;
    mutable qsizetype m_pictureBytes = 0;
};

} // namespace emulator
