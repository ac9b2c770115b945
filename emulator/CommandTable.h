#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <string_view>

namespace emulator {

class Printer;

// One command as it arrived: its own bytes, then its parameters and data.
struct Command
{
    QByteArrayView bytes; // the whole command
    qsizetype prefixSize = 2;

    qsizetype size() const { return bytes.size(); }
    // Parameter i after the command's own bytes; 0 past the end.
    int operator[](qsizetype i) const
    {
        const qsizetype at = prefixSize + i;
        return at < bytes.size() ? static_cast<uchar>(bytes[at]) : 0;
    }
    // Two parameter bytes from i, low byte first, as nL nH.
    int pair(qsizetype i) const { return (*this)[i] | (*this)[i + 1] << 8; }
    // Everything from parameter i on.
    QByteArrayView from(qsizetype i) const
    {
        const qsizetype at = qMin(prefixSize + i, bytes.size());
        return bytes.sliced(at);
    }
};

// What the printer does with one command: its bytes, how long it is, what the command
// reference calls it, and its effect on the printer.
struct CommandSpec
{
    using Length = qsizetype (*)(const uchar *bytes, qsizetype available);
    using Effect = void (*)(Printer &printer, const Command &command);

    std::string_view prefix; // the command's own bytes: "\x1b" "E", "\x1d" "(" "k"
    int parameters = 0;      // fixed count of parameter bytes after the prefix
    // For commands whose length depends on their parameters: the bytes the whole command
    // takes, as far as the bytes available tell; more than available means wait for more.
    Length length = nullptr;
    const char *name = "";
    Effect effect = nullptr;
};

// The printer's command vocabulary.
class CommandTable
{
public:
    // The command that the bytes start with, the longest prefix that matches; nullptr when no
    // command starts so. needMore is set when the prefix is not yet complete.
    static const CommandSpec *find(const uchar *bytes, qsizetype available, bool *needMore);
    // Bytes the command needs in all, as far as the available bytes tell.
    static qsizetype length(const CommandSpec &spec, const uchar *bytes, qsizetype available);
    // ESC, GS and FS commands this table does not know: how many bytes to skip, as printers
    // of this kind do (ESC takes one parameter, GS and FS none).
    static qsizetype unknownLength(const uchar *bytes);
};

} // namespace emulator
