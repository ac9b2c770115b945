#include "SymbolEncoder.h"

#include "BitImage.h"

#include <zint.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

using Symbol = std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)>;

Symbol create(int symbology)
{
    Symbol symbol(ZBarcode_Create(), &ZBarcode_Delete);
    if (symbol)
        symbol->symbology = symbology;
    return symbol;
}

// libzint keeps each row of modules as bits, the first module in the lowest bit.
bool moduleSet(const zint_symbol &symbol, int row, int column)
{
    return (symbol.encoded_data[row][column >> 3] >> (column & 7)) & 1;
}

QString errorOf(const zint_symbol &symbol)
{
    const QString error = QString::fromLatin1(symbol.errtxt);
    return error.isEmpty() ? u"the data cannot be encoded"_s : error;
}

bool encoded(Symbol &symbol, const QByteArray &data, EncodedSymbol *result)
{
    if (!symbol) {
        result->error = u"out of memory"_s;
        return false;
    }
    if (data.isEmpty()) {
        result->error = u"no data stored"_s;
        return false;
    }
    const int status = ZBarcode_Encode(symbol.get(),
                                       reinterpret_cast<const unsigned char *>(data.constData()),
                                       int(data.size()));
    if (status >= ZINT_ERROR || symbol->rows <= 0 || symbol->width <= 0) {
        result->error = errorOf(*symbol);
        return false;
    }
    return true;
}

// One pixel a module, from the encoded rows.
EncodedSymbol modules(Symbol &symbol, const QByteArray &data)
{
    EncodedSymbol result;
    if (!encoded(symbol, data, &result))
        return result;
    result.modules = BitImage::blank(symbol->width, symbol->rows);
    for (int row = 0; row < symbol->rows; ++row) {
        for (int column = 0; column < symbol->width; ++column) {
            if (moduleSet(*symbol, row, column))
                result.modules.setPixel(column, row, 1);
        }
    }
    return result;
}

// Dots as libzint draws them, for codes whose rows differ in height or whose modules are not
// squares; libzint's raster draws a module 2 * scale pixels wide.
EncodedSymbol drawn(Symbol &symbol, const QByteArray &data, float scale)
{
    EncodedSymbol result;
    if (!symbol) {
        result.error = u"out of memory"_s;
        return result;
    }
    symbol->show_hrt = 0;
    symbol->scale = scale;
    symbol->output_options |= BARCODE_NO_QUIET_ZONES;
    if (!encoded(symbol, data, &result))
        return result;
    if (ZBarcode_Buffer(symbol.get(), 0) >= ZINT_ERROR || !symbol->bitmap) {
        result.error = errorOf(*symbol);
        return result;
    }
    result.modules = BitImage::blank(symbol->bitmap_width, symbol->bitmap_height);
    const unsigned char *rgb = symbol->bitmap;
    for (int y = 0; y < symbol->bitmap_height; ++y) {
        for (int x = 0; x < symbol->bitmap_width; ++x, rgb += 3) {
            if (rgb[0] < 128)
                result.modules.setPixel(x, y, 1);
        }
    }
    return result;
}

// libzint's Data Matrix sizes by number, rows x columns: 1-24 squares, 25-30 rectangles.
struct MatrixSize
{
    int rows;
    int columns;
};
constexpr std::array<MatrixSize, 30> MatrixSizes = {{
        {10, 10}, {12, 12}, {14, 14}, {16, 16}, {18, 18},   {20, 20},   {22, 22},   {24, 24},
        {26, 26}, {32, 32}, {36, 36}, {40, 40}, {44, 44},   {48, 48},   {52, 52},   {64, 64},
        {72, 72}, {80, 80}, {88, 88}, {96, 96}, {104, 104}, {120, 120}, {132, 132}, {144, 144},
        {8, 18},  {8, 32},  {12, 26}, {12, 36}, {16, 36},   {16, 48},
}};

} // namespace

EncodedSymbol SymbolEncoder::qrCode(const QByteArray &data, char level, bool micro, int version)
{
    Symbol symbol = create(micro ? BARCODE_MICROQR : BARCODE_QRCODE);
    if (!symbol)
        return {{}, u"out of memory"_s};
    const QByteArray levels = "LMQH";
    symbol->option_1 = int(levels.indexOf(level)) + 1;
    if (micro && symbol->option_1 > 3)
        symbol->option_1 = 3; // Micro QR codes have no level H
    if (!micro && version >= 1 && version <= 40)
        symbol->option_2 = version;
    symbol->input_mode = DATA_MODE;
    return modules(symbol, data);
}

EncodedSymbol SymbolEncoder::pdf417(
        const QByteArray &data, int columns, int rows, int securityLevel, bool truncated)
{
    Symbol symbol = create(truncated ? BARCODE_PDF417COMP : BARCODE_PDF417);
    if (!symbol)
        return {{}, u"out of memory"_s};
    symbol->option_1 = securityLevel;
    symbol->option_2 = columns;
    symbol->option_3 = rows;
    symbol->input_mode = DATA_MODE;
    return modules(symbol, data);
}

int SymbolEncoder::pdf417Level(const QByteArray &data, int tenths)
{
    // The data's codewords, counted from a symbol asked to be one column wide at level 0: each
    // row holds one codeword, two of them the error correction, none padding. Data too long
    // for 90 rows takes more columns (17 modules each beside 69 of start, stop and row
    // indicators), and a little padding with them.
    int codewords = 928;
    Symbol symbol = create(BARCODE_PDF417);
    if (symbol) {
        symbol->option_1 = 0;
        symbol->option_2 = 1;
        symbol->input_mode = DATA_MODE;
        EncodedSymbol unused;
        if (encoded(symbol, data, &unused))
            codewords = symbol->rows * std::max((symbol->width - 69) / 17, 1) - 2;
    }
    const int wanted = codewords * tenths / 10;
    int level = 1;
    for (const int most : {3, 10, 20, 45, 100, 200, 400}) {
        if (wanted <= most)
            return level;
        ++level;
    }
    return level;
}

