#pragma once

#include "Receipt.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

namespace vprinter {

// Receipts written out as pictures: PNG files and PDF documents of one page a receipt.
class ReceiptExport
{
public:
    static QImage picture(const emulator::Receipt &receipt);
    static bool savePng(const emulator::Receipt &receipt, const QString &path, QString *error);
    static bool savePng(const QImage &image, const QString &path, QString *error);
    static bool savePdf(const QList<QImage> &pages, const QString &path, QString *error);
    // Written to a temporary name beside path and renamed: a reader never sees half a file.
    static bool saveBytes(const QByteArray &bytes, const QString &path, QString *error);
    // Receipts that have something on them, the one still being printed included.
    static QList<QImage> pictures(const QList<emulator::Receipt> &receipts);
};

} // namespace vprinter
