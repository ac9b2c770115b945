#include "link/SerialP.h"

#include "link/PrinterLink.h"

namespace serial {

void SerialP::Output(const QByteArray &What)
{
    m_link.write(What);
}

} // namespace serial
