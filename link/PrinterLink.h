#pragma once

#include "link/LineSettings.h"
#include "link/LinkFailure.h"
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

private:
    Transport *transportFor(PortName::Kind kind);

    SerialControl m_serial;
    UsbPrinter m_usbPrinter;
    TcpConnection m_network;
    Transport *m_transport = nullptr; // chosen by the last open
    Handshaking m_handshaking = Handshaking::None;
    SerialP m_serialPort{*this};
    Port *m_port = nullptr;
    QByteArray m_batch;
    int m_batchDepth = 0;
};

} // namespace serial
