#pragma once

#include "link/LinkChoice.h"
#include "link/SerialControl.h"
#include "link/SerialP.h"

#include <QObject>

namespace serial {

// The serial link to the printer: the control, the one sender over it, and opening and closing.
class PrinterLink : public QObject
{
    Q_OBJECT

public:
    explicit PrinterLink(QObject *parent = nullptr);

    // Applies the choice and opens the port; throws Failure and leaves everything as it was
    // (port closed, `port` unchanged) when the choice or the device is refused.
    void open(const LinkChoice &choice);
    void close();
    bool isOpen() const { return m_comm.isOpen(); }

    // Empty until the first successful open, then always the one SerialP.
    Port *port() const { return m_port; }
    SerialControl &comm() { return m_comm; }
    const LinkChoice &lastChoice() const { return m_choice; }

Q_SIGNALS:
    void linkLost(const QString &description);

private:
    SerialControl m_comm; // the serial-port control
    SerialP m_serialPort{m_comm};
    Port *m_port = nullptr;
    LinkChoice m_choice; // port number and line settings of the last open
};

} // namespace serial
