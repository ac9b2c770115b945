// The HTTP API of the real program on loopback: routes, errors, the body limit, the hosts it
// answers to, cross-origin access, status conditions in a TCP client's answers, the event stream
// and its connection limit.

#include "HeadlessPrinter.h"
#include "HttpReply.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString program = QStringLiteral(VIRTUAL_PRINTER_PATH);
constexpr int Patience = HttpReply::Patience;
constexpr qsizetype MaxBody = qsizetype(16) * 1024 * 1024;
const QByteArray AllClear = R"({"near_end": false, "paper_jam": false, "paper_near_end": false,
    "cover_open": false, "voltage": false, "cutter_error": false, "ram_error": false,
    "eeprom_error": false, "paper_end": false, "drawer": false, "no_reply": false})";

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// The status line of the answer to a request written as it stands, or what came instead.
QByteArray rawStatusLine(quint16 port, const QByteArray &request)
{
    QTcpSocket client;
    if (!HeadlessPrinter::reach(client, port))
        return "no connection";
    client.write(request);
    QByteArray received;
    while (!received.contains("\r\n") && client.waitForReadyRead(Patience))
        received += client.readAll();
    return received.left(received.indexOf("\r\n"));
}

} // namespace

class HttpApiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void routes_data();
    void routes();
    void receiptFiles();
    void statusBodies_data();
    void statusBodies();
    void statusAnswers_data();
    void statusAnswers();
    void automaticStatus();
    void print_data();
    void print();
    void bodyLimit();
    void answerLimit_data();
    void answerLimit();
    void crossOrigin_data();
    void crossOrigin();
    void hosts_data();
    void hosts();
    void connectionLimit();
    void savesWhatItPrintedWhenStopped();
    void events();
    void forget();

private:
    HttpReply request(const QByteArray &method,
                      const QString &path,
                      const QByteArray &body = {},
                      const QList<std::pair<QByteArray, QByteArray>> &headers = {},
                      quint16 port = 0)
    {
        return httpRequest(
                m_network, port ? port : m_printer.httpPort(), method, path, body, headers);
    }
    int printReceipt(const QByteArray &bytes);

    HeadlessPrinter m_printer{program};
    HeadlessPrinter m_open{program}; // the same with --http-origin, on 58 mm paper
    QNetworkAccessManager m_network;
};

void HttpApiTest::initTestCase()
{
    QVERIFY(m_printer.start(
            u"--listen 127.0.0.1:0 --http 127.0.0.1:0 --idle-timeout 0"_s.split(u' ')));
    QVERIFY(m_open.start(u"--listen 127.0.0.1:0 --paper 58 --http 127.0.0.1:0 --http-origin"
                         " http://pos.example --http-host Printer.Local"_s.split(u' ')));
}

void HttpApiTest::init()
{
    QCOMPARE(request("PUT", u"/api/status"_s, AllClear).status, 200);
}

// Prints the bytes through the API; the number of the one receipt they make.
int HttpApiTest::printReceipt(const QByteArray &bytes)
{
    const HttpReply reply = request("POST", u"/api/print"_s, bytes);
    const QJsonArray receipts = reply.json()[u"receipts"_s].toArray();
    return receipts.size() == 1 ? receipts.first().toInt() : -1;
}

