#pragma once

#include "CommandRecord.h"
#include "Receipt.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QStringDecoder>

namespace emulator {

// Turns the printer's byte stream, arriving in pieces of any size, into receipts.
class Interpreter : public QObject
{
    Q_OBJECT

public:
    static constexpr int PrintableWidth = 576; // dots across 80 mm paper
    static constexpr int MaxReceipts = 50;
    static constexpr int MaxBlocksPerReceipt = 1500;
    static constexpr int MaxBarcodeData = 255;

    explicit Interpreter(QObject *parent = nullptr);

    void feed(QByteArrayView bytes);

    // Forgets all receipts and returns to the power-on state.
    void clear();

    // Cut receipts, oldest first; the last one is the receipt being printed.
    const QList<Receipt> &receipts() const { return m_receipts; }

    // Characters received since the last line was printed.
    const TextLine &pendingLine() const { return m_line; }

    // Bytes held back because they start a command that has not arrived completely.
    qsizetype pendingBytes() const { return m_buffer.size(); }

Q_SIGNALS:
    void commandDecoded(const emulator::CommandRecord &record);
    // DLE EOT n: the host asks for status and expects the answer at once.
    void realTimeRequest(int n);

private:
    struct BarcodeSettings
    {
        int height = 162;
        int moduleWidth = 3;
        HriPosition hri = HriPosition::None;
        bool hriFontB = false;
    };

    void resetSettings();
    void process(QByteArrayView bytes);
    qsizetype parse(const uchar *p, qsizetype available);
    qsizetype parseEsc(const uchar *p, qsizetype available);
    qsizetype parseGs(const uchar *p, qsizetype available);
    qsizetype parseFs(const uchar *p, qsizetype available);
    qsizetype parseDle(const uchar *p, qsizetype available);
    qsizetype parseBarcode(const uchar *p, qsizetype available);
    qsizetype parseText(const uchar *p, qsizetype available);

    void addCharacter(const QString &character, bool doubleByte, QByteArrayView source);
    void printLine();
    void addBlock(ReceiptBlock block);
    void cut(CutKind kind);
    void flushTextLog();
    void log(CommandRecord::Kind kind, QByteArrayView bytes, const QString &description);
    void logCommand(QByteArrayView bytes, const QString &description, qsizetype headerLength = -1);
    void logUnknown(QByteArrayView bytes, const QString &description);
    void skipData(QByteArrayView header, qint64 dataLength, const QString &description);
    void printPendingLine();

    QList<Receipt> m_receipts;
    quint64 m_nextSerial = 1;

    QByteArray m_buffer;    // start of an incomplete command
    QByteArray m_reentrant; // bytes fed from a slot while a feed is running
    bool m_feeding = false;
    qint64 m_skip = 0; // bulk data still to be discarded

    TextLine m_line;
    QByteArray m_textLog;
    QString m_textLogText;

    TextStyle m_style;
    Alignment m_alignment = Alignment::Left;
    bool m_upsideDown = false;
    int m_lineSpacing = 30;
    bool m_doubleByteMode = true;
    BarcodeSettings m_barcode;

    QStringDecoder m_gbk{"GBK"};
    QStringDecoder m_singleByte{"IBM437"};
};

} // namespace emulator
