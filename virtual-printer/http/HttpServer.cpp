#include "HttpServer.h"

#include "HttpCallbacks.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <memory>
#include <microhttpd.h>
#include <netinet/in.h>

using namespace Qt::StringLiterals;

namespace vprinter {

// Where a request stands between its head arriving and its connection closing.
struct HttpServer::Exchange
{
    MHD_Connection *connection = nullptr;
    HttpRequest request;
    QByteArray origin;    // an allowed origin, echoed in the response
    bool foreign = false; // from another origin's page, not allowed
    bool dispatched = false;
    bool inHandler = false;
    bool suspended = false;
    bool ready = false; // a response (or a stream's head) is there to queue
    bool streaming = false;
    bool ended = false; // the stream ends once its backlog is taken
    bool closing = false;
    HttpResponse response;
    QByteArray backlog; // stream bytes not yet taken by the connection
};

HttpResponse HttpResponse::error(int status, const QString &message)
{
    return {status,
            "application/json",
            QJsonDocument(QJsonObject{{u"error"_s, message}}).toJson(QJsonDocument::Compact),
            {}};
}

QByteArray HttpRequest::argument(QByteArrayView name) const
{
    for (const auto &[key, value] : arguments) {
        if (key == name)
            return value;
    }
    return {};
}

HttpServer::HttpServer(Handler handler, QObject *parent)
    : QObject(parent)
    , m_handler(std::move(handler))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &HttpServer::run);
}

HttpServer::~HttpServer()
{
    stop();
}

bool HttpServer::listen(const QHostAddress &host, quint16 port, QString *error)
{
    stop();
    m_stopping = false;
    sockaddr_in v4{};
    sockaddr_in6 v6{};
    const sockaddr *address = nullptr;
    unsigned flags = MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME;
    if (host.protocol() == QAbstractSocket::IPv6Protocol) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        const Q_IPV6ADDR bytes = host.toIPv6Address();
        std::memcpy(&v6.sin6_addr, &bytes, sizeof bytes);
        address = reinterpret_cast<const sockaddr *>(&v6);
        flags |= MHD_USE_IPv6;
    } else {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        v4.sin_addr.s_addr = htonl(host.toIPv4Address());
        address = reinterpret_cast<const sockaddr *>(&v4);
    }
    // The certificate and key are options only over TLS.
    MHD_OptionItem tls[] = {{MHD_OPTION_HTTPS_MEM_CERT, 0, m_certificate.data()},
                            {MHD_OPTION_HTTPS_MEM_KEY, 0, m_key.data()},
                            {MHD_OPTION_END, 0, nullptr}};
    if (secure())
        flags |= MHD_USE_TLS;
    else
        tls[0].option = MHD_OPTION_END;
    errno = 0;
    m_daemon = MHD_start_daemon(flags,
                                port,
                                nullptr,
                                nullptr,
                                &HttpCallbacks::request,
                                this,
                                MHD_OPTION_SOCK_ADDR,
                                address,
                                MHD_OPTION_NOTIFY_COMPLETED,
                                &HttpCallbacks::completed,
                                this,
                                MHD_OPTION_CONNECTION_LIMIT,
                                MaxConnections,
                                MHD_OPTION_CONNECTION_TIMEOUT,
                                IdleTimeoutSeconds,
                                MHD_OPTION_UNESCAPE_CALLBACK,
                                &HttpCallbacks::unescape,
                                this,
                                MHD_OPTION_ARRAY,
                                tls,
                                MHD_OPTION_END);
    if (!m_daemon) {
        *error = errno != 0 && errno != EINVAL ? QString::fromLocal8Bit(std::strerror(errno))
                 : secure() ? u"the certificate or key is not valid, or they do not match"_s
                            : u"the HTTP server did not start"_s;
        return false;
    }
    const quint16 bound = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT)->port;
    m_address = host.protocol() == QAbstractSocket::IPv6Protocol
                        ? u"[%1]:%2"_s.arg(host.toString()).arg(bound)
                        : u"%1:%2"_s.arg(host.toString()).arg(bound);
    m_gate.setBoundAddress(host);
    // Every socket of the server is in one epoll set: it is readable when any of them is ready.
    const int epoll = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_EPOLL_FD)->epoll_fd;
    m_notifier = new QSocketNotifier(epoll, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &HttpServer::run);
    run();
    return true;
}

QString HttpServer::address() const
{
    return m_daemon ? m_address : QString();
}

void HttpServer::setCertificate(const QByteArray &certificate, const QByteArray &key)
{
    // The library reads them as C strings.
    m_certificate = certificate.isEmpty() ? QByteArray() : certificate + '\0';
    m_key = key.isEmpty() ? QByteArray() : key + '\0';
}

void HttpServer::setAllowedOrigins(const QStringList &origins)
{
    m_gate.setAllowedOrigins(origins);
}

void HttpServer::setAllowedHosts(const QStringList &hosts)
{
    m_gate.setAllowedHosts(hosts);
}

