#include "Printer.h"

#include "BitImage.h"
#include "CodeTables.h"
#include "SymbolEncoder.h"

#include <QStringDecoder>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

// A picture taller than this is cut short: a longer one would be metres of paper.
constexpr int MaxPictureDots = 8000;
// Pictures kept in all receipts together, in bytes of dots.
constexpr qsizetype MaxPictureBytes = qsizetype(48) * 1024 * 1024;

qsizetype pictureBytes(const Receipt &receipt)
{
    qsizetype bytes = 0;
    for (const ReceiptBlock &block : receipt.blocks) {
        if (const auto *picture = std::get_if<Picture>(&block))
            bytes += picture->bits.sizeInBytes();
    }
    return bytes;
}

QString hexByte(uchar byte)
{
    return QString::number(byte, 16).toUpper().rightJustified(2, u'0');
}

} // namespace

Printer::Printer(const PrinterProfile &profile)
    : m_profile(profile)
    , m_buffer(profile.paperDots)
{
    powerOn();
}

Receipt Printer::newReceipt()
{
    Receipt receipt;
    receipt.serial = m_nextSerial++;
    receipt.paperDots = m_profile.paperDots;
    return receipt;
}

void Printer::powerOn()
{
    m_receipts.clear();
    m_finished.clear();
    m_receipts.append(newReceipt());
    m_replies.clear();
    m_warning.clear();
    m_storedGraphics.clear();
    nvBitImages.clear();
    automaticStatusMask = 0;
    initialise();
}

void Printer::initialise()
{
    // The print buffer is cleared and every setting returns to its power-on value; the
    // downloaded and NV images stay.
    m_buffer.reset();
    style = {};
    alignment = Alignment::Left;
    upsideDown = false;
    lineSpacing = DefaultLineSpacing;
    chineseMode = m_profile.chineseAtPowerUp;
    codeTable = 0;
    internationalSet = 0;
    userCharacters = false;
    m_userGlyphs.clear();
    pageMode = false;
    motionX = 1;
    motionY = 1;
    barcode = {};
    qr = {};
    pdf417 = {};
    bufferedGraphics = {};
    downloadedBitImage = {};
}

qsizetype Printer::text(const uchar *p, qsizetype available, QString *decoded)
{
    const uchar b = p[0];
    auto put = [&](QChar character, bool doubleByte) {
        if (decoded)
            decoded->append(character);
        addCharacter(character, doubleByte);
    };
    if (b < 0x80 && !userCharacters && internationalSet == 0 && !pageMode)
        return asciiRun(p, available, decoded);
    if (b < 0x80) {
        const QChar character = CodeTables::international(internationalSet, b);
        if (userCharacters) {
            const auto glyph = m_userGlyphs.constFind(int(style.fontB) << 8 | b);
            if (glyph != m_userGlyphs.cend()) {
                if (decoded)
                    decoded->append(character);
                addLineImage(glyph->second,
                             style.widthMultiplier,
                             style.heightMultiplier,
                             characterPitch(style, false));
                return 1;
            }
        }
        put(character, false);
        return 1;
    }
    if (!chineseMode) {
        const QChar character = CodeTables::upper(codeTable, b);
        if (character == QChar::ReplacementCharacter)
            warn(u"byte %1 has no character in code table %2"_s.arg(hexByte(b)).arg(codeTable));
        put(character, false);
        return 1;
    }

    // Chinese mode: a lead byte 81-FE, then a trail byte 40-7E or 80-FE for two-byte codes,
    // or 30-39 followed by a byte 81-FE and a byte 30-39 for GB18030's four-byte codes.
    if (b == 0x80 || b == 0xFF) {
        warn(u"byte %1 starts no Chinese character"_s.arg(hexByte(b)));
        put(u'?', false);
        return 1;
    }
    if (available < 2)
        return 0;
    const uchar second = p[1];
    qsizetype length = 2;
    if (second >= 0x30 && second <= 0x39) {
        if (available < 4)
            return 0;
        if (p[2] < 0x81 || p[2] > 0xFE || p[3] < 0x30 || p[3] > 0x39)
            length = 0;
        else
            length = 4;
    } else if (second < 0x40 || second == 0x7F || second == 0xFF) {
        length = 0;
    }
    if (length == 0) {
        // Bytes meant for a code table look like this when Chinese mode is on.
        warn(codeTable == 0 ? u"incomplete Chinese character code"_s
                            : u"incomplete Chinese character code (code table %1 is selected, "
                              "but Chinese mode is on)"_s.arg(codeTable));
        put(u'?', false);
        return 1;
    }
    // One decoder serves every printer: opening a converter costs far more than a character.
    static thread_local QStringDecoder gb18030("GB18030");
    gb18030.resetState();
    const QString character = gb18030.decode(QByteArrayView(p, length));
    if (character.size() != 1) {
        // Characters beyond the basic plane have no 24 x 24 picture in the printer's font.
        warn(u"Chinese character code without a character"_s);
        put(QChar::ReplacementCharacter, true);
        return length;
    }
    put(character.front(), true);
    return length;
}

