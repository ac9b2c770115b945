#include "Interpreter.h"

#include "BarcodeEncoder.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

constexpr uchar HT = 0x09;
constexpr uchar LF = 0x0A;
constexpr uchar FF = 0x0C;
constexpr uchar CR = 0x0D;
constexpr uchar DLE = 0x10;
constexpr uchar CAN = 0x18;
constexpr uchar ESC = 0x1B;
constexpr uchar FS = 0x1C;
constexpr uchar GS = 0x1D;

constexpr int DefaultLineSpacing = 30;
constexpr int TabColumns = 8;
constexpr qsizetype TextLogChunk = 48;

QString byteName(uchar byte)
{
    switch (byte) {
    case HT:
        return u"HT"_s;
    case LF:
        return u"LF"_s;
    case FF:
        return u"FF"_s;
    case CR:
        return u"CR"_s;
    case DLE:
        return u"DLE"_s;
    case CAN:
        return u"CAN"_s;
    case ESC:
        return u"ESC"_s;
    case FS:
        return u"FS"_s;
    case GS:
        return u"GS"_s;
    case 0x04:
        return u"EOT"_s;
    case 0x05:
        return u"ENQ"_s;
    case 0x14:
        return u"DC4"_s;
    default:
        return u"0x"_s + QString::number(byte, 16).toUpper().rightJustified(2, u'0');
    }
}

// The way command manuals write a sequence: "ESC E 1", "GS k 69 10", "DLE EOT 20".
QString mnemonic(QByteArrayView bytes)
{
    QStringList parts;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<uchar>(bytes[i]);
        // The command's own bytes by name (a printable second byte as its letter), then its
        // parameters as numbers.
        const bool printableLetter = i == 1 && static_cast<uchar>(bytes[0]) != DLE && byte > 0x20
                                     && byte < 0x7F;
        if (printableLetter)
            parts << QString(QLatin1Char(char(byte)));
        else if (i <= 1)
            parts << byteName(byte);
        else
            parts << QString::number(byte);
    }
    return parts.join(u' ');
}

QString onOff(bool on)
{
    return on ? u"on"_s : u"off"_s;
}

QString alignmentName(Alignment alignment)
{
    switch (alignment) {
    case Alignment::Left:
        return u"left"_s;
    case Alignment::Centre:
        return u"centre"_s;
    case Alignment::Right:
        return u"right"_s;
    }
    return {};
}

Receipt newReceipt(quint64 serial)
{
    Receipt receipt;
    receipt.serial = serial;
    return receipt;
}

// Parameter values 0-2 and their ASCII digits '0'-'2' mean the same to the printer.
int smallValue(uchar n)
{
    return (n >= '0' && n <= '9') ? n - '0' : n;
}

} // namespace

Interpreter::Interpreter(QObject *parent)
    : QObject(parent)
{
    clear();
}

void Interpreter::clear()
{
    m_receipts.clear();
    m_receipts.append(newReceipt(m_nextSerial++));
    m_buffer.clear();
    m_skip = 0;
    m_line = {};
    m_textLog.clear();
    m_textLogText.clear();
    resetSettings();
}

void Interpreter::resetSettings()
{
    m_style = {};
    m_alignment = Alignment::Left;
    m_upsideDown = false;
    m_lineSpacing = DefaultLineSpacing;
    m_doubleByteMode = true;
    m_barcode = {};
}

void Interpreter::feed(QByteArrayView bytes)
{
    if (m_feeding) {
        m_reentrant.append(bytes);
        return;
    }
    m_feeding = true;
    process(bytes);
    while (!m_reentrant.isEmpty()) {
        const QByteArray more = std::exchange(m_reentrant, {});
        process(more);
    }
    m_feeding = false;
}

