#include "status/StatusCheck.h"

#include "jobs/JobTarget.h"
#include "link/Failure.h"
#include "link/Port.h"
#include "link/SerialControl.h"

namespace status {

StatusCheck::StatusCheck(serial::SerialControl &comm, QObject *parent)
    : QObject(parent)
    , m_comm(comm)
{
    connect(&m_comm, &serial::SerialControl::readyRead, this, &StatusCheck::evaluate);
    connect(&m_comm, &serial::SerialControl::linkLost, this, &StatusCheck::cancel);
}

bool StatusCheck::start(serial::Port &port)
{
    if (m_waiting)
        return false;
    // No flow control while asking, and nothing received before the request counts as reply.
    m_comm.setHandshaking(serial::SerialControl::Handshaking::None);
    m_comm.discardInput();
    // DLE EOT 20: the printer answers with six status bytes.
    port.Output(jobs::command({0x10, 0x04, 0x14}));
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
    if (m_comm.bytesAvailable() >= StatusReport::replyLength) {
        m_waiting = false;
        QByteArray reply;
        try {
            for (int n = 0; n < StatusReport::replyLength; ++n)
                reply.append(m_comm.readByte());
        } catch (const serial::Failure &failure) {
            Q_EMIT failed(failure.description());
            return;
        }
        const StatusReport report = StatusReport::decode(reply);
        m_statusBits = report.bits();
        Q_EMIT replied(report.view(), reply);
    } else if (m_tickCount >= tickLimit) {
        m_waiting = false;
        Q_EMIT timedOut(StatusReport::timeoutView(), m_comm.peekAvailable());
        try {
            // The printer may be one that needs flow control: use both kinds from now on.
            m_comm.setHandshaking(serial::SerialControl::Handshaking::RtsXonXoff);
        } catch (const serial::Failure &failure) {
            Q_EMIT failed(failure.description());
        }
    }
}

} // namespace status
