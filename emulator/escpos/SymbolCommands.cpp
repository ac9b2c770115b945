// Two-dimensional codes: GS ( k by kind (cn) and function (fn), and GS Z / ESC Z.
#include "CommandSpec.h"
#include "Printer.h"
#include "SymbolEncoder.h"

using namespace Qt::StringLiterals;
using namespace std::literals;

namespace emulator {

namespace {

constexpr int key(int cn, int fn)
{
    return cn << 8 | fn;
}

// The data a store function carries from parameter `from` on.
QByteArray dataFrom(const Command &c, qsizetype from)
{
    return c.from(from).toByteArray();
}

// A setting in range, or a warning that names what was out of range.
bool inRange(Printer &p, int value, int low, int high, const QString &what)
{
    if (value >= low && value <= high)
        return true;
    p.warn(what + u" out of range"_s);
    return false;
}

// The symbol as a picture that keeps its kind and data, or a warning why it could not be drawn.
void print(Printer &p,
           const EncodedSymbol &symbol,
           int scaleX,
           int scaleY,
           const QString &what,
           Code2D code,
           const QByteArray &data)
{
    if (!symbol.isValid())
        return p.warn(what + u" not printed: "_s + symbol.error);
    p.addPicture(symbol.modules, scaleX, scaleY, what, code, data);
}

void notAnswered(Printer &p, const Command &)
{
    p.warn(u"symbol size information request not answered"_s);
}

SymbolSettings &symbols(Printer &p)
{
    return p.symbols;
}

// QR code (cn 49).
void qrModel(Printer &p, const Command &c)
{
    symbols(p).qr.micro = c[2] == 51; // 49 model 1, 50 model 2, 51 Micro QR
    if (c[2] == 49)
        p.warn(u"QR model 1 drawn as model 2"_s);
}

void qrLevel(Printer &p, const Command &c)
{
    const int level = c[2] - 48; // 48-51: L, M, Q, H
    if (level < 0 || level > 3)
        return p.warn(u"QR error correction level out of range"_s);
    symbols(p).qr.level = "LMQH"[level];
}

void qrPrint(Printer &p, const Command &)
{
    const SymbolSettings::Qr &qr = symbols(p).qr;
    print(p,
          SymbolEncoder::qrCode(qr.data, qr.level, qr.micro),
          qr.moduleSize,
          qr.moduleSize,
          u"QR code"_s,
          qr.micro ? Code2D::MicroQr : Code2D::Qr,
          qr.data);
}

// PDF417 (cn 48).
void pdf417Print(Printer &p, const Command &)
{
    const SymbolSettings::Pdf417 &s = symbols(p).pdf417;
    print(p,
          SymbolEncoder::pdf417(s.data,
                                s.columns,
                                s.rows,
                                s.ratio > 0 ? SymbolEncoder::pdf417Level(s.data, s.ratio)
                                            : s.securityLevel,
                                s.truncated),
          s.moduleWidth,
          s.moduleWidth * s.rowHeight,
          u"PDF417"_s,
          Code2D::Pdf417,
          s.data);
}

// Data Matrix (cn 54): m 48 square, 49 rectangle; d1 rows, d2 columns, 0 for the fewest.
void dataMatrixType(Printer &p, const Command &c)
{
    SymbolSettings::DataMatrix &s = symbols(p).dataMatrix;
    s.rectangle = digit(c[2]) == 1;
    s.rows = c[3];
    s.columns = s.rectangle ? c[4] : c[3];
}

void dataMatrixPrint(Printer &p, const Command &)
{
    const SymbolSettings::DataMatrix &s = symbols(p).dataMatrix;
    print(p,
          SymbolEncoder::dataMatrix(s.data, s.rectangle, s.rows, s.columns),
          s.moduleSize,
          s.moduleSize,
          u"Data Matrix"_s,
          Code2D::DataMatrix,
          s.data);
}

// Aztec code (cn 53): n1 0/48 full range, 1/49 compact; n2 the layers, 0 for the fewest.
void aztecMode(Printer &p, const Command &c)
{
    symbols(p).aztec.compact = digit(c[2]) == 1;
    symbols(p).aztec.layers = c[3];
}

void aztecPrint(Printer &p, const Command &)
{
    const SymbolSettings::Aztec &s = symbols(p).aztec;
    print(p,
          SymbolEncoder::aztec(s.data, s.compact, s.layers, s.errorPercent),
          s.moduleSize,
          s.moduleSize,
          u"Aztec code"_s,
          Code2D::Aztec,
          s.data);
}

void maxiCodePrint(Printer &p, const Command &)
{
    const SymbolSettings::MaxiCode &s = symbols(p).maxiCode;
    print(p,
          SymbolEncoder::maxiCode(s.data, s.mode),
          1,
          1,
          u"MaxiCode"_s,
          Code2D::MaxiCode,
          s.data);
}

void dataBarPrint(Printer &p, const Command &)
{
    const SymbolSettings::DataBar &s = symbols(p).dataBar;
    print(p,
          SymbolEncoder::dataBar(s.data, s.type, s.moduleWidth),
          1,
          1,
          u"GS1 DataBar"_s,
          Code2D::DataBar,
          s.data);
}

// Composite: m a type and data; a 48 the linear component, 49 the two-dimensional one.
void compositeStore(Printer &p, const Command &c)
{
    SymbolSettings::Composite &s = symbols(p).composite;
    if (digit(c[3]) == 0) {
        s.linearType = c[4];
        s.linear = dataFrom(c, 5);
    } else {
        s.twoDType = c[4];
        s.twoD = dataFrom(c, 5);
    }
}

void compositePrint(Printer &p, const Command &)
{
    const SymbolSettings::Composite &s = symbols(p).composite;
    print(p,
          SymbolEncoder::composite(s.linearType, s.linear, s.twoDType, s.twoD, s.moduleWidth),
          1,
          1,
          u"composite symbol"_s,
          Code2D::Composite,
          s.linear + '|' + s.twoD);
}

// clang-format off
constexpr Function TwoDimensionalCodes[] = {
    {key(48, 65), -1, "PDF417: set the number of columns",
     [](Printer &p, const Command &c) { symbols(p).pdf417.columns = c[2] <= 30 ? c[2] : 0; }},
    {key(48, 66), -1, "PDF417: set the number of rows",
     [](Printer &p, const Command &c) {
         symbols(p).pdf417.rows = (c[2] == 0 || (c[2] >= 3 && c[2] <= 90)) ? c[2] : 0;
     }},
    {key(48, 67), -1, "PDF417: set the module width",
     [](Printer &p, const Command &c) {
         if (inRange(p, c[2], 2, 8, u"PDF417 module width"_s))
             symbols(p).pdf417.moduleWidth = c[2];
     }},
    {key(48, 68), -1, "PDF417: set the row height",
     [](Printer &p, const Command &c) {
         if (inRange(p, c[2], 2, 8, u"PDF417 row height"_s))
             symbols(p).pdf417.rowHeight = c[2];
     }},
    {key(48, 69), -1, "PDF417: set the error correction level",
     [](Printer &p, const Command &c) {
         // m 48: level n 48-56; m 49: error correction codewords of n tenths (1-40) of the
         // data codewords, the level chosen when the symbol prints. Out of range: ignored.
         SymbolSettings::Pdf417 &pdf417 = symbols(p).pdf417;
         if (c[2] == 48 && c[3] >= 48 && c[3] <= 56) {
             pdf417.securityLevel = c[3] - 48;
             pdf417.ratio = 0;
         } else if (c[2] == 49 && c[3] >= 1 && c[3] <= 40) {
             pdf417.ratio = c[3];
         } else {
             p.warn(u"PDF417 error correction out of range"_s);
         }
     }},
    {key(48, 70), -1, "PDF417: select the options",
     [](Printer &p, const Command &c) { symbols(p).pdf417.truncated = c[2] & 1; }},
    {key(48, 80), -1, "PDF417: store the data",
     [](Printer &p, const Command &c) { symbols(p).pdf417.data = dataFrom(c, 3); }},
    {key(48, 81), -1, "PDF417: print the symbol", pdf417Print},
    {key(48, 82), -1, "PDF417: transmit the size information", notAnswered},
    {key(49, 65), -1, "QR code: select the model", qrModel},
    {key(49, 67), -1, "QR code: set the module size",
     [](Printer &p, const Command &c) {
         if (inRange(p, c[2], 1, 16, u"QR module size"_s))
             symbols(p).qr.moduleSize = c[2];
     }},
    {key(49, 69), -1, "QR code: select the error correction level", qrLevel},
    {key(49, 80), -1, "QR code: store the data",
     [](Printer &p, const Command &c) { symbols(p).qr.data = dataFrom(c, 3); }},
    {key(49, 81), -1, "QR code: print the symbol", qrPrint},
    {key(49, 82), -1, "QR code: transmit the size information", notAnswered},
    {key(50, 65), -1, "MaxiCode: select the mode",
     [](Printer &p, const Command &c) {
         if (inRange(p, c[2], 50, 54, u"MaxiCode mode"_s))
             symbols(p).maxiCode.mode = c[2] - 48;
     }},
    {key(50, 80), -1, "MaxiCode: store the data",
     [](Printer &p, const Command &c) { symbols(p).maxiCode.data = dataFrom(c, 3); }},
    {key(50, 81), -1, "MaxiCode: print the symbol", maxiCodePrint},
    {key(50, 82), -1, "MaxiCode: transmit the size information", notAnswered},
    {key(51, 67), -1, "GS1 DataBar: set the module width",
     [](Printer &p, const Command &c) {
         if (inRange(p, c[2], 2, 8, u"GS1 DataBar module width"_s))
             symbols(p).dataBar.moduleWidth = c[2];
     }},
    {key(51, 71), -1, "GS1 DataBar: set the maximum width of expanded stacked symbols",
     [](Printer &, const Command &) {}},
    {key(51, 80), -1, "GS1 DataBar: store the data",
     [](Printer &p, const Command &c) {
         symbols(p).dataBar.type = c[3];
         symbols(p).dataBar.data = dataFrom(c, 4);
     }},
    {key(51, 81), -1, "GS1 DataBar: print the symbol", dataBarPrint},
    {key(51, 82), -1, "GS1 DataBar: transmit the size information", notAnswered},
    {key(52, 67), -1, "composite symbol: set the module width",
     [](Printer &p, const Command &c) {
         if (inRange(p, c[2], 2, 8, u"composite symbol module width"_s))
             symbols(p).composite.moduleWidth = c[2];
     }},
    {key(52, 71), -1, "composite symbol: set the maximum width of expanded stacked symbols",
     [](Printer &, const Command &) {}},
    {key(52, 72), -1, "composite symbol: select the HRI font", [](Printer &, const Command &) {}},
    {key(52, 80), -1, "composite symbol: store the data", compositeStore},
    {key(52, 81), -1, "composite symbol: print the symbol", compositePrint},
    {key(52, 82), -1, "composite symbol: transmit the size information", notAnswered},
    {key(53, 66), -1, "Aztec code: select the mode and layers", aztecMode},
    {key(53, 67), -1, "Aztec code: set the module size",
     [](Printer &p, const Command &c) {
         if (inRange(p, c[2], 2, 16, u"Aztec code module size"_s))
             symbols(p).aztec.moduleSize = c[2];
     }},
    {key(53, 69), -1, "Aztec code: set the error correction level",
     [](Printer &p, const Command &c) {
         if (inRange(p, c[2], 5, 95, u"Aztec code error correction level"_s))
             symbols(p).aztec.errorPercent = c[2];
     }},
    {key(53, 80), -1, "Aztec code: store the data",
     [](Printer &p, const Command &c) { symbols(p).aztec.data = dataFrom(c, 3); }},
    {key(53, 81), -1, "Aztec code: print the symbol", aztecPrint},
    {key(53, 82), -1, "Aztec code: transmit the size information", notAnswered},
    {key(54, 66), -1, "Data Matrix: select the symbol type and size", dataMatrixType},
    {key(54, 67), -1, "Data Matrix: set the module size",
     [](Printer &p, const Command &c) {
         if (inRange(p, c[2], 2, 16, u"Data Matrix module size"_s))
             symbols(p).dataMatrix.moduleSize = c[2];
     }},
    {key(54, 80), -1, "Data Matrix: store the data",
     [](Printer &p, const Command &c) { symbols(p).dataMatrix.data = dataFrom(c, 3); }},
    {key(54, 81), -1, "Data Matrix: print the symbol", dataMatrixPrint},
    {key(54, 82), -1, "Data Matrix: transmit the size information", notAnswered},
};
// clang-format on

// ESC Z m n k dL dH d1...dn, the code GS Z selected: PDF417 m columns (0-30), n security
// level (0-8), k row height (2-5); Data Matrix m rows and n columns (0 for the fewest), k the
// module size; QR m version (0-40, 0 the smallest), n level 'L' 'M' 'Q' 'H', k module size.
void printSelected(Printer &p, const Command &c)
{
    const QByteArray data = c.from(5).toByteArray();
    const int m = c[0];
    const int n = c[1];
    const int k = c[2];
    switch (symbols(p).selected) {
    case 0: {
        const int width = p.barcode.moduleWidth;
        return print(p,
                     SymbolEncoder::pdf417(data, qMin(m, 30), 0, n <= 8 ? n : -1, false),
                     width,
                     width * qBound(2, k, 5),
                     u"PDF417"_s,
                     Code2D::Pdf417,
                     data);
    }
    case 1:
        return print(p,
                     SymbolEncoder::dataMatrix(data, m != n && m > 0 && n > 0, m, n),
                     qBound(1, k, 16),
                     qBound(1, k, 16),
                     u"Data Matrix"_s,
                     Code2D::DataMatrix,
                     data);
    default: {
        const char level = QByteArrayView("LMQH").contains(char(n)) ? char(n) : 'L';
        return print(p,
                     SymbolEncoder::qrCode(data, level, false, m),
                     qBound(1, k, 16),
                     qBound(1, k, 16),
                     u"QR code"_s,
                     Code2D::Qr,
                     data);
    }
    }
}

// clang-format off
constexpr CommandSpec Commands[] = {
    {"\x1d(k"sv, pLpH(), "two-dimensional code",
     [](Printer &p, const Command &) { p.warn(u"two-dimensional code of an unknown kind"_s); },
     TwoDimensionalCodes, 0, 2},
    {"\x1d" "Z"sv, fixed(1), "select the two-dimensional code type",
     [](Printer &p, const Command &c) {
         if (inRange(p, digit(c[0]), 0, 2, u"two-dimensional code type"_s))
             symbols(p).selected = digit(c[0]);
     }},
    {"\x1b" "Z"sv, nLnH(3), "print two-dimensional code", printSelected},
};
// clang-format on

} // namespace

std::span<const CommandSpec> symbolCommands()
{
    return Commands;
}

} // namespace emulator
