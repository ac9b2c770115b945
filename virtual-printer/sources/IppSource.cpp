#include "IppSource.h"

using namespace Qt::StringLiterals;

namespace vprinter {

void IppCompletion::finish()
{
    {
        const std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_changed.notify_all();
}

bool IppCompletion::wait(const std::atomic<bool> &stopping)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this, &stopping] { return m_done || stopping; });
    return m_done;
}

void IppCompletion::wake()
{
    // Taking the lock orders the waker's change of its stopping flag before the waiter's look.
    {
        const std::lock_guard lock(m_mutex);
    }
    m_changed.notify_all();
}

IppSource::IppSource(const QByteArray &bytes,
                     std::shared_ptr<IppCompletion> completion,
                     QObject *parent)
    : PrintSource(u"ipp"_s, parent)
    , m_bytes(bytes)
    , m_completion(std::move(completion))
{}

IppSource::~IppSource()
{
    // A job dropped unprinted (the printer is going) must not keep its thread waiting.
    m_completion->finish();
}

QByteArray IppSource::read(qsizetype max)
{
    QByteArray bytes = m_bytes.mid(m_offset, max);
    m_offset += bytes.size();
    return bytes;
}

bool IppSource::write(const QByteArray &bytes, QString *error)
{
    Q_UNUSED(bytes)
    Q_UNUSED(error)
    return true;
}

void IppSource::setPrinting(bool printing)
{
    if (printing)
        m_started = true;
    else if (m_started)
        m_completion->finish();
}

} // namespace vprinter
