// Barcodes: GS k and the settings it prints with.
#include "CommandSpec.h"
#include "Printer.h"

using namespace Qt::StringLiterals;
using namespace std::literals;

namespace emulator {

namespace {

// GS k m: m 0-6 takes data ended by NUL, m 65-79 a length byte and that many bytes.
qsizetype barcodeLength(const uchar *p, qsizetype available)
{
    if (available < 3)
        return 3;
    const int m = p[2];
    if (m <= 6)
        return nulEnded(1, 256).length(p, available, 2);
    if (m >= 65 && m <= 79)
        return available < 4 ? 4 : 4 + p[3];
    return 3;
}

void barcode(Printer &p, const Command &c)
{
    const int m = c[0];
    if (m <= 6) {
        const QByteArrayView data = c.from(1);
        if (data.isEmpty() || data.back() != 0)
            return p.warn(u"barcode data without its NUL end, dropped"_s);
        return p.printBarcode(static_cast<Symbology>(m), data.chopped(1));
    }
    if (m >= 65 && m <= 73)
        return p.printBarcode(static_cast<Symbology>(m - 65), c.from(2));
    p.warn(m >= 74 ? u"barcode system not drawn (GS1 DataBar)"_s : u"barcode system unknown"_s);
}

// clang-format off
constexpr CommandSpec Commands[] = {
    {"\x1d" "k"sv, custom(barcodeLength), "print barcode", barcode},
    {"\x1d" "h"sv, fixed(1), "set barcode height",
     [](Printer &p, const Command &c) {
         if (c[0] == 0)
             return p.warn(u"barcode height 0 ignored"_s);
         p.barcode.height = c[0];
     }},
    {"\x1d" "w"sv, fixed(1), "set barcode width",
     [](Printer &p, const Command &c) {
         if (c[0] < 1 || c[0] > 6)
             return p.warn(u"barcode module width out of range"_s);
         p.barcode.moduleWidth = c[0];
     }},
    {"\x1d" "H"sv, fixed(1), "select print position of HRI characters",
     [](Printer &p, const Command &c) {
         if (digit(c[0]) > 3)
             return p.warn(u"HRI position out of range"_s);
         p.barcode.hri = static_cast<HriPosition>(digit(c[0]));
     }},
    {"\x1d" "f"sv, fixed(1), "select font for HRI characters",
     [](Printer &p, const Command &c) { p.barcode.hriFontB = digit(c[0]) & 1; }},
};
// clang-format on

} // namespace

std::span<const CommandSpec> barcodeCommands()
{
    return Commands;
}

} // namespace emulator
