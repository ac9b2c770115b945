#include "ReceiptComparison.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

// Sequences longer than this together are compared outside their common start and end only.
constexpr qsizetype MaxAlignmentCells = qsizetype(4) * 1024 * 1024;
constexpr qsizetype ShownCharacters = 60;

QString shown(const QJsonValue &value)
{
    if (value.isUndefined())
        return u"nothing"_s;
    const QByteArray json = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    QString text = QString::fromUtf8(json.mid(1, json.size() - 2));
    if (text.size() > ShownCharacters)
        text = text.left(ShownCharacters - 1) + u'…';
    return text;
}

// What tells an item apart whatever its position and style: its kind and what it shows.
QString identity(const QJsonObject &item)
{
    QStringList parts{item.value(u"type").toString()};
    for (const QString &key :
         {u"text"_s, u"symbology"_s, u"data"_s, u"data_hex"_s, u"sha256"_s, u"pin"_s}) {
        if (item.contains(key))
            parts << shown(item.value(key));
    }
    return parts.join(u' ');
}

// An item as a person recognises it: its kind and, shortened, what it shows.
QString described(const QJsonObject &item)
{
    QString type = item.value(u"type").toString();
    if (item.contains(u"text"))
        return type + u' ' + shown(item.value(u"text"));
    if (item.contains(u"symbology"))
        return type + u' ' + item.value(u"symbology").toString() + u' '
               + shown(item.value(u"data"));
    if (type == u"image")
        return u"image %1×%2"_s.arg(item.value(u"width").toInt())
                .arg(item.value(u"height").toInt());
    if (item.contains(u"pin"))
        return u"drawer pin %1"_s.arg(item.value(u"pin").toInt());
    return type;
}

// Pairs of indexes into expected and printed, -1 where one side has none, in order: equal
// entries are matched along their longest common subsequence, and the entries between two
// matches are paired in order, as changed ones.
QList<std::pair<qsizetype, qsizetype>> align(const QStringList &expected,
                                             const QStringList &printed)
{
    const qsizetype n = expected.size();
    const qsizetype m = printed.size();
    qsizetype head = 0;
    while (head < n && head < m && expected.at(head) == printed.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < n - head && tail < m - head
           && expected.at(n - 1 - tail) == printed.at(m - 1 - tail))
        ++tail;
    const qsizetype rows = n - head - tail;
    const qsizetype columns = m - head - tail;

    // longest[i][j]: length of the longest common subsequence of the middles from i and j on.
    const bool aligned = (rows + 1) * (columns + 1) <= MaxAlignmentCells;
    std::vector<int> longest(aligned ? size_t((rows + 1) * (columns + 1)) : 0, 0);
    auto at = [&](qsizetype i, qsizetype j) -> int & {
        return longest[size_t(i * (columns + 1) + j)];
    };
    if (aligned) {
        for (qsizetype i = rows - 1; i >= 0; --i) {
            for (qsizetype j = columns - 1; j >= 0; --j) {
                at(i, j) = expected.at(head + i) == printed.at(head + j)
                                   ? at(i + 1, j + 1) + 1
                                   : std::max(at(i + 1, j), at(i, j + 1));
            }
        }
    }

    QList<std::pair<qsizetype, qsizetype>> pairs;
    QList<qsizetype> gapExpected;
    QList<qsizetype> gapPrinted;
    auto flush = [&] {
        const qsizetype both = std::min(gapExpected.size(), gapPrinted.size());
        for (qsizetype k = 0; k < both; ++k)
            pairs.append({gapExpected.at(k), gapPrinted.at(k)});
        for (qsizetype k = both; k < gapExpected.size(); ++k)
            pairs.append({gapExpected.at(k), -1});
        for (qsizetype k = both; k < gapPrinted.size(); ++k)
            pairs.append({-1, gapPrinted.at(k)});
        gapExpected.clear();
        gapPrinted.clear();
    };
    for (qsizetype k = 0; k < head; ++k)
        pairs.append({k, k});
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < rows || j < columns) {
        if (i < rows && j < columns && aligned && expected.at(head + i) == printed.at(head + j)) {
            flush();
            pairs.append({head + i++, head + j++});
        } else if (j >= columns || (i < rows && (!aligned || at(i + 1, j) >= at(i, j + 1)))) {
            gapExpected.append(head + i++);
        } else {
            gapPrinted.append(head + j++);
        }
    }
    flush();
    for (qsizetype k = 0; k < tail; ++k)
        pairs.append({n - tail + k, m - tail + k});
    return pairs;
}

QStringList strings(const QJsonArray &array)
{
    QStringList list;
    for (const auto &value : array)
        list.append(value.toString());
    return list;
}

// Lines or warnings: noun names one, verb what the printer did with it.
void compareStrings(const QString &where,
                    const QString &noun,
                    const QString &verb,
                    const QJsonArray &expected,
                    const QJsonArray &printed,
                    QStringList *out)
{
    const QStringList e = strings(expected);
    const QStringList p = strings(printed);
    for (const auto &[i, j] : align(e, p)) {
        const QString place = u"%1, %2 %3: "_s.arg(where, noun).arg((i >= 0 ? i : j) + 1);
        if (i >= 0 && j >= 0 && e.at(i) != p.at(j))
            out->append(place + u"expected %1, got %2"_s.arg(shown(e.at(i)), shown(p.at(j))));
        else if (j < 0)
            out->append(place + u"expected %1, not %2"_s.arg(shown(e.at(i)), verb));
        else if (i < 0)
            out->append(place + u"%1 %2, not expected"_s.arg(verb, shown(p.at(j))));
    }
}

