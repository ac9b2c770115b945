#include "HttpApi.h"

#include "HttpSource.h"
#include "PrinterServer.h"
#include "WebPrntService.h"

#include "ReceiptJson.h"
#include "ReceiptLayout.h"
#include "ReceiptText.h"
#include "Renderer.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

// The printer's answering is switched beside the conditions, as in the window.
constexpr char NoReplyKey[] = "no_reply";

// The page loads nothing from elsewhere: its own script, style and the API; receipts' pictures
// may be shown from data and blob addresses.
constexpr char ContentSecurityPolicy[] = "default-src 'self'; img-src 'self' data: blob:; "
                                         "connect-src 'self'; frame-ancestors 'none'";

constexpr QByteArrayView ReceiptPrefix = "/api/receipts/";

HttpResponse json(const QJsonValue &value, int status = 200)
{
    const QByteArray body = value.isObject()
                                    ? QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact)
                                    : QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    return {status, "application/json", body + '\n', {{"Cache-Control", "no-store"}}};
}

} // namespace

struct HttpApi::Route
{
    QByteArrayView path; // a path, or the start of paths when it ends in "/"
    QByteArrayView method;
    void (HttpApi::*handler)(const HttpRequest &request);
    // The page and its assets are built into the program: where, and as what they are served.
    const char *resource = nullptr;
    const char *contentType = nullptr;
};

const HttpApi::Route HttpApi::Routes[] = {
        {"/", "GET", &HttpApi::page, ":/web/index.html", "text/html; charset=utf-8"},
        {"/page.css", "GET", &HttpApi::page, ":/web/page.css", "text/css; charset=utf-8"},
        {"/page.js", "GET", &HttpApi::page, ":/web/page.js", "text/javascript; charset=utf-8"},
        {"/api/receipts", "GET", &HttpApi::listReceipts},
        {"/api/receipts", "DELETE", &HttpApi::forgetReceipts},
        {ReceiptPrefix, "GET", &HttpApi::receiptFile},
        {"/api/print", "POST", &HttpApi::print},
        {"/api/status", "GET", &HttpApi::status},
        {"/api/status", "PUT", &HttpApi::setStatus},
        {"/api/events", "GET", &HttpApi::events},
        {EposService::Path, "POST", &HttpApi::epos},
        {WebPrntService::Path, "POST", &HttpApi::webPrnt},
};

HttpApi::HttpApi(PrinterServer *printer, QObject *parent)
    : QObject(parent)
    , m_printer(printer)
    , m_server([this](const HttpRequest &request) { handle(request); })
    , m_epos(printer, &m_server)
{
    connect(&m_server, &HttpServer::closed, this, [this](quint64 id) { m_streams.remove(id); });
    connect(printer, &PrinterServer::receiptKept, this, [this](const KeptReceipt &kept) {
        // Receipts no longer kept take their JSON with them.
        const int oldest = m_printer->receipts().first().number;
        m_json.removeIf([oldest](const auto &entry) { return entry.key() < oldest; });
        m_summaries.removeIf([oldest](const auto &entry) { return entry.key() < oldest; });
        if (!m_streams.isEmpty())
            broadcast("receipt", summary(kept));
    });
    connect(printer, &PrinterServer::cleared, this, [this] {
        m_json.clear();
        m_summaries.clear();
        broadcast("cleared", {});
    });
    connect(printer, &PrinterServer::statusChanged, this, [this] {
        broadcast("status", statusObject());
    });
    m_keepAlive.setInterval(KeepAliveMs);
    connect(&m_keepAlive, &QTimer::timeout, this, [this] {
        for (const quint64 id : QSet(m_streams))
            m_server.send(id, ": keep-alive\n\n");
    });
}

QJsonObject HttpApi::statusObject() const
{
    QJsonObject object;
    const emulator::StatusConditions &conditions = m_printer->status();
    for (const emulator::StatusCondition &condition : emulator::statusConditionTable())
        object.insert(QLatin1StringView(condition.key), conditions.*condition.flag);
    object.insert(QLatin1StringView(NoReplyKey), !m_printer->answering());
    return object;
}

