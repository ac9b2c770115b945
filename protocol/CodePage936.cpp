#include "protocol/CodePage936.h"

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

} // namespace protocol
