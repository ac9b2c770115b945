#include "Printer.h"

#include "BlockKinds.h"
#include "CodeTables.h"
#include "ReceiptLayout.h"

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
        else if (const auto *page = std::get_if<Page>(&block))
            bytes += PageMode::pictureBytes(page->regions);
    }
    return bytes;
}

// A mark on the paper: what makes a receipt of paper a job fed out. Feeds, drawer pulses, the
// buzzer and setting notes leave the paper blank.
bool printsOnPaper(const Receipt &receipt)
{
    return std::ranges::any_of(receipt.blocks, [](const ReceiptBlock &block) {
        return std::holds_alternative<TextLine>(block) || std::holds_alternative<Barcode>(block)
               || std::holds_alternative<Picture>(block) || std::holds_alternative<Page>(block);
    });
}

QString hexByte(uchar byte)
{
    return QString::number(byte, 16).toUpper().rightJustified(2, u'0');
}

} // namespace

Printer::Printer(const PrinterProfile &profile)
    : m_profile(profile)
    , m_buffer(profile.paperDots)
    , m_page(profile.paperDots)
{
    powerOn();
}

Receipt Printer::newReceipt()
{
    m_receiptDots = 0;
    Receipt receipt;
    receipt.serial = m_nextSerial++;
    receipt.paperDots = m_profile.paperDots;
    receipt.commandSet = m_commandSet;
    return receipt;
}

void Printer::powerOn()
{
    m_receipts.clear();
    m_finished.clear();
    m_beside.clear();
    m_receipts.append(newReceipt());
    m_replies.clear();
    m_warning.clear();
    storedGraphics.clear();
    nvBitImages.clear();
    nvUserMemory = QByteArray(1024, '\0');
    for (QByteArray &switches : memorySwitches)
        switches = QByteArray(8, '0');
    automaticStatusMask = 0;
    initialise();
}

void Printer::initialise()
{
    // The print buffer is cleared and every setting returns to its power-on value; the
    // downloaded and NV images stay.
    m_buffer.reset();
    for (ReceiptBlock &block : m_beside)
        addBlock(std::move(block));
    m_beside.clear();
    m_page.reset();
    m_pageMode = false;
    m_otherLineSpacing = DefaultLineSpacing;
    style = {};
    alignment = Alignment::Left;
    upsideDown = false;
    lineSpacing = DefaultLineSpacing;
    chineseMode = m_profile.chineseAtPowerUp;
    codeTable = 0;
    internationalSet = 0;
    userCharacters = false;
    userGlyphs.clear();
    motionX = 1;
    motionY = 1;
    barcode = {};
    symbols = {};
    bufferedGraphics = {};
    downloadedBitImage = {};
}

qsizetype Printer::text(const uchar *p, qsizetype available, QString *decoded)
{
    const uchar b = p[0];
    if (b < 0x80 && !userCharacters && internationalSet == 0)
        return asciiRun(p, available, decoded);
    if (b >= 0x80 && chineseMode)
        return chineseCharacter(p, available, decoded);
    QChar character;
    if (b < 0x80) {
        character = CodeTables::international(internationalSet, b);
        const auto glyph = userGlyphs.constFind(int(style.fontB) << 8 | b);
        if (userCharacters && glyph != userGlyphs.cend()) {
            if (decoded)
                decoded->append(character);
            addLineImage(glyph->second,
                         style.widthMultiplier,
                         style.heightMultiplier,
                         characterPitch(style, false));
            return 1;
        }
    } else {
        character = CodeTables::upper(codeTable, b);
        if (character == QChar::ReplacementCharacter)
            warn(u"byte %1 has no character in code table %2"_s.arg(hexByte(b)).arg(codeTable));
    }
    put(character, false, decoded);
    return 1;
}

