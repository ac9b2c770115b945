#include "BarcodeEncoder.h"
#include "Interpreter.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace emulator;

// Bytes in, receipts out, whatever pieces the bytes arrive in.
class TestInterpreter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void model_data();
    void model();
    void inputStaysBounded();
};

// What feeding left behind: receipts, the command log, real-time requests.
struct Fed
{
    QList<Receipt> receipts;
    QList<CommandRecord> log;
    QList<int> requests;
    bool operator==(const Fed &) const = default;
};

static Fed feedPieces(const QList<QByteArrayView> &pieces)
{
    Interpreter interpreter;
    Fed fed;
    QObject::connect(&interpreter, &Interpreter::commandDecoded, [&fed](auto r) { fed.log << r; });
    QObject::connect(
            &interpreter, &Interpreter::realTimeRequest, [&fed](int n) { fed.requests << n; });
    for (const QByteArrayView piece : pieces)
        interpreter.feed(piece);
    fed.receipts = interpreter.receipts();
    return fed;
}

static QString runOf(const TextRun &run)
{
    const TextStyle &s = run.style;
    const bool wide = s.widthMultiplier != 1 || s.heightMultiplier != 1;
    const QString flags = (s.emphasized ? u"E"_s : u""_s) + (s.doubleStrike ? u"G"_s : u""_s)
                          + (s.italic ? u"I"_s : u""_s) + (s.rotated ? u"R"_s : u""_s)
                          + (s.fontB ? u"B"_s : u""_s)
                          + (s.underline ? u"U%1"_s.arg(s.underline) : u""_s)
                          + (wide ? u"W%1H%2"_s.arg(s.widthMultiplier).arg(s.heightMultiplier)
                                  : u""_s)
                          + (s.script == Script::Subscript ? u"_"_s : u""_s)
                          + (s.script == Script::Superscript ? u"^"_s : u""_s)
                          + (run.doubleByte ? u"D"_s : u""_s);
    return flags.isEmpty() ? run.text : u"{%1}%2"_s.arg(flags, run.text);
}

static QString blockOf(const ReceiptBlock &block)
{
    if (const auto *line = std::get_if<TextLine>(&block)) {
        QStringList runs;
        for (const TextRun &run : line->runs)
            runs << runOf(run);
        static const QString alignments[] = {QString(), u"c"_s, u"r"_s};
        const QString head = alignments[int(line->alignment)] + (line->upsideDown ? u"u"_s : u""_s);
        return u"L%1:"_s.arg(line->runs.isEmpty() ? QString() : head) + runs.join(u',');
    }
    if (const auto *k = std::get_if<Barcode>(&block)) {
        const QString settings = QString::asprintf(
                "h%dw%dH%df%d", k->height, k->moduleWidth, int(k->hri), int(k->hriFontB));
        return u"K:%1:%2:%3"_s.arg(
                BarcodeEncoder::name(k->symbology), QString::fromLatin1(k->data), settings);
    }
    if (const auto *feed = std::get_if<PaperFeed>(&block))
        return u"F:%1"_s.arg(feed->dots);
    if (const auto *note = std::get_if<SettingNote>(&block))
        return u"N:"_s + note->text;
    return u"M"_s;
}

// Blocks joined by '|', runs by ','; "L" a line (c centre, r right, u upside down), "K" a
// barcode, "F" a feed, "M" a black mark, "N" a note, "/full" or "/partial" a cut; then "!n" for
// each real-time request DLE EOT n and "?" with the bytes of each command reported as unknown.
static QString textOf(const Fed &fed)
{
    QStringList parts;
    for (const Receipt &receipt : fed.receipts) {
        for (const ReceiptBlock &block : receipt.blocks)
            parts << blockOf(block);
        if (receipt.cut != CutKind::None)
            parts << (receipt.cut == CutKind::Full ? u"/full"_s : u"/partial"_s);
    }
    for (const int n : fed.requests)
        parts << u"!%1"_s.arg(n);
    for (const CommandRecord &record : fed.log) {
        if (record.kind == CommandRecord::Kind::Unknown)
            parts << u"?"_s + QString::fromLatin1(record.bytes.toHex());
    }
    return parts.join(u'|');
}

