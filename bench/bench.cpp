// Prints one table of the tool's measured figures: job latency against wire time, the status
// check's CPU share and reply latency, start-up against a reference terminal program, and the
// virtual printer's speed.
#include "PtyPrinter.h"
#include "app/Form1.h"
#include "app/WindowLook.h"
#include "status/StatusCheck.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include "BenchSections.h"

namespace {

using Clock = std::chrono::steady_clock;

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto index = size_t(
            std::clamp(p * double(values.size() - 1), 0.0, double(values.size() - 1)));
    return values[index];
}

double cpuSeconds()
{
    rusage usage = {};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Reads the far end of the pty on its own thread so the line never backs up, counting bytes.
class Drain
{
public:
    explicit Drain(int fd)
        : m_thread([this, fd] {
            char buffer[65536];
            while (!m_stop) {
                pollfd p = {fd, POLLIN, 0};
                if (::poll(&p, 1, 10) > 0) {
                    const ssize_t n = ::read(fd, buffer, sizeof buffer);
                    if (n > 0)
                        m_bytes += n;
                }
            }
        })
    {}
    ~Drain()
    {
        m_stop = true;
        m_thread.join();
    }
    qint64 bytes() const { return m_bytes; }

private:
    std::atomic<bool> m_stop = false;
    std::atomic<qint64> m_bytes = 0;
    std::thread m_thread;
};

// Runs an event loop, asleep until the next event, until the window's status check has an
// outcome; returns when the window had shown it. The window's own slots run first, so the
// outcome is on the status label by the time the loop hears of it.
Clock::time_point waitForCheck(const app::Form1 &form, int timeoutMs)
{
    auto *check = form.findChild<status::StatusCheck *>();
    QEventLoop loop;
    Clock::time_point shown = {};
    const auto done = [&] {
        shown = Clock::now();
        loop.quit();
    };
    // The loop is the connections' context: they end with it.
    QObject::connect(check, &status::StatusCheck::replied, &loop, done);
    QObject::connect(check, &status::StatusCheck::timedOut, &loop, done);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return shown == Clock::time_point{} ? Clock::now() : shown;
}

app::Form1 *openForm(PtyPrinter &printer)
{
    auto *form = new app::Form1;
    form->setMessagePresenter([](const app::Message &message) {
        qWarning("message: %s", qPrintable(message.text));
        return QMessageBox::Ok;
    });
    form->show();
    form->findChild<QComboBox *>(QStringLiteral("Combo1"))->setCurrentText(printer.path());
    QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("Command20")), Qt::LeftButton);
    return form;
}

} // namespace

