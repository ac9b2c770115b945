#include "CodeReader.h"
#include "Interpreter.h"
#include "ReceiptComparison.h"
#include "ReceiptJson.h"
#include "Renderer.h"

#include <QFile>
#include <QJsonObject>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace emulator;

// Byte streams that other projects' ESC/POS client libraries send, as a printer prints them.
class TestFixtures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void prints_data();
    void prints();
    void twoDimensionalCodes_data();
    void twoDimensionalCodes();
};

namespace {

// The fixture's receipts as JSON, and the picture of them all.
QByteArray print(const QByteArray &bytes, bool chinese, QImage *picture)
{
    PrinterProfile profile;
    profile.chineseAtPowerUp = chinese;
    Interpreter interpreter(profile);
    for (qsizetype at = 0; at < bytes.size(); at += 512)
        interpreter.feed(QByteArrayView(bytes).sliced(at, qMin<qsizetype>(512, bytes.size() - at)));
    interpreter.finish();
    static const Renderer renderer;
    *picture = Renderer::stack(renderer.render(interpreter.receipts()).images);
    return ReceiptJson::write(interpreter.receipts());
}

// The picture cut to its ink and a white margin: zxing-cpp looks for some symbols (Aztec
// codes) from the middle of the picture.
QImage inked(const QImage &image)
{
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
        }
    }
    QImage framed(ink.size() + QSize(80, 80), QImage::Format_RGB32);
    framed.fill(Qt::white);
    for (int y = 0; y < ink.height(); ++y) {
        for (int x = 0; x < ink.width(); ++x)
            framed.setPixel(x + 40, y + 40, image.pixel(ink.x() + x, ink.y() + y));
    }
    return framed;
}

} // namespace

void TestFixtures::prints_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("chinese");      // Chinese mode at power-up
    QTest::addColumn<QStringList>("codes"); // what a scanner reads, among others

    // Everything else printed is in each fixture's golden JSON, reviewed against its picture.
    const auto row = [](const char *file, bool chinese, const QStringList &codes = {}) {
        QTest::newRow(file) << QString::fromLatin1(file) << chinese << codes;
    };
    // clang-format off
    row("escpos-php_receipt-with-logo", true);
    row("escpos-php_demo", true, {u"CODE-39:9876"_s, u"QR-Code:Testing 123"_s});
    row("escpos-php_qr-code", true, {u"QR-Code:Testing 123"_s,
                                     u"QR-Code:0123456789012345678901234567890123456789"_s,
                                     u"QR-Code:abcdefghijklmnopqrstuvwxyzabcdefghijklmn"_s});
    row("escpos-php_pdf417-code", true, {u"PDF417:Testing 123"_s});
    // The library's PDF417 error correction and GS1 DataBar width commands declare one byte
    // less and one more than they carry, its MaxiCode has no postal fields for mode 2 and its
    // Aztec error correction command takes the next command's first byte: as on paper.
    row("escpos-rs_2d-codes", true, {u"PDF417:test"_s});
    row("escpos-php_barcode", true, {u"CODE-39:ABC"_s, u"EAN-13:0123456789012"_s, u"EAN-8:01234565"_s,
                                     u"I2/5:0123456789"_s, u"CODE-128:012ABCDabcd"_s,
                                     u"Codabar:A012345A"_s, u"CODE-93:012abcd"_s});
    row("escpos-php_character-encodings", false);
    row("receiptline_table", true);
    row("page-mode-label", true, {u"CODE-128:1234"_s, u"QR-Code:LBL-0117"_s});
    row("escposencoder_codepages", false);
    row("escposencoder_cp936", true);
    row("escpos-php_graphics", true);
    row("escpos-php_bit-image", true);
    row("escpos-net_output-juliogamasso", true);
    row("python-escpos_image", true);
    row("receiptprinterencoder_esc-pos", false, {u"QR-Code:https://nielsleenheer.com"_s,
                                                 u"EAN-13:3130630574613"_s, u"CODE-128:CODE128"_s});
    row("escpos-php_text-size", true);
    row("escpos-php_margins-and-spacing", true);
    row("escpos-php_unifont-print-buffer", true);
    // clang-format on
}

