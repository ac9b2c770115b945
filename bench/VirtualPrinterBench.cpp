// The virtual printer under load: text-heavy and random streams, each fixture's picture made by
// the program as a whole, how soon a receipt shows in its window, and how fast the emulator's
// fuzz target runs.
#include "BenchSections.h"
#include "PrinterServer.h"
#include "PrinterWindow.h"
#include "PseudoTerminal.h"
#include "emulator/Interpreter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

using namespace Qt::StringLiterals;

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

// Receipt lines of words, prices and a few style changes: what point-of-sale programs send most.
QByteArray textHeavyStream(qsizetype size)
{
    QRandomGenerator random(9100);
    static const QByteArray words[] = {"Coffee"_ba,
                                       "Tea"_ba,
                                       "Sandwich"_ba,
                                       "Total"_ba,
                                       "Cash"_ba,
                                       "Change"_ba,
                                       "Thank you"_ba};
    QByteArray stream;
    while (stream.size() < size) {
        if (random.bounded(10) == 0)
            stream += "\033E"_ba + char(random.bounded(2)); // emphasis on or off
        QByteArray line = words[random.bounded(7)] + ' ' + words[random.bounded(7)];
        const QByteArray price = QByteArray::number(random.bounded(10000) / 100.0, 'f', 2);
        line += QByteArray(qMax<qsizetype>(1, 48 - line.size() - price.size()), ' ') + price;
        stream += line + '\n';
    }
    return stream;
}

double throughput(const QByteArray &stream)
{
    emulator::Interpreter interpreter;
    const auto start = Clock::now();
    for (qsizetype at = 0; at < stream.size(); at += 4096)
        interpreter.feed(
                QByteArrayView(stream).sliced(at, qMin<qsizetype>(4096, stream.size() - at)));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return double(stream.size()) / 1e6 / seconds;
}

