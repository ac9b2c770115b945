#pragma once

#include <QObject>

#include <deque>
#include <functional>

namespace status {

// Turns on the link for the exchanges that need it to themselves: a status check waiting for
// its reply, the printer's identity being asked, a file going out. A task asked for while an
// exchange holds the link waits its turn, in order, and is never mixed into that exchange.
class LinkQueue : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Runs the task now if the link is free and nothing waits, else after the tasks before it.
    void run(std::function<void()> task);
    // A task that starts an exchange calls this before it returns: the link is the exchange's
    // until release().
    void hold() { m_held = true; }
    // The exchange has ended; the tasks that wait run from the event loop, so the exchange's
    // own handling of its end is over first.
    void release();
    // The link has closed: the tasks that wait are dropped.
    void clear();

    bool isHeld() const { return m_held; }
    qsizetype waiting() const { return qsizetype(m_tasks.size()); }

private:
    void runWaiting();

    std::deque<std::function<void()>> m_tasks;
    bool m_held = false;
};

} // namespace status
