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
    bool fontB = false;
    int underline = 0;        // thickness in dots: 0, 1 or 2
    int widthMultiplier = 1;  // 1 to 8
    int heightMultiplier = 1; // 1 to 8
    Script script = Script::Normal;

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
    int width = doubleByte ? 24 : (style.fontB ? 9 : 12);
    const int height = doubleByte ? 24 : (style.fontB ? 17 : 24);
    if (style.rotated && !doubleByte)
        width = height;
    return {width * style.widthMultiplier, height * style.heightMultiplier};
}

} // namespace emulator
