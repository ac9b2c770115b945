#pragma once

#include "PrintSource.h"

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace vprinter {

// The end of an IPP job's printing, awaited by the IPP service's job thread: the job stays
// "processing" there until the printer has printed it, or until the printer goes away.
class IppCompletion
{
public:
    void finish();
    // False when stopping turned true before the job was printed.
    bool wait(const std::atomic<bool> &stopping);
    // Wakes every wait so that it can look at its stopping flag again.
    void wake();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
};

// An IPP job's document, made into printer bytes by the IPP service and all there: it prints
// in one turn as the source "ipp", and tells the job's thread when its turn is over.
class IppSource : public PrintSource
{
    Q_OBJECT

public:
    IppSource(const QByteArray &bytes,
              std::shared_ptr<IppCompletion> completion,
              QObject *parent = nullptr);
    ~IppSource() override;

    QByteArray read(qsizetype max) override;
    bool atEnd() const override { return m_offset >= m_bytes.size(); }
    // An IPP job hears no answers: its status is the printer's state over IPP.
    bool write(const QByteArray &bytes, QString *error) override;
    int idleLimitMs() const override { return 0; }
    void setPrinting(bool printing) override;

private:
    QByteArray m_bytes;
    qsizetype m_offset = 0;
    std::shared_ptr<IppCompletion> m_completion;
    bool m_started = false;
};

} // namespace vprinter