void HttpApiTest::routes_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path"); // %1 is a receipt's number
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("type");

    // clang-format off
    QTest::newRow("page")                << "GET"_ba    << u"/"_s                         << 200 << "text/html; charset=utf-8"_ba;
    QTest::newRow("style")               << "GET"_ba    << u"/page.css"_s                 << 200 << "text/css; charset=utf-8"_ba;
    QTest::newRow("script")              << "GET"_ba    << u"/page.js"_s                  << 200 << "text/javascript; charset=utf-8"_ba;
    QTest::newRow("list")                << "GET"_ba    << u"/api/receipts"_s             << 200 << "application/json"_ba;
    QTest::newRow("picture")             << "GET"_ba    << u"/api/receipts/%1.png"_s      << 200 << "image/png"_ba;
    QTest::newRow("json")                << "GET"_ba    << u"/api/receipts/%1.json"_s     << 200 << "application/json"_ba;
    QTest::newRow("text")                << "GET"_ba    << u"/api/receipts/%1.txt"_s      << 200 << "text/plain; charset=utf-8"_ba;
    QTest::newRow("log")                 << "GET"_ba    << u"/api/receipts/%1.log"_s      << 200 << "text/plain; charset=utf-8"_ba;
    QTest::newRow("latest")              << "GET"_ba    << u"/api/receipts/latest.png"_s  << 200 << "image/png"_ba;
    QTest::newRow("status")              << "GET"_ba    << u"/api/status"_s               << 200 << "application/json"_ba;
    QTest::newRow("head of the page")    << "HEAD"_ba   << u"/"_s                         << 200 << "text/html; charset=utf-8"_ba;
    QTest::newRow("unknown number")      << "GET"_ba    << u"/api/receipts/99999.png"_s   << 404 << "application/json"_ba;
    QTest::newRow("unknown kind")        << "GET"_ba    << u"/api/receipts/%1.pdf"_s      << 404 << "application/json"_ba;
    QTest::newRow("not a number")        << "GET"_ba    << u"/api/receipts/first.json"_s  << 404 << "application/json"_ba;
    QTest::newRow("no kind")             << "GET"_ba    << u"/api/receipts/%1"_s          << 404 << "application/json"_ba;
    QTest::newRow("a zero byte after")   << "GET"_ba    << u"/api/receipts/latest.png%00"_s << 404 << "application/json"_ba;
    QTest::newRow("a plus sign")         << "GET"_ba    << u"/api/receipts/+%1.png"_s     << 404 << "application/json"_ba;
    QTest::newRow("a space before")      << "GET"_ba    << u"/api/receipts/%20%1.png"_s   << 404 << "application/json"_ba;
    QTest::newRow("a leading zero")      << "GET"_ba    << u"/api/receipts/0%1.json"_s    << 404 << "application/json"_ba;
    QTest::newRow("unknown route")       << "GET"_ba    << u"/api/printer"_s              << 404 << "application/json"_ba;
    QTest::newRow("asset not built in")  << "GET"_ba    << u"/index.html"_s               << 404 << "application/json"_ba;
    QTest::newRow("POST the list")       << "POST"_ba   << u"/api/receipts"_s             << 405 << "application/json"_ba;
    QTest::newRow("PUT a receipt")       << "PUT"_ba    << u"/api/receipts/%1.json"_s     << 405 << "application/json"_ba;
    QTest::newRow("DELETE a receipt")    << "DELETE"_ba << u"/api/receipts/%1.json"_s     << 405 << "application/json"_ba;
    QTest::newRow("GET print")           << "GET"_ba    << u"/api/print"_s                << 405 << "application/json"_ba;
    QTest::newRow("DELETE status")       << "DELETE"_ba << u"/api/status"_s               << 405 << "application/json"_ba;
    QTest::newRow("POST events")         << "POST"_ba   << u"/api/events"_s               << 405 << "application/json"_ba;
    QTest::newRow("POST the page")       << "POST"_ba   << u"/"_s                         << 405 << "application/json"_ba;
    // clang-format on
}

void HttpApiTest::routes()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QByteArray, type);

    const int number = printReceipt(hex("48 69 0A 1D 56 00")); // "Hi", LF, GS V 0
    QVERIFY(number > 0);
    const HttpReply reply = request(method, path.contains(u"%1"_s) ? path.arg(number) : path);
    QCOMPARE(reply.status, status);
    QCOMPARE(reply.headers.value("content-type"), type);
    if (status >= 400)
        QVERIFY(reply.json()[u"error"_s].isString());
    if (status == 405)
        QVERIFY(!reply.headers.value("allow").isEmpty());
    if (path == u"/"_s && status == 200) {
        QCOMPARE(reply.headers.value("cache-control"), "no-cache");
        QCOMPARE(reply.headers.value("content-security-policy").left(18), "default-src 'self'");
    }
}

