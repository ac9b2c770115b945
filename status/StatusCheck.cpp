#include "status/StatusCheck.h"

#include "link/Port.h"
#include "link/SerialControl.h"
#include "protocol/Commands.h"

namespace status {

StatusCheck::StatusCheck(serial::SerialControl &comm, QObject *parent)
    : QObject(parent)
    , m_comm(comm)
{
    connect(&m_comm, &serial::SerialControl::readyRead, this, &StatusCheck::evaluate);
    connect(&m_comm, &serial::SerialControl::lost, this, &StatusCheck::cancel);
}

bool StatusCheck::start(serial::Port &port)
{
    if (m_waiting)
        return false;
    // No flow control while asking, and nothing received before the request counts as reply.
    m_comm.setHandshaking(serial::SerialControl::Handshaking::None);
    m_comm.discardInput();
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
        m_comm.receivePending();
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
        if (m_comm.bytesAvailable() > idleInputLimit)
            m_comm.discardInput();
        return;
    }
    // The byte count is tested first: a reply complete by the last tick still counts.
    if (m_comm.bytesAvailable() >= protocol::StatusReply::length) {
        m_waiting = false;
        const QByteArray bytes = m_comm.read(protocol::StatusReply::length);
        Q_EMIT replied(protocol::StatusReply::decode(bytes), bytes);
    } else if (m_tickCount >= tickLimit) {
        m_waiting = false;
        Q_EMIT timedOut(m_comm.peekAvailable());
        // The printer may be one that needs flow control: use both kinds from now on.
        m_comm.setHandshaking(serial::SerialControl::Handshaking::RtsXonXoff);
    }
}

} // namespace status
