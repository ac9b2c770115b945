#include "settings/Selector.h"

#include "jobs/JobTarget.h"
#include "link/Port.h"

#include <array>

namespace settings {

using jobs::command;
using jobs::ESC;
using jobs::GS;

std::span<const Selector> selectors()
{
    // Alignment and speed take 0, 1, 2; density takes 0, 2, 4.
    static const std::array<Selector, 9> table = {{
            {1, alignmentGroup, QStringLiteral("left"), command({ESC, u'a', 0})},
            {2, alignmentGroup, QStringLiteral("centre"), command({ESC, u'a', 1})},
            {3, alignmentGroup, QStringLiteral("right"), command({ESC, u'a', 2})},
            {4, speedGroup, QStringLiteral("low"), command({ESC, u'x', 0})},
            {5, speedGroup, QStringLiteral("middle"), command({ESC, u'x', 1})},
            {6, speedGroup, QStringLiteral("high"), command({ESC, u'x', 2})},
            {7, densityGroup, QStringLiteral("thin"), command({GS, u'|', 0})},
            {8, densityGroup, QStringLiteral("middle"), command({GS, u'|', 2})},
            {9, densityGroup, QStringLiteral("thick"), command({GS, u'|', 4})},
    }};
    return table;
}

void select(serial::Port &port, const Selector &selector)
{
    port.Output(selector.command);
}

} // namespace settings