qsizetype Printer::asciiRun(const uchar *p, qsizetype available, QString *decoded)
{
    // Plain ASCII in the printer's own set: as many characters as the line still holds go in
    // at once, which is most of what a receipt is made of.
    qsizetype count = 1;
    while (count < available && p[count] >= 0x20 && p[count] < 0x7F)
        ++count;
    const int pitch = characterPitch(style, false);
    qsizetype done = 0;
    while (done < count) {
        if (m_buffer.position() > 0 && !m_buffer.fits(pitch))
            printLine(lineSpacing);
        const int room = std::max(
                1, (m_buffer.areaWidth() - m_buffer.position()) / std::max(pitch, 1));
        const qsizetype take = std::min<qsizetype>(count - done, room);
        const QString text = QString::fromLatin1(reinterpret_cast<const char *>(p + done), take);
        m_buffer.addCharacters(text, style, false, upsideDown, alignment);
        if (decoded)
            decoded->append(text);
        done += take;
    }
    return count;
}

void Printer::addCharacter(QChar character, bool doubleByte)
{
    if (pageMode)
        return warn(u"page mode data not drawn"_s);
    TextStyle own = style;
    if (doubleByte)
        own.underline = style.chineseUnderline;
    // A character that does not fit prints the line and starts the next one.
    if (m_buffer.position() > 0 && !m_buffer.fits(characterPitch(own, doubleByte)))
        printLine(lineSpacing);
    m_buffer.addCharacter(character, own, doubleByte, upsideDown, alignment);
}

void Printer::addLineImage(const QImage &bits, int scaleX, int scaleY, int advance)
{
    if (pageMode)
        return warn(u"page mode data not drawn"_s);
    LineImage image{bits, 0, scaleX, scaleY};
    if (m_buffer.position() > 0 && !m_buffer.fits(image.width()))
        printLine(lineSpacing);
    if (image.width() > m_buffer.areaWidth())
        warn(u"bit image wider than the print area, cut at its edge"_s);
    m_buffer.addImage(image, advance > 0 ? advance : image.width(), upsideDown, alignment);
}

void Printer::printLine(int feed)
{
    addBlock(m_buffer.take(feed, alignment, upsideDown));
}

void Printer::printPending()
{
    if (!m_buffer.isEmpty())
        printLine(lineSpacing);
}

void Printer::feedDots(int dots)
{
    // ESC J and friends print what the buffer holds, then the paper moves on by the amount.
    if (!m_buffer.isEmpty())
        printLine(dots);
    else if (dots > 0)
        addBlock(PaperFeed{dots});
}

void Printer::feedLines(int lines)
{
    feedDots(lines * lineSpacing);
}

void Printer::cut(CutKind kind)
{
    printPending();
    m_receipts.last().cut = kind;
    finishReceipt();
}

void Printer::endReceipt()
{
    // Text still in the print buffer was sent by this job: it is printed on its receipt.
    printPending();
    Receipt &receipt = m_receipts.last();
    if (!receipt.blocks.isEmpty())
        finishReceipt();
    else
        receipt.warnings.clear(); // nothing printed: the next job's paper starts clean
}

void Printer::finishReceipt()
{
    m_finished.append(m_receipts.last());
    m_receipts.append(newReceipt());
    while (m_receipts.size() > MaxReceipts)
        m_receipts.removeFirst();
}

QList<Receipt> Printer::takeFinished()
{
    return std::exchange(m_finished, {});
}

void Printer::addBlock(ReceiptBlock block)
{
    Receipt &receipt = m_receipts.last();
    receipt.blocks.append(std::move(block));
    if (receipt.blocks.size() > MaxBlocksPerReceipt) {
        receipt.blocks.removeFirst();
        receipt.truncated = true;
    }
}

