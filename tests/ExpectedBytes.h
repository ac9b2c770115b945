#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>

// What the printer must receive for a job, written out independently of the jobs' own tables.
namespace expected {

inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

inline QByteArray nineLines()
{
    QByteArray lines;
    for (int i = 0; i < 3; ++i)
        lines += QByteArray(22, 'A') + '\n' + QByteArray(22, 'B') + '\n' + QByteArray(22, 'C')
                 + '\n';
    return lines;
}

inline QByteArray attributeJob(const QByteArray &on, const QByteArray &off)
{
    return on + nineLines() + '\n' + off + hex("1B40");
}

// The attribute test for any text of the attribute box, before the end-of-job sequence.
inline QByteArray attributeJob(const QString &text)
{
    static const std::map<QString, std::pair<const char *, const char *>> table = {
            {QStringLiteral("Emphasize"), {"1B4501", "1B4500"}},
            {QStringLiteral("Double"), {"1B4701", "1B4700"}},
            {QStringLiteral("90degree"), {"1B5601", "1B5600"}},
            {QStringLiteral("italic"), {"1B3401", "1B3400"}},
            {QStringLiteral("underline 1"), {"1B2D01", "1B2D00"}},
            {QStringLiteral("underline 2"), {"1B2D02", "1B2D00"}},
            {QStringLiteral("upside down"), {"1B7B01", "1B7B00"}},
            {QStringLiteral("amplify 1"), {"1D2111", "1D2100"}},
            {QStringLiteral("amplify 2"), {"1D2122", "1D2100"}},
            {QStringLiteral("normal"), {"1B40", ""}},
    };
    const auto found = table.find(text);
    return found == table.end() ? attributeJob({}, {})
                                : attributeJob(hex(found->second.first), hex(found->second.second));
}

inline QByteArray barcodeJob(const QByteArray &name,
                             const QByteArray &command,
                             const QByteArray &data)
{
    return hex("1B40 1D683C 1D7702 1D4803 1D6600") + "CodeBar Print:\n\n\nCodeBar Name: " + name
           + "\n\n" + command + data + "NO. " + data + '\n';
}

// The barcode job for any type and data, or nothing when the job must refuse them.
inline std::optional<QByteArray> barcodeJob(const QString &type, const QString &data)
{
    static const std::map<QString, char> codes = {
            {QStringLiteral("UPC-A"), 'A'},
            {QStringLiteral("UPC-E"), 'B'},
            {QStringLiteral("JAN13"), 'C'},
            {QStringLiteral("JAN8"), 'D'},
            {QStringLiteral("CODE39"), 'E'},
            {QStringLiteral("ITF"), 'F'},
            {QStringLiteral("CODABAR"), 'G'},
            {QStringLiteral("CODE93"), 'H'},
            {QStringLiteral("CODE128"), 'I'},
    };
    const auto code = codes.find(type);
    if (code == codes.end() || data.isEmpty())
        return std::nullopt;
    for (QChar c : data) {
        if (c.unicode() > 0x7F)
            return std::nullopt;
    }
    const QByteArray prefix = code->second == 'I' ? QByteArray("{B") : QByteArray();
    if (data.size() + prefix.size() > 255)
        return std::nullopt;
    const QByteArray command = hex("1D6B") + code->second + char(data.size() + prefix.size())
                               + prefix;
    return barcodeJob(type.toLatin1(), command, data.toLatin1());
}

inline const QByteArray cut = hex("1B69");
inline const QByteArray blackMarkCut = hex("1DF6 1B69");

} // namespace expected