void Interpreter::process(QByteArrayView bytes)
{
    QByteArray work;
    const uchar *p = nullptr;
    qsizetype size = 0;
    if (m_buffer.isEmpty()) {
        p = reinterpret_cast<const uchar *>(bytes.data());
        size = bytes.size();
    } else {
        work = std::exchange(m_buffer, {});
        work.append(bytes);
        p = reinterpret_cast<const uchar *>(work.constData());
        size = work.size();
    }

    qsizetype pos = 0;
    while (pos < size) {
        if (m_skip > 0) {
            const qsizetype n = qsizetype(qMin<qint64>(m_skip, size - pos));
            m_skip -= n;
            pos += n;
            continue;
        }
        const qsizetype used = parse(p + pos, size - pos);
        if (used == 0)
            break;
        pos += used;
    }
    if (pos < size)
        m_buffer = QByteArray(reinterpret_cast<const char *>(p + pos), size - pos);
}

qsizetype Interpreter::parse(const uchar *p, qsizetype available)
{
    const uchar b = p[0];
    if (b >= 0x20 && b != 0x7F)
        return parseText(p, available);

    const QByteArrayView one(p, 1);
    switch (b) {
    case LF:
        logCommand(one, u"print and feed one line"_s);
        printLine();
        return 1;
    case HT: {
        logCommand(one, u"move to the next tab position"_s);
        const int column = cellSize(m_style, false).width;
        const int stop = column * TabColumns;
        if (m_line.width + column > PrintableWidth)
            return 1;
        do {
            addCharacter(u" "_s, false, {});
        } while (m_line.width % stop != 0 && m_line.width + column <= PrintableWidth);
        return 1;
    }
    case CR:
        logCommand(one, u"carriage return (a line feed alone prints the line)"_s);
        return 1;
    case FF:
        logCommand(one, u"print the line"_s);
        printPendingLine();
        return 1;
    case CAN:
        logCommand(one, u"cancel the characters not yet printed"_s);
        m_line = {};
        return 1;
    case ESC:
        return parseEsc(p, available);
    case GS:
        return parseGs(p, available);
    case FS:
        return parseFs(p, available);
    case DLE:
        return parseDle(p, available);
    default:
        logUnknown(one, u"control byte the printer ignores"_s);
        return 1;
    }
}

qsizetype Interpreter::parseText(const uchar *p, qsizetype available)
{
    const uchar b = p[0];
    if (b < 0x80) {
        addCharacter(QString(QLatin1Char(char(b))), false, QByteArrayView(p, 1));
        return 1;
    }
    if (!m_doubleByteMode) {
        QString character = m_singleByte.isValid() ? m_singleByte.decode(QByteArrayView(p, 1))
                                                   : QString(QLatin1Char(char(b)));
        if (character.size() != 1)
            character = u"?"_s;
        addCharacter(character, false, QByteArrayView(p, 1));
        return 1;
    }
    // Code page 936: a lead byte 81-FE and a trail byte 40-7E or 80-FE make one character.
    if (b == 0x80 || b == 0xFF) {
        addCharacter(u"?"_s, false, QByteArrayView(p, 1));
        return 1;
    }
    if (available < 2)
        return 0;
    const uchar trail = p[1];
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) {
        addCharacter(u"?"_s, false, QByteArrayView(p, 1));
        return 1;
    }
    m_gbk.resetState();
    QString character = m_gbk.decode(QByteArrayView(p, 2));
    if (character.size() != 1)
        character = QString(QChar(QChar::ReplacementCharacter));
    addCharacter(character, true, QByteArrayView(p, 2));
    return 2;
}

