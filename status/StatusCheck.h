#pragma once

#include "protocol/StatusReply.h"

#include <QObject>

namespace serial {
class Port;
class PrinterLink;
} // namespace serial

namespace status {

// One real-time status request and its bounded wait for the six-byte reply, driven by received
// bytes and the window's timer ticks rather than by polling.
class StatusCheck : public QObject
{
    Q_OBJECT

public:
    // The wait gives up when this many timer ticks have come, two to three periods after the
    // request, as the timer runs freely.
    static constexpr int tickLimit = 3;
    // Received bytes kept between checks, at most.
    static constexpr qint64 idleInputLimit = 4096;

    explicit StatusCheck(serial::PrinterLink &link, QObject *parent = nullptr);

    // Discards old input and sends the request. While a check waits it returns false and sends
    // nothing: the waiting check keeps its request and its reply.
    bool start(serial::Port &port);
    // A timer tick: counts only while waiting.
    void tick();
    // Ends a wait at once with no outcome: the link is being closed or has gone.
    void cancel();

    bool isWaiting() const { return m_waiting; }

Q_SIGNALS:
    void replied(const protocol::StatusReply &reply, const QByteArray &bytes);
    // partial: the bytes that did arrive, left unread for the next check to discard.
    void timedOut(const QByteArray &partial);

private:
    void evaluate();

    serial::PrinterLink &m_link;
    bool m_waiting = false;
    int m_tickCount = 0;
};

} // namespace status
