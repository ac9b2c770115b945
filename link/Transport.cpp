#include "link/Transport.h"

namespace serial {

void Transport::open(const PortName &name, const std::optional<LineSettings> &settings)
{
    close();
    ++m_generation;
    m_state = State::Opening;
    m_lost = false;
    startOpen(name, settings);
}

void Transport::close()
{
    if (m_state == State::Closed)
        return;
    const bool drainFirst = m_state == State::Open && !m_lost;
    // From here on the link is being closed on purpose: whatever the far end does while the
    // output drains is no loss to report.
    ++m_generation;
    m_state = State::Closed;
    if (drainFirst)
        drain(drainTimeoutMs);
    closeNow();
}

void Transport::reportOpened()
{
    m_state = State::Open;
    Q_EMIT opened();
}

void Transport::reportFailure(LinkFailure failure)
{
    ++m_generation;
    m_state = State::Closed;
    closeNow();
    Q_EMIT failed(failure);
}

void Transport::markLost(LinkFailure failure)
{
    if (m_lost || m_state != State::Open)
        return;
    m_lost = true;
    QMetaObject::invokeMethod(
            this,
            [this, failure, generation = m_generation] {
                if (generation != m_generation)
                    return; // closed or reopened by the operator meanwhile
                ++m_generation;
                m_state = State::Closed;
                closeNow();
                Q_EMIT lost(failure);
            },
            Qt::QueuedConnection);
}

} // namespace serial
