#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QSet>
#include <QStringList>

namespace vprinter {

// Which requests the HTTP server answers: those that name a host it serves (a web page of another
// site whose name was pointed at this machine names that site in every request), and, from
// another origin's page, only those of the origins allowed.
class HttpGate
{
public:
    enum class Caller {
        SameOrigin, // no Origin, or the page the server itself serves
        Allowed,    // a page of an allowed origin: the origin is echoed in the response
        Foreign,    // a page of another origin, not allowed
    };

    // Origins ("http://localhost:3000") whose pages may call the server.
    void setAllowedOrigins(const QStringList &origins);
    // Host names ("printer.local", "192.168.1.20") served besides the bound addresses,
    // localhost, 127.0.0.1 and [::1].
    void setAllowedHosts(const QStringList &hosts);
    // The addresses the server is reached by; every one of the machine's when it is bound to
    // any address.
    void setBoundAddress(const QHostAddress &host);

    // A request's Host header ("localhost:8080", "[::1]") names a host the server answers to.
    bool servesHost(QByteArrayView host) const;
    // Who sent a request with these Origin and Host headers (either may be null).
    Caller caller(const char *origin, const char *host, bool secure) const;

    // The name in a Host header, "name", "name:port", "[v6]" or "[v6]:port", in lower case;
    // empty when the port is not a port.
    static QByteArray hostOf(QByteArrayView host);

private:
    QSet<QByteArray> m_origins;
    QSet<QByteArray> m_boundHosts; // lower case, IPv6 addresses in brackets
    QSet<QByteArray> m_hosts;      // named with --http-host, as those
};

} // namespace vprinter
