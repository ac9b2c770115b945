#include "link/SerialP.h"

#include "link/SerialControl.h"

namespace serial {

void SerialP::Output(const QByteArray &What)
{
    m_comm.write(What);
}

} // namespace serial