QList<BenchRow> benchJobs(int clicks)
{
    QList<BenchRow> rows;
    PtyPrinter printer;
    std::unique_ptr<app::Form1> form(openForm(printer));
    const QList<std::pair<const char *, const char *>> jobs = {
            {"Command1", "Feed Paper"},
            {"Command5", "Initialization"},
            {"Command6", "Print test"},
            {"Command8", "test page"},
            {"Command13", "up-down"},
            {"Command4", "Chinese fonts"},
            {"Command11", "Print barcode"},
            {"Command3", "Sample page"},
    };
    // Each job with the communication log closed and with it open beside the window, recording
    // every write: in alternating blocks of clicks, so both see the same machine.
    constexpr int blocks = 10;
    QAction *logItem = form->findChild<QAction *>(QStringLiteral("CommunicationLog"));
    const auto showLog = [&form, logItem](bool open) {
        if (open)
            logItem->trigger();
        else if (auto *log = form->findChild<QWidget *>(QStringLiteral("LogWindow")))
            log->close();
        QTest::qWait(50);
    };
    QList<BenchRow> openRows;
    for (const auto &[name, caption] : jobs) {
        auto *button = form->findChild<QPushButton *>(QString::fromLatin1(name));
        std::vector<double> closedMicros;
        std::vector<double> openMicros;
        std::vector<double> *micros = &closedMicros;
        qint64 bytes = 0;
        qint64 perJob = 0;
        // The click reaches the window's handler as `released` then `clicked`; the job runs in
        // the window's `clicked` slot, and the slot connected here runs after it.
        Clock::time_point clicked;
        const auto onReleased = QObject::connect(
                button, &QPushButton::released, [&] { clicked = Clock::now(); });
        const auto onClicked = QObject::connect(button, &QPushButton::clicked, [&] {
            micros->push_back(
                    std::chrono::duration<double, std::micro>(Clock::now() - clicked).count());
        });
        int done = 0;
        for (int block = 0; block < blocks; ++block) {
            const bool logOpen = block % 2 == 1;
            showLog(logOpen);
            micros = logOpen ? &openMicros : &closedMicros;
            Drain drain(printer.farEnd());
            // Clicks are paced by the far end: each waits until the last job's bytes are read,
            // as an operator's clicks are paced by the printer.
            const int blockClicks = 2 * clicks / blocks;
            for (int i = 0; i < blockClicks; ++i) {
                QTest::mouseClick(button, Qt::LeftButton);
                if (perJob == 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    perJob = drain.bytes();
                }
                const auto deadline = Clock::now() + std::chrono::seconds(1);
                while (drain.bytes() < perJob * (i + 1) && Clock::now() < deadline) {
                    QCoreApplication::processEvents();
                    std::this_thread::sleep_for(std::chrono::microseconds(20));
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            bytes += drain.bytes();
            done += blockClicks;
        }
        showLog(false);
        QObject::disconnect(onReleased);
        QObject::disconnect(onClicked);
        bytes /= done;
        const double wireMicros = double(bytes) * 10.0 / 115200.0 * 1e6;
        const auto figure = [wireMicros](const std::vector<double> &micros) {
            const double median = percentile(micros, 0.5);
            return QStringLiteral("click to last byte with the OS: median %1 µs, p99 %2 µs; wire "
                                  "%3 µs; median/wire %4%")
                    .arg(median, 0, 'f', 0)
                    .arg(percentile(micros, 0.99), 0, 'f', 0)
                    .arg(wireMicros, 0, 'f', 0)
                    .arg(100.0 * median / wireMicros, 0, 'f', 2);
        };
        const QString job = QStringLiteral("job \"%1\" (%2 bytes)")
                                    .arg(QString::fromLatin1(caption))
                                    .arg(bytes);
        rows.append({job, figure(closedMicros), QStringLiteral("≤ 1%")});
        openRows.append(
                {job + QStringLiteral(", log open"),
                 figure(openMicros)
                         + QStringLiteral("; %1 × the median with the log closed")
                                   .arg(percentile(openMicros, 0.5) / percentile(closedMicros, 0.5),
                                        0,
                                        'f',
                                        2),
                 QStringLiteral("≤ 1%; ≤ 2 × log closed")});
    }
    rows += openRows;
    return rows;
}

QList<BenchRow> benchStatus(int replies)
{
    QList<BenchRow> rows;
    PtyPrinter printer;
    std::unique_ptr<app::Form1> form(openForm(printer));
    auto *command19 = form->findChild<QPushButton *>(QStringLiteral("Command19"));

    // A full time-out: nobody answers.
    const double cpuBefore = cpuSeconds();
    const auto wallBefore = Clock::now();
    QTest::mouseClick(command19, Qt::LeftButton);
    waitForCheck(*form, 10000);
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    const double cpu = cpuSeconds() - cpuBefore;
    rows.append({QStringLiteral("status check, full time-out"),
                 QStringLiteral("CPU %1 ms in %2 ms of waiting: %3% of one core")
                         .arg(cpu * 1e3, 0, 'f', 1)
                         .arg(wall * 1e3, 0, 'f', 0)
                         .arg(100.0 * cpu / wall, 0, 'f', 2),
                 QStringLiteral("≤ 1%")});
    printer.readQuiet(20);

    // Reply latency: from the sixth byte written at the far end to the label's new caption.
    std::vector<double> micros;
    for (int i = 0; i < replies; ++i) {
        QTest::mouseClick(command19, Qt::LeftButton);
        printer.read(3, 1000);
        const auto sent = Clock::now();
        printer.write(QByteArray(6, '\0'));
        const Clock::time_point shown = waitForCheck(*form, 2000);
        micros.push_back(std::chrono::duration<double, std::micro>(shown - sent).count());
    }
    rows.append({QStringLiteral("status reply to display"),
                 QStringLiteral("median %1 µs, p99 %2 µs over %3 replies")
                         .arg(percentile(micros, 0.5), 0, 'f', 0)
                         .arg(percentile(micros, 0.99), 0, 'f', 0)
                         .arg(replies),
                 QStringLiteral("≤ 1 ms median")});
    return rows;
}

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    app::applyWindowLook();
    const QStringList args = QCoreApplication::arguments();
    // "jobs" measures the jobs alone, "status" the status check alone, "emulator" the virtual
    // printer alone, "files" its start and batch input alone, "server" its network printer
    // alone, "load" that printer under load alone (the words after it pick its rows), "ipp" its
    // IPP printer alone; a number sets the clicks per job.
    const QString section = args.size() > 1 ? args.at(1) : QString();
    bool numbered = false;
    const int clicks = section.toInt(&numbered);
    const bool everything = section.isEmpty() || numbered;

    QList<BenchRow> rows;
    if (everything) {
        rows += benchJobs(numbered ? clicks : 1000);
        rows += benchStatus(100);
        rows += benchStartUp();
    }
    if (section == u"status")
        rows += benchStatus(100);
    if (section == u"jobs")
        rows += benchJobs(1000);
    if (everything || section == u"emulator") {
        rows += benchEmulator();
        rows += benchVirtualPrinter();
    }
    if (section == u"files")
        rows += benchFiles();
    if (everything || section == u"server")
        rows += benchServer();
    if (everything || section == u"ipp")
        rows += benchIpp();
    if (everything || section == u"server")
        rows += benchServerLoad();
    if (section == u"load")
        rows += benchServerLoad(args.mid(2));

    QTextStream out(stdout);
    out << "| measure | figure | goal |\n|---|---|---|\n";
    for (const BenchRow &row : rows)
        out << "| " << row.measure << " | " << row.figure << " | " << row.goal << " |\n";
    return 0;
}
