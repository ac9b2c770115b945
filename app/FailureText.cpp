#include "app/FailureText.h"

#include "link/LineSettings.h"
#include "link/PrinterLink.h"

#include <QCoreApplication>

namespace app {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("app::FailureText", text);
}

} // namespace

QString linkFailureText(serial::LinkFailure failure,
                        const QString &portName,
                        const QString &settingsText)
{
    const QString device = serial::PrinterLink::devicePath(portName);
    const QString port = device.isEmpty() || device == portName
                                 ? portName
                                 : QStringLiteral("%1 (%2)").arg(portName, device);
    switch (failure) {
    case serial::LinkFailure::NotFound:
        return device.isEmpty()
                       ? tr("\"%1\" is not a serial port name. Choose COM1 to COM8, or type the "
                            "path of a serial device such as /dev/ttyUSB0.")
                                 .arg(portName)
                       : tr("The serial port %1 does not exist. Check the port name, and that "
                            "the printer or its adapter is plugged in.")
                                 .arg(port);
    case serial::LinkFailure::PermissionDenied:
        return tr("You are not allowed to use the serial port %1. The user must be given access "
                  "to the device (on Debian: add the user to the dialout group, then log in "
                  "again).")
                .arg(port);
    case serial::LinkFailure::InUse:
        return tr("The serial port %1 is in use by another program. Close that program, or "
                  "choose another port.")
                .arg(port);
    case serial::LinkFailure::NotSerialPort:
        return tr("%1 is not a serial port.").arg(port);
    case serial::LinkFailure::SettingsRefused:
        return tr("The line settings %1 cannot be used on %2: the baud rate must be a whole "
                  "number from %3 to %4 that the port supports, the data bits 5 to 8 (this "
                  "printer uses 7 or 8), the stop bits 1, 1.5 or 2.")
                .arg(settingsText, port)
                .arg(serial::LineSettings::minBaudRate)
                .arg(serial::LineSettings::maxBaudRate);
    case serial::LinkFailure::Lost:
        return tr("The connection to the printer on %1 was lost. The link has been closed: check "
                  "the cable or adapter, then click \"open com\" again.")
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
