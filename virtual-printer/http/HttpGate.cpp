#include "HttpGate.h"

#include <QNetworkInterface>

#include <algorithm>

namespace vprinter {

namespace {

// "[::1]" for an IPv6 address, as a Host header writes it.
QByteArray hostName(const QHostAddress &address)
{
    const QByteArray text = address.toString().toLatin1().toLower();
    return address.protocol() == QAbstractSocket::IPv6Protocol ? '[' + text + ']' : text;
}

} // namespace

void HttpGate::setAllowedOrigins(const QStringList &origins)
{
    m_origins.clear();
    for (const QString &origin : origins)
        m_origins.insert(origin.toUtf8());
}

void HttpGate::setAllowedHosts(const QStringList &hosts)
{
    m_hosts.clear();
    for (const QString &host : hosts) {
        const QHostAddress address(host);
        m_hosts.insert(address.protocol() == QAbstractSocket::IPv6Protocol
                               ? hostName(address)
                               : host.toLatin1().toLower());
    }
}

void HttpGate::setBoundAddress(const QHostAddress &host)
{
    // Bound to every address, the server is reached by any of the machine's.
    m_boundHosts.clear();
    const bool anywhere = QList<QHostAddress>{QHostAddress::Any,
                                              QHostAddress::AnyIPv4,
                                              QHostAddress::AnyIPv6}
                                  .contains(host);
    for (const QHostAddress &address :
         anywhere ? QNetworkInterface::allAddresses() : QList<QHostAddress>{host})
        m_boundHosts.insert(hostName(address));
}

bool HttpGate::servesHost(QByteArrayView host) const
{
    // A name another site could point at this machine is never among these: such a site's page
    // names its own host in every request.
    static const QSet<QByteArray> loopback{"localhost", "127.0.0.1", "[::1]"};
    const QByteArray name = hostOf(host);
    return !name.isEmpty()
           && (loopback.contains(name) || m_boundHosts.contains(name) || m_hosts.contains(name));
}

HttpGate::Caller HttpGate::caller(const char *origin, const char *host, bool secure) const
{
    if (!origin)
        return Caller::SameOrigin;
    if (m_origins.contains(origin))
        return Caller::Allowed;
    return host && QByteArray(origin) == (secure ? "https://" : "http://") + QByteArray(host)
                   ? Caller::SameOrigin
                   : Caller::Foreign;
}

QByteArray HttpGate::hostOf(QByteArrayView host)
{
    const qsizetype bracket = host.lastIndexOf(']');
    const qsizetype colon = host.lastIndexOf(':');
    if (colon <= bracket)
        return host.toByteArray().toLower();
    const QByteArrayView port = host.sliced(colon + 1);
    const bool digits = !port.isEmpty() && port.size() <= 5
                        && std::all_of(port.begin(), port.end(), [](char c) {
                               return c >= '0' && c <= '9';
                           });
    return digits && port.toUInt() <= 65535 ? host.first(colon).toByteArray().toLower()
                                            : QByteArray();
}

} // namespace vprinter
