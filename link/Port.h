#pragma once

#include <QByteArray>
#include <QString>

namespace serial {

// The one path every job sends through: each call hands one command text to the printer.
class Port
{
public:
    virtual ~Port() = default;

    // What is a counted text: characters below 80 hex go out as one byte each (00 included),
    // Chinese characters and full-width marks as their two code page 936 bytes.
    virtual void Output(const QString &What) = 0;
    // Bytes that are values rather than text, such as a length byte of 80 hex or more, which
    // no code page conversion may touch.
    virtual void Output(const QByteArray &What) = 0;
};

} // namespace serial
