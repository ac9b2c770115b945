#pragma once

#include <QByteArray>

namespace emulator {

// What GS ( k, GS Z and ESC Z have set for each kind of two-dimensional code, and the data
// stored for it; power-on values.
struct SymbolSettings
{
    struct Qr
    {
        int moduleSize = 3;
        char level = 'L';
        bool micro = false;
        QByteArray data;
    };
    struct Pdf417
    {
        int columns = 0;
        int rows = 0;
        int moduleWidth = 3;
        int rowHeight = 3; // times the module width
        int securityLevel = 1;
        int ratio = 0; // m 49: error correction codewords per 10 data codewords, 0 for a level
        bool truncated = false;
        QByteArray data;
    };
    struct DataMatrix
    {
        bool rectangle = false;
        int rows = 0; // 0: the smallest that holds the data
        int columns = 0;
        int moduleSize = 3;
        QByteArray data;
    };
    struct Aztec
    {
        bool compact = false;
        int layers = 0; // 0: the fewest that hold the data
        int moduleSize = 3;
        int errorPercent = 23;
        QByteArray data;
    };
    struct MaxiCode
    {
        int mode = 2;
        QByteArray data;
    };
    struct DataBar
    {
        int moduleWidth = 2;
        int type = 72;
        QByteArray data;
    };
    struct Composite
    {
        int moduleWidth = 2;
        int linearType = 0;
        QByteArray linear;
        int twoDType = 65;
        QByteArray twoD;
    };

    Qr qr;
    Pdf417 pdf417;
    DataMatrix dataMatrix;
    Aztec aztec;
    MaxiCode maxiCode;
    DataBar dataBar;
    Composite composite;
    int selected = 0; // GS Z: the code ESC Z prints, 0 PDF417, 1 Data Matrix, 2 QR
};

} // namespace emulator
