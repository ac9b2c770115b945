#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

namespace serial {

// Baud rate, data bits and stop bits of the line; parity is always none.
struct LineSettings
{
    qint32 baudRate = 115200;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    // From the texts of the baud, data-bits and stop-bits boxes. Data and stop bits are numbers
    // rounded to a whole number, a half to the even neighbour, so "1.5" stop bits give 2.
    // Nothing when a text gives no value the serial layer takes.
    static std::optional<LineSettings> fromTexts(const QString &baudRate,
                                                 const QString &dataBits,
                                                 const QString &stopBits);

    // "baud,,data bits,stop bits", the empty field being the parity: "115200,,8,1".
    QString text() const;

    static constexpr qint32 minBaudRate = 50;
    static constexpr qint32 maxBaudRate = 4000000;
};

} // namespace serial