void HttpApiTest::receiptFiles()
{
    // "Hello", LF, GS V 0: a line and a full cut.
    const int number = printReceipt(hex("48 65 6C 6C 6F 0A 1D 56 00"));
    QVERIFY(number > 0);
    const QString file = u"/api/receipts/%1"_s.arg(number);

    QCOMPARE(request("GET", file + u".txt"_s).body, "Hello\n--- full cut ---\n");
    QCOMPARE(request("GET", file + u".log"_s).body,
             "  48 65 6C 6C 6F            text \"Hello\"\n"
             "  0A                        LF  print and line feed\n"
             "  1D 56 00                  GS V 0  full cut\n");
    QCOMPARE(request("GET", file + u".png"_s).body.left(8), hex("89 50 4E 47 0D 0A 1A 0A"));
    const QJsonObject receipt = request("GET", file + u".json"_s).json().toObject();
    QCOMPARE(receipt[u"number"_s].toInt(), number);
    QCOMPARE(receipt[u"lines"_s].toArray(), QJsonArray{u"Hello"_s});
    QCOMPARE(receipt[u"cut"_s].toString(), u"full"_s);

    const QJsonArray list = request("GET", u"/api/receipts"_s).json().toArray();
    const QJsonObject summary = list.last().toObject();
    QCOMPARE(summary[u"number"_s].toInt(), number);
    QCOMPARE(summary[u"source"_s].toString(), u"http"_s);
    QCOMPARE(summary[u"cut"_s].toString(), u"full"_s);
    QCOMPARE(summary[u"height"_s], receipt[u"height"_s]);
    QCOMPARE(summary[u"png"_s].toString(), file + u".png"_s);
    QCOMPARE(summary[u"json"_s].toString(), file + u".json"_s);
    QCOMPARE(summary[u"text"_s].toString(), file + u".txt"_s);
    QCOMPARE(summary[u"log"_s].toString(), file + u".log"_s);
    QVERIFY(summary[u"time"_s].toString().endsWith(u'Z'));
    QCOMPARE(request("GET", u"/api/receipts/latest.json"_s).json().toObject(), receipt);

    // On 58 mm paper a line holds 32 characters of font A.
    const quint16 narrow = m_open.httpPort();
    QCOMPARE(request("POST", u"/api/print"_s, QByteArray(40, 'A') + '\n', {}, narrow).status, 200);
    QCOMPARE(request("GET", u"/api/receipts/latest.json"_s, {}, {}, narrow).json()[u"lines"_s],
             QJsonArray({QString(32, u'A'), QString(8, u'A')}));
}

void HttpApiTest::statusBodies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("conditions"); // keys that hold afterwards

    // clang-format off
    QTest::newRow("one condition")     << R"({"paper_end": true})"_ba                      << 200 << "paper_end"_ba;
    QTest::newRow("several")           << R"({"cover_open": true, "ram_error": true})"_ba  << 200 << "cover_open ram_error"_ba;
    QTest::newRow("no reply")          << R"({"no_reply": true})"_ba                       << 200 << "no_reply"_ba;
    QTest::newRow("nothing")           << "{}"_ba                                          << 200 << ""_ba;
    QTest::newRow("unknown key")       << R"({"paper_out": true})"_ba                      << 400 << ""_ba;
    QTest::newRow("the drawer's pin")  << R"({"drawer": true})"_ba                         << 200 << "drawer"_ba;
    QTest::newRow("a number")          << R"({"paper_end": 1})"_ba                         << 400 << ""_ba;
    QTest::newRow("good, then bad")    << R"({"cover_open": true, "x": false})"_ba         << 400 << ""_ba;
    QTest::newRow("an array")          << "[true]"_ba                                      << 400 << ""_ba;
    QTest::newRow("not JSON")          << "paper_end=true"_ba                              << 400 << ""_ba;
    // clang-format on
}

