#include "app/FailureText.h"

#include "link/LineSettings.h"
#include "link/PortName.h"
#include "link/TcpConnection.h"

#include <QCoreApplication>

namespace app {

namespace {

// The context is the namespace: lupdate files the tr() calls of free functions under it.
QString tr(const char *text)
{
    return QCoreApplication::translate("app", text);
}

// The port as the operator knows it, with the device or address the tool used.
QString portText(const serial::PortName &name, const QString &portName)
{
    switch (name.kind) {
    case serial::PortName::Kind::Serial:
        return name.device == portName ? tr("the serial port %1").arg(portName)
                                       : tr("the serial port %1 (%2)").arg(portName, name.device);
    case serial::PortName::Kind::PrinterDevice:
        return tr("the printer device %1").arg(portName);
    case serial::PortName::Kind::Network:
        return tr("the network printer %1").arg(name.address());
    }
    return portName;
}

QString capitalised(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

} // namespace

QString linkFailureText(serial::LinkFailure failure,
                        const QString &portName,
                        const QString &settingsText)
{
    const std::optional<serial::PortName> name = serial::PortName::parse(portName);
    if (!name) {
        return tr("\"%1\" is not a port name. Choose COM1 to COM8 or a port from the list, or "
                  "type the path of a device such as /dev/ttyUSB0 or /dev/usb/lp0, or the "
                  "address of a network printer such as 192.168.1.100 or printer.local:9100.")
                .arg(portName);
    }
    const QString port = portText(*name, portName);
    switch (failure) {
    case serial::LinkFailure::NotFound:
        return tr("%1 does not exist. Check the port name, and that the printer or its adapter "
                  "is plugged in.")
                .arg(capitalised(port));
    case serial::LinkFailure::PermissionDenied:
        return tr("You are not allowed to use %1. The user must be given access to the device "
                  "(on Debian: add the user to the %2 group, then log in again).")
                .arg(port,
                     name->kind == serial::PortName::Kind::PrinterDevice
                             ? QStringLiteral("lp")
                             : QStringLiteral("dialout"));
    case serial::LinkFailure::InUse:
        return tr("%1 is in use by another program. Close that program (for a printer device, "
                  "also a print spooler such as CUPS), or choose another port.")
                .arg(capitalised(port));
    case serial::LinkFailure::WrongDevice:
        return name->kind == serial::PortName::Kind::PrinterDevice
                       ? tr("%1 is not a printer device.").arg(portName)
                       : tr("%1 is not a serial port.").arg(portName);
    case serial::LinkFailure::SettingsRefused:
        return tr("The line settings %1 cannot be used on %2: the baud rate must be a whole "
                  "number from %3 to %4 that the port supports, the data bits 5 to 8 (this "
                  "printer uses 7 or 8), the stop bits 1, 1.5 or 2.")
                .arg(settingsText,
                     port,
                     QString::number(serial::LineSettings::minBaudRate),
                     QString::number(serial::LineSettings::maxBaudRate));
    case serial::LinkFailure::HostNotFound:
        return tr("The host of %1 is unknown: the name has no network address. Check the name, "
                  "or type the printer's IP address.")
                .arg(port);
    case serial::LinkFailure::Refused:
        return tr("The connection to %1 was refused: nothing takes print data on port %2 of "
                  "that host. Check the address and port (network printers take it on %3).")
                .arg(port,
                     QString::number(name->tcpPort),
                     QString::number(serial::PortName::rawPrintPort));
    case serial::LinkFailure::Unreachable:
        return tr("%1 is unreachable: there is no route to its network. Check the address, "
                  "and the network cable or Wi-Fi of this computer.")
                .arg(capitalised(port));
    case serial::LinkFailure::TimedOut:
        return tr("The connection to %1 timed out: no answer within %2 seconds. Check the "
                  "address, and that the printer is switched on and on the network.")
                .arg(port, QString::number(serial::TcpConnection::connectTimeoutMs / 1000));
    case serial::LinkFailure::Lost:
        return tr("The connection to %1 was lost. The link has been closed: check the printer "
                  "and its cable, adapter or network, then click \"open com\" again.")
                .arg(port);
    }
    return QString();
}

QString barcodeRefusalText(jobs::BarcodeRefusal refusal, const QString &typeName)
{
    switch (refusal) {
    case jobs::BarcodeRefusal::UnknownType:
        return tr("\"%1\" is not a barcode type this printer knows. Choose one of the nine types "
                  "in the list.")
                .arg(typeName);
    case jobs::BarcodeRefusal::NoData:
        return tr("There is no barcode data. Type the data to print into the box beside the "
                  "barcode type.");
    case jobs::BarcodeRefusal::NotSingleByte:
        return tr("Barcode data can hold only ASCII characters (digits, letters, symbols). "
                  "Replace the hint with the data to print.");
    case jobs::BarcodeRefusal::TooLong:
        return tr("A %1 barcode takes at most %2 characters.")
                .arg(typeName)
                .arg(protocol::maxBarcodeData(jobs::findBarcodeType(typeName)->symbology));
    }
    return QString();
}

} // namespace app
