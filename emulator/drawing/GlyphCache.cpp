#include "GlyphCache.h"

#include <QDataStream>
#include <QIODevice>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

constexpr qreal ScriptScale = 0.6;
constexpr qreal ItalicShear = -0.22;
constexpr int EmphasisShift = 38; // 0.6 dot, in 1/64 dot
constexpr int OutlinePixels = 96; // size of the em square the outlines are taken at
constexpr qreal Baseline = 0.8;   // baseline's depth in the em square
constexpr int HalfCovered = 128;  // coverage from which a dot of the head prints

// Dots where the outline covers at least half: the head prints a dot or leaves it white.
QImage thresholded(const QImage &coverage)
{
    QImage dots(coverage.size(), QImage::Format_Mono);
    dots.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    dots.fill(0);
    for (int y = 0; y < coverage.height(); ++y) {
        const uchar *in = coverage.constScanLine(y);
        uchar *out = dots.scanLine(y);
        for (int x = 0; x < coverage.width(); ++x) {
            if (in[x] >= HalfCovered)
                out[x >> 3] |= uchar(0x80 >> (x & 7));
        }
    }
    return dots;
}

FT_Fixed fixed(qreal value)
{
    return FT_Fixed(std::lround(value * 65536));
}

struct FontFile
{
    QByteArray path; // empty when there is none
    int index = 0;   // of the face within the file
    QString family;
};

// The file fontconfig chooses for a family; with exact, none unless it is that family.
FontFile fontFile(const char *family, bool exact)
{
    FcPattern *pattern = FcNameParse(reinterpret_cast<const FcChar8 *>(family));
    if (!pattern)
        return {};
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern *match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return {};
    FontFile file;
    FcChar8 *path = nullptr;
    FcChar8 *name = nullptr;
    bool named = !exact;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (i == 0)
            file.family = QString::fromUtf8(reinterpret_cast<const char *>(name));
        named = named || qstrcmp(reinterpret_cast<const char *>(name), family) == 0;
    }
    if (named && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        file.path = reinterpret_cast<const char *>(path);
        FcPatternGetInteger(match, FC_INDEX, 0, &file.index);
    }
    FcPatternDestroy(match);
    return file;
}

FT_Face openFace(FT_Library library, const FontFile &file)
{
    FT_Face face = nullptr;
    if (file.path.isEmpty() || FT_New_Face(library, file.path.constData(), file.index, &face) != 0)
        return nullptr;
    FT_Set_Pixel_Sizes(face, 0, OutlinePixels);
    return face;
}

// Where the outline's em square goes for the character to stand in its cell: the em square
// fills the cell's height, and a character wider than the cell is squeezed. advance is the
// character's width in the em square.
QTransform inCell(
        qreal advance, const TextStyle &style, bool doubleByte, const QRect &cell, int lineTop)
{
    TextStyle unscaled = style;
    unscaled.widthMultiplier = unscaled.heightMultiplier = 1;
    unscaled.chineseWidth = unscaled.chineseHeight = 1;
    const CellSize base = cellSize(unscaled, doubleByte);
    const int across = doubleByte ? style.chineseWidth : style.widthMultiplier;
    const int up = doubleByte ? style.chineseHeight : style.heightMultiplier;
    const qreal em = OutlinePixels;
    const qreal script = style.script == Script::Normal ? 1.0 : ScriptScale;
    const QRectF box(cell);

    QTransform transform;
    if (!style.rotated) {
        qreal sy = base.height / em;
        qreal sx = std::min(sy, base.width / advance);
        sx *= across * script;
        sy *= up * script;
        const qreal left = box.left() + (box.width() - advance * sx) / 2;
        const qreal top = style.script == Script::Superscript ? lineTop : box.bottom() - em * sy;
        transform.translate(left, top + Baseline * em * sy);
        transform.scale(sx, sy);
    } else {
        // Turned a quarter clockwise: the top of the character faces the right-hand edge.
        const qreal acrossUnit = base.width / em;
        const qreal along = std::min(acrossUnit, base.height / advance);
        const qreal sx = acrossUnit * across * script;
        const qreal sy = along * up * script;
        const qreal left = box.left() + (box.width() - em * sx) / 2 + (1 - Baseline) * em * sx;
        const qreal top = box.top() + (box.height() - advance * sy) / 2;
        transform.translate(left, top);
        transform.scale(sx, sy);
        transform.rotate(90);
    }
    if (style.italic)
        transform.shear(ItalicShear, 0);
    return transform;
}