void HttpApiTest::statusBodies()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QByteArray, conditions);

    const HttpReply reply = request("PUT", u"/api/status"_s, body);
    QCOMPARE(reply.status, status);
    if (status == 400)
        QVERIFY(reply.json()[u"error"_s].isString());
    const QJsonObject now = request("GET", u"/api/status"_s).json().toObject();
    QCOMPARE(now.keys(), QJsonDocument::fromJson(AllClear).object().keys()); // every condition
    const QList<QByteArray> set = conditions.split(' ');
    for (auto it = now.begin(); it != now.end(); ++it)
        QCOMPARE(it.value().toBool(), set.contains(it.key().toLatin1()));
    if (status == 200)
        QCOMPARE(reply.json().toObject(), now);
}

void HttpApiTest::statusAnswers_data()
{
    QTest::addColumn<QByteArray>("conditions");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");

    // clang-format off
    QTest::newRow("paper end, paper")      << R"({"paper_end": true})"_ba   << hex("10 04 04") << hex("72");
    QTest::newRow("near end, paper")       << R"({"near_end": true})"_ba    << hex("10 04 04") << hex("1E");
    QTest::newRow("cover open, off-line")  << R"({"cover_open": true})"_ba  << hex("10 04 02") << hex("16");
    QTest::newRow("cutter, errors")        << R"({"cutter_error": true})"_ba << hex("10 04 03") << hex("1A");
    QTest::newRow("drawer, printer")       << R"({"drawer": true})"_ba      << hex("10 04 01") << hex("16");
    QTest::newRow("drawer, GS r 2")        << R"({"drawer": true})"_ba      << hex("1D 72 02") << hex("01");
    QTest::newRow("EEPROM, six bytes")     << R"({"eeprom_error": true})"_ba << hex("10 04 14") << hex("1A 52 00 00 00 08");
    // clang-format on
}

void HttpApiTest::statusAnswers()
{
    QFETCH(QByteArray, conditions);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);

    QTcpSocket client;
    QVERIFY(HeadlessPrinter::reach(client, m_printer.port()));
    QCOMPARE(this->request("PUT", u"/api/status"_s, conditions).status, 200);
    client.write(request);
    QByteArray received;
    while (received.size() < answer.size() && client.waitForReadyRead(Patience))
        received += client.readAll();
    QCOMPARE(received.toHex(' '), answer.toHex(' '));
}

void HttpApiTest::automaticStatus()
{
    // GS a 255 turns automatic status back on; DLE EOT 1 marks where its first answers end.
    QTcpSocket client;
    QVERIFY(HeadlessPrinter::reach(client, m_printer.port()));
    client.write(hex("1D 61 FF 10 04 01"));
    QByteArray received;
    while (!received.endsWith(hex("12")) && client.waitForReadyRead(Patience))
        received += client.readAll();
    QVERIFY(received.endsWith(hex("12")));
    QCOMPARE(request("PUT", u"/api/status"_s, R"({"cover_open": true})").status, 200);
    // The answer may have arrived while the request was waited for.
    received = client.readAll();
    while (received.size() < 4 && client.waitForReadyRead(Patience))
        received += client.readAll();
    QCOMPARE(received.toHex(' '), hex("38 00 00 00").toHex(' '));
}

void HttpApiTest::print_data()
{
    QTest::addColumn<QByteArray>("conditions");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("receipts");
    QTest::addColumn<QByteArray>("answers");

    // clang-format off
    QTest::newRow("a status request")     << "{}"_ba                      << hex("10 04 01")                      << 0 << hex("12");
    QTest::newRow("a receipt")            << "{}"_ba                      << hex("41 0A 1D 56 00")                << 1 << QByteArray();
    QTest::newRow("status around it")     << "{}"_ba                      << hex("10 04 01 41 0A 1D 56 00 10 04 04") << 1 << hex("12 12");
    QTest::newRow("two receipts")         << "{}"_ba                      << hex("41 0A 1D 56 00 42 0A 1D 56 01") << 2 << QByteArray();
    QTest::newRow("ended by the request") << "{}"_ba                      << hex("41 0A")                         << 1 << QByteArray();
    QTest::newRow("paper end")            << R"({"paper_end": true})"_ba  << hex("10 04 04")                      << 0 << hex("72");
    QTest::newRow("no reply")             << R"({"no_reply": true})"_ba   << hex("10 04 01")                      << 0 << QByteArray();
    // clang-format on
}