void Printer::addPicture(const QImage &bits, int scaleX, int scaleY, const QString &what)
{
    if (pageMode)
        return warn(u"page mode data not drawn"_s);
    printPending();
    if (bits.isNull())
        return warn(what + u" empty"_s);
    QImage kept = bits;
    const int widest = m_buffer.areaWidth() / scaleX;
    if (kept.width() > widest) {
        warn(what + u" wider than the print area, cut at its edge"_s);
        kept = kept.copy(0, 0, std::max(widest, 1), kept.height());
    }
    if (kept.height() * scaleY > MaxPictureDots) {
        warn(what + u" longer than %1 dots, cut short"_s.arg(MaxPictureDots));
        kept = kept.copy(0, 0, kept.width(), MaxPictureDots / scaleY);
    }
    // The oldest receipts give way when pictures would take too much memory.
    qsizetype total = kept.sizeInBytes();
    for (const Receipt &receipt : std::as_const(m_receipts))
        total += pictureBytes(receipt);
    while (total > MaxPictureBytes && m_receipts.size() > 1) {
        total -= pictureBytes(m_receipts.first());
        m_receipts.removeFirst();
    }
    if (total > MaxPictureBytes)
        return warn(u"too many pictures on one receipt; %1 not kept"_s.arg(what));
    addBlock(Picture{kept, scaleX, scaleY, m_buffer.placement(alignment), what});
}

void Printer::addNote(const QString &text)
{
    printPending();
    addBlock(SettingNote{text});
}

void Printer::warn(const QString &kind)
{
    m_warning = kind;
    QList<WarningCount> &warnings = m_receipts.last().warnings;
    for (WarningCount &warning : warnings) {
        if (warning.kind == kind) {
            ++warning.count;
            return;
        }
    }
    if (warnings.size() < MaxWarningKinds)
        warnings.append({kind, 1});
    else if (warnings.last().kind == u"other warnings"_s)
        ++warnings.last().count;
    else
        warnings.append({u"other warnings"_s, 1});
}

QString Printer::takeWarning()
{
    return std::exchange(m_warning, {});
}

void Printer::reply(const QByteArray &bytes)
{
    m_replies += bytes;
}

QByteArray Printer::takeReplies()
{
    return std::exchange(m_replies, {});
}

void Printer::setStatus(const StatusConditions &status)
{
    if (status == m_status)
        return;
    m_status = status;
    if (automaticStatusMask != 0)
        reply(automaticStatus());
}

QByteArray Printer::automaticStatus() const
{
    const StatusConditions &s = m_status;
    const bool mechanical = s.paperJamAtExit;
    const bool unrecoverable = s.ramError || s.eepromError || s.voltageOutOfRange;
    const bool offline = s.coverOpen || s.paperEnd || mechanical || s.cutterError || unrecoverable;
    QByteArray block(4, 0);
    // Byte 1: bit 3 off-line, bit 4 always set, bit 5 cover open.
    block[0] = char(0x10 | (offline ? 0x08 : 0) | (s.coverOpen ? 0x20 : 0));
    // Byte 2: bit 2 mechanical error, bit 3 cutter error, bit 5 unrecoverable error.
    block[1] = char((mechanical ? 0x04 : 0) | (s.cutterError ? 0x08 : 0)
                    | (unrecoverable ? 0x20 : 0));
    block[2] = s.paperSensors();
    return block;
}

void Printer::printBarcode(Symbology symbology, QByteArrayView data)
{
    if (pageMode)
        return warn(u"page mode data not drawn"_s);
    printPending();
    addBlock(Barcode{.symbology = symbology,
                     .data = data.toByteArray(),
                     .height = barcode.height,
                     .moduleWidth = barcode.moduleWidth,
                     .hri = barcode.hri,
                     .hriFontB = barcode.hriFontB,
                     .placement = m_buffer.placement(alignment)});
}

void Printer::defineUserCharacters(QByteArrayView parameters)
{
    const auto *p = reinterpret_cast<const uchar *>(parameters.data());
    const qsizetype size = parameters.size();
    const int y = size > 0 ? p[0] : 0;
    const int c1 = size > 1 ? p[1] : 0;
    const int c2 = size > 2 ? p[2] : 0;
    if (y < 1 || y > 3 || c1 < 32 || c2 > 126 || c1 > c2)
        return warn(u"user-defined characters out of range"_s);
    const int widest = style.fontB ? 9 : 12;
    qsizetype at = 3;
    for (int code = c1; code <= c2 && at < size; ++code) {
        const int x = p[at];
        const QByteArrayView dots = parameters.sliced(at + 1).first(
                std::min<qsizetype>(qsizetype(y) * x, size - at - 1));
        at += 1 + qsizetype(y) * x;
        if (x > widest) {
            warn(u"user-defined character wider than its font"_s);
            continue;
        }
        // Defined for the font in force; the glyph stands in a full-height cell.
        QImage glyph = BitImage::blank(widest, style.fontB ? 17 : 24);
        const QImage drawn = BitImage::fromColumns(dots, x, y);
        for (int row = 0; row < std::min(drawn.height(), glyph.height()); ++row) {
            for (int column = 0; column < x; ++column) {
                if (drawn.pixelIndex(column, row))
                    glyph.setPixel(column, row, 1);
            }
        }
        m_userGlyphs.insert(int(style.fontB) << 8 | code, {x, glyph});
    }
}

