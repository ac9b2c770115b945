#include "BarcodeEncoder.h"
#include "CodeReader.h"
#include "CodeTables.h"
#include "GlyphCache.h"
#include "Interpreter.h"
#include "PngWriter.h"
#include "Renderer.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace emulator;
using enum Symbology;

// Receipts drawn on paper: every attribute leaves its own ink, every barcode scans.
class TestRenderer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void charactersDrawInk_data();
    void charactersDrawInk();
    void lineDots();
    void attributeInk_data();
    void attributeInk();
    void barcode_data();
    void barcode();
    void pageDirections_data();
    void pageDirections();
    void onlyBlackAndWhite();
    void tenMetres();
    void pngReadsBack_data();
    void pngReadsBack();
    void pngOfAnyPalette_data();
    void pngOfAnyPalette();
};

struct Ink
{
    int dots = 0, red = 0;
    QRect box;
};

// Dark and red pixels on the paper, leaving out the notes margin.
static Ink inkOf(const QImage &image)
{
    Ink ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < Renderer::PaperWidth; ++x) {
            const QRgb pixel = image.pixel(x, y);
            ink.red += qRed(pixel) > 160 && qGreen(pixel) < 80 && qBlue(pixel) < 80;
            if (qGray(pixel) < 128) {
                ++ink.dots;
                ink.box |= QRect(x, y, 1, 1);
            }
        }
    }
    return ink;
}

static RenderResult render(const QByteArray &bytes)
{
    Interpreter interpreter;
    interpreter.feed(bytes);
    static const Renderer renderer; // made once the application exists
    return renderer.render(interpreter.receipts());
}

// Every character a code table prints, and the symbols of code page 936 that receipts use,
// leaves ink: a font whose glyph is an empty box gives way to one that draws it. Format
// characters (soft hyphen, the direction and joining marks) are invisible by definition.
void TestRenderer::charactersDrawInk_data()
{
    QTest::addColumn<QString>("characters");
    QTest::addColumn<bool>("doubleByte");

    for (const int table : CodeTables::tables()) {
        QString characters;
        for (int byte = 0x80; byte <= 0xFF; ++byte) {
            const QChar c = CodeTables::upper(table, uchar(byte));
            if (c != QChar::ReplacementCharacter && !c.isSpace()
                && c.category() != QChar::Other_Format)
                characters += c;
        }
        QTest::addRow("table %d", table) << characters << false;
    }
    QTest::newRow("code page 936 symbols") << u"℃℉°¥￥€£№§※→←↑↓■□▲△◆◇○●★☆√×÷±"_s << true;
    QTest::newRow("ASCII") << u"AbgQ09@#~"_s << false;
}

void TestRenderer::charactersDrawInk()
{
    QFETCH(QString, characters);
    QFETCH(bool, doubleByte);

    const GlyphCache glyphs;
    const CellSize size = cellSize(TextStyle{}, doubleByte);
    QString blank;
    for (const QChar c : std::as_const(characters)) {
        DotCanvas dots(size.width * 3, size.height * 3);
        glyphs.draw(dots,
                    c,
                    TextStyle{},
                    doubleByte,
                    QRect(QPoint(size.width, size.height), QSize(size.width, size.height)),
                    size.height,
                    true);
        if (dots.blackDots() == 0)
            blank += u" U+%1"_s.arg(c.unicode(), 4, 16, QChar(u'0'));
    }
    QVERIFY2(blank.isEmpty(), qPrintable(u"no ink:"_s + blank));
}

// The dots of a line of text, as a hash of its black dots: where a character's outline turns
// into dots (the coverage from which a dot prints, the cell it stands in, the fonts) shows as
// a different hash. Made with Debian 12's fonts-wqy-microhei, fonts-dejavu-core,
// fonts-tlwg-loma-otf and fonts-freefont-ttf; a new font release changes it.
void TestRenderer::lineDots()
{
    const RenderResult result = render("\034.AbgQ 0123 \033t\025\275\312\351\241\033t\036\324\034&"
                                       "\316\302\266\310\241\346\n"_ba);
    QCOMPARE(result.images.size(), 1);
    const QImage &picture = result.images.first();
    QByteArray dots;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < Renderer::PaperWidth; ++x)
            dots += qGray(picture.pixel(x, y)) < 128 ? '1' : '0';
    }
    QCOMPARE(QCryptographicHash::hash(dots, QCryptographicHash::Sha1).toHex(),
             "11c39efd6a9708a569315c3201b69d9e8b977c99"_ba);
}

