#pragma once

#include <QByteArray>

#include <array>
#include <optional>

namespace protocol {

// What GS I n asks the printer to tell of itself. The numbered IDs come back as one byte; the
// named ones as a block: "_" (5F), the text, NUL.
enum class PrinterId : quint8 {
    Model = 1,
    Type = 2,
    Version = 3,
    Firmware = 65,
    Maker = 66,
    ModelName = 67,
    SerialNumber = 68,
    Fonts = 69,
};
// In the order the tool asks for them.
inline constexpr std::array<PrinterId, 8> printerIds = {
        PrinterId::Model,
        PrinterId::Type,
        PrinterId::Version,
        PrinterId::Firmware,
        PrinterId::Maker,
        PrinterId::ModelName,
        PrinterId::SerialNumber,
        PrinterId::Fonts,
};

// GS I n.
QByteArray printerIdRequest(PrinterId id);

// An answer found at the start of the bytes received: its value (the ID byte, or a block's text
// without "_" and NUL) and how many received bytes it took.
struct PrinterIdAnswer
{
    QByteArray value;
    qsizetype length = 0;
};
// Nothing while the answer is not complete.
std::optional<PrinterIdAnswer> printerIdAnswer(PrinterId id, const QByteArray &received);

// The bits of the type ID the printers of this kind agree on; bits 4 and 7 are always 0, the
// others differ from model to model.
enum class TypeIdBit : quint8 {
    MultiByteCharacters = 0x01, // two-byte character codes supported
    Autocutter = 0x02,          // an autocutter is fitted
    CustomerDisplay = 0x04,     // a customer display is connected
};
inline constexpr std::array<TypeIdBit, 3> typeIdBits = {
        TypeIdBit::MultiByteCharacters,
        TypeIdBit::Autocutter,
        TypeIdBit::CustomerDisplay,
};

} // namespace protocol
