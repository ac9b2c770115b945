// StarGraphic raster mode: between ESC * r A and ESC * r B the printer takes rows of dots
// (b n1 n2 data ends a row, k n1 n2 data adds to it) and vertical moves, and prints them as one
// picture.
#include "BitImage.h"
#include "Printer.h"
#include "StarCommands.h"

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;
using namespace std::literals;

namespace emulator::star {

namespace {

void nothing(Printer &, const Command &) {}

// b n1 n2 data: one row of n bytes.
qsizetype rowLength(const uchar *p, qsizetype available)
{
    return available < 3 ? 3 : 3 + (p[1] | qsizetype(p[2]) << 8);
}

// ESC * b n1 n2 data: the same row.
qsizetype escapedRowLength(const uchar *p, qsizetype available)
{
    return available < 5 ? 5 : 5 + (p[3] | qsizetype(p[4]) << 8);
}

// The number written in ASCII digits before the NUL.
int number(const Command &c)
{
    int value = 0;
    for (const char ch : c.from(0)) {
        if (ch >= '0' && ch <= '9')
            value = qMin(value * 10 + (ch - '0'), 100000);
    }
    return value;
}

// The row being filled, with the dots of data over those k put there.
void fill(Printer &p, QByteArrayView data)
{
    QByteArray &line = p.rasterLine;
    if (line.size() < data.size())
        line.resize(data.size(), '\0');
    for (qsizetype i = 0; i < data.size(); ++i)
        line[i] = char(line[i] | data[i]);
}

void row(Printer &p, QByteArrayView data);

// The rows gathered so far print as one picture.
void flush(Printer &p)
{
    if (!p.rasterLine.isEmpty())
        row(p, {});
    if (p.rasterRows.isEmpty())
        return;
    qsizetype width = 0;
    for (const QByteArray &row : std::as_const(p.rasterRows))
        width = std::max(width, row.size());
    QByteArray dots;
    for (const QByteArray &row : std::as_const(p.rasterRows))
        dots += row + QByteArray(width - row.size(), '\0');
    const int rows = int(p.rasterRows.size());
    p.rasterRows.clear();
    if (width > 0)
        p.addPicture(BitImage::fromRows(dots, int(width), rows), 1, 1, u"raster graphics"_s);
    else
        p.feedDots(rows);
}

// b: the row ends and the next one starts.
void row(Printer &p, QByteArrayView data)
{
    constexpr qsizetype MaxRows = 96000;
    if (p.rasterRows.size() >= MaxRows)
        flush(p);
    fill(p, data);
    p.rasterRows.append(std::exchange(p.rasterLine, {}));
}

// ESC * r Y n NUL: n rows down, the row being filled the first of them.
void move(Printer &p, const Command &c)
{
    const int n = number(c);
    for (int i = 0; i < n; ++i)
        row(p, {});
}

// ESC * r N n NUL: the n bytes after it are passed over.
qsizetype discardLength(const uchar *p, qsizetype available)
{
    constexpr qsizetype Limit = 4 + 8;
    qsizetype skipped = 0;
    for (qsizetype i = 4; i < available && i < Limit; ++i) {
        if (p[i] == 0)
            return i + 1 + skipped;
        if (p[i] >= '0' && p[i] <= '9')
            skipped = qMin<qsizetype>(skipped * 10 + (p[i] - '0'), 1 << 20);
    }
    return available < Limit ? available + 1 : Limit;
}

void leave(Printer &p, const Command &)
{
    flush(p);
    p.rasterMode = false;
}

// clang-format off
constexpr CommandSpec Commands[] = {
    {"b"sv, custom(rowLength), "transfer raster data (auto line feed)",
     [](Printer &p, const Command &c) { row(p, c.from(2)); }},
    {"k"sv, custom(rowLength), "transfer raster data",
     [](Printer &p, const Command &c) { fill(p, c.from(2)); }},
    {"\x1b*b"sv, custom(escapedRowLength), "transfer raster data",
     [](Printer &p, const Command &c) { row(p, c.from(2)); }},
    {"\x1b*rB"sv, fixed(0), "quit raster mode", leave},
    {"\x1b*rC"sv, fixed(0), "clear raster data",
     [](Printer &p, const Command &) {
         p.rasterRows.clear();
         p.rasterLine.clear();
     }},
    {"\x1b*rR"sv, fixed(0), "initialize raster mode",
     [](Printer &p, const Command &) { flush(p); }},
    {"\x1b*rN"sv, custom(discardLength), "discard data for specified byte count", nothing},
    // n 1 drives external device 1 (the drawer on pin 2), 2 device 2 (pin 5), 0 neither.
    {"\x1b*rD"sv, nulEnded(0, 8), "drive drawer",
     [](Printer &p, const Command &c) {
         if (number(c) != 0)
             p.pulseDrawer(number(c) == 2 ? 5 : 2, p.drawerPulseOnMs, p.drawerPulseOffMs);
     }},
    {"\x1b*rV"sv, nulEnded(0, 8), "execute external buzzer drive",
     [](Printer &p, const Command &) { p.beep(1); }},
    {"\x1b*rK"sv, nulEnded(0, 8), "set raster print color", nothing},
    {"\x1b*rY"sv, nulEnded(0, 8), "move vertical direction", move},
    {"\x1b*rP"sv, nulEnded(0, 8), "set raster page length", nothing},
    {"\x1b*rE"sv, nulEnded(0, 8), "set raster end of transmission mode", nothing},
    {"\x1b*rF"sv, nulEnded(0, 8), "set raster form feed mode", nothing},
    {"\x1b*rQ"sv, nulEnded(0, 8), "set raster print quality", nothing},
    {"\x1b*rT"sv, nulEnded(0, 8), "set raster top margin", nothing},
    {"\x1b*rml"sv, nulEnded(0, 8), "set raster left margin", nothing},
    {"\x1b*rmr"sv, nulEnded(0, 8), "set raster right margin", nothing},
    {"\x1b*rA"sv, fixed(0), "enter raster mode", nothing},
    {"\x1b\x0c\x00"sv, fixed(0), "raster form feed",
     [](Printer &p, const Command &) { flush(p); }},
    {"\x1b\x0c\x04"sv, fixed(0), "raster end of transmission",
     [](Printer &p, const Command &) { flush(p); }},
};
// clang-format on

} // namespace

std::span<const CommandSpec> rasterCommands()
{
    return Commands;
}

} // namespace emulator::star
