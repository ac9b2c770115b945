#pragma once

#include <QChar>
#include <QList>
#include <QString>

namespace emulator {

// The printer's single-byte character code tables (ESC t n) and international sets (ESC R n).
class CodeTables
{
public:
    // Whether ESC t n selects a table this printer has.
    static bool isKnown(int table);
    // The table's name as command references write it: "PC437", "Katakana", "WPC1252", ...
    // Empty for a table the printer lacks.
    static QString name(int table);
    // The character that byte 0x80-0xFF prints in the table; QChar::ReplacementCharacter where
    // the table has none, for bytes below 0x80 and for tables the printer lacks.
    static QChar upper(int table, uchar byte);
    // The character an ASCII byte 0x20-0x7E prints under international set n (ESC R n); the 12
    // positions 23 24 40 5B 5C 5D 5E 60 7B 7C 7D 7E change, the others are ASCII. A set the
    // printer lacks prints ASCII; bytes outside 0x20-0x7E give QChar::ReplacementCharacter.
    static QChar international(int set, uchar byte);
    static bool isKnownInternational(int set);
    // Empty for a set the printer lacks.
    static QString internationalName(int set);
    // Every table number, ascending, for help texts.
    static QList<int> tables();
};

} // namespace emulator
