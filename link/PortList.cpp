#include "link/PortList.h"

#include "link/PortName.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>

namespace serial {

namespace {

// Device nodes in `directory` whose names match `pattern`.
QStringList devices(const QString &directory, const QString &pattern)
{
    const QRegularExpression name(pattern);
    QStringList paths;
    const QDir dir(directory);
    for (const QString &entry : dir.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (name.match(entry).hasMatch())
            paths.append(dir.filePath(entry));
    }
    return paths;
}

// Orders ttyUSB2 before ttyUSB10: the name without its number, then the number.
std::pair<QString, qulonglong> naturalKey(const QString &path)
{
    qsizetype digits = path.size();
    while (digits > 0 && path[digits - 1].isDigit())
        --digits;
    return {path.left(digits), path.mid(digits).toULongLong()};
}

} // namespace

QList<PortEntry> PortList::scan() const
{
    QMap<QString, QString> found; // path, description
    // The system's own list knows every kind of serial port and what each adapter is.
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (QFileInfo(info.systemLocation()).path() == m_deviceDirectory)
            found.insert(info.systemLocation(), info.description());
    }
    // An adapter plugged in a moment ago may not be in it yet; printer-class devices never are.
    for (const QString &path : devices(m_deviceDirectory, QStringLiteral("^tty(USB|ACM)[0-9]+$"))
                                       + devices(m_deviceDirectory + QStringLiteral("/usb"),
                                                 QStringLiteral("^lp[0-9]+$"))) {
        if (!found.contains(path))
            found.insert(path, QString());
    }
    for (int n = 1; n <= 8; ++n)
        found.remove(PortName::parse(QStringLiteral("COM%1").arg(n))->device);

    QList<PortEntry> ports;
    for (auto it = found.cbegin(); it != found.cend(); ++it)
        ports.append({it.key(), it.value()});
    std::sort(ports.begin(), ports.end(), [](const PortEntry &a, const PortEntry &b) {
        return naturalKey(a.path) < naturalKey(b.path);
    });
    return ports;
}

} // namespace serial
