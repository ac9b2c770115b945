#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <span>
#include <string_view>

namespace emulator {

class Printer;

// One command as it arrived: its own bytes, then its parameters and data.
struct Command
{
    QByteArrayView bytes;     // the whole command
    qsizetype prefixSize = 2; // where the parameters start: after the command's bytes and pL pH

    qsizetype size() const { return bytes.size(); }
    // Parameter i; 0 past the end.
    int operator[](qsizetype i) const
    {
        const qsizetype at = prefixSize + i;
        return at < bytes.size() ? static_cast<uchar>(bytes[at]) : 0;
    }
    // Two parameter bytes from i, low byte first, as nL nH.
    int pair(qsizetype i) const { return (*this)[i] | (*this)[i + 1] << 8; }
    // Everything from parameter i on.
    QByteArrayView from(qsizetype i) const
    {
        const qsizetype at = qMin(prefixSize + i, bytes.size());
        return bytes.sliced(at);
    }
};

// How many bytes follow a command's own bytes.
struct Shape
{
    // The bytes a whole command takes as far as the available bytes tell; more than available
    // means wait for more.
    using Rule = qsizetype (*)(const uchar *bytes, qsizetype available);
    enum class Kind {
        Fixed,    // `parameters` bytes
        Counted,  // `parameters` bytes, a count of `countBytes` bytes, count * `unit` bytes
        NulEnded, // `parameters` bytes, then data ended by NUL, at most `limit` bytes with it
        Custom,   // `rule` tells
        Inherit,  // a sub-function whose command's shape holds
    };

    Kind kind = Kind::Inherit;
    int parameters = 0;
    int countBytes = 0;
    int unit = 1;
    int limit = 0;
    bool countsParameters = false; // pL pH, p1..p4: the count is the parameters' own length
    Rule rule = nullptr;

    // Bytes of the whole command, whose own bytes are `prefix` long.
    qsizetype length(const uchar *bytes, qsizetype available, qsizetype prefix) const;
    // Where the parameters start: after the command's own bytes, and after pL pH.
    qsizetype parametersAt(qsizetype prefix) const
    {
        return prefix + (countsParameters ? countBytes : 0);
    }
};

constexpr Shape fixed(int parameters)
{
    return {.kind = Shape::Kind::Fixed, .parameters = parameters};
}
// `before` parameter bytes, nL nH, then nL + nH * 256 times `unit` data bytes.
constexpr Shape nLnH(int before, int unit = 1)
{
    return {.kind = Shape::Kind::Counted, .parameters = before, .countBytes = 2, .unit = unit};
}
// pL pH, then pL + pH * 256 parameter bytes.
constexpr Shape pLpH()
{
    return {.kind = Shape::Kind::Counted, .countBytes = 2, .countsParameters = true};
}
// p1 p2 p3 p4, then that many parameter bytes, the lowest count byte first.
constexpr Shape p1p4()
{
    return {.kind = Shape::Kind::Counted, .countBytes = 4, .countsParameters = true};
}
constexpr Shape nulEnded(int before, int limit)
{
    return {.kind = Shape::Kind::NulEnded, .parameters = before, .limit = limit};
}
constexpr Shape custom(Shape::Rule rule)
{
    return {.kind = Shape::Kind::Custom, .rule = rule};
}

using Effect = void (*)(Printer &printer, const Command &command);

// One sub-function of a command: GS ( k by cn and fn, GS ( L by fn, DLE EOT by n, ...
struct Function
{
    int key = 0;    // the selecting parameter, or cn * 256 + fn where two bytes select
    int alias = -1; // a second value that selects the same function (fn 1 and 49)
    const char *name = "";
    Effect effect = nullptr;
    Shape shape = {}; // its own length, where the command leaves it to the function
};

// A command: its own bytes, how long it is, what the command reference calls it, and its
// effect on the printer, or the sub-functions that one or two of its parameters select.
struct CommandSpec
{
    std::string_view prefix; // the command's own bytes: "\x1b" "E", "\x1d" "(" "k"
    Shape shape;
    const char *name = "";
    Effect effect = nullptr; // also what an unknown sub-function does, when given
    std::span<const Function> functions = {};
    int selector = 0;      // the parameter that selects the function
    int selectorBytes = 1; // 2: cn fn
};

// The printer's commands by family, each in a file of emulator/escpos/.
std::span<const CommandSpec> textCommands();
std::span<const CommandSpec> layoutCommands();
std::span<const CommandSpec> imageCommands();
std::span<const CommandSpec> barcodeCommands();
std::span<const CommandSpec> symbolCommands();
std::span<const CommandSpec> statusCommands();
std::span<const CommandSpec> pageModeCommands();

// Parameter values 0-9 and their ASCII digits '0'-'9' mean the same to the printer.
constexpr int digit(int n)
{
    return (n >= '0' && n <= '9') ? n - '0' : n;
}

} // namespace emulator
