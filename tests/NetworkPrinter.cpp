#include "NetworkPrinter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

NetworkPrinter::NetworkPrinter()
{
    if (!m_server.listen(QHostAddress::LocalHost))
        qFatal("cannot listen on 127.0.0.1");
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection())
            m_socket = socket;
    });
}

QByteArray NetworkPrinter::read(qsizetype count, int timeoutMs)
{
    QByteArray bytes;
    const QDeadlineTimer deadline(timeoutMs);
    while (bytes.size() < count && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (m_socket)
            bytes += m_socket->readAll();
    }
    QDeadlineTimer quiet(50);
    while (!quiet.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (m_socket && m_socket->bytesAvailable() > 0) {
            bytes += m_socket->readAll();
            quiet.setRemainingTime(50);
        }
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

void NetworkPrinter::drop()
{
    if (m_socket)
        m_socket->disconnectFromHost();
}
