#include "Interpreter.h"
#include "ReceiptComparison.h"
#include "ReceiptJson.h"
#include "Renderer.h"

#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
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

struct Printed
{
    QList<TextLine> lines;
    QList<Picture> pictures;
    QStringList warnings;
    int dots = 0; // black dots of every picture and bit image
    QByteArray json;
};

int blackDots(const QImage &bits)
{
    int count = 0;
    for (int y = 0; y < bits.height(); ++y) {
        for (int x = 0; x < bits.width(); ++x)
            count += bits.pixelIndex(x, y);
    }
    return count;
}

QString textOf(const TextLine &line)
{
    QList<TextRun> runs = line.runs;
    std::sort(runs.begin(), runs.end(), [](auto &a, auto &b) { return a.x < b.x; });
    QString text;
    for (const TextRun &run : runs)
        text += run.text;
    return text;
}

// Where a line's ink ends, in dots from the paper's left edge, justification left aside.
int rightEnd(const TextLine &line)
{
    return line.left + line.width;
}

Printed print(const QByteArray &bytes, bool chinese, QImage *picture)
{
    Interpreter interpreter(PrinterProfile{.chineseAtPowerUp = chinese});
    for (qsizetype at = 0; at < bytes.size(); at += 512)
        interpreter.feed(QByteArrayView(bytes).sliced(at, qMin<qsizetype>(512, bytes.size() - at)));
    interpreter.finish();
    Printed printed;
    auto take = [&](const auto &block) {
        if (const auto *line = std::get_if<TextLine>(&block)) {
            printed.lines.append(*line);
            for (const LineImage &image : line->images)
                printed.dots += blackDots(image.bits);
        } else if (const auto *shown = std::get_if<Picture>(&block)) {
            printed.pictures.append(*shown);
            printed.dots += blackDots(shown->bits);
        }
    };
    for (const Receipt &receipt : interpreter.receipts()) {
        for (const ReceiptBlock &block : receipt.blocks) {
            take(block);
            // What a page holds is printed as well.
            for (const PageRegion &region :
                 std::get_if<Page>(&block) ? std::get<Page>(block).regions : QList<PageRegion>{}) {
                for (const PagePiece &piece : region.pieces)
                    take(piece.content);
            }
        }
    }
    printed.json = ReceiptJson::write(interpreter.receipts());
    static const Renderer renderer;
    const RenderResult result = renderer.render(interpreter.receipts());
    printed.warnings = result.warnings;
    *picture = Renderer::stack(result.images);
    return printed;
}

// What zbarimg reads in the picture, "QR-Code:text".
QStringList scan(const QImage &image)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"receipts.png"_s);
    if (!image.save(path))
        return {u"cannot save"_s};
    QProcess process;
    process.start(u"zbarimg"_s, {u"-q"_s, path});
    process.waitForFinished(120000);
    return QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
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

// What zxing-cpp reads in the picture as the given format, "PDF417:text".
QStringList read(const QImage &image, const QString &format)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"symbol.png"_s);
    if (!image.save(path))
        return {u"cannot save"_s};
    QProcess process;
    process.start(u"ZXingReader"_s, {u"-1"_s, u"-format"_s, format, path});
    process.waitForFinished(120000);
    QStringList codes;
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype quote = line.indexOf(u'"');
        if (quote > 0)
            codes << format + u':' + line.mid(quote + 1).chopped(1);
    }
    return codes;
}

} // namespace

