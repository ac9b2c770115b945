#include "CloudPrntClient.h"

#include "HttpSource.h"
#include "PrinterServer.h"

#include <QCoreApplication>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QPainter>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

// The printer's address as the server knows it: one locally administered MAC address.
constexpr char PrinterMac[] = "02:76:70:00:00:01";

// The status code reported beside the Star status: the first condition that holds, in this
// order; "200 OK" when none does.
struct StatusCode
{
    bool emulator::StatusConditions::*flag;
    const char *code;
};
constexpr StatusCode StatusCodes[] = {
        {&emulator::StatusConditions::coverOpen, "420 Cover Open"},
        {&emulator::StatusConditions::paperEnd, "410 Paper Out"},
        {&emulator::StatusConditions::paperJamAtExit, "411 Paper Jam"},
        {&emulator::StatusConditions::cutterError, "500 Cutter Error"},
        {&emulator::StatusConditions::voltageOutOfRange, "500 Printer Error"},
        {&emulator::StatusConditions::ramError, "500 Printer Error"},
        {&emulator::StatusConditions::eepromError, "500 Printer Error"},
        {&emulator::StatusConditions::paperNearEnd, "210 Paper Low"},
        {&emulator::StatusConditions::nearEnd, "210 Paper Low"},
};

QString statusCode(const emulator::StatusConditions &conditions)
{
    for (const StatusCode &row : StatusCodes) {
        if (conditions.*row.flag)
            return QString::fromLatin1(row.code);
    }
    return u"200 OK"_s;
}

// The job's media type: the command set its bytes are read in, or how they are made into
// Star Line mode bytes.
enum class Conversion { None, Picture, Text };
struct MediaType
{
    const char *name;
    std::optional<emulator::CommandSetKind> set;
    Conversion conversion;
};
constexpr MediaType Types[] = {
        {"application/vnd.star.line", emulator::CommandSetKind::StarLine, Conversion::None},
        {"application/vnd.star.starprnt", emulator::CommandSetKind::StarPrnt, Conversion::None},
        {"application/vnd.escpos", emulator::CommandSetKind::EscPos, Conversion::None},
        {"image/png", emulator::CommandSetKind::StarLine, Conversion::Picture},
        {"image/jpeg", emulator::CommandSetKind::StarLine, Conversion::Picture},
        {"text/plain", emulator::CommandSetKind::StarLine, Conversion::Text},
};

// ESC d 3: feed to the cutter and cut partly, ending the job's receipt as the printer does.
constexpr QByteArrayView Cut = "\x1b\x64\x03";

// A picture as a raster image (ESC GS S) no wider than the paper, then the cut. Runs on the
// pictures' thread.
QByteArray pictureJob(const QByteArray &data, int paperDots, QString *error)
{
    QImage picture = QImage::fromData(data);
    if (picture.isNull()) {
        *error = u"the picture cannot be read"_s;
        return {};
    }
    if (picture.width() > paperDots)
        picture = picture.scaledToWidth(paperDots, Qt::SmoothTransformation);
    if (picture.height() > 0xFFFF) {
        *error = u"the picture is %1 dots long"_s.arg(picture.height());
        return {};
    }
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, picture);
    const QImage mono = flat.convertToFormat(QImage::Format_Mono, Qt::MonoOnly | Qt::DiffuseDither);
    const bool blackIsOne = qGray(mono.color(1)) < 128;
    const int rowBytes = (mono.width() + 7) / 8;
    QByteArray bytes("\x1b\x1dS\x01", 4);
    bytes += char(rowBytes & 0xFF);
    bytes += char(rowBytes >> 8);
    bytes += char(mono.height() & 0xFF);
    bytes += char(mono.height() >> 8);
    bytes += '\0';
    for (int y = 0; y < mono.height(); ++y) {
        const uchar *line = mono.constScanLine(y);
        for (int x = 0; x < rowBytes; ++x) {
            uchar byte = blackIsOne ? line[x] : uchar(~line[x]);
            if (x == rowBytes - 1 && mono.width() % 8)
                byte &= uchar(0xFF << (8 - mono.width() % 8));
            bytes += char(byte);
        }
    }
    return bytes + Cut.toByteArray();
}

} // namespace

const QStringList CloudPrntClient::MediaTypes = [] {
    QStringList names;
    for (const MediaType &type : Types)
        names.append(QString::fromLatin1(type.name));
    return names;
}();

CloudPrntClient::CloudPrntClient(PrinterServer *printer,
                                 const QUrl &server,
                                 int intervalMs,
                                 QObject *parent)
    : QObject(parent)
    , m_printer(printer)
    , m_server(server)
    , m_intervalMs(intervalMs)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CloudPrntClient::cycle);
    // A server that holds a request is given up on after twice the interval (1 to 30 s).
    m_network.setTransferTimeout(qBound(1000, 2 * intervalMs, 30000));
}

