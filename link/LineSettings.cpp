#include "link/LineSettings.h"

#include "link/Failure.h"

#include <QCoreApplication>

namespace serial {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("serial::LineSettings", text);
}

bool isDecimal(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

LineSettings LineSettings::fromText(const QString &text)
{
    const QStringList fields = text.split(u',');
    if (fields.size() != 4)
        throw Failure(tr("The line settings \"%1\" need four fields: baud rate, parity, data bits "
                         "and stop bits.")
                              .arg(text));

    LineSettings settings;

    const QString &baud = fields.at(0);
    // Nine digits fit a 32-bit value, so the range test below sees the true number.
    const bool baudOk = isDecimal(baud) && baud.size() <= 9 && baud.toInt() >= minBaudRate
                        && baud.toInt() <= maxBaudRate;
    if (!baudOk)
        throw Failure(tr("The baud rate \"%1\" is not one the serial port accepts: type a whole "
                         "number from %2 to %3, such as 9600 or 115200.")
                              .arg(baud)
                              .arg(minBaudRate)
                              .arg(maxBaudRate));
    settings.baudRate = baud.toInt();

    const QString parity = fields.at(1).toUpper();
    if (parity.isEmpty() || parity == u"N")
        settings.parity = QSerialPort::NoParity;
    else if (parity == u"E")
        settings.parity = QSerialPort::EvenParity;
    else if (parity == u"O")
        settings.parity = QSerialPort::OddParity;
    else if (parity == u"M")
        settings.parity = QSerialPort::MarkParity;
    else if (parity == u"S")
        settings.parity = QSerialPort::SpaceParity;
    else
        throw Failure(tr("The parity \"%1\" is not one of N, E, O, M or S.").arg(fields.at(1)));

    const QString &bits = fields.at(2);
    if (bits == u"5")
        settings.dataBits = QSerialPort::Data5;
    else if (bits == u"6")
        settings.dataBits = QSerialPort::Data6;
    else if (bits == u"7")
        settings.dataBits = QSerialPort::Data7;
    else if (bits == u"8")
        settings.dataBits = QSerialPort::Data8;
    else
        throw Failure(tr("%1 data bits cannot be used: the serial port takes 5 to 8 (this printer "
                         "uses 7 or 8).")
                              .arg(bits));

    const QString &stop = fields.at(3);
    if (stop == u"1")
        settings.stopBits = QSerialPort::OneStop;
    else if (stop == u"1.5")
        settings.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == u"2")
        settings.stopBits = QSerialPort::TwoStop;
    else
        throw Failure(tr("%1 stop bits cannot be used: choose 1, 1.5 or 2.").arg(stop));

    return settings;
}

} // namespace serial