void HttpServer::respond(quint64 id, const HttpResponse &response)
{
    Exchange *exchange = m_exchanges.value(id);
    if (!exchange || exchange->ready)
        return;
    exchange->response = response;
    exchange->ready = true;
    resume(exchange);
}

void HttpServer::openStream(quint64 id, const HttpResponse &head)
{
    if (Exchange *exchange = m_exchanges.value(id); exchange && !exchange->ready)
        exchange->streaming = true;
    respond(id, head);
}

bool HttpServer::send(quint64 id, const QByteArray &bytes)
{
    Exchange *exchange = m_exchanges.value(id);
    if (!exchange || !exchange->streaming || exchange->ended)
        return false;
    if (exchange->backlog.size() + bytes.size() > MaxStreamBacklog)
        exchange->ended = true;
    else
        exchange->backlog.append(bytes);
    resume(exchange);
    return !exchange->ended;
}

bool HttpServer::request(MHD_Connection *connection,
                         const char *url,
                         const char *method,
                         const char *version,
                         const char *uploadData,
                         size_t *uploadSize,
                         void **context)
{
    auto *exchange = static_cast<Exchange *>(*context);
    if (!exchange) {
        // The head has arrived.
        exchange = new Exchange;
        exchange->connection = connection;
        exchange->request = {m_nextId++, method, url, {}, {}};
        MHD_get_connection_values(connection,
                                  MHD_GET_ARGUMENT_KIND,
                                  &HttpCallbacks::addArgument,
                                  &exchange->request.arguments);
        m_exchanges.insert(exchange->request.id, exchange);
        *context = exchange;
        const char *origin = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Origin");
        const char *host = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Host");
        if (!host && QByteArrayView(version) != MHD_HTTP_VERSION_1_0) {
            exchange->response = HttpResponse::error(400, u"the request names no Host"_s);
            exchange->ready = true;
            return queue(exchange);
        }
        if (host && !m_gate.servesHost(host)) {
            // Refused before its body is read, as a page of another site that names this
            // machine would send it.
            exchange->response = HttpResponse::error(
                    403,
                    u"the host %1 is not served; start the printer with --http-host %2 to "
                    "serve it"_s.arg(QString::fromLatin1(host),
                                     QString::fromLatin1(HttpGate::hostOf(host))));
            exchange->ready = true;
            return queue(exchange);
        }
        int lengths = 0;
        MHD_get_connection_values(
                connection, MHD_HEADER_KIND, &HttpCallbacks::countLength, &lengths);
        if (lengths > 1) {
            // Two lengths make the body's end a guess, which a proxy may guess otherwise.
            exchange->response = HttpResponse::error(400, u"the request gives its length twice"_s);
            exchange->ready = true;
            return queue(exchange);
        }
        const HttpGate::Caller caller = m_gate.caller(origin, host, secure());
        if (caller == HttpGate::Caller::Allowed)
            exchange->origin = origin;
        exchange->foreign = caller == HttpGate::Caller::Foreign;
        const char *length = MHD_lookup_connection_value(
                connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
        if (length && QByteArrayView(length).toULongLong() > quint64(MaxBodyBytes)) {
            // Refused before a byte of the body is read; the connection closes after the answer.
            exchange->response = HttpResponse::error(
                    413, u"the body is larger than %1 bytes"_s.arg(MaxBodyBytes));
            exchange->ready = true;
            return queue(exchange);
        }
        return true;
    }
    if (*uploadSize != 0) {
        const qsizetype size = qsizetype(*uploadSize);
        *uploadSize = 0;
        if (exchange->ready)
            return true; // refused: what still arrives is passed over
        if (exchange->request.body.size() + size > MaxBodyBytes) {
            // A body without a length is refused once it grows too long; the server cannot
            // answer before the request ends, so the rest is read and dropped.
            exchange->request.body = QByteArray();
            exchange->response = HttpResponse::error(
                    413, u"the body is larger than %1 bytes"_s.arg(MaxBodyBytes));
            exchange->ready = true;
            return true;
        }
        exchange->request.body.append(uploadData, size);
        return true;
    }
    // The whole request is there, or it was resumed.
    if (exchange->closing)
        return false;
    if (!exchange->dispatched && !exchange->ready)
        dispatch(exchange);
    if (exchange->ready)
        return queue(exchange);
    MHD_suspend_connection(connection);
    exchange->suspended = true;
    return true;
}

void HttpServer::dispatch(Exchange *exchange)
{
    exchange->dispatched = true;
    const QByteArray origin = MHD_lookup_connection_value(
            exchange->connection, MHD_HEADER_KIND, "Origin");
    if (exchange->foreign) {
        exchange->response = HttpResponse::error(
                403,
                u"requests from pages of %1 are not allowed; start the printer with "
                "--http-origin %1 to allow them"_s.arg(QString::fromUtf8(origin)));
        exchange->ready = true;
        return;
    }
    if (exchange->request.method == "OPTIONS") {
        // A preflight: what a page of an allowed origin may send.
        exchange->response = {204, {}, {}, {}};
        if (!exchange->origin.isEmpty()) {
            exchange->response.headers = {
                    {"Access-Control-Allow-Methods", "GET, POST, PUT, DELETE"},
                    // A web print page sends its document as SOAP, with no caching.
                    {"Access-Control-Allow-Headers", "Content-Type, SOAPAction, If-Modified-Since"},
                    {"Access-Control-Max-Age", "600"},
            };
        }
        exchange->ready = true;
        return;
    }
    exchange->inHandler = true;
    m_handler(exchange->request);
    exchange->inHandler = false;
}

bool HttpServer::queue(Exchange *exchange)
{
    const HttpResponse &response = exchange->response;
    MHD_Response *reply = nullptr;
    if (exchange->streaming) {
        reply = MHD_create_response_from_callback(
                MHD_SIZE_UNKNOWN,
                4096,
                &HttpCallbacks::read,
                new HttpCallbacks::StreamRef{this, exchange->request.id},
                &HttpCallbacks::free);
    } else {
        reply = MHD_create_response_from_buffer(size_t(response.body.size()),
                                                const_cast<char *>(response.body.constData()),
                                                MHD_RESPMEM_MUST_COPY);
    }
    if (!reply)
        return false;
    if (!response.contentType.isEmpty())
        MHD_add_response_header(reply, "Content-Type", response.contentType.constData());
    MHD_add_response_header(reply, "X-Content-Type-Options", "nosniff");
    if (!exchange->origin.isEmpty()) {
        MHD_add_response_header(reply, "Access-Control-Allow-Origin", exchange->origin.constData());
        MHD_add_response_header(reply, "Vary", "Origin");
    }
    for (const auto &[name, value] : response.headers)
        MHD_add_response_header(reply, name.constData(), value.constData());
    const MHD_Result queued = MHD_queue_response(
            exchange->connection, unsigned(response.status), reply);
    MHD_destroy_response(reply);
    return queued == MHD_YES;
}

void HttpServer::complete(void **context)
{
    const std::unique_ptr<Exchange> exchange(static_cast<Exchange *>(*context));
    *context = nullptr;
    if (!exchange)
        return;
    m_exchanges.remove(exchange->request.id);
    if (!m_stopping)
        Q_EMIT closed(exchange->request.id);
}

qsizetype HttpServer::take(quint64 id, char *buffer, qsizetype max)
{
    Exchange *exchange = m_exchanges.value(id);
    if (!exchange || exchange->closing || (exchange->ended && exchange->backlog.isEmpty()))
        return MHD_CONTENT_READER_END_OF_STREAM;
    if (exchange->backlog.isEmpty()) {
        // Nothing to send: the connection waits, out of the event loop, for the next event.
        MHD_suspend_connection(exchange->connection);
        exchange->suspended = true;
        return 0;
    }
    const qsizetype size = qMin(max, exchange->backlog.size());
    std::memcpy(buffer, exchange->backlog.constData(), size_t(size));
    exchange->backlog.remove(0, size);
    return size;
}

void HttpServer::resume(Exchange *exchange)
{
    if (!exchange->suspended)
        return;
    exchange->suspended = false;
    MHD_resume_connection(exchange->connection);
    // The connection comes back at the next run, which nothing on the sockets may bring.
    m_resumed = true;
    m_timer.start(0);
}

void HttpServer::run()
{
    if (!m_daemon)
        return;
    m_resumed = false;
    MHD_run(m_daemon);
    // With every connection taken the library puts its listening socket aside, and takes it
    // back only in a run after one has closed, which nothing on the remaining sockets may
    // bring.
    const unsigned open = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_CURRENT_CONNECTIONS)
                                  ->num_connections;
    if (open >= MaxConnections)
        m_full = true;
    else if (std::exchange(m_full, false))
        m_resumed = true;
    if (m_resumed) {
        m_timer.start(0);
        return;
    }
    MHD_UNSIGNED_LONG_LONG timeout = 0;
    if (MHD_get_timeout(m_daemon, &timeout) == MHD_YES)
        m_timer.start(int(qMin<MHD_UNSIGNED_LONG_LONG>(timeout, 60000)));
    else
        m_timer.stop();
}

void HttpServer::stop()
{
    if (!m_daemon)
        return;
    // Suspended connections must be resumed before the daemon stops; they close at once.
    m_stopping = true;
    for (Exchange *exchange : std::as_const(m_exchanges)) {
        exchange->closing = true;
        resume(exchange);
    }
    MHD_run(m_daemon);
    delete m_notifier;
    m_notifier = nullptr;
    MHD_stop_daemon(m_daemon);
    m_daemon = nullptr;
    m_timer.stop();
    qDeleteAll(m_exchanges);
    m_exchanges.clear();
}

} // namespace vprinter
