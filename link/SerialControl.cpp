#include "link/SerialControl.h"

#include <QDeadlineTimer>
#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace serial {

SerialControl::SerialControl(QObject *parent)
    : Transport(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialControl::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialControl::onError);
#ifdef Q_OS_UNIX
    connect(&m_writer, &DeviceWriter::failed, this, [this] { markLost(); });
    connect(&m_writer, &DeviceWriter::drained, this, &SerialControl::drained);
#else
    connect(&m_port, &QSerialPort::bytesWritten, this, [this] {
        if (m_port.bytesToWrite() == 0)
            Q_EMIT drained();
    });
#endif
}

SerialControl::~SerialControl()
{
    close();
}

void SerialControl::startOpen(const PortName &name, const std::optional<LineSettings> &settings)
{
    const std::optional<LinkFailure> failure = settings ? openDevice(name.device, *settings)
                                                        : LinkFailure::SettingsRefused;
    if (failure)
        reportFailure(*failure);
    else
        reportOpened();
}

std::optional<LinkFailure> SerialControl::openDevice(const QString &device,
                                                     const LineSettings &settings)
{
#ifdef Q_OS_UNIX
    // Look before opening: a path that is no character device is no serial port, and opening
    // it read-write would be pointless at best.
    struct stat info = {};
    if (::stat(QFile::encodeName(device).constData(), &info) != 0)
        return errno == EACCES ? LinkFailure::PermissionDenied : LinkFailure::NotFound;
    if (!S_ISCHR(info.st_mode))
        return LinkFailure::WrongDevice;
#endif

    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite))
        return openFailure(device);

    const bool applied = m_port.setBaudRate(settings.baudRate)
                         && m_port.setDataBits(settings.dataBits)
                         && m_port.setParity(QSerialPort::NoParity)
                         && m_port.setStopBits(settings.stopBits) && applyHandshaking();
    if (!applied)
        return LinkFailure::SettingsRefused;
#ifdef Q_OS_UNIX
    m_writer.attach(int(m_port.handle()));
#endif
    return std::nullopt;
}

std::optional<LinkFailure> SerialControl::openFailure(const QString &device)
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
        if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0)
            return LinkFailure::InUse;
#endif
        return LinkFailure::PermissionDenied;
    default:
        return LinkFailure::WrongDevice;
    }
}

void SerialControl::closeNow()
{
#ifdef Q_OS_UNIX
    m_writer.detach();
#endif
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
#ifdef Q_OS_UNIX
    m_writer.discard();
#endif
    m_port.clear(QSerialPort::Output);
}

void SerialControl::write(const QByteArray &bytes)
{
    if (!canWrite())
        return;
#ifdef Q_OS_UNIX
    // Written straight to the device so the bytes are with the operating system when this
    // returns; only what flow control holds back waits.
    m_writer.write(bytes);
#else
    if (m_port.write(bytes) != bytes.size())
        markLost();
    m_port.flush();
#endif
}

qint64 SerialControl::bytesToWrite() const
{
#ifdef Q_OS_UNIX
    return m_writer.pending();
#else
    return m_port.bytesToWrite();
#endif
}

void SerialControl::drain(int timeoutMs)
{
#ifdef Q_OS_UNIX
    m_writer.drain(timeoutMs);
#else
    const QDeadlineTimer deadline(timeoutMs);
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
    const int fd = int(m_port.handle());
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
    if (canWrite())
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

} // namespace serial
