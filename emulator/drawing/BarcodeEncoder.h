#pragma once

#include "Receipt.h"

#include <QBitArray>
#include <QByteArray>
#include <QString>

namespace emulator {

// Bars of one barcode, one bit per module (set = black), or why the printer refuses the data.
struct EncodedBarcode
{
    QBitArray modules;
    // What the bars hold, as a scanner reads it: UPC and JAN codes with their check digit,
    // CODE39 without its '*', CODE128 without its code set characters.
    QByteArray data;
    QString humanReadable;
    QString error; // empty when the printer accepts the data

    bool isValid() const { return error.isEmpty(); }
};

// Checks barcode data the way the printer does before printing and computes the bars.
class BarcodeEncoder
{
public:
    static EncodedBarcode encode(Symbology symbology, const QByteArray &data);
    static QString name(Symbology symbology);
};

} // namespace emulator