// Runs a program to its end; its wall time in seconds and peak resident memory in MB, and the
// processor time it took (user and system) when cpuSeconds is given.
bool runMeasured(const QStringList &arguments,
                 double *seconds,
                 double *megabytes,
                 double *cpuSeconds = nullptr)
{
    QList<QByteArray> bytes;
    for (const QString &argument : arguments)
        bytes << argument.toLocal8Bit();
    QList<char *> argv;
    for (QByteArray &argument : bytes)
        argv << argument.data();
    argv << nullptr;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const auto start = Clock::now();
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return false;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return false;
    *seconds = std::chrono::duration<double>(Clock::now() - start).count();
    *megabytes = double(usage.ru_maxrss) / 1024.0;
    if (cpuSeconds)
        *cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                      + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

BenchRow randomInput()
{
    QTemporaryDir dir;
    const QString input = dir.filePath(u"random.bin"_s);
    QFile file(input);
    QByteArray bytes(qsizetype(10) * 1000 * 1000, Qt::Uninitialized);
    QRandomGenerator random(10);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {u"virtual printer: 10 MB of random bytes"_s, u"cannot write the input"_s, {}};
    file.close();
    double seconds = 0;
    double megabytes = 0;
    const bool ran = runMeasured({QStringLiteral(VIRTUAL_PRINTER_PATH),
                                  u"--input"_s,
                                  input,
                                  u"--png"_s,
                                  dir.filePath(u"out.png"_s)},
                                 &seconds,
                                 &megabytes);
    return {u"virtual printer: 10 MB of random bytes to PNG (--input)"_s,
            ran ? u"%1 s, peak %2 MB resident"_s.arg(seconds, 0, 'f', 2).arg(megabytes, 0, 'f', 0)
                : u"the program failed"_s,
            u"< 1 s, < 250 MB"_s};
}

// Each fixture's picture made by the program as a whole, start to exit, as a test or a shell
// script makes it: the median of five runs a fixture, then the median and slowest over them.
BenchRow fixturePictures()
{
    QTemporaryDir dir;
    const QStringList fixtures = QDir(QStringLiteral(FIXTURES_DIR))
                                         .entryList({u"*.bin"_s}, QDir::Files, QDir::Name);
    std::vector<double> medians;
    QString slowest;
    double slowestMillis = 0;
    for (const QString &fixture : fixtures) {
        std::vector<double> millis;
        for (int run = 0; run < 5; ++run) {
            double seconds = 0;
            double megabytes = 0;
            if (!runMeasured({QStringLiteral(VIRTUAL_PRINTER_PATH),
                              u"--input"_s,
                              QStringLiteral(FIXTURES_DIR "/") + fixture,
                              u"--png"_s,
                              dir.filePath(u"out.png"_s)},
                             &seconds,
                             &megabytes))
                return {u"virtual printer: each fixture to PNG (--input --png)"_s,
                        u"the program failed on %1"_s.arg(fixture),
                        u"median ≤ 35 ms, none > 60 ms"_s};
            millis.push_back(seconds * 1000);
        }
        std::sort(millis.begin(), millis.end());
        medians.push_back(millis[millis.size() / 2]);
        if (medians.back() > slowestMillis) {
            slowestMillis = medians.back();
            slowest = fixture;
        }
    }
    std::vector<double> sorted = medians;
    std::sort(sorted.begin(), sorted.end());
    return {u"virtual printer: each fixture to PNG, whole process (--input --png)"_s,
            u"median %1 ms over %2 fixtures, slowest %3 ms (%4)"_s
                    .arg(sorted.empty() ? 0.0 : sorted[sorted.size() / 2], 0, 'f', 1)
                    .arg(sorted.size())
                    .arg(slowestMillis, 0, 'f', 1)
                    .arg(slowest),
            u"median ≤ 35 ms, none > 60 ms"_s};
}

// The whole process on a 1-byte input to PNG: what starting the program costs, as a script
// that renders one file at a time pays it. Median of 15 runs.
BenchRow oneByteStart()
{
    QTemporaryDir dir;
    const QString input = dir.filePath(u"one.bin"_s);
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly) || file.write("A") != 1)
        return {u"virtual printer: whole process on a 1-byte input"_s, u"cannot write"_s, {}};
    file.close();
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int run = 0; run < 15; ++run) {
        double seconds = 0;
        double megabytes = 0;
        double processor = 0;
        if (!runMeasured({QStringLiteral(VIRTUAL_PRINTER_PATH),
                          u"--input"_s,
                          input,
                          u"--png"_s,
                          dir.filePath(u"out.png"_s)},
                         &seconds,
                         &megabytes,
                         &processor))
            return {u"virtual printer: whole process on a 1-byte input"_s, u"failed"_s, {}};
        wall.push_back(seconds * 1000);
        cpu.push_back(processor * 1000);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {u"virtual printer: whole process on a 1-byte input to PNG (--input --png)"_s,
            u"median %1 ms wall, %2 ms processor over 15 runs"_s.arg(wall[7], 0, 'f', 1)
                    .arg(cpu[7], 0, 'f', 1),
            u"as little as the loader allows"_s};
}

// Twenty fixtures to PNG: one process given them all (--input repeated, each its own picture)
// against twenty processes one after the other.
BenchRow batchAgainstProcesses()
{
    const QString name = u"virtual printer: 20 fixtures to PNG, one process against 20"_s;
    QTemporaryDir dir;
    QStringList fixtures = QDir(QStringLiteral(FIXTURES_DIR))
                                   .entryList({u"*.bin"_s}, QDir::Files, QDir::Name)
                                   .mid(0, 20);
    for (QString &fixture : fixtures)
        fixture.prepend(QStringLiteral(FIXTURES_DIR "/"));
    QStringList batch{QStringLiteral(VIRTUAL_PRINTER_PATH)};
    for (const QString &fixture : std::as_const(fixtures))
        batch << u"--input"_s << fixture;
    batch << u"--png"_s << dir.filePath(u"batch"_s);
    double oneWall = 0;
    double oneCpu = 0;
    double megabytes = 0;
    if (!runMeasured(batch, &oneWall, &megabytes, &oneCpu))
        return {name, u"the program failed"_s, {}};
    double manyWall = 0;
    double manyCpu = 0;
    for (const QString &fixture : std::as_const(fixtures)) {
        double seconds = 0;
        double processor = 0;
        if (!runMeasured({QStringLiteral(VIRTUAL_PRINTER_PATH),
                          u"--input"_s,
                          fixture,
                          u"--png"_s,
                          dir.filePath(u"one.png"_s)},
                         &seconds,
                         &megabytes,
                         &processor))
            return {name, u"the program failed on %1"_s.arg(fixture), {}};
        manyWall += seconds;
        manyCpu += processor;
    }
    return {name,
            u"%1 fixtures: one process %2 ms wall, %3 ms processor; %1 processes %4 ms wall, "
            "%5 ms processor"_s.arg(fixtures.size())
                    .arg(oneWall * 1000, 0, 'f', 0)
                    .arg(oneCpu * 1000, 0, 'f', 0)
                    .arg(manyWall * 1000, 0, 'f', 0)
                    .arg(manyCpu * 1000, 0, 'f', 0),
            u"one process well under half"_s};
}

