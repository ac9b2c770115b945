#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

namespace emulator {

// One command, stretch of text or meaningless byte, as the printer understood it.
struct CommandRecord
{
    enum class Kind { Command, Text, RealTime, Unknown };

    Kind kind = Kind::Command;
    QByteArray bytes; // the bytes as received; bulk data (bit images) is left out
    QString description;

    friend bool operator==(const CommandRecord &, const CommandRecord &) = default;
};

} // namespace emulator

Q_DECLARE_METATYPE(emulator::CommandRecord)
