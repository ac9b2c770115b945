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
    QByteArray replies;
    bool operator==(const Fed &) const = default;
};

static Fed feedPieces(const QList<QByteArrayView> &pieces)
{
    Interpreter interpreter;
    Fed fed;
    QObject::connect(&interpreter, &Interpreter::commandDecoded, [&fed](auto r) { fed.log << r; });
    QObject::connect(&interpreter, &Interpreter::replyReady, [&fed](auto r) { fed.replies += r; });
    for (const QByteArrayView piece : pieces)
        interpreter.feed(piece);
    interpreter.finish();
    fed.receipts = interpreter.receipts();
    return fed;
}

static QString runOf(const TextRun &run, int *end)
{
    const TextStyle &s = run.style;
    const CellSize base = cellSize(TextStyle{.rotated = s.rotated, .fontB = s.fontB},
                                   run.doubleByte);
    const CellSize cell = cellSize(s, run.doubleByte);
    const int across = cell.width / base.width;
    const int up = cell.height / base.height;
    const bool wide = across != 1 || up != 1;
    const int spacing = characterPitch(s, run.doubleByte) - cell.width;
    const QString flags = (s.emphasized ? u"E"_s : u""_s) + (s.doubleStrike ? u"G"_s : u""_s)
                          + (s.italic ? u"I"_s : u""_s) + (s.rotated ? u"R"_s : u""_s)
                          + (s.reverse ? u"V"_s : u""_s) + (s.fontB ? u"B"_s : u""_s)
                          + (s.underline ? u"U%1"_s.arg(s.underline) : u""_s)
                          + (wide ? u"W%1H%2"_s.arg(across).arg(up) : u""_s)
                          + (spacing ? u"S%1"_s.arg(spacing) : u""_s)
                          + (s.script == Script::Subscript ? u"_"_s : u""_s)
                          + (s.script == Script::Superscript ? u"^"_s : u""_s)
                          + (run.doubleByte ? u"D"_s : u""_s);
    const QString at = run.x == *end ? QString() : u"@%1"_s.arg(run.x);
    *end = run.x + int(run.text.size()) * characterPitch(run.style, run.doubleByte);
    return at + (flags.isEmpty() ? run.text : u"{%1}%2"_s.arg(flags, run.text));
}

