#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

namespace emulator {

// One command, stretch of text or meaningless byte, as the printer understood it.
struct CommandRecord
{
    // Warning: the printer could not print or act on the bytes.
    enum class Kind { Command, Text, RealTime, Warning };

    Kind kind = Kind::Command;
    QByteArray bytes; // the bytes as received; bulk data (images, code data) is cut short
    QString description;

    friend bool operator==(const CommandRecord &, const CommandRecord &) = default;
};

// Names the bytes of commands the way command references write them.
class CommandLog
{
public:
    // "ESC E 1", "GS k 69 10", "DLE EOT 20": the command's own bytes by name (a printable
    // letter as itself), then its parameters as numbers; at most `shown` bytes.
    static QString mnemonic(QByteArrayView bytes, qsizetype prefixSize, qsizetype shown = 12);
    static QString byteName(uchar byte);
};

} // namespace emulator

Q_DECLARE_METATYPE(emulator::CommandRecord)
