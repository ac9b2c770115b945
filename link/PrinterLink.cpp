#include "link/PrinterLink.h"

namespace serial {

PrinterLink::PrinterLink(QObject *parent)
    : QObject(parent)
{
    for (Transport *transport :
         std::initializer_list<Transport *>{&m_serial, &m_usbPrinter, &m_network}) {
        // Only the transport of the last open speaks for the link.
        const auto current = [this, transport] {
            return transport == m_transport;
        };
        connect(transport, &Transport::opened, this, [this, current] {
            if (!current())
                return;
            m_port = &m_serialPort;
            // Whatever arrived while the link was being opened, or was left queued, is thrown
            // away.
            m_transport->discardInput();
            m_transport->discardOutput();
            Q_EMIT opened();
        });
        connect(transport, &Transport::failed, this, [this, current](LinkFailure failure) {
            if (current())
                Q_EMIT failed(failure);
        });
        connect(transport, &Transport::lost, this, [this, current](LinkFailure failure) {
            if (current())
                Q_EMIT failed(failure);
        });
        connect(transport, &Transport::readyRead, this, [this, current] {
            if (!current())
                return;
            if (m_record)
                recordArrivals();
            Q_EMIT readyRead();
        });
        connect(transport, &Transport::drained, this, [this, current] {
            if (current())
                Q_EMIT drained();
        });
    }
}

PrinterLink::~PrinterLink()
{
    close();
}

Transport *PrinterLink::transportFor(PortName::Kind kind)
{
    switch (kind) {
    case PortName::Kind::Serial:
        return &m_serial;
    case PortName::Kind::PrinterDevice:
        return &m_usbPrinter;
    case PortName::Kind::Network:
        return &m_network;
    }
    return &m_serial;
}

void PrinterLink::open(const QString &portName, const std::optional<LineSettings> &settings)
{
    close();
    const std::optional<PortName> name = PortName::parse(portName);
    if (!name) {
        Q_EMIT failed(LinkFailure::NotFound);
        return;
    }
    m_transport = transportFor(name->kind);
    m_lineSettings = name->kind == PortName::Kind::Serial ? settings : std::nullopt;
    m_recordedInput = 0;
    m_transport->setHandshaking(m_handshaking);
    m_transport->open(*name, settings);
}

void PrinterLink::close()
{
    if (m_transport)
        m_transport->close();
}

void PrinterLink::write(const QByteArray &bytes)
{
    if (m_record && isOpen())
        m_record->add(LinkRecord::Direction::Sent, bytes);
    if (m_batchDepth > 0)
        m_batch.append(bytes);
    else
        transmit(bytes);
}

void PrinterLink::transmit(const QByteArray &bytes)
{
    if (m_transport)
        m_transport->write(bytes);
}

qint64 PrinterLink::bytesToWrite() const
{
    return m_transport ? m_transport->bytesToWrite() : 0;
}

std::optional<qint32> PrinterLink::lineBytesPerSecond() const
{
    if (!isOpen() || !m_lineSettings)
        return std::nullopt;
    const int stopBits = m_lineSettings->stopBits == QSerialPort::OneStop ? 1 : 2;
    return m_lineSettings->baudRate / (1 + int(m_lineSettings->dataBits) + stopBits);
}

void PrinterLink::setRecord(LinkRecord *record)
{
    m_record = record;
    m_recordedInput = bytesAvailable(); // what is held already arrived before the record began
}

void PrinterLink::recordArrivals()
{
    const QByteArray held = m_transport->peekAvailable();
    if (held.size() > m_recordedInput)
        m_record->add(LinkRecord::Direction::Received, held.mid(m_recordedInput));
    m_recordedInput = held.size();
}

PrinterLink::Batch::Batch(PrinterLink &link)
    : m_link(link)
{
    ++m_link.m_batchDepth;
}

PrinterLink::Batch::~Batch()
{
    if (--m_link.m_batchDepth == 0 && !m_link.m_batch.isEmpty())
        m_link.transmit(std::exchange(m_link.m_batch, QByteArray()));
}

void PrinterLink::setHandshaking(Handshaking handshaking)
{
    m_handshaking = handshaking;
    if (m_transport)
        m_transport->setHandshaking(handshaking);
}

void PrinterLink::discardInput()
{
    if (m_transport)
        m_transport->discardInput();
    m_recordedInput = 0;
}

qint64 PrinterLink::bytesAvailable() const
{
    return m_transport ? m_transport->bytesAvailable() : 0;
}

void PrinterLink::receivePending()
{
    if (m_transport)
        m_transport->receivePending();
}

QByteArray PrinterLink::read(qint64 count)
{
    QByteArray bytes = m_transport ? m_transport->read(count) : QByteArray();
    m_recordedInput = std::max<qint64>(0, m_recordedInput - bytes.size());
    return bytes;
}

QByteArray PrinterLink::peekAvailable()
{
    return m_transport ? m_transport->peekAvailable() : QByteArray();
}

} // namespace serial