void Printer::cancelUserCharacter(int code)
{
    // ESC ? cancels the character in the font in force; the built-in one prints again.
    m_userGlyphs.remove(int(style.fontB) << 8 | code);
}

void Printer::defineNvBitImages(QByteArrayView parameters)
{
    // FS q replaces every NV bit image; each is x * 8 dots wide and y * 8 high, in columns.
    nvBitImages.clear();
    const auto *p = reinterpret_cast<const uchar *>(parameters.data());
    const qsizetype size = parameters.size();
    const int count = size > 0 ? p[0] : 0;
    qsizetype at = 1;
    for (int image = 0; image < count && at + 4 <= size; ++image) {
        const int x = p[at] | p[at + 1] << 8;
        const int y = p[at + 2] | p[at + 3] << 8;
        const qsizetype length = qsizetype(x) * y * 8;
        if (x < 1 || x > 1023 || y < 1 || y > 288) {
            warn(u"NV bit image size out of range"_s);
            return;
        }
        nvBitImages.append(BitImage::fromColumns(parameters.sliced(at + 4), x * 8, y));
        at += 4 + length;
    }
}

void Printer::graphics(QByteArrayView body)
{
    // body: m fn and the function's parameters, as GS ( L and GS 8 L carry them.
    if (body.size() < 2)
        return warn(u"graphics command too short"_s);
    const auto *p = reinterpret_cast<const uchar *>(body.data());
    const int fn = p[1];
    auto at = [&](qsizetype i) {
        return i < body.size() ? int(p[i]) : 0;
    };
    auto pair = [&](qsizetype i) {
        return at(i) | at(i + 1) << 8;
    };
    auto key = [&](qsizetype i, bool nv) {
        return at(i) << 9 | at(i + 1) << 1 | int(nv);
    };
    switch (fn) {
    case 49:
    case 1:
        return; // reference dot density: every dot is one dot here
    case 50:
    case 2:
        if (bufferedGraphics.isNull())
            return warn(u"graphics printed before any were stored"_s);
        addPicture(bufferedGraphics, bufferedScaleX, bufferedScaleY, u"graphics"_s);
        bufferedGraphics = {};
        return;
    case 112:
    case 113: {
        // a bx by c xL xH yL yH and the dots: rows (112) or columns (113).
        const int width = pair(6);
        const int height = pair(8);
        const QByteArrayView dots = body.sliced(std::min<qsizetype>(10, body.size()));
        bufferedGraphics = fn == 112 ? BitImage::fromRows(dots, (width + 7) / 8, height)
                                     : BitImage::fromColumns(dots, width, (height + 7) / 8);
        bufferedGraphics = bufferedGraphics.copy(
                0, 0, std::clamp(width, 1, bufferedGraphics.width()), bufferedGraphics.height());
        bufferedScaleX = at(3) == 2 ? 2 : 1;
        bufferedScaleY = at(4) == 2 ? 2 : 1;
        if (at(2) != 48)
            warn(u"multi-tone graphics drawn as one tone"_s);
        return;
    }
    case 67:
    case 68:
    case 83:
    case 84: {
        // a kc1 kc2 b xL xH yL yH c and the dots of the first colour.
        const int width = pair(7);
        const int height = pair(9);
        const QByteArrayView dots = body.sliced(std::min<qsizetype>(12, body.size()));
        const bool rows = fn == 67 || fn == 83;
        QImage image = rows ? BitImage::fromRows(dots, (width + 7) / 8, height)
                            : BitImage::fromColumns(dots, width, (height + 7) / 8);
        m_storedGraphics.insert(
                key(3, fn < 80),
                image.copy(0, 0, std::clamp(width, 1, image.width()), image.height()));
        return;
    }
    case 69:
    case 85: {
        // kc1 kc2 x y: x and y scale 1 or 2.
        const auto found = m_storedGraphics.constFind(key(2, fn == 69));
        if (found == m_storedGraphics.cend())
            return warn(u"stored graphics printed that are not defined"_s);
        addPicture(*found, at(4) == 2 ? 2 : 1, at(5) == 2 ? 2 : 1, u"stored graphics"_s);
        return;
    }
    case 65:
    case 81:
        m_storedGraphics.removeIf(
                [fn](const auto &entry) { return (entry.key() & 1) == (fn == 65); });
        return;
    case 66:
    case 82:
        m_storedGraphics.remove(key(2, fn == 66));
        return;
    case 48:
    case 51:
    case 52:
    case 64:
    case 80:
        return warn(u"graphics information request not answered"_s);
    default:
        return warn(u"graphics function %1 unknown"_s.arg(fn));
    }
}

