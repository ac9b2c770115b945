#pragma once

#include "link/Port.h"

namespace serial {

class PrinterLink;

// Writes each piece to the printer link as one write, unchanged.
class SerialP : public Port
{
public:
    explicit SerialP(PrinterLink &link)
        : m_link(link)
    {}

    void Output(const QByteArray &What) override;

private:
    PrinterLink &m_link;
};

} // namespace serial