void HttpApiTest::print()
{
    QFETCH(QByteArray, conditions);
    QFETCH(QByteArray, bytes);
    QFETCH(int, receipts);
    QFETCH(QByteArray, answers);

    QCOMPARE(request("PUT", u"/api/status"_s, conditions).status, 200);
    const HttpReply reply = request("POST", u"/api/print"_s, bytes);
    QCOMPARE(reply.status, 200);
    const QJsonObject result = reply.json().toObject();
    QCOMPARE(result.keys(), QStringList({u"answers"_s, u"receipts"_s}));
    QCOMPARE(result[u"answers"_s].toString().toLatin1(), answers.toHex());
    const QJsonArray numbers = result[u"receipts"_s].toArray();
    QCOMPARE(numbers.size(), receipts);
    const QJsonArray kept = request("GET", u"/api/receipts"_s).json().toArray();
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        const QJsonObject summary = kept.at(kept.size() - numbers.size() + i).toObject();
        QCOMPARE(summary[u"number"_s], numbers.at(i));
    }
}

void HttpApiTest::bodyLimit()
{
    // A body announced one byte too long is refused before it is sent.
    QTcpSocket client;
    QVERIFY(HeadlessPrinter::reach(client, m_printer.httpPort()));
    client.write("POST /api/print HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: "
                 + QByteArray::number(MaxBody + 1) + "\r\n\r\n" + QByteArray(4096, '\n'));
    QByteArray received;
    while (!received.contains("\r\n\r\n") && client.waitForReadyRead(Patience))
        received += client.readAll();
    QVERIFY2(received.startsWith("HTTP/1.1 413 "), received.constData());

    // Exactly the limit prints: a raster image of 256 × 65535 bytes, which the printer passes
    // over as too large to hold, and line feeds to fill the rest.
    QByteArray bytes = hex("1D 76 30 00 00 01 FF FF");
    bytes += QByteArray(qsizetype(256) * 65535, '\0');
    bytes += QByteArray(MaxBody - bytes.size(), '\n');
    QCOMPARE(bytes.size(), MaxBody);
    const HttpReply reply = request("POST", u"/api/print"_s, bytes);
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.json()[u"answers"_s].toString(), QString());
    QVERIFY(m_printer.serves());

    // A body that arrives in many pieces prints whole: 300 KB of numbered lines, a cut after
    // every 2,000 (a receipt keeps its last 12 m), every line on its receipt.
    QByteArray lines;
    int count = 0;
    while (lines.size() < qsizetype(300) * 1000) {
        lines += "line " + QByteArray::number(count).rightJustified(6, '0') + '\n';
        if (++count % 2000 == 0)
            lines += hex("1D 56 00");
    }
    const HttpReply printed = request("POST", u"/api/print"_s, lines + hex("1D 56 00"));
    QCOMPARE(printed.status, 200);
    qsizetype found = 0;
    for (const QJsonValue number : printed.json()[u"receipts"_s].toArray())
        found += request("GET", u"/api/receipts/%1.txt"_s.arg(number.toInt())).body.count("line ");
    QCOMPARE(found, count);
}

// A print request's answers are kept up to the 256 KiB a network client may leave unread; the
// rest are counted, so that a body of requests cannot make the printer hold answers without end.
void HttpApiTest::answerLimit_data()
{
    QTest::addColumn<int>("requests"); // GS I 66, the printer's maker
    QTest::addColumn<bool>("cut");

    QTest::newRow("just within") << 1000 << false;
    QTest::newRow("past the bound") << 100000 << true;
}

