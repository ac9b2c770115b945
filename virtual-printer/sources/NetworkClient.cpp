#include "NetworkClient.h"

#include <QHostAddress>
#include <QSocketNotifier>

#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

constexpr int DefaultLingerMs = 30000;

QString peerName(int socket)
{
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    if (::getpeername(socket, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        return u"tcp"_s;
    QHostAddress host(reinterpret_cast<const sockaddr *>(&address));
    quint16 port = 0;
    if (address.ss_family == AF_INET6)
        port = ntohs(reinterpret_cast<const sockaddr_in6 *>(&address)->sin6_port);
    else
        port = ntohs(reinterpret_cast<const sockaddr_in *>(&address)->sin_port);
    const QString name = host.protocol() == QAbstractSocket::IPv6Protocol
                                 ? u"[%1]"_s.arg(host.toString())
                                 : host.toString();
    return u"tcp %1:%2"_s.arg(name).arg(port);
}

} // namespace

NetworkClient::NetworkClient(int socket, int idleLimitMs, QObject *parent)
    : PrintSource(peerName(socket), parent)
    , m_socket(socket)
    , m_readable(new QSocketNotifier(socket, QSocketNotifier::Read, this))
    , m_writable(new QSocketNotifier(socket, QSocketNotifier::Write, this))
    , m_idleLimitMs(idleLimitMs)
{
    m_writable->setEnabled(false);
    connect(m_readable, &QSocketNotifier::activated, this, &NetworkClient::receive);
    connect(m_writable, &QSocketNotifier::activated, this, &NetworkClient::send);
    m_linger.setSingleShot(true);
    connect(&m_linger, &QTimer::timeout, this, &QObject::deleteLater);
}

NetworkClient::~NetworkClient()
{
    close();
}

void NetworkClient::receive()
{
    // Reads what has come, up to what it may keep.
    while (!m_ended && m_received.size() < m_keep) {
        const qsizetype room = qMin<qint64>(m_keep - m_received.size(), 64 * 1024);
        const qsizetype had = m_received.size();
        m_received.resize(had + room);
        const ssize_t n = ::recv(m_socket, m_received.data() + had, size_t(room), 0);
        m_received.resize(had + qMax<ssize_t>(n, 0));
        if (n > 0)
            continue;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // The end of what it sends; after an error its answers cannot reach it either.
        m_ended = true;
        m_gone = m_gone || n < 0;
    }
    watch();
    Q_EMIT readyRead();
}

QByteArray NetworkClient::read(qsizetype max)
{
    QByteArray bytes = m_received.first(qMin(max, m_received.size()));
    m_received.remove(0, bytes.size());
    watch();
    return bytes;
}

bool NetworkClient::write(const QByteArray &bytes, QString *error)
{
    Q_UNUSED(error)
    // A client that has gone hears nothing; that is no fault of the printer's.
    if (m_gone || m_socket < 0)
        return true;
    m_unsent.append(bytes);
    send();
    return true;
}

void NetworkClient::send()
{
    const qsizetype before = m_sent;
    while (!m_gone && m_sent < m_unsent.size()) {
        const ssize_t n = ::send(m_socket,
                                 m_unsent.constData() + m_sent,
                                 size_t(m_unsent.size() - m_sent),
                                 MSG_NOSIGNAL);
        if (n > 0)
            m_sent += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        else
            m_gone = true; // reset by the client
    }
    if (m_gone || m_sent == m_unsent.size()) {
        m_unsent.clear();
        m_sent = 0;
    }
    watch();
    if (m_finishing && m_unsent.isEmpty())
        deleteLater();
    else if (m_sent != before || m_unsent.isEmpty())
        Q_EMIT answersTaken();
}

void NetworkClient::watch()
{
    if (m_socket < 0)
        return;
    m_readable->setEnabled(!m_ended && m_received.size() < m_keep);
    m_writable->setEnabled(!m_gone && m_sent < m_unsent.size());
}

void NetworkClient::close()
{
    if (m_socket < 0)
        return;
    m_readable->setEnabled(false);
    m_writable->setEnabled(false);
    ::close(m_socket);
    m_socket = -1;
    m_gone = true;
    m_ended = true;
    m_received.clear();
}

void NetworkClient::idledOut()
{
    close();
}

void NetworkClient::setPrinting(bool printing)
{
    m_keep = printing ? PrintingBytes : WaitingBytes;
    watch();
}

void NetworkClient::finish()
{
    if (m_gone || m_unsent.isEmpty()) {
        deleteLater();
        return;
    }
    m_finishing = true;
    m_linger.start(m_idleLimitMs > 0 ? m_idleLimitMs : DefaultLingerMs);
}

} // namespace vprinter
