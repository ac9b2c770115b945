// The virtual printer as a network printer: receipts a second through TCP, resident memory while
// clients send more than it should keep, and CPU while it has no descriptors left.
#include "BenchSections.h"
#include "HeadlessPrinter.h"

#include <QDir>
#include <QEventLoop>
#include <QFileSystemWatcher>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Clock = std::chrono::steady_clock;

// The program without a window on any loopback port; nullptr when it does not start.
std::unique_ptr<HeadlessPrinter> startPrinter(const QStringList &arguments,
                                              const QStringList &wrapper = {})
{
    auto printer = std::make_unique<HeadlessPrinter>(QStringLiteral(VIRTUAL_PRINTER_PATH));
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

} // namespace

QList<BenchRow> benchServer()
{
    return {receiptsPerSecond(200, false),
            receiptsPerSecond(50, true),
            waitingClientMemory(),
            unreadAnswersMemory(),
            descriptorsExhausted()};
}
