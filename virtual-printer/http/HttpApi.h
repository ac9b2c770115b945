#pragma once

#include "EposService.h"
#include "HttpServer.h"
#include "KeptReceipt.h"
#include "WorkerThread.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QSet>
#include <QTimer>

namespace vprinter {

class PrinterServer;

// The printer's web page and HTTP API: the kept receipts as summaries, pictures, JSON, text
// and logs; printing a request's body as one more source; the status conditions; and a stream
// of events as receipts finish and conditions change.
class HttpApi : public QObject
{
    Q_OBJECT

public:
    // A comment on every event stream this often, so that a reader sees the stream is alive
    // and a reader that left is noticed.
    static constexpr int KeepAliveMs = 15000;

    explicit HttpApi(PrinterServer *printer, QObject *parent = nullptr);

    HttpServer &server() { return m_server; }

    // The status conditions as the API names them.
    QJsonObject statusObject() const;
    // {"number": 1, "time": …, "source": …, "cut": …, "height": …, "png": …, …}
    QJsonObject summary(const KeptReceipt &kept);

private:
    struct Route;
    static const Route Routes[];

    void handle(const HttpRequest &request);
    void page(const HttpRequest &request);
    void listReceipts(const HttpRequest &request);
    void forgetReceipts(const HttpRequest &request);
    void receiptFile(const HttpRequest &request);
    void print(const HttpRequest &request);
    void webPrnt(const HttpRequest &request);
    void status(const HttpRequest &request);
    void setStatus(const HttpRequest &request);
    void events(const HttpRequest &request);
    void epos(const HttpRequest &request) { m_epos.handle(request); }
    void broadcast(const QByteArray &event, const QJsonObject &data);

    PrinterServer *m_printer = nullptr;
    HttpServer m_server;
    EposService m_epos;
    QHash<int, QByteArray> m_json; // each kept receipt's JSON object, made when first asked for
    QHash<int, QJsonObject> m_summaries; // each kept receipt's entry in the list, likewise
    QSet<quint64> m_streams;             // requests of the event stream
    QTimer m_keepAlive;
    WorkerThread m_drawing; // receipts' pictures
};

} // namespace vprinter
