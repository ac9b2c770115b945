#include "WorkerThread.h"

#include "Renderer.h"

namespace vprinter {

WorkerThread::WorkerThread(QObject *parent)
    : QObject(parent)
    , m_context(new QObject)
{
    m_context->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start();
}

WorkerThread::~WorkerThread()
{
    // Work is taken in the order it was queued: the thread stops after the last piece.
    QMetaObject::invokeMethod(m_context, [this] {
        m_renderer.reset();
        m_thread.quit();
    });
    m_thread.wait();
}

void WorkerThread::run(Work work)
{
    ++m_pending;
    QMetaObject::invokeMethod(m_context, [this, work = std::move(work)] {
        if (!m_renderer)
            m_renderer = std::make_unique<emulator::Renderer>();
        // Handed back through this object: once it is gone, results are no one's to hear.
        QMetaObject::invokeMethod(this, [this, then = work(*m_renderer)] {
            --m_pending;
            then();
            Q_EMIT done();
        });
    });
}

} // namespace vprinter
