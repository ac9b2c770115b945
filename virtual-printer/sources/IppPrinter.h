#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

using pappl_job_t = struct _pappl_job_s;
using pappl_printer_t = struct _pappl_printer_s;
using pappl_system_t = struct _pappl_system_s;

namespace vprinter {

class IppCompletion;
class PrinterServer;

// The printer as an IPP Everywhere roll printer: the IPP service's threads take jobs and make
// each document into printer bytes, and the printer's thread prints them as one more source.
class IppPrinter : public QObject
{
    Q_OBJECT

public:
    // A document larger than this is refused rather than read into memory.
    static constexpr qint64 MaxDocumentBytes = qint64(64) * 1024 * 1024;

    // Jobs taken and not yet printed, at most.
    static constexpr int MaxWaitingJobs = 100;

    explicit IppPrinter(PrinterServer *server, QObject *parent = nullptr);
    ~IppPrinter() override;

    // Serves IPP at the address, port 0 taking a free one; false with the reason when it
    // cannot.
    bool start(const QString &host, quint16 port, QString *error);
    // "ipp://127.0.0.1:8631/ipp/print", or empty before start.
    QString uri() const { return m_uri; }

    // Called on the IPP service's job threads: gives a job's printer bytes to the printer's
    // thread and returns once they are printed, or false when the printer is going away.
    bool deliver(const QByteArray &bytes);
    int paperDots() const { return m_paperDots; }

Q_SIGNALS:
    // A client asked the printer to show who it is, with this message; emitted on the IPP
    // service's thread.
    void identify(const QString &message);

private:
    void take(const QByteArray &bytes, const std::shared_ptr<IppCompletion> &completion);
    void followStatus();
    void stop();

    struct Startup;

    PrinterServer *m_server = nullptr;
    int m_paperDots = 0;
    pappl_system_t *m_system = nullptr;
    pappl_printer_t *m_printer = nullptr;
    std::thread m_thread;
    std::unique_ptr<Startup> m_startup; // read by the service's timer while it runs
    QString m_uri;
    QString m_spool; // where documents wait to be printed, removed with the printer
    bool m_offline = false;
    // Jobs finished while the printer is off-line, printed when it is back.
    QList<std::pair<QByteArray, std::shared_ptr<IppCompletion>>> m_held;

    std::atomic<bool> m_stopping = false;
    std::mutex m_waitersMutex;
    QList<std::weak_ptr<IppCompletion>> m_waiters; // job threads waiting for their printing
};

} // namespace vprinter