qsizetype Interpreter::parseEsc(const uchar *p, qsizetype available)
{
    if (available < 2)
        return 0;
    const uchar c = p[1];

    int params = 1; // an unknown ESC command is taken to carry one parameter
    switch (c) {
    case '@':
    case 'i':
    case 'm':
    case '2':
    case '<':
    case 'L':
    case 'S':
    case FF:
        params = 0;
        break;
    case '$':
    case '\\':
    case 'c':
        params = 2;
        break;
    case 'p':
        params = 3;
        break;
    case 'W':
        params = 8;
        break;
    case '*': {
        if (available < 5)
            return 0;
        const int m = p[2];
        const qint64 columns = p[3] + 256 * p[4];
        const qint64 length = (m == 32 || m == 33) ? 3 * columns : columns;
        skipData(QByteArrayView(p, 5), length, u"bit image (not drawn)"_s);
        return 5;
    }
    case 'D': {
        // Tab positions, ended by NUL; at most 32 of them.
        for (qsizetype i = 2; i < available && i < 2 + 33; ++i) {
            if (p[i] == 0) {
                logCommand(QByteArrayView(p, i + 1), u"set tab positions (ignored)"_s);
                return i + 1;
            }
        }
        if (available < 2 + 33)
            return 0;
        logUnknown(QByteArrayView(p, 2 + 32), u"tab positions without end byte, skipped"_s);
        return 2 + 32;
    }
    case '&': {
        // User-defined characters: y c1 c2, then per character x and y * x bytes.
        if (available < 5)
            return 0;
        const int y = p[2];
        const int c1 = p[3];
        const int c2 = p[4];
        if (y < 1 || y > 3 || c1 < 32 || c2 > 126 || c1 > c2) {
            logUnknown(QByteArrayView(p, 5), u"user-defined characters out of range, skipped"_s);
            return 5;
        }
        qsizetype pos = 5;
        for (int ch = c1; ch <= c2; ++ch) {
            if (available <= pos)
                return 0;
            const int x = p[pos];
            if (x > 12) {
                logUnknown(QByteArrayView(p, pos), u"user-defined character too wide, skipped"_s);
                return pos;
            }
            pos += 1 + qsizetype(y) * x;
        }
        if (available < pos)
            return 0;
        logCommand(QByteArrayView(p, pos), u"define user characters (not drawn)"_s, 5);
        return pos;
    }
    default:
        if (c < 0x20) {
            logUnknown(QByteArrayView(p, 1), u"ESC followed by a control byte, dropped"_s);
            return 1;
        }
        break;
    }

    const qsizetype length = 2 + params;
    if (available < length)
        return 0;
    const QByteArrayView bytes(p, length);
    const uchar n = params > 0 ? p[2] : 0;

    switch (c) {
    case '@':
        logCommand(bytes, u"initialise the printer"_s);
        m_line = {};
        resetSettings();
        break;
    case 'i':
        logCommand(bytes, u"full cut"_s);
        cut(CutKind::Full);
        break;
    case 'm':
        logCommand(bytes, u"partial cut"_s);
        cut(CutKind::Partial);
        break;
    case 'E':
        m_style.emphasized = n & 1;
        logCommand(bytes, u"emphasize "_s + onOff(m_style.emphasized));
        break;
    case 'G':
        m_style.doubleStrike = n & 1;
        logCommand(bytes, u"double-strike "_s + onOff(m_style.doubleStrike));
        break;
    case '4':
        m_style.italic = n & 1;
        logCommand(bytes, u"italic "_s + onOff(m_style.italic));
        break;
    case '{':
        m_upsideDown = n & 1;
        logCommand(bytes, u"upside-down printing "_s + onOff(m_upsideDown));
        break;
    case 'V': {
        const int value = smallValue(n);
        if (value > 2) {
            logUnknown(bytes, u"90-degree rotation with a value out of range, ignored"_s);
            break;
        }
        m_style.rotated = value != 0;
        logCommand(bytes, u"90-degree clockwise rotation "_s + onOff(m_style.rotated));
        break;
    }
    case '-': {
        const int value = smallValue(n);
        if (value > 2) {
            logUnknown(bytes, u"underline with a value out of range, ignored"_s);
            break;
        }
        m_style.underline = value;
        logCommand(bytes,
                   value == 0 ? u"underline off"_s : u"underline %1 dot(s) thick"_s.arg(value));
        break;
    }
    case '!':
        m_style.fontB = n & 0x01;
        m_style.emphasized = n & 0x08;
        m_style.heightMultiplier = (n & 0x10) ? 2 : 1;
        m_style.widthMultiplier = (n & 0x20) ? 2 : 1;
        m_style.underline = (n & 0x80) ? 1 : 0;
        logCommand(
                bytes,
                u"print mode: font %1%2%3%4%5"_s.arg(m_style.fontB ? u"B"_s : u"A"_s,
                                                     (n & 0x08) ? u", emphasized"_s : QString(),
                                                     (n & 0x10) ? u", double height"_s : QString(),
                                                     (n & 0x20) ? u", double width"_s : QString(),
                                                     (n & 0x80) ? u", underline"_s : QString()));
        break;
    case 'M':
        m_style.fontB = n & 1;
        logCommand(bytes, m_style.fontB ? u"font B (9 x 17)"_s : u"font A (12 x 24)"_s);
        break;
    case 'a': {
        const int value = smallValue(n);
        if (value > 2) {
            logUnknown(bytes, u"alignment out of range, ignored"_s);
            break;
        }
        m_alignment = static_cast<Alignment>(value);
        logCommand(bytes, u"align "_s + alignmentName(m_alignment));
        break;
    }
    case 'x': {
        static const QString speeds[] = {u"low"_s, u"middle"_s, u"high"_s};
        const QString speed = n <= 2 ? speeds[n] : QString::number(n);
        logCommand(bytes, u"print speed "_s + speed);
        printPendingLine();
        addBlock(SettingNote{u"speed: "_s + speed});
        break;
    }
    case 'd':
        logCommand(bytes, u"print and feed %1 line(s)"_s.arg(n));
        printPendingLine();
        if (n > 0)
            addBlock(PaperFeed{n * m_lineSpacing});
        break;
    case 'J':
        logCommand(bytes, u"print and feed %1 dot(s)"_s.arg(n));
        printPendingLine();
        if (n > 0)
            addBlock(PaperFeed{n});
        break;
    case '2':
        m_lineSpacing = DefaultLineSpacing;
        logCommand(bytes, u"default line spacing"_s);
        break;
    case '3':
        m_lineSpacing = n;
        logCommand(bytes, u"line spacing %1 dots"_s.arg(n));
        break;
    case ' ':
    case '$':
    case '\\':
    case '%':
    case '=':
    case '?':
    case 'R':
    case 't':
    case 'U':
    case 'T':
    case 'e':
    case 'r':
    case 'u':
    case 'c':
    case 'p':
    case 'W':
    case '<':
    case 'L':
    case 'S':
    case FF:
        logCommand(bytes, u"accepted, no effect on the printout"_s);
        break;
    default:
        logUnknown(bytes, u"unknown ESC command, skipped with one parameter"_s);
        break;
    }
    return length;
}

