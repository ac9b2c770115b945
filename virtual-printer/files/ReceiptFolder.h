#pragma once

#include <QByteArrayView>
#include <QString>

namespace emulator {
class Renderer;
}

namespace vprinter {

struct KeptReceipt;

// The folder --save writes receipts into, as receipt-0001.png and receipt-0001.json, ...:
// numbered on from the highest number the folder holds, never over an existing file or through a
// link. A receipt's JSON is written after its picture: once it is there, the receipt is saved.
// Printers that share the folder claim each number before they write it, so none takes
// another's.
class ReceiptFolder
{
public:
    // Receipt numbers go up to this; a receipt past it is not saved.
    static constexpr int MaxNumber = 999'999'999;

    explicit ReceiptFolder(const QString &path);

    const QString &path() const { return m_path; }
    // Makes the folder if need be and cleans up what saving left there when a printer stopped
    // in the middle of it; the number after the highest receipt-NNNN it holds.
    bool open(int *nextNumber, QString *error);
    // Claims the first number from `from` on that neither a receipt's file nor another printer's
    // claim holds; -1 with the reason when none can be claimed.
    int claim(int from, QString *error) const;
    // Writes the receipt's picture, then its JSON, under its claimed number, and gives the claim
    // up; the picture's path, or empty with the reason. Safe on any thread.
    QString save(const KeptReceipt &receipt,
                 const emulator::Renderer &renderer,
                 QString *error) const;
    // Writes bytes as a new file `name` in the folder: to a temporary name first, renamed into
    // place once complete. It never replaces a file and never follows a symbolic link; a folder
    // deleted meanwhile is made again.
    bool writeFile(const QString &name, QByteArrayView bytes, QString *error) const;

    static QString fileName(int number);

private:
    QString m_path;
};

} // namespace vprinter
