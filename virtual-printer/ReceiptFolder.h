#pragma once

#include <QByteArrayView>
#include <QString>

namespace vprinter {

struct KeptReceipt;

// The folder --save writes receipts into, as receipt-0001.png, receipt-0002.png, ...: numbered on
// from the highest number the folder holds, never over an existing file or through a link.
class ReceiptFolder
{
public:
    explicit ReceiptFolder(const QString &path);

    const QString &path() const { return m_path; }
    // Makes the folder if need be; the number after the highest receipt-NNNN it holds.
    bool open(int *nextNumber, QString *error);
    // The first number from `from` on whose file name is free.
    int freeNumber(int from) const;
    // Writes the receipt's picture under its number; the path written, or empty with the reason.
    QString save(const KeptReceipt &receipt, QString *error);
    // Writes bytes as a new file `name` in the folder: to a temporary name first, renamed into
    // place once complete. It never replaces a file and never follows a symbolic link; a folder
    // deleted meanwhile is made again.
    bool writeFile(const QString &name, QByteArrayView bytes, QString *error);

    static QString fileName(int number);

private:
    QString m_path;
};

} // namespace vprinter
