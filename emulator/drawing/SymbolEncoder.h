#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace emulator {

// A two-dimensional code as modules (one pixel a module, black set) or, for the codes that are
// not square grids (MaxiCode, GS1 DataBar, composite codes), as dots; or why it cannot be made.
struct EncodedSymbol
{
    QImage modules;
    QString error; // empty when the code was made

    bool isValid() const { return error.isEmpty(); }
};

// Makes the two-dimensional codes the printer stores with GS ( k, through libzint.
class SymbolEncoder
{
public:
    // level: error correction 'L', 'M', 'Q' or 'H'; micro draws a Micro QR code; version 0
    // chooses the smallest that holds the data.
    static EncodedSymbol qrCode(const QByteArray &data, char level, bool micro, int version = 0);
    // columns and rows 0 choose for themselves; securityLevel 0-8, or -1 for the smallest the
    // data allows; truncated leaves out the right-hand row indicators and stop pattern.
    static EncodedSymbol pdf417(
            const QByteArray &data, int columns, int rows, int securityLevel, bool truncated);
    // The security level whose error correction codewords come nearest above tenths tenths of
    // the data's codewords (GS ( k fn 69 m 49): a product up to 3 takes level 1, up to 10
    // level 2, 20 level 3, 45 level 4, 100 level 5, 200 level 6, 400 level 7, more level 8.
    static int pdf417Level(const QByteArray &data, int tenths);
    // rows and columns 0 choose for themselves (squares only unless rectangle is set).
    static EncodedSymbol dataMatrix(const QByteArray &data, bool rectangle, int rows, int columns);
    // layers 0 choose for themselves; errorPercent 5-95 is rounded up to the levels of the code.
    static EncodedSymbol aztec(const QByteArray &data, bool compact, int layers, int errorPercent);
    // Dots as printed at 203 dpi; mode 2-6. Modes 2 and 3 take the postal code, country and
    // service class in front of the message, each ended by GS.
    static EncodedSymbol maxiCode(const QByteArray &data, int mode);
    // Dots, each module moduleWidth dots wide: a stacked (72), stacked omnidirectional (73) or
    // expanded stacked (76) GS1 DataBar.
    static EncodedSymbol dataBar(const QByteArray &data, int type, int moduleWidth);
    // Dots of a linear component of the given type (65 EAN-8 ... 76 GS1-128) with a 2D
    // component above it; twoDType 66 forces CC-C.
    static EncodedSymbol composite(int linearType,
                                   const QByteArray &linear,
                                   int twoDType,
                                   const QByteArray &twoD,
                                   int moduleWidth);
};

} // namespace emulator
