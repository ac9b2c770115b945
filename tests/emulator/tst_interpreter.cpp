#include "DemoJobs.h"
#include "Interpreter.h"
#include "ReceiptText.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using emulator::Interpreter;

// Bytes in, receipts out, whatever pieces the bytes arrive in.
class TestInterpreter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void model_data();
    void model();
    void sampleJobs_data();
    void sampleJobs();
    void commandLog_data();
    void commandLog();
    void realTimeRequest_data();
    void realTimeRequest();
    void chineseParagraphWraps();
    void receiptCountIsBounded();
    void garbageStaysBounded();
};

namespace {

QByteArray operator""_b(const char *text, size_t length)
{
    return QByteArray(text, qsizetype(length));
}

QString modelOf(const QByteArray &bytes)
{
    Interpreter interpreter;
    interpreter.feed(bytes);
    return ReceiptText::receipts(interpreter.receipts());
}

// Feeding whole, byte by byte and in two pieces split at every offset must print the same.
void checkSplits(const QByteArray &bytes)
{
    Interpreter whole;
    whole.feed(bytes);

    Interpreter single;
    for (const char byte : bytes)
        single.feed(QByteArrayView(&byte, 1));
    QCOMPARE(ReceiptText::receipts(single.receipts()), ReceiptText::receipts(whole.receipts()));
    QVERIFY(single.receipts() == whole.receipts());
    QVERIFY(single.pendingLine() == whole.pendingLine());

    for (qsizetype offset = 1; offset < bytes.size(); ++offset) {
        Interpreter split;
        split.feed(QByteArrayView(bytes).first(offset));
        split.feed(QByteArrayView(bytes).sliced(offset));
        if (!(split.receipts() == whole.receipts()))
            QFAIL(qPrintable(u"split at %1 differs: %2"_s.arg(offset).arg(
                    ReceiptText::receipts(split.receipts()))));
    }
}

} // namespace

