#pragma once

#include "CommandSpec.h"

#include <span>

namespace emulator::star {

// The Star Line mode and StarPRNT commands by family, each in a file of emulator/star/.
std::span<const CommandSpec> textCommands();
std::span<const CommandSpec> layoutCommands();
std::span<const CommandSpec> imageCommands();
std::span<const CommandSpec> statusCommands();
// What StarGraphic raster mode reads between ESC * r A and ESC * r B.
std::span<const CommandSpec> rasterCommands();

// Star printers feed 4 mm (32 dots) a line at power-on, 3 mm (24 dots) after ESC 0.
constexpr int DefaultLineSpacing = 32;
constexpr int NarrowLineSpacing = 24;

// Parameters written either as a number or as its ASCII digit or hexadecimal letter.
constexpr int hexDigit(int n)
{
    if (n >= '0' && n <= '9')
        return n - '0';
    if (n >= 'A' && n <= 'F')
        return n - 'A' + 10;
    return n;
}

} // namespace emulator::star
