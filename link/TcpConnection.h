#pragma once

#include "link/Transport.h"

#include <QTcpSocket>
#include <QTimer>

namespace serial {

// A raw TCP connection to a network printer (port 9100 unless named): no line settings; the
// printer answers on the same connection. Connecting runs in the background and gives up after
// connectTimeoutMs, the host name lookup included; once open, the system gives the connection up
// when the printer leaves sent data untaken for the stall limit.
class TcpConnection : public Transport
{
    Q_OBJECT

public:
    explicit TcpConnection(QObject *parent = nullptr);
    ~TcpConnection() override;

    void write(const QByteArray &bytes) override;
    qint64 bytesToWrite() const override;
    void discardInput() override;
    void discardOutput() override;
    qint64 bytesAvailable() const override;
    void receivePending() override;
    QByteArray read(qint64 count) override;
    QByteArray peekAvailable() override;

    static constexpr int connectTimeoutMs = 3000;
    static constexpr int defaultStallLimitMs = 10000;

    // How long sent data may wait for the printer to take it (or a switched-off printer may
    // leave keep-alive probes unanswered) before the connection is given up. Applies from the
    // next connection on.
    void setStallLimit(int milliseconds) { m_stallLimitMs = milliseconds; }

protected:
    void startOpen(const PortName &name, const std::optional<LineSettings> &settings) override;
    void drain(int timeoutMs) override;
    void closeNow() override;

private:
    void onConnected();
    void onError(QAbstractSocket::SocketError error);
    void onDisconnected();
    void failConnecting(LinkFailure failure);

    QTcpSocket m_socket;
    QTimer m_connectTimer;
    bool m_failureQueued = false;
    int m_stallLimitMs = defaultStallLimitMs;
};

} // namespace serial