void TestInterpreter::model_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain line") << "AB\n"_b << u"L:AB"_s;
    QTest::newRow("line without LF is not printed") << "AB"_b << u""_s;
    QTest::newRow("empty line") << "\n"_b << u"L:"_s;
    QTest::newRow("emphasize") << "\x1b\x45\x01"
                                  "A\x1b\x45\x00"
                                  "B\n"_b
                               << u"L:{E}A,B"_s;
    QTest::newRow("double-strike") << "\x1b\x47\x01"
                                      "A\n"_b
                                   << u"L:{G}A"_s;
    QTest::newRow("rotation") << "\x1b\x56\x01"
                                 "A\x1b\x56\x00"
                                 "B\n"_b
                              << u"L:{R}A,B"_s;
    QTest::newRow("italic") << "\x1b\x34\x01"
                               "A\n"_b
                            << u"L:{I}A"_s;
    QTest::newRow("underline 1") << "\x1b\x2d\x01"
                                    "A\n"_b
                                 << u"L:{U1}A"_s;
    QTest::newRow("underline 2 in ASCII") << "\x1b\x2d"
                                             "2A\n"_b
                                          << u"L:{U2}A"_s;
    QTest::newRow("underline out of range") << "\x1b\x2d\x07"
                                               "A\n"_b
                                            << u"L:A"_s;
    QTest::newRow("upside down") << "\x1b\x7b\x01"
                                    "AB\n"_b
                                 << u"Lu:AB"_s;
    QTest::newRow("amplify 1") << "\x1d\x21\x11"
                                  "A\n"_b
                               << u"L:{W2H2}A"_s;
    QTest::newRow("amplify 2") << "\x1d\x21\x22"
                                  "A\n"_b
                               << u"L:{W3H3}A"_s;
    QTest::newRow("size out of range") << "\x1d\x21\x88"
                                          "A\n"_b
                                       << u"L:A"_s;
    QTest::newRow("print mode 2F") << "\x1b\x21\x2f"
                                      "A\n"_b
                                   << u"L:{EBW2H1}A"_s;
    QTest::newRow("print mode 98") << "\x1b\x21\x98"
                                      "A\n"_b
                                   << u"L:{EU1W1H2}A"_s;
    QTest::newRow("subscript") << "\x1d\x7e\x00"
                                  "a\n"_b
                               << u"L:{_}a"_s;
    QTest::newRow("superscript") << "\x1d\x7e\x01"
                                    "a\n"_b
                                 << u"L:{^}a"_s;
    QTest::newRow("centre") << "\x1b\x61\x01"
                               "A\n"_b
                            << u"Lc:A"_s;
    QTest::newRow("right") << "\x1b\x61\x02"
                              "A\n"_b
                           << u"Lr:A"_s;
    QTest::newRow("alignment only at line start") << "A\x1b\x61\x02"
                                                     "B\n"_b
                                                  << u"L:AB"_s;
    QTest::newRow("font B") << "\x1b\x4d\x01"
                               "A\n"_b
                            << u"L:{B}A"_s;
    QTest::newRow("speed") << "\x1b\x78\x02"_b << u"N:speed: high"_s;
    QTest::newRow("density") << "\x1d\x7c\x04"_b << u"N:density: 4"_s;
    QTest::newRow("feed 5 lines") << "\x1b\x64\x05"_b << u"F:150"_s;
    QTest::newRow("feed prints pending line") << "A\x1b\x64\x01"_b << u"L:A|F:30"_s;
    QTest::newRow("feed dots") << "\x1b\x4a\x10"_b << u"F:16"_s;
    QTest::newRow("line spacing") << "\x1b\x33\x40\x1b\x64\x02\x1b\x32\x1b\x64\x01"_b
                                  << u"F:128|F:30"_s;
    QTest::newRow("reset drops pending text and attributes") << "\x1b\x45\x01"
                                                                "X\x1b\x40"
                                                                "A\n"_b
                                                             << u"L:A"_s;
    QTest::newRow("cancel drops pending text") << "X\x18"
                                                  "A\n"_b
                                               << u"L:A"_s;
    QTest::newRow("full cut") << "A\n\x1b\x69"
                                 "B\n"_b
                              << u"L:A|/full|L:B"_s;
    QTest::newRow("cut prints pending line") << "A\x1b\x69"_b << u"L:A|/full"_s;
    QTest::newRow("partial cut") << "\x1b\x6d"_b << u"/partial"_s;
    QTest::newRow("GS V 0") << "\x1d\x56\x00"_b << u"/full"_s;
    QTest::newRow("GS V 1") << "\x1d\x56"
                               "1"_b
                            << u"/partial"_s;
    QTest::newRow("GS V 66 with feed") << "\x1d\x56\x42\x08"
                                          "A\n"_b
                                       << u"F:8|/partial|L:A"_s;
    QTest::newRow("black mark then cut") << "A\n\x1d\xf6\x1b\x69"_b << u"L:A|M|/full"_s;
    QTest::newRow("chinese") << "\xc8\xc8\xc3\xf4\n"_b << u"L:{D}热敏"_s;
    QTest::newRow("chinese between ASCII") << "A\xc8\xc8"
                                              "B\n"_b
                                           << u"L:A,{D}热,B"_s;
    QTest::newRow("degree Celsius") << "60\xa1\xe6\n"_b << u"L:60,{D}℃"_s;
    QTest::newRow("lead byte before LF") << "\x81\n"_b << u"L:?"_s;
    QTest::newRow("lone high bytes") << "\x80\xff\n"_b << u"L:??"_s;
    QTest::newRow("chinese mode off") << "\x1c\x2e\xc8\xc8\x1c\x26\xc8\xc8\n"_b << u"L:╚╚,{D}热"_s;
    QTest::newRow("wrap at paper width") << QByteArray(50, 'A') + '\n'
                                         << u"L:%1|L:AA"_s.arg(QString(48, u'A'));
    QTest::newRow("wrap wide characters") << "\x1d\x21\x70"_b + QByteArray(9, 'A') + '\n'
                                          << u"L:{W8H1}AAAAAA|L:{W8H1}AAA"_s;
    QTest::newRow("tab") << "A\tB\n"_b << u"L:A       B"_s;
    QTest::newRow("barcode function A") << "\x1d\x6b\x04"
                                           "123\x00"
                                           "A\n"_b
                                        << u"K:CODE39:123:h162w3H0f0|L:A"_s;
    QTest::newRow("barcode function A too long") << "\x1d\x6b\x04"_b + QByteArray(300, '1') + '\n'
                                                 << u"L:%1"_s.arg(QString(45, u'1'));
    QTest::newRow("barcode function B") << "\x1d\x6b\x48\x03"
                                           "abcNO\n"_b
                                        << u"K:CODE93:abc:h162w3H0f0|L:NO"_s;
    QTest::newRow("barcode zero length") << "\x1d\x6b\x49\x00"_b << u"K:CODE128::h162w3H0f0"_s;
    QTest::newRow("barcode settings")
            << "\x1d\x68\x50\x1d\x77\x04\x1d\x48\x02\x1d\x66\x01\x1b\x61\x01\x1d\x6b\x41\x0b"
               "01234567890"_b
            << u"K:UPCA:01234567890:h80w4H2f1"_s;
    QTest::newRow("module width out of range") << "\x1d\x77\x09\x1d\x6b\x45\x01"
                                                  "1"_b
                                               << u"K:CODE39:1:h162w3H0f0"_s;
    QTest::newRow("barcode prints pending line") << "X\x1d\x6b\x45\x01"
                                                    "1"_b
                                                 << u"L:X|K:CODE39:1:h162w3H0f0"_s;
    QTest::newRow("unknown barcode system") << "\x1d\x6b\x07"
                                               "A\n"_b
                                            << u"L:A"_s;
    QTest::newRow("unknown ESC keeps one parameter") << "\x1b\x5a\x41"
                                                        "B\n"_b
                                                     << u"L:B"_s;
    QTest::newRow("ESC before control byte") << "\x1b\nA\n"_b << u"L:|L:A"_s;
    QTest::newRow("unknown GS takes no parameter") << "\x1d\xf0"
                                                      "AB\n"_b
                                                   << u"L:AB"_s;
    QTest::newRow("unknown control byte") << "\x01"
                                             "A\n"_b
                                          << u"L:A"_s;
    QTest::newRow("raster image skipped") << "\x1d\x76\x30\x00\x02\x00\x02\x00"
                                             "\n\n\n\n"
                                             "A\n"_b
                                          << u"L:A"_s;
    QTest::newRow("bit image skipped") << "\x1b\x2a\x21\x02\x00"
                                          "\n\n\n\n\n\nA\n"_b
                                       << u"L:A"_s;
    QTest::newRow("extended function skipped") << "\x1d\x28\x6b\x03\x00\n\n\nA\n"_b << u"L:A"_s;
    QTest::newRow("user characters skipped") << "\x1b\x26\x01\x41\x42\x02\x0a\x0a\x01\x0a"
                                                "A\n"_b
                                             << u"L:A"_s;
    QTest::newRow("real-time request inside text") << "A\x10\x04\x14"
                                                      "B\n"_b
                                                   << u"L:AB"_s;
    QTest::newRow("status request is not printed") << "\x10\x04\x02"_b << u""_s;
}

