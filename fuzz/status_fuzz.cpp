// libFuzzer target for the decoding of the printer's status reply: any bytes give the conditions
// in report order, each one a condition the reply carries, decided by the first six bytes only.
#include "protocol/StatusReply.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using protocol::StatusReply;
    const QByteArray reply(reinterpret_cast<const char *>(data), qsizetype(size));
    const StatusReply decoded = StatusReply::decode(reply);
    const QList<StatusReply::Condition> conditions = decoded.conditions();
    qsizetype next = 0;
    for (const StatusReply::Condition condition : StatusReply::allConditions) {
        if (decoded.has(condition) && conditions.value(next++) != condition)
            std::abort();
    }
    if (next != conditions.size())
        std::abort();
    if (StatusReply::decode(reply.left(StatusReply::length)).conditions() != conditions)
        std::abort();
    return 0;
}
