#include "Interpreter.h"
#include "ReceiptComparison.h"
#include "ReceiptJson.h"
#include "ReceiptText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace emulator;

// Receipts as data: what the JSON says of each thing printed, and how two documents differ.
class TestReceiptJson : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void model_data();
    void model();
    void sameBytesSameDocument();
    void transcript();
    void differences_data();
    void differences();
    void reportIsCut();
};

namespace {

QList<Receipt> printed(const QByteArray &bytes)
{
    Interpreter interpreter;
    interpreter.feed(bytes);
    interpreter.finish();
    return interpreter.receipts();
}

QJsonObject document(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(ReceiptJson::write(printed(bytes)), &error);
    return error.error == QJsonParseError::NoError ? json.object() : QJsonObject();
}

QString at(const QJsonObject &item)
{
    return u"%1,%2 %3x%4"_s.arg(item[u"x"].toInt())
            .arg(item[u"y"].toInt())
            .arg(item[u"width"].toInt())
            .arg(item[u"height"].toInt());
}

// An item in short: what it shows, where, and what of its style is not the default.
QString itemShortly(const QJsonObject &item)
{
    const QString type = item[u"type"].toString();
    const QString data = u"\"%1\""_s.arg(item[u"data"].toString());
    if (type == u"text") {
        QString text = u"\"%1\" %2"_s.arg(item[u"text"].toString(), at(item));
        if (item[u"font"].toString() != u"A")
            text += u' ' + item[u"font"].toString();
        for (const QString &flag :
             {u"bold"_s, u"reverse"_s, u"upside_down"_s, u"rotated"_s, u"italic"_s}) {
            if (item[flag].toBool())
                text += u' ' + flag;
        }
        if (item[u"underline"].toInt() > 0)
            text += u" underline %1"_s.arg(item[u"underline"].toInt());
        if (item[u"scale_w"].toInt() != 1 || item[u"scale_h"].toInt() != 1)
            text += u" %1x%2"_s.arg(item[u"scale_w"].toInt()).arg(item[u"scale_h"].toInt());
        if (item.contains(u"script"))
            text += u' ' + item[u"script"].toString();
        return text;
    }
    if (type == u"barcode") {
        return u"%1 %2 %3 %4"_s.arg(
                item[u"symbology"].toString(), data, item[u"hri"].toString(), at(item));
    }
    if (type == u"code2d") {
        const QString hex = item.contains(u"data_hex") ? u" hex "_s + item[u"data_hex"].toString()
                                                       : QString();
        return u"%1 %2%3 %4"_s.arg(item[u"symbology"].toString(), data, hex, at(item));
    }
    if (type == u"image")
        return u"image %1 %2"_s.arg(at(item), item[u"sha256"].toString());
    return u"%1 %2"_s.arg(type).arg(item[u"times"].toInt());
}

// Each receipt as "#number height cut", its lines as "| text", its items and warnings.
QStringList shortly(const QJsonObject &json)
{
    QStringList out;
    for (const auto &value : json[u"receipts"].toArray()) {
        const QJsonObject receipt = value.toObject();
        out << u"#%1 %2 %3"_s.arg(receipt[u"number"].toInt())
                        .arg(receipt[u"height"].toInt())
                        .arg(receipt[u"cut"].toString());
        for (const auto &line : receipt[u"lines"].toArray())
            out << u"| "_s + line.toString();
        for (const auto &item : receipt[u"items"].toArray())
            out << itemShortly(item.toObject());
        for (const auto &warning : receipt[u"warnings"].toArray())
            out << u"! "_s + warning.toString();
    }
    return out;
}

// 8 x 1 dots, all black, as a PBM file: "P4\n8 1\n\xff".
const QString EightBlack = u"c91a5d8812f79295c10d77ca3fad560aa308ee34f932c34cc3754035b9ea4c05"_s;
// 2 x 8 dots, the first column's top dot and the second column's bottom dot.
const QString TwoColumns = u"6a6940f544259b6778f529d008eb8ed3f3fba52952b24269483905c17f83ede8"_s;

} // namespace

