#pragma once

#include <QString>

#include <exception>

namespace serial {

// A refused operation of the printer link or of a job's input, carrying the text the operator sees.
class Failure : public std::exception
{
public:
    // LinkLost: the device went away; the link reports that once by itself, so handlers stay quiet.
    enum class Kind { Refused, LinkLost };

    explicit Failure(QString description, Kind kind = Kind::Refused)
        : m_description(std::move(description))
        , m_kind(kind)
        , m_what(m_description.toUtf8())
    {}

    const QString &description() const { return m_description; }
    Kind kind() const { return m_kind; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    QString m_description;
    Kind m_kind = Kind::Refused;
    QByteArray m_what;
};

} // namespace serial
