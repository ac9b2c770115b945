#include "ExpectedBytes.h"
#include "FormDriver.h"

#include <QCryptographicHash>

using expected::barcodeJob;
using expected::blackMarkCut;
using expected::cut;
using expected::hex;

class TestJobs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { app::applyWindowLook(); }
    void demonstrations_data();
    void demonstrations();
    void chineseParagraph();
    void hintOnChoosingSymbology();
    void refusedBarcode_data();
    void refusedBarcode();
};

void TestJobs::demonstrations_data()
{
    // clang-format off
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("attribute"); // typed into Combo6 unless null
    QTest::addColumn<QString>("symbology"); // chosen in Combo5 unless empty
    QTest::addColumn<QString>("data");      // typed into Text1 unless null
    QTest::addColumn<QByteArray>("body");   // everything before the end-of-job sequence

    auto attribute = [&](const char *name, const char *on, const char *off) {
        QTest::newRow(name) << "Command6" << QString::fromLatin1(name) << "" << QString() << expected::attributeJob(hex(on), hex(off));
    };
    attribute("Emphasize", "1B4501", "1B4500");
    attribute("Double", "1B4701", "1B4700");
    attribute("90degree", "1B5601", "1B5600");
    attribute("italic", "1B3401", "1B3400");
    attribute("underline 1", "1B2D01", "1B2D00");
    attribute("underline 2", "1B2D02", "1B2D00");
    attribute("upside down", "1B7B01", "1B7B00");
    attribute("amplify 1", "1D2111", "1D2100");
    attribute("amplify 2", "1D2122", "1D2100");
    attribute("normal", "1B40", "");
    attribute("Normal", "", "");
    attribute("normal ", "", "");
    attribute("", "", "");

    QByteArray testPage = "** testing **\n\n" + QByteArray(25, '*') + '\n';
    for (int i = 0; i < 8; ++i)
        testPage += "* Printing a test *\n";
    testPage += QByteArray(25, '*') + "\n\n";
    QTest::newRow("test page") << "Command8" << QString() << "" << QString() << testPage;

    QTest::newRow("up-down") << "Command13" << QString() << "" << QString()
        << hex("1B40 1D2101") + "Sets subscripts\nABCDEF" + hex("1D2100 1D7E00") + "ABCDEF\n"
           + hex("1D2101") + "abcdef" + hex("1D2100 1D7E00") + "abcdef\n"
           + hex("1D2101") + "Sets superscripts\nABCDEF" + hex("1D2100 1D7E01") + "ABCDEF\n"
           + hex("1D2101") + "abcdef" + hex("1D2100 1D7E01") + "abcdef\n\n";

    QTest::newRow("barcode at start-up") << "Command11" << QString() << "" << QString() << barcodeJob("CODE39", hex("1D6B450A"), "1234567890");
    QTest::newRow("CODE128 ABC") << "Command11" << QString() << "CODE128" << "ABC" << barcodeJob("CODE128", hex("1D6B4905 7B42"), "ABC");
    QTest::newRow("CODE128 253 characters") << "Command11" << QString() << "CODE128" << QString(253, u'x')
            << barcodeJob("CODE128", hex("1D6B49FF 7B42"), QByteArray(253, 'x'));
    QTest::newRow("ITF") << "Command11" << QString() << "ITF" << "123456" << barcodeJob("ITF", hex("1D6B4606"), "123456");
    QTest::newRow("UPC-A, data not checked") << "Command11" << QString() << "UPC-A" << "12" << barcodeJob("UPC-A", hex("1D6B4102"), "12");
    QTest::newRow("255 characters") << "Command11" << QString() << "" << QString(255, u'7')
                                    << barcodeJob("CODE39", hex("1D6B45FF"), QByteArray(255, '7'));
    QTest::newRow("data with 00 and 01") << "Command11" << QString() << "" << QString::fromLatin1("A\0\x01Z", 4)
            << barcodeJob("CODE39", hex("1D6B4504"), QByteArray("A\0\x01Z", 4));

    QTest::newRow("sample page") << "Command3" << QString() << "" << QString()
        << hex("1B4701 1B212F") + "ORVEX72\n" + hex("1B2100") + "www.example.com\nwww.example.net\n\n"
           + hex("1B4700 1B5600") + "CodeBar Print:\nCodeBar Name: CODE39"
           + hex("1D6850 1D7702 1D4800 1D6600 1D6B4509") + "123456789\nNO. 123456789\n";
    // clang-format on
}

