#include "link/TcpConnection.h"

#include <QDeadlineTimer>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace serial {

namespace {

// Why an open connection ended: the printer closed it, or the system gave it up (sent data
// untaken past the stall limit, unanswered keep-alive probes, or any other error).
LinkFailure endOfConnection(QAbstractSocket::SocketError error)
{
    return error == QAbstractSocket::RemoteHostClosedError ? LinkFailure::Lost
                                                           : LinkFailure::Stalled;
}

} // namespace

TcpConnection::TcpConnection(QObject *parent)
    : Transport(parent)
{
    m_connectTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        failConnecting(LinkFailure::TimedOut);
    });
    connect(&m_socket, &QTcpSocket::connected, this, &TcpConnection::onConnected);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &TcpConnection::onError);
    // However an open connection ends, the socket says so here too: an error in the middle of
    // a write can come with a stale error code, and the socket gives up without another word.
    connect(&m_socket, &QTcpSocket::disconnected, this, &TcpConnection::onDisconnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &TcpConnection::readyRead);
    connect(&m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_socket.bytesToWrite() == 0)
            Q_EMIT drained();
    });
}

TcpConnection::~TcpConnection()
{
    close();
}

void TcpConnection::startOpen(const PortName &name, const std::optional<LineSettings> &)
{
    m_failureQueued = false;
    m_connectTimer.start(connectTimeoutMs);
    // A host name is looked up in the background; an address connects at once.
    m_socket.connectToHost(name.host, name.tcpPort);
}

void TcpConnection::onConnected()
{
    m_connectTimer.stop();
    // A status request is three bytes: it must leave at once, not wait to be joined by more.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#ifdef Q_OS_LINUX
    // A printer switched off or unplugged from the network sends nothing to say so: probe an
    // idle connection after 10 s, and give up after three unanswered probes, or once sent data
    // has gone unacknowledged (or untaken, the printer's window closed) for the stall limit.
    const int fd = int(m_socket.socketDescriptor());
    const int idle = 10;
    const int interval = 3;
    const int count = 3;
    const auto userTimeoutMs = unsigned(m_stallLimitMs);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs, sizeof userTimeoutMs);
#endif
    reportOpened();
}

void TcpConnection::onError(QAbstractSocket::SocketError error)
{
    if (!isOpening()) {
        // A bounded wait of this program's own that ran out (a look for input) leaves the
        // connection as it was; if the socket gives up after all, onDisconnected() tells.
        if (error == QAbstractSocket::SocketTimeoutError
            && m_socket.state() == QAbstractSocket::ConnectedState)
            return;
        markLost(endOfConnection(error));
        return;
    }
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        failConnecting(LinkFailure::HostNotFound);
        break;
    case QAbstractSocket::ConnectionRefusedError:
        failConnecting(LinkFailure::Refused);
        break;
    case QAbstractSocket::RemoteHostClosedError:
        failConnecting(LinkFailure::Lost); // accepted, then closed at once
        break;
    case QAbstractSocket::SocketTimeoutError:
        failConnecting(LinkFailure::TimedOut);
        break;
    default: // no route to the host or its network, or the address may not be used
        failConnecting(LinkFailure::Unreachable);
        break;
    }
}

void TcpConnection::onDisconnected()
{
    // Closing on purpose is not open any more; markLost() leaves it alone.
    markLost(endOfConnection(m_socket.error()));
}

void TcpConnection::failConnecting(LinkFailure failure)
{
    if (!isOpening() || m_failureQueued)
        return; // already failed: the report is on its way
    m_failureQueued = true;
    m_connectTimer.stop();
    // Reported from the event loop: the socket is not to be touched again from inside its own
    // notification.
    QMetaObject::invokeMethod(
            this,
            [this, failure, generation = generation()] {
                if (generation == this->generation())
                    reportFailure(failure);
            },
            Qt::QueuedConnection);
}

void TcpConnection::closeNow()
{
    m_connectTimer.stop();
    m_socket.abort();
}

void TcpConnection::write(const QByteArray &bytes)
{
    if (!canWrite())
        return;
    m_socket.write(bytes);
    m_socket.flush(); // as much as the system takes now; the rest goes from the event loop
}

qint64 TcpConnection::bytesToWrite() const
{
    return m_socket.bytesToWrite();
}

void TcpConnection::drain(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (m_socket.bytesToWrite() > 0 && m_socket.state() == QAbstractSocket::ConnectedState
           && !deadline.hasExpired())
        m_socket.waitForBytesWritten(int(deadline.remainingTime()));
    // Closed gracefully, so the printer reads everything before the end of the connection.
    m_socket.disconnectFromHost();
}

void TcpConnection::discardInput()
{
    receivePending();
    m_socket.skip(m_socket.bytesAvailable());
}

void TcpConnection::discardOutput()
{
    // Nothing waits at open, the only time output is discarded: bytes the socket holds are
    // on their way already.
}

qint64 TcpConnection::bytesAvailable() const
{
    return m_socket.bytesAvailable();
}

void TcpConnection::receivePending()
{
    if (canWrite())
        m_socket.waitForReadyRead(0);
}

QByteArray TcpConnection::read(qint64 count)
{
    return m_socket.read(count);
}

QByteArray TcpConnection::peekAvailable()
{
    return m_socket.peek(m_socket.bytesAvailable());
}

} // namespace serial