qsizetype Interpreter::parseGs(const uchar *p, qsizetype available)
{
    if (available < 2)
        return 0;
    const uchar c = p[1];

    int params = 0; // an unknown GS command is taken to carry no parameter
    switch (c) {
    case '!':
    case 'B':
    case 'H':
    case 'I':
    case 'a':
    case 'b':
    case 'f':
    case 'h':
    case 'r':
    case 'w':
    case '|':
    case '~':
    case '/':
        params = 1;
        break;
    case '$':
    case 'L':
    case 'P':
    case 'W':
    case '\\':
        params = 2;
        break;
    case '^':
        params = 3;
        break;
    case 'V': {
        if (available < 3)
            return 0;
        const uchar m = p[2];
        params = (m == 65 || m == 66 || m == 97 || m == 98 || m == 103 || m == 104) ? 2 : 1;
        break;
    }
    case 'k':
        return parseBarcode(p, available);
    case '*': {
        if (available < 4)
            return 0;
        skipData(QByteArrayView(p, 4),
                 qint64(p[2]) * p[3] * 8,
                 u"define downloaded bit image (not drawn)"_s);
        return 4;
    }
    case 'v': {
        if (available < 3)
            return 0;
        if (p[2] != '0') {
            logUnknown(QByteArrayView(p, 2), u"unknown GS v command, skipped"_s);
            return 2;
        }
        if (available < 8)
            return 0;
        const qint64 width = p[4] + 256 * p[5];
        const qint64 height = p[6] + 256 * p[7];
        skipData(QByteArrayView(p, 8), width * height, u"raster bit image (not drawn)"_s);
        return 8;
    }
    case '(': {
        if (available < 5)
            return 0;
        skipData(QByteArrayView(p, 5), p[3] + 256 * p[4], u"extended function (ignored)"_s);
        return 5;
    }
    case '8': {
        if (available < 3)
            return 0;
        if (p[2] != 'L') {
            logUnknown(QByteArrayView(p, 2), u"unknown GS 8 command, skipped"_s);
            return 2;
        }
        if (available < 7)
            return 0;
        const qint64 length = qint64(p[3]) | qint64(p[4]) << 8 | qint64(p[5]) << 16
                              | qint64(p[6]) << 24;
        skipData(QByteArrayView(p, 7), length, u"graphics data (not drawn)"_s);
        return 7;
    }
    default:
        break;
    }

    const qsizetype length = 2 + params;
    if (available < length)
        return 0;
    const QByteArrayView bytes(p, length);
    const uchar n = params > 0 ? p[2] : 0;

    switch (c) {
    case '!': {
        const int width = (n >> 4) + 1;
        const int height = (n & 0x0F) + 1;
        if (width > 8 || height > 8) {
            logUnknown(bytes, u"character size out of range, ignored"_s);
            break;
        }
        m_style.widthMultiplier = width;
        m_style.heightMultiplier = height;
        logCommand(bytes, u"character size: width x%1, height x%2"_s.arg(width).arg(height));
        break;
    }
    case '~':
        m_style.script = n == 0 ? Script::Subscript : n == 1 ? Script::Superscript : Script::Normal;
        logCommand(bytes,
                   n == 0   ? u"subscript"_s
                   : n == 1 ? u"superscript"_s
                            : u"subscript and superscript off"_s);
        break;
    case 'h':
        if (n == 0) {
            logUnknown(bytes, u"barcode height 0, ignored"_s);
            break;
        }
        m_barcode.height = n;
        logCommand(bytes, u"barcode height %1 dots"_s.arg(n));
        break;
    case 'w':
        if (n < 1 || n > 6) {
            logUnknown(bytes, u"barcode module width out of range, ignored"_s);
            break;
        }
        m_barcode.moduleWidth = n;
        logCommand(bytes, u"barcode module width %1 dots"_s.arg(n));
        break;
    case 'H': {
        static const QString positions[] = {
                u"not printed"_s, u"above"_s, u"below"_s, u"above and below"_s};
        const int value = smallValue(n);
        if (value > 3) {
            logUnknown(bytes, u"human-readable position out of range, ignored"_s);
            break;
        }
        m_barcode.hri = static_cast<HriPosition>(value);
        logCommand(bytes, u"barcode human-readable characters "_s + positions[value]);
        break;
    }
    case 'f':
        m_barcode.hriFontB = n & 1;
        logCommand(bytes,
                   u"barcode human-readable font %1"_s.arg(m_barcode.hriFontB ? u"B"_s : u"A"_s));
        break;
    case '|': {
        logCommand(bytes, u"print density %1"_s.arg(n));
        printPendingLine();
        addBlock(SettingNote{u"density: %1"_s.arg(n)});
        break;
    }
    case 'V': {
        const uchar m = p[2];
        const int value = smallValue(m);
        const bool withFeed = params == 2;
        const bool partial = withFeed ? (m == 66 || m == 98 || m == 104) : value == 1;
        if (!withFeed && value > 1) {
            logUnknown(bytes, u"cut with an unknown mode, ignored"_s);
            break;
        }
        logCommand(bytes,
                   (partial ? u"partial cut"_s : u"full cut"_s)
                           + (withFeed ? u" after feeding %1 dots"_s.arg(p[3]) : QString()));
        if (withFeed) {
            printPendingLine();
            if (p[3] > 0)
                addBlock(PaperFeed{p[3]});
        }
        cut(partial ? CutKind::Partial : CutKind::Full);
        break;
    }
    case 0xF6:
    case FF:
        logCommand(bytes, u"feed to the next black mark"_s);
        printPendingLine();
        addBlock(BlackMark{});
        break;
    case 'B':
    case 'I':
    case 'a':
    case 'b':
    case 'r':
    case '/':
    case '$':
    case 'L':
    case 'P':
    case 'W':
    case '\\':
    case '^':
    case ':':
        logCommand(bytes, u"accepted, no effect on the printout"_s);
        break;
    default:
        logUnknown(bytes, u"unknown GS command, skipped"_s);
        break;
    }
    return length;
}

