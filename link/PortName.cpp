#include "link/PortName.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>

namespace serial {

namespace {

std::optional<quint16> tcpPortNumber(QStringView text)
{
    bool ok = false;
    const uint number = text.toUInt(&ok);
    const bool digits = std::all_of(
            text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!ok || !digits || number < 1 || number > 65535)
        return std::nullopt;
    return quint16(number);
}

bool isHostName(const QString &host)
{
    static const QRegularExpression name(
            QStringLiteral("^[A-Za-z0-9_-]{1,63}(\\.[A-Za-z0-9_-]{1,63})*\\.?$"));
    return host.size() <= 253 && name.match(host).hasMatch();
}

std::optional<PortName> network(const QString &host, std::optional<quint16> tcpPort)
{
    if (!tcpPort)
        return std::nullopt;
    PortName name;
    name.kind = PortName::Kind::Network;
    name.host = host;
    name.tcpPort = *tcpPort;
    return name;
}

// An IPv6 address, with a scope (fe80::1%eth0) where one is given.
bool isIpv6(const QString &text)
{
    static const QRegularExpression characters(QStringLiteral("^[0-9A-Za-z:.%_-]+$"));
    return characters.match(text).hasMatch()
           && QHostAddress(text).protocol() == QAbstractSocket::IPv6Protocol;
}

} // namespace

std::optional<PortName> PortName::parse(const QString &text)
{
    for (int n = 1; n <= 8; ++n) {
        if (text == QStringLiteral("COM%1").arg(n)) {
            PortName name;
#ifdef Q_OS_WIN
            name.device = text;
#else
            name.device = QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
            return name;
        }
    }
    static const QRegularExpression comName(QStringLiteral("^COM[0-9]+$"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (comName.match(text).hasMatch())
        return std::nullopt; // a serial port name, but none of the eight
#ifndef Q_OS_WIN
    // USB adapters, virtual and pseudo terminals and printer devices are opened by their path.
    if (text.startsWith(u'/')) {
        static const QRegularExpression printerDevice(QStringLiteral("^lp[0-9]+$"));
        PortName name;
        name.device = text;
        if (printerDevice.match(QFileInfo(text).fileName()).hasMatch())
            name.kind = Kind::PrinterDevice;
        return name;
    }
#endif
    if (text.startsWith(u'[')) {
        const qsizetype end = text.indexOf(u']');
        const QString host = text.mid(1, end - 1);
        const QStringView rest = QStringView(text).mid(end + 1);
        if (end < 0 || !isIpv6(host) || (!rest.isEmpty() && !rest.startsWith(u':')))
            return std::nullopt;
        return network(host, rest.isEmpty() ? rawPrintPort : tcpPortNumber(rest.mid(1)));
    }
    if (text.count(u':') > 1)
        return isIpv6(text) ? network(text, rawPrintPort) : std::nullopt;
    const qsizetype colon = text.indexOf(u':');
    const QString host = colon < 0 ? text : text.left(colon);
    if (!isHostName(host))
        return std::nullopt;
    return network(host,
                   colon < 0 ? rawPrintPort : tcpPortNumber(QStringView(text).mid(colon + 1)));
}

QString PortName::address() const
{
    const QString hostText = host.contains(u':') ? QStringLiteral("[%1]").arg(host) : host;
    return QStringLiteral("%1:%2").arg(hostText, QString::number(tcpPort));
}

} // namespace serial
