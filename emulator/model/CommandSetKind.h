#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace emulator {

// The printer command languages the emulator reads.
enum class CommandSetKind { EscPos, StarLine, StarPrnt };

// What a command set is called in receipt data and on the command line, and in the log.
struct CommandSetName
{
    CommandSetKind kind;
    const char *id;
    const char *name;
};
inline constexpr std::array CommandSetNames = {
        CommandSetName{CommandSetKind::EscPos, "escpos", "ESC/POS"},
        CommandSetName{CommandSetKind::StarLine, "star-line", "Star Line mode"},
        CommandSetName{CommandSetKind::StarPrnt, "star-prnt", "StarPRNT"},
};

inline const CommandSetName &commandSetName(CommandSetKind kind)
{
    return CommandSetNames[size_t(kind)];
}
inline QString commandSetId(CommandSetKind kind)
{
    return QString::fromLatin1(commandSetName(kind).id);
}
inline std::optional<CommandSetKind> commandSetFromId(QStringView id)
{
    for (const CommandSetName &name : CommandSetNames) {
        if (id == QLatin1StringView(name.id))
            return name.kind;
    }
    return std::nullopt;
}
inline bool isStar(CommandSetKind kind)
{
    return kind != CommandSetKind::EscPos;
}

} // namespace emulator
