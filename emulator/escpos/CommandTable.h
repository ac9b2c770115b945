#pragma once

#include "CommandSpec.h"

#include <QString>

namespace emulator {

// The printer's command vocabulary: which command the bytes start with and how long it is.
class CommandTable
{
public:
    // What the bytes start with.
    struct Match
    {
        enum class Kind { Text, Command, Unknown };
        Kind kind = Kind::Text;
        const CommandSpec *spec = nullptr;
        const Function *function = nullptr; // the sub-function the parameters select, if known
        // Bytes the whole command takes as far as the available bytes tell; more than available
        // means the rest has still to come.
        qsizetype length = 1;
        qsizetype parametersAt = 0; // after the command's own bytes and pL pH
        QString warning;            // for Unknown: what the printer did with the bytes

        // The command's own bytes, named in the log; the rest are numbers.
        qsizetype named() const { return spec ? qsizetype(spec->prefix.size()) : qMin(length, 2); }
        // "print barcode", "QR code: print the symbol".
        QString name() const;
    };

    // Bytes 00-1F and 7F start commands or are control bytes; ESC, GS, FS and DLE introduce
    // commands of two or more bytes.
    static bool isIntroducer(uchar byte);
    static Match match(const uchar *bytes, qsizetype available);
    // Acts on a whole matched command.
    static void run(const Match &match, Printer &printer, QByteArrayView bytes);
};

} // namespace emulator
