#include "link/SerialControl.h"

#include "link/Failure.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStringEncoder>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
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

void SerialControl::setDevice(const QString &path)
{
    m_device = path;
}

void SerialControl::setSettings(const QString &settingsText)
{
    m_settings = LineSettings::fromText(settingsText);
    m_settingsText = settingsText;
}

bool SerialControl::isOpen() const
{
    return m_port.isOpen();
}

void SerialControl::open()
{
    if (m_port.isOpen())
        throw Failure(tr("The serial port %1 is already open.").arg(m_device));
    if (m_device.isEmpty())
        throw Failure(tr("No serial port has been chosen."));
#ifdef Q_OS_UNIX
    // Look before opening: a path that is no character device is no serial port, and opening
    // it read-write would be pointless at best.
    struct stat info = {};
    const QByteArray path = QFile::encodeName(m_device);
    if (::stat(path.constData(), &info) != 0) {
        if (errno == EACCES)
            throw Failure(tr("You are not allowed to use the serial port %1. The user must be "
                             "given access to the device (on Debian: add the user to the dialout "
                             "group, then log in again).")
                                  .arg(m_device));
        throw Failure(tr("The serial port %1 does not exist. Check the port name, and that the "
                         "printer or its adapter is plugged in.")
                              .arg(m_device));
    }
    if (!S_ISCHR(info.st_mode))
        throw Failure(tr("%1 is not a serial port.").arg(m_device));
#endif

    m_port.setPortName(m_device);
    if (!m_port.open(QIODevice::ReadWrite))
        throwOpenFailure();
    m_lost = false;
    ++m_openCount;

    const bool applied = m_port.setBaudRate(m_settings.baudRate)
                         && m_port.setDataBits(m_settings.dataBits)
                         && m_port.setParity(m_settings.parity)
                         && m_port.setStopBits(m_settings.stopBits);
    if (!applied) {
        const QString reason = m_port.errorString();
        closePort();
        throw Failure(tr("The serial port %1 refused the line settings %2 (%3).")
                              .arg(m_device, m_settingsText, reason));
    }
    setHandshaking(m_handshaking);

#ifdef Q_OS_UNIX
    m_writeNotifier = new QSocketNotifier(m_port.handle(), QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &SerialControl::writePending);
#endif
}

