#include "app/Sentences.h"

#include "link/LineSettings.h"
#include "link/PortName.h"
#include "link/TcpConnection.h"
#include "protocol/CodePage936.h"
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

QString printerIdLabel(protocol::PrinterId id)
{
    using Id = protocol::PrinterId;
    switch (id) {
    case Id::Model:
        return Sentences::tr("Model ID");
    case Id::Type:
        return Sentences::tr("Type ID");
    case Id::Version:
        return Sentences::tr("Version ID");
    case Id::Firmware:
        return Sentences::tr("Firmware version");
    case Id::Maker:
        return Sentences::tr("Maker");
    case Id::ModelName:
        return Sentences::tr("Model name");
    case Id::SerialNumber:
        return Sentences::tr("Serial number");
    case Id::Fonts:
        return Sentences::tr("Fonts");
    }
    return QString();
}

QString typeIdBitText(protocol::TypeIdBit bit, bool on)
{
    using Bit = protocol::TypeIdBit;
    switch (bit) {
    case Bit::MultiByteCharacters:
        return on ? Sentences::tr("multi-byte characters supported")
                  : Sentences::tr("no multi-byte characters");
    case Bit::Autocutter:
        return on ? Sentences::tr("autocutter fitted") : Sentences::tr("no autocutter");
    case Bit::CustomerDisplay:
        return on ? Sentences::tr("customer display connected")
                  : Sentences::tr("no customer display");
    }
    return QString();
}

// An ID byte in hex and decimal; the type ID with the meaning of its bits.
QString printerIdValue(protocol::PrinterId id, const QByteArray &value)
{
    if (quint8(id) >= quint8(protocol::PrinterId::Firmware))
        return protocol::printableText(value);
    if (value.isEmpty())
        return QString();
    const auto byte = quint8(value.at(0));
    QString text = QStringLiteral("0x%1 (%2)")
                           .arg(QString::number(byte, 16).toUpper().rightJustified(2, u'0'))
                           .arg(byte);
    if (id != protocol::PrinterId::Type)
        return text;
    QStringList bits;
    for (const protocol::TypeIdBit bit : protocol::typeIdBits)
        bits << typeIdBitText(bit, byte & quint8(bit));
    return Sentences::tr("%1: %2").arg(text, bits.join(Sentences::tr(", ")));
}

QString duration(qint64 seconds)
{
    if (seconds < 60)
        return Sentences::tr("%1 s").arg(seconds);
    return Sentences::tr("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
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

QString printerInformationText(const QList<status::PrinterInformation::Answer> &answers)
{
    QStringList lines;
    for (const status::PrinterInformation::Answer &answer : answers) {
        const QString value = answer.value ? printerIdValue(answer.id, *answer.value)
                                           : Sentences::tr("no answer");
        lines << Sentences::tr("%1: %2").arg(printerIdLabel(answer.id), value);
    }
    return lines.join(u'\n');
}

QString fileRefusalText(jobs::FileSender::Refusal refusal, const QString &fileName)
{
    using R = jobs::FileSender::Refusal;
    switch (refusal) {
    case R::Missing:
        return Sentences::tr("%1 does not exist. Nothing was sent.").arg(fileName);
    case R::Unreadable:
        return Sentences::tr("%1 cannot be read: it is no file, or you are not allowed to read "
                             "it. Nothing was sent.")
                .arg(fileName);
    case R::TooLarge:
        return Sentences::tr("%1 is larger than %2 MiB, the most that can be sent at once. "
                             "Nothing was sent.")
                .arg(fileName)
                .arg(jobs::FileSender::maxFileBytes / jobs::FileSender::mebibyte);
    case R::Empty:
        return Sentences::tr("%1 is empty. Nothing was sent.").arg(fileName);
    }
    return QString();
}

QString fileOutcomeText(jobs::FileSender::Outcome outcome,
                        const QString &fileName,
                        qint64 sent,
                        qint64 total)
{
    using O = jobs::FileSender::Outcome;
    switch (outcome) {
    case O::Sent:
        return QString();
    case O::Cancelled:
        return Sentences::tr("Sending %1 was cancelled: %2 of %3 bytes were sent.")
                .arg(fileName)
                .arg(sent)
                .arg(total);
    case O::ReadFailed:
        return Sentences::tr("%1 could not be read to its end: %2 of %3 bytes were sent.")
                .arg(fileName)
                .arg(sent)
                .arg(total);
    case O::LinkClosed:
        return Sentences::tr("Sending %1 stopped as the link closed: %2 of %3 bytes had been "
                             "sent.")
                .arg(fileName)
                .arg(sent)
                .arg(total);
    }
    return QString();
}

QString sendingText(const QString &fileName,
                    qint64 sent,
                    qint64 total,
                    std::optional<qint64> secondsLeft)
{
    QString progress
            = Sentences::tr("Sending %1: %2 of %3 bytes.").arg(fileName).arg(sent).arg(total);
    if (!secondsLeft)
        return progress;
    return progress + u'\n' + Sentences::tr("About %1 left.").arg(duration(*secondsLeft));
}

QString cancelCaption()
{
    return Sentences::tr("Cancel");
}

} // namespace app
