#include "protocol/CodePage936.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace protocol {

std::optional<QByteArray> toCodePage936(const QString &text)
{
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

QString printableText(const QByteArray &bytes)
{
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = quint8(bytes[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            text.append(QLatin1Char(char(byte)));
            continue;
        }
        // A lead byte 81-FE and a trail byte 40-FE other than 7F make one character.
        const auto trail = i + 1 < bytes.size() ? quint8(bytes[i + 1]) : 0;
        if (byte >= 0x81 && byte <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F) {
            const QString pair = decoder.decode(QByteArrayView(bytes).sliced(i, 2));
            if (pair.size() == 1 && pair[0].isPrint() && pair[0] != QChar::ReplacementCharacter) {
                text.append(pair);
                ++i;
                continue;
            }
        }
        text.append(u'.');
    }
    return text;
}

} // namespace protocol
