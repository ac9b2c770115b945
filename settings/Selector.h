#pragma once

#include <QString>

#include <span>

namespace serial {
class Port;
}

namespace settings {

// One option of the alignment, speed and density groups and the three bytes it sends.
struct Selector
{
    int option; // 1 to 9
    int group;  // 0 alignment, 1 speed, 2 density
    QString caption;
    QString command; // ESC a n, ESC x n or GS | n
};

std::span<const Selector> selectors();
inline constexpr int alignmentGroup = 0;
inline constexpr int speedGroup = 1;
inline constexpr int densityGroup = 2;

// Sends the option's command in one piece.
void select(serial::Port &port, const Selector &selector);

} // namespace settings
