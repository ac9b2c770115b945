#include "BarcodeEncoder.h"
#include "DemoJobs.h"
#include "Interpreter.h"
#include "Renderer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using emulator::Renderer;
using emulator::Symbology;

// Receipts drawn on paper: every attribute leaves its own ink, every barcode scans.
class TestRenderer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void attributeInk_data();
    void attributeInk();
    void validBarcode_data();
    void validBarcode();
    void refusedBarcode_data();
    void refusedBarcode();
    void barcodeScansBack_data();
    void barcodeScansBack();
    void barcodeSettings();
    void chineseParagraph();
    void receiptsAndStack();

private:
    emulator::Renderer m_renderer;
};

namespace {

QByteArray operator""_b(const char *text, size_t length)
{
    return QByteArray(text, qsizetype(length));
}

struct Ink
{
    int dots = 0;
    int red = 0;
    QRect box;
};

// Dark and red pixels on the paper, leaving out the notes margin.
Ink inkOf(const QImage &image)
{
    Ink ink;
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < Renderer::PaperWidth; ++x) {
            const QRgb pixel = line[x];
            if (qRed(pixel) > 160 && qGreen(pixel) < 80 && qBlue(pixel) < 80)
                ++ink.red;
            if (qGray(pixel) >= 128)
                continue;
            ++ink.dots;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right >= 0)
        ink.box = QRect(QPoint(left, top), QPoint(right, bottom));
    return ink;
}

emulator::RenderResult renderBytes(const Renderer &renderer, const QByteArray &bytes)
{
    emulator::Interpreter interpreter;
    interpreter.feed(bytes);
    return renderer.render(interpreter.receipts());
}

QByteArray barcodeBytes(Symbology symbology, const QByteArray &data, int hri = 0)
{
    return "\x1d\x68\x50\x1d\x77\x02\x1d\x48"_b + char(hri) + "\x1d\x6b"_b
           + char(65 + int(symbology)) + char(data.size()) + data;
}

} // namespace

void TestRenderer::attributeInk_data()
{
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<QString>("expect");

    // expect: "more" ink than plain text, "less", "same" amount elsewhere, "right" of it,
    // "taller" or "wider" than it.
    QTest::newRow("emphasize") << "\x1b\x45\x01"_b << u"more"_s;
    QTest::newRow("double-strike") << "\x1b\x47\x01"_b << u"more"_s;
    QTest::newRow("underline 1") << "\x1b\x2d\x01"_b << u"more"_s;
    QTest::newRow("underline 2") << "\x1b\x2d\x02"_b << u"more"_s;
    QTest::newRow("italic") << "\x1b\x34\x01"_b << u"moved"_s;
    QTest::newRow("90 degrees") << "\x1b\x56\x01"_b << u"moved"_s;
    QTest::newRow("upside down") << "\x1b\x7b\x01"_b << u"moved"_s;
    QTest::newRow("amplify 1") << "\x1d\x21\x11"_b << u"wider"_s;
    QTest::newRow("amplify 2") << "\x1d\x21\x22"_b << u"wider"_s;
    QTest::newRow("double height") << "\x1d\x21\x01"_b << u"taller"_s;
    QTest::newRow("print mode 2F") << "\x1b\x21\x2f"_b << u"wider"_s;
    QTest::newRow("subscript") << "\x1d\x7e\x00"_b << u"less"_s;
    QTest::newRow("superscript") << "\x1d\x7e\x01"_b << u"less"_s;
    QTest::newRow("centre") << "\x1b\x61\x01"_b << u"right"_s;
    QTest::newRow("right") << "\x1b\x61\x02"_b << u"right"_s;
}

