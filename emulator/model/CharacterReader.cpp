#include "CharacterReader.h"

#include "CodeTables.h"
#include "Printer.h"

#include <QStringDecoder>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

QString hexByte(uchar byte)
{
    return QString::number(byte, 16).toUpper().rightJustified(2, u'0');
}

// Shift_JIS: lead bytes 81-9F and E0-FC, then a trail byte 40-7E or 80-FC; every other byte is
// a character of one byte, printed from the code table in force.
bool isShiftJisLead(uchar b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool isShiftJisTrail(uchar b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

} // namespace

qsizetype CharacterReader::read(const uchar *p, qsizetype available, QString *decoded)
{
    Printer &printer = m_printer;
    const uchar b = p[0];
    if (printer.kanjiMode == KanjiMode::Jis)
        return b >= 0x21 && b <= 0x7E ? kanji(p, available, decoded) : singleByte(b, decoded);
    if (printer.kanjiMode == KanjiMode::ShiftJis && isShiftJisLead(b))
        return kanji(p, available, decoded);
    if (b < 0x80 && !printer.userCharacters && printer.internationalSet == 0)
        return asciiRun(p, available, decoded);
    if (b >= 0x80 && printer.chineseMode)
        return chinese(p, available, decoded);
    return singleByte(b, decoded);
}

qsizetype CharacterReader::singleByte(uchar b, QString *decoded)
{
    Printer &printer = m_printer;
    QChar character;
    if (b < 0x80) {
        character = CodeTables::international(printer.internationalSet, b);
        const auto glyph = printer.userGlyphs.constFind(int(printer.style.fontB) << 8 | b);
        if (printer.userCharacters && glyph != printer.userGlyphs.cend()) {
            if (decoded)
                decoded->append(character);
            printer.addLineImage(glyph->second,
                                 printer.style.widthMultiplier,
                                 printer.style.heightMultiplier,
                                 characterPitch(printer.style, false));
            return 1;
        }
    } else {
        character = CodeTables::upper(printer.codeTable, b);
        if (character == QChar::ReplacementCharacter) {
            printer.warn(u"byte %1 has no character in code table %2"_s.arg(hexByte(b))
                                 .arg(printer.codeTable));
        }
    }
    put(character, false, decoded);
    return 1;
}

qsizetype CharacterReader::chinese(const uchar *p, qsizetype available, QString *decoded)
{
    // A lead byte 81-FE, then a trail byte 40-7E or 80-FE for two-byte codes, or 30-39
    // followed by a byte 81-FE and a byte 30-39 for GB18030's four-byte codes.
    const uchar b = p[0];
    if (b == 0x80 || b == 0xFF) {
        explainChineseMode();
        m_printer.warn(u"byte %1 starts no Chinese character"_s.arg(hexByte(b)));
        put(u'?', false, decoded);
        return 1;
    }
    if (available < 2)
        return 0;
    const uchar second = p[1];
    qsizetype length = 2;
    if (second >= 0x30 && second <= 0x39) {
        if (available < 4)
            return 0;
        const bool fourBytes = p[2] >= 0x81 && p[2] <= 0xFE && p[3] >= 0x30 && p[3] <= 0x39;
        length = fourBytes ? 4 : 0;
    } else if (second < 0x40 || second == 0x7F || second == 0xFF) {
        length = 0;
    }
    explainChineseMode();
    if (length == 0) {
        // Bytes meant for a code table look like this when Chinese mode is on.
        m_printer.warn(u"incomplete Chinese character code"_s);
        put(u'?', false, decoded);
        return 1;
    }
    // One decoder serves every printer: opening a converter costs far more than a character.
    static thread_local QStringDecoder gb18030("GB18030");
    gb18030.resetState();
    const QString character = gb18030.decode(QByteArrayView(p, length));
    if (character.size() != 1) {
        // Characters beyond the basic plane have no 24 x 24 picture in the printer's font.
        m_printer.warn(u"Chinese character code without a character"_s);
        put(QChar::ReplacementCharacter, true, decoded);
        return length;
    }
    put(character.front(), true, decoded);
    return length;
}

qsizetype CharacterReader::kanji(const uchar *p, qsizetype available, QString *decoded)
{
    // Two bytes a character: in JIS mode both 21-7E (row and cell of JIS X 0208), which are
    // the Shift_JIS code of the same character by a fixed reckoning.
    if (available < 2)
        return 0;
    uchar code[2] = {p[0], p[1]};
    if (m_printer.kanjiMode == KanjiMode::Jis) {
        if (p[1] < 0x21 || p[1] > 0x7E) {
            m_printer.warn(u"incomplete Kanji character code"_s);
            put(u'?', false, decoded);
            return 1;
        }
        const int row = p[0];
        const int cell = p[1];
        code[0] = uchar((row + 1) / 2 + (row <= 0x5E ? 0x70 : 0xB0));
        code[1] = uchar(row % 2 ? cell + (cell >= 0x60 ? 0x20 : 0x1F) : cell + 0x7E);
    } else if (!isShiftJisTrail(p[1])) {
        m_printer.warn(u"incomplete Kanji character code"_s);
        put(u'?', false, decoded);
        return 1;
    }
    static thread_local QStringDecoder shiftJis("Shift_JIS");
    shiftJis.resetState();
    const QString character = shiftJis.decode(QByteArrayView(code, 2));
    if (character.size() != 1 || shiftJis.hasError()) {
        m_printer.warn(u"Kanji character code without a character"_s);
        put(QChar::ReplacementCharacter, true, decoded);
        return 2;
    }
    put(character.front(), true, decoded);
    return 2;
}

void CharacterReader::put(QChar character, bool doubleByte, QString *decoded)
{
    if (decoded)
        decoded->append(character);
    Printer &printer = m_printer;
    TextStyle own = printer.lineStyle();
    if (doubleByte)
        own.underline = printer.style.chineseUnderline;
    // A character that does not fit prints the line and starts the next one.
    PrintBuffer &line = printer.buffer();
    if (line.position() > 0 && !line.fits(characterPitch(own, doubleByte)))
        printer.printLine(printer.lineSpacing);
    printer.buffer().addCharacter(
            character, own, doubleByte, printer.lineUpsideDown(), printer.lineAlignment());
}

void CharacterReader::explainChineseMode()
{
    // A program that selected a code table and did not leave Chinese mode (most Western
    // libraries never send FS .) gets its accented letters printed as Chinese characters: told
    // once a receipt.
    Printer &printer = m_printer;
    const quint64 serial = printer.m_receipts.last().serial;
    if (printer.codeTable == 0 || printer.m_chineseHintSerial == serial)
        return;
    printer.m_chineseHintSerial = serial;
    printer.warn(
            u"bytes 80-FF print as Chinese characters while Chinese mode is on, although code "
            "table %1 is selected: send FS . before the text, or start the virtual printer with "
            "--chinese off, or clear its window's \"Chinese mode at power-up\" box"_s.arg(
                    printer.codeTable));
}

qsizetype CharacterReader::asciiRun(const uchar *p, qsizetype available, QString *decoded)
{
    // Plain ASCII in the printer's own set: as many characters as the line still holds go in
    // at once, which is most of what a receipt is made of.
    Printer &printer = m_printer;
    qsizetype count = 1;
    while (count < available && p[count] >= 0x20 && p[count] < 0x7F)
        ++count;
    const TextStyle own = printer.lineStyle();
    const int pitch = characterPitch(own, false);
    qsizetype done = 0;
    while (done < count) {
        PrintBuffer &line = printer.buffer();
        if (line.position() > 0 && !line.fits(pitch))
            printer.printLine(printer.lineSpacing);
        const int room = std::max(1, (line.areaWidth() - line.position()) / std::max(pitch, 1));
        const qsizetype take = std::min<qsizetype>(count - done, room);
        const QString text = QString::fromLatin1(reinterpret_cast<const char *>(p + done), take);
        line.addCharacters(text, own, false, printer.lineUpsideDown(), printer.lineAlignment());
        if (decoded)
            decoded->append(text);
        done += take;
    }
    return count;
}

} // namespace emulator
