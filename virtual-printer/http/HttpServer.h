#pragma once

#include "HttpGate.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <utility>

class QSocketNotifier;
struct MHD_Connection;
struct MHD_Daemon;

namespace vprinter {

// A request whose head and whole body have arrived.
struct HttpRequest
{
    quint64 id = 0; // names it to respond and to stream
    QByteArray method;
    QByteArray path;
    QList<std::pair<QByteArray, QByteArray>> arguments; // of the query, in their order
    QByteArray body;

    // The query argument's value; empty when absent.
    QByteArray argument(QByteArrayView name) const;
};

// A response, whole or the head of a stream.
struct HttpResponse
{
    int status = 200;
    QByteArray contentType = "application/json";
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;

    // {"error": "…"} with the status.
    static HttpResponse error(int status, const QString &message);
};

// An HTTP/1.1 server in the program's event loop, on libmicrohttpd: it reads requests, refuses
// bodies over MaxBodyBytes without reading them, serves only the host names it answers to (a web
// page of another site whose name was pointed at this machine names that site), answers
// cross-origin requests only from the origins allowed, and gives each request to the handler,
// which responds at once or later, or opens a stream of events.
class HttpServer : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype MaxBodyBytes = qsizetype(16) * 1024 * 1024;
    // Bytes a stream's reader may leave untaken; a slower reader's stream is ended.
    static constexpr qsizetype MaxStreamBacklog = qsizetype(1024) * 1024;
    static constexpr unsigned MaxConnections = 64;
    static constexpr unsigned IdleTimeoutSeconds = 60;

    using Handler = std::function<void(const HttpRequest &)>;

    explicit HttpServer(Handler handler, QObject *parent = nullptr);
    ~HttpServer() override;

    // Serves over TLS with the PEM certificate (and its chain) and key, from the next listen.
    void setCertificate(const QByteArray &certificate, const QByteArray &key);
    bool secure() const { return !m_certificate.isEmpty(); }
    // False with the reason when the address cannot be had; port 0 takes a free one.
    bool listen(const QHostAddress &host, quint16 port, QString *error);
    // "127.0.0.1:8080", or empty when not listening.
    QString address() const;
    // Origins ("http://localhost:3000") whose pages may call the server.
    void setAllowedOrigins(const QStringList &origins);
    // Host names ("printer.local", "192.168.1.20") served besides the bound address, localhost,
    // 127.0.0.1 and [::1].
    void setAllowedHosts(const QStringList &hosts);

    // Responds to the request, now or once it is ready.
    void respond(quint64 id, const HttpResponse &response);
    // Answers the request with the response's head and a body that goes on: each send adds to it.
    void openStream(quint64 id, const HttpResponse &head);
    // False when the stream is gone or its reader fell behind (the stream is then ended).
    bool send(quint64 id, const QByteArray &bytes);

Q_SIGNALS:
    // The request's connection closed: its id means nothing any more.
    void closed(quint64 id);

private:
    struct Exchange;
    friend struct HttpCallbacks;

    bool request(MHD_Connection *connection,
                 const char *url,
                 const char *method,
                 const char *version,
                 const char *uploadData,
                 size_t *uploadSize,
                 void **context);
    void dispatch(Exchange *exchange);
    bool queue(Exchange *exchange);
    void complete(void **context);
    qsizetype take(quint64 id, char *buffer, qsizetype max);
    void resume(Exchange *exchange);
    void run();
    void stop();

    Handler m_handler;
    MHD_Daemon *m_daemon = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_timer;
    bool m_stopping = false;
    bool m_resumed = false; // a connection was resumed since the last run began
    bool m_full = false;    // every connection was taken: the listening socket was put aside
    HttpGate m_gate;
    QHash<quint64, Exchange *> m_exchanges;
    quint64 m_nextId = 1;
    QString m_address;
    QByteArray m_certificate;
    QByteArray m_key;
};

} // namespace vprinter
