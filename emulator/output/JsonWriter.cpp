#include "JsonWriter.h"

using namespace Qt::StringLiterals;

namespace emulator {

QByteArray JsonWriter::quoted(const QByteArray &utf8)
{
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char ch : utf8) {
        switch (ch) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<uchar>(ch) < 0x20)
                out += "\\u00" + QByteArray::number(uchar(ch), 16).rightJustified(2, '0');
            else
                out += ch;
        }
    }
    out += '"';
    return out;
}

QByteArray JsonWriter::quoted(const QString &text)
{
    return quoted(text.toUtf8());
}

QByteArray JsonWriter::number(int value)
{
    return QByteArray::number(value);
}

QByteArray JsonWriter::boolean(bool value)
{
    return value ? "true"_ba : "false"_ba;
}

QByteArray JsonWriter::object(const Fields &fields)
{
    // Written into one allocation: a long stream has many thousands of items.
    qsizetype size = 4;
    for (const auto &[name, value] : fields)
        size += name.size() + value.size() + 6;
    QByteArray out;
    out.reserve(size);
    out += "{ ";
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ", ";
        out += '"';
        out += fields.at(i).first;
        out += "\": ";
        out += fields.at(i).second;
    }
    out += " }";
    return out;
}

QByteArray JsonWriter::array(const QList<QByteArray> &values, const QByteArray &indent)
{
    if (values.isEmpty())
        return "[]";
    qsizetype size = 3 + indent.size();
    for (const QByteArray &value : values)
        size += indent.size() + value.size() + 4;
    QByteArray out;
    out.reserve(size);
    out += "[\n";
    for (qsizetype i = 0; i < values.size(); ++i) {
        out += indent;
        out += "  ";
        out += values.at(i);
        out += i + 1 < values.size() ? ",\n" : "\n";
    }
    out += indent;
    out += ']';
    return out;
}

} // namespace emulator