void TestRenderer::attributeInk()
{
    QFETCH(QByteArray, prefix);
    QFETCH(QString, expect);

    const QByteArray text = "AbgQ\xc8\xc8\n"_b;
    const emulator::RenderResult plain = renderBytes(m_renderer, text);
    const emulator::RenderResult styled = renderBytes(m_renderer, prefix + text);
    QCOMPARE(styled.images.size(), 1);
    QVERIFY(styled.warnings.isEmpty());
    const Ink plainInk = inkOf(plain.images.first());
    const Ink ink = inkOf(styled.images.first());
    QVERIFY(plainInk.dots > 100);
    QVERIFY(ink.dots > 100);
    QVERIFY(styled.images.first() != plain.images.first());

    if (expect == u"more") {
        QVERIFY2(ink.dots > plainInk.dots * 1.1,
                 qPrintable(u"%1 vs %2"_s.arg(ink.dots).arg(plainInk.dots)));
    } else if (expect == u"less") {
        QVERIFY(ink.dots < plainInk.dots * 0.7);
    } else if (expect == u"moved") {
        QVERIFY(ink.box != plainInk.box || ink.dots != plainInk.dots);
    } else if (expect == u"wider") {
        QVERIFY(ink.box.width() > plainInk.box.width() * 1.5);
    } else if (expect == u"taller") {
        QVERIFY(ink.box.height() > plainInk.box.height() * 1.5);
        QVERIFY(ink.box.width() < plainInk.box.width() * 1.2);
    } else if (expect == u"right") {
        QVERIFY(ink.box.left() > plainInk.box.left() + 100);
        QCOMPARE(ink.box.width(), plainInk.box.width());
    }
}

void TestRenderer::validBarcode_data()
{
    QTest::addColumn<Symbology>("symbology");
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("UPC-A 11") << Symbology::UpcA << "01234567890"_b;
    QTest::newRow("UPC-A 12") << Symbology::UpcA << "012345678905"_b;
    QTest::newRow("UPC-E 11") << Symbology::UpcE << "01234500006"_b;
    QTest::newRow("UPC-E 12") << Symbology::UpcE << "012000003455"_b;
    QTest::newRow("UPC-E 6") << Symbology::UpcE << "123456"_b;
    QTest::newRow("JAN13 12") << Symbology::Jan13 << "123456789012"_b;
    QTest::newRow("JAN13 13") << Symbology::Jan13 << "4901234567894"_b;
    QTest::newRow("JAN8 7") << Symbology::Jan8 << "1234567"_b;
    QTest::newRow("CODE39") << Symbology::Code39 << "1234567890"_b;
    QTest::newRow("CODE39 symbols") << Symbology::Code39 << "AB-12 $/+%."_b;
    QTest::newRow("ITF") << Symbology::Itf << "1234567890"_b;
    QTest::newRow("CODABAR") << Symbology::Codabar << "A1234567890B"_b;
    QTest::newRow("CODE93") << Symbology::Code93 << "Code 93!"_b;
    QTest::newRow("CODE128 B") << Symbology::Code128 << "{B1234567890"_b;
    QTest::newRow("CODE128 C") << Symbology::Code128 << "{C\x0c\x22\x38"_b;
    QTest::newRow("CODE128 A") << Symbology::Code128 << "{AABC\x09"_b;
}

void TestRenderer::validBarcode()
{
    QFETCH(Symbology, symbology);
    QFETCH(QByteArray, data);

    const emulator::EncodedBarcode encoded = emulator::BarcodeEncoder::encode(symbology, data);
    QVERIFY2(encoded.isValid(), qPrintable(encoded.error));
    QVERIFY(encoded.modules.size() > 20);
    QVERIFY(encoded.modules.testBit(0));
    QVERIFY(encoded.modules.testBit(encoded.modules.size() - 1));

    const emulator::RenderResult result = renderBytes(m_renderer, barcodeBytes(symbology, data));
    QVERIFY2(result.warnings.isEmpty(), qPrintable(result.warnings.join(u'\n')));
    const Ink ink = inkOf(result.images.first());
    QCOMPARE(ink.red, 0);
    QCOMPARE(ink.box.height(), 80);
    QCOMPARE(ink.box.width(), 2 * encoded.modules.size());
}

