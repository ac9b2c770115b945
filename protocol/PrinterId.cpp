#include "protocol/PrinterId.h"

namespace protocol {

namespace {

constexpr char GS = 0x1D;
constexpr char blockHeader = 0x5F;

bool isNamed(PrinterId id)
{
    return quint8(id) >= quint8(PrinterId::Firmware);
}

} // namespace

QByteArray printerIdRequest(PrinterId id)
{
    QByteArray request(1, GS);
    request.append('I').append(char(id));
    return request;
}

std::optional<PrinterIdAnswer> printerIdAnswer(PrinterId id, const QByteArray &received)
{
    if (received.isEmpty())
        return std::nullopt;
    if (!isNamed(id))
        return PrinterIdAnswer{received.left(1), 1};
    // A block ends with its NUL; a printer that leaves out the "_" is taken at its word too.
    const qsizetype end = received.indexOf('\0');
    if (end < 0)
        return std::nullopt;
    const qsizetype start = received.startsWith(blockHeader) ? 1 : 0;
    return PrinterIdAnswer{received.mid(start, end - start), end + 1};
}

} // namespace protocol