// From the last byte of a receipt written to the pty to its picture in the window.
BenchRow windowLatency()
{
    vprinter::PseudoTerminal terminal;
    if (!terminal.open())
        return {u"virtual printer: receipt shown after its last byte"_s,
                terminal.errorString(),
                {}};
    vprinter::PrinterServer server;
    server.attach(&terminal);
    vprinter::PrinterWindow window(&server, terminal.slavePath());
    window.show();
    auto *view = window.findChild<QLabel *>(u"receipt"_s);
    QFile client(terminal.slavePath());
    if (!view || !client.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return {u"virtual printer: receipt shown after its last byte"_s, u"no window"_s, {}};
    std::vector<double> millis;
    for (int i = 0; i < 20; ++i) {
        QTest::qWait(100);
        const qint64 before = view->pixmap().cacheKey();
        client.write(
                "\033@Coffee                                      2.50\nTotal 2.50\n\035V\000"_ba);
        QElapsedTimer timer;
        timer.start();
        while (view->pixmap().cacheKey() == before && timer.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        millis.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(millis.begin(), millis.end());
    return {u"virtual printer: receipt shown in the window after its last byte"_s,
            u"median %1 ms, worst %2 ms over 20 receipts"_s.arg(millis[10], 0, 'f', 1)
                    .arg(millis.back(), 0, 'f', 1),
            u"< 50 ms"_s};
}

BenchRow fuzzRate()
{
    const QString target = QStringLiteral(FUZZ_TARGET_PATH);
    if (!QFile::exists(target))
        return {u"emulator fuzz target"_s,
                u"not built (scripts/test builds it with clang)"_s,
                u"≥ 5,000 inputs/s"_s};
    QTemporaryDir corpus;
    QProcess fuzz;
    fuzz.start(target,
               {u"-max_total_time=10"_s,
                u"-print_final_stats=0"_s,
                corpus.path(),
                QStringLiteral(FUZZ_SEEDS)});
    fuzz.waitForFinished(60000);
    const QRegularExpression done(u"Done (\\d+) runs in (\\d+) second"_s);
    const auto match = done.match(QString::fromLatin1(fuzz.readAllStandardError()));
    if (!match.hasMatch())
        return {u"emulator fuzz target"_s, u"no result"_s, u"≥ 5,000 inputs/s"_s};
    return {u"emulator fuzz target: inputs a second"_s,
            u"%1 inputs/s over %2 s"_s
                    .arg(match.captured(1).toDouble() / match.captured(2).toDouble(), 0, 'f', 0)
                    .arg(match.captured(2)),
            u"≥ 5,000 inputs/s"_s};
}

} // namespace

QList<BenchRow> benchVirtualPrinter()
{
    const QByteArray text = textHeavyStream(qsizetype(32) * 1000 * 1000);
    return {{u"virtual printer: interpreter on text-heavy receipts"_s,
             u"%1 MB/s over 32 MB in 4 KiB pieces"_s.arg(throughput(text), 0, 'f', 1),
             u"≥ 50 MB/s"_s},
            randomInput(),
            oneByteStart(),
            batchAgainstProcesses(),
            fixturePictures(),
            windowLatency(),
            fuzzRate()};
}

QList<BenchRow> benchFiles()
{
    return {oneByteStart(), batchAgainstProcesses()};
}
