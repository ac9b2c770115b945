#pragma once

#include "link/DeviceWriter.h"
#include "link/Transport.h"

#include <QSerialPort>
#include <QString>

namespace serial {

// The serial-port control: one serial device, its line settings, byte I/O and flow control.
class SerialControl : public Transport
{
    Q_OBJECT

public:
    explicit SerialControl(QObject *parent = nullptr);
    ~SerialControl() override;

    void write(const QByteArray &bytes) override;
    qint64 bytesToWrite() const override;
    void discardInput() override;
    void discardOutput() override;
    qint64 bytesAvailable() const override;
    void receivePending() override;
    QByteArray read(qint64 count) override;
    QByteArray peekAvailable() override;
    void setHandshaking(Handshaking handshaking) override;

protected:
    // Opens the device and applies the settings; a port that opens but refuses them is closed
    // again.
    void startOpen(const PortName &name, const std::optional<LineSettings> &settings) override;
    void drain(int timeoutMs) override;
    void closeNow() override;

private:
    std::optional<LinkFailure> openDevice(const QString &device, const LineSettings &settings);
    std::optional<LinkFailure> openFailure(const QString &device);
    bool applyHandshaking();
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    Handshaking m_handshaking = Handshaking::None;
#ifdef Q_OS_UNIX
    DeviceWriter m_writer;
#endif
};

} // namespace serial
