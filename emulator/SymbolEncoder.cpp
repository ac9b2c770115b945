#include "SymbolEncoder.h"

#include "BitImage.h"

#include <zint.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

using Symbol = std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)>;

// libzint keeps each row of modules as bits, the first module in the lowest bit.
bool moduleSet(const zint_symbol &symbol, int row, int column)
{
    return (symbol.encoded_data[row][column >> 3] >> (column & 7)) & 1;
}

EncodedSymbol encode(Symbol &symbol, const QByteArray &data)
{
    EncodedSymbol result;
    if (data.isEmpty()) {
        result.error = u"no data stored"_s;
        return result;
    }
    symbol->input_mode = DATA_MODE;
    const int status = ZBarcode_Encode(symbol.get(),
                                       reinterpret_cast<const unsigned char *>(data.constData()),
                                       int(data.size()));
    if (status >= ZINT_ERROR || symbol->rows <= 0 || symbol->width <= 0) {
        result.error = QString::fromLatin1(symbol->errtxt);
        if (result.error.isEmpty())
            result.error = u"the data cannot be encoded"_s;
        return result;
    }
    result.modules = BitImage::blank(symbol->width, symbol->rows);
    for (int row = 0; row < symbol->rows; ++row) {
        for (int column = 0; column < symbol->width; ++column) {
            if (moduleSet(*symbol, row, column))
                result.modules.setPixel(column, row, 1);
        }
    }
    return result;
}

Symbol create()
{
    return Symbol(ZBarcode_Create(), &ZBarcode_Delete);
}

} // namespace

EncodedSymbol SymbolEncoder::qrCode(const QByteArray &data, char level, bool micro)
{
    Symbol symbol = create();
    if (!symbol)
        return {{}, u"out of memory"_s};
    symbol->symbology = micro ? BARCODE_MICROQR : BARCODE_QRCODE;
    const QByteArray levels = "LMQH";
    symbol->option_1 = int(levels.indexOf(level)) + 1;
    if (micro && symbol->option_1 > 3)
        symbol->option_1 = 3; // Micro QR codes have no level H
    return encode(symbol, data);
}

EncodedSymbol SymbolEncoder::pdf417(
        const QByteArray &data, int columns, int rows, int securityLevel, bool truncated)
{
    Symbol symbol = create();
    if (!symbol)
        return {{}, u"out of memory"_s};
    symbol->symbology = truncated ? BARCODE_PDF417COMP : BARCODE_PDF417;
    symbol->option_1 = securityLevel;
    symbol->option_2 = columns;
    symbol->option_3 = rows;
    return encode(symbol, data);
}

} // namespace emulator
