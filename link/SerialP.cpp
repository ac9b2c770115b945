#include "link/SerialP.h"

#include "link/SerialControl.h"

namespace serial {

void SerialP::Output(const QString &What)
{
    m_comm.write(What);
}

void SerialP::Output(const QByteArray &What)
{
    m_comm.writeRaw(What);
}

} // namespace serial
