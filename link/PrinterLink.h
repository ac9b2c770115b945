#pragma once

#include "link/LineSettings.h"
#include "link/LinkFailure.h"
#include "link/SerialControl.h"
#include "link/SerialP.h"

#include <QObject>

namespace serial {

// The serial link to the printer: the control, the one sender over it, opening and closing.
class PrinterLink : public QObject
{
    Q_OBJECT

public:
    explicit PrinterLink(QObject *parent = nullptr);

    // The device behind a port name: "COM1" to "COM8" are the platform's first eight serial
    // ports; on Unix an absolute path names the device itself. Empty for any other text.
    static QString devicePath(const QString &portName);

    // Opens the port with the settings and discards whatever either buffer holds. On refusal
    // emits failed() and leaves the link closed and port() unchanged.
    bool open(const QString &portName, const LineSettings &settings);
    void close();
    bool isOpen() const { return m_comm.isOpen(); }

    // Empty until the first successful open, then always the one SerialP.
    Port *port() const { return m_port; }
    SerialControl &comm() { return m_comm; }

Q_SIGNALS:
    void failed(serial::LinkFailure failure);

private:
    SerialControl m_comm;
    SerialP m_serialPort{m_comm};
    Port *m_port = nullptr;
};

} // namespace serial