qsizetype Printer::chineseCharacter(const uchar *p, qsizetype available, QString *decoded)
{
    // A lead byte 81-FE, then a trail byte 40-7E or 80-FE for two-byte codes, or 30-39
    // followed by a byte 81-FE and a byte 30-39 for GB18030's four-byte codes.
    const uchar b = p[0];
    if (b == 0x80 || b == 0xFF) {
        explainChineseMode();
        warn(u"byte %1 starts no Chinese character"_s.arg(hexByte(b)));
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
        warn(u"incomplete Chinese character code"_s);
        put(u'?', false, decoded);
        return 1;
    }
    // One decoder serves every printer: opening a converter costs far more than a character.
    static thread_local QStringDecoder gb18030("GB18030");
    gb18030.resetState();
    const QString character = gb18030.decode(QByteArrayView(p, length));
    if (character.size() != 1) {
        // Characters beyond the basic plane have no 24 x 24 picture in the printer's font.
        warn(u"Chinese character code without a character"_s);
        put(QChar::ReplacementCharacter, true, decoded);
        return length;
    }
    put(character.front(), true, decoded);
    return length;
}

void Printer::put(QChar character, bool doubleByte, QString *decoded)
{
    if (decoded)
        decoded->append(character);
    addCharacter(character, doubleByte);
}

void Printer::explainChineseMode()
{
    // A program that selected a code table and did not leave Chinese mode (most Western
    // libraries never send FS .) gets its accented letters printed as Chinese characters: told
    // once a receipt.
    if (codeTable == 0 || m_chineseHintSerial == m_receipts.last().serial)
        return;
    m_chineseHintSerial = m_receipts.last().serial;
    warn(u"bytes 80-FF print as Chinese characters while Chinese mode is on, although code "
         "table %1 is selected: send FS . before the text, or start the virtual printer with "
         "--chinese off, or clear its window's \"Chinese mode at power-up\" box"_s.arg(codeTable));
}

qsizetype Printer::asciiRun(const uchar *p, qsizetype available, QString *decoded)
{
    // Plain ASCII in the printer's own set: as many characters as the line still holds go in
    // at once, which is most of what a receipt is made of.
    qsizetype count = 1;
    while (count < available && p[count] >= 0x20 && p[count] < 0x7F)
        ++count;
    const TextStyle own = lineStyle();
    const int pitch = characterPitch(own, false);
    qsizetype done = 0;
    while (done < count) {
        PrintBuffer &line = buffer();
        if (line.position() > 0 && !line.fits(pitch))
            printLine(lineSpacing);
        const int room = std::max(1, (line.areaWidth() - line.position()) / std::max(pitch, 1));
        const qsizetype take = std::min<qsizetype>(count - done, room);
        const QString text = QString::fromLatin1(reinterpret_cast<const char *>(p + done), take);
        line.addCharacters(text, own, false, lineUpsideDown(), lineAlignment());
        if (decoded)
            decoded->append(text);
        done += take;
    }
    return count;
}

void Printer::addCharacter(QChar character, bool doubleByte)
{
    TextStyle own = lineStyle();
    if (doubleByte)
        own.underline = style.chineseUnderline;
    // A character that does not fit prints the line and starts the next one.
    if (buffer().position() > 0 && !buffer().fits(characterPitch(own, doubleByte)))
        printLine(lineSpacing);
    buffer().addCharacter(character, own, doubleByte, lineUpsideDown(), lineAlignment());
}

void Printer::addLineImage(const QImage &bits, int scaleX, int scaleY, int advance)
{
    LineImage image{bits, 0, scaleX, scaleY};
    if (buffer().position() > 0 && !buffer().fits(image.width()))
        printLine(lineSpacing);
    if (image.width() > buffer().areaWidth())
        warn(u"bit image wider than the print area, cut at its edge"_s);
    buffer().addImage(
            image, advance > 0 ? advance : image.width(), lineUpsideDown(), lineAlignment());
}

