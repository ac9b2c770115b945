#include "NetworkPrinter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <sys/socket.h>

NetworkPrinter::NetworkPrinter()
{
    if (!m_server.listen(QHostAddress::LocalHost))
        qFatal("cannot listen on 127.0.0.1");
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            if (!m_reading)
                socket->setReadBufferSize(1); // a full buffer stops the socket reading
            m_socket = socket;
        }
    });
}

QByteArray NetworkPrinter::read(qsizetype count, int timeoutMs)
{
    QByteArray bytes;
    const QDeadlineTimer deadline(timeoutMs);
    QDeadlineTimer quiet(50); // restarted while bytes arrive once `count` are in
    while ((bytes.size() < count && !deadline.hasExpired()) || !quiet.hasExpired()) {
        if (bytes.size() < count)
            quiet.setRemainingTime(50);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (m_socket && m_socket->bytesAvailable() > 0) {
            bytes += m_socket->readAll();
            quiet.setRemainingTime(50);
        }
    }
    return bytes;
}

QByteArray NetworkPrinter::readWithoutEvents(qsizetype count, int timeoutMs)
{
    QByteArray bytes;
    const QDeadlineTimer deadline(timeoutMs);
    while (m_socket && bytes.size() < count && !deadline.hasExpired()) {
        if (m_socket->bytesAvailable() == 0)
            m_socket->waitForReadyRead(int(deadline.remainingTime()));
        bytes += m_socket->readAll();
    }
    return bytes;
}

void NetworkPrinter::write(const QByteArray &bytes)
{
    if (m_socket) {
        m_socket->write(bytes);
        m_socket->flush();
    }
}

void NetworkPrinter::stopReading()
{
    m_reading = false;
    // Connections inherit the listening socket's receive buffer; the system raises this to its
    // smallest size.
    const int smallest = 1;
    ::setsockopt(
            int(m_server.socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &smallest, sizeof smallest);
}

void NetworkPrinter::drop()
{
    if (m_socket)
        m_socket->disconnectFromHost();
}
