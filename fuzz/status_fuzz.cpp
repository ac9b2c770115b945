// libFuzzer target for the decoding of the printer's status reply: any bytes give a view that is
// either the red condition lines or "printer OK", consistent with the bits.
#include "status/StatusReport.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char *>(data), qsizetype(size));
    const status::StatusReport report = status::StatusReport::decode(reply);
    for (int n = 0; n < status::StatusReport::replyLength; ++n) {
        const int value = n < reply.size() ? quint8(reply.at(n)) : 0;
        for (int k = 0; k < 8; ++k) {
            if (report.bits()[n][k] != ((value >> k) & 1))
                std::abort();
        }
    }
    const status::StatusView view = report.view();
    const QStringList conditions = report.conditions();
    if (conditions.size() > 8)
        std::abort();
    if (conditions.isEmpty() != (view.caption == status::StatusReport::printerOk))
        std::abort();
    if (view.red == conditions.isEmpty() || view.pointSize != (view.red ? 10 : 14))
        std::abort();
    if (view.red && view.caption.count(u'\n') != conditions.size())
        std::abort();
    return 0;
}