void Printer::printLine(int feed)
{
    if (m_pageMode)
        return m_page.endLine(feed);
    counters.count(MaintenanceCounters::LinesFed);
    counters.count(MaintenanceCounters::LinesPrinted);
    addBlock(m_buffer.take(feed, alignment, upsideDown));
    for (ReceiptBlock &block : m_beside)
        addBlock(std::move(block));
    m_beside.clear();
}

void Printer::printPending()
{
    // In page mode nothing prints before the page.
    if (!m_pageMode && !m_buffer.isEmpty())
        printLine(lineSpacing);
}

void Printer::feedDots(int dots)
{
    // ESC J and friends print what the buffer holds, then the paper moves on by the amount; in
    // page mode the position moves on.
    if (m_pageMode) {
        m_page.endLine(dots);
    } else if (!m_buffer.isEmpty()) {
        printLine(dots);
    } else if (dots > 0) {
        counters.count(MaintenanceCounters::LinesFed);
        addBlock(PaperFeed{dots});
    }
}

void Printer::feedLines(int lines)
{
    feedDots(lines * lineSpacing);
}

void Printer::reverseFeed(int dots)
{
    if (m_pageMode)
        return warn(u"reverse feed in page mode ignored"_s);
    // The line prints as ESC J 0 prints it, the paper past its dots, then goes back.
    if (!m_buffer.isEmpty())
        printLine(0);
    if (dots > 0)
        addBlock(PaperFeed{-dots});
}

void Printer::cut(CutKind kind)
{
    if (m_pageMode)
        return warn(u"cut in page mode ignored"_s);
    printPending();
    counters.count(MaintenanceCounters::Cuts);
    m_receipts.last().cut = kind;
    finishReceipt();
}

void Printer::endReceipt()
{
    // Text still in the print buffer was sent by this job: it is printed on its receipt.
    printPending();
    Receipt &receipt = m_receipts.last();
    if (printsOnPaper(receipt))
        return finishReceipt();
    // Nothing printed since the last cut (a drawer opened after it, say): no receipt, and the
    // next job's paper starts clean.
    receipt.blocks.clear();
    receipt.warnings.clear();
    receipt.leftOut = 0;
    m_receiptDots = 0;
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
    m_receiptDots += ReceiptLayout::heightOf(block);
    receipt.blocks.append(std::move(block));
    // A receipt longer than the printer keeps loses its beginning.
    while ((m_receiptDots > MaxReceiptDots || receipt.blocks.size() > MaxBlocksPerReceipt)
           && receipt.blocks.size() > 1) {
        const int dropped = ReceiptLayout::heightOf(receipt.blocks.first());
        m_receiptDots -= dropped;
        receipt.leftOut += dropped;
        receipt.blocks.removeFirst();
    }
}

void Printer::addPicture(const QImage &bits,
                         int scaleX,
                         int scaleY,
                         const QString &what,
                         Code2D code,
                         const QByteArray &data)
{
    printPending();
    if (bits.isNull())
        return warn(what + u" empty"_s);
    QImage kept = bits;
    const int widest = buffer().areaWidth() / scaleX;
    if (kept.width() > widest) {
        warn(what + u" wider than the print area, cut at its edge"_s);
        kept = kept.copy(0, 0, std::max(widest, 1), kept.height());
    }
    if (kept.height() * scaleY > MaxPictureDots) {
        warn(what + u" longer than %1 dots, cut short"_s.arg(MaxPictureDots));
        kept = kept.copy(0, 0, kept.width(), MaxPictureDots / scaleY);
    }
    // The oldest receipts give way when pictures would take too much memory.
    qsizetype total = kept.sizeInBytes() + PageMode::pictureBytes(m_page.regions());
    for (const Receipt &receipt : std::as_const(m_receipts))
        total += pictureBytes(receipt);
    while (total > MaxPictureBytes && m_receipts.size() > 1) {
        total -= pictureBytes(m_receipts.first());
        m_receipts.removeFirst();
    }
    if (total > MaxPictureBytes)
        return warn(u"too many pictures on one receipt; %1 not kept"_s.arg(what));
    Picture picture{kept, scaleX, scaleY, m_buffer.placement(alignment), what, code, data};
    if (m_pageMode) {
        const int width = kept.width() * scaleX;
        return m_page.place(std::move(picture), width, kept.height() * scaleY);
    }
    addBlock(std::move(picture));
}