void TestRenderer::attributeInk_data()
{
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<QString>("expect"); // compared with plain text; "moved" only differs

    QTest::newRow("emphasize") << "\033E\001"_ba << u"more"_s;
    QTest::newRow("double-strike") << "\033G\001"_ba << u"more"_s;
    QTest::newRow("underline") << "\033-\001\034-\001"_ba << u"more"_s;
    QTest::newRow("italic") << "\0334\001"_ba << u"moved"_s;
    QTest::newRow("90 degrees") << "\033V\001"_ba << u"moved"_s;
    QTest::newRow("upside down") << "\033{\001"_ba << u"moved"_s;
    QTest::newRow("amplify") << "\035!\021"_ba << u"wider"_s;
    QTest::newRow("double height") << "\035!\001"_ba << u"taller"_s;
    QTest::newRow("subscript") << "\035~\000"_ba << u"less"_s;
    QTest::newRow("superscript") << "\035~\001"_ba << u"less"_s;
    QTest::newRow("centre") << "\033a\001"_ba << u"right"_s;
    QTest::newRow("right") << "\033a\002"_ba << u"right"_s;
}

void TestRenderer::attributeInk()
{
    QFETCH(QByteArray, prefix);
    QFETCH(QString, expect);

    const RenderResult plain = render("AbgQ\310\310\n"_ba);
    const RenderResult styled = render(prefix + "AbgQ\310\310\n"_ba);
    QVERIFY(styled.images.size() == 1 && styled.warnings.isEmpty());
    QVERIFY(styled.images.first() != plain.images.first());
    const Ink was = inkOf(plain.images.first()), ink = inkOf(styled.images.first());
    const QSize size = ink.box.size(), plainSize = was.box.size();
    const bool ok = expect == u"more"     ? ink.dots > was.dots * 1.1
                    : expect == u"less"   ? ink.dots < was.dots * 0.7
                    : expect == u"wider"  ? size.width() > plainSize.width() * 1.5
                    : expect == u"taller" ? size.height() > plainSize.height() * 1.5
                                                    && size.width() < plainSize.width() * 1.2
                    : expect == u"right"
                            ? ink.box.left() > was.box.left() + 100 && size == plainSize
                            : true;
    QVERIFY2(was.dots > 100 && ink.dots > 100 && ok, qPrintable(QString::number(ink.dots)));
}

void TestRenderer::barcode_data()
{
    QTest::addColumn<Symbology>("symbology");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("expect"); // what a scanner reads, or "refused: " and the reason

    QTest::newRow("UPC-A") << UpcA << "01234567890"_ba << u"UPC-A:012345678905"_s;
    QTest::newRow("UPC-E") << UpcE << "01234500006"_ba << u"UPC-E:01234565"_s;
    QTest::newRow("CODE39") << Code39 << "AB-12 $/+%."_ba << u"CODE-39:AB-12 $/+%."_s;
    QTest::newRow("CODE128 B and C") << Code128 << "{BNo.{C\014\042"_ba << u"CODE-128:No.1234"_s;
    QTest::newRow("CODE128 A") << Code128 << "{AAB\011C"_ba << u"CODE-128:AB\tC"_s;

    QTest::newRow("UPC-A too short") << UpcA << "12"_ba << u"refused: 11 or 12"_s;
    QTest::newRow("UPC-E first digit") << UpcE << "11234500006"_ba << u"refused: first digit"_s;
    QTest::newRow("JAN13 length") << Jan13 << "12345"_ba << u"refused: 12 or 13"_s;
    QTest::newRow("JAN8 length") << Jan8 << "123456789"_ba << u"refused: 7 or 8"_s;
    QTest::newRow("CODE39 lower case") << Code39 << "abc"_ba << u"refused: 'a'"_s;
    QTest::newRow("ITF odd") << Itf << "12345"_ba << u"refused: even"_s;
    QTest::newRow("CODABAR letter inside") << Codabar << "A12E4B"_ba << u"refused: 'E'"_s;
    QTest::newRow("CODE93 high byte") << Code93 << "\307\353"_ba << u"refused: 0xC7"_s;
    QTest::newRow("CODE128 no code set") << Code128 << "1234"_ba << u"refused: code set"_s;
    QTest::newRow("wider than paper")
            << Code128 << "{B" + QByteArray(40, 'x') << u"refused: wide"_s;
}