void TestInterpreter::model_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("lines") << "AB\n\nC\tD\nEF"_ba << u"L:AB|L:|L:C       D"_s; // EF waits for LF
    QTest::newRow("E V") << "\033E\001A\033E\000\033V\001B\033V\000C\n"_ba << u"L:{E}A,{R}B,C"_s;
    QTest::newRow("G 4 M") << "\033G\001A\0334\001B\033M\001C\n"_ba << u"L:{G}A,{GI}B,{GIB}C"_s;
    QTest::newRow("underline") << "\033-\001A\033-2B\033-\007\035!\210C\n"_ba
                               << u"L:{U1}A,{U2}BC|?1b2d07|?1d2188"_s;
    QTest::newRow("amplify") << "\035!\021A\035!\042B\n"_ba << u"L:{W2H2}A,{W3H3}B"_s;
    QTest::newRow("ESC !") << "\033G\001\033!\057A\033!\230B\n"_ba << u"L:{EGBW2H1}A,{EGU1W1H2}B"_s;
    QTest::newRow("GS ~") << "\035~\000a\035!\001b\035~\001c\n"_ba << u"L:{_}a,{W1H2_}b,{W1H2^}c"_s;
    QTest::newRow("alignment") << "\033a\001A\n\033a\002B\nC\033a\000D\n\033{\001E\n"_ba
                               << u"Lc:A|Lr:B|Lr:CD|Lu:E"_s;
    QTest::newRow("feeds")
            << "A\033d\001\033d\005\033J\020\0333@\033d\002\0332\033d\001\033x\002\035|\004"_ba
            << u"L:A|F:30|F:150|F:16|F:128|F:30|N:speed: high|N:density: 4"_s;
    QTest::newRow("reset, cancel") << "\033E\001X\033@A\nY\030B\n"_ba << u"L:A|L:B"_s;
    QTest::newRow("cuts") << "A\n\033iB\033i\035\366\033i"_ba << u"L:A|/full|L:B|/full|M|/full"_s;
    QTest::newRow("other cuts") << "\033m\035V\000\035V1\035VB\010A\n"_ba
                                << u"/partial|/full|/partial|F:8|/partial|L:A"_s;
    QTest::newRow("chinese") << "A\310\310\303\364B60\241\346\n"_ba << u"L:A,{D}热敏,B60,{D}℃"_s;
    QTest::newRow("no chinese") << "\200\377\201\n\034.\310\310\034&\310\310\n"_ba
                                << u"L:???|L:╚╚,{D}热"_s;
    QTest::newRow("wrap") << QByteArray(50, 'A') + "\n\035!pAAAAAAAAA\n"
                          << u"L:%1|L:AA|L:{W8H1}AAAAAA|L:{W8H1}AAA"_s.arg(QString(48, u'A'));
    QTest::newRow("wrap chinese") << "\310\310"_ba.repeated(25) + '\n'
                                  << u"L:{D}%1|L:{D}热"_s.arg(u"热"_s.repeated(24));
    QTest::newRow("barcodes") << "X\035k\004123\000\035kH\003abc\035kI\000\035kH\003\020\004\024"_ba
                              << u"L:X|K:CODE39:123:h162w3H0f0|K:CODE93:abc:h162w3H0f0"
                                 "|K:CODE128::h162w3H0f0|K:CODE93:\020\004\024:h162w3H0f0"_s;
    QTest::newRow("barcode A too long")
            << "\035k\004"_ba + QByteArray(300, '1') + '\n'
            << u"L:%1|?1d6b04%2"_s.arg(QString(45, u'1'), u"31"_s.repeated(255));
    QTest::newRow("barcode settings")
            << "\035hP\035w\004\035H\002\035f\001\033a\001\035kA\01301234567890\035w\011"_ba
            << u"K:UPC-A:01234567890:h80w4H2f1|?1d7709"_s;
    QTest::newRow("unknown") << "\035k\007A\033ZBC\035\360D\001E\033\nF\n"_ba
                             << u"L:ACDE|L:F|?1d6b07|?1b5a42|?1df0|?01|?1b"_s;
    QTest::newRow("bulk data") << "\035v0\000\002\000\002\000\n\n\n\n\033*!\002\000\n\n\n\n\n\n"
                                  "\035(k\003\000\n\n\n\033&\001AB\002\n\n\001\nA\n"_ba
                               << u"L:A"_s;
    QTest::newRow("real-time")
            << "A\020\004\024B\020\004\001\020\004\002\n\020\004\003\020\004\004\020\004\011"_ba
            << u"L:AB|!20|!1|!2|!3|!4|?100409"_s;
}