void HttpApiTest::answerLimit()
{
    QFETCH(int, requests);
    QFETCH(bool, cut);

    constexpr qsizetype Bound = qsizetype(256) * 1024;
    const QByteArray one = QByteArray::fromHex(request("POST", u"/api/print"_s, hex("1D 49 42"))
                                                       .json()[u"answers"_s]
                                                       .toString()
                                                       .toLatin1());
    QVERIFY(!one.isEmpty());
    const HttpReply reply = request("POST", u"/api/print"_s, hex("1D 49 42").repeated(requests));
    QCOMPARE(reply.status, 200);
    const QJsonObject result = reply.json().toObject();
    const qint64 total = qint64(one.size()) * requests;
    QCOMPARE(result[u"answers"_s].toString().size(), 2 * qMin(total, qint64(Bound)));
    QCOMPARE(result.contains(u"answers_left_out"_s), cut);
    QCOMPARE(result[u"answers_left_out"_s].toInteger(), cut ? total - Bound : 0);
}

void HttpApiTest::crossOrigin_data()
{
    QTest::addColumn<bool>("allowing"); // started with --http-origin http://pos.example
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("origin");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("allowOrigin");

    // clang-format off
    QTest::newRow("no origin")              << false << "GET"_ba     << ""_ba                     << 200 << ""_ba;
    QTest::newRow("other page")             << false << "GET"_ba     << "http://pos.example"_ba   << 403 << ""_ba;
    QTest::newRow("other page's print")     << false << "POST"_ba    << "http://pos.example"_ba   << 403 << ""_ba;
    QTest::newRow("other page's preflight") << false << "OPTIONS"_ba << "http://pos.example"_ba   << 403 << ""_ba;
    QTest::newRow("allowed page")           << true  << "GET"_ba     << "http://pos.example"_ba   << 200 << "http://pos.example"_ba;
    QTest::newRow("allowed page's print")   << true  << "POST"_ba    << "http://pos.example"_ba   << 200 << "http://pos.example"_ba;
    QTest::newRow("allowed preflight")      << true  << "OPTIONS"_ba << "http://pos.example"_ba   << 204 << "http://pos.example"_ba;
    QTest::newRow("page not allowed")       << true  << "OPTIONS"_ba << "http://evil.example"_ba  << 403 << ""_ba;
    QTest::newRow("not allowed, printing")  << true  << "POST"_ba    << "https://pos.example"_ba  << 403 << ""_ba;
    // clang-format on
}

void HttpApiTest::crossOrigin()
{
    QFETCH(bool, allowing);
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, origin);
    QFETCH(int, status);
    QFETCH(QByteArray, allowOrigin);

    QList<std::pair<QByteArray, QByteArray>> headers;
    if (!origin.isEmpty())
        headers.append(std::pair{"Origin"_ba, origin});
    if (method == "OPTIONS")
        headers.append(std::pair{"Access-Control-Request-Method"_ba, "POST"_ba});
    const QString path = method == "GET" ? u"/api/status"_s : u"/api/print"_s;
    const QByteArray body = method == "POST" ? hex("10 04 01") : QByteArray();
    const HttpReply reply = request(
            method, path, body, headers, allowing ? m_open.httpPort() : m_printer.httpPort());
    QCOMPARE(reply.status, status);
    QCOMPARE(reply.headers.value("access-control-allow-origin"), allowOrigin);
    QCOMPARE(reply.headers.value("access-control-allow-methods").contains("POST"), status == 204);
    if (method == "POST")
        QCOMPARE(reply.json()[u"answers"_s].toString(), status == 200 ? u"12"_s : QString());
}

