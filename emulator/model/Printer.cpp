#include "Printer.h"

#include "BlockKinds.h"
#include "CharacterReader.h"
#include "ReceiptLayout.h"

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
    etbCounter = 0;
    printEndCounter = 0;
    markedPaper = false;
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
    kanjiMode = KanjiMode::None;
    codeTable = 0;
    normalCodePage = true;
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

qsizetype Printer::text(const uchar *bytes, qsizetype available, QString *decoded)
{
    return CharacterReader(*this).read(bytes, available, decoded);
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
        reply(m_automaticStatus ? m_automaticStatus(*this) : m_status.automatic());
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