// Every row is also fed byte by byte and in two pieces split at every offset.
void TestInterpreter::model()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);

    const Fed whole = feedPieces({bytes});
    QCOMPARE(textOf(whole), expected);
    QList<QByteArrayView> single;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        single << QByteArrayView(bytes).sliced(i, 1);
    const Fed byByte = feedPieces(single);
    QVERIFY2(byByte == whole, qPrintable(textOf(byByte)));
    for (qsizetype offset = 1; offset < bytes.size(); ++offset) {
        const Fed split = feedPieces(
                {QByteArrayView(bytes).first(offset), QByteArrayView(bytes).sliced(offset)});
        QVERIFY2(split == whole, qPrintable(u"split at %1: %2"_s.arg(offset).arg(textOf(split))));
    }
}

void TestInterpreter::inputStaysBounded()
{
    // Many receipts keep the newest, a long receipt keeps its end.
    Interpreter many;
    many.feed("A\n\033i"_ba.repeated(qsizetype(3) * Interpreter::MaxReceipts) + "B\n\033i");
    QCOMPARE(many.receipts().size(), Interpreter::MaxReceipts);
    QCOMPARE(blockOf(many.receipts()[Interpreter::MaxReceipts - 2].blocks[0]), u"L:B"_s);
    many.feed("line\n"_ba.repeated(qsizetype(2) * Interpreter::MaxBlocksPerReceipt));
    QCOMPARE(many.receipts().last().blocks.size(), Interpreter::MaxBlocksPerReceipt);
    QVERIFY(many.receipts().last().truncated);

    // Random pieces of random bytes, half of them rich in command prefixes to reach parameters.
    QRandomGenerator random(20240611);
    static const char prefixes[] = {'\033', '\035', '\034', '\020', '\n', '\201', '\310'};
    Interpreter interpreter;
    for (int fed = 0; fed < 4 * 1024 * 1024;) {
        QByteArray chunk(int(random.bounded(1, 4096)), Qt::Uninitialized);
        const bool commandRich = random.bounded(2);
        for (char &byte : chunk) {
            const quint32 value = random.generate();
            const bool prefix = commandRich && (value & 0x300) == 0;
            byte = prefix ? prefixes[(value >> 12) % sizeof prefixes] : char(value & 0xFF);
        }
        interpreter.feed(chunk);
        fed += int(chunk.size());
        QVERIFY(interpreter.pendingBytes() < 4096);
    }
    QVERIFY(interpreter.receipts().size() <= Interpreter::MaxReceipts);
    QVERIFY(interpreter.pendingLine().width <= Interpreter::PrintableWidth);
    for (const Receipt &receipt : interpreter.receipts())
        QVERIFY(receipt.blocks.size() <= Interpreter::MaxBlocksPerReceipt);
}

QTEST_GUILESS_MAIN(TestInterpreter)
#include "tst_interpreter.moc"