void TestRenderer::refusedBarcode_data()
{
    QTest::addColumn<Symbology>("symbology");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("reason");

    QTest::newRow("UPC-A too short") << Symbology::UpcA << "12"_b << u"11 or 12"_s;
    QTest::newRow("UPC-A letters") << Symbology::UpcA << "0123456789A"_b << u"digits"_s;
    QTest::newRow("UPC-E first digit") << Symbology::UpcE << "11234500006"_b << u"first digit"_s;
    QTest::newRow("UPC-E not shortenable") << Symbology::UpcE << "01234567890"_b << u"UPC-E"_s;
    QTest::newRow("JAN13 length") << Symbology::Jan13 << "12345"_b << u"12 or 13"_s;
    QTest::newRow("JAN8 length") << Symbology::Jan8 << "123456789"_b << u"7 or 8"_s;
    QTest::newRow("CODE39 lower case") << Symbology::Code39 << "abc"_b << u"'a'"_s;
    QTest::newRow("ITF odd") << Symbology::Itf << "12345"_b << u"even"_s;
    QTest::newRow("CODABAR no start") << Symbology::Codabar << "1234567890"_b << u"A-D"_s;
    QTest::newRow("CODABAR letter inside") << Symbology::Codabar << "A12E4B"_b << u"'E'"_s;
    QTest::newRow("CODE93 high byte") << Symbology::Code93 << "\xc7\xeb"_b << u"0xC7"_s;
    QTest::newRow("CODE128 no code set") << Symbology::Code128 << "1234"_b << u"code set"_s;
    QTest::newRow("CODE128 C over 99") << Symbology::Code128 << "{C\x64"_b << u"0-99"_s;
    QTest::newRow("CODE128 empty") << Symbology::Code128 << "{B"_b << u"no data"_s;
    QTest::newRow("wider than paper")
            << Symbology::Code128 << "{B" + QByteArray(40, 'x') << u"wide"_s;
}

void TestRenderer::refusedBarcode()
{
    QFETCH(Symbology, symbology);
    QFETCH(QByteArray, data);
    QFETCH(QString, reason);

    const emulator::RenderResult result = renderBytes(m_renderer, barcodeBytes(symbology, data));
    QCOMPARE(result.warnings.size(), 1);
    QVERIFY2(result.warnings.first().contains(reason), qPrintable(result.warnings.first()));
    QVERIFY(result.warnings.first().contains(emulator::BarcodeEncoder::name(symbology)));
    QVERIFY(inkOf(result.images.first()).red > 500);
}

void TestRenderer::barcodeScansBack_data()
{
    QTest::addColumn<Symbology>("symbology");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("scanned");

    QTest::newRow("UPC-A") << Symbology::UpcA << "01234567890"_b << u"UPC-A:012345678905"_s;
    QTest::newRow("UPC-E") << Symbology::UpcE << "01234500006"_b << u"UPC-E:01234565"_s;
    QTest::newRow("JAN13") << Symbology::Jan13 << "123456789012"_b << u"EAN-13:1234567890128"_s;
    QTest::newRow("JAN8") << Symbology::Jan8 << "1234567"_b << u"EAN-8:12345670"_s;
    QTest::newRow("CODE39") << Symbology::Code39 << "1234567890"_b << u"CODE-39:1234567890"_s;
    QTest::newRow("ITF") << Symbology::Itf << "1234567890"_b << u"I2/5:1234567890"_s;
    QTest::newRow("CODABAR") << Symbology::Codabar << "A1234567890B"_b << u"Codabar:A1234567890B"_s;
    QTest::newRow("CODE93") << Symbology::Code93 << "CODE93 TEST"_b << u"CODE-93:CODE93 TEST"_s;
    QTest::newRow("CODE128 B") << Symbology::Code128 << "{B1234567890"_b
                               << u"CODE-128:1234567890"_s;
    QTest::newRow("CODE128 C") << Symbology::Code128 << "{C\x0c\x22\x38\x4e"_b
                               << u"CODE-128:12345678"_s;
    QTest::newRow("CODE128 sets") << Symbology::Code128 << "{BNo.{C\x0c\x22"_b
                                  << u"CODE-128:No.1234"_s;
}