void SerialControl::throwOpenFailure()
{
    const QSerialPort::SerialPortError error = m_port.error();
    const QString reason = m_port.errorString();
    m_port.clearError();
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        throw Failure(tr("The serial port %1 does not exist. Check the port name, and that the "
                         "printer or its adapter is plugged in.")
                              .arg(m_device));
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        // The serial layer reports a lock held by another program as a permission error too:
        // if this user may read and write the device, someone else has it.
        if (::access(QFile::encodeName(m_device).constData(), R_OK | W_OK) == 0)
            throw Failure(tr("The serial port %1 is in use by another program. Close that "
                             "program, or choose another port.")
                                  .arg(m_device));
#endif
        throw Failure(tr("You are not allowed to use the serial port %1. The user must be given "
                         "access to the device (on Debian: add the user to the dialout group, "
                         "then log in again).")
                              .arg(m_device));
    default:
        throw Failure(tr("The serial port %1 could not be opened (%2). Check that it is a serial "
                         "port and that the printer is connected.")
                              .arg(m_device, reason));
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

void SerialControl::requireOpen() const
{
    if (!m_port.isOpen())
        throw Failure(tr("The serial port is not open. Click \"open com\" first."));
}

void SerialControl::discardInput()
{
    requireOpen();
    m_port.clear(QSerialPort::Input);
}

void SerialControl::discardOutput()
{
    requireOpen();
    m_pending.clear();
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    m_port.clear(QSerialPort::Output);
}

void SerialControl::write(const QString &text)
{
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        throw Failure(tr("The text \"%1\" holds characters that code page 936 cannot carry; "
                         "nothing of it was sent.")
                              .arg(text));
    send(bytes);
}

void SerialControl::writeRaw(const QByteArray &bytes)
{
    send(bytes);
}

SerialControl::Batch::Batch(SerialControl &comm)
    : m_comm(comm)
{
    ++m_comm.m_batchDepth;
}

SerialControl::Batch::~Batch()
{
    if (--m_comm.m_batchDepth > 0 || m_comm.m_batch.isEmpty())
        return;
    const QByteArray bytes = std::exchange(m_comm.m_batch, QByteArray());
    try {
        m_comm.sendNow(bytes);
    } catch (const Failure &) {
        // Only a lost device fails here, and the link reports that by itself.
    }
}

void SerialControl::send(const QByteArray &bytes)
{
    requireOpen();
    if (m_batchDepth > 0)
        m_batch.append(bytes);
    else
        sendNow(bytes);
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
    if (m_lost)
        throw Failure(tr("The connection to the printer on %1 was lost.").arg(m_device),
                      Failure::Kind::LinkLost);
#else
    if (m_port.write(bytes) != bytes.size())
        throw Failure(tr("Writing to %1 failed (%2).").arg(m_device, m_port.errorString()));
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
            markLost(QString::fromLocal8Bit(std::strerror(errno)));
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
#ifdef Q_OS_UNIX
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_pending.isEmpty() && !m_lost && !deadline.hasExpired()) {
        pollfd fd = {m_port.handle(), POLLOUT, 0};
        if (::poll(&fd, 1, int(deadline.remainingTime())) > 0)
            writePending();
    }
#else
    const QDeadlineTimer deadline(timeoutMs);
    while (m_port.bytesToWrite() > 0 && !deadline.hasExpired())
        m_port.waitForBytesWritten(int(deadline.remainingTime()));
#endif
}

void SerialControl::setHandshaking(Handshaking handshaking)
{
    m_handshaking = handshaking;
    if (!m_port.isOpen())
        return; // applies at the next open
#ifdef Q_OS_UNIX
    // Qt offers one kind of flow control at a time; 3 means both, so set the line directly.
    termios tio = {};
    const int fd = m_port.handle();
    bool ok = ::tcgetattr(fd, &tio) == 0;
    if (handshaking == Handshaking::RtsXonXoff) {
        tio.c_cflag |= CRTSCTS;
        tio.c_iflag |= IXON | IXOFF;
    } else {
        tio.c_cflag &= ~tcflag_t(CRTSCTS);
        tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    }
    ok = ok && ::tcsetattr(fd, TCSANOW, &tio) == 0;
    if (!ok)
        throw Failure(tr("The serial port %1 refused the flow-control setting (%2).")
                              .arg(m_device, QString::fromLocal8Bit(std::strerror(errno))));
#else
    const bool ok = m_port.setFlowControl(handshaking == Handshaking::None
                                                  ? QSerialPort::NoFlowControl
                                                  : QSerialPort::HardwareControl);
    if (!ok)
        throw Failure(tr("The serial port %1 refused the flow-control setting (%2).")
                              .arg(m_device, m_port.errorString()));
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

char SerialControl::readByte()
{
    requireOpen();
    char c = 0;
    if (!m_port.getChar(&c))
        throw Failure(tr("No byte has been received from the printer."));
    return c;
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
        markLost(m_port.errorString());
}

void SerialControl::markLost(const QString &reason)
{
    if (m_lost)
        return;
    m_lost = true;
    const QString description = tr("The connection to the printer on %1 was lost (%2). The link "
                                   "has been closed: check the cable or adapter, then click "
                                   "\"open com\" again.")
                                        .arg(m_device, reason);
    // Closed from the event loop, never from inside the port's own notification.
    QMetaObject::invokeMethod(
            this,
            [this, description, openCount = m_openCount] {
                if (openCount != m_openCount)
                    return; // already reopened by the operator
                closePort();
                Q_EMIT linkLost(description);
            },
            Qt::QueuedConnection);
}

} // namespace serial
