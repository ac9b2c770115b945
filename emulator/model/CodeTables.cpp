#include "CodeTables.h"

#include <QByteArrayView>
#include <QStringDecoder>

#include <array>

namespace emulator {

namespace {

// The 128 characters of bytes 0x80-0xFF in one table.
using UpperHalf = std::array<char16_t, 128>;

// A byte the table prints nothing for.
constexpr char16_t None = 0xFFFD;

// The tables the platform has no converter for, written out here. Each row is 16 bytes, the
// first row 0x80-0x8F.
// clang-format off

// ESC t 1, Katakana: the half-width katakana of JIS X 0201 at A1-DF (U+FF61-U+FF9F), the same
// bytes Shift_JIS gives them, and the printer's block, line and box-drawing characters at 80-9F
// and E0-FF (the rounded corners, lines and joints that ruled tables are drawn with), as
// receipt-print-hq/escpos-printer-db's encoding data lists them (data/encoding.yml, KATAKANA).
constexpr UpperHalf Katakana = {
    0x2581, 0x2582, 0x2583, 0x2584, 0x2585, 0x2586, 0x2587, 0x2588, 0x258F, 0x258E, 0x258D, 0x258C, 0x258B, 0x258A, 0x2589, 0x253C,
    0x2534, 0x252C, 0x2524, 0x251C, 0x00AF, 0x2500, 0x2502, 0x2595, 0x250C, 0x2510, 0x2514, 0x2518, 0x256D, 0x256E, 0x2570, 0x256F,
    0x0020, 0xFF61, 0xFF62, 0xFF63, 0xFF64, 0xFF65, 0xFF66, 0xFF67, 0xFF68, 0xFF69, 0xFF6A, 0xFF6B, 0xFF6C, 0xFF6D, 0xFF6E, 0xFF6F,
    0xFF70, 0xFF71, 0xFF72, 0xFF73, 0xFF74, 0xFF75, 0xFF76, 0xFF77, 0xFF78, 0xFF79, 0xFF7A, 0xFF7B, 0xFF7C, 0xFF7D, 0xFF7E, 0xFF7F,
    0xFF80, 0xFF81, 0xFF82, 0xFF83, 0xFF84, 0xFF85, 0xFF86, 0xFF87, 0xFF88, 0xFF89, 0xFF8A, 0xFF8B, 0xFF8C, 0xFF8D, 0xFF8E, 0xFF8F,
    0xFF90, 0xFF91, 0xFF92, 0xFF93, 0xFF94, 0xFF95, 0xFF96, 0xFF97, 0xFF98, 0xFF99, 0xFF9A, 0xFF9B, 0xFF9C, 0xFF9D, 0xFF9E, 0xFF9F,
    0x2550, 0x255E, 0x256A, 0x2561, 0x25E2, 0x25E3, 0x25E5, 0x25E4, 0x2660, 0x2665, 0x2666, 0x2663, 0x25CF, 0x25CB, 0x2571, 0x2572,
    0x2573, 0x5186, 0x5E74, 0x6708, 0x65E5, 0x6642, 0x5206, 0x79D2, 0x3012, 0x5E02, 0x533A, 0x753A, 0x6751, 0x4EBA, 0x2593, 0x00A0,
};

// ESC t 12, PC853 (Turkish, Maltese, Esperanto): IBM code page 853 as Wikipedia's "Code page
// 853" tabulates it (revision 960278997, as stored in robhagemans/monobit,
// monobit/encoding/tables/wikipedia/cp853.html). Bytes AA D0 D1 DD F1 FB are undefined there;
// the FreeDOS CPIDOS version of 853 agrees on every other byte.
constexpr UpperHalf Pc853 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x0109, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x0108,
    0x00C9, 0x010B, 0x010A, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x0130, 0x00D6, 0x00DC, 0x011D, 0x00A3, 0x011C, 0x00D7, 0x0135,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x011E, 0x011F, 0x0124, 0x0125, None, 0x00BD, 0x0134, 0x015F, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x015E, 0x2563, 0x2551, 0x2557, 0x255D, 0x017B, 0x017C, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x015C, 0x015D, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    None, None, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, None, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x0120, 0x0121, 0x00B5, 0x0126, 0x0127, 0x00DA, 0x00DB, 0x00D9, 0x016C, 0x016D, 0x00B7, 0x00B4,
    0x00AD, None, 0x2113, 0x0149, 0x02D8, 0x00A7, 0x00F7, 0x00B8, 0x00B0, 0x00A8, 0x02D9, None, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

// ESC t 42, PC1118 (Lithuanian): IBM 1118 is code page 774 (LST 1283); this is glibc's CP774
// charmap (localedata/charmaps/CP774). FreeDOS CPIDOS 1118 differs only at E9 ED EE (glyph
// variants of theta, phi, epsilon) and F4 F5 (integral halves instead of the quotes).
constexpr UpperHalf Pc1118 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x0104, 0x010C, 0x0118, 0x0116, 0x2563, 0x2551, 0x2557, 0x255D, 0x012E, 0x0160, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x0172, 0x016A, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x017D,
    0x0105, 0x010D, 0x0119, 0x0117, 0x012F, 0x0161, 0x0173, 0x016B, 0x017E, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x201E, 0x201C, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// ESC t 43, PC1119 (Lithuanian and Russian): IBM 1119 is code page 772 (LST 1284); this is
// glibc's CP772 charmap (localedata/charmaps/CP772), identical to FreeDOS CPIDOS 1119.
constexpr UpperHalf Pc1119 = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x0104, 0x010C, 0x0118, 0x0116, 0x2563, 0x2551, 0x2557, 0x255D, 0x012E, 0x0160, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x0172, 0x016A, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x017D,
    0x0105, 0x010D, 0x0119, 0x0117, 0x012F, 0x0161, 0x0173, 0x016B, 0x017E, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
    0x0401, 0x0451, 0x2265, 0x2264, 0x201E, 0x201C, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// ESC t 53, KZ-1048 (Kazakh, STRK1048-2002): the Unicode consortium's mapping file
// MAPPINGS/VENDORS/MISC/KZ1048.TXT (table version 2.0); glibc's RK1048 charmap agrees.
constexpr UpperHalf Kz1048 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x049A, 0x04BA, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, None, 0x2122, 0x0459, 0x203A, 0x045A, 0x049B, 0x04BB, 0x045F,
    0x00A0, 0x04B0, 0x04B1, 0x04D8, 0x00A4, 0x04E8, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0492, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x04AE,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x04E9, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0493, 0x00BB, 0x04D9, 0x04A2, 0x04A3, 0x04AF,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// ESC t 30 and 31, TCVN-3 (Vietnamese, TCVN 5712 VN3): the precomposed lower-case letters with
// their tones at A8-FE, and in table 31 the capitals in the same places, as
// receipt-print-hq/escpos-printer-db's encoding data lists them (data/encoding.yml, TCVN-3-1
// and TCVN-3-2; its D WITH STROKE at A7 is written there as the Icelandic eth, U+00D0, which
// looks alike: here it is U+0110). Bytes 80-A7 of table 30 are empty there.
constexpr UpperHalf Tcvn3 = {
    None, None, None, None, None, None, None, None, None, None, None, None, None, None, None, None,
    None, None, None, None, None, None, None, None, None, None, None, None, None, None, None, None,
    None, None, None, None, None, None, None, None, 0x0103, 0x00E2, 0x00EA, 0x00F4, 0x01A1, 0x01B0, 0x0111, None,
    None, None, None, None, None, 0x00E0, 0x1EA3, 0x00E3, 0x00E1, 0x1EA1, None, 0x1EB1, 0x1EB3, 0x1EB5, 0x1EAF, None,
    None, None, None, None, None, None, 0x1EB7, 0x1EA7, 0x1EA9, 0x1EAB, 0x1EA5, 0x1EAD, 0x00E8, None, 0x1EBB, 0x1EBD,
    0x00E9, 0x1EB9, 0x1EC1, 0x1EC3, 0x1EC5, 0x1EBF, 0x1EC7, 0x00EC, 0x1EC9, None, None, None, 0x0129, 0x00ED, 0x1ECB, 0x00F2,
    None, 0x1ECF, 0x00F5, 0x00F3, 0x1ECD, 0x1ED3, 0x1ED5, 0x1ED7, 0x1ED1, 0x1ED9, 0x1EDD, 0x1EDF, 0x1EE1, 0x1EDB, 0x1EE3, 0x00F9,
    None, 0x1EE7, 0x0169, 0x00FA, 0x1EE5, 0x1EEB, 0x1EED, 0x1EEF, 0x1EE9, 0x1EF1, 0x1EF3, 0x1EF7, 0x1EF9, 0x00FD, 0x1EF5, None,
};

constexpr UpperHalf Tcvn3Capitals = {
    None, None, None, None, None, None, None, None, None, None, None, None, None, None, None, None,
    None, None, None, None, None, None, None, None, None, None, None, None, None, None, None, None,
    None, 0x0102, 0x00C2, None, None, None, None, 0x0110, None, None, 0x00CA, 0x00D4, 0x01A0, 0x01AF, None, None,
    None, None, None, None, None, 0x00C0, 0x1EA2, 0x00C3, 0x00C1, 0x1EA0, None, 0x1EB0, 0x1EB2, 0x1EB4, 0x1EAE, None,
    None, None, None, None, None, None, 0x1EB6, 0x1EA6, 0x1EA8, 0x1EAA, 0x1EA4, 0x1EAC, 0x00C8, None, 0x1EBA, 0x1EBC,
    0x00C9, 0x1EB8, 0x1EC0, 0x1EC2, 0x1EC4, 0x1EBE, 0x1EC6, 0x00CC, 0x1EC8, None, None, None, 0x0128, 0x00CD, 0x1ECA, 0x00D2,
    None, 0x1ECE, 0x00D5, 0x00D3, 0x1ECC, 0x1ED2, 0x1ED4, 0x1ED6, 0x1ED0, 0x1ED8, 0x1EDC, 0x1EDE, 0x1EE0, 0x1EDA, 0x1EE2, 0x00D9,
    None, 0x1EE6, 0x0168, 0x00DA, 0x1EE4, 0x1EEA, 0x1EEC, 0x1EEE, 0x1EE8, 0x1EF0, 0x1EF2, 0x1EF6, 0x1EF8, 0x00DD, 0x1EF4, None,
};

// clang-format on

struct Table
{
    int number;
    const char16_t *name;
    // The platform's converter for the table, or nullptr where the table is written out above.
    const char *converter;
    const UpperHalf *written;
};

// The tables ESC t n selects, by n, as the ESC/POS command reference numbers them. Left out:
// 6 Hiragana, 7 and 8 (one-pass Kanji) and 20 and 22-26 (the other Thai character codes), for
// which no reliable mapping to Unicode was at hand.
constexpr std::array Tables = {
        Table{0, u"PC437", "IBM437", nullptr},
        Table{1, u"Katakana", nullptr, &Katakana},
        Table{2, u"PC850", "IBM850", nullptr},
        Table{3, u"PC860", "IBM860", nullptr},
        Table{4, u"PC863", "IBM863", nullptr},
        Table{5, u"PC865", "IBM865", nullptr},
        Table{11, u"PC851", "IBM851", nullptr},
        Table{12, u"PC853", nullptr, &Pc853},
        Table{13, u"PC857", "IBM857", nullptr},
        Table{14, u"PC737", "IBM737", nullptr},
        Table{15, u"ISO8859-7", "ISO-8859-7", nullptr},
        Table{16, u"WPC1252", "windows-1252", nullptr},
        Table{17, u"PC866", "IBM866", nullptr},
        Table{18, u"PC852", "IBM852", nullptr},
        Table{19, u"PC858", "IBM858", nullptr},
        // Thai character code 11 is Windows code page 874, as escpos-printer-db's capability
        // data lists it: TIS-620 with the euro sign, the ellipsis, quotes and dashes at 80-97.
        Table{21, u"Thai Character Code 11", "windows-874", nullptr},
        Table{30, u"TCVN-3", nullptr, &Tcvn3},
        Table{31, u"TCVN-3 capitals", nullptr, &Tcvn3Capitals},
        Table{32, u"PC720", "ibm-720", nullptr},
        Table{33, u"WPC775", "IBM775", nullptr},
        Table{34, u"PC855", "IBM855", nullptr},
        Table{35, u"PC861", "IBM861", nullptr},
        Table{36, u"PC862", "IBM862", nullptr},
        Table{37, u"PC864", "IBM864", nullptr},
        Table{38, u"PC869", "IBM869", nullptr},
        Table{39, u"ISO8859-2", "ISO-8859-2", nullptr},
        Table{40, u"ISO8859-15", "ISO-8859-15", nullptr},
        Table{41, u"PC1098", "ibm-1098", nullptr},
        Table{42, u"PC1118", nullptr, &Pc1118},
        Table{43, u"PC1119", nullptr, &Pc1119},
        Table{44, u"PC1125", "ibm-1125", nullptr},
        Table{45, u"WPC1250", "windows-1250", nullptr},
        Table{46, u"WPC1251", "windows-1251", nullptr},
        Table{47, u"WPC1253", "windows-1253", nullptr},
        Table{48, u"WPC1254", "windows-1254", nullptr},
        Table{49, u"WPC1255", "windows-1255", nullptr},
        Table{50, u"WPC1256", "windows-1256", nullptr},
        Table{51, u"WPC1257", "windows-1257", nullptr},
        Table{52, u"WPC1258", "windows-1258", nullptr},
        Table{53, u"KZ-1048", nullptr, &Kz1048},
};

// Bytes where the platform's converter leaves a hole that the table fills.
struct Correction
{
    int table;
    uchar byte;
    char16_t character;
};

constexpr std::array Corrections = {
        // PC852 AA is the not sign (Unicode's MAPPINGS/VENDORS/MICSFT/PC/CP852.TXT).
        Correction{18, 0xAA, 0x00AC},
        // PC857 D5 was left empty by IBM; later printer firmware put the euro sign there, where
        // PC858 has it too.
        Correction{13, 0xD5, 0x20AC},
};

// Whether a decoded character is one the printer draws: control codes (C0, DEL, C1), private-use
// characters and the decoder's replacement character are holes in the table.
bool drawable(char16_t c)
{
    return c >= 0x20 && !(c >= 0x7F && c < 0xA0) && !(c >= 0xE000 && c <= 0xF8FF) && c != None;
}

// Every table's upper half, built once, and where table n sits in Tables.
struct Built
{
    std::array<UpperHalf, Tables.size()> upper{};
    std::array<bool, Tables.size()> available{};
    std::array<int, 256> index{};
};

Built build()
{
    Built built;
    built.index.fill(-1);
    for (size_t i = 0; i < Tables.size(); ++i) {
        const Table &table = Tables[i];
        if (table.written) {
            built.upper[i] = *table.written;
        } else {
            // Each byte is decoded alone: a byte that does not stand for one drawable
            // character prints nothing.
            QStringDecoder decoder(table.converter);
            if (!decoder.isValid())
                continue;
            for (int byte = 0x80; byte <= 0xFF; ++byte) {
                const char in = char(byte);
                const QString out = decoder.decode(QByteArrayView(&in, 1));
                const bool one = !decoder.hasError() && out.size() == 1
                                 && drawable(out.at(0).unicode());
                built.upper[i][byte - 0x80] = one ? out.at(0).unicode() : None;
                // An error stays reported until the decoder is made anew.
                if (decoder.hasError())
                    decoder = QStringDecoder(table.converter);
                else
                    decoder.resetState();
            }
        }
        built.available[i] = true;
        built.index[table.number] = int(i);
    }
    for (const Correction &correction : Corrections) {
        const int i = built.index[correction.table];
        if (i >= 0 && !Tables[i].written)
            built.upper[i][correction.byte - 0x80] = correction.character;
    }
    return built;
}

const Built &built()
{
    static const Built tables = build();
    return tables;
}

// Where table n sits in Tables, or -1 if the printer lacks it.
int indexOf(int table)
{
    return table >= 0 && table <= 255 ? built().index[table] : -1;
}

// The ASCII bytes an international set changes, in the order of the sets' characters below.
constexpr std::array<uchar, 12> Replaced = {
        0x23, 0x24, 0x40, 0x5B, 0x5C, 0x5D, 0x5E, 0x60, 0x7B, 0x7C, 0x7D, 0x7E};

struct InternationalSet
{
    const char16_t *name;
    std::array<char16_t, 12> characters;
};

// The international sets ESC R n selects, by n. Sets 0-12 are the national versions of the
// ESC/P and ESC/POS references, as tabulated for ESC R n in, for instance, the Compuprint X03
// user's guide (n = 0-12) and the Printek FormsMaster 8000 manual's Epson FX emulation
// (n = 0-8). 13 Korea replaces 5C with the won sign as KS C 5636 (ISO 646-KR) does; 14
// Slovenia/Croatia is JUS I.B1.002 (ISO 646-YU) as in glibc's charmap of that name; 15 China
// replaces 24 with the yuan (yen) sign as GB 1988-80 does, keeping 7E a tilde as the Japan set
// keeps it. 16 Vietnam and 17 Arabia are left out: no public table of theirs was found.
// clang-format off
constexpr std::array<InternationalSet, 16> Sets = {{
    //                      23     24     40     5B     5C     5D     5E     60     7B     7C     7D     7E
    {u"USA",              {u'#',  u'$',  u'@',  u'[',  u'\\', u']',  u'^',  u'`',  u'{',  u'|',  u'}',  u'~'}},
    {u"France",           {u'#',  u'$',  u'à',  u'°',  u'ç',  u'§',  u'^',  u'`',  u'é',  u'ù',  u'è',  u'¨'}},
    {u"Germany",          {u'#',  u'$',  u'§',  u'Ä',  u'Ö',  u'Ü',  u'^',  u'`',  u'ä',  u'ö',  u'ü',  u'ß'}},
    {u"UK",               {u'£',  u'$',  u'@',  u'[',  u'\\', u']',  u'^',  u'`',  u'{',  u'|',  u'}',  u'~'}},
    {u"Denmark I",        {u'#',  u'$',  u'@',  u'Æ',  u'Ø',  u'Å',  u'^',  u'`',  u'æ',  u'ø',  u'å',  u'~'}},
    {u"Sweden",           {u'#',  u'¤',  u'É',  u'Ä',  u'Ö',  u'Å',  u'Ü',  u'é',  u'ä',  u'ö',  u'å',  u'ü'}},
    {u"Italy",            {u'#',  u'$',  u'@',  u'°',  u'\\', u'é',  u'^',  u'ù',  u'à',  u'ò',  u'è',  u'ì'}},
    {u"Spain I",          {u'₧',  u'$',  u'@',  u'¡',  u'Ñ',  u'¿',  u'^',  u'`',  u'¨',  u'ñ',  u'}',  u'~'}},
    {u"Japan",            {u'#',  u'$',  u'@',  u'[',  u'¥',  u']',  u'^',  u'`',  u'{',  u'|',  u'}',  u'~'}},
    {u"Norway",           {u'#',  u'¤',  u'É',  u'Æ',  u'Ø',  u'Å',  u'Ü',  u'é',  u'æ',  u'ø',  u'å',  u'ü'}},
    {u"Denmark II",       {u'#',  u'$',  u'É',  u'Æ',  u'Ø',  u'Å',  u'Ü',  u'é',  u'æ',  u'ø',  u'å',  u'ü'}},
    {u"Spain II",         {u'#',  u'$',  u'á',  u'¡',  u'Ñ',  u'¿',  u'é',  u'`',  u'í',  u'ñ',  u'ó',  u'ú'}},
    {u"Latin America",    {u'#',  u'$',  u'á',  u'¡',  u'Ñ',  u'¿',  u'é',  u'ü',  u'í',  u'ñ',  u'ó',  u'ú'}},
    {u"Korea",            {u'#',  u'$',  u'@',  u'[',  u'₩',  u']',  u'^',  u'`',  u'{',  u'|',  u'}',  u'~'}},
    {u"Slovenia/Croatia", {u'#',  u'$',  u'Ž',  u'Š',  u'Đ',  u'Ć',  u'Č',  u'ž',  u'š',  u'đ',  u'ć',  u'č'}},
    {u"China",            {u'#',  u'¥',  u'@',  u'[',  u'\\', u']',  u'^',  u'`',  u'{',  u'|',  u'}',  u'~'}},
}};
// clang-format on

} // namespace

bool CodeTables::isKnown(int table)
{
    return indexOf(table) >= 0;
}

QString CodeTables::name(int table)
{
    const int i = indexOf(table);
    return i >= 0 ? QString::fromUtf16(Tables[i].name) : QString();
}

QChar CodeTables::upper(int table, uchar byte)
{
    const int i = indexOf(table);
    if (i < 0 || byte < 0x80)
        return QChar::ReplacementCharacter;
    return QChar(built().upper[i][byte - 0x80]);
}

QChar CodeTables::international(int set, uchar byte)
{
    if (byte < 0x20 || byte > 0x7E)
        return QChar::ReplacementCharacter;
    if (isKnownInternational(set)) {
        for (size_t i = 0; i < Replaced.size(); ++i) {
            if (Replaced[i] == byte)
                return QChar(Sets[set].characters[i]);
        }
    }
    return QChar(char16_t(byte));
}

bool CodeTables::isKnownInternational(int set)
{
    return set >= 0 && set < int(Sets.size());
}

QString CodeTables::internationalName(int set)
{
    return isKnownInternational(set) ? QString::fromUtf16(Sets[set].name) : QString();
}

QList<int> CodeTables::tables()
{
    QList<int> numbers;
    for (size_t i = 0; i < Tables.size(); ++i) {
        if (built().available[i])
            numbers.append(Tables[i].number);
    }
    return numbers;
}

} // namespace emulator
