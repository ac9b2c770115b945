#pragma once

#include "link/Port.h"

namespace serial {

class SerialControl;

// Writes each piece to the serial-port control as one write, unchanged.
class SerialP : public Port
{
public:
    explicit SerialP(SerialControl &comm)
        : m_comm(comm)
    {}

    void Output(const QByteArray &What) override;

private:
    SerialControl &m_comm;
};

} // namespace serial
