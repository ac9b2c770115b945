#pragma once

#include "Receipt.h"
#include "ReceiptLayout.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace emulator {

// Receipts as the text a reader would copy from the paper.
class ReceiptText
{
public:
    // Dots of a font A character: a gap this wide that positioning left in a line reads as one
    // space.
    static constexpr int SpaceDots = 12;

    // The characters the print head printed, in the order of their positions in the line;
    // justification and the margin add no spaces, trailing spaces are dropped.
    static QString line(const BlockLayout &layout);
    // One string a printed line, blank lines included; barcodes and pictures are no lines.
    static QStringList lines(const Receipt &receipt, const ReceiptLayout &layout);
    // Each receipt's lines, then "--- full cut ---", "--- partial cut ---" or "--- end ---".
    static QByteArray transcript(const QList<Receipt> &receipts);
};

} // namespace emulator