void TestRenderer::barcode()
{
    QFETCH(Symbology, symbology);
    QFETCH(QByteArray, data);
    QFETCH(QString, expect);

    // Bars 80 dots high, modules 2 dots wide, the human-readable text at hri.
    auto bars = [&](int hri) {
        return render("\035hP\035w\002\035H"_ba + char(hri) + "\035k"_ba + char(65 + int(symbology))
                      + char(data.size()) + data);
    };
    const RenderResult result = bars(0);
    const Ink ink = inkOf(result.images.first());
    if (expect.startsWith(u"refused: ")) {
        QCOMPARE(result.warnings.size(), 1);
        const QString warning = result.warnings.first();
        QVERIFY2(warning.contains(expect.sliced(9)), qPrintable(warning));
        QVERIFY(warning.contains(BarcodeEncoder::name(symbology)) && ink.red > 500);
        return;
    }
    QVERIFY2(result.warnings.isEmpty(), qPrintable(result.warnings.join(u'\n')));
    const QBitArray modules = BarcodeEncoder::encode(symbology, data).modules;
    QCOMPARE(ink.red, 0);
    QCOMPARE(ink.box.size(), QSize(2 * int(modules.size()), 80));

    // Human-readable characters above push the bars down; below, they add to the bottom.
    const QImage below = bars(2).images.first();
    QVERIFY(inkOf(bars(1).images.first()).box.bottom() > ink.box.bottom() + 10);
    QVERIFY(inkOf(below).box.top() == ink.box.top());
    QVERIFY(inkOf(below).box.bottom() > ink.box.bottom() + 10);

    if (!CodeReader::zbarAvailable())
        QSKIP("zbarimg is not installed");
    QCOMPARE(CodeReader::zbar(below, {u"-Senable"_s}), QStringList{expect});
}

void TestRenderer::pageDirections_data()
{
    QTest::addColumn<int>("direction"); // ESC T n
    QTest::addColumn<QList<QPoint>>("dots");

    // A print area 64 x 32 dots at (100, 20); three dots, two side by side over one, placed 4
    // dots along its lines with their foot 10 dots across them, land here on the paper.
    QTest::newRow("left to right") << 0 << QList<QPoint>{{104, 28}, {105, 28}, {104, 29}};
    QTest::newRow("bottom to top") << 1 << QList<QPoint>{{108, 47}, {108, 46}, {109, 47}};
    QTest::newRow("right to left") << 2 << QList<QPoint>{{159, 43}, {158, 43}, {159, 42}};
    QTest::newRow("top to bottom") << 3 << QList<QPoint>{{155, 24}, {155, 25}, {154, 24}};
}

void TestRenderer::pageDirections()
{
    QFETCH(int, direction);
    QFETCH(QList<QPoint>, dots);

    const RenderResult result = render("\033L\033W\144\000\024\000\100\000\040\000\033T"_ba
                                       + QByteArray(1, char(direction))
                                       + "\033$\004\000\035$\012\000\035v0\000\001\000\002\000"
                                         "\300\200\014"_ba);
    QCOMPARE(result.warnings, QStringList());
    const QImage &picture = result.images.first();
    QList<QPoint> black;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < Renderer::PaperWidth; ++x) {
            if (qGray(picture.pixel(x, y)) < 128)
                black << QPoint(x - Renderer::PaperMargin, y - Renderer::TopMargin);
        }
    }
    std::sort(dots.begin(), dots.end(), [](QPoint a, QPoint b) {
        return std::pair(a.y(), a.x()) < std::pair(b.y(), b.x());
    });
    QCOMPARE(black, dots);
}

// A thermal head prints black dots or none: every pixel of the paper is black or white,
// whatever the characters' size, style or turn.
void TestRenderer::onlyBlackAndWhite()
{
    const RenderResult result = render(
            "\035!\021Big \033E\001bold\033E\000 \0334\001italic\0334\000\n\035!\000"
            "\035B\001reverse\035B\000 \033V\001turned\033V\000 \035~\001up\n"
            "\033-\002under\033-\000 \310\310\033{\001down\n\035kC\014123456789012"
            "\035(k\003\0001C\004\035(k\006\0001P0ABC\035(k\003\0001Q0\033i"_ba);
    QCOMPARE(result.warnings, QStringList());
    const QImage &picture = result.images.first();
    int black = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < Renderer::PaperWidth; ++x) {
            const QRgb pixel = picture.pixel(x, y);
            // The cut's dashed line below the paper's last row is a note, not print.
            if (y >= picture.height() - 30)
                continue;
            QVERIFY2(pixel == qRgb(0, 0, 0) || pixel == qRgb(255, 255, 255),
                     qPrintable(u"%1 at %2,%3"_s.arg(pixel, 8, 16).arg(x).arg(y)));
            black += pixel == qRgb(0, 0, 0);
        }
    }
    QVERIFY(black > 5000);
}

// 10 m of lines (81,000 dot rows) are drawn whole, their first line and their last.
void TestRenderer::tenMetres()
{
    const RenderResult result = render("first\n"_ba + "line\n"_ba.repeated(2698) + "last\n\033i");
    QCOMPARE(result.warnings, QStringList());
    const QImage &picture = result.images.first();
    QCOMPARE(picture.height(), Renderer::TopMargin + 2700 * 30 + 16 + 28);
    auto inkIn = [&](int top) {
        int count = 0;
        for (int y = top; y < top + 24; ++y) {
            for (int x = 0; x < Renderer::PaperWidth; ++x)
                count += qGray(picture.pixel(x, y)) < 128;
        }
        return count;
    };
    QVERIFY(inkIn(Renderer::TopMargin) > 50);
    QVERIFY(inkIn(Renderer::TopMargin + 2699 * 30) > 50);
    QCOMPARE(inkIn(Renderer::TopMargin + 2700 * 30), 0);
}

