#pragma once

#include <QPalette>

#include <span>

namespace app {

enum class ControlKind { Frame, Label, ComboBox, Button, Option, TextBox, Line };

// One control of the window and where it sits, in twips, inside its container. For a line, left
// and top give one end point and width and height the offset to the other end.
struct ControlSpec
{
    const char *name;
    const char *container; // nullptr: the window's client area
    ControlKind kind;
    const char *caption; // UTF-8; start-up texts of lists are set by the start-up handler
    int left;
    int top;
    int width;
    int height;
    int tabIndex = -1;
    QPalette::ColorRole lineColour = QPalette::NoRole;
};

inline constexpr int twipsPerPixel = 15;
inline constexpr int clientWidthTwips = 6825;
inline constexpr int clientHeightTwips = 4500;

constexpr int pixels(int twips)
{
    return twips / twipsPerPixel;
}

// Containers come before what they contain.
std::span<const ControlSpec> formLayout();

} // namespace app
