#pragma once

#include "Receipt.h"

#include <QByteArray>
#include <QList>

namespace emulator {

// Receipts as a JSON document of the "virtual-printer-receipts" format: the text, barcodes, codes,
// images, cuts and drawer pulses of each receipt with their positions in dots. The same receipts
// give the same bytes, so a document can be kept as a golden file.
class ReceiptJson
{
public:
    static constexpr int Version = 1;
    static constexpr int Dpi = 203;

    // The receipts that have something on them, in the order printed. A live printer gives the
    // source their bytes came from ("tcp 127.0.0.1:40112", "epos" …); a file has none.
    static QByteArray write(const QList<Receipt> &receipts,
                            int paperDots = PaperDots80,
                            const QString &source = {});
    // The "cut" of a receipt's object: "full", "partial" or "none".
    static QByteArray cutName(CutKind cut);
    // One receipt's object of the document, on its own.
    static QByteArray receipt(const Receipt &receipt, const QString &source = {});

    // The document written a piece at a time, so that a long stream of receipts is never held
    // whole: its start, each receipt that has something on it, and its end give the bytes of
    // write().
    static QByteArray documentStart(int paperDots = PaperDots80);
    static QByteArray documentEntry(const Receipt &receipt, bool first);
    static QByteArray documentEnd(bool empty);
};

} // namespace emulator
