#include "Interpreter.h"
#include "ReceiptLayout.h"
#include "Shorthand.h"

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

void TestInterpreter::model_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("lines") << "AB\n\nC\tD\nEF"_ba << u"L:AB|L:|L:C,@96D"_s; // EF waits for LF
    QTest::newRow("underline")
            << "\033-\001A\033-2B\033-\007\035!\210C\n"_ba
            << u"L:{U1}A,{U2}BC|#underline thickness out of range;character size out of range"
               "|?1b2d07|?1d2188"_s;
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
    // Settings noted beside the paper do not end the line being composed; ESC e takes the
    // paper back by lines, so that what prints next lands above.
    QTest::newRow("setting inside a line")
            << "LEFT\035(K\002\0001\004RIGHT\n"_ba << u"L:LEFTRIGHT|N:density: 4"_s;
    QTest::newRow("reverse feed") << "A\n\033e\002B\n"_ba << u"L:A|F:-60|L:B"_s;
    // A raster image has moved the paper past its rows when it is printed, so a feed after it
    // leaves white; an ESC * image waits in the line until the feed prints it.
    QTest::newRow("raster stripes and feeds")
            << "\035v0\000\001\000\030\000"_ba + QByteArray(24, '\377') + "\033J\030"_ba
            << u"P:raster image:8x24*1,1|F:24"_s;
    QTest::newRow("column stripes and feeds")
            << "\033*\041\001\000\377\377\377\033J\030"_ba << u"L~24:<1x24*1,1@0>"_s;
    QTest::newRow("drawer pulses") << "A\033p\000\062\372\033p1\001\002\020\024\001\001\003\n"_ba
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
    // Page mode: "G:rows" a page, "<x,y,width,height,direction>" a print area, "^foot" where a
    // piece stands across the area's lines; lines are as long as the area's lines.
    QTest::newRow("page lines") << "\033L\033W\000\000\000\000\310\000\144\000AB\nC\014X\n"_ba
                                << u"G:100<0,0,200,100,0>{L[0+200]~0:AB^24;L[0+200]~0:C^54}|L:X"_s;
    QTest::newRow("page positions")
            << "\033L\033W\000\000\000\000\310\000\144\000\033$\024\000\035$\062\000A"
               "\035\\\024\000B\035\\\354\377\033\\\002\000C\014"_ba
            << u"G:100<0,0,200,100,0>{L[0+200]~0:@20A^50;L[0+200]~0:@32B^70;"
               "L[0+200]~0:@46C^50}"_s;
    QTest::newRow("page areas and directions")
            << "\033L\033W\000\000\000\000\310\000\144\000A\033T\061\033W\000\000\144\000"
               "\310\000\144\000B\033T3C\014"_ba
            << u"G:200<0,0,200,100,0>{L[0+200]~0:A^24}<0,100,200,100,1>{L[0+100]~0:B^24}"
               "<0,100,200,100,3>{L[0+100]~0:C^24}"_s;
    // Motion units of 1 dot across and 2 down (GS P): a page turned a quarter swaps them.
    QTest::newRow("page motion units")
            << "\035P\313\145\033L\033W\000\000\000\000\144\000\062\000\035$\024\000A"
               "\033T3\033$\005\000\035$\024\000B\014"_ba
            << u"G:100<0,0,100,100,0>{L[0+100]~0:A^40}<0,0,100,100,3>{L[0+100]~0:@10B^20}"_s;
    QTest::newRow("page: barcode and picture on the line's foot")
            << "\033L\033W\000\000\000\000\054\001\310\000A\035k\00412\000"
               "\035v0\000\001\000\001\000\377\n\014"_ba
            << u"G:200<0,0,300,200,0>{K:CODE39:12:h162w3H0f0^162;P:raster image:8x1*1,1^162;"
               "L[0+300]~0:A^162}"_s;
    QTest::newRow("page: CAN clears, ESC FF keeps")
            << "\033LA\n\030B\033\014C\014"_ba
            << u"G:1662<0,0,576,1662,0>{L~0:B^24}|G:1662<0,0,576,1662,0>{L~0:B^24;L~0:@12C^24}"_s;
    QTest::newRow("page: standard mode again")
            << "\033LA\033SB\n\033{\001\033LC\014"_ba << u"L:B|G:1662<0,0,576,1662,0>{L~0:C^24}"_s;
    QTest::newRow("page mode only at a line's start")
            << "A\033LB\n"_ba << u"L:AB|#page mode selected inside a line ignored|?1b4c"_s;
    QTest::newRow("page: what stays outside")
            << "\033L\033W\000\000\000\000\000\000\144\000\035$\377\007\033iZ"_ba
            << u"#print area empty or outside the page, ignored;vertical position beyond the print"
               " area ignored;cut in page mode ignored;page never printed: no FF or ESC FF after "
               "its"
               " data|?1b570000000000006400|?1d24ff07|?1b69"_s;
    // FS is a whole command to a Star printer and the start of ESC/POS's FS p: which it is
    // waits for the next byte, however the bytes arrive.
    QTest::newRow("a Star job, then a command only ESC/POS has")
            << "\033\007\012\012A\n\034p\001\000B\n"_ba
            << u"L~32:A|L~32:B|#NV bit image printed that is not defined|?1c700100"_s;
    // 漢字 in Shift_JIS (8ABF 8E9A) and in JIS (3441 3B7A); half-width katakana and the
    // line characters are one byte of the Katakana table, the normal code page in Japan; ESC -
    // underlines Kanji too.
    QTest::newRow("Star Kanji modes")
            << "\033\036a\000\033R8\033$1\212\277\216\232\261\\\n\033$0\033p4A;z\033q\225\n"
               "\033$1\201 \n\033-1\212\277\n"_ba
            << u"L~32:{D}漢字,ｱ¥|L~32:{D}漢字,─|L~32:? |L~32:{U1D}漢|#incomplete Kanji character"
               " code|?81"_s;
    // A job that turns to ESC/POS reads its bytes in Chinese mode, not in Star's Kanji mode.
    QTest::newRow("Star Kanji mode ends with the Star job")
            << "\033\036a\000\033$1\212\277\n\035!\000\212\277\n"_ba << u"L~32:{D}漢|L~32:{D}娍"_s;
    QTest::newRow("StarGraphic: k fills the row b ends")
            << "\033\007\012\012\033*rAk\001\000\360b\001\000\017\033*rY2\000k\002\000\000\201\033*rB"_ba
            << u"P:raster graphics:16x4*1,1"_s;
    QTest::newRow("Star page format and black marks")
            << "\033\007\012\012\033C\012\033N\002A\014\033\036m1\033C\012B\014C\033d2"_ba
            << u"N:page length: 10 lines|N:bottom margin: 2 lines|L~32:A|N:black mark detection "
               u"on|L~32:B|M"
               "|L~32:C|M|/full"_s;
    QTest::newRow("Star logos and download characters")
            << "\033\007\012\012\033\034q\001\001\000\001\000\377\201\201\201\201\201\201\377"
               "\033\034p\001\061\033\034p\002\060\033&11A"_ba
                       + QByteArray(48, '\360') + "\033%1AB\033%0A\n\033&00B"_ba
            << u"P:logo 1:8x8*2,1|L~32:@12BA,<12x24*1,1@0>|#logo 2 printed that is not "
               u"defined;download"
               " character outside the defined area ignored|?1b1c700230|?1b26303042"_s;
    // The same page through ESC/POS and through StarPRNT: a 320 x 200 dot area turned a quarter.
    QTest::newRow("page: ESC/POS")
            << "\033L\033W\000\000\000\000\100\001\310\000\033T\001AB\n\035$\120\000C\014"_ba
            << u"G:200<0,0,320,200,1>{L[0+200]~0:AB^24;L[0+200]~0:C^80}"_s;
    QTest::newRow("page: StarPRNT")
            << "\033\035P0\033\035P3\000\000\000\000\100\001\310\000\033\035P2\001AB\n"
               "\033\035P4\120\000C\033\035P7"_ba
            << u"G:200<0,0,320,200,1>{L[0+200]~0:AB^24;L[0+200]~0:C^80}"_s;
    QTest::newRow("warnings counted")
            << "\000\000\000A\n\035$\001\000\035\\\001\000\035k\004AB"_ba
            << u"L:A|#3 × NUL ignored;2 × vertical position outside page mode ignored;stream"
               " ended inside a command|?00|?00|?00|?1d240100|?1d5c0100|?1d6b044142"_s;
}

