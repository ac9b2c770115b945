#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <array>

namespace status {

// What the status label shows: its caption, whether it is red (else black), its point size.
struct StatusView
{
    QString caption;
    bool red = false;
    int pointSize = 10;

    friend bool operator==(const StatusView &, const StatusView &) = default;
};

// Reply bytes 1 to 6 split into bits 0 (least significant) to 7.
using StatusBits = std::array<std::array<quint8, 8>, 6>;

// The printer's six-byte real-time status reply and the conditions it reports.
class StatusReport
{
public:
    static constexpr int replyLength = 6;

    // Decodes the first six bytes; a shorter reply counts its missing bytes as 00.
    static StatusReport decode(const QByteArray &reply);

    const StatusBits &bits() const { return m_bits; }
    // The reported conditions, in the order the label lists them.
    QStringList conditions() const;
    // Red lines at 10 points, each ending in 0A; or "printer OK" in black at 14 points.
    StatusView view() const;

    static StatusView timeoutView();
    static const QString printerOk;

private:
    StatusBits m_bits = {};
};

} // namespace status

Q_DECLARE_METATYPE(status::StatusView)
