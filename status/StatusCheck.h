#pragma once

#include "status/StatusReport.h"

#include <QObject>

namespace serial {
class Port;
class SerialControl;
} // namespace serial

namespace status {

// One real-time status request (10 04 14) and its bounded wait for the six-byte reply, driven by
// received bytes and the window's timer ticks rather than by polling.
class StatusCheck : public QObject
{
    Q_OBJECT

public:
    // The wait gives up when this many timer ticks have come, two to three periods after the
    // request, as the timer runs freely.
    static constexpr int tickLimit = 3;
    // Received bytes kept between checks, at most.
    static constexpr qint64 idleInputLimit = 4096;

    explicit StatusCheck(serial::SerialControl &comm, QObject *parent = nullptr);

    // Discards old input and sends the request; throws serial::Failure when the link refuses.
    // While a check waits it returns false and sends nothing.
    bool start(serial::Port &port);
    // A timer tick: counts only while waiting.
    void tick();
    // Ends a wait at once with no outcome: the link is being closed or has gone.
    void cancel();

    bool isWaiting() const { return m_waiting; }
    int tickCount() const { return m_tickCount; }
    const StatusBits &statusBits() const { return m_statusBits; }

Q_SIGNALS:
    void replied(const status::StatusView &view, const QByteArray &reply);
    // partial: the bytes that did arrive, left unread for the next check to discard.
    void timedOut(const status::StatusView &view, const QByteArray &partial);
    void failed(const QString &description);

private:
    void evaluate();

    serial::SerialControl &m_comm;
    bool m_waiting = false;
    qint16 m_tickCount = 0;
    StatusBits m_statusBits = {};
};

} // namespace status
