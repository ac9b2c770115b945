#include "status/StatusCheck.h"

#include "link/Port.h"
#include "link/PrinterLink.h"
#include "protocol/Commands.h"

namespace status {

StatusCheck::StatusCheck(serial::PrinterLink &link, QObject *parent)
    : QObject(parent)
    , m_link(link)
{
    connect(&m_link, &serial::PrinterLink::readyRead, this, &StatusCheck::evaluate);
    connect(&m_link, &serial::PrinterLink::failed, this, &StatusCheck::cancel);
}

bool StatusCheck::start(serial::Port &port)
{
    if (m_waiting)
        return false;
    // No flow control while asking, and nothing received before the request counts as reply.
    m_link.setHandshaking(serial::Handshaking::None);
    m_link.discardInput();
    port.Output(protocol::statusRequest());
    m_tickCount = 0;
    m_waiting = true;
    evaluate();
    return true;
}

void StatusCheck::tick()
{
    if (!m_waiting)
        return;
    ++m_tickCount;
    // Before giving up, take in a reply that has reached the device but not yet this program:
    // a reply complete by the last tick counts as a reply.
    if (m_tickCount >= tickLimit)
        m_link.receivePending();
    evaluate();
}

void StatusCheck::cancel()
{
    m_waiting = false;
}

void StatusCheck::evaluate()
{
    if (!m_waiting) {
        // Nothing reads between checks, and the next check discards it all anyway: a device
        // that keeps talking must not make the tool's memory grow without end.
        if (m_link.bytesAvailable() > idleInputLimit)
            m_link.discardInput();
        return;
    }
    // The byte count is tested first: a reply complete by the last tick still counts.
    if (m_link.bytesAvailable() >= protocol::StatusReply::length) {
        m_waiting = false;
        const QByteArray bytes = m_link.read(protocol::StatusReply::length);
        Q_EMIT replied(protocol::StatusReply::decode(bytes), bytes);
    } else if (m_tickCount >= tickLimit) {
        m_waiting = false;
        Q_EMIT timedOut(m_link.peekAvailable());
        // The printer may be one that needs flow control: use both kinds from now on.
        m_link.setHandshaking(serial::Handshaking::RtsXonXoff);
    }
}

} // namespace status