QJsonObject HttpApi::summary(const KeptReceipt &kept)
{
    // What the list says of a receipt comes from the receipt and its layout, not from its JSON:
    // a thousand receipts are listed without writing any.
    auto cached = m_summaries.constFind(kept.number);
    if (cached != m_summaries.cend())
        return *cached;
    const emulator::Receipt &receipt = kept.receipt;
    const QString file = u"/api/receipts/%1"_s.arg(kept.number);
    const QJsonObject entry{
            {u"number"_s, kept.number},
            {u"time"_s, kept.finished.toString(Qt::ISODate)},
            {u"source"_s, kept.source},
            {u"cut"_s, QString::fromLatin1(emulator::ReceiptJson::cutName(receipt.cut))},
            {u"command_set"_s, emulator::commandSetId(receipt.commandSet)},
            {u"height"_s, emulator::ReceiptLayout::of(receipt).height},
            {u"png"_s, file + u".png"_s},
            {u"json"_s, file + u".json"_s},
            {u"text"_s, file + u".txt"_s},
            {u"log"_s, file + u".log"_s}};
    return *m_summaries.insert(kept.number, entry);
}

void HttpApi::handle(const HttpRequest &request)
{
    // A HEAD request is a GET without the body, which the server leaves out.
    const QByteArrayView method = request.method == "HEAD" ? "GET" : QByteArrayView(request.method);
    QByteArrayList allowed;
    for (const Route &route : Routes) {
        const bool matches = route.path.endsWith('/') && route.path.size() > 1
                                     ? request.path.startsWith(route.path)
                                     : request.path == route.path;
        if (!matches)
            continue;
        if (route.method == method)
            return (this->*route.handler)(request);
        allowed.append(route.method.toByteArray());
    }
    if (allowed.isEmpty()) {
        m_server.respond(request.id, HttpResponse::error(404, u"no such resource"_s));
        return;
    }
    HttpResponse response = HttpResponse::error(
            405,
            u"%1 takes %2"_s.arg(QString::fromUtf8(request.path),
                                 QString::fromLatin1(allowed.join(", "))));
    response.headers.append({"Allow", allowed.join(", ")});
    m_server.respond(request.id, response);
}

void HttpApi::page(const HttpRequest &request)
{
    for (const Route &route : Routes) {
        if (!route.resource || request.path != route.path)
            continue;
        QFile resource(QString::fromLatin1(route.resource));
        if (!resource.open(QIODevice::ReadOnly))
            qFatal("The page's %s is missing from the resources", route.resource);
        m_server.respond(request.id,
                         {200,
                          route.contentType,
                          resource.readAll(),
                          {{"Cache-Control", "no-cache"},
                           {"Content-Security-Policy", ContentSecurityPolicy}}});
        return;
    }
}

void HttpApi::listReceipts(const HttpRequest &request)
{
    QJsonArray list;
    for (const KeptReceipt &kept : m_printer->receipts())
        list.append(summary(kept));
    m_server.respond(request.id, json(list));
}

void HttpApi::forgetReceipts(const HttpRequest &request)
{
    m_printer->forgetReceipts();
    m_server.respond(request.id, json(QJsonArray()));
}

void HttpApi::receiptFile(const HttpRequest &request)
{
    // "/api/receipts/12.png", "/api/receipts/latest.json"
    const QByteArray name = request.path.mid(ReceiptPrefix.size());
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArray which = name.left(dot);
    const QByteArray kind = dot < 0 ? QByteArray() : name.mid(dot + 1);
    const QList<KeptReceipt> &receipts = m_printer->receipts();
    const KeptReceipt *kept = nullptr;
    // A number as the list names it: digits without a leading zero, sign or space, so that each
    // receipt has one address.
    const bool numbered = !which.isEmpty() && which.size() <= 9 && which.front() != '0'
                          && std::all_of(which.begin(), which.end(), [](char c) {
                                 return c >= '0' && c <= '9';
                             });
    const int number = numbered ? which.toInt() : 0;
    if (which == "latest" && !receipts.isEmpty())
        kept = &receipts.last();
    for (qsizetype i = 0; numbered && !kept && i < receipts.size(); ++i) {
        if (receipts.at(i).number == number)
            kept = &receipts.at(i);
    }
    const bool known = kind == "png" || kind == "json" || kind == "txt" || kind == "log";
    if (!known || (!numbered && which != "latest")) {
        m_server.respond(request.id, HttpResponse::error(404, u"no such resource"_s));
        return;
    }
    if (!kept) {
        m_server.respond(
                request.id,
                HttpResponse::error(404, u"no receipt %1"_s.arg(QString::fromUtf8(which))));
        return;
    }
    HttpResponse response{200, "text/plain; charset=utf-8", {}, {{"Cache-Control", "no-cache"}}};
    if (kind == "png") {
        // Drawn on a thread of its own: a long receipt's picture takes a while, and the printer
        // serves on meanwhile.
        m_drawing.run([this, id = request.id, receipt = kept->receipt, response](
                              const emulator::Renderer &renderer) mutable {
            QBuffer buffer(&response.body);
            buffer.open(QIODevice::WriteOnly);
            renderer.writeReceiptPng(receipt, &buffer);
            response.contentType = "image/png";
            return [this, id, response] {
                m_server.respond(id, response);
            };
        });
        return;
    }
    if (kind == "json") {
        auto cached = m_json.find(kept->number);
        if (cached == m_json.end())
            cached = m_json.insert(kept->number,
                                   emulator::ReceiptJson::receipt(kept->receipt, kept->source));
        response.body = *cached;
        response.contentType = "application/json";
    } else if (kind == "txt") {
        response.body = emulator::ReceiptText::transcript({kept->receipt});
    } else {
        response.body = kept->log.join(u'\n').toUtf8();
        if (!response.body.isEmpty())
            response.body += '\n';
    }
    m_server.respond(request.id, response);
}

