#include "FormDriver.h"
#include "app/Language.h"

#include <QCryptographicHash>

using app::Language;

namespace {

// The attribute test: nine lines of 22 letters, A B C three times, then a blank line.
QByteArray attributeLines()
{
    QByteArray lines;
    for (int i = 0; i < 3; ++i)
        lines += QByteArray(22, 'A') + '\n' + QByteArray(22, 'B') + '\n' + QByteArray(22, 'C')
                 + '\n';
    return lines + '\n';
}

QByteArray barcodeJob(const QByteArray &name, const char *command, const QByteArray &data)
{
    return hex("1B40 1D683C 1D7702 1D4803 1D6600") + "CodeBar Print:\n\n\nCodeBar Name: " + name
           + "\n\n" + hex(command) + data + "NO. " + data + '\n';
}

} // namespace

class TestJobs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { startLikeTheTool(); }
    void cleanup() { app::useLanguage(Language::Chinese); }
    void sends_data();
    void sends();
    void chineseParagraph();
    void barcodeHint();
    void barcodeByKeys_data();
    void barcodeByKeys();
    void refusedBarcode_data();
    void refusedBarcode();
};

void TestJobs::sends_data()
{
    // clang-format off
    QTest::addColumn<QString>("control");   // clicked twice: without black mark, then with it
    QTest::addColumn<QString>("attribute"); // typed into Combo6 unless null
    QTest::addColumn<QString>("type");      // chosen in Combo5 unless empty
    QTest::addColumn<QString>("data");      // typed into Text1 unless null
    QTest::addColumn<QByteArray>("bytes");  // everything before the end-of-job sequence
    QTest::addColumn<bool>("printing");     // ends with the end-of-job sequence

    const QString none;
    QTest::newRow("Feed Paper") << "Command1" << none << "" << none << hex("1B6405") << false;
    QTest::newRow("Initialization") << "Command5" << none << "" << none << hex("1B40") << false;
    QTest::newRow("left") << "Option1" << none << "" << none << hex("1B6100") << false;
    QTest::newRow("centre") << "Option2" << none << "" << none << hex("1B6101") << false;
    QTest::newRow("right") << "Option3" << none << "" << none << hex("1B6102") << false;
    QTest::newRow("low") << "Option4" << none << "" << none << hex("1B7800") << false;
    QTest::newRow("middle speed") << "Option5" << none << "" << none << hex("1B7801") << false;
    QTest::newRow("high") << "Option6" << none << "" << none << hex("1B7802") << false;
    QTest::newRow("thin") << "Option7" << none << "" << none << hex("1D7C00") << false;
    QTest::newRow("middle density") << "Option8" << none << "" << none << hex("1D7C02") << false;
    QTest::newRow("thick") << "Option9" << none << "" << none << hex("1D7C04") << false;

    const auto attribute = [&](const char *name, const char *on, const char *off) {
        QTest::newRow(name) << "Command6" << QString::fromLatin1(name) << "" << none << hex(on) + attributeLines() + hex(off) + hex("1B40") << true;
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

    QByteArray testPage = "** testing **\n\n" + QByteArray(25, '*') + '\n';
    for (int i = 0; i < 8; ++i)
        testPage += "* Printing a test *\n";
    QTest::newRow("test page") << "Command8" << none << "" << none << testPage + QByteArray(25, '*') + "\n\n" << true;
    QTest::newRow("up-down") << "Command13" << none << "" << none
        << hex("1B40 1D2101") + "Sets subscripts\nABCDEF" + hex("1D2100 1D7E00") + "ABCDEF\n"
           + hex("1D2101") + "abcdef" + hex("1D2100 1D7E00") + "abcdef\n"
           + hex("1D2101") + "Sets superscripts\nABCDEF" + hex("1D2100 1D7E01") + "ABCDEF\n"
           + hex("1D2101") + "abcdef" + hex("1D2100 1D7E01") + "abcdef\n\n" << true;
    QTest::newRow("sample page") << "Command3" << none << "" << none
        << hex("1B4701 1B212F") + "ORVEX72\n" + hex("1B2100") + "www.example.com\nwww.example.net\n\n"
           + hex("1B4700 1B5600") + "CodeBar Print:\nCodeBar Name: CODE39"
           + hex("1D6850 1D7702 1D4800 1D6600 1D6B4509") + "123456789\nNO. 123456789\n" << true;

    QTest::newRow("barcode at start-up") << "Command11" << none << "" << none << barcodeJob("CODE39", "1D6B450A", "1234567890") << true;
    QTest::newRow("CODE128, 253 bytes") << "Command11" << none << "CODE128" << QString(253, u'x') << barcodeJob("CODE128", "1D6B49FF 7B42", QByteArray(253, 'x')) << true;
    QTest::newRow("UPC-A, data not checked") << "Command11" << none << "UPC-A" << "12" << barcodeJob("UPC-A", "1D6B4102", "12") << true;
    QTest::newRow("255 bytes") << "Command11" << none << "" << QString(255, u'7') << barcodeJob("CODE39", "1D6B45FF", QByteArray(255, '7')) << true;
    // clang-format on
}

void TestJobs::sends()
{
    QFETCH(QString, control);
    QFETCH(QString, attribute);
    QFETCH(QString, type);
    QFETCH(QString, data);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, printing);

    // Printer content is the same whatever language the window speaks.
    for (const Language language : {Language::Chinese, Language::English}) {
        app::useLanguage(language);
        PtyPrinter printer;
        FormDriver d;
        QVERIFY(d.open(printer));
        if (!attribute.isNull())
            d.type("Combo6", attribute);
        if (!type.isEmpty())
            d.choose("Combo5", type);
        if (!data.isNull())
            d.type("Text1", data);
        // The second click sends again, an option already chosen included, and each click's
        // bytes are with the system when the click returns.
        for (const bool blackMark : {false, true}) {
            d.trigger(blackMark ? "Paper_Black" : "Paper_White");
            d.click(control.toLatin1().constData());
            const QByteArray end = blackMark ? hex("1DF61B69") : hex("1B69");
            const QByteArray expected = bytes + (printing ? end : QByteArray());
            QCOMPARE(printer.readWithoutEvents(expected.size()).toHex(' '), expected.toHex(' '));
        }
        QVERIFY(printer.readQuiet().isEmpty());
        QVERIFY(d.messages.isEmpty());
    }
}