void Printer::twoDimensionalCode(QByteArrayView body)
{
    // body: cn fn and the function's parameters, as GS ( k carries them.
    if (body.size() < 2)
        return warn(u"two-dimensional code command too short"_s);
    const auto *p = reinterpret_cast<const uchar *>(body.data());
    const int cn = p[0];
    const int fn = p[1];
    auto at = [&](qsizetype i) {
        return i < body.size() ? int(p[i]) : 0;
    };
    if (cn == 49) {
        switch (fn) {
        case 65: // model: 49 model 1, 50 model 2, 51 Micro QR
            qr.micro = at(2) == 51;
            if (at(2) == 49)
                warn(u"QR model 1 drawn as model 2"_s);
            return;
        case 67:
            if (at(2) < 1 || at(2) > 16)
                return warn(u"QR module size out of range"_s);
            qr.moduleSize = at(2);
            return;
        case 69: {
            static constexpr char levels[] = {'L', 'M', 'Q', 'H'};
            const int level = at(2) - 48;
            if (level < 0 || level > 3)
                return warn(u"QR error correction level out of range"_s);
            qr.level = levels[level];
            return;
        }
        case 80:
            qr.data = body.sliced(std::min<qsizetype>(3, body.size())).toByteArray();
            return;
        case 81: {
            const EncodedSymbol symbol = SymbolEncoder::qrCode(qr.data, qr.level, qr.micro);
            if (!symbol.isValid())
                return warn(u"QR code not printed: "_s + symbol.error);
            addPicture(symbol.modules, qr.moduleSize, qr.moduleSize, u"QR code"_s);
            return;
        }
        case 82:
            return warn(u"QR size information request not answered"_s);
        default:
            return warn(u"QR function %1 unknown"_s.arg(fn));
        }
    }
    if (cn == 48) {
        switch (fn) {
        case 65:
            pdf417.columns = at(2) <= 30 ? at(2) : 0;
            return;
        case 66:
            pdf417.rows = (at(2) == 0 || (at(2) >= 3 && at(2) <= 90)) ? at(2) : 0;
            return;
        case 67:
            if (at(2) < 2 || at(2) > 8)
                return warn(u"PDF417 module width out of range"_s);
            pdf417.moduleWidth = at(2);
            return;
        case 68:
            if (at(2) < 2 || at(2) > 8)
                return warn(u"PDF417 row height out of range"_s);
            pdf417.rowHeight = at(2);
            return;
        case 69: // m 48: level n 48-56; m 49: a ratio, left to the encoder
            pdf417.securityLevel = at(2) == 48 && at(3) >= 48 && at(3) <= 56 ? at(3) - 48 : -1;
            return;
        case 70:
            pdf417.truncated = at(2) & 1;
            return;
        case 80:
            pdf417.data = body.sliced(std::min<qsizetype>(3, body.size())).toByteArray();
            return;
        case 81: {
            const EncodedSymbol symbol = SymbolEncoder::pdf417(pdf417.data,
                                                               pdf417.columns,
                                                               pdf417.rows,
                                                               pdf417.securityLevel,
                                                               pdf417.truncated);
            if (!symbol.isValid())
                return warn(u"PDF417 not printed: "_s + symbol.error);
            addPicture(symbol.modules,
                       pdf417.moduleWidth,
                       pdf417.moduleWidth * pdf417.rowHeight,
                       u"PDF417"_s);
            return;
        }
        case 82:
            return warn(u"PDF417 size information request not answered"_s);
        default:
            return warn(u"PDF417 function %1 unknown"_s.arg(fn));
        }
    }
    static const char *const others[] = {
            "MaxiCode", "GS1 DataBar", "Composite Symbology", "Aztec Code", "DataMatrix"};
    if (cn >= 50 && cn <= 54)
        return warn(QString::fromLatin1(others[cn - 50]) + u" not drawn"_s);
    warn(u"two-dimensional code of an unknown kind"_s);
}

} // namespace emulator
