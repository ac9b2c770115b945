#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace vprinter {

// Ends the event loop on SIGTERM, SIGINT or SIGHUP, so that the program stops as when its window
// is closed: receipts waiting to be saved are written, and the --link is removed. A second signal
// ends the program at once.
class QuitOnSignal : public QObject
{
    Q_OBJECT

public:
    explicit QuitOnSignal(QObject *parent = nullptr);

private:
    void quit();

    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace vprinter