static QString blockOf(const ReceiptBlock &block)
{
    if (const auto *line = std::get_if<TextLine>(&block)) {
        QStringList runs;
        int end = 0;
        for (const TextRun &run : line->runs)
            runs << runOf(run, &end);
        static const QString alignments[] = {QString(), u"c"_s, u"r"_s};
        const QString head = alignments[int(line->alignment)] + (line->upsideDown ? u"u"_s : u""_s);
        for (const LineImage &image : line->images)
            runs << u"<%1x%2*%3,%4@%5>"_s.arg(image.bits.width())
                            .arg(image.bits.height())
                            .arg(image.scaleX)
                            .arg(image.scaleY)
                            .arg(image.x);
        const QString feed = line->feed == 30 ? QString() : u"~%1"_s.arg(line->feed);
        const QString area = (line->left == 0 && line->areaWidth == 576)
                                     ? QString()
                                     : u"[%1+%2]"_s.arg(line->left).arg(line->areaWidth);
        return u"L%1%2%3:"_s.arg(line->runs.isEmpty() && line->images.isEmpty() ? QString() : head,
                                 area,
                                 feed)
               + runs.join(u',');
    }
    if (const auto *picture = std::get_if<Picture>(&block)) {
        return u"P:%1:%2x%3*%4,%5"_s.arg(picture->what)
                .arg(picture->bits.width())
                .arg(picture->bits.height())
                .arg(picture->scaleX)
                .arg(picture->scaleY);
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
    if (const auto *pulse = std::get_if<DrawerPulse>(&block))
        return u"D:%1/%2/%3"_s.arg(pulse->pin).arg(pulse->onMs).arg(pulse->offMs);
    if (const auto *beep = std::get_if<Beep>(&block))
        return u"Z:%1"_s.arg(beep->times);
    return u"M"_s;
}

// Blocks joined by '|', runs by ','; "L" a line (c centre, r right, u upside down), "K" a
// barcode, "P" a picture, "F" a feed, "M" a black mark, "N" a note, "D" a drawer pulse (pin/on
// ms/off ms), "Z" the buzzer, "/full" or "/partial" a cut;
// "@x" a run placed away from where the one before ended, "~n" a line's feed other than 30 dots;
// then "»" the bytes sent back and "?" with the bytes of each command warned.
static QString textOf(const Fed &fed)
{
    QStringList parts;
    for (const Receipt &receipt : fed.receipts) {
        for (const ReceiptBlock &block : receipt.blocks)
            parts << blockOf(block);
        if (!receipt.warnings.isEmpty())
            parts << u"#"_s + receipt.warningLines().join(u';');
        if (receipt.cut != CutKind::None)
            parts << (receipt.cut == CutKind::Full ? u"/full"_s : u"/partial"_s);
    }
    if (!fed.replies.isEmpty())
        parts << u"»"_s + QString::fromLatin1(fed.replies.toHex(' '));
    for (const CommandRecord &record : fed.log) {
        if (record.kind == CommandRecord::Kind::Warning)
            parts << u"?"_s + QString::fromLatin1(record.bytes.toHex());
    }
    return parts.join(u'|');
}

void TestInterpreter::model_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("lines") << "AB\n\nC\tD\nEF"_ba << u"L:AB|L:|L:C,@96D"_s; // EF waits for LF
    QTest::newRow("E V") << "\033E\001A\033E\000\033V\001B\033V\000C\n"_ba << u"L:{E}A,{R}B,C"_s;
    QTest::newRow("G 4 M") << "\033G\001A\0334\001B\033M\001C\n"_ba << u"L:{G}A,{GI}B,{GIB}C"_s;
    QTest::newRow("underline")
            << "\033-\001A\033-2B\033-\007\035!\210C\n"_ba
            << u"L:{U1}A,{U2}BC|#underline thickness out of range;character size out of range"
               "|?1b2d07|?1d2188"_s;
    QTest::newRow("amplify") << "\035!\021A\035!\042B\n"_ba << u"L:{W2H2}A,{W3H3}B"_s;
    QTest::newRow("ESC !") << "\033G\001\033!\057A\033!\230B\n"_ba << u"L:{EGBW2H1}A,{EGU1W1H2}B"_s;
    QTest::newRow("GS ~") << "\035~\000a\035!\001b\035~\001c\n"_ba << u"L:{_}a,{W1H2_}b,{W1H2^}c"_s;
    QTest::newRow("alignment") << "\033a\001A\n\033a\002B\nC\033a\000D\n\033{\001E\n"_ba
                               << u"Lc:A|Lr:B|Lr:CD|Lu:E"_s;
    QTest::newRow("feeds")
            << "A\033d\001\033d\005\033J\020\0333@\033d\002\0332\033d\001\033x\002\035|\004"_ba
            << u"L:A|F:150|F:16|F:128|F:30|N:speed: high|N:density: 4"_s;
    QTest::newRow("reset, cancel") << "\033E\001X\033@A\nY\030B\n"_ba << u"L:A|L:B"_s;
    QTest::newRow("cuts") << "A\n\033iB\033i\035\366\033i"_ba << u"L:A|/full|L:B|/full|M|/full"_s;
    QTest::newRow("other cuts") << "\033m\035V\000\035V1\035VB\010A\n"_ba
                                << u"/partial|/full|/partial|F:8|/partial|L:A"_s;
    QTest::newRow("chinese") << "A\310\310\303\364B60\241\346\n"_ba << u"L:A,{D}热敏,B60,{D}℃"_s;
    QTest::newRow("no chinese")
            << "\200\377\201\n\034.\310\310\034&\310\310\n"_ba
            << u"L:???|L:╚╚,{D}热|#byte 80 starts no Chinese character;byte FF starts"
               " no Chinese character;incomplete Chinese character code|?80|?ff|?81"_s;
    QTest::newRow("wrap") << QByteArray(50, 'A') + "\n\035!pAAAAAAAAA\n"
                          << u"L:%1|L:AA|L:{W8H1}AAAAAA|L:{W8H1}AAA"_s.arg(QString(48, u'A'));
    QTest::newRow("wrap chinese") << "\310\310"_ba.repeated(25) + '\n'
                                  << u"L:{D}%1|L:{D}热"_s.arg(u"热"_s.repeated(24));
    QTest::newRow("barcodes") << "X\035k\004123\000\035kH\003abc\035kI\000\035kH\003\020\004\024"_ba
                              << u"L:X|K:CODE39:123:h162w3H0f0|K:CODE93:abc:h162w3H0f0"
                                 "|K:CODE128::h162w3H0f0|K:CODE93:\020\004\024:h162w3H0f0"_s;
    QTest::newRow("barcode A too long")
            << "\035k\004"_ba + QByteArray(300, '1') + '\n'
            << u"L:%1|#barcode data without its NUL end, dropped|?1d6b04%2"_s.arg(
                       QString(44, u'1'), u"31"_s.repeated(29));
    QTest::newRow("barcode settings")
            << "\035hP\035w\004\035H\002\035f\001\033a\001\035kA\01301234567890\035w\011"_ba
            << u"K:UPC-A:01234567890:h80w4H2f1|#barcode module width out of range|?1d7709"_s;
    QTest::newRow("unknown")
            << "\035k\007A\033yBC\035\360D\001E\033\nF\n"_ba
            << u"L:ACDE|L:F|#barcode system unknown;unknown command ESC y skipped;unknown"
               " command GS 0xF0 skipped;SOH ignored;ESC not followed by a command,"
               " dropped|?1d6b07|?1b7942|?1df0|?01|?1b"_s;
    QTest::newRow("bulk data")
            << "\035v0\000\002\000\002\000\n\n\n\n\033*!\002\000\n\n\n\n\n\n"
               "\035(k\003\000\n\n\n\033&\001AB\002\n\n\001\nA\n"_ba
            << u"P:raster image:16x2*1,1|L:@2A,<2x24*1,1@0>|#two-dimensional code"
               " of an unknown kind|?1d286b03000a0a0a"_s;
    QTest::newRow("real-time")
            << "A\020\004\024B\020\004\001\020\004\002\n\020\004\003\020\004\004\020\004\011"_ba
            << u"L:AB|#real-time status request of an unknown kind"
               "|»12 12 00 00 00 00 12 12 12 12|?100409"_s;
    QTest::newRow("replies")
            << "\035r\001\035I\001\035IB\035a\004\020\005\001\020\004\007\001"_ba
            << u"»00 20 5f 54 68 65 72 6d 61 6c 20 50 72 69 6e 74 65 72 20 44 65 6d"
               " 6f 00 10 00 00 00 12"_s;
    QTest::newRow("parameter shapes")
            << "\033B\002\001A\n\020\024\003\001\002\003\004\005B\n\034(Z\002\000\060\061C\n"_ba
            << u"Z:2|L:A|Z:3|L:B|L:C"
               "|#command of an unknown function skipped by its length|?1c285a02003031"_s;
    QTest::newRow("drawer pulses") << "A\033p\000\062\372\033p1\001\002\020\024\001\001\003"_ba
                                   << u"L:A|D:2/100/500|D:5/2/4|D:5/300/300"_s;
    QTest::newRow("code tables") << "\034.\033t\002Qu\202bec \033t\021\200\033R\002@\n"_ba
                                 << u"L:Québec А§"_s;
    QTest::newRow("code table in Chinese mode")
            << "\033t\020\351\351A\351\351\n\033i\033t\002\351\351\n"_ba
            << u"L:{D}殚,A,{D}殚|#bytes 80-FF print as Chinese characters while Chinese mode is"
               " on, although code table 16 is selected: send FS . before the text, or start the"
               " virtual printer with --chinese off, or clear its window's \"Chinese mode at"
               " power-up\" box|/full|L:{D}殚|#bytes 80-FF print as Chinese characters while"
               " Chinese mode is on, although code table 2 is selected: send FS . before the"
               " text, or start the virtual printer with --chinese off, or clear its window's"
               " \"Chinese mode at power-up\" box|?e9e9|?e9e9"_s;
    QTest::newRow("GB18030") << "\2010\2046\034.\2010\n"_ba << u"L:{D}¥,ü0"_s;
    QTest::newRow("columns")
            << "Item\033$\220\001Price\n\033D\004\012\000A\tB\tC\t\nA\033\\\030\000B"
               "\n\035L\040\000\035W\000\001X\n\033$\000\010A\n"_ba
            << u"L:Item,@400Price|L:A,@48B,@120C|L:A,@36B|L[32+256]:X|L[32+256]:A"
               "|#HT with no tab stop ahead ignored;absolute position beyond the"
               " print area ignored|?09|?1b240008"_s;
    QTest::newRow("styles") << "\035B\001A\035B\000\033 \002BC\034!\014\310\310\034W\000\034-\001"
                               "\310\310\034S\002\003\310\310\n"_ba
                            << u"L:{V}A,{S2}BC,{W2H2D}热,{U1D}热,{U1S5D}热"_s;
    QTest::newRow("images") << "\035v03\001\000\001\000\377\033*\000\001\000\201A\n"
                               "\035(k\003\0001C\004\035(k\003\0001E1\035(k\006\0001P0ABC"
                               "\035(k\003\0001Q0"_ba
                            << u"P:raster image:8x1*2,2|L:@2A,<1x8*2,3@0>|P:QR code:21x21*4,4"_s;
    QTest::newRow("warnings counted")
            << "\000\000\000A\n\033LBC\014\035k\004AB"_ba
            << u"L:A|#3 × NUL ignored;page mode is not drawn;2 × page mode"
               " data not drawn;stream ended inside a command"
               "|?00|?00|?00|?1b4c|?42|?43|?1d6b044142"_s;
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
    many.feed("A\n\033i"_ba.repeated(qsizetype(3) * Printer::MaxReceipts) + "B\n\033i");
    QCOMPARE(many.receipts().size(), Printer::MaxReceipts);
    QCOMPARE(blockOf(many.receipts()[Printer::MaxReceipts - 2].blocks[0]), u"L:B"_s);
    many.feed("line\n"_ba.repeated(qsizetype(2) * Printer::MaxBlocksPerReceipt));
    QCOMPARE(many.receipts().last().blocks.size(), Printer::MaxBlocksPerReceipt);
    QVERIFY(many.receipts().last().leftOut > 0);

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
        QVERIFY(interpreter.pendingBytes() <= Interpreter::MaxCommandBytes);
    }
    QVERIFY(interpreter.receipts().size() <= Printer::MaxReceipts);
    QVERIFY(interpreter.pendingLine().width <= PaperDots80);
    for (const Receipt &receipt : interpreter.receipts())
        QVERIFY(receipt.blocks.size() <= Printer::MaxBlocksPerReceipt);

    // An image declared 65535 x 65535 bytes is passed over, not held: the printer takes those
    // bytes as its dots.
    Interpreter huge;
    huge.feed("\035v0\000\377\377\377\377"_ba);
    for (int i = 0; i < 64; ++i)
        huge.feed(QByteArray(qsizetype(64) * 1024, '\377'));
    QCOMPARE(huge.pendingBytes(), 0);
    QCOMPARE(huge.receipts().last().warningLines(),
             QStringList{u"command of 4294836233 bytes too large to hold, skipped"_s});

    // Graphics declared 65535 x 65535 dots with two bytes of data make a picture of the data.
    Interpreter declared;
    declared.feed("\035(L\014\000\060\160\060\001\001\061\377\377\377\377\377\377"
                  "\035(L\002\000\060\062"_ba);
    const auto &picture = std::get<Picture>(declared.receipts().last().blocks.last());
    QVERIFY(picture.bits.width() <= PaperDots80 && picture.bits.height() <= 2);

    // 58 mm paper: 32 characters of font A a line.
    Interpreter narrow(PrinterProfile{.paperDots = PaperDots58});
    narrow.feed(QByteArray(40, 'A') + '\n');
    QCOMPARE(narrow.receipts().last().blocks.size(), 2);
    QCOMPARE(std::get<TextLine>(narrow.receipts().last().blocks[0]).runs[0].text.size(), 32);
}

QTEST_GUILESS_MAIN(TestInterpreter)
#include "tst_interpreter.moc"
