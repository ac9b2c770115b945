#pragma once

#include <QChar>
#include <QString>

namespace emulator {

class Printer;

// Printable bytes made into characters on the line, by the modes and tables in force: ASCII and
// the international sets, the code tables, user-defined characters, Chinese mode's GB18030 and
// the Kanji modes' Shift_JIS and JIS.
class CharacterReader
{
public:
    explicit CharacterReader(Printer &printer)
        : m_printer(printer)
    {}

    // Takes one character (1, 2 or 4 bytes) or a run of plain ASCII and returns the bytes it
    // took, 0 when the character is not complete yet. The characters are appended to decoded
    // when it is given.
    qsizetype read(const uchar *bytes, qsizetype available, QString *decoded);

private:
    qsizetype singleByte(uchar byte, QString *decoded);
    qsizetype chinese(const uchar *bytes, qsizetype available, QString *decoded);
    qsizetype kanji(const uchar *bytes, qsizetype available, QString *decoded);
    qsizetype asciiRun(const uchar *bytes, qsizetype available, QString *decoded);
    void explainChineseMode();
    void put(QChar character, bool doubleByte, QString *decoded);

    Printer &m_printer;
};

} // namespace emulator
