#pragma once

#include <QByteArray>
#include <QList>

#include <array>

namespace protocol {

// The printer's six-byte answer to the status request: which byte and bit carries each condition.
class StatusReply
{
public:
    static constexpr int length = 6;

    // In the order the conditions are reported.
    enum class Condition {
        NearEnd,
        PaperJamAtExit,
        PaperNearEnd,
        CoverOpen,
        VoltageOutOfRange,
        CutterError,
        RamError,
        EepromError,
    };
    static constexpr std::array<Condition, 8> allConditions = {
            Condition::NearEnd,
            Condition::PaperJamAtExit,
            Condition::PaperNearEnd,
            Condition::CoverOpen,
            Condition::VoltageOutOfRange,
            Condition::CutterError,
            Condition::RamError,
            Condition::EepromError,
    };

    // Reads the first six bytes; missing bytes count as 00, bytes past the sixth are not read.
    static StatusReply decode(const QByteArray &reply);

    bool has(Condition condition) const;
    // The conditions set, in report order.
    QList<Condition> conditions() const;

private:
    std::array<quint8, length> m_bytes = {};
};

} // namespace protocol
