// libFuzzer target for the texts an operator types into the port and line-settings boxes: any
// texts give either settings the serial layer can take, or nothing; a port name gives a device
// path, a host and port, or nothing.
#include "link/LineSettings.h"
#include "link/PortName.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Four texts separated by 00 bytes, decoded as UTF-8 the way typed text would arrive.
    const QList<QByteArray> parts
            = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    QStringList texts;
    for (const QByteArray &part : parts)
        texts.append(QString::fromUtf8(part));
    while (texts.size() < 4)
        texts.append(QString());

    const std::optional<serial::PortName> name = serial::PortName::parse(texts[0]);
    if (name && name->kind != serial::PortName::Kind::Network && !name->device.startsWith(u'/'))
        std::abort();
    // A network printer's address reads back as the same host and port.
    if (name && name->kind == serial::PortName::Kind::Network) {
        const std::optional<serial::PortName> again = serial::PortName::parse(name->address());
        if (name->host.isEmpty() || name->tcpPort == 0 || !again
            || again->address() != name->address())
            std::abort();
    }
    const std::optional<serial::LineSettings> settings = serial::LineSettings::fromTexts(
            texts[1], texts[2], texts[3]);
    if (settings
        && (settings->baudRate < serial::LineSettings::minBaudRate
            || settings->baudRate > serial::LineSettings::maxBaudRate
            || settings->dataBits < QSerialPort::Data5 || settings->dataBits > QSerialPort::Data8
            || (settings->stopBits != QSerialPort::OneStop
                && settings->stopBits != QSerialPort::TwoStop)))
        std::abort();
    return 0;
}