void HttpApi::print(const HttpRequest &request)
{
    auto *job = new HttpSource(request.body);
    connect(job,
            &HttpSource::printed,
            this,
            [this, id = request.id](
                    const QList<int> &receipts, const QByteArray &answers, qint64 leftOut) {
                QJsonArray numbers;
                for (const int number : receipts)
                    numbers.append(number);
                QJsonObject body{{u"receipts"_s, numbers},
                                 {u"answers"_s, QString::fromLatin1(answers.toHex())}};
                // Past the bound the answers are counted only.
                if (leftOut > 0)
                    body.insert(u"answers_left_out"_s, leftOut);
                m_server.respond(id, json(body));
            });
    m_printer->print(job);
}

void HttpApi::webPrnt(const HttpRequest &request)
{
    WebPrntService::print(request, m_printer, &m_server);
}

void HttpApi::status(const HttpRequest &request)
{
    m_server.respond(request.id, json(statusObject()));
}

void HttpApi::setStatus(const HttpRequest &request)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
    if (!document.isObject()) {
        m_server.respond(request.id, HttpResponse::error(400, u"the body is not a JSON object"_s));
        return;
    }
    emulator::StatusConditions conditions = m_printer->status();
    bool answering = m_printer->answering();
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const auto table = emulator::statusConditionTable();
        const auto condition = std::find_if(
                table.begin(), table.end(), [&it](const emulator::StatusCondition &row) {
                    return it.key() == QLatin1StringView(row.key);
                });
        const bool noReply = it.key() == QLatin1StringView(NoReplyKey);
        QString problem;
        if (condition == table.end() && !noReply)
            problem = u"unknown status condition \"%1\""_s.arg(it.key());
        else if (!it.value().isBool())
            problem = u"\"%1\" takes true or false"_s.arg(it.key());
        if (!problem.isEmpty()) {
            m_server.respond(request.id, HttpResponse::error(400, problem));
            return;
        }
        if (noReply)
            answering = !it.value().toBool();
        else
            conditions.*condition->flag = it.value().toBool();
    }
    m_printer->setAnswering(answering);
    m_printer->setStatus(conditions);
    m_server.respond(request.id, json(statusObject()));
}

void HttpApi::events(const HttpRequest &request)
{
    m_server.openStream(request.id,
                        {200,
                         "text/event-stream",
                         {},
                         {{"Cache-Control", "no-cache"}, {"X-Accel-Buffering", "no"}}});
    m_streams.insert(request.id);
    m_keepAlive.start();
    // The conditions as they are, so that a page starts from them.
    m_server.send(request.id,
                  "retry: 1000\nevent: status\ndata: "
                          + QJsonDocument(statusObject()).toJson(QJsonDocument::Compact) + "\n\n");
}

void HttpApi::broadcast(const QByteArray &event, const QJsonObject &data)
{
    const QByteArray message = "event: " + event + "\ndata: "
                               + QJsonDocument(data).toJson(QJsonDocument::Compact) + "\n\n";
    for (const quint64 id : QSet(m_streams)) {
        if (!m_server.send(id, message))
            m_streams.remove(id);
    }
}

} // namespace vprinter
