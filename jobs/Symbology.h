#pragma once

#include "jobs/JobTarget.h"

#include <QString>

#include <optional>
#include <span>

namespace jobs {

// A barcode type the printer knows: its name in the list, the code that follows GS k (function
// B, with a length byte), and the hint telling the operator what data it takes.
struct Symbology
{
    QString name;
    char16_t code;
    QString hint;
};

std::span<const Symbology> symbologies();
// Exact, case-sensitive match of the whole name.
const Symbology *findSymbology(const QString &name);
inline const QString defaultSymbology = QStringLiteral("CODE39");
inline const QString defaultBarcodeData = QStringLiteral("1234567890");

// Why the barcode job cannot send this name and data, or nothing when it can. The printer
// judges the data itself; what is refused here cannot be framed by one length byte at all.
std::optional<QString> barcodeRefusal(const QString &symbology, const QString &data);

// Prints one barcode with caption lines; throws serial::Failure, before sending anything, for input
// that barcodeRefusal() refuses.
void printBarcode(const JobTarget &target, const QString &symbology, const QString &data);

} // namespace jobs
