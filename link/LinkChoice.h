#pragma once

#include <QString>

#include <optional>

namespace serial {

// What the operator chose for the link, read from the four settings boxes at an open.
struct LinkChoice
{
    std::optional<int> portNumber; // 1 to 8 for "COM1".."COM8"; none for a typed device path
    QString devicePath;            // what the serial layer opens
    QString baudRate;              // as typed
    qint16 dataBits = 8;
    qint16 stopBits = 1; // whole number: "1.5" rounds to the even neighbour, 2

    // The line settings as the serial layer takes them: baud, empty parity, data bits, stop bits.
    QString settingsText() const;

    // Throws Failure with an operator-readable reason for a port name or number it cannot use.
    static LinkChoice fromTexts(const QString &port,
                                const QString &baud,
                                const QString &bits,
                                const QString &stopBits);

    // The platform's device for the n-th serial port (1 is COM1): /dev/ttyS0 on Linux.
    static QString devicePathForPort(int number);
};

} // namespace serial
