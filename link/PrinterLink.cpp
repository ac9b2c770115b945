#include "link/PrinterLink.h"

namespace serial {

PrinterLink::PrinterLink(QObject *parent)
    : QObject(parent)
{
    connect(&m_comm, &SerialControl::linkLost, this, &PrinterLink::linkLost);
}

void PrinterLink::open(const LinkChoice &choice)
{
    m_comm.setDevice(choice.devicePath);
    m_comm.setSettings(choice.settingsText());
    m_comm.open();
    m_choice = choice;
    m_port = &m_serialPort;
    // Whatever arrived while the port was being opened, or was left queued, is thrown away.
    m_comm.discardInput();
    m_comm.discardOutput();
}

void PrinterLink::close()
{
    m_comm.close();
}

} // namespace serial
