// The virtual printer as a network printer: receipts a second through TCP, resident memory while
// clients send more than it should keep, CPU while it has no descriptors left, and the printer
// under load: short connections, its API while it saves, long mixed streams and big pictures.
#include "BenchSections.h"
#include "HeadlessPrinter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Clock = std::chrono::steady_clock;

// The program measured: the one built beside the benchmark, or $VIRTUAL_PRINTER (another build,
// to compare with).
QString program()
{
    return qEnvironmentVariable("VIRTUAL_PRINTER", QStringLiteral(VIRTUAL_PRINTER_PATH));
}

// The program without a window on any loopback port; nullptr when it does not start.
std::unique_ptr<HeadlessPrinter> startPrinter(const QStringList &arguments,
                                              const QStringList &wrapper = {})
{
    auto printer = std::make_unique<HeadlessPrinter>(program());
    if (!printer->start(QStringList{u"--listen"_s, u"127.0.0.1:0"_s} + arguments, wrapper))
        return nullptr;
    return printer;
}

// Runs the event loop for a while.
void sleepFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QByteArray receipt(int number)
{
    QByteArray bytes = "\033@"_ba;
    for (int line = 1; line <= 8; ++line)
        bytes += "Receipt %1, line %2                    9.99\n"_ba
                         .replace("%1", QByteArray::number(number))
                         .replace("%2", QByteArray::number(line));
    return bytes + "\035V\000"_ba;
}

// Sleeps in the event loop until the folder holds count files, or the patience runs out.
bool waitForFiles(const QString &folder, qsizetype count, int patienceMs)
{
    QFileSystemWatcher watcher({folder});
    QEventLoop loop;
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
    const auto check = [&] {
        if (QDir(folder).entryList({u"receipt-*.png"_s}, QDir::Files).size() >= count)
            loop.quit();
    };
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, check);
    giveUp.start(patienceMs);
    check();
    if (QDir(folder).entryList({u"receipt-*.png"_s}, QDir::Files).size() < count)
        loop.exec();
    return QDir(folder).entryList({u"receipt-*.png"_s}, QDir::Files).size() >= count;
}

BenchRow receiptsPerSecond(int clients, bool atOnce)
{
    const QString measure
            = atOnce ? u"virtual printer over TCP: %1 clients at once, all saved"_s
                     : u"virtual printer over TCP: %1 clients one after another, all saved"_s;
    QTemporaryDir folder;
    const auto server = startPrinter({u"--save"_s, folder.path()});
    if (!server)
        return {measure.arg(clients), u"the program did not start"_s, {}};
    const auto start = Clock::now();
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    QString failure; // why a client could not deliver its receipt
    for (int i = 0; i < clients; ++i) {
        auto *socket = sockets.emplace_back(std::make_unique<QTcpSocket>()).get();
        QObject::connect(socket, &QAbstractSocket::errorOccurred, [&failure, socket] {
            failure = socket->errorString();
        });
        socket->connectToHost(u"127.0.0.1"_s, server->port());
        if (atOnce) {
            socket->write(receipt(i + 1));
            socket->disconnectFromHost();
            continue;
        }
        // One after another: each waits for the answer to the status request after its
        // receipt, which comes once the printer has taken the receipt.
        socket->write(receipt(i + 1) + "\020\004\001"_ba);
        if (!socket->waitForReadyRead(10000))
            failure = u"no answer to client %1"_s.arg(i + 1);
        socket->disconnectFromHost();
    }
    const bool all = waitForFiles(folder.path(), clients, 60000);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const qsizetype saved = QDir(folder.path()).entryList({u"receipt-*.png"_s}, QDir::Files).size();
    return {measure.arg(clients),
            u"%1 receipts/s (%2 of %3 saved in %4 s)%5"_s
                    .arg(all ? clients / seconds : 0.0, 0, 'f', 0)
                    .arg(saved)
                    .arg(clients)
                    .arg(seconds, 0, 'f', 2)
                    .arg(failure.isEmpty() ? QString() : u"; a client failed: "_s + failure),
            u"all saved"_s};
}