// The outline, moved by dx and dy in 1/64 dot, filled into pass; coverage keeps the most of
// every pass.
void addPass(FT_Library library, FT_Outline &shape, QImage &pass, QImage &coverage, int dx, int dy)
{
    pass.fill(0);
    FT_Bitmap bitmap{};
    bitmap.rows = unsigned(pass.height());
    bitmap.width = unsigned(pass.width());
    bitmap.pitch = int(pass.bytesPerLine());
    bitmap.buffer = pass.bits();
    bitmap.num_grays = 256;
    bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
    FT_Outline_Translate(&shape, dx, dy);
    FT_Outline_Get_Bitmap(library, &shape, &bitmap);
    FT_Outline_Translate(&shape, -dx, -dy);
    for (int y = 0; y < coverage.height(); ++y) {
        uchar *to = coverage.scanLine(y);
        const uchar *from = pass.constScanLine(y);
        for (int x = 0; x < coverage.width(); ++x)
            to[x] = std::max(to[x], from[x]);
    }
}

} // namespace

GlyphCache::GlyphCache()
{
    if (FT_Init_FreeType(&m_library) != 0) {
        m_library = nullptr;
        return;
    }
    const FontFile main = fontFile("WenQuanYi Micro Hei", true);
    const FontFile chosen = main.path.isEmpty() ? fontFile("sans-serif", false) : main;
    m_family = chosen.family;
    m_face = openFace(m_library, chosen);
}

GlyphCache::~GlyphCache()
{
    for (FT_Face face : std::as_const(m_fallbackFaces))
        FT_Done_Face(face);
    if (m_face)
        FT_Done_Face(m_face);
    if (m_library)
        FT_Done_FreeType(m_library);
}

const QList<FT_Face> &GlyphCache::fallbackFaces() const
{
    if (!m_fallbacksOpened && m_library) {
        m_fallbacksOpened = true;
        // Sans-serif faces first: Loma for Thai; FreeSerif holds the Hebrew points and the
        // Arabic presentation forms the code tables have that no sans-serif font draws.
        for (const char *family : {"DejaVu Sans",
                                   "FreeSans",
                                   "Loma",
                                   "Droid Sans Fallback",
                                   "Noto Sans Mono",
                                   "FreeSerif",
                                   "FreeMono"}) {
            if (FT_Face face = openFace(m_library, fontFile(family, true)))
                m_fallbackFaces.append(face);
        }
    }
    return m_fallbackFaces;
}

GlyphCache::Outline GlyphCache::outline(QChar character) const
{
    const auto it = m_outlines.constFind(character.unicode());
    if (it != m_outlines.cend())
        return *it;
    Outline outline;
    outline.advance = OutlinePixels / 2.0;
    // A face may map the character to a glyph with no outline at all (an empty box drawn in
    // its place): the next face that draws it is taken, and the first that maps it when none
    // does.
    auto take = [&](FT_Face face, bool inked) {
        const FT_UInt index = face ? FT_Get_Char_Index(face, character.unicode()) : 0;
        if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0
            || (inked
                && (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE
                    || face->glyph->outline.n_contours <= 0)))
            return false;
        outline.face = face;
        outline.index = index;
        const FT_Fixed advance = face->glyph->linearHoriAdvance; // 16.16 dots of the em square
        if (advance > 0) {
            outline.advance = advance / 65536.0;
        } else if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            // A combining mark takes no room after the letter it sits on; printed alone in a
            // cell it is centred there by its own outline.
            FT_BBox box;
            FT_Outline_Get_CBox(&face->glyph->outline, &box);
            outline.advance = std::max<FT_Pos>(box.xMax - box.xMin, 64) / 64.0;
            outline.shift = -box.xMin / 64.0;
        }
        return true;
    };
    const bool found = take(m_face, true) || std::ranges::any_of(fallbackFaces(), [&](FT_Face f) {
                           return take(f, true);
                       });
    if (!found && !take(m_face, false)) {
        for (FT_Face face : fallbackFaces()) {
            if (take(face, false))
                break;
        }
    }
    return *m_outlines.insert(character.unicode(), outline);
}

void GlyphCache::draw(DotCanvas &dots,
                      QChar character,
                      const TextStyle &style,
                      bool doubleByte,
                      const QRect &cell,
                      int lineTop,
                      bool black) const
{
    if (character.isSpace())
        return;
    const int across = doubleByte ? style.chineseWidth : style.widthMultiplier;
    const int up = doubleByte ? style.chineseHeight : style.heightMultiplier;
    if ((across > 1 || up > 1) && style.script == Script::Normal) {
        // The head magnifies a character by repeating its dots: the normal-size character,
        // placed in a cell at the origin, is printed larger dot for dot.
        TextStyle plain = style;
        plain.widthMultiplier = plain.heightMultiplier = 1;
        plain.chineseWidth = plain.chineseHeight = 1;
        const CellSize base = cellSize(plain, doubleByte);
        QPoint at;
        const Picture &picture = placed(
                character, plain, doubleByte, QRect(0, 0, base.width, base.height), 0, &at);
        const QPoint corner = at + picture.offset;
        dots.put(picture.dots,
                 QPoint(cell.left() + corner.x() * across, cell.top() + corner.y() * up),
                 across,
                 up,
                 black);
        return;
    }
    QPoint at;
    const Picture &picture = placed(character, style, doubleByte, cell, lineTop, &at);
    dots.put(picture.dots, at + picture.offset, 1, 1, black);
}

