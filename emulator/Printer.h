#pragma once

#include "PrintBuffer.h"
#include "Receipt.h"
#include "StatusConditions.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>

namespace emulator {

// How the printer is built and switched at power-on.
struct PrinterProfile
{
    int paperDots = PaperDots80;
    bool chineseAtPowerUp = true; // Chinese double-byte mode, as the memory switch sets it

    friend bool operator==(const PrinterProfile &, const PrinterProfile &) = default;
};

// The emulated printer's state, and what its commands do to it and to the paper.
class Printer
{
public:
    static constexpr int MaxReceipts = 50;
    static constexpr int MaxBlocksPerReceipt = 1500;
    static constexpr int MaxWarningKinds = 40;
    static constexpr int DefaultLineSpacing = 30;

    struct BarcodeSettings
    {
        int height = 162;
        int moduleWidth = 3;
        HriPosition hri = HriPosition::None;
        bool hriFontB = false;
    };
    struct QrSettings
    {
        int moduleSize = 3;
        char level = 'L';
        bool micro = false;
        QByteArray data;
    };
    struct Pdf417Settings
    {
        int columns = 0;
        int rows = 0;
        int moduleWidth = 3;
        int rowHeight = 3; // times the module width
        int securityLevel = 1;
        bool truncated = false;
        QByteArray data;
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
    void cut(CutKind kind);
    // The job has ended: what it printed since the last cut ends its receipt, so that the next
    // job starts on fresh paper; settings stay as the job left them.
    void endReceipt();
    void addBlock(ReceiptBlock block);
    void addPicture(const QImage &bits, int scaleX, int scaleY, const QString &what);
    void addNote(const QString &text);
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
    // The four bytes of automatic status back.
    QByteArray automaticStatus() const;

    // The variable-length parts of commands with sub-functions.
    void graphics(QByteArrayView body);
    void twoDimensionalCode(QByteArrayView body);
    void defineUserCharacters(QByteArrayView parameters);
    void defineNvBitImages(QByteArrayView parameters);
    void cancelUserCharacter(int code);
    void printBarcode(Symbology symbology, QByteArrayView data);

    const QList<Receipt> &receipts() const { return m_receipts; }
    // Receipts finished (cut, or ended with their job) since the last call.
    QList<Receipt> takeFinished();
    const PrintBuffer &buffer() const { return m_buffer; }
    PrintBuffer &buffer() { return m_buffer; }

    // Settings that commands change.
    TextStyle style;
    Alignment alignment = Alignment::Left;
    bool upsideDown = false;
    int lineSpacing = DefaultLineSpacing;
    bool chineseMode = true;
    int codeTable = 0;
    int internationalSet = 0;
    bool userCharacters = false;
    bool pageMode = false;
    int motionX = 1; // dots per horizontal motion unit step, from GS P
    int motionY = 1;
    int automaticStatusMask = 0;
    BarcodeSettings barcode;
    QrSettings qr;
    Pdf417Settings pdf417;
    QImage downloadedBitImage; // GS *
    QList<QImage> nvBitImages; // FS q, printed by FS p from 1
    QImage bufferedGraphics;   // GS ( L 112, printed by GS ( L 50
    int bufferedScaleX = 1;
    int bufferedScaleY = 1;

private:
    void addCharacter(QChar character, bool doubleByte);
    qsizetype asciiRun(const uchar *bytes, qsizetype available, QString *decoded);
    void placeCharacter(QChar character, bool doubleByte);
    Receipt newReceipt();
    void finishReceipt();

    PrinterProfile m_profile;
    PrintBuffer m_buffer;
    QList<Receipt> m_receipts;
    QList<Receipt> m_finished;
    quint64 m_nextSerial = 1;
    StatusConditions m_status;
    QByteArray m_replies;
    QString m_warning;
    QHash<int, QImage> m_storedGraphics;             // key code pair and whether kept in NV memory
    QHash<int, std::pair<int, QImage>> m_userGlyphs; // font and code: width and dots
};

} // namespace emulator
