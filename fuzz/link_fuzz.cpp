// libFuzzer target for the texts an operator types into the port and line-settings boxes: any
// texts give either settings the serial layer can take, or nothing; a port name gives a device
// path or nothing.
#include "link/LineSettings.h"
#include "link/PrinterLink.h"

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

    const QString device = serial::PrinterLink::devicePath(texts[0]);
    if (!device.isEmpty() && !device.startsWith(u'/'))
        std::abort();
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