void TestJobs::chineseParagraph()
{
    // Printer content, not window text: the same in both languages.
    for (const Language language : {Language::Chinese, Language::English}) {
        app::useLanguage(language);
        PtyPrinter printer;
        FormDriver d;
        QVERIFY(d.open(printer));
        d.click("Command4");
        const QByteArray received = printer.read(327);
        const QByteArray paragraph = received.left(323);
        QVERIFY(paragraph.startsWith(hex("C8C8C3F4")));
        QCOMPARE(paragraph.count(hex("A1E6")), 2); // each ℃
        QCOMPARE(QCryptographicHash::hash(paragraph, QCryptographicHash::Sha1).toHex(),
                 QByteArray("bbdf56b476ef471a40737589c9a2d668e364cb48"));
        QCOMPARE(received.mid(323), hex("0A0A1B69"));
    }
}

void TestJobs::barcodeHint()
{
    // Choosing a type from the list writes its hint, also the type whose name was typed.
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    d.typeByKeys("Combo5", QStringLiteral("ITF"));
    d.choose("Combo5", QStringLiteral("ITF"));
    QCOMPARE(d.text("Text1"), QStringLiteral("请输入大于1位的偶数位数字"));
    QCOMPARE(d.get("Text1")->font().pointSize(), 10);
    QCOMPARE(d.get<QComboBox>("Combo5")->count(), 9);
    QVERIFY(printer.readQuiet().isEmpty());
}

