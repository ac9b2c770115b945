#pragma once

#include "CommandSetKind.h"
#include "MaintenanceCounters.h"
#include "PageMode.h"
#include "PrintBuffer.h"
#include "Receipt.h"
#include "StatusConditions.h"
#include "SymbolSettings.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>

#include <optional>

namespace emulator {

// Star's Kanji modes: two bytes a character, in Shift_JIS (ESC $ 1) or in JIS (ESC p).
enum class KanjiMode { None, ShiftJis, Jis };

// How the printer is built and switched at power-on.
struct PrinterProfile
{
    int paperDots = PaperDots80;
    bool chineseAtPowerUp = true; // Chinese double-byte mode, as the memory switch sets it
    // The command set the printer is switched to; none: each job's own.
    std::optional<CommandSetKind> emulation;

    friend bool operator==(const PrinterProfile &, const PrinterProfile &) = default;
};

// The emulated printer's state, and what its commands do to it and to the paper.
class Printer
{
public:
    static constexpr int MaxReceipts = 50;
    // A receipt is kept to its last 12 m (96,000 dot rows at 203 dpi), and to this many blocks
    // (lines, pictures, notes): what comes before is left out, and the receipt says how much.
    static constexpr int MaxReceiptDots = 96000;
    static constexpr int MaxBlocksPerReceipt = 20000;
    static constexpr int MaxWarningKinds = 40;
    static constexpr int DefaultLineSpacing = 30;

    struct BarcodeSettings
    {
        int height = 162;
        int moduleWidth = 3;
        HriPosition hri = HriPosition::None;
        bool hriFontB = false;
    };
    explicit Printer(const PrinterProfile &profile = {});

    const PrinterProfile &profile() const { return m_profile; }
    // The memory switch for Chinese mode: counts from the next power-on or ESC @.
    void setChineseAtPowerUp(bool on) { m_profile.chineseAtPowerUp = on; }
    // Forgets every receipt and returns to the power-on state.
    void powerOn();
    // ESC @: settings back to power-on; the paper and stored images stay.
    void initialise();

    // Printable text: takes one character (1, 2 or 4 bytes) or a run of plain ASCII and
    // returns the bytes it took, 0 when the character is not complete yet. The characters are
    // appended to decoded when it is given.
    qsizetype text(const uchar *bytes, qsizetype available, QString *decoded);

    // LF and friends: prints the line and feeds at least feed dots.
    void printLine(int feed);
    void printPending();
    void feedDots(int dots);
    void feedLines(int lines);
    // ESC e: prints the line, then takes the paper back by dots; what prints next lands above.
    void reverseFeed(int dots);
    void cut(CutKind kind);
    // The job has ended: what it printed since the last cut ends its receipt, so that the next
    // job starts on fresh paper; settings stay as the job left them.
    void endReceipt();
    void addBlock(ReceiptBlock block);
    // code and data tell a two-dimensional code from an image.
    void addPicture(const QImage &bits,
                    int scaleX,
                    int scaleY,
                    const QString &what,
                    Code2D code = Code2D::None,
                    const QByteArray &data = {});
    // Notes, drawer pulses and beeps print nothing: a line being composed goes on, and they
    // stand beside the paper after it.
    void addNote(const QString &text);
    void pulseDrawer(int pin, int onMs, int offMs);
    void beep(int times);
    void addLineImage(const QImage &bits, int scaleX, int scaleY, int advance);

    // Something the printer could not print or act on; counted on the receipt and reported
    // with the command that caused it.
    void warn(const QString &kind);
    QString takeWarning();

    // Bytes the printer sends back to the host.
    void reply(const QByteArray &bytes);
    QByteArray takeReplies();
    void setStatus(const StatusConditions &status);
    const StatusConditions &status() const { return m_status; }
    // The command set the printer reads: its receipts say so, and automatic status goes out
    // in its layout.
    using StatusLayout = QByteArray (*)(const Printer &printer);
    void setCommandSet(CommandSetKind kind, StatusLayout automaticStatus);
    CommandSetKind commandSet() const { return m_commandSet; }

    void printBarcode(Symbology symbology, QByteArrayView data);