TextStyle Printer::lineStyle() const
{
    // A page's characters are not turned: ESC V counts in standard mode only.
    TextStyle own = style;
    own.rotated = own.rotated && !m_pageMode;
    return own;
}

int Printer::unitAlong() const
{
    const PrintDirection direction = m_page.direction();
    const bool turned = m_pageMode
                        && (direction == PrintDirection::BottomToTop
                            || direction == PrintDirection::TopToBottom);
    return turned ? motionY : motionX;
}

int Printer::unitAcross() const
{
    return unitAlong() == motionX ? motionY : motionX;
}

void Printer::selectPageMode()
{
    if (m_pageMode)
        return;
    if (!m_buffer.isEmpty())
        return warn(u"page mode selected inside a line ignored"_s);
    // The page's lines start at the print area's start point, with their own line spacing.
    m_pageMode = true;
    m_page.line().setTabStops(m_buffer.tabStops());
    m_page.setDirection(m_page.direction());
    std::swap(lineSpacing, m_otherLineSpacing);
}

void Printer::selectStandardMode()
{
    if (!m_pageMode)
        return;
    m_page.clear();
    m_pageMode = false;
    std::swap(lineSpacing, m_otherLineSpacing);
}

void Printer::printPage(bool standardAfter)
{
    if (!m_pageMode)
        return printPending();
    addBlock(m_page.print());
    if (m_page.leftOut() > 0) {
        warn(u"page holding more than %1 lines, barcodes and pictures; %2 left out"_s
                     .arg(PageMode::MaxPieces)
                     .arg(m_page.leftOut()));
    }
    if (standardAfter)
        selectStandardMode();
}

void Printer::addBeside(ReceiptBlock block)
{
    if (!m_pageMode && !m_buffer.isEmpty())
        m_beside.append(std::move(block));
    else
        addBlock(std::move(block));
}

void Printer::addNote(const QString &text)
{
    addBeside(SettingNote{text});
}

void Printer::pulseDrawer(int pin, int onMs, int offMs)
{
    addBeside(DrawerPulse{pin, onMs, offMs});
}

void Printer::beep(int times)
{
    addBeside(Beep{times});
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
        reply(m_automaticStatus ? m_automaticStatus(m_status) : m_status.automatic());
}

void Printer::setCommandSet(CommandSetKind kind, StatusLayout automaticStatus)
{
    m_commandSet = kind;
    m_automaticStatus = automaticStatus;
    if (!m_receipts.isEmpty() && m_receipts.last().blocks.isEmpty())
        m_receipts.last().commandSet = kind;
}

void Printer::printBarcode(Symbology symbology, QByteArrayView data)
{
    printPending();
    Barcode printed{.symbology = symbology,
                    .data = data.toByteArray(),
                    .height = barcode.height,
                    .moduleWidth = barcode.moduleWidth,
                    .hri = barcode.hri,
                    .hriFontB = barcode.hriFontB,
                    .placement = m_buffer.placement(alignment)};
    if (!m_pageMode)
        return addBlock(std::move(printed));
    // On a page the barcode stands on the line's foot, its characters with it.
    BlockLayout laid;
    BlockKind<Barcode>::lay(printed, &laid, nullptr);
    if (!laid.barcode.isValid())
        return m_page.place(std::move(printed), 0, 0);
    m_page.place(std::move(printed), laid.bars.width(), laid.foot - ReceiptLayout::BarcodeGap);
}

} // namespace emulator
