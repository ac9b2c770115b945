#pragma once

#include <QSerialPort>
#include <QString>

namespace serial {

// Line settings in the text form "baud,parity,data bits,stop bits", e.g. "115200,,8,1".
struct LineSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    // Throws Failure, naming the field, when the text is not one the serial layer can apply.
    // An empty parity field means no parity.
    static LineSettings fromText(const QString &text);

    static constexpr qint32 minBaudRate = 50;
    static constexpr qint32 maxBaudRate = 4000000;
};

} // namespace serial