    // Page mode (ESC L): what prints is placed on a page until FF or ESC FF prints the page.
    bool inPageMode() const { return m_pageMode; }
    void selectPageMode();
    // ESC S, and FF after printing: the page's data is dropped.
    void selectStandardMode();
    // FF and ESC FF: the page is printed; FF then returns to standard mode.
    void printPage(bool standardAfter);
    PageMode &page() { return m_page; }
    const PageMode &page() const { return m_page; }
    // Motion units along the lines and across them: a page turned a quarter swaps them.
    int unitAlong() const;
    int unitAcross() const;

    const QList<Receipt> &receipts() const { return m_receipts; }
    // Receipts finished (cut, or ended with their job) since the last call.
    QList<Receipt> takeFinished();
    // The line characters are composed in: the page's in page mode.
    const PrintBuffer &buffer() const { return m_pageMode ? m_page.line() : m_buffer; }
    PrintBuffer &buffer() { return m_pageMode ? m_page.line() : m_buffer; }
    // Standard mode's line, whose margins and width GS L and GS W set in either mode.
    PrintBuffer &standardBuffer() { return m_buffer; }

    // Settings that commands change.
    TextStyle style;
    Alignment alignment = Alignment::Left;
    bool upsideDown = false;
    int lineSpacing = DefaultLineSpacing;
    bool chineseMode = true;
    KanjiMode kanjiMode = KanjiMode::None;
    int codeTable = 0;
    bool normalCodePage = true; // Star's code page 0: which table it is follows ESC R
    int internationalSet = 0;
    bool userCharacters = false;
    int motionX = 1; // dots per horizontal motion unit step, from GS P
    int motionY = 1;
    int automaticStatusMask = 0;
    int etbCounter = 0;        // Star's ETB counter, 0-31, sent in its status
    int printEndCounter = 0;   // Star's ESC GS ETX counter, 0-255
    bool markedPaper = false;  // Star's ESC RS m: FF and ESC d 2/3 feed to the next black mark
    int drawerPulseOnMs = 200; // Star printers' drawer pulse, from ESC BEL
    int drawerPulseOffMs = 200;
    // Raster mode (Star's ESC * r A): rows of dots gathered into one picture until it ends.
    bool rasterMode = false;
    QList<QByteArray> rasterRows;
    QByteArray rasterLine; // the dot row k fills, until b or a move ends it
    BarcodeSettings barcode;
    SymbolSettings symbols;
    QImage downloadedBitImage;                     // GS *
    QList<QImage> nvBitImages;                     // FS q and Star's ESC FS q: logos from 1
    QHash<int, std::pair<int, QImage>> userGlyphs; // ESC &, by font and code: width and dots
    QImage bufferedGraphics;                       // GS ( L 112, printed by GS ( L 50
    int bufferedScaleX = 1;
    int bufferedScaleY = 1;
    QHash<int, QImage> storedGraphics; // by key code pair and whether kept in NV memory
    QByteArray nvUserMemory;           // FS g, 1 KiB
    QByteArray memorySwitches[8];      // GS ( E, bit 8 first, '0' or '1'
    MaintenanceCounters counters;

private:
    friend class CharacterReader;
    void addBeside(ReceiptBlock block);
    Receipt newReceipt();
    void finishReceipt();

    // Settings that apply to standard mode's lines only.
    TextStyle lineStyle() const;
    Alignment lineAlignment() const { return m_pageMode ? Alignment::Left : alignment; }
    bool lineUpsideDown() const { return !m_pageMode && upsideDown; }

    PrinterProfile m_profile;
    PrintBuffer m_buffer;
    PageMode m_page;
    bool m_pageMode = false;
    int m_otherLineSpacing = DefaultLineSpacing; // of the mode not in force
    QList<Receipt> m_receipts;
    QList<Receipt> m_finished;
    QList<ReceiptBlock> m_beside; // notes waiting for the line being composed to print
    quint64 m_nextSerial = 1;
    int m_receiptDots = 0; // rows the blocks of the receipt being printed take
    StatusConditions m_status;
    CommandSetKind m_commandSet = CommandSetKind::EscPos;
    StatusLayout m_automaticStatus = nullptr; // none: the ESC/POS layout
    QByteArray m_replies;
    QString m_warning;
    quint64 m_chineseHintSerial = 0; // the receipt that was told why its bytes print as Chinese
};

} // namespace emulator
