#pragma once

#include "link/LineSettings.h"
#include "link/LinkFailure.h"
#include "link/LinkRecord.h"
#include "link/SerialControl.h"
#include "link/SerialP.h"
#include "link/TcpConnection.h"
#include "link/UsbPrinter.h"

#include <QObject>

#include <optional>

namespace serial {

// The link to the printer: the transport the port name calls for (serial port, printer-class
// device or network connection), the one sender over it, opening and closing.
class PrinterLink : public QObject
{
    Q_OBJECT

public:
    explicit PrinterLink(QObject *parent = nullptr);
    ~PrinterLink() override;

    // Chooses the transport from the port name and opens it; the settings serve a serial port
    // only, which refuses to open without them. Whatever either direction holds once open is
    // discarded. opened() or failed() follows, from within the call unless a connection has to
    // be waited for; on failure the link is closed and port() unchanged.
    void open(const QString &portName, const std::optional<LineSettings> &settings);
    void close();
    bool isOpen() const { return m_transport && m_transport->isOpen(); }
    bool isOpening() const { return m_transport && m_transport->isOpening(); }

    // A network printer's connection is given up when sent data waits this long to be taken;
    // from the next open on.
    void setStallLimit(int milliseconds) { m_network.setStallLimit(milliseconds); }

    // Empty until the first successful open, then always the one SerialP.
    Port *port() const { return m_port; }
    // What SerialP hands over: one piece, to the printer.
    void write(const QByteArray &bytes);
    // Bytes handed over that the device has not taken yet; drained() says when none are left.
    qint64 bytesToWrite() const;
    // A serial line's speed in bytes a second (start, data and stop bits a byte); nothing for
    // a printer-class device or a network printer, or while closed.
    std::optional<qint32> lineBytesPerSecond() const;

    // Every write and every read from now on goes into the record as well; nullptr stops it.
    // The record must outlive the link or be taken off first.
    void setRecord(LinkRecord *record);

    // While a batch is open, writes are gathered and go to the printer in one piece when the
    // outermost batch closes: the bytes and their order are the same.
    class Batch
    {
    public:
        explicit Batch(PrinterLink &link);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        PrinterLink &m_link;
    };

    // What the status check needs of the open transport: the bytes received, and no flow
    // control while it asks.
    void setHandshaking(Handshaking handshaking);
    void discardInput();
    qint64 bytesAvailable() const;
    void receivePending();
    QByteArray read(qint64 count);
    QByteArray peekAvailable();

Q_SIGNALS:
    void opened();
    void failed(serial::LinkFailure failure);
    void readyRead();
    void drained();

private:
    Transport *transportFor(PortName::Kind kind);
    void transmit(const QByteArray &bytes);
    // Records what has arrived since the last look: the bytes held beyond those already seen.
    void recordArrivals();

    SerialControl m_serial;
    UsbPrinter m_usbPrinter;
    TcpConnection m_network;
    Transport *m_transport = nullptr; // chosen by the last open
    Handshaking m_handshaking = Handshaking::None;
    SerialP m_serialPort{*this};
    Port *m_port = nullptr;
    QByteArray m_batch;
    int m_batchDepth = 0;
    std::optional<LineSettings> m_lineSettings; // of the serial port last opened
    LinkRecord *m_record = nullptr;
    qint64 m_recordedInput = 0; // received bytes held that are in the record already
};

} // namespace serial