// Every row is also fed byte by byte and in two pieces split at every offset.
void TestInterpreter::model()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);

    const Fed whole = Shorthand::feed({bytes});
    QCOMPARE(Shorthand::of(whole), expected);
    for (const QList<QByteArrayView> &pieces : Shorthand::pieces(bytes)) {
        const Fed fed = Shorthand::feed(pieces);
        QVERIFY2(fed == whole,
                 qPrintable(Shorthand::howFed(pieces) + u": "_s + Shorthand::of(fed)));
    }
}

void TestInterpreter::inputStaysBounded()
{
    // Many receipts keep the newest, a long receipt keeps its end.
    Interpreter many;
    many.feed("A\n\033i"_ba.repeated(qsizetype(3) * Printer::MaxReceipts) + "B\n\033i");
    QCOMPARE(many.receipts().size(), Printer::MaxReceipts);
    QCOMPARE(Shorthand::block(many.receipts()[Printer::MaxReceipts - 2].blocks[0]), u"L:B"_s);
    // 10 m of 30-dot lines (81,000 dot rows) are kept whole; 13 m keep their last 12 m and
    // say how much of their beginning is left out.
    Interpreter tenMetres;
    tenMetres.feed("line\n"_ba.repeated(2700));
    QCOMPARE(tenMetres.receipts().last().blocks.size(), 2700);
    QCOMPARE(tenMetres.receipts().last().leftOut, 0);
    many.feed("line\n"_ba.repeated(3500));
    QCOMPARE(many.receipts().last().blocks.size(), 3200);
    QCOMPARE(many.receipts().last().leftOut, 300 * 30);
    QCOMPARE(ReceiptLayout::of(many.receipts().last()).warnings,
             QStringList{u"receipt longer than the printer keeps: its first 1.13 m (9000 dot rows)"
                         " are left out"_s});
    // Blocks that take no paper are bounded by their number.
    many.feed("\n\033i"_ba + "\033x\002"_ba.repeated(Printer::MaxBlocksPerReceipt + 10));
    QCOMPARE(many.receipts().last().blocks.size(), Printer::MaxBlocksPerReceipt);

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
