#pragma once

#include "link/LineSettings.h"
#include "link/LinkFailure.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <optional>

class QSocketNotifier;

namespace serial {

// The serial-port control: one device, its line settings, byte I/O and flow control.
class SerialControl : public QObject
{
    Q_OBJECT

public:
    // 0: no flow control; 3: RTS/CTS together with XON/XOFF.
    enum class Handshaking { None = 0, RtsXonXoff = 3 };

    explicit SerialControl(QObject *parent = nullptr);
    ~SerialControl() override;

    // Nothing on success; a port that opens but refuses the settings is closed again.
    std::optional<LinkFailure> open(const QString &device, const LineSettings &settings);
    void close();
    bool isOpen() const;

    void discardInput();
    void discardOutput();

    // The bytes reach the operating system before the call returns unless the line is held by
    // flow control, in which case the rest goes out as the line frees up and close() waits for
    // it. While the port is closed nothing is written: the window locks every control that
    // sends, and a device lost in the middle of a job has been reported already.
    void write(const QByteArray &bytes);
    qint64 bytesToWrite() const { return m_pending.size(); }

    // While a batch is open, writes are gathered and go to the device in one system call when
    // the outermost batch closes: the bytes and their order on the line are the same.
    class Batch
    {
    public:
        explicit Batch(SerialControl &comm);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        SerialControl &m_comm;
    };

    void setHandshaking(Handshaking handshaking);

    qint64 bytesAvailable() const;
    // Takes in bytes the operating system holds but the event loop has not yet delivered;
    // readyRead follows if there were any.
    void receivePending();
    QByteArray read(qint64 count);
    QByteArray peekAvailable();

    // How long close() and the destructor wait for output held by flow control.
    static constexpr int drainTimeoutMs = 2000;

Q_SIGNALS:
    void readyRead();
    // The device stopped working while open (adapter pulled, far end closed). Emitted once, from
    // the event loop, after the port has been closed.
    void lost();

private:
    std::optional<LinkFailure> openFailure();
    bool applyHandshaking();
    void sendNow(const QByteArray &bytes);
    void writePending();
    void drain(int timeoutMs);
    void onError(QSerialPort::SerialPortError error);
    void markLost();
    void closePort();

    QSerialPort m_port;
    QString m_device;
    Handshaking m_handshaking = Handshaking::None;
    QByteArray m_pending;
    QByteArray m_batch;
    int m_batchDepth = 0;
    QSocketNotifier *m_writeNotifier = nullptr;
    bool m_lost = false;
    quint64 m_openCount = 0;
};

} // namespace serial
