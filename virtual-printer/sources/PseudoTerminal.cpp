#include "PseudoTerminal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vprinter {

PseudoTerminal::PseudoTerminal(QObject *parent)
    : PrintSource(u"pty"_s, parent)
{}

PseudoTerminal::~PseudoTerminal()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool PseudoTerminal::fail(const QString &what)
{
    m_error = u"%1: %2"_s.arg(what, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

bool PseudoTerminal::open()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail(u"cannot open a pseudo-terminal"_s);
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail(u"cannot unlock the pseudo-terminal"_s);
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0)
        return fail(u"cannot name the pseudo-terminal"_s);
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0)
        return fail(u"cannot open %1"_s.arg(m_slavePath));

    // Raw mode: every byte passes unchanged, none is echoed, none stops the flow.
    termios settings{};
    if (::tcgetattr(m_slave, &settings) != 0)
        return fail(u"cannot read the terminal settings"_s);
    ::cfmakeraw(&settings);
    if (::tcsetattr(m_slave, TCSANOW, &settings) != 0)
        return fail(u"cannot set raw mode"_s);

    const int flags = ::fcntl(m_master, F_GETFL);
    ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
    // The notifier says once that bytes are there and is quiet until they have all been read.
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        m_notifier->setEnabled(false);
        Q_EMIT readyRead();
    });
    return true;
}

QByteArray PseudoTerminal::read(qsizetype max)
{
    QByteArray bytes(max, Qt::Uninitialized);
    ssize_t n = -1;
    do {
        n = ::read(m_master, bytes.data(), size_t(max));
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
        bytes.truncate(n);
        return bytes;
    }
    m_notifier->setEnabled(true); // all read: the next byte is news again
    return {};
}

bool PseudoTerminal::write(const QByteArray &bytes, QString *error)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        fail(n < 0 && errno == EAGAIN ? u"the client reads nothing"_s : u"cannot answer"_s);
        *error = m_error;
        return false;
    }
    return true;
}

} // namespace vprinter
