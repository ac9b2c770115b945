#include "Interpreter.h"
#include "Renderer.h"

#include <QFile>
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
};

namespace {

struct Printed
{
    QList<TextLine> lines;
    QList<Picture> pictures;
    QStringList warnings;
    int dots = 0; // black dots of every picture and bit image
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
    for (const Receipt &receipt : interpreter.receipts()) {
        for (const ReceiptBlock &block : receipt.blocks) {
            if (const auto *line = std::get_if<TextLine>(&block)) {
                printed.lines.append(*line);
                for (const LineImage &image : line->images)
                    printed.dots += blackDots(image.bits);
            } else if (const auto *shown = std::get_if<Picture>(&block)) {
                printed.pictures.append(*shown);
                printed.dots += blackDots(shown->bits);
            }
        }
    }
    static const Renderer renderer;
    const RenderResult result = renderer.render(interpreter.receipts());
    printed.warnings = result.warnings;
    *picture = Renderer::stack(result.images);
    return printed;
}

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
    QTest::newRow("code tables")
            << u"escpos-php_character-encodings"_s << false
            << QStringList{u"Ξεσκεπάζω την ψυχοφθόρα βδελυγμία"_s,
                           u"В чащах юга жил бы цитрус?"_s,
                           u"Le cœur déçu mais l'âme plutôt naïve"_s,
                           u"Pijamalı hasta, yağız şoföre çabucak güvendi."_s,
                           u"Árvíztűrő tükörfúrógép."_s,
                           u"Pchnąć w tę łódź jeża lub ośm skrzyń fig."_s}
            << QStringList{} << QStringList{} << 0 << QStringList{}
            << QStringList{u"receipt 1: code table 30 unknown, kept the previous one"_s};
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
    if (!codes.isEmpty()) {
        if (QStandardPaths::findExecutable(u"zbarimg"_s).isEmpty())
            QSKIP("zbarimg is not installed");
        const QStringList read = scan(picture);
        for (const QString &code : std::as_const(codes))
            QVERIFY2(read.contains(code), qPrintable(code + u" not in "_s + read.join(u", ")));
    }
}

QTEST_MAIN(TestFixtures)
#include "tst_fixtures.moc"