// A page of another site whose name was pointed at 127.0.0.1 sends that name as the Host: it is
// refused, whatever its Origin says; the names of this machine are served.
void HttpApiTest::hosts_data()
{
    QTest::addColumn<bool>("naming");     // started with --http-host Printer.Local
    QTest::addColumn<QByteArray>("head"); // the request line and headers; "PORT" is the port
    QTest::addColumn<QByteArray>("status");

    // clang-format off
    QTest::newRow("localhost")              << false << "GET /api/status HTTP/1.1\r\nHost: localhost:PORT"_ba << "200"_ba;
    QTest::newRow("127.0.0.1, no port")     << false << "GET /api/status HTTP/1.1\r\nHost: 127.0.0.1"_ba << "200"_ba;
    QTest::newRow("[::1]")                  << false << "GET /api/status HTTP/1.1\r\nHost: [::1]:PORT"_ba << "200"_ba;
    QTest::newRow("LOCALHOST")              << false << "GET /api/status HTTP/1.1\r\nHost: LOCALHOST:PORT"_ba << "200"_ba;
    QTest::newRow("page of localhost")      << false << "PUT /api/status HTTP/1.1\r\nHost: localhost:PORT\r\nOrigin: http://localhost:PORT\r\nContent-Length: 2\r\n\r\n{}"_ba << "200"_ba;
    QTest::newRow("rebound page")           << false << "PUT /api/status HTTP/1.1\r\nHost: rebound.example:PORT\r\nOrigin: http://rebound.example:PORT\r\nContent-Length: 20\r\n\r\n{\"paper_end\": true}"_ba << "403"_ba;
    QTest::newRow("rebound page's print")   << false << "POST /api/print HTTP/1.1\r\nHost: rebound.example:PORT\r\nOrigin: http://rebound.example:PORT\r\nContent-Length: 3\r\n\r\n\x10\x04\x01"_ba << "403"_ba;
    QTest::newRow("rebound name, no origin") << false << "GET /api/receipts HTTP/1.1\r\nHost: rebound.example:PORT"_ba << "403"_ba;
    QTest::newRow("a name ending in one")   << false << "GET /api/status HTTP/1.1\r\nHost: localhost.rebound.example"_ba << "403"_ba;
    QTest::newRow("a port that is none")    << false << "GET /api/status HTTP/1.1\r\nHost: localhost:8o"_ba << "403"_ba;
    QTest::newRow("no Host, HTTP/1.1")      << false << "GET /api/status HTTP/1.1"_ba << "400"_ba;
    QTest::newRow("no Host, HTTP/1.0")      << false << "GET /api/status HTTP/1.0"_ba << "200"_ba;
    QTest::newRow("--http-host name")       << true  << "GET /api/status HTTP/1.1\r\nHost: printer.local:PORT"_ba << "200"_ba;
    QTest::newRow("its page")               << true  << "PUT /api/status HTTP/1.1\r\nHost: printer.local\r\nOrigin: http://printer.local\r\nContent-Length: 2\r\n\r\n{}"_ba << "200"_ba;
    QTest::newRow("two lengths")            << false << "POST /api/print HTTP/1.1\r\nHost: localhost\r\nContent-Length: 3\r\nContent-Length: 1\r\n\r\n\x10\x04\x01"_ba << "400"_ba;
    QTest::newRow("that name elsewhere")    << false << "GET /api/status HTTP/1.1\r\nHost: printer.local:PORT"_ba << "403"_ba;
    // clang-format on
}

void HttpApiTest::hosts()
{
    QFETCH(bool, naming);
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, status);

    const quint16 port = naming ? m_open.httpPort() : m_printer.httpPort();
    QByteArray bytes = head.replace("PORT", QByteArray::number(port));
    if (!bytes.contains("\r\n\r\n"))
        bytes += "\r\n\r\n";
    const QByteArray line = rawStatusLine(port, bytes);
    QVERIFY2(line.startsWith("HTTP/1.") && line.mid(9, 3) == status, line.constData());
    // A refused request changed nothing.
    QCOMPARE(request("GET", u"/api/status"_s).json()[u"paper_end"_s].toBool(), false);
}

// Every connection the server holds is taken and given back: the next is served.
void HttpApiTest::connectionLimit()
{
    m_network.clearConnectionCache();
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < 64; ++i) {
        auto &client = clients.emplace_back(std::make_unique<QTcpSocket>());
        QVERIFY(HeadlessPrinter::reach(*client, m_printer.httpPort()));
        client->write("GET /api/status HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QVERIFY(client->waitForReadyRead(Patience));
    }
    clients.clear();
    QCOMPARE(request("GET", u"/api/status"_s).status, 200);
}

