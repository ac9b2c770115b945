#include "app/Sentences.h"

#include "link/LineSettings.h"
#include "link/PortName.h"
#include "link/TcpConnection.h"
#include "protocol/StatusReply.h"

#include <QCoreApplication>

namespace app {

// The context under which the sentences are translated.
class Sentences
{
    Q_DECLARE_TR_FUNCTIONS(app::Sentences)
};

namespace {

// The port as the operator knows it, with the device or address the tool used.
QString portText(const serial::PortName &name, const QString &portName)
{
    switch (name.kind) {
    case serial::PortName::Kind::Serial:
        return name.device == portName
                       ? Sentences::tr("the serial port %1").arg(portName)
                       : Sentences::tr("the serial port %1 (%2)").arg(portName, name.device);
    case serial::PortName::Kind::PrinterDevice:
        return Sentences::tr("the printer device %1").arg(portName);
    case serial::PortName::Kind::Network:
        return Sentences::tr("the network printer %1").arg(name.address());
    }
    return portName;
}

QString capitalised(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace

QString linkFailureText(serial::LinkFailure failure,
                        const QString &portName,
                        const QString &settingsText,
                        const QString &openCaption)
{
    const std::optional<serial::PortName> name = serial::PortName::parse(portName);
    if (!name) {
        return Sentences::tr("\"%1\" is not a port name. Choose COM1 to COM8 or a port from the "
                             "list, or type the path of a device such as /dev/ttyUSB0 or "
                             "/dev/usb/lp0, or the address of a network printer such as "
                             "192.168.1.100 or printer.local:9100.")
                .arg(portName);
    }
    const QString port = portText(*name, portName);
    switch (failure) {
    case serial::LinkFailure::NotFound:
        return Sentences::tr("%1 does not exist. Check the port name, and that the printer or "
                             "its adapter is plugged in.")
                .arg(capitalised(port));
    case serial::LinkFailure::PermissionDenied:
        return Sentences::tr("You are not allowed to use %1. The user must be given access to "
                             "the device (on Debian: add the user to the %2 group, then log in "
                             "again).")
                .arg(port,
                     name->kind == serial::PortName::Kind::PrinterDevice
                             ? QStringLiteral("lp")
                             : QStringLiteral("dialout"));
    case serial::LinkFailure::InUse:
        return Sentences::tr("%1 is in use by another program. Close that program (for a "
                             "printer device, also a print spooler such as CUPS), or choose "
                             "another port.")
                .arg(capitalised(port));
    case serial::LinkFailure::WrongDevice:
        return name->kind == serial::PortName::Kind::PrinterDevice
                       ? Sentences::tr("%1 is not a printer device.").arg(portName)
                       : Sentences::tr("%1 is not a serial port.").arg(portName);
    case serial::LinkFailure::SettingsRefused:
        return Sentences::tr("The line settings %1 cannot be used on %2: the baud rate must be "
                             "a whole number from %3 to %4 that the port supports, the data "
                             "bits 5 to 8 (this printer uses 7 or 8), the stop bits 1, 1.5 or "
                             "2.")
                .arg(settingsText,
                     port,
                     QString::number(serial::LineSettings::minBaudRate),
                     QString::number(serial::LineSettings::maxBaudRate));
    case serial::LinkFailure::HostNotFound:
        return Sentences::tr("The host of %1 is unknown: the name has no network address. "
                             "Check the name, or type the printer's IP address.")
                .arg(port);
    case serial::LinkFailure::Refused:
        return Sentences::tr("The connection to %1 was refused: nothing takes print data on "
                             "port %2 of that host. Check the address and port (network "
                             "printers take it on %3).")
                .arg(port,
                     QString::number(name->tcpPort),
                     QString::number(serial::PortName::rawPrintPort));
    case serial::LinkFailure::Unreachable:
        return Sentences::tr("%1 is unreachable: there is no route to its network. Check the "
                             "address, and the network cable or Wi-Fi of this computer.")
                .arg(capitalised(port));
    case serial::LinkFailure::TimedOut:
        return Sentences::tr("The connection to %1 timed out: no answer within %2 seconds. "
                             "Check the address, and that the printer is switched on and on "
                             "the network.")
                .arg(port, QString::number(serial::TcpConnection::connectTimeoutMs / 1000));
    case serial::LinkFailure::Lost:
        return Sentences::tr("The connection to %1 was lost. The link has been closed: check "
                             "the printer and its cable, adapter or network, then click "
                             "\"%2\" again.")
                .arg(port, openCaption);
    case serial::LinkFailure::Stalled:
        return Sentences::tr("%1 stopped taking data: what was sent waited too long to be "
                             "taken, and the link has been closed. The printer may be out of "
                             "paper, open or switched off: check it and its network, then "
                             "click \"%2\" again.")
                .arg(capitalised(port), openCaption);
    }
    return QString();
}

QString barcodeRefusalText(jobs::BarcodeRefusal refusal, const QString &typeName)
{
    switch (refusal) {
    case jobs::BarcodeRefusal::UnknownType:
        return Sentences::tr("\"%1\" is not a barcode type this printer knows. Choose one of "
                             "the nine types in the list.")
                .arg(typeName);
    case jobs::BarcodeRefusal::NoData:
        return Sentences::tr("There is no barcode data. Type the data to print into the box "
                             "beside the barcode type.");
    case jobs::BarcodeRefusal::NotSingleByte:
        return Sentences::tr("Barcode data can hold only ASCII characters: digits, letters "
                             "and symbols.");
    case jobs::BarcodeRefusal::TooLong:
        return Sentences::tr("A %1 barcode takes at most %2 characters.")
                .arg(typeName)
                .arg(protocol::maxBarcodeData(jobs::findBarcodeType(typeName)->symbology));
    }
    return QString();
}

QString hintLeftText()
{
    return Sentences::tr("The box beside the barcode type still holds the hint. Type the data "
                         "to print in its place.");
}

QString replyToolTip(const QByteArray &reply)
{
    return Sentences::tr("Reply: %1").arg(hex(reply));
}

QString partialReplyToolTip(const QByteArray &partial)
{
    if (partial.isEmpty())
        return Sentences::tr("No reply byte arrived.");
    return Sentences::tr("Only %1 of %2 reply bytes arrived: %3")
            .arg(partial.size())
            .arg(protocol::StatusReply::length)
            .arg(hex(partial));
}

} // namespace app
