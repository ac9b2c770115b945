#pragma once

#include "CommandSetKind.h"
#include "WorkerThread.h"

#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <optional>

class QNetworkReply;

namespace vprinter {

class PrinterServer;

// The printer as a client of a print server on the web: it polls the server with its status
// (a JSON POST), fetches a job the server has ready in a media type it prints, prints it as one
// job in its turn and confirms it with a result code (a DELETE). It polls on through errors,
// time-outs and refusals, each told once until the server answers again.
class CloudPrntClient : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultIntervalSeconds = 5;
    static constexpr qint64 MaxJobBytes = qint64(16) * 1024 * 1024;
    // What the printer prints, in the order it prefers them.
    static const QStringList MediaTypes;

    CloudPrntClient(PrinterServer *printer,
                    const QUrl &server,
                    int intervalMs,
                    QObject *parent = nullptr);

    // Polls now, then every interval after each exchange ends.
    void start();

private:
    struct Job
    {
        QString token;
        QUrl getUrl;
        QUrl confirmUrl;
        bool confirmByGet = false;
    };

    void cycle();
    void poll();
    void polled(QNetworkReply *reply);
    void fetch(const Job &job, const QStringList &offered);
    void fetched(QNetworkReply *reply, const Job &job, const QString &type);
    void print(const QByteArray &bytes,
               const Job &job,
               const QString &type,
               std::optional<emulator::CommandSetKind> set);
    void confirm();
    void confirmed(QNetworkReply *reply);
    QNetworkReply *send(const QByteArray &method, const QUrl &url, const QByteArray &body = {});
    // The exchange failed; false when the reply succeeded. A kind of failure is told once,
    // naming the exchange ("poll", "job 12") it happened in.
    bool failed(QNetworkReply *reply, const QString &exchange);
    void next();

    PrinterServer *m_printer = nullptr;
    QUrl m_server;
    int m_intervalMs = DefaultIntervalSeconds * 1000;
    QNetworkAccessManager m_network;
    QTimer m_timer;
    QString m_failure;          // the kind of failure told, until the server answers again
    QJsonArray m_actionResults; // answers to the server's last requests, sent with the next poll
    std::optional<std::pair<Job, QString>> m_unconfirmed; // printed, with its result code
    WorkerThread m_pictures;
};

} // namespace vprinter