EncodedSymbol SymbolEncoder::dataMatrix(const QByteArray &data,
                                        bool rectangle,
                                        int rows,
                                        int columns)
{
    // A size asked for exactly, or the smallest of the shape that holds the data.
    EncodedSymbol last{{}, u"no Data Matrix size holds the data"_s};
    for (int i = 0; i < int(MatrixSizes.size()); ++i) {
        const MatrixSize size = MatrixSizes[size_t(i)];
        const bool isRectangle = size.rows != size.columns;
        if (isRectangle != rectangle || (rows > 0 && size.rows != rows)
            || (columns > 0 && size.columns != columns))
            continue;
        Symbol symbol = create(BARCODE_DATAMATRIX);
        if (!symbol)
            return {{}, u"out of memory"_s};
        symbol->input_mode = DATA_MODE;
        symbol->option_2 = i + 1;
        last = modules(symbol, data);
        if (last.isValid())
            return last;
    }
    return last;
}

EncodedSymbol SymbolEncoder::aztec(const QByteArray &data,
                                   bool compact,
                                   int layers,
                                   int errorPercent)
{
    Symbol symbol = create(BARCODE_AZTEC);
    if (!symbol)
        return {{}, u"out of memory"_s};
    symbol->input_mode = DATA_MODE;
    if (layers > 0)
        symbol->option_2 = compact ? qMin(layers, 4) : 4 + qMin(layers, 32);
    else
        symbol->option_1 = errorPercent <= 10   ? 1
                           : errorPercent <= 23 ? 2
                           : errorPercent <= 36 ? 3
                                                : 4;
    return modules(symbol, data);
}

EncodedSymbol SymbolEncoder::maxiCode(const QByteArray &data, int mode)
{
    Symbol symbol = create(BARCODE_MAXICODE);
    if (!symbol)
        return {{}, u"out of memory"_s};
    QByteArray message = data;
    if (mode == 2 || mode == 3) {
        // The primary message: postal code, three-digit country and service class.
        const QList<QByteArray> fields = data.split('\x1d');
        if (fields.size() < 4)
            return {{}, u"mode %1 needs the postal code, country and service class"_s.arg(mode)};
        const QByteArray primary = fields[0] + fields[1].rightJustified(3, '0')
                                   + fields[2].rightJustified(3, '0');
        if (primary.size() >= qsizetype(sizeof symbol->primary))
            return {{}, u"postal code too long"_s};
        std::memcpy(symbol->primary, primary.constData(), size_t(primary.size()) + 1);
        message = data.mid(fields[0].size() + fields[1].size() + fields[2].size() + 3);
    }
    symbol->option_1 = mode;
    symbol->input_mode = DATA_MODE;
    // A MaxiCode is about 28 mm wide: 225 dots at 203 dpi.
    return drawn(symbol, message, 1.0F);
}

EncodedSymbol SymbolEncoder::dataBar(const QByteArray &data, int type, int moduleWidth)
{
    const int symbology = type == 73   ? BARCODE_DBAR_OMNSTK
                          : type == 76 ? BARCODE_DBAR_EXPSTK
                                       : BARCODE_DBAR_STK;
    Symbol symbol = create(symbology);
    if (!symbol)
        return {{}, u"out of memory"_s};
    // Application identifiers come in parentheses, as on the human-readable line.
    if (symbology == BARCODE_DBAR_EXPSTK)
        symbol->input_mode = GS1_MODE | GS1PARENS_MODE;
    return drawn(symbol, data, float(moduleWidth) / 2);
}

EncodedSymbol SymbolEncoder::composite(int linearType,
                                       const QByteArray &linear,
                                       int twoDType,
                                       const QByteArray &twoD,
                                       int moduleWidth)
{
    static constexpr std::array<int, 12> Linear = {BARCODE_EANX_CC,
                                                   BARCODE_EANX_CC,
                                                   BARCODE_UPCA_CC,
                                                   BARCODE_UPCE_CC,
                                                   BARCODE_UPCE_CC,
                                                   BARCODE_DBAR_OMN_CC,
                                                   BARCODE_DBAR_OMN_CC,
                                                   BARCODE_DBAR_STK_CC,
                                                   BARCODE_DBAR_OMNSTK_CC,
                                                   BARCODE_DBAR_LTD_CC,
                                                   BARCODE_DBAR_EXP_CC,
                                                   BARCODE_GS1_128_CC};
    if (linearType < 65 || linearType > 76)
        return {{}, u"linear component type %1 unknown"_s.arg(linearType)};
    Symbol symbol = create(Linear[size_t(linearType - 65)]);
    if (!symbol)
        return {{}, u"out of memory"_s};
    if (linear.isEmpty() || linear.size() >= qsizetype(sizeof symbol->primary))
        return {{}, u"no linear component stored"_s};
    std::memcpy(symbol->primary, linear.constData(), size_t(linear.size()) + 1);
    symbol->option_1 = twoDType == 66 ? 3 : 0;
    symbol->input_mode = GS1_MODE | GS1PARENS_MODE;
    return drawn(symbol, twoD, float(moduleWidth) / 2);
}

} // namespace emulator