// The PNG, four bits a pixel in the receipt palette, reads back as the picture it was written
// from, pixel for pixel: dots, notes, the cut and the margin; and a receipt written as PNG a band
// of rows at a time is that picture too, where its notes and lines stand across bands.
void TestRenderer::pngReadsBack_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray lines
            = "\033x\002\035!\021Big\n\035kC\014123456789012\033p\000\062\372Small\n"_ba;
    QTest::newRow("short") << lines + "\033i"_ba;
    QTest::newRow("across bands") << "\033J\350"_ba + lines + "\033J\377\033J\377"_ba + lines
                                             + "\033d\003\033i"_ba;
    // Rows like the ones above them are sent as copies; a note and the cut stand among them.
    QTest::newRow("letters eight times tall, a long feed")
            << "\035!\167Tall\n\033d\310\035!\000\033t\377after\n\035V\000"_ba;
}

void TestRenderer::pngReadsBack()
{
    QFETCH(QByteArray, bytes);
    Interpreter interpreter;
    interpreter.feed(bytes);
    const Renderer renderer;
    const Receipt &receipt = interpreter.receipts().first();
    const QImage picture = renderer.renderReceipt(receipt);
    QBuffer whole;
    QVERIFY(whole.open(QIODevice::WriteOnly));
    QVERIFY(Renderer::writePng(picture, &whole));
    QBuffer banded;
    QVERIFY(banded.open(QIODevice::WriteOnly));
    QVERIFY(renderer.writeReceiptPng(receipt, &banded));
    for (const QByteArray &png : {whole.data(), banded.data()}) {
        const QImage read = QImage::fromData(png, "PNG");
        QCOMPARE(read.size(), picture.size());
        QCOMPARE(read.convertToFormat(QImage::Format_RGB32),
                 picture.convertToFormat(QImage::Format_RGB32));
    }
}

// Pictures in palettes of every depth read back index for index, whatever their width: rows the
// caller says are like the one before, runs, noise, and rows too wide to be matched with the
// row above (more than the 32 KiB a deflate stream may reach back).
void TestRenderer::pngOfAnyPalette_data()
{
    QTest::addColumn<int>("colours");
    QTest::addColumn<int>("width");

    QTest::newRow("1 bit, one pixel wide") << 2 << 1;
    QTest::newRow("2 bits, two wide") << 3 << 2;
    QTest::newRow("4 bits, odd width") << 16 << 811;
    QTest::newRow("8 bits, a row of 258 and two") << 200 << 259;
    QTest::newRow("8 bits, wider than the window") << 256 << 40000;
}

void TestRenderer::pngOfAnyPalette()
{
    QFETCH(int, colours);
    QFETCH(int, width);

    QList<QRgb> palette;
    for (int i = 0; i < colours; ++i)
        palette.append(qRgb(i, 255 - i, (i * 37) % 256));
    // Rows in kinds by y: a run of one colour, noise, the row before again (given, or as
    // nullptr), and a row that differs from the one above in one pixel.
    QImage expected(width, 60, QImage::Format_Indexed8);
    expected.setColorTable(palette);
    quint32 noise = 12345;
    for (int y = 0; y < expected.height(); ++y) {
        uchar *row = expected.scanLine(y);
        switch (y % 5) {
        case 0:
            std::memset(row, y % colours, size_t(width));
            break;
        case 1:
            for (int x = 0; x < width; ++x)
                row[x] = uchar((noise = noise * 1103515245 + 12345) >> 16) % colours;
            break;
        case 4:
            std::memcpy(row, expected.constScanLine(y - 1), size_t(width));
            row[width / 2] = uchar((row[width / 2] + 1) % colours);
            break;
        default:
            std::memcpy(row, expected.constScanLine(y - 1), size_t(width));
        }
    }
    QBuffer png;
    QVERIFY(png.open(QIODevice::WriteOnly));
    QVERIFY(PngWriter::write(
            expected.size(),
            palette,
            [&expected](int y) -> const uchar * {
                return y % 5 == 3 ? nullptr : expected.constScanLine(y);
            },
            &png));
    const QImage read = QImage::fromData(png.data(), "PNG");
    QCOMPARE(read.size(), expected.size());
    QCOMPARE(read.convertToFormat(QImage::Format_RGB32),
             expected.convertToFormat(QImage::Format_RGB32));
}

QTEST_MAIN(TestRenderer)
#include "tst_renderer.moc"