void TestFixtures::prints_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("chinese");      // Chinese mode at power-up
    QTest::addColumn<QStringList>("lines"); // each within one printed line
    QTest::addColumn<QStringList>("ends");  // "text>n": that line's ink ends n dots from the edge
    QTest::addColumn<QStringList>("pictures"); // "WxH:n" a picture of n black dots
    QTest::addColumn<int>("dots");             // black dots of all pictures; -1 not counted
    QTest::addColumn<QStringList>("codes");    // what a scanner reads, among others
    QTest::addColumn<QStringList>("warnings"); // all of them

    QTest::newRow("shop receipt") << u"escpos-php_receipt-with-logo"_s << true
                                  << QStringList{u"ExampleMart Ltd."_s, u"SALES INVOICE"_s}
                                  << QStringList{u"Example item #1>576"_s,
                                                 u"Total>576"_s,
                                                 u"A local tax>576"_s}
                                  << QStringList{u"300x236:14216"_s} << 14216 << QStringList{}
                                  << QStringList{};
    QTest::newRow("demonstration")
            << u"escpos-php_demo"_s << true << QStringList{u"A man a plan a canal panama"_s}
            << QStringList{} << QStringList{u"300x236:14216"_s, u"304x236:14216"_s} << -1
            << QStringList{u"CODE-39:9876"_s, u"QR-Code:Testing 123"_s}
            << QStringList{u"receipt 12: 2 × graphics wider than the print area, cut at its edge"_s,
                           u"receipt 13: 2 × raster image wider than the print area, cut at its"
                           " edge"_s,
                           u"receipt 14: QR model 1 drawn as model 2"_s};
    QTest::newRow("QR codes") << u"escpos-php_qr-code"_s << true << QStringList{u"Numeric"_s}
                              << QStringList{} << QStringList{} << -1
                              << QStringList{u"QR-Code:Testing 123"_s,
                                             u"QR-Code:0123456789012345678901234567890123456789"_s,
                                             u"QR-Code:abcdefghijklmnopqrstuvwxyzabcdefghijklmn"_s}
                              << QStringList{u"receipt 1: QR model 1 drawn as model 2"_s};
    QTest::newRow("PDF417") << u"escpos-php_pdf417-code"_s << true << QStringList{} << QStringList{}
                            << QStringList{} << -1 << QStringList{u"PDF417:Testing 123"_s}
                            << QStringList{u"receipt 1: 2 × PDF417 wider than the print area, cut"
                                           " at its edge"_s};
    // The library's PDF417 error correction and GS1 DataBar width commands declare one byte
    // less and one more than they carry, its MaxiCode has no postal fields for mode 2 and its
    // Aztec error correction command takes the next command's first byte: as on paper.
    QTest::newRow("2D codes") << u"escpos-rs_2d-codes"_s << true << QStringList{u"(k"_s}
                              << QStringList{} << QStringList{} << -1
                              << QStringList{u"PDF417:test"_s}
                              << QStringList{u"receipt 1: PDF417 module width out of range"_s,
                                             u"receipt 1: PDF417 row height out of range"_s,
                                             u"receipt 1: PDF417 error correction out of range"_s,
                                             u"receipt 1: SOH ignored"_s,
                                             u"receipt 1: 2 × MaxiCode not printed: mode 2 needs"
                                             " the postal code, country and service class"_s,
                                             u"receipt 1: GS1 DataBar module width out of range"_s,
                                             u"receipt 1: 2 × NUL ignored"_s,
                                             u"receipt 1: Aztec code not printed: no data"
                                             " stored"_s};
    QTest::newRow("barcodes") << u"escpos-php_barcode"_s << true << QStringList{} << QStringList{}
                              << QStringList{} << -1
                              << QStringList{u"CODE-39:ABC"_s,
                                             u"EAN-13:0123456789012"_s,
                                             u"EAN-8:01234565"_s,
                                             u"I2/5:0123456789"_s,
                                             u"CODE-128:012ABCDabcd"_s,
                                             u"Codabar:A012345A"_s,
                                             u"CODE-93:012abcd"_s}
                              << QStringList{
                                         u"receipt 1: 2 × barcode module width out of range"_s,
                                         u"receipt 1: UPC-E barcode \"01234567890\" not printed:"
                                         " 01234567890 cannot be shortened to UPC-E"_s,
                                         u"receipt 1: UPC-E barcode \"012345678901\" not"
                                         " printed: 01234567890 cannot be shortened to UPC-E"_s};
    QTest::newRow("code tables") << u"escpos-php_character-encodings"_s << false
                                 << QStringList{u"Ξεσκεπάζω την ψυχοφθόρα βδελυγμία"_s,
                                                u"В чащах юга жил бы цитрус?"_s,
                                                u"Le cœur déçu mais l'âme plutôt naïve"_s,
                                                u"Pijamalı hasta, yağız şoföre çabucak güvendi."_s,
                                                u"Árvíztűrő tükörfúrógép."_s,
                                                u"Pchnąć w tę łódź jeża lub ośm skrzyń fig."_s}
                                 << QStringList{} << QStringList{} << 0 << QStringList{}
                                 << QStringList{};
    QTest::newRow("ruled table")
            << u"receiptline_table"_s << true
            << QStringList{u"╭────"_s, u"┬────┬"_s, u"Orange juice"_s, u"│"_s, u"╰────"_s}
            << QStringList{} << QStringList{} << 0 << QStringList{} << QStringList{};
    QTest::newRow("page-mode label")
            << u"page-mode-label"_s << true << QStringList{u"FRAGILE"_s, u"To: A. Reader"_s}
            << QStringList{} << QStringList{} << -1
            << QStringList{u"CODE-128:1234"_s, u"QR-Code:LBL-0117"_s} << QStringList{};
    QTest::newRow("code tables in a line")
            << u"escposencoder_codepages"_s << false << QStringList{u"héllohéllohéψжłhello"_s}
            << QStringList{} << QStringList{} << 0 << QStringList{} << QStringList{};
    QTest::newRow("code page 936")
            << u"escposencoder_cp936"_s << true << QStringList{u"简体中文hello"_s} << QStringList{}
            << QStringList{} << 0 << QStringList{}
            << QStringList{u"receipt 1: code table 255 unknown, kept the"
                           " previous one"_s};
    QTest::newRow("graphics") << u"escpos-php_graphics"_s << true << QStringList{} << QStringList{}
                              << QStringList{u"125x148:3727"_s} << 4 * 3727 << QStringList{}
                              << QStringList{};
    QTest::newRow("raster") << u"escpos-php_bit-image"_s << true << QStringList{} << QStringList{}
                            << QStringList{u"128x148:3727"_s} << 4 * 3727 << QStringList{}
                            << QStringList{};
    QTest::newRow("photo") << u"escpos-net_output-juliogamasso"_s << true << QStringList{}
                           << QStringList{} << QStringList{u"240x164:25226"_s} << 25226
                           << QStringList{} << QStringList{};
    QTest::newRow("tiny images") << u"python-escpos_image"_s << true << QStringList{}
                                 << QStringList{} << QStringList{} << 17 << QStringList{}
                                 << QStringList{};
    QTest::newRow("styles and codes")
            << u"receiptprinterencoder_esc-pos"_s << false << QStringList{u"héψжł"_s, u"héllo"_s}
            << QStringList{u"  hello   >120"_s} << QStringList{u"8x8:1"_s} << -1
            << QStringList{u"QR-Code:https://nielsleenheer.com"_s,
                           u"EAN-13:3130630574613"_s,
                           u"CODE-128:CODE128"_s}
            << QStringList{u"receipt 1: QR model 1 drawn as model 2"_s};
    QTest::newRow("sizes") << u"escpos-php_text-size"_s << true << QStringList{u"Hello world!"_s}
                           << QStringList{u"Hello world!>576"_s} << QStringList{} << 0
                           << QStringList{} << QStringList{};
    QTest::newRow("margins") << u"escpos-php_margins-and-spacing"_s << true
                             << QStringList{u"left margin 128"_s}
                             << QStringList{u"left margin 128>308"_s, u"left margin 64>232"_s}
                             << QStringList{} << 0 << QStringList{} << QStringList{};
    QTest::newRow("user-defined characters")
            << u"escpos-php_unifont-print-buffer"_s << true << QStringList{} << QStringList{}
            << QStringList{} << -1 << QStringList{} << QStringList{};
}

