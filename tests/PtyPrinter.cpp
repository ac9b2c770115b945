#include "PtyPrinter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

PtyPrinter::PtyPrinter()
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        qFatal("openpty failed");
    termios raw = {};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_path = QFile::decodeName(name);
}

PtyPrinter::~PtyPrinter()
{
    closeFarEnd();
}

qsizetype PtyPrinter::poll(QByteArray &into, bool events)
{
    if (events)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    pollfd fd = {m_master, POLLIN, 0};
    if (m_master < 0 || ::poll(&fd, 1, 5) <= 0)
        return 0;
    char buffer[4096];
    qsizetype total = 0;
    for (ssize_t n = 0; (n = ::read(m_master, buffer, sizeof buffer)) > 0; total += n)
        into.append(buffer, n);
    return total;
}

QByteArray PtyPrinter::read(qsizetype count, int timeoutMs)
{
    QByteArray bytes = readWithoutEvents(count, timeoutMs, true);
    return bytes + readQuiet(50);
}

QByteArray PtyPrinter::readWithoutEvents(qsizetype count, int timeoutMs, bool events)
{
    QByteArray bytes;
    const QDeadlineTimer deadline(timeoutMs);
    while (bytes.size() < count && !deadline.hasExpired())
        poll(bytes, events);
    return bytes;
}

QByteArray PtyPrinter::readQuiet(int quietMs)
{
    QByteArray bytes;
    for (QDeadlineTimer quiet(quietMs); !quiet.hasExpired();) {
        if (poll(bytes, true) > 0)
            quiet.setRemainingTime(quietMs);
    }
    return bytes;
}

void PtyPrinter::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else
            ::usleep(1000);
    }
}

void PtyPrinter::closeFarEnd()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

bool PtyPrinter::refuseReads(bool refuse)
{
    // The null line discipline refuses reads and writes alike and never reports the device
    // ready; the terminal's own one is back afterwards, with the line settings as they were.
    constexpr int nullDiscipline = 27;
    const int discipline = refuse ? nullDiscipline : N_TTY;
    return ::ioctl(m_slave, TIOCSETD, &discipline) == 0;
}

termios PtyPrinter::lineSettings() const
{
    termios tio = {};
    ::tcgetattr(m_slave, &tio);
    return tio;
}