void TestFixtures::prints()
{
    QFETCH(QString, file);
    QFETCH(bool, chinese);
    QFETCH(QStringList, codes);

    QFile input(QStringLiteral(FIXTURES_DIR "/") + file + u".bin"_s);
    QVERIFY(input.open(QIODevice::ReadOnly));
    QImage picture;
    const QByteArray json = print(input.readAll(), chinese, &picture);

    // Everything printed, as checked in and reviewed against the picture: a change of
    // interpretation shows here first.
    QFile goldenFile(QStringLiteral(GOLDEN_DIR "/") + file + u".json"_s);
    QVERIFY2(goldenFile.open(QIODevice::ReadOnly), qPrintable(goldenFile.fileName()));
    const QByteArray golden = goldenFile.readAll();
    if (json != golden) {
        QJsonObject expected;
        QJsonObject got;
        QString error;
        QVERIFY2(vprinter::ReceiptComparison::read(golden, &expected, &error), qPrintable(error));
        QVERIFY(vprinter::ReceiptComparison::read(json, &got, &error));
        const QStringList differences = vprinter::ReceiptComparison::differences(
                expected, got, true);
        QFAIL(qPrintable(
                differences.isEmpty()
                        ? u"%1: the same values in other bytes"_s.arg(goldenFile.fileName())
                        : vprinter::ReceiptComparison::report(goldenFile.fileName(), differences)
                                  .join(u'\n')));
    }
    if (!codes.isEmpty()) {
        if (!CodeReader::zbarAvailable() || !CodeReader::zxingAvailable())
            QSKIP("zbarimg or ZXingReader is not installed");
        const bool pdf417 = codes.first().startsWith(u"PDF417:"_s);
        const QStringList found = pdf417 ? CodeReader::zxing(picture, u"PDF417"_s)
                                         : CodeReader::zbar(picture);
        for (const QString &code : std::as_const(codes))
            QVERIFY2(found.contains(code), qPrintable(code + u" not in "_s + found.join(u", ")));
    }
}

// Each kind of two-dimensional code through GS ( k and ESC Z, read back from its picture.
void TestFixtures::twoDimensionalCodes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("format"); // zxing-cpp's name; zbarimg reads the stacked DataBar
    QTest::addColumn<QString>("text");

    QTest::newRow("Data Matrix") << "\035(k\005\0006B\000\000\000\035(k\003\0006C\004"
                                    "\035(k\012\0006P0test123\035(k\003\0006Q0"_ba
                                 << u"DataMatrix"_s << u"test123"_s;
    QTest::newRow("Data Matrix rectangle")
            << "\035(k\005\0006B1\020\000\035(k\003\0006C\004\035(k\012\0006P0test123"
               "\035(k\003\0006Q0"_ba
            << u"DataMatrix"_s << u"test123"_s;
    QTest::newRow("Aztec code") << "\035(k\004\0005B\000\000\035(k\003\0005C\006\035(k\003"
                                   "\0005E\050\035(k\014\0005P0Aztec 123\035(k\003\0005Q0"_ba
                                << u"Aztec"_s << u"Aztec 123"_s;
    QTest::newRow("MaxiCode") << "\035(k\003\0002A4\035(k\017\0002P0MaxiCode 123"
                                 "\035(k\003\0002Q0"_ba
                              << u"MaxiCode"_s << u"MaxiCode 123"_s;
    QTest::newRow("GS1 DataBar stacked")
            << "\035(k\003\0003C\003\035(k\021\0003P0H0812345678901\035(k\003\0003Q0"_ba
            << u"DataBar"_s << u"0108123456789014"_s;
    QTest::newRow("ESC Z PDF417") << "\035Z\000\033Z\000\002\003\014\000ESC Z PDF417"_ba
                                  << u"PDF417"_s << u"ESC Z PDF417"_s;
    QTest::newRow("ESC Z Data Matrix")
            << "\035Z\001\033Z\000\000\005\010\000ESC Z DM"_ba << u"DataMatrix"_s << u"ESC Z DM"_s;
    QTest::newRow("ESC Z QR") << "\035Z\002\033Z\000L\004\012\000ESC Z QR 1"_ba << u"QRCode"_s
                              << u"ESC Z QR 1"_s;
}

void TestFixtures::twoDimensionalCodes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, format);
    QFETCH(QString, text);

    if (!CodeReader::zxingAvailable())
        QSKIP("ZXingReader is not installed");
    Interpreter interpreter;
    interpreter.feed(bytes);
    interpreter.finish();
    QCOMPARE(interpreter.receipts().last().warningLines(), QStringList());
    static const Renderer renderer;
    const QImage picture = inked(Renderer::stack(renderer.render(interpreter.receipts()).images));
    const QStringList found = format == u"DataBar"_s ? CodeReader::zbar(picture)
                                                     : CodeReader::zxing(picture, format);
    QCOMPARE(found, QStringList{format + u':' + text});
}

QTEST_MAIN(TestFixtures)
#include "tst_fixtures.moc"
