#pragma once

#include "link/LineSettings.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

class QSocketNotifier;

namespace serial {

// The serial-port control: one device, its line settings, byte I/O and flow control.
// Every operation it refuses throws Failure with a description for the operator.
class SerialControl : public QObject
{
    Q_OBJECT

public:
    // 0: no flow control; 3: RTS/CTS together with XON/XOFF.
    enum class Handshaking { None = 0, RtsXonXoff = 3 };

    explicit SerialControl(QObject *parent = nullptr);
    ~SerialControl() override;

    void setDevice(const QString &path);
    QString device() const { return m_device; }
    void setSettings(const QString &settingsText);
    QString settings() const { return m_settingsText; }

    void open();
    void close();
    bool isOpen() const;

    void discardInput();
    void discardOutput();

    // A text goes out in code page 936; raw bytes go out unchanged. Both reach the operating
    // system before the call returns unless the line is held by flow control, in which case
    // the rest goes out as the line frees up and close() waits for it.
    void write(const QString &text);
    void writeRaw(const QByteArray &bytes);
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
    Handshaking handshaking() const { return m_handshaking; }

    qint64 bytesAvailable() const;
    // Takes in bytes the operating system holds but the event loop has not yet delivered;
    // readyRead follows if there were any.
    void receivePending();
    char readByte();
    QByteArray peekAvailable();

    // How long close() and the destructor wait for output held by flow control.
    static constexpr int drainTimeoutMs = 2000;

Q_SIGNALS:
    void readyRead();
    // The device stopped working while open (adapter pulled, far end closed). Emitted once, from
    // the event loop, after the port has been closed.
    void linkLost(const QString &description);

private:
    void requireOpen() const;
    void send(const QByteArray &bytes);
    void sendNow(const QByteArray &bytes);
    void writePending();
    void drain(int timeoutMs);
    void onError(QSerialPort::SerialPortError error);
    void markLost(const QString &reason);
    void closePort();
    [[noreturn]] void throwOpenFailure();

    QSerialPort m_port;
    QString m_device;
    QString m_settingsText;
    LineSettings m_settings;
    Handshaking m_handshaking = Handshaking::None;
    QByteArray m_pending;
    QByteArray m_batch;
    int m_batchDepth = 0;
    QSocketNotifier *m_writeNotifier = nullptr;
    bool m_lost = false;
    quint64 m_openCount = 0;
};

} // namespace serial
