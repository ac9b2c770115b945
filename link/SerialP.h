#pragma once

#include "link/Port.h"

namespace serial {

class SerialControl;

// Sends each command text to the serial-port control as one write, unchanged.
class SerialP : public Port
{
public:
    explicit SerialP(SerialControl &comm)
        : m_comm(comm)
    {}

    void Output(const QString &What) override;
    void Output(const QByteArray &What) override;

private:
    SerialControl &m_comm;
};

} // namespace serial
