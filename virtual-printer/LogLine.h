#pragma once

#include "CommandRecord.h"

#include <QByteArray>
#include <QString>

namespace vprinter {

// The lines of the command log, as the window shows them and the web page serves them.
class LogLine
{
public:
    // Bytes of a command shown; longer ones end in "…".
    static constexpr int LoggedBytes = 24;

    // "  1B 40                    initialise"; a warning starts with "?".
    static QString command(const emulator::CommandRecord &record);
    // "    reply 12 to tcp 127.0.0.1:40112"
    static QString reply(const QByteArray &bytes, const QString &to);
    // The answer "no reply" kept back.
    static QString withheld(const QByteArray &bytes);
    // Bytes as upper-case hex pairs, cut short after LoggedBytes.
    static QString hex(QByteArrayView bytes);
};

} // namespace vprinter
