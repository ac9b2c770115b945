#pragma once

#include "protocol/Commands.h"

#include <QString>

#include <optional>
#include <span>

namespace serial {
class Port;
}

namespace jobs {

// A barcode type offered in the list: its name, its symbology and the hint telling the operator
// what data it takes.
struct BarcodeType
{
    QString name;
    protocol::Symbology symbology;
    const char *hint; // the source text, translated under hintContext; the window shows hintText()

    static constexpr char hintContext[] = "jobs::BarcodeType";
    // The hint in the window's language.
    QString hintText() const;
};

std::span<const BarcodeType> barcodeTypes();
// Exact, case-sensitive match of the whole name.
const BarcodeType *findBarcodeType(const QString &name);
inline const QString defaultBarcodeType = QStringLiteral("CODE39");
inline const QString defaultBarcodeData = QStringLiteral("1234567890");

// Why the barcode job sends nothing. The printer judges the data itself; refused here is only
// what one length byte cannot frame.
enum class BarcodeRefusal {
    UnknownType,
    NoData,
    NotSingleByte, // a character that takes more than one byte: the length byte counts bytes
    TooLong,       // more than protocol::maxBarcodeData() bytes
};

// Prints one barcode with caption lines, or refuses before sending anything.
std::optional<BarcodeRefusal> printBarcode(serial::Port &port,
                                           bool blackMark,
                                           const QString &typeName,
                                           const QString &data);

} // namespace jobs