void TestRenderer::barcodeScansBack()
{
    QFETCH(Symbology, symbology);
    QFETCH(QByteArray, data);
    QFETCH(QString, scanned);

    const QString zbarimg = QStandardPaths::findExecutable(u"zbarimg"_s);
    if (zbarimg.isEmpty())
        QSKIP("zbarimg is not installed");

    const emulator::RenderResult result = renderBytes(m_renderer, barcodeBytes(symbology, data, 2));
    QVERIFY(result.warnings.isEmpty());
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"barcode.png"_s);
    QVERIFY(result.images.first().save(path));

    QProcess process;
    process.start(zbarimg,
                  {u"-q"_s,
                   u"-Supca.enable"_s,
                   u"-Supce.enable"_s,
                   u"-Sean8.enable"_s,
                   u"-Scode93.enable"_s,
                   u"-Scodabar.enable"_s,
                   u"-Si25.enable"_s,
                   path});
    QVERIFY(process.waitForFinished(60000));
    const QString output = QString::fromLatin1(process.readAllStandardOutput()).trimmed();
    QCOMPARE(output, scanned);
}

void TestRenderer::barcodeSettings()
{
    const QByteArray data = "123456"_b;
    auto bytes = [&data](int height, int width, int hri) {
        return "\x1d\x68"_b + char(height) + "\x1d\x77"_b + char(width) + "\x1d\x48"_b + char(hri)
               + "\x1d\x6b\x45"_b + char(data.size()) + data;
    };
    const qsizetype modules = emulator::BarcodeEncoder::encode(Symbology::Code39, data)
                                      .modules.size();
    const Ink narrow = inkOf(renderBytes(m_renderer, bytes(40, 2, 0)).images.first());
    const Ink wide = inkOf(renderBytes(m_renderer, bytes(120, 3, 0)).images.first());
    QCOMPARE(narrow.box.size(), QSize(2 * int(modules), 40));
    QCOMPARE(wide.box.size(), QSize(3 * int(modules), 120));

    // Human-readable characters above, below or both add to the height.
    const Ink above = inkOf(renderBytes(m_renderer, bytes(40, 2, 1)).images.first());
    const Ink below = inkOf(renderBytes(m_renderer, bytes(40, 2, 2)).images.first());
    const Ink both = inkOf(renderBytes(m_renderer, bytes(40, 2, 3)).images.first());
    QVERIFY(above.box.bottom() > narrow.box.bottom() + 10); // the bars move down
    QCOMPARE(below.box.top(), narrow.box.top());
    QVERIFY(below.box.bottom() > narrow.box.bottom() + 10);
    QVERIFY(both.box.height() > above.box.height() + 10);
}

void TestRenderer::chineseParagraph()
{
    const emulator::RenderResult result = renderBytes(m_renderer, DemoJobs::chinese());
    QCOMPARE(result.images.size(), 1);
    QVERIFY(result.warnings.isEmpty());
    const Ink ink = inkOf(result.images.first());
    QVERIFY(ink.dots > 20000);
    // Seven printed lines of 30 dots fill the width of the paper.
    QVERIFY(ink.box.width() > Renderer::PrintableWidth - 30);
    QVERIFY(ink.box.height() > 6 * 30);
}

void TestRenderer::receiptsAndStack()
{
    const QByteArray bytes = DemoJobs::testPage() + DemoJobs::samplePage()
                             + "\x1b\x78\x02\x1d\xf6\x1b\x69"_b + "pending";
    const emulator::RenderResult result = renderBytes(m_renderer, bytes);
    QCOMPARE(result.images.size(), 3);
    QVERIFY(result.warnings.isEmpty());
    // The receipt still open has nothing printed yet ("pending" waits for LF) and is left out.
    for (const QImage &image : result.images)
        QCOMPARE(image.width(), Renderer::ImageWidth);
    QVERIFY(inkOf(result.images.at(2)).dots > 300); // the black mark
    const QImage stacked = Renderer::stack(result.images);
    int height = 0;
    for (const QImage &image : result.images)
        height += image.height();
    QVERIFY(stacked.height() > height);
    QCOMPARE(stacked.copy(0, 0, Renderer::ImageWidth, result.images.first().height()),
             result.images.first());

    QStringList warnings;
    const QList<QImage> many(40, QImage(Renderer::ImageWidth, 2000, QImage::Format_RGB32));
    QVERIFY(Renderer::stack(many, &warnings).height() <= Renderer::MaxStackHeight);
    QCOMPARE(warnings.size(), 1);
}

QTEST_MAIN(TestRenderer)
#include "tst_renderer.moc"
