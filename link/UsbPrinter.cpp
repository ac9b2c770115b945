#include "link/UsbPrinter.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace serial {

namespace {

LinkFailure openFailure(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return LinkFailure::PermissionDenied;
    case EBUSY: // the printer driver lets one program at a time have the device
        return LinkFailure::InUse;
    default:
        return LinkFailure::NotFound;
    }
}

} // namespace

UsbPrinter::UsbPrinter(QObject *parent)
    : Transport(parent)
{
    connect(&m_writer, &DeviceWriter::failed, this, [this] { markLost(); });
    connect(&m_writer, &DeviceWriter::drained, this, &UsbPrinter::drained);
}

UsbPrinter::~UsbPrinter()
{
    close();
}

void UsbPrinter::startOpen(const PortName &name, const std::optional<LineSettings> &)
{
    const QByteArray path = QFile::encodeName(name.device);
    struct stat info = {};
    if (::stat(path.constData(), &info) != 0) {
        reportFailure(openFailure(errno));
        return;
    }
    if (!S_ISCHR(info.st_mode)) {
        reportFailure(LinkFailure::WrongDevice);
        return;
    }
    m_fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        reportFailure(openFailure(errno));
        return;
    }
    m_writer.attach(m_fd);
    m_reader = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_reader, &QSocketNotifier::activated, this, [this] {
        if (takeInput())
            Q_EMIT readyRead();
    });
    reportOpened();
}

bool UsbPrinter::takeInput()
{
    if (m_fd < 0 || !canWrite())
        return false;
    // A device that has gone reports a hang-up or an error rather than data.
    pollfd fd = {m_fd, POLLIN, 0};
    if (::poll(&fd, 1, 0) > 0 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        m_reader->setEnabled(false);
        markLost();
        return false;
    }
    const qsizetype before = m_input.size();
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            m_input.append(buffer, n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == ENODEV || errno == EIO || errno == ENXIO)) {
            m_reader->setEnabled(false);
            markLost();
            break;
        } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            m_reader->setEnabled(false); // a printer that cannot answer: nothing to read
            break;
        } else {
            break;
        }
    }
    return m_input.size() > before;
}

void UsbPrinter::closeNow()
{
    delete m_reader;
    m_reader = nullptr;
    m_writer.detach();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_input.clear();
}

void UsbPrinter::write(const QByteArray &bytes)
{
    if (canWrite())
        m_writer.write(bytes);
}

qint64 UsbPrinter::bytesToWrite() const
{
    return m_writer.pending();
}

void UsbPrinter::drain(int timeoutMs)
{
    m_writer.drain(timeoutMs);
}

void UsbPrinter::discardInput()
{
    takeInput();
    m_input.clear();
}

void UsbPrinter::discardOutput()
{
    m_writer.discard();
}

void UsbPrinter::receivePending()
{
    if (takeInput())
        Q_EMIT readyRead();
}

QByteArray UsbPrinter::read(qint64 count)
{
    QByteArray bytes = m_input.left(count);
    m_input.remove(0, bytes.size());
    return bytes;
}

} // namespace serial