void TestFixtures::prints()
{
    QFETCH(QString, file);
    QFETCH(bool, chinese);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, ends);
    QFETCH(QStringList, pictures);
    QFETCH(int, dots);
    QFETCH(QStringList, codes);
    QFETCH(QStringList, warnings);

    QFile input(QStringLiteral(FIXTURES_DIR "/") + file + u".bin"_s);
    QVERIFY(input.open(QIODevice::ReadOnly));
    QImage picture;
    const Printed printed = print(input.readAll(), chinese, &picture);

    QStringList texts;
    for (const TextLine &line : printed.lines)
        texts << textOf(line);
    for (const QString &expected : std::as_const(lines)) {
        QVERIFY2(std::any_of(texts.cbegin(),
                             texts.cend(),
                             [&](const QString &text) { return text.contains(expected); }),
                 qPrintable(expected));
    }
    for (const QString &end : std::as_const(ends)) {
        const QString text = end.section(u'>', 0, 0);
        const auto line = std::find_if(printed.lines.cbegin(),
                                       printed.lines.cend(),
                                       [&](const TextLine &l) { return textOf(l).contains(text); });
        QVERIFY2(line != printed.lines.cend(), qPrintable(text));
        QCOMPARE(rightEnd(*line), end.section(u'>', 1).toInt());
    }
    for (const QString &expected : std::as_const(pictures)) {
        QVERIFY2(std::any_of(printed.pictures.cbegin(),
                             printed.pictures.cend(),
                             [&](const Picture &p) {
                                 return u"%1x%2:%3"_s.arg(p.bits.width())
                                                .arg(p.bits.height())
                                                .arg(blackDots(p.bits))
                                        == expected;
                             }),
                 qPrintable(expected));
    }
    if (dots >= 0)
        QCOMPARE(printed.dots, dots);
    QCOMPARE(printed.warnings, warnings);

    // Everything printed, as checked in and reviewed against the picture: a change of
    // interpretation shows here first.
    QFile goldenFile(QStringLiteral(GOLDEN_DIR "/") + file + u".json"_s);
    QVERIFY2(goldenFile.open(QIODevice::ReadOnly), qPrintable(goldenFile.fileName()));
    const QByteArray golden = goldenFile.readAll();
    if (printed.json != golden) {
        QJsonObject expected;
        QJsonObject got;
        QString error;
        QVERIFY2(vprinter::ReceiptComparison::read(golden, &expected, &error), qPrintable(error));
        QVERIFY(vprinter::ReceiptComparison::read(printed.json, &got, &error));
        const QStringList differences = vprinter::ReceiptComparison::differences(
                expected, got, true);
        QFAIL(qPrintable(
                differences.isEmpty()
                        ? u"%1: the same values in other bytes"_s.arg(goldenFile.fileName())
                        : vprinter::ReceiptComparison::report(goldenFile.fileName(), differences)
                                  .join(u'\n')));
    }
    if (!codes.isEmpty()) {
        if (QStandardPaths::findExecutable(u"zbarimg"_s).isEmpty()
            || QStandardPaths::findExecutable(u"ZXingReader"_s).isEmpty())
            QSKIP("zbarimg or ZXingReader is not installed");
        const bool pdf417 = codes.first().startsWith(u"PDF417:"_s);
        const QStringList found = pdf417 ? read(picture, u"PDF417"_s) : scan(picture);
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

    if (QStandardPaths::findExecutable(u"ZXingReader"_s).isEmpty())
        QSKIP("ZXingReader is not installed");
    Interpreter interpreter;
    interpreter.feed(bytes);
    interpreter.finish();
    QCOMPARE(interpreter.receipts().last().warningLines(), QStringList());
    static const Renderer renderer;
    const QImage picture = inked(Renderer::stack(renderer.render(interpreter.receipts()).images));
    const QStringList found = format == u"DataBar"_s ? scan(picture) : read(picture, format);
    QCOMPARE(found, QStringList{format + u':' + text});
}

QTEST_MAIN(TestFixtures)
#include "tst_fixtures.moc"