void TestInterpreter::model()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(modelOf(bytes), expected);
    checkSplits(bytes);
}

void TestInterpreter::sampleJobs_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    const QString nine = u"A|B|C|A|B|C|A|B|C"_s;
    auto lines = [&nine](const QString &style, const QString &head = u"L"_s) {
        QStringList out;
        for (const QString &letter : nine.split(u'|'))
            out << u"%1:%2%3"_s.arg(head, style, QString(22, letter.at(0)));
        return out.join(u'|') + u"|L:|/full"_s;
    };
    QTest::newRow("emphasize") << DemoJobs::textAttribute("\x1b\x45\x01",
                                                          QByteArray("\x1b\x45\x00", 3))
                               << lines(u"{E}"_s);
    QTest::newRow("90degree") << DemoJobs::textAttribute("\x1b\x56\x01",
                                                         QByteArray("\x1b\x56\x00", 3))
                              << lines(u"{R}"_s);
    QTest::newRow("upside down") << DemoJobs::textAttribute("\x1b\x7b\x01",
                                                            QByteArray("\x1b\x7b\x00", 3))
                                 << lines(QString(), u"Lu"_s);
    QTest::newRow("normal") << DemoJobs::textAttribute("\x1b\x40", {}) << lines(QString());
    QTest::newRow("amplify 2")
            << DemoJobs::textAttribute("\x1d\x21\x22", QByteArray("\x1d\x21\x00", 3))
            << u"L:{W3H3}AAAAAAAAAAAAAAAA|L:{W3H3}AAAAAA|L:{W3H3}BBBBBBBBBBBBBBBB|L:{W3H3}BBBBBB"_s;
    QTest::newRow("test page") << DemoJobs::testPage()
                               << u"L:** testing **|L:|L:%1|%2L:%1|L:|/full"_s.arg(
                                          QString(25, u'*'),
                                          u"L:* Printing a test *|"_s.repeated(8));
    QTest::newRow("subscript and superscript")
            << DemoJobs::subSuperscript()
            // The mode selected by GS ~ stays on: the enlarged copies print in it too.
            << u"L:{W1H2}Sets subscripts|L:{W1H2}ABCDEF,{_}ABCDEF|L:{W1H2_}abcdef,{_}abcdef"
               "|L:{W1H2_}Sets superscripts|L:{W1H2_}ABCDEF,{^}ABCDEF|L:{W1H2^}abcdef,{^}abcdef|L:|/full"_s;
    QTest::newRow("barcode CODE39")
            << DemoJobs::barcode("CODE39", 0x45, "1234567890")
            << u"L:CodeBar Print:|L:|L:|L:CodeBar Name: CODE39|L:|K:CODE39:1234567890:h60w2H3f0"
               "|L:NO. 1234567890|/full"_s;
    QTest::newRow("barcode CODE128")
            << DemoJobs::barcode("CODE128", 0x49, "ABC")
            << u"L:CodeBar Print:|L:|L:|L:CodeBar Name: CODE128|L:|K:CODE128:{BABC:h60w2H3f0"
               "|L:NO. ABC|/full"_s;
    QTest::newRow("sample page")
            << DemoJobs::samplePage()
            << u"L:{EGBW2H1}ORVEX72|L:{G}www.maker.example|L:{G}www.distributor.example|L:"
               "|L:CodeBar Print:|L:CodeBar Name: CODE39|K:CODE39:123456789:h80w2H0f0|L:"
               "|L:NO. 123456789|/full"_s;
}

