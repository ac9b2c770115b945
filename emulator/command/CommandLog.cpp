#include "CommandRecord.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace emulator {

QString CommandLog::byteName(uchar byte)
{
    static const char *const controls[0x20] = {
            "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
            "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
            "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
    if (byte < 0x20)
        return QString::fromLatin1(controls[byte]);
    if (byte == 0x20)
        return u"SP"_s;
    if (byte < 0x7F)
        return QString(QLatin1Char(char(byte)));
    return u"0x"_s + QString::number(byte, 16).toUpper().rightJustified(2, u'0');
}

QString CommandLog::mnemonic(QByteArrayView bytes, qsizetype prefixSize, qsizetype shown)
{
    QStringList parts;
    const qsizetype count = qMin(bytes.size(), qMax(shown, prefixSize));
    for (qsizetype i = 0; i < count; ++i) {
        const auto byte = static_cast<uchar>(bytes[i]);
        parts << (i < prefixSize ? byteName(byte) : QString::number(byte));
    }
    if (count < bytes.size())
        parts << u"… (%1 bytes)"_s.arg(bytes.size());
    return parts.join(u' ');
}

} // namespace emulator
