#pragma once

#include <QString>

#include <optional>

namespace serial {

// Where the text of the "Port：" box points: a serial port, a printer-class device, or a printer
// on the network.
struct PortName
{
    enum class Kind { Serial, PrinterDevice, Network };

    Kind kind = Kind::Serial;
    QString device;                 // serial ports and printer-class devices: the device's path
    QString host;                   // network printers: a host name or address, no brackets
    quint16 tcpPort = rawPrintPort; // network printers

    // "COM1" to "COM8" are the platform's first eight serial ports. On Unix an absolute path
    // names the device itself; a device named lpN (/dev/usb/lp0) is a printer-class device.
    // HOST, HOST:PORT, [IPv6]:PORT or a bare IPv6 address is a printer on the network.
    // Nothing for any other text, other COM names included.
    static std::optional<PortName> parse(const QString &text);

    // The network printer as "host:port", an IPv6 address in brackets.
    QString address() const;

    // The port on which network printers take raw print data.
    static constexpr quint16 rawPrintPort = 9100;
};

} // namespace serial
