#pragma once

#include <QObject>
#include <QThread>

#include <functional>
#include <memory>

namespace emulator {
class Renderer;
}

namespace vprinter {

// Slow work (drawing receipts, writing them to disk) done in order on a thread of its own, with a
// renderer of that thread's own; each piece hands back what to do with its result, which is done
// on the thread that asked. Work asked for before it is destroyed is finished first.
class WorkerThread : public QObject
{
    Q_OBJECT

public:
    // Runs on the worker's thread; what it returns runs on the asking thread once it is done.
    using Work = std::function<std::function<void()>(const emulator::Renderer &renderer)>;

    explicit WorkerThread(QObject *parent = nullptr);
    ~WorkerThread() override;

    void run(Work work);
    // Pieces asked for whose results have not been handed back yet.
    qsizetype pending() const { return m_pending; }

Q_SIGNALS:
    // A piece's result was handed back.
    void done();

private:
    QThread m_thread;
    QObject *m_context = nullptr;                   // lives on the thread: work is queued to it
    std::unique_ptr<emulator::Renderer> m_renderer; // made and used on the thread only
    qsizetype m_pending = 0;
};

} // namespace vprinter