qsizetype Interpreter::parseFs(const uchar *p, qsizetype available)
{
    if (available < 2)
        return 0;
    const uchar c = p[1];
    int params = 0;
    switch (c) {
    case '!':
    case '-':
    case 'W':
    case 'C':
        params = 1;
        break;
    case 'S':
    case 'p':
        params = 2;
        break;
    case '2':
        params = 2 + 72;
        break;
    default:
        break;
    }
    const qsizetype length = 2 + params;
    if (available < length)
        return 0;
    const QByteArrayView bytes(p, length);
    switch (c) {
    case '&':
        m_doubleByteMode = true;
        logCommand(bytes, u"Chinese character mode on"_s);
        break;
    case '.':
        m_doubleByteMode = false;
        logCommand(bytes, u"Chinese character mode off"_s);
        break;
    case '!':
    case '-':
    case 'W':
    case 'C':
    case 'S':
    case 'p':
        logCommand(bytes, u"accepted, no effect on the printout"_s);
        break;
    case '2':
        logCommand(bytes, u"define user Chinese character (not drawn)"_s, 4);
        break;
    default:
        logUnknown(bytes, u"unknown FS command, skipped"_s);
        break;
    }
    return length;
}

qsizetype Interpreter::parseDle(const uchar *p, qsizetype available)
{
    if (available < 2)
        return 0;
    const uchar c = p[1];
    if (c == 0x04 || c == 0x05) {
        if (available < 3)
            return 0;
        const QByteArrayView bytes(p, 3);
        const int n = p[2];
        if (c == 0x05) {
            log(CommandRecord::Kind::RealTime, bytes, mnemonic(bytes) + u"  real-time request"_s);
            return 3;
        }
        static const QString what[] = {{},
                                       u"printer status"_s,
                                       u"off-line cause"_s,
                                       u"error cause"_s,
                                       u"paper sensor status"_s};
        if ((n >= 1 && n <= 4) || n == 20) {
            const QString description = n == 20 ? u"real-time status request (six-byte reply)"_s
                                                : u"real-time status request: "_s + what[n];
            log(CommandRecord::Kind::RealTime, bytes, mnemonic(bytes) + u"  "_s + description);
            Q_EMIT realTimeRequest(n);
        } else {
            logUnknown(bytes, u"real-time status request of an unknown kind, ignored"_s);
        }
        return 3;
    }
    if (c == 0x14) {
        if (available < 3)
            return 0;
        const int fn = p[2];
        const qsizetype length = fn == 8 ? 10 : fn == 7 ? 4 : 5;
        if (available < length)
            return 0;
        const QByteArrayView bytes(p, length);
        log(CommandRecord::Kind::RealTime, bytes, mnemonic(bytes) + u"  real-time command"_s);
        return length;
    }
    logUnknown(QByteArrayView(p, 1), u"DLE not followed by a real-time command, dropped"_s);
    return 1;
}

