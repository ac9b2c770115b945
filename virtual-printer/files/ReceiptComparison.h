#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace vprinter {

// Receipts compared with a golden document of the receipt JSON format: what differs, in words a
// person reads in a CI log.
class ReceiptComparison
{
public:
    // Lines of a report at most: a heading, the differences, and how many were left out.
    static constexpr int MaxLines = 20;

    // A receipt document from its bytes; false with the reason when they are not one.
    static bool read(const QByteArray &bytes, QJsonObject *document, QString *error);
    // One sentence a difference: which receipt, which line or item, which field, the expected
    // value and the printed one. Warnings count only when strict.
    static QStringList differences(const QJsonObject &expected,
                                   const QJsonObject &printed,
                                   bool strict);
    // A heading naming the golden file, then the differences, cut to MaxLines lines in all.
    static QStringList report(const QString &golden, const QStringList &differences);
};

} // namespace vprinter