// Writes bytes as fast as the server takes them, up to total, until it has taken nothing for three
// seconds (its back-pressure) or all are sent; the bytes the kernel took.
qint64 stream(QTcpSocket &socket, const QByteArray &pattern, qint64 total)
{
    constexpr qint64 Ahead = 1 << 20; // written to the socket but not yet taken by the kernel
    qint64 queued = 0;
    qint64 sent = 0;
    QEventLoop loop;
    QTimer stalled;
    stalled.setSingleShot(true);
    stalled.setInterval(3000);
    const auto top = [&] {
        while (queued < total && socket.bytesToWrite() < Ahead) {
            const qint64 n = qMin<qint64>(pattern.size(), total - queued);
            socket.write(pattern.constData(), n);
            queued += n;
        }
        if (sent >= total)
            loop.quit();
    };
    QObject::connect(&socket, &QTcpSocket::bytesWritten, &loop, [&](qint64 n) {
        sent += n;
        stalled.start();
        top();
    });
    QObject::connect(&stalled, &QTimer::timeout, &loop, &QEventLoop::quit);
    top();
    stalled.start();
    loop.exec();
    return sent;
}

QByteArray patternOf(const QByteArray &unit, qsizetype size)
{
    return unit.repeated(size / unit.size());
}

BenchRow waitingClientMemory()
{
    const QString measure
            = u"virtual printer: resident memory while a waiting client streams 200 MiB"_s;
    const auto server = startPrinter({});
    QTcpSocket active;
    if (server)
        active.connectToHost(u"127.0.0.1"_s, server->port());
    if (!server || !active.waitForConnected(5000))
        return {measure, u"the program did not start"_s, {}};
    active.write("Holding the printer\n");
    sleepFor(300);
    const double before = server->residentMegabytes();
    QTcpSocket waiting;
    waiting.connectToHost(u"127.0.0.1"_s, server->port());
    waiting.waitForConnected(5000);
    const qint64 sent = stream(waiting, patternOf("Waiting for my turn\n"_ba, 65520), 200LL << 20);
    sleepFor(300);
    const double after = server->residentMegabytes();
    return {measure,
            u"+%1 MiB (%2 → %3 MiB) with %4 MiB taken from the client"_s
                    .arg(after - before, 0, 'f', 0)
                    .arg(before, 0, 'f', 0)
                    .arg(after, 0, 'f', 0)
                    .arg(double(sent) / (1 << 20), 0, 'f', 0),
            u"< +40 MiB"_s};
}

BenchRow unreadAnswersMemory()
{
    const QString measure
            = u"virtual printer: a client sends 24 MiB of GS I 66 and reads no answer"_s;
    const auto server = startPrinter({});
    QTcpSocket client;
    client.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    client.setReadBufferSize(1); // the client takes no answer in
    if (server)
        client.connectToHost(u"127.0.0.1"_s, server->port());
    if (!server || !client.waitForConnected(5000))
        return {measure, u"the program did not start"_s, {}};
    sleepFor(300);
    const double before = server->residentMegabytes();
    const double cpuBefore = server->cpuSeconds();
    const auto start = Clock::now();
    const qint64 sent = stream(client, patternOf("\035IB"_ba, 65535), 24LL << 20);
    // The server may still be answering what it took: wait until it spends no more CPU.
    for (double cpu = server->cpuSeconds(), last = -1; cpu - last > 0.02;
         cpu = server->cpuSeconds()) {
        last = cpu;
        sleepFor(500);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double after = server->residentMegabytes();
    return {measure,
            u"+%1 MiB resident, %2 s CPU in %3 s, %4 MiB taken from the client"_s
                    .arg(after - before, 0, 'f', 0)
                    .arg(server->cpuSeconds() - cpuBefore, 0, 'f', 1)
                    .arg(seconds, 0, 'f', 1)
                    .arg(double(sent) / (1 << 20), 0, 'f', 0),
            u"< +40 MiB"_s};
}

BenchRow descriptorsExhausted()
{
    const QString measure = u"virtual printer: CPU with 64 descriptors and 100 connections"_s;
    const auto server = startPrinter({}, {u"prlimit"_s, u"--nofile=64"_s});
    if (!server)
        return {measure, u"the program did not start"_s, {}};
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < 100; ++i) {
        sockets.push_back(std::make_unique<QTcpSocket>());
        sockets.back()->connectToHost(u"127.0.0.1"_s, server->port());
    }
    sleepFor(1000);
    const double before = server->cpuSeconds();
    const auto start = Clock::now();
    sleepFor(3000);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return {measure,
            u"%1% of one core over %2 s"_s
                    .arg(100 * (server->cpuSeconds() - before) / seconds, 0, 'f', 1)
                    .arg(seconds, 0, 'f', 0),
            u"< 5%"_s};
}

