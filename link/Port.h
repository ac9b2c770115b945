#pragma once

#include <QByteArray>

namespace serial {

// The one path every job sends through: each call hands one piece of bytes to the printer.
class Port
{
public:
    virtual ~Port() = default;

    virtual void Output(const QByteArray &What) = 0;
};

} // namespace serial
