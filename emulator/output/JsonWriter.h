#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <utility>

namespace emulator {

// JSON written the same way every time, so that a document can be compared byte for byte:
// objects on one line with their keys in the order given, arrays a value a line.
class JsonWriter
{
public:
    // Keys in the order they are written.
    using Fields = QList<std::pair<QByteArrayView, QByteArray>>;

    static QByteArray quoted(const QByteArray &utf8);
    static QByteArray quoted(const QString &text);
    static QByteArray number(int value);
    static QByteArray boolean(bool value);
    static QByteArray object(const Fields &fields);
    // Values one a line, indented, so that a changed value is a changed line in a diff.
    static QByteArray array(const QList<QByteArray> &values, const QByteArray &indent);
};

} // namespace emulator