void TestInterpreter::sampleJobs()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    if (QByteArrayView(QTest::currentDataTag()) == "amplify 2")
        QVERIFY(modelOf(bytes).startsWith(expected));
    else
        QCOMPARE(modelOf(bytes), expected);
    checkSplits(bytes);
}

void TestInterpreter::commandLog_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("descriptions");
    QTest::addColumn<int>("unknown");

    QTest::newRow("emphasize") << QByteArray("\x1b\x45\x01", 3)
                               << QStringList{u"ESC E 1  emphasize on"_s} << 0;
    QTest::newRow("text then LF") << QByteArray("AB\n")
                                  << QStringList{u"text \"AB\""_s, u"LF  print and feed one line"_s}
                                  << 0;
    QTest::newRow("black mark") << QByteArray("\x1d\xf6")
                                << QStringList{u"GS 0xF6  feed to the next black mark"_s} << 0;
    QTest::newRow("barcode") << QByteArray("\x1d\x6b\x45\x02"
                                           "12")
                             << QStringList{u"GS k 69 2  print barcode CODE39 \"12\""_s} << 0;
    QTest::newRow("status request")
            << QByteArray("\x10\x04\x14")
            << QStringList{u"DLE EOT 20  real-time status request (six-byte reply)"_s} << 0;
    QTest::newRow("unknown ESC")
            << QByteArray("\x1b\x5a\x01")
            << QStringList{u"ESC Z 1  unknown ESC command, skipped with one parameter"_s} << 1;
}

void TestInterpreter::commandLog()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, descriptions);
    QFETCH(int, unknown);

    Interpreter interpreter;
    QStringList seen;
    int unknownSeen = 0;
    QByteArray logged;
    connect(&interpreter,
            &Interpreter::commandDecoded,
            this,
            [&](const emulator::CommandRecord &record) {
                seen << record.description;
                logged += record.bytes;
                if (record.kind == emulator::CommandRecord::Kind::Unknown)
                    ++unknownSeen;
            });
    for (const char byte : bytes)
        interpreter.feed(QByteArrayView(&byte, 1));
    QCOMPARE(seen, descriptions);
    QCOMPARE(logged, bytes);
    QCOMPARE(unknownSeen, unknown);
}

void TestInterpreter::realTimeRequest_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<int>>("requests");

    QTest::newRow("six-byte status") << QByteArray("\x10\x04\x14") << QList<int>{20};
    QTest::newRow("one-byte status")
            << QByteArray("\x10\x04\x01\x10\x04\x02\x10\x04\x03\x10\x04\x04")
            << QList<int>{1, 2, 3, 4};
    QTest::newRow("unknown kind") << QByteArray("\x10\x04\x09") << QList<int>{};
    QTest::newRow("inside barcode data is data")
            << QByteArray("\x1d\x6b\x48\x03\x10\x04\x14") << QList<int>{};
    QTest::newRow("after text") << QByteArray("ABC\x10\x04\x14\n") << QList<int>{20};
}

