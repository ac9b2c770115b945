#include "status/LinkQueue.h"

namespace status {

void LinkQueue::run(std::function<void()> task)
{
    if (m_held || !m_tasks.empty()) {
        m_tasks.push_back(std::move(task));
        return;
    }
    task();
}

void LinkQueue::release()
{
    m_held = false;
    QMetaObject::invokeMethod(this, &LinkQueue::runWaiting, Qt::QueuedConnection);
}

void LinkQueue::clear()
{
    m_tasks.clear();
    m_held = false;
}

void LinkQueue::runWaiting()
{
    while (!m_held && !m_tasks.empty()) {
        const std::function<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        task();
    }
}

} // namespace status