void TestReceiptJson::model_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("centred in an odd area, whole dots")
            << "\035W\077\002\033a\001A\n"_ba
            << QStringList{u"#1 30 none"_s, u"| A"_s, u"\"A\" 281,0 12x24"_s};
    QTest::newRow("right within GS L")
            << "\035L\100\000\033a\002AB\n"_ba
            << QStringList{u"#1 30 none"_s, u"| AB"_s, u"\"AB\" 552,0 24x24"_s};
    QTest::newRow("underlined spaces print")
            << "\033-\001 A \n"_ba
            << QStringList{u"#1 30 none"_s, u"|  A"_s, u"\" A \" 0,0 36x24 underline 1"_s};
    QTest::newRow("reverse") << "\035B\001 A\035B\000 B \n"_ba
                             << QStringList{u"#1 30 none"_s,
                                            u"|  A B"_s,
                                            u"\" A\" 0,0 24x24 reverse"_s,
                                            u"\"B\" 36,0 12x24"_s};
    QTest::newRow("QR data not UTF-8")
            << "\033a\002\035(k\005\0001P0\310\310\035(k\003\0001Q0"_ba
            << QStringList{u"#1 63 none"_s, u"QR \"\uFFFD\uFFFD\" hex c8c8 513,0 63x63"_s};
    QTest::newRow("image hash the same at every scale")
            << "\035v0\000\001\000\001\000\377\035v0\003\001\000\001\000\377"_ba
            << QStringList{u"#1 3 none"_s,
                           u"image 0,0 8x1 "_s + EightBlack,
                           u"image 0,1 16x2 "_s + EightBlack};
    QTest::newRow("buzzer") << "\033B\002\001"_ba << QStringList{u"#1 0 none"_s, u"beep 2"_s};
    QTest::newRow("bit image in a line") << "A\033*\000\002\000\200\001\n"_ba
                                         << QStringList{u"#1 30 none"_s,
                                                        u"| A"_s,
                                                        u"\"A\" 0,0 12x24"_s,
                                                        u"image 12,0 4x24 "_s + TwoColumns};
    QTest::newRow("page after a line, a picture on its first line")
            << "A\n\033L\033W\000\000\000\000\100\000\040\000\035v0\000\001\000\001\000\377\014"_ba
            << QStringList{u"#1 62 none"_s,
                           u"| A"_s,
                           u"\"A\" 0,0 12x24"_s,
                           u"image 0,30 8x1 "_s + EightBlack};
}

void TestReceiptJson::model()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);

    const QJsonObject json = document(bytes);
    QCOMPARE(json[u"format"].toString(), u"virtual-printer-receipts"_s);
    QCOMPARE(json[u"version"].toInt(), 1);
    QCOMPARE(shortly(json), expected);
}

void TestReceiptJson::sameBytesSameDocument()
{
    // The fixtures' goldens hold the documents of 80 mm paper byte for byte.
    Interpreter narrow(PrinterProfile{.paperDots = PaperDots58});
    narrow.feed("A\n");
    QVERIFY(ReceiptJson::write(narrow.receipts(), PaperDots58)
                    .contains("\"paper\": { \"width_mm\": 58, \"dots\": 384, \"dpi\": 203 }"));
    QCOMPARE(ReceiptJson::write({}),
             "{\n  \"format\": \"virtual-printer-receipts\",\n  \"version\": 1,\n"
             "  \"paper\": { \"width_mm\": 80, \"dots\": 576, \"dpi\": 203 },\n"
             "  \"receipts\": []\n}\n"_ba);
}

void TestReceiptJson::transcript()
{
    // ESC $ 256: 196 dots after "Total", 16 spaces of font A.
    QCOMPARE(
            ReceiptText::transcript(printed("Total\033$\000\001$3.50\n\033iB\035V1\n\033d\002"_ba)),
            "Total                $3.50\n--- full cut ---\nB\n--- partial cut ---\n\n"
            "--- end ---\n"_ba);
}