void TestInterpreter::realTimeRequest()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, requests);

    for (qsizetype offset = 0; offset <= bytes.size(); ++offset) {
        Interpreter interpreter;
        QSignalSpy spy(&interpreter, &Interpreter::realTimeRequest);
        interpreter.feed(QByteArrayView(bytes).first(offset));
        interpreter.feed(QByteArrayView(bytes).sliced(offset));
        QList<int> seen;
        for (const QList<QVariant> &arguments : std::as_const(spy))
            seen << arguments.at(0).toInt();
        QCOMPARE(seen, requests);
    }
}

void TestInterpreter::chineseParagraphWraps()
{
    const QByteArray bytes = DemoJobs::chinese();
    QCOMPARE(DemoJobs::gbk(DemoJobs::chineseParagraph()).size(), 323);
    Interpreter interpreter;
    interpreter.feed(bytes);
    const emulator::Receipt &receipt = interpreter.receipts().first();
    QCOMPARE(receipt.cut, emulator::CutKind::Full);
    QString printed;
    for (const emulator::ReceiptBlock &block : receipt.blocks) {
        const auto &line = std::get<emulator::TextLine>(block);
        QVERIFY(line.width <= Interpreter::PrintableWidth);
        for (const emulator::TextRun &run : line.runs)
            printed += run.text;
    }
    QCOMPARE(printed, DemoJobs::chineseParagraph());
    // 157 characters of 24 dots and 9 of 12: eight lines of 576 dots, then the blank line.
    QCOMPARE(receipt.blocks.size(), 8);
    checkSplits(bytes);
}

void TestInterpreter::receiptCountIsBounded()
{
    Interpreter interpreter;
    for (int i = 0; i < 3 * Interpreter::MaxReceipts; ++i)
        interpreter.feed(QByteArray::number(i) + "\n\x1b\x69");
    QCOMPARE(interpreter.receipts().size(), Interpreter::MaxReceipts);
    const auto &last = std::get<emulator::TextLine>(
            interpreter.receipts().at(Interpreter::MaxReceipts - 2).blocks.first());
    QCOMPARE(last.runs.first().text, QString::number(3 * Interpreter::MaxReceipts - 1));

    Interpreter longReceipt;
    for (int i = 0; i < 2 * Interpreter::MaxBlocksPerReceipt; ++i)
        longReceipt.feed("line\n");
    QCOMPARE(longReceipt.receipts().last().blocks.size(), Interpreter::MaxBlocksPerReceipt);
    QVERIFY(longReceipt.receipts().last().truncated);
}

void TestInterpreter::garbageStaysBounded()
{
    // Random bytes, and random bytes rich in command prefixes to reach the parameter paths.
    QRandomGenerator random(20240611);
    static const char prefixes[] = {'\x1b', '\x1d', '\x1c', '\x10', '\n', '\x81', '\xc8'};
    for (const bool commandRich : {false, true}) {
        Interpreter interpreter;
        qsizetype records = 0;
        connect(&interpreter, &Interpreter::commandDecoded, this, [&records] { ++records; });
        constexpr int Total = 2 * 1024 * 1024;
        int fed = 0;
        while (fed < Total) {
            QByteArray chunk(int(random.bounded(1, 4096)), Qt::Uninitialized);
            for (char &byte : chunk) {
                const quint32 value = random.generate();
                byte = commandRich && (value & 0x300) == 0
                               ? prefixes[(value >> 12) % sizeof prefixes]
                               : char(value & 0xFF);
            }
            interpreter.feed(chunk);
            fed += int(chunk.size());
            QVERIFY(interpreter.pendingBytes() < 4096);
        }
        QVERIFY(records > 0);
        QVERIFY(interpreter.receipts().size() <= Interpreter::MaxReceipts);
        for (const emulator::Receipt &receipt : interpreter.receipts()) {
            QVERIFY(receipt.blocks.size() <= Interpreter::MaxBlocksPerReceipt);
            for (const emulator::ReceiptBlock &block : receipt.blocks) {
                if (const auto *line = std::get_if<emulator::TextLine>(&block))
                    QVERIFY(line->width <= Interpreter::PrintableWidth);
                if (const auto *barcode = std::get_if<emulator::Barcode>(&block))
                    QVERIFY(barcode->data.size() <= Interpreter::MaxBarcodeData);
            }
        }
        QVERIFY(interpreter.pendingLine().width <= Interpreter::PrintableWidth);
    }
}

QTEST_GUILESS_MAIN(TestInterpreter)
#include "tst_interpreter.moc"
