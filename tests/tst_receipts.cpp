#include "FormDriver.h"
#include "emulator/Interpreter.h"
#include "emulator/Renderer.h"

#include <QFile>

// Every demonstration, clicked in the real window, read from the pty and printed by the
// virtual printer's interpreter and renderer.
class TestReceipts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { app::applyWindowLook(); }
    void everyDemonstrationPrints();
    void barcodes_data();
    void barcodes();
};

static emulator::RenderResult print(const QByteArray &bytes)
{
    emulator::Interpreter interpreter;
    interpreter.feed(bytes);
    return emulator::Renderer().render(interpreter.receipts());
}

void TestReceipts::everyDemonstrationPrints()
{
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    QByteArray bytes;
    const QStringList attributes = {QStringLiteral("Emphasize"),
                                    QStringLiteral("Double"),
                                    QStringLiteral("90degree"),
                                    QStringLiteral("italic"),
                                    QStringLiteral("underline 1"),
                                    QStringLiteral("underline 2"),
                                    QStringLiteral("upside down"),
                                    QStringLiteral("amplify 1"),
                                    QStringLiteral("amplify 2"),
                                    QStringLiteral("normal")};
    for (const QString &attribute : attributes) {
        d.choose("Combo6", attribute);
        d.click("Command6");
        bytes += printer.readQuiet(50);
    }
    d.click("Option2");
    d.click("Command8");
    d.click("Option1");
    d.trigger("Paper_Black");
    for (const char *button : {"Command13", "Command4", "Command11", "Command3", "Command1"})
        d.click(button);
    d.trigger("Paper_White");
    bytes += printer.readQuiet(100);

    const emulator::RenderResult result = print(bytes);
    QVERIFY2(result.warnings.isEmpty(), qPrintable(result.warnings.join(u'\n')));
    QCOMPARE(result.images.size(),
             16); // ten attribute pages, test page, up-down, Chinese, barcode, sample page, feed
    // Kept beside the test for a look: the bytes and the receipts they print.
    QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/jobs.bin"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    QVERIFY(emulator::Renderer::stack(result.images)
                    .save(QCoreApplication::applicationDirPath()
                          + QStringLiteral("/receipts.png")));
}

void TestReceipts::barcodes_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("data");
    QTest::addColumn<bool>("printable");

    QTest::newRow("UPC-A") << "UPC-A"
                           << "01234567890" << true;
    QTest::newRow("UPC-E") << "UPC-E"
                           << "01234500006" << true;
    QTest::newRow("JAN13") << "JAN13"
                           << "590123412345" << true;
    QTest::newRow("JAN8") << "JAN8"
                          << "9638507" << true;
    QTest::newRow("CODE39") << "CODE39"
                            << "ABC-123" << true;
    QTest::newRow("ITF") << "ITF"
                         << "12345678" << true;
    QTest::newRow("CODABAR") << "CODABAR"
                             << "A40156B" << true;
    QTest::newRow("CODE93") << "CODE93"
                            << "Code 93!" << true;
    QTest::newRow("CODE128") << "CODE128"
                             << "Hello-128" << true;
    QTest::newRow("UPC-A, two digits") << "UPC-A"
                                       << "12" << false;
    QTest::newRow("ITF, odd count") << "ITF"
                                    << "12345" << false;
    QTest::newRow("CODE39, lower case") << "CODE39"
                                        << "abc" << false;
}

void TestReceipts::barcodes()
{
    QFETCH(QString, type);
    QFETCH(QString, data);
    QFETCH(bool, printable);
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    d.choose("Combo5", type);
    d.type("Text1", data);
    d.click("Command11");
    const emulator::RenderResult result = print(printer.readQuiet(100));
    QVERIFY(d.messages.isEmpty()); // the tool sends it; the printer judges
    QCOMPARE(result.warnings.isEmpty(), printable);
}

QTEST_MAIN(TestReceipts)
#include "tst_receipts.moc"
