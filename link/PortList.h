#pragma once

#include <QList>
#include <QString>

namespace serial {

// A port the system has now: its device path and, where the platform gives one, what the
// device calls itself ("USB-Serial Controller").
struct PortEntry
{
    QString path;
    QString description;
};

// The serial ports and USB printer-class devices present in a device directory, read afresh
// on each call, in natural order (ttyUSB2 before ttyUSB10). The eight ports with COM names are
// left out.
class PortList
{
public:
    explicit PortList(const QString &deviceDirectory = QStringLiteral("/dev"))
        : m_deviceDirectory(deviceDirectory)
    {}

    QList<PortEntry> scan() const;

private:
    QString m_deviceDirectory;
};

} // namespace serial
