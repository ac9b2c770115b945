#include "link/LinkChoice.h"

#include "link/Failure.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>
#include <limits>

namespace serial {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("serial::LinkChoice", text);
}

// A number as typed, rounded to a 16-bit whole number with halves going to the even neighbour.
qint16 wholeNumber(const QString &text, const QString &what)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        throw Failure(tr("%1: \"%2\" is not a number.").arg(what, text));
    const double rounded = std::nearbyint(value); // default rounding mode: half to even
    if (rounded < std::numeric_limits<qint16>::min()
        || rounded > std::numeric_limits<qint16>::max())
        throw Failure(tr("%1: \"%2\" is too large.").arg(what, text));
    return static_cast<qint16>(rounded);
}

} // namespace

QString LinkChoice::settingsText() const
{
    return QStringLiteral("%1,,%2,%3").arg(baudRate).arg(dataBits).arg(stopBits);
}

QString LinkChoice::devicePathForPort(int number)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

LinkChoice LinkChoice::fromTexts(const QString &port,
                                 const QString &baud,
                                 const QString &bits,
                                 const QString &stopBits)
{
    LinkChoice choice;
    for (int n = 1; n <= 8; ++n) {
        if (port == QStringLiteral("COM%1").arg(n)) {
            choice.portNumber = n;
            choice.devicePath = devicePathForPort(n);
            break;
        }
    }
#ifndef Q_OS_WIN
    // A typed absolute path opens that device: USB adapters, virtual and pseudo terminals.
    if (!choice.portNumber && port.startsWith(u'/'))
        choice.devicePath = port;
#endif
    if (choice.devicePath.isEmpty())
        throw Failure(tr("\"%1\" is not a serial port name. Choose COM1 to COM8, or type the path "
                         "of a serial device such as /dev/ttyUSB0.")
                              .arg(port));

    choice.baudRate = baud;
    choice.dataBits = wholeNumber(bits, tr("Bits"));
    choice.stopBits = wholeNumber(stopBits, tr("StopBits"));
    return choice;
}

} // namespace serial