// Peak resident memory of a process that is still running, in MiB.
double peakMegabytes(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

qsizetype savedCount(const QString &folder)
{
    return QDir(folder).entryList({u"receipt-*.json"_s}, QDir::Files).size();
}

// Sleeps in the event loop until the printer has spent no CPU for half a second: it has done
// what it was given.
void waitUntilIdle(const HeadlessPrinter &printer, int patienceMs)
{
    QElapsedTimer waited;
    waited.start();
    for (double cpu = printer.cpuSeconds(), last = -1;
         cpu - last > 0.01 && waited.elapsed() < patienceMs;
         cpu = printer.cpuSeconds()) {
        last = cpu;
        sleepFor(500);
    }
}

// Connects, sends one receipt and closes, a thousand times one after another, without waiting
// for any answer: what a point-of-sale till does.
BenchRow shortConnections()
{
    constexpr int Clients = 1000;
    const QString measure = u"virtual printer: %1 short connections one after another with --save"_s
                                    .arg(Clients);
    QTemporaryDir folder;
    const auto server = startPrinter({u"--save"_s, folder.path()});
    if (!server)
        return {measure, u"the program did not start"_s, {}};
    const auto start = Clock::now();
    int failed = 0;
    for (int i = 0; i < Clients; ++i) {
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, server->port());
        if (!socket.waitForConnected(10000)) {
            ++failed;
            continue;
        }
        socket.write(receipt(i + 1));
        socket.waitForBytesWritten(10000);
        socket.close();
    }
    const double sent = std::chrono::duration<double>(Clock::now() - start).count();
    waitUntilIdle(*server, 120000);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const qsizetype saved = savedCount(folder.path());
    return {measure,
            u"%1 of %2 kept, %3 receipts/s (sent in %4 s, saved in %5 s)%6"_s.arg(saved)
                    .arg(Clients)
                    .arg(saved / seconds, 0, 'f', 0)
                    .arg(sent, 0, 'f', 1)
                    .arg(seconds, 0, 'f', 1)
                    .arg(failed ? u"; %1 could not connect"_s.arg(failed) : QString()),
            u"all kept"_s};
}

