#pragma once

#include "CommandSpec.h"

#include <QString>

#include <initializer_list>
#include <span>
#include <vector>

namespace emulator {

// A byte that introduces commands of two or more bytes, and how many bytes a printer passes
// over after one that introduces a command it does not know.
struct Introducer
{
    uchar byte;
    int unknownLength;
};

// One command set's vocabulary: which command the bytes start with and how long it is.
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

    // Bytes 00-1F and 7F start commands or are control bytes; the introducers start commands
    // of two or more bytes.
    // Without text, printable bytes are commands too (a raster mode's).
    CommandTable(std::span<const Introducer> introducers,
                 std::initializer_list<std::span<const CommandSpec>> families,
                 bool text = true);

    bool isIntroducer(uchar byte) const { return introducer(byte) != nullptr; }
    Match match(const uchar *bytes, qsizetype available) const;
    // Acts on a whole matched command.
    static void run(const Match &match, Printer &printer, QByteArrayView bytes);

private:
    const Introducer *introducer(uchar byte) const;
    size_t slot(uchar first, uchar second) const;
    Match unknown(const uchar *bytes, qsizetype available) const;

    std::vector<Introducer> m_introducers;
    bool m_text = true;
    // Commands by their first two bytes (one for single control bytes), longer prefixes first.
    std::vector<std::vector<const CommandSpec *>> m_byPrefix;
};

} // namespace emulator
