#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

// A network printer on the loopback interface: it takes connections on a port of 127.0.0.1,
// records what arrives on the latest one and answers on it, or drops it.
class NetworkPrinter
{
public:
    NetworkPrinter();

    quint16 port() const { return m_server.serverPort(); }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }

    // Waits (running the event loop) until `count` bytes have arrived, then takes whatever else
    // arrives within a short quiet spell.
    QByteArray read(qsizetype count, int timeoutMs = 5000);
    // Up to `count` bytes without running the event loop: only what the tool has already handed
    // to the operating system can arrive.
    QByteArray readWithoutEvents(qsizetype count, int timeoutMs = 1000);
    void write(const QByteArray &bytes);
    // Closes the connection from the printer's side; the server keeps listening.
    void drop();
    // The printer takes nothing more from connections made from now on (out of paper, say):
    // its receive window closes after a few bytes and the rest waits at the sender.
    void stopReading();
    bool isConnected() const
    {
        return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
    }

    // The listening socket itself, for tests that make it refuse or stop accepting.
    QTcpServer &server() { return m_server; }

private:
    QTcpServer m_server;
    QPointer<QTcpSocket> m_socket;
    bool m_reading = true;
};