void TestReceiptJson::differences_data()
{
    QTest::addColumn<QByteArray>("golden");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("strict");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("same") << "A\n\033i"_ba
                          << "A\n\033i"_ba << true << QStringList{};
    QTest::newRow("a price") << "Total 4.00\n"_ba
                             << "Total 4.50\n"_ba << false
                             << QStringList{u"receipt 1, line 1: expected \"Total 4.00\", got"
                                            " \"Total 4.50\""_s,
                                            u"receipt 1, item 1 (text \"Total 4.00\"): text"
                                            " expected \"Total 4.00\", got \"Total 4.50\""_s};
    QTest::newRow("a line more")
            << "A\nB\n"_ba
            << "A\nX\nB\n"_ba << false
            << QStringList{u"receipt 1: height expected 60, got 90"_s,
                           u"receipt 1, line 2: printed \"X\", not expected"_s,
                           u"receipt 1, item 2 (text \"X\"): printed, not expected"_s,
                           u"receipt 1, item 2 (text \"B\"): y expected 30, got 60"_s};
    QTest::newRow("style") << "\033E\001A\n"_ba
                           << "A\n"_ba << false
                           << QStringList{u"receipt 1, item 1 (text \"A\"): bold expected true,"
                                          " got false"_s};
    QTest::newRow("barcode data")
            << "\035kC\014123456789012"_ba
            << "\035kC\014123456789013"_ba << false
            << QStringList{u"receipt 1, item 1 (barcode EAN-13 \"1234567890128\"): data expected"
                           " \"1234567890128\", got \"1234567890135\""_s};
    QTest::newRow("cut") << "A\n\033i"_ba
                         << "A\n\033m"_ba << false
                         << QStringList{u"receipt 1: cut expected \"full\", got \"partial\""_s};
    QTest::newRow("a receipt less")
            << "A\n\033iB\n"_ba
            << "A\n\033i"_ba << false << QStringList{u"receipt 2: expected, not printed"_s};
    QTest::newRow("a receipt more")
            << "A\n\033i"_ba
            << "A\n\033iB\nC\n"_ba << false
            << QStringList{u"receipt 2: printed, not expected (2 lines, 2 items)"_s};
    QTest::newRow("warnings ignored") << "A\n"_ba
                                      << "\000A\n"_ba << false << QStringList{};
    QTest::newRow("warnings, strict")
            << "A\n"_ba
            << "\000A\n"_ba << true
            << QStringList{u"receipt 1, warning 1: given \"NUL ignored\", not expected"_s};
}

void TestReceiptJson::differences()
{
    QFETCH(QByteArray, golden);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, strict);
    QFETCH(QStringList, expected);

    QCOMPARE(vprinter::ReceiptComparison::differences(document(golden), document(bytes), strict),
             expected);
}

void TestReceiptJson::reportIsCut()
{
    QStringList many;
    for (int i = 1; i <= 30; ++i)
        many << u"difference %1"_s.arg(i);
    const QStringList report = vprinter::ReceiptComparison::report(u"g.json"_s, many);
    QCOMPARE(report.size(), 20);
    QCOMPARE(report.first(), u"30 difference(s) from g.json:"_s);
    QCOMPARE(report.at(18), u"difference 18"_s);
    QCOMPARE(report.last(), u"… and 12 more"_s);
    QCOMPARE(vprinter::ReceiptComparison::report(u"g.json"_s, many.first(19)).size(), 20);

    QJsonObject read;
    QString error;
    QVERIFY(!vprinter::ReceiptComparison::read("{\"format\": \"x\"}", &read, &error));
    QVERIFY(!vprinter::ReceiptComparison::read("not json", &read, &error));
    QVERIFY(error.startsWith(u"not JSON"));
    QVERIFY(!vprinter::ReceiptComparison::read(
            "{\"format\": \"virtual-printer-receipts\", \"version\": 2, \"receipts\": []}",
            &read,
            &error));
    QCOMPARE(error, u"receipt format version 2; this program reads version 1"_s);
}

QTEST_GUILESS_MAIN(TestReceiptJson)
#include "tst_receiptjson.moc"
