#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace emulator {

// A two-dimensional code as modules (one pixel a module, black set), or why it cannot be made.
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
    // level: error correction 'L', 'M', 'Q' or 'H'; micro draws a Micro QR code.
    static EncodedSymbol qrCode(const QByteArray &data, char level, bool micro);
    // columns and rows 0 choose for themselves; securityLevel 0-8, or -1 for the smallest the
    // data allows; truncated leaves out the right-hand row indicators and stop pattern.
    static EncodedSymbol pdf417(
            const QByteArray &data, int columns, int rows, int securityLevel, bool truncated);
};

} // namespace emulator