void CloudPrntClient::start()
{
    m_printer->report(u"cloudprnt: polling %1 every %2 s"_s.arg(m_server.toString())
                              .arg(m_intervalMs / 1000.0));
    cycle();
}

void CloudPrntClient::next()
{
    m_timer.start(m_intervalMs);
}

// A job printed and not yet confirmed is confirmed before anything else: never fetched again.
void CloudPrntClient::cycle()
{
    if (m_unconfirmed)
        confirm();
    else
        poll();
}

QNetworkReply *CloudPrntClient::send(const QByteArray &method,
                                     const QUrl &url,
                                     const QByteArray &body)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      u"virtual-printer/%1"_s.arg(QCoreApplication::applicationVersion()));
    if (!body.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_s);
    return m_network.sendCustomRequest(request, method, body);
}

bool CloudPrntClient::failed(QNetworkReply *reply, const QString &exchange)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    QString kind;
    QString text;
    if (reply->error() == QNetworkReply::OperationCanceledError
        || reply->error() == QNetworkReply::TimeoutError) {
        kind = u"time-out"_s;
        text = u"the server did not answer within %1 s"_s.arg(m_network.transferTimeout() / 1000.0);
    } else if (status >= 300 || (status == 0 && reply->error() != QNetworkReply::NoError)) {
        kind = status ? u"status"_s : u"network"_s;
        text = status ? u"the server answered %1 %2"_s.arg(status).arg(
                       reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
                      : u"cannot reach the server: %1"_s.arg(reply->errorString());
    } else if (reply->error() != QNetworkReply::NoError) {
        kind = u"network"_s;
        text = reply->errorString();
    }
    if (kind.isEmpty()) {
        if (!m_failure.isEmpty())
            m_printer->report(u"cloudprnt: the server answers again; recovered"_s);
        m_failure.clear();
        return false;
    }
    if (kind != m_failure)
        m_printer->report(u"cloudprnt: %1: %2; polling on"_s.arg(exchange, text));
    m_failure = kind;
    return true;
}

void CloudPrntClient::poll()
{
    const QJsonObject body{
            {u"status"_s, QString::fromLatin1(m_printer->status().star().toHex())},
            {u"printerMAC"_s, QString::fromLatin1(PrinterMac)},
            {u"statusCode"_s,
             QString::fromLatin1(QUrl::toPercentEncoding(statusCode(m_printer->status())))},
            {u"printingInProgress"_s, !m_printer->activeSource().isEmpty()},
            {u"clientAction"_s,
             m_actionResults.isEmpty() ? QJsonValue() : QJsonValue(m_actionResults)},
    };
    m_actionResults = {};
    QNetworkReply *reply = send(
            "POST", m_server, QJsonDocument(body).toJson(QJsonDocument::Compact));
    connect(reply, &QNetworkReply::finished, this, [this, reply] { polled(reply); });
}

void CloudPrntClient::polled(QNetworkReply *reply)
{
    reply->deleteLater();
    if (failed(reply, u"poll"_s))
        return next();
    const QJsonObject answer = QJsonDocument::fromJson(reply->read(MaxJobBytes)).object();
    // The server's questions about the printer, answered with the next poll.
    for (const QJsonValue action : answer.value(u"clientAction"_s).toArray()) {
        const QString request = action.toObject().value(u"request"_s).toString();
        QString result;
        if (request == u"GetPollInterval"_s)
            result = QString::number(m_intervalMs / 1000);
        else if (request == u"Encodings"_s)
            result = MediaTypes.join(u"; "_s);
        else if (request == u"ClientType"_s)
            result = u"virtual-printer"_s;
        else if (request == u"ClientVersion"_s)
            result = QCoreApplication::applicationVersion();
        m_actionResults.append(QJsonObject{{u"request"_s, request}, {u"result"_s, result}});
    }
    if (!answer.value(u"jobReady"_s).toBool())
        return next();
    Job job;
    job.token = answer.value(u"jobToken"_s).toString();
    const QUrl confirmUrl(answer.value(u"jobConfirmationUrl"_s).toString());
    job.confirmUrl = confirmUrl.isValid() && !confirmUrl.isEmpty() ? m_server.resolved(confirmUrl)
                                                                   : m_server;
    job.confirmByGet = answer.value(u"deleteMethod"_s).toString() == u"GET"_s;
    QStringList offered;
    for (const QJsonValue type : answer.value(u"mediaTypes"_s).toArray())
        offered.append(type.toString());
    const QUrl getUrl(answer.value(u"jobGetUrl"_s).toString());
    job.getUrl = getUrl.isValid() && !getUrl.isEmpty() ? m_server.resolved(getUrl) : m_server;
    fetch(job, offered);
}