// A printer told to stop (SIGTERM, as a service manager or a test does) first saves every
// receipt it has printed: the answer to a print names receipts whose files may still be queued.
void HttpApiTest::savesWhatItPrintedWhenStopped()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    HeadlessPrinter printer(program);
    QVERIFY(printer.start(u"--listen 127.0.0.1:0 --http 127.0.0.1:0 --save"_s.split(u' ')
                          << folder.path()));
    constexpr int Receipts = 40;
    const HttpReply reply = request("POST",
                                    u"/api/print"_s,
                                    QByteArray("Receipt\n\x1dV\x00", 11).repeated(Receipts),
                                    {},
                                    printer.httpPort());
    QCOMPARE(reply.json()[u"receipts"_s].toArray().size(), Receipts);
    printer.process().terminate();
    QVERIFY(printer.process().waitForFinished(HeadlessPrinter::Patience));
    QCOMPARE(printer.process().exitStatus(), QProcess::NormalExit);
    for (int number = 1; number <= Receipts; ++number) {
        const QString name = u"receipt-%1.json"_s.arg(number, 4, 10, QChar(u'0'));
        QVERIFY2(QFileInfo::exists(folder.filePath(name)), qPrintable(name));
    }
}

void HttpApiTest::events()
{
    QNetworkRequest stream(QUrl(u"http://127.0.0.1:%1/api/events"_s.arg(m_printer.httpPort())));
    std::unique_ptr<QNetworkReply> reply(m_network.get(stream));
    QByteArray received;
    connect(reply.get(), &QNetworkReply::readyRead, this, [&] { received += reply->readAll(); });
    // The stream starts with the conditions as they are.
    QTRY_VERIFY_WITH_TIMEOUT(received.contains("event: status\ndata: {"), Patience);
    QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).toString(), u"text/event-stream"_s);
    received.clear();

    QTcpSocket client;
    QVERIFY(HeadlessPrinter::reach(client, m_printer.port()));
    client.write(hex("54 43 50 0A 1D 56 00")); // "TCP", LF, GS V 0
    QTRY_VERIFY_WITH_TIMEOUT(received.contains("\n\n"), Patience);
    QVERIFY2(received.startsWith("event: receipt\ndata: "), received.constData());
    const QJsonObject summary
            = QJsonDocument::fromJson(received.mid(21, received.indexOf("\n\n") - 21)).object();
    QCOMPARE(summary[u"source"_s].toString(), u"tcp 127.0.0.1:%1"_s.arg(client.localPort()));
    QCOMPARE(summary[u"cut"_s].toString(), u"full"_s);
    const QString text = summary[u"text"_s].toString();
    QCOMPARE(request("GET", text).body, "TCP\n--- full cut ---\n");

    received.clear();
    QCOMPARE(request("PUT", u"/api/status"_s, R"({"paper_near_end": true})").status, 200);
    QTRY_VERIFY_WITH_TIMEOUT(received.contains("\n\n"), Patience);
    QVERIFY(received.startsWith("event: status\ndata: {"));
    QVERIFY(received.contains(R"("paper_near_end":true)"));
}

void HttpApiTest::forget()
{
    const int before = printReceipt(hex("41 0A 1D 56 00"));
    QVERIFY(before > 0);
    QCOMPARE(request("DELETE", u"/api/receipts"_s).status, 200);
    QCOMPARE(request("GET", u"/api/receipts"_s).json().toArray(), QJsonArray());
    const HttpReply latest = request("GET", u"/api/receipts/latest.json"_s);
    QCOMPARE(latest.status, 404);
    QVERIFY(latest.json()[u"error"_s].isString());
    QCOMPARE(request("GET", u"/api/receipts/%1.txt"_s.arg(before)).status, 404);
    // Numbers go on.
    QCOMPARE(printReceipt(hex("42 0A 1D 56 00")), before + 1);
    QCOMPARE(request("GET", u"/api/receipts"_s).json().toArray().size(), 1);
}

QTEST_GUILESS_MAIN(HttpApiTest)
#include "tst_httpapi.moc"
