#include "link/SerialControl.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace serial {

SerialControl::SerialControl(QObject *parent)
    : QObject(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialControl::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialControl::onError);
}

SerialControl::~SerialControl()
{
    close();
}

bool SerialControl::isOpen() const
{
    return m_port.isOpen();
}

std::optional<LinkFailure> SerialControl::open(const QString &device, const LineSettings &settings)
{
    close();
    m_device = device;
#ifdef Q_OS_UNIX
    // Look before opening: a path that is no character device is no serial port, and opening
    // it read-write would be pointless at best.
    struct stat info = {};
    if (::stat(QFile::encodeName(device).constData(), &info) != 0)
        return errno == EACCES ? LinkFailure::PermissionDenied : LinkFailure::NotFound;
    if (!S_ISCHR(info.st_mode))
        return LinkFailure::NotSerialPort;
#endif

    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite))
        return openFailure();
    m_lost = false;
    ++m_openCount;

    const bool applied = m_port.setBaudRate(settings.baudRate)
                         && m_port.setDataBits(settings.dataBits)
                         && m_port.setParity(QSerialPort::NoParity)
                         && m_port.setStopBits(settings.stopBits) && applyHandshaking();
    if (!applied) {
        closePort();
        return LinkFailure::SettingsRefused;
    }

#ifdef Q_OS_UNIX
    m_writeNotifier = new QSocketNotifier(m_port.handle(), QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &SerialControl::writePending);
#endif
    return std::nullopt;
}

std::optional<LinkFailure> SerialControl::openFailure()
{
    const QSerialPort::SerialPortError error = m_port.error();
    m_port.clearError();
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return LinkFailure::NotFound;
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        // The serial layer reports a lock held by another program as a permission error too:
        // if this user may read and write the device, someone else has it.
        if (::access(QFile::encodeName(m_device).constData(), R_OK | W_OK) == 0)
            return LinkFailure::InUse;
#endif
        return LinkFailure::PermissionDenied;
    default:
        return LinkFailure::NotSerialPort;
    }
}

void SerialControl::close()
{
    if (!m_port.isOpen())
        return;
    drain(drainTimeoutMs);
    closePort();
}

void SerialControl::closePort()
{
    m_batch.clear();
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    m_pending.clear();
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}

void SerialControl::discardInput()
{
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Input);
}

void SerialControl::discardOutput()
{
    if (!m_port.isOpen())
        return;
    m_pending.clear();
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    m_port.clear(QSerialPort::Output);
}

void SerialControl::write(const QByteArray &bytes)
{
    if (!m_port.isOpen() || m_lost)
        return;
    if (m_batchDepth > 0)
        m_batch.append(bytes);
    else
        sendNow(bytes);
}

SerialControl::Batch::Batch(SerialControl &comm)
    : m_comm(comm)
{
    ++m_comm.m_batchDepth;
}

SerialControl::Batch::~Batch()
{
    if (--m_comm.m_batchDepth == 0 && !m_comm.m_batch.isEmpty())
        m_comm.sendNow(std::exchange(m_comm.m_batch, QByteArray()));
}

void SerialControl::sendNow(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return;
#ifdef Q_OS_UNIX
    // Written straight to the device so the bytes are with the operating system when this
    // returns; only what flow control holds back waits here, behind anything already waiting.
    if (!m_pending.isEmpty()) {
        m_pending.append(bytes);
        return;
    }
    m_pending = bytes;
    writePending();
#else
    if (m_port.write(bytes) != bytes.size())
        markLost();
    m_port.flush();
#endif
}

void SerialControl::writePending()
{
#ifdef Q_OS_UNIX
    qsizetype done = 0;
    while (done < m_pending.size()) {
        const ssize_t n = ::write(
                m_port.handle(), m_pending.constData() + done, size_t(m_pending.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            m_pending.clear();
            markLost();
            return;
        } else {
            break; // held by flow control or a full buffer: the rest goes when writable
        }
    }
    m_pending.remove(0, done);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_pending.isEmpty());
#endif
}

void SerialControl::drain(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
#ifdef Q_OS_UNIX
    while (!m_pending.isEmpty() && !m_lost && !deadline.hasExpired()) {
        pollfd fd = {m_port.handle(), POLLOUT, 0};
        if (::poll(&fd, 1, int(deadline.remainingTime())) > 0)
            writePending();
    }
#else
    while (m_port.bytesToWrite() > 0 && !deadline.hasExpired())
        m_port.waitForBytesWritten(int(deadline.remainingTime()));
#endif
}

void SerialControl::setHandshaking(Handshaking handshaking)
{
    m_handshaking = handshaking;
    // Refused on an open port only when the device has gone.
    if (m_port.isOpen() && !applyHandshaking())
        markLost();
}

bool SerialControl::applyHandshaking()
{
#ifdef Q_OS_UNIX
    // Qt offers one kind of flow control at a time; 3 means both, so set the line directly.
    termios tio = {};
    const int fd = m_port.handle();
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    if (m_handshaking == Handshaking::RtsXonXoff) {
        tio.c_cflag |= CRTSCTS;
        tio.c_iflag |= IXON | IXOFF;
    } else {
        tio.c_cflag &= ~tcflag_t(CRTSCTS);
        tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    }
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
#else
    return m_port.setFlowControl(m_handshaking == Handshaking::None ? QSerialPort::NoFlowControl
                                                                    : QSerialPort::HardwareControl);
#endif
}

qint64 SerialControl::bytesAvailable() const
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

void SerialControl::receivePending()
{
    if (m_port.isOpen() && !m_lost)
        m_port.waitForReadyRead(0);
}

QByteArray SerialControl::read(qint64 count)
{
    return m_port.isOpen() ? m_port.read(count) : QByteArray();
}

QByteArray SerialControl::peekAvailable()
{
    return m_port.isOpen() ? m_port.peek(m_port.bytesAvailable()) : QByteArray();
}

void SerialControl::onError(QSerialPort::SerialPortError error)
{
    // A vanished device shows as a never-ending stream of read errors while the port still
    // counts as open; any read, write or resource error while open means the device is gone.
    const bool fatal = error == QSerialPort::ReadError || error == QSerialPort::WriteError
                       || error == QSerialPort::ResourceError;
    if (fatal && m_port.isOpen())
        markLost();
}

void SerialControl::markLost()
{
    if (m_lost)
        return;
    m_lost = true;
    // Closed from the event loop, never from inside the port's own notification.
    QMetaObject::invokeMethod(
            this,
            [this, openCount = m_openCount] {
                if (openCount != m_openCount)
                    return; // already reopened by the operator
                closePort();
                Q_EMIT lost();
            },
            Qt::QueuedConnection);
}

} // namespace serial