void CloudPrntClient::fetch(const Job &job, const QStringList &offered)
{
    QUrl url = job.getUrl;
    const auto type = std::find_if(MediaTypes.begin(),
                                   MediaTypes.end(),
                                   [&offered](const QString &t) { return offered.contains(t); });
    if (type == MediaTypes.end()) {
        m_printer->report(u"cloudprnt: the job is offered as %1; none of them prints here"_s.arg(
                offered.join(u", "_s)));
        m_unconfirmed = {job, u"415 Unsupported Media Type"_s};
        return confirm();
    }
    QUrlQuery query(url);
    query.addQueryItem(u"type"_s, *type);
    query.addQueryItem(u"mac"_s, QString::fromLatin1(PrinterMac));
    if (!job.token.isEmpty())
        query.addQueryItem(u"token"_s, job.token);
    url.setQuery(query);
    QNetworkReply *reply = send("GET", url);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > MaxJobBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, job, type = *type] {
        fetched(reply, job, type);
    });
}

void CloudPrntClient::fetched(QNetworkReply *reply, const Job &job, const QString &type)
{
    reply->deleteLater();
    if (failed(reply, u"job %1"_s.arg(job.token)))
        return next(); // not fetched: offered again at the next poll
    if (reply->bytesAvailable() > MaxJobBytes) {
        m_unconfirmed = {job, u"413 Job Too Large"_s};
        return confirm();
    }
    const QByteArray data = reply->readAll();
    const MediaType &media = *std::find_if(
            std::begin(Types), std::end(Types), [&type](const MediaType &t) {
                return type == QLatin1StringView(t.name);
            });
    m_printer->report(u"cloudprnt: job %1 fetched as %2, %3 bytes"_s
                              .arg(job.token.isEmpty() ? u"(no token)"_s : job.token, type)
                              .arg(data.size()));
    if (media.conversion == Conversion::Text) {
        QByteArray text = data;
        if (!text.endsWith('\n'))
            text += '\n';
        return print(text + Cut.toByteArray(), job, type, media.set);
    }
    if (media.conversion == Conversion::None)
        return print(data, job, type, media.set);
    // Pictures are decoded on a thread of their own, as the printer's other slow work is.
    const int paperDots = m_printer->interpreter().printer().profile().paperDots;
    m_pictures.run([this, data, paperDots, job, type, set = media.set](const emulator::Renderer &) {
        QString error;
        const QByteArray bytes = pictureJob(data, paperDots, &error);
        return std::function<void()>([this, bytes, error, job, type, set] {
            if (!error.isEmpty()) {
                m_printer->report(u"cloudprnt: job not printed: %1"_s.arg(error));
                m_unconfirmed = {job, u"510 Job Could Not Be Printed"_s};
                return confirm();
            }
            print(bytes, job, type, set);
        });
    });
}

void CloudPrntClient::print(const QByteArray &bytes,
                            const Job &job,
                            const QString &type,
                            std::optional<emulator::CommandSetKind> set)
{
    auto *source = new HttpSource(bytes, u"cloudprnt"_s, set);
    connect(source, &HttpSource::printed, this, [this, job, type](const QList<int> &receipts) {
        QStringList numbers;
        for (const int number : receipts)
            numbers.append(QString::number(number));
        m_printer->report(u"cloudprnt: job %1 (%2) printed as receipt %3"_s.arg(
                job.token.isEmpty() ? u"(no token)"_s : job.token,
                type,
                numbers.isEmpty() ? u"none"_s : numbers.join(u", "_s)));
        m_unconfirmed = {job, u"200 OK"_s};
        confirm();
    });
    m_printer->print(source);
}

void CloudPrntClient::confirm()
{
    const auto &[job, code] = *m_unconfirmed;
    QUrl url = job.confirmUrl;
    QUrlQuery query(url);
    query.addQueryItem(u"code"_s, code);
    query.addQueryItem(u"mac"_s, QString::fromLatin1(PrinterMac));
    if (!job.token.isEmpty())
        query.addQueryItem(u"token"_s, job.token);
    if (job.confirmByGet)
        query.addQueryItem(u"delete"_s, {});
    url.setQuery(query);
    QNetworkReply *reply = send(job.confirmByGet ? "GET" : "DELETE", url);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { confirmed(reply); });
}

void CloudPrntClient::confirmed(QNetworkReply *reply)
{
    reply->deleteLater();
    if (!failed(reply, u"confirming job %1"_s.arg(m_unconfirmed->first.token))) {
        m_printer->report(u"cloudprnt: job %1 confirmed with %2"_s.arg(
                m_unconfirmed->first.token.isEmpty() ? u"(no token)"_s : m_unconfirmed->first.token,
                m_unconfirmed->second));
        m_unconfirmed.reset();
    }
    next();
}

} // namespace vprinter
