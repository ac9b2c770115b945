#pragma once

#include <QString>

#include <initializer_list>

namespace serial {
class Port;
class SerialControl;
} // namespace serial

namespace jobs {

// Where a printing job sends: `port` for every piece, the control itself for the raw black-mark
// block, and whether black-mark paper is loaded.
struct JobTarget
{
    serial::Port &port;
    serial::SerialControl &comm;
    bool blackMark = false;
};

// Control characters the commands are built from.
inline constexpr char16_t ESC = 0x1B;
inline constexpr char16_t FS = 0x1C;
inline constexpr char16_t GS = 0x1D;
inline constexpr char16_t LF = 0x0A;

// A command text of the given characters, 00 included: its length decides what goes out.
inline QString command(std::initializer_list<char16_t> chars)
{
    QString text;
    text.reserve(qsizetype(chars.size()));
    for (char16_t c : chars)
        text.append(QChar(c));
    return text;
}

// The tail of every printing job: 1D F6 (feed to the black mark) written raw when black-mark
// paper is loaded, so F6 is not taken for a character, then 1B 69, the paper cut.
void endOfJob(const JobTarget &target);

} // namespace jobs