void compareItems(const QString &where,
                  const QJsonArray &expected,
                  const QJsonArray &printed,
                  QStringList *out)
{
    QStringList e;
    QStringList p;
    for (const auto &item : expected)
        e.append(identity(item.toObject()));
    for (const auto &item : printed)
        p.append(identity(item.toObject()));
    for (const auto &[i, j] : align(e, p)) {
        if (j < 0) {
            out->append(u"%1, item %2 (%3): expected, not printed"_s.arg(
                    where, QString::number(i + 1), described(expected.at(i).toObject())));
            continue;
        }
        if (i < 0) {
            out->append(u"%1, item %2 (%3): printed, not expected"_s.arg(
                    where, QString::number(j + 1), described(printed.at(j).toObject())));
            continue;
        }
        const QJsonObject a = expected.at(i).toObject();
        const QJsonObject b = printed.at(j).toObject();
        if (a == b)
            continue;
        QStringList keys = a.keys();
        for (const QString &key : b.keys()) {
            if (!a.contains(key))
                keys.append(key);
        }
        QStringList fields;
        for (const QString &key : std::as_const(keys)) {
            if (a.value(key) != b.value(key)) {
                fields.append(u"%1 expected %2, got %3"_s.arg(
                        key, shown(a.value(key)), shown(b.value(key))));
            }
        }
        out->append(u"%1, item %2 (%3): %4"_s.arg(
                where, QString::number(i + 1), described(a), fields.join(u"; ")));
    }
}

void compareReceipt(const QString &where,
                    const QJsonObject &expected,
                    const QJsonObject &printed,
                    bool strict,
                    QStringList *out)
{
    for (const QString &key : {u"number"_s, u"height"_s, u"cut"_s}) {
        if (expected.value(key) != printed.value(key)) {
            out->append(u"%1: %2 expected %3, got %4"_s.arg(
                    where, key, shown(expected.value(key)), shown(printed.value(key))));
        }
    }
    compareStrings(where,
                   u"line"_s,
                   u"printed"_s,
                   expected.value(u"lines").toArray(),
                   printed.value(u"lines").toArray(),
                   out);
    compareItems(where, expected.value(u"items").toArray(), printed.value(u"items").toArray(), out);
    if (strict) {
        compareStrings(where,
                       u"warning"_s,
                       u"given"_s,
                       expected.value(u"warnings").toArray(),
                       printed.value(u"warnings").toArray(),
                       out);
    }
}

} // namespace

bool ReceiptComparison::read(const QByteArray &bytes, QJsonObject *document, QString *error)
{
    QJsonParseError parsed;
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &parsed);
    if (parsed.error != QJsonParseError::NoError) {
        *error = u"not JSON: %1 at byte %2"_s.arg(parsed.errorString()).arg(parsed.offset);
        return false;
    }
    *document = json.object();
    if (document->value(u"format").toString() != u"virtual-printer-receipts"_s) {
        *error = u"not a receipt document (its \"format\" is not \"virtual-printer-receipts\")"_s;
        return false;
    }
    if (document->value(u"version").toInt() != 1) {
        *error = u"receipt format version %1; this program reads version 1"_s.arg(
                shown(document->value(u"version")));
        return false;
    }
    if (!document->value(u"receipts").isArray()) {
        *error = u"the document has no \"receipts\" list"_s;
        return false;
    }
    return true;
}

QStringList ReceiptComparison::differences(const QJsonObject &expected,
                                           const QJsonObject &printed,
                                           bool strict)
{
    QStringList out;
    const QJsonObject paperExpected = expected.value(u"paper").toObject();
    const QJsonObject paperPrinted = printed.value(u"paper").toObject();
    for (const QString &key : paperExpected.keys()) {
        if (paperExpected.value(key) != paperPrinted.value(key)) {
            out.append(u"paper: %1 expected %2, got %3"_s.arg(
                    key, shown(paperExpected.value(key)), shown(paperPrinted.value(key))));
        }
    }
    const QJsonArray e = expected.value(u"receipts").toArray();
    const QJsonArray p = printed.value(u"receipts").toArray();
    for (qsizetype i = 0; i < std::max(e.size(), p.size()); ++i) {
        const QString where = u"receipt %1"_s.arg(i + 1);
        if (i >= p.size()) {
            out.append(where + u": expected, not printed"_s);
        } else if (i >= e.size()) {
            const QJsonObject receipt = p.at(i).toObject();
            out.append(u"%1: printed, not expected (%2 lines, %3 items)"_s.arg(where)
                               .arg(receipt.value(u"lines").toArray().size())
                               .arg(receipt.value(u"items").toArray().size()));
        } else {
            compareReceipt(where, e.at(i).toObject(), p.at(i).toObject(), strict, &out);
        }
    }
    return out;
}

QStringList ReceiptComparison::report(const QString &golden, const QStringList &differences)
{
    QStringList lines{u"%1 difference(s) from %2:"_s.arg(differences.size()).arg(golden)};
    if (differences.size() < MaxLines) {
        lines += differences;
    } else {
        lines += differences.first(MaxLines - 2);
        lines.append(u"… and %1 more"_s.arg(differences.size() - (MaxLines - 2)));
    }
    return lines;
}

} // namespace vprinter
