#include "link/DeviceWriter.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <cerrno>
#include <poll.h>
#include <unistd.h>

#include <utility>

namespace serial {

DeviceWriter::~DeviceWriter()
{
    detach();
}

void DeviceWriter::attach(int fd)
{
    detach();
    m_fd = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, &DeviceWriter::writePending);
}

void DeviceWriter::detach()
{
    delete m_notifier;
    m_notifier = nullptr;
    m_pending.clear();
    m_holding = false;
    m_fd = -1;
}

void DeviceWriter::write(const QByteArray &bytes)
{
    if (m_fd < 0)
        return;
    // Anything already waiting goes first.
    m_pending.append(bytes);
    if (m_pending.size() == bytes.size())
        writePending();
}

void DeviceWriter::discard()
{
    m_pending.clear();
    m_holding = false;
    if (m_notifier)
        m_notifier->setEnabled(false);
}

void DeviceWriter::writePending()
{
    qsizetype done = 0;
    while (done < m_pending.size()) {
        const ssize_t n = ::write(
                m_fd, m_pending.constData() + done, size_t(m_pending.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            discard();
            Q_EMIT failed();
            return;
        } else {
            break; // held back by flow control or a full buffer: the rest goes when writable
        }
    }
    m_pending.remove(0, done);
    if (m_notifier)
        m_notifier->setEnabled(!m_pending.isEmpty());
    if (!m_pending.isEmpty())
        m_holding = true;
    else if (std::exchange(m_holding, false))
        Q_EMIT drained();
}

void DeviceWriter::drain(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_pending.isEmpty() && m_fd >= 0 && !deadline.hasExpired()) {
        pollfd fd = {m_fd, POLLOUT, 0};
        if (::poll(&fd, 1, int(deadline.remainingTime())) > 0)
            writePending();
    }
}

} // namespace serial