// One GET on a kept-alive connection; the milliseconds until its whole answer, or -1.
double timedGet(QTcpSocket &socket, const QByteArray &path)
{
    QElapsedTimer timer;
    timer.start();
    socket.write("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray answer;
    qsizetype end = -1;
    qsizetype length = -1;
    while (end < 0 || answer.size() < end + 4 + length) {
        if (!socket.waitForReadyRead(30000))
            return -1;
        answer += socket.readAll();
        end = answer.indexOf("\r\n\r\n");
        if (end >= 0 && length < 0) {
            const qsizetype at = answer.toLower().indexOf("content-length:");
            length = at < 0 ? 0
                            : answer.mid(at + 15, 12).trimmed().split('\r').first().toLongLong();
        }
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

// /api/status asked again and again while a client's 200 receipts are saved.
BenchRow statusWhileSaving()
{
    constexpr int Receipts = 200;
    const QString measure = u"virtual printer: GET /api/status while %1 receipts are saved"_s.arg(
            Receipts);
    QTemporaryDir folder;
    const auto server = startPrinter({u"--save"_s, folder.path(), u"--http"_s, u"127.0.0.1:0"_s});
    QTcpSocket api;
    if (server)
        api.connectToHost(u"127.0.0.1"_s, server->httpPort());
    if (!server || !api.waitForConnected(5000))
        return {measure, u"the program did not start"_s, {}};
    QByteArray job;
    for (int i = 1; i <= Receipts; ++i)
        job += receipt(i);
    QTcpSocket client;
    client.connectToHost(u"127.0.0.1"_s, server->port());
    client.waitForConnected(5000);
    const auto start = Clock::now();
    client.write(job);
    while (client.bytesToWrite() > 0 && client.waitForBytesWritten(10000)) {
    }
    client.disconnectFromHost();
    std::vector<double> latencies;
    while (savedCount(folder.path()) < Receipts
           && std::chrono::duration<double>(Clock::now() - start).count() < 120) {
        const double ms = timedGet(api, "/api/status");
        if (ms < 0)
            break;
        latencies.push_back(ms);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (latencies.empty())
        return {measure, u"no answer"_s, u"< 50 ms"_s};
    std::sort(latencies.begin(), latencies.end());
    return {measure,
            u"median %1 ms, max %2 ms over %3 requests; %4 saved in %5 s"_s
                    .arg(latencies[latencies.size() / 2], 0, 'f', 1)
                    .arg(latencies.back(), 0, 'f', 1)
                    .arg(latencies.size())
                    .arg(savedCount(folder.path()))
                    .arg(seconds, 0, 'f', 1),
            u"< 50 ms"_s};
}

// 10 MB of text with commands in it, at random but the same every run: letters, spaces, line
// feeds, ESC and GS with the letters of print modes, emphasis, underline, cuts, resets and
// justification after them.
QByteArray textAndCommands()
{
    static const QByteArray alphabet = "abcdefghijklmnopqrstuvwxyz      \n\n\033\035!E-V@a"_ba;
    QRandomGenerator random(26);
    QByteArray bytes(10'000'000, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = alphabet.at(random.bounded(int(alphabet.size())));
    return bytes;
}

BenchRow textAndCommandsFromFile(const QByteArray &bytes)
{
    const QString measure = u"virtual printer: 10 MB of text and commands, --input --json"_s;
    QTemporaryDir folder;
    QFile input(folder.filePath(u"input.bin"_s));
    if (!input.open(QIODevice::WriteOnly) || input.write(bytes) != bytes.size())
        return {measure, u"cannot write the input"_s, {}};
    input.close();
    QProcess process;
    const auto start = Clock::now();
    // GNU time reports the peak resident memory of the program it ran, in KiB.
    process.start(u"/usr/bin/time"_s,
                  {u"-f"_s,
                   u"%M"_s,
                   program(),
                   u"--input"_s,
                   input.fileName(),
                   u"--json"_s,
                   folder.filePath(u"out.json"_s)});
    if (!process.waitForFinished(600000))
        return {measure, u"not finished in 600 s"_s, u"< 15 s, < 500 MiB"_s};
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const QList<QByteArray> lines = process.readAllStandardError().trimmed().split('\n');
    return {measure,
            u"%1 s, peak %2 MiB (exit %3)"_s.arg(seconds, 0, 'f', 1)
                    .arg(lines.last().toDouble() / 1024, 0, 'f', 0)
                    .arg(process.exitCode()),
            u"< 15 s, < 500 MiB"_s};
}

BenchRow textAndCommandsOverTcp(const QByteArray &bytes)
{
    const QString measure = u"virtual printer: 10 MB of text and commands over TCP with --save"_s;
    QTemporaryDir folder;
    const auto server = startPrinter({u"--save"_s, folder.path()});
    QTcpSocket client;
    if (server)
        client.connectToHost(u"127.0.0.1"_s, server->port());
    if (!server || !client.waitForConnected(5000))
        return {measure, u"the program did not start"_s, {}};
    const auto start = Clock::now();
    // The status request at the end is answered once every byte before it is read.
    client.write(bytes + "\n\035V\000\020\004\001"_ba);
    QEventLoop loop;
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&client, &QTcpSocket::readyRead, &loop, [&] {
        if (client.readAll().contains('\022'))
            loop.quit();
    });
    giveUp.start(300000);
    loop.exec();
    const double read = std::chrono::duration<double>(Clock::now() - start).count();
    waitUntilIdle(*server, 300000);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return {measure,
            u"%1 s (%2 s to read it all), peak %3 MiB, %4 receipts saved, %5 s CPU"_s
                    .arg(seconds, 0, 'f', 1)
                    .arg(giveUp.isActive() ? QString::number(read, 'f', 1) : u"> 300"_s)
                    .arg(peakMegabytes(server->process().processId()), 0, 'f', 0)
                    .arg(savedCount(folder.path()))
                    .arg(server->cpuSeconds(), 0, 'f', 1),
            u"< 15 s, < 500 MiB"_s};
}

// A receipt of 12 m of raster image: 40 pictures 576 dots wide and 300 mm (2,400 dots) long.
QByteArray twelveMetres()
{
    QByteArray bytes = "\033@"_ba;
    const QByteArray rows = QByteArray("\xAA\x55", 2).repeated(36).repeated(2400);
    for (int i = 0; i < 40; ++i)
        bytes += "\035v0\000\110\000\140\011"_ba + rows;
    return bytes + "\035V\000"_ba;
}

// Four readers fetch a 12 m receipt's picture again and again while another client prints a
// short receipt and asks for the status: how long it waits for its answer.
BenchRow printWhilePicturesAreFetched()
{
    const QString measure
            = u"virtual printer: TCP print and status while 4 clients fetch a 12 m PNG"_s;
    const auto server = startPrinter({u"--http"_s, u"127.0.0.1:0"_s});
    if (!server)
        return {measure, u"the program did not start"_s, {}};
    {
        QTcpSocket client;
        client.connectToHost(u"127.0.0.1"_s, server->port());
        client.waitForConnected(5000);
        client.write(twelveMetres() + "\020\004\001"_ba);
        client.waitForReadyRead(60000);
    }
    std::vector<std::unique_ptr<QTcpSocket>> readers;
    int fetched = 0;
    for (int i = 0; i < 4; ++i) {
        auto *reader = readers.emplace_back(std::make_unique<QTcpSocket>()).get();
        const auto ask = [reader, &server] {
            reader->connectToHost(u"127.0.0.1"_s, server->httpPort());
            reader->write("GET /api/receipts/1.png HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                          "Connection: close\r\n\r\n");
        };
        QObject::connect(reader, &QTcpSocket::readyRead, reader, [reader] { reader->readAll(); });
        QObject::connect(reader, &QTcpSocket::disconnected, reader, [ask, &fetched] {
            ++fetched;
            QTimer::singleShot(0, ask);
        });
        ask();
    }
    sleepFor(1000);
    // At least ten prints, and on until the readers have fetched the picture eight times.
    std::vector<double> latencies;
    for (int i = 0; i < 200 && (i < 10 || fetched < 8); ++i) {
        QTcpSocket client;
        QElapsedTimer timer;
        timer.start();
        client.connectToHost(u"127.0.0.1"_s, server->port());
        client.write(receipt(i) + "\020\004\001"_ba);
        QEventLoop loop;
        QTimer giveUp;
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&client, &QTcpSocket::readyRead, &loop, &QEventLoop::quit);
        giveUp.start(30000);
        loop.exec();
        latencies.push_back(double(timer.nsecsElapsed()) / 1e6);
        sleepFor(200);
    }
    for (const auto &reader : readers)
        reader->disconnect();
    std::sort(latencies.begin(), latencies.end());
    return {measure,
            u"median %1 ms, max %2 ms over %3 prints; %4 pictures fetched meanwhile"_s
                    .arg(latencies[latencies.size() / 2], 0, 'f', 1)
                    .arg(latencies.back(), 0, 'f', 1)
                    .arg(latencies.size())
                    .arg(fetched),
            u"< 50 ms"_s};
}

// Sends the job on one connection with a status request after it, and waits in the event loop
// for the answer: every byte before it has been read. False when none came in patienceMs.
bool printAndWait(const HeadlessPrinter &printer, const QByteArray &job, int patienceMs)
{
    QTcpSocket client;
    client.connectToHost(u"127.0.0.1"_s, printer.port());
    if (!client.waitForConnected(5000))
        return false;
    client.write(job + "\020\004\001"_ba);
    QEventLoop loop;
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&client, &QTcpSocket::readyRead, &loop, &QEventLoop::quit);
    giveUp.start(patienceMs);
    loop.exec();
    return giveUp.isActive();
}

// The resident memory of a running process now, in MiB.
double residentMegabytes(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

// A thousand receipts of 1.2 m of raster image each (four pictures 576 dots wide, 2,400 long),
// kept in memory for the page and the API: the printer's memory once they are all printed.
BenchRow keptReceiptsMemory()
{
    constexpr int Receipts = 1000;
    const QString measure = u"virtual printer: memory after %1 receipts of 1.2 m raster kept"_s.arg(
            Receipts);
    const auto server = startPrinter({});
    if (!server)
        return {measure, u"the program did not start"_s, {}};
    const QByteArray rows = QByteArray("\xAA\x55", 2).repeated(36).repeated(2400);
    QByteArray one = "\033@"_ba;
    for (int i = 0; i < 4; ++i)
        one += "\035v0\000\110\000\140\011"_ba + rows;
    one += "\035V\000"_ba;
    const auto start = Clock::now();
    // A hundred receipts a connection, one connection after another.
    for (int sent = 0; sent < Receipts; sent += 100) {
        if (!printAndWait(*server, one.repeated(100), 300000))
            return {measure, u"not printed in 300 s"_s, {}};
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const qint64 pid = server->process().processId();
    return {measure,
            u"peak %1 MiB, %2 MiB at the end (printed in %3 s)"_s.arg(peakMegabytes(pid), 0, 'f', 0)
                    .arg(residentMegabytes(pid), 0, 'f', 0)
                    .arg(seconds, 0, 'f', 1),
            u"bounded"_s};
}

// The list of a thousand kept receipts asked for the first time, and again.
BenchRow receiptListing()
{
    constexpr int Receipts = 1000;
    const QString measure = u"virtual printer: GET /api/receipts of %1 kept receipts"_s.arg(
            Receipts);
    const auto server = startPrinter({u"--http"_s, u"127.0.0.1:0"_s});
    if (!server)
        return {measure, u"the program did not start"_s, {}};
    QByteArray job;
    for (int i = 1; i <= Receipts; ++i)
        job += receipt(i);
    if (!printAndWait(*server, job, 300000))
        return {measure, u"not printed in 300 s"_s, {}};
    QTcpSocket api;
    api.connectToHost(u"127.0.0.1"_s, server->httpPort());
    if (!api.waitForConnected(5000))
        return {measure, u"no HTTP connection"_s, {}};
    const double first = timedGet(api, "/api/receipts");
    const double second = timedGet(api, "/api/receipts");
    return {measure,
            u"first %1 ms, again %2 ms"_s.arg(first, 0, 'f', 1).arg(second, 0, 'f', 1),
            u"fast"_s};
}

} // namespace

QList<BenchRow> benchServerLoad(const QStringList &only)
{
    // Each row by a word, so that one can be measured alone: "load tcp kept".
    const auto wanted = [&only](const QString &key) {
        return only.isEmpty() || only.contains(key);
    };
    QList<BenchRow> rows;
    if (wanted(u"connections"_s))
        rows += shortConnections();
    if (wanted(u"status"_s))
        rows += statusWhileSaving();
    if (wanted(u"pictures"_s))
        rows += printWhilePicturesAreFetched();
    if (wanted(u"file"_s) || wanted(u"tcp"_s)) {
        const QByteArray mixed = textAndCommands();
        if (wanted(u"file"_s))
            rows += textAndCommandsFromFile(mixed);
        if (wanted(u"tcp"_s))
            rows += textAndCommandsOverTcp(mixed);
    }
    if (wanted(u"kept"_s))
        rows += keptReceiptsMemory();
    if (wanted(u"listing"_s))
        rows += receiptListing();
    return rows;
}

QList<BenchRow> benchServer()
{
    return {receiptsPerSecond(200, false),
            receiptsPerSecond(50, true),
            waitingClientMemory(),
            unreadAnswersMemory(),
            descriptorsExhausted()};
}
