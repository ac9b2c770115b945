#include "protocol/StatusReply.h"

namespace protocol {

namespace {

// Reply byte (1 to 6) and bit (0 is the least significant) of each condition. Bytes 1 and 2
// and the other bits carry nothing the tool reports.
struct Position
{
    int byte;
    int bit;
};

Position positionOf(StatusReply::Condition condition)
{
    using C = StatusReply::Condition;
    switch (condition) {
    case C::NearEnd:
        return {3, 0};
    case C::PaperJamAtExit:
        return {3, 1};
    case C::PaperNearEnd:
        return {3, 2};
    case C::CoverOpen:
        return {4, 1};
    case C::VoltageOutOfRange:
        return {5, 3};
    case C::CutterError:
        return {6, 0};
    case C::RamError:
        return {6, 2};
    case C::EepromError:
        return {6, 3};
    }
    return {1, 0};
}

} // namespace

StatusReply StatusReply::decode(const QByteArray &reply)
{
    StatusReply decoded;
    for (int n = 0; n < length && n < reply.size(); ++n)
        decoded.m_bytes[size_t(n)] = quint8(reply.at(n));
    return decoded;
}

bool StatusReply::has(Condition condition) const
{
    const Position position = positionOf(condition);
    return (m_bytes[size_t(position.byte - 1)] >> position.bit) & 1;
}

QList<StatusReply::Condition> StatusReply::conditions() const
{
    QList<Condition> set;
    for (const Condition condition : allConditions) {
        if (has(condition))
            set.append(condition);
    }
    return set;
}

} // namespace protocol