void TestJobs::demonstrations()
{
    QFETCH(QString, button);
    QFETCH(QString, attribute);
    QFETCH(QString, symbology);
    QFETCH(QString, data);
    QFETCH(QByteArray, body);

    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    if (!attribute.isNull())
        d.type("Combo6", attribute);
    if (!symbology.isEmpty())
        d.choose("Combo5", symbology);
    if (!data.isNull())
        d.type("Text1", data);
    for (const bool blackMark : {false, true}) {
        d.trigger(blackMark ? "Paper_Black" : "Paper_White");
        d.click(button.toLatin1().constData());
        const QByteArray expected = body + (blackMark ? blackMarkCut : cut);
        QCOMPARE(printer.read(expected.size()).toHex(' '), expected.toHex(' '));
    }
    QVERIFY(d.messages.isEmpty());
}

void TestJobs::chineseParagraph()
{
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    d.click("Command4");
    const QByteArray received = printer.read(327);
    QCOMPARE(received.size(), 323 + 4);
    const QByteArray paragraph = received.left(323);
    QVERIFY(paragraph.startsWith(hex("C8C8C3F4")));
    QVERIFY(paragraph.endsWith(hex("A1A3")));
    QCOMPARE(paragraph.count(hex("A1E6")), 2); // each ℃
    QCOMPARE(QCryptographicHash::hash(paragraph, QCryptographicHash::Sha1).toHex(),
             QByteArray("bbdf56b476ef471a40737589c9a2d668e364cb48"));
    QCOMPARE(received.mid(323), hex("0A0A1B69"));
}

void TestJobs::hintOnChoosingSymbology()
{
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    d.choose("Combo5", QStringLiteral("ITF"));
    QCOMPARE(d.caption("Text1"), QStringLiteral("请输入大于1位的偶数位数字"));
    QCOMPARE(d.get<QLineEdit>("Text1")->font().pointSize(), 10);
    d.choose("Combo5", QStringLiteral("CODE128"));
    QCOMPARE(d.caption("Text1"), QStringLiteral("请输入大于2位的数字,字母,符号"));
    QVERIFY(printer.readQuiet().isEmpty());
}

void TestJobs::refusedBarcode_data()
{
    QTest::addColumn<QString>("symbology"); // chosen from the list, or typed when it is not there
    QTest::addColumn<QString>("data");      // "HINT": leave the hint in the box
    QTest::addColumn<QString>("reason");

    QTest::newRow("unknown type") << "code39"
                                  << "123"
                                  << "not a barcode type";
    QTest::newRow("empty data") << "CODE39"
                                << ""
                                << "no barcode data";
    QTest::newRow("hint left in the box") << "ITF"
                                          << "HINT"
                                          << "only ASCII";
    QTest::newRow("256 characters") << "CODE39" << QString(256, u'1') << "at most 255";
    QTest::newRow("254 for CODE128") << "CODE128" << QString(254, u'1') << "at most 253";
}

void TestJobs::refusedBarcode()
{
    QFETCH(QString, symbology);
    QFETCH(QString, data);
    QFETCH(QString, reason);
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    if (d.get<QComboBox>("Combo5")->findText(symbology) >= 0)
        d.choose("Combo5", symbology);
    else
        d.type("Combo5", symbology);
    if (data != u"HINT")
        d.type("Text1", data);
    d.click("Command11");
    QCOMPARE(d.messages.size(), 1);
    QVERIFY2(d.messages.first().text.contains(reason), qPrintable(d.messages.first().text));
    QVERIFY(printer.readQuiet().isEmpty());
    QVERIFY(!d.isClosedState()); // the link stays open for the next try
}

QTEST_MAIN(TestJobs)
#include "tst_jobs.moc"