qsizetype Interpreter::parseBarcode(const uchar *p, qsizetype available)
{
    if (available < 3)
        return 0;
    const int m = p[2];
    Symbology symbology = Symbology::Code39;
    qsizetype dataStart = 0;
    qsizetype dataLength = 0;
    qsizetype length = 0;
    if (m <= 6) {
        // Function A: the data ends with a NUL byte.
        const qsizetype limit = 3 + MaxBarcodeData + 1;
        qsizetype end = -1;
        for (qsizetype i = 3; i < available && i < limit; ++i) {
            if (p[i] == 0) {
                end = i;
                break;
            }
        }
        if (end < 0) {
            if (available < limit)
                return 0;
            logUnknown(QByteArrayView(p, 3 + MaxBarcodeData),
                       u"barcode data without end byte, dropped"_s);
            return 3 + MaxBarcodeData;
        }
        symbology = static_cast<Symbology>(m);
        dataStart = 3;
        dataLength = end - 3;
        length = end + 1;
    } else if (m >= 65 && m <= 73) {
        // Function B: a length byte, then that many data bytes.
        if (available < 4)
            return 0;
        dataLength = p[3];
        if (available < 4 + dataLength)
            return 0;
        symbology = static_cast<Symbology>(m - 65);
        dataStart = 4;
        length = 4 + dataLength;
    } else {
        logUnknown(QByteArrayView(p, 3), u"barcode system unknown, skipped"_s);
        return 3;
    }

    const QByteArray data(reinterpret_cast<const char *>(p + dataStart), dataLength);
    QString shown;
    for (const char ch : data)
        shown += (ch >= 0x20 && ch < 0x7F) ? QString(QLatin1Char(ch)) : u"."_s;
    logCommand(QByteArrayView(p, length),
               u"print barcode %1 \"%2\""_s.arg(BarcodeEncoder::name(symbology), shown),
               dataStart);
    printPendingLine();
    addBlock(Barcode{.symbology = symbology,
                     .data = data,
                     .height = m_barcode.height,
                     .moduleWidth = m_barcode.moduleWidth,
                     .hri = m_barcode.hri,
                     .hriFontB = m_barcode.hriFontB,
                     .alignment = m_alignment});
    return length;
}

