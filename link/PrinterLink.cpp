#include "link/PrinterLink.h"

namespace serial {

PrinterLink::PrinterLink(QObject *parent)
    : QObject(parent)
{
    connect(&m_comm, &SerialControl::lost, this, [this] { Q_EMIT failed(LinkFailure::Lost); });
}

QString PrinterLink::devicePath(const QString &portName)
{
    for (int n = 1; n <= 8; ++n) {
        if (portName == QStringLiteral("COM%1").arg(n)) {
#ifdef Q_OS_WIN
            return portName;
#else
            return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
        }
    }
#ifndef Q_OS_WIN
    // USB adapters, virtual and pseudo terminals are opened by their path.
    if (portName.startsWith(u'/'))
        return portName;
#endif
    return QString();
}

bool PrinterLink::open(const QString &portName, const LineSettings &settings)
{
    const QString device = devicePath(portName);
    const std::optional<LinkFailure> failure = device.isEmpty() ? LinkFailure::NotFound
                                                                : m_comm.open(device, settings);
    if (failure) {
        Q_EMIT failed(*failure);
        return false;
    }
    m_port = &m_serialPort;
    // Whatever arrived while the port was being opened, or was left queued, is thrown away.
    m_comm.discardInput();
    m_comm.discardOutput();
    return true;
}

void PrinterLink::close()
{
    m_comm.close();
}

} // namespace serial
