#pragma once

#include <QtGlobal>

namespace emulator {

enum class Alignment { Left, Centre, Right };

enum class Script { Normal, Subscript, Superscript };

// Character attributes in force when a character was received.
struct TextStyle
{
    bool emphasized = false;
    bool doubleStrike = false;
    bool italic = false;
    bool rotated = false; // 90 degrees clockwise
    bool reverse = false; // white characters on a black cell
    bool fontB = false;
    int underline = 0;        // thickness in dots: 0, 1 or 2
    int widthMultiplier = 1;  // 1 to 8
    int heightMultiplier = 1; // 1 to 8
    int rightSpacing = 0;     // dots after each single-byte character, before magnification
    Script script = Script::Normal;

    // Chinese characters have a size, underline and spacing of their own (FS !, FS W, FS -,
    // FS S); GS ! sets the size of both kinds.
    int chineseUnderline = 0;
    int chineseWidth = 1;
    int chineseHeight = 1;
    int chineseLeftSpacing = 0;
    int chineseRightSpacing = 0;

    friend bool operator==(const TextStyle &, const TextStyle &) = default;
};

// Size in dots of one character cell on the print head.
struct CellSize
{
    int width = 0;
    int height = 0;
};

// Font A is 12 x 24 dots, font B 9 x 17; a double-byte character takes a 24 x 24 cell in
// either font. A rotated single-byte character is laid on its side, so its cell is as wide
// as it is high.
inline CellSize cellSize(const TextStyle &style, bool doubleByte)
{
    if (doubleByte)
        return {24 * style.chineseWidth, 24 * style.chineseHeight};
    int width = style.fontB ? 9 : 12;
    const int height = style.fontB ? 17 : 24;
    if (style.rotated)
        width = height;
    return {width * style.widthMultiplier, height * style.heightMultiplier};
}

// Dots from the start of one character to the start of the next: the cell and its spacing,
// which is magnified with the character.
inline int characterPitch(const TextStyle &style, bool doubleByte)
{
    if (doubleByte) {
        return cellSize(style, true).width
               + (style.chineseLeftSpacing + style.chineseRightSpacing) * style.chineseWidth;
    }
    return cellSize(style, false).width + style.rightSpacing * style.widthMultiplier;
}

// Dots before a double-byte character's cell within its pitch.
inline int leadingSpace(const TextStyle &style, bool doubleByte)
{
    return doubleByte ? style.chineseLeftSpacing * style.chineseWidth : 0;
}

} // namespace emulator