void Interpreter::addCharacter(const QString &character, bool doubleByte, QByteArrayView source)
{
    const CellSize cell = cellSize(m_style, doubleByte);
    // A character that does not fit prints the line and starts the next one.
    if (!m_line.runs.isEmpty() && m_line.width + cell.width > PrintableWidth)
        printLine();
    if (m_line.runs.isEmpty()) {
        m_line.alignment = m_alignment;
        m_line.upsideDown = m_upsideDown;
    }
    if (!m_line.runs.isEmpty() && m_line.runs.last().style == m_style
        && m_line.runs.last().doubleByte == doubleByte) {
        m_line.runs.last().text += character;
    } else {
        m_line.runs.append(TextRun{character, m_style, doubleByte});
    }
    m_line.width += cell.width;

    if (!source.isEmpty()) {
        m_textLog.append(source);
        m_textLogText += character;
        if (m_textLog.size() >= TextLogChunk)
            flushTextLog();
    }
}

void Interpreter::printPendingLine()
{
    if (!m_line.runs.isEmpty())
        printLine();
}

void Interpreter::printLine()
{
    TextLine line = std::exchange(m_line, {});
    if (line.runs.isEmpty()) {
        line.alignment = m_alignment;
        line.upsideDown = m_upsideDown;
    }
    line.lineSpacing = m_lineSpacing;
    addBlock(std::move(line));
}

void Interpreter::addBlock(ReceiptBlock block)
{
    Receipt &receipt = m_receipts.last();
    receipt.blocks.append(std::move(block));
    if (receipt.blocks.size() > MaxBlocksPerReceipt) {
        receipt.blocks.removeFirst();
        receipt.truncated = true;
    }
}

void Interpreter::cut(CutKind kind)
{
    printPendingLine();
    m_receipts.last().cut = kind;
    m_receipts.append(newReceipt(m_nextSerial++));
    while (m_receipts.size() > MaxReceipts)
        m_receipts.removeFirst();
}

void Interpreter::flushTextLog()
{
    if (m_textLog.isEmpty())
        return;
    CommandRecord record{CommandRecord::Kind::Text,
                         std::exchange(m_textLog, {}),
                         u"text \"%1\""_s.arg(std::exchange(m_textLogText, {}))};
    Q_EMIT commandDecoded(record);
}

void Interpreter::log(CommandRecord::Kind kind, QByteArrayView bytes, const QString &description)
{
    flushTextLog();
    Q_EMIT commandDecoded(CommandRecord{kind, bytes.toByteArray(), description});
}

void Interpreter::logCommand(QByteArrayView bytes,
                             const QString &description,
                             qsizetype headerLength)
{
    const QByteArrayView header = headerLength < 0 ? bytes : bytes.first(headerLength);
    log(CommandRecord::Kind::Command, bytes, mnemonic(header) + u"  "_s + description);
}

void Interpreter::logUnknown(QByteArrayView bytes, const QString &description)
{
    const QByteArrayView header = bytes.first(qMin<qsizetype>(bytes.size(), 4));
    log(CommandRecord::Kind::Unknown, bytes, mnemonic(header) + u"  "_s + description);
}

void Interpreter::skipData(QByteArrayView header, qint64 dataLength, const QString &description)
{
    logCommand(header, u"%1, %2 data bytes skipped"_s.arg(description).arg(dataLength));
    m_skip = dataLength;
}

} // namespace emulator