void TestJobs::barcodeByKeys_data()
{
    QTest::addColumn<QString>("type");     // typed into Combo5 unless null
    QTest::addColumn<int>("end");          // the key that ends the typing; 0: none
    QTest::addColumn<QString>("data");     // typed into Text1 unless null
    QTest::addColumn<QByteArray>("bytes"); // everything before the end-of-job sequence
    QTest::addColumn<QString>("refusal");  // a phrase of the message when nothing is sent

    const QString none;
    // clang-format off
    QTest::newRow("ITF, Enter")          << "ITF"     << int(Qt::Key_Return) << none  << barcodeJob("ITF", "1D6B460A", "1234567890") << none;
    QTest::newRow("ITF, Tab")            << "ITF"     << int(Qt::Key_Tab)    << none  << barcodeJob("ITF", "1D6B460A", "1234567890") << none;
    QTest::newRow("ITF, then the click") << "ITF"     << 0                   << none  << barcodeJob("ITF", "1D6B460A", "1234567890") << none;
    QTest::newRow("CODE128, Enter, ABC") << "CODE128" << int(Qt::Key_Return) << "ABC" << barcodeJob("CODE128", "1D6B4905 7B42", "ABC") << none;
    QTest::newRow("JAN8 after CODE93")   << "CODE93"  << int(Qt::Key_Return) << none  << barcodeJob("JAN8", "1D6B440A", "1234567890") << none;
    QTest::newRow("itf is no type")      << "itf"     << int(Qt::Key_Return) << none  << QByteArray() << "“itf”不是本打印机支持的条码类型";
    QTest::newRow("ITF with a blank")    << "ITF "    << int(Qt::Key_Tab)    << none  << QByteArray() << "“ITF ”不是本打印机支持的条码类型";
    QTest::newRow("Chinese hint typed")  << none      << 0 << "请输入大于1位的偶数位数字" << QByteArray() << "仍是提示文字";
    QTest::newRow("English hint typed")  << none      << 0 << "Even no. of digits"        << QByteArray() << "仍是提示文字";
    QTest::newRow("hint and more")       << none      << 0 << "Even no. of digits!"       << barcodeJob("CODE39", "1D6B4513", "Even no. of digits!") << none;
    // clang-format on
}

void TestJobs::barcodeByKeys()
{
    // Every press reads both boxes as they are, whether the type was chosen or typed: typed
    // text is no choice from the list and leaves the data alone. Only a box that holds a hint,
    // in either language, is refused as such.
    QFETCH(QString, type);
    QFETCH(int, end);
    QFETCH(QString, data);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, refusal);
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    if (QTest::currentDataTag() == QByteArrayView("JAN8 after CODE93")) {
        d.typeByKeys("Combo5", type);
        d.key(Qt::Key(end));
        type = QStringLiteral("JAN8");
    }
    if (!type.isNull())
        d.typeByKeys("Combo5", type);
    if (end != 0)
        d.key(Qt::Key(end));
    QCOMPARE(d.text("Combo5"), type.isNull() ? QStringLiteral("CODE39") : type);
    QCOMPARE(d.text("Text1"), QStringLiteral("1234567890"));
    if (!data.isNull())
        d.typeByKeys("Text1", data);
    d.click("Command11");
    if (refusal.isNull()) {
        const QByteArray expected = bytes + hex("1B69");
        QCOMPARE(printer.readWithoutEvents(expected.size()).toHex(' '), expected.toHex(' '));
        QVERIFY(d.messages.isEmpty());
    } else {
        QCOMPARE(d.messages.size(), 1);
        QVERIFY2(d.messages.first().text.contains(refusal), qPrintable(d.messages.first().text));
    }
    QVERIFY(printer.readQuiet().isEmpty());
}

void TestJobs::refusedBarcode_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("data");

    // clang-format off
    QTest::newRow("empty data")           << "CODE39"  << "";
    QTest::newRow("256 bytes")            << "CODE39"  << QString(256, u'1');
    QTest::newRow("254 bytes of CODE128") << "CODE128" << QString(254, u'1');
    QTest::newRow("Chinese characters")   << "CODE39"  << "条码12";
    // clang-format on
}

void TestJobs::refusedBarcode()
{
    QFETCH(QString, type);
    QFETCH(QString, data);
    for (const Language language : {Language::Chinese, Language::English}) {
        app::useLanguage(language);
        PtyPrinter printer;
        FormDriver d;
        QVERIFY(d.open(printer));
        d.choose("Combo5", type);
        if (!data.isEmpty() && data.front().unicode() >= 0x80)
            d.typeByKeys("Text1", data); // committed by an input method
        else
            d.type("Text1", data);
        d.click("Command11");
        QCOMPARE(d.messages.size(), 1);
        QVERIFY(printer.readQuiet().isEmpty());
        QVERIFY(!d.isClosedState()); // the link stays open for the next try
    }
}

QTEST_MAIN(TestJobs)
#include "tst_jobs.moc"