const GlyphCache::Picture &GlyphCache::placed(QChar character,
                                              const TextStyle &style,
                                              bool doubleByte,
                                              const QRect &cell,
                                              int lineTop,
                                              QPoint *at) const
{
    const Outline g = outline(character);
    const QTransform transform = inCell(g.advance, style, doubleByte, cell, lineTop);

    // The character is placed at a whole dot plus a quarter-dot step; its dots at that step
    // are drawn once and then reused.
    const qreal x = std::floor(transform.dx());
    const qreal y = std::floor(transform.dy());
    const qreal stepX = std::round((transform.dx() - x) * 4) / 4;
    const qreal stepY = std::round((transform.dy() - y) * 4) / 4;
    const QTransform local(
            transform.m11(), transform.m12(), transform.m21(), transform.m22(), stepX, stepY);

    QByteArray key;
    {
        QDataStream stream(&key, QIODevice::WriteOnly);
        stream << character.unicode() << style.emphasized << style.doubleStrike
               << qRound(local.m11() * 4096) << qRound(local.m12() * 4096)
               << qRound(local.m21() * 4096) << qRound(local.m22() * 4096) << qRound(stepX * 4)
               << qRound(stepY * 4);
    }
    auto found = m_pictures.constFind(key);
    if (found == m_pictures.cend()) {
        // Characters of every size and position a long session has seen would grow without
        // end; starting afresh costs only drawing again the ones still in use.
        if (m_pictureBytes >= MaxPictureBytes) {
            m_pictures.clear();
            m_pictureBytes = 0;
        }
        const Picture picture = drawn(g, local, style);
        m_pictureBytes += picture.dots.sizeInBytes() + key.size();
        found = m_pictures.insert(key, picture);
    }
    *at = QPoint(int(x), int(y));
    return *found;
}

GlyphCache::Picture GlyphCache::drawn(const Outline &outline,
                                      const QTransform &transform,
                                      const TextStyle &style) const
{
    if (!outline.face
        || FT_Load_Glyph(outline.face, outline.index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0
        || outline.face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return {};
    // The outline's y axis points up, the paper's down.
    FT_Outline &shape = outline.face->glyph->outline;
    FT_Outline_Translate(&shape, FT_Pos(std::lround(outline.shift * 64)), 0);
    FT_Matrix matrix{fixed(transform.m11()),
                     fixed(-transform.m21()),
                     fixed(-transform.m12()),
                     fixed(transform.m22())};
    FT_Outline_Transform(&shape, &matrix);
    FT_Outline_Translate(&shape, qRound(transform.dx() * 64), qRound(-transform.dy() * 64));
    FT_BBox box;
    FT_Outline_Get_CBox(&shape, &box);
    const int left = int(std::floor(box.xMin / 64.0)) - 2;
    const int bottom = int(std::floor(box.yMin / 64.0)) - 2;
    const int right = int(std::ceil(box.xMax / 64.0)) + 3;
    const int top = int(std::ceil(box.yMax / 64.0)) + 2;
    FT_Outline_Translate(&shape, FT_Pos(-left) * 64, FT_Pos(-bottom) * 64);

    QImage coverage(right - left, top - bottom, QImage::Format_Grayscale8);
    coverage.fill(0);
    QImage pass(coverage.size(), QImage::Format_Grayscale8);
    auto fill = [&](int dx, int dy) {
        addPass(m_library, shape, pass, coverage, dx, dy);
    };
    fill(0, 0);
    if (style.emphasized) {
        // Emphasis thickens every stroke by about a dot: the outline is filled again a little
        // to each side.
        for (const auto &[dx, dy] : {std::pair{EmphasisShift, 0},
                                     std::pair{-EmphasisShift, 0},
                                     std::pair{0, EmphasisShift},
                                     std::pair{0, -EmphasisShift}})
            fill(dx, dy);
    }
    if (style.doubleStrike)
        fill(64, 0);
    return {thresholded(coverage), QPoint(left, -top)};
}

} // namespace emulator
