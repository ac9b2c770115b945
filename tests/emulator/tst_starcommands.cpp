#include "CodeReader.h"
#include "Interpreter.h"
#include "ReceiptJson.h"
#include "Renderer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace emulator;

// Star Line mode, StarPRNT and StarGraphic jobs as the client libraries write them, read beside
// the same documents in ESC/POS.
class TestStarCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void goldens_data();
    void goldens();
    void sameDocument_data();
    void sameDocument();
    void recognisesEveryFixture();
    void forcedSetWarnsOnce();
    void readsEachJobInItsSet();
    void status_data();
    void status();
};

namespace {

struct Read
{
    QJsonArray receipts;
    QByteArray json;
    QImage picture;
    QList<CommandRecord> log;
};

QByteArray fixture(const QString &name)
{
    QFile file(QStringLiteral(FIXTURES_DIR "/") + name + u".bin"_s);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Read read(const QByteArray &bytes, std::optional<CommandSetKind> emulation = std::nullopt)
{
    Interpreter interpreter(PrinterProfile{.emulation = emulation});
    Read result;
    QObject::connect(
            &interpreter, &Interpreter::commandDecoded, [&result](auto r) { result.log << r; });
    interpreter.feed(bytes);
    interpreter.endJob();
    result.json = ReceiptJson::write(interpreter.receipts());
    result.receipts = QJsonDocument::fromJson(result.json).object().value(u"receipts").toArray();
    static const Renderer renderer;
    result.picture = Renderer::stack(renderer.render(interpreter.receipts()).images);
    return result;
}

QJsonArray textItems(const QJsonArray &receipts)
{
    QJsonArray texts;
    for (const auto &receipt : receipts) {
        for (const auto &item : receipt[u"items"].toArray()) {
            if (item[u"type"].toString() == u"text")
                texts.append(item);
        }
    }
    return texts;
}

// The lines with text: the sets print codes and images in other ways (a block of its own, or
// bands of 24 rows each in a line of their own), which leaves other blank lines.
QStringList lines(const QJsonArray &receipts)
{
    QStringList all;
    for (const auto &receipt : receipts) {
        for (const auto &line : receipt[u"lines"].toArray()) {
            if (!line.toString().trimmed().isEmpty())
                all << line.toString();
        }
    }
    return all;
}

} // namespace

void TestStarCommands::goldens_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("commandSet");
    for (const char *file : {"receiptprinterencoder_document_star-prnt",
                             "receiptprinterencoder_document_star-line",
                             "receiptprinterencoder_document_esc-pos",
                             "receiptline_table_starprnt",
                             "receiptline_table_starline",
                             "receiptline_codes_starprnt",
                             "receiptline_codes_starline",
                             "receiptline_codes_escpos",
                             "receiptline_japanese_starmbcs",
                             "nodethermalprinter_star",
                             "stargraphic_checkerboard"}) {
        const QString name = QString::fromLatin1(file);
        QTest::newRow(file) << name
                            << (name.endsWith(u"esc-pos") || name.endsWith(u"escpos")
                                        ? u"escpos"_s
                                        : u"star-line"_s);
    }
}

// Each receipt as it printed when its golden was checked in: a change of reading shows as a
// difference to review.
void TestStarCommands::goldens()
{
    QFETCH(QString, file);
    QFETCH(QString, commandSet);
    const Read printed = read(fixture(file));
    QVERIFY(!printed.receipts.isEmpty());
    for (const auto &receipt : printed.receipts) {
        QCOMPARE(receipt[u"command_set"].toString(), commandSet);
        QCOMPARE(receipt[u"warnings"].toArray(), QJsonArray());
    }
    QFile golden(QStringLiteral(GOLDEN_DIR "/") + file + u".json"_s);
    QVERIFY2(golden.open(QIODevice::ReadOnly), qPrintable(golden.fileName()));
    QCOMPARE(printed.json, golden.readAll());
}

void TestStarCommands::sameDocument_data()
{
    QTest::addColumn<QString>("escpos");
    QTest::addColumn<QString>("star");
    // Both set the same line feed and print nothing of other heights, so rows match too.
    QTest::addColumn<bool>("sameFeeds");
    QTest::addColumn<QStringList>("codes");
    const QStringList encoderCodes{u"EAN-13:3130630574613"_s,
                                   u"QR-Code:https://example.com/receipt/42"_s};
    const QStringList receiptlineCodes{
            u"CODE-128:RL-128"_s, u"EAN-13:4901234567894"_s, u"QR-Code:https://example.com/r/7"_s};
    QTest::newRow("receipt-printer-encoder, StarPRNT")
            << u"receiptprinterencoder_document_esc-pos"_s
            << u"receiptprinterencoder_document_star-prnt"_s << false << encoderCodes;
    QTest::newRow("receipt-printer-encoder, Star Line")
            << u"receiptprinterencoder_document_esc-pos"_s
            << u"receiptprinterencoder_document_star-line"_s << false << encoderCodes;
    QTest::newRow("receiptline table, StarPRNT")
            << u"receiptline_table"_s << u"receiptline_table_starprnt"_s << true << QStringList{};
    QTest::newRow("receiptline table, Star Line")
            << u"receiptline_table"_s << u"receiptline_table_starline"_s << true << QStringList{};
    QTest::newRow("receiptline codes, StarPRNT")
            << u"receiptline_codes_escpos"_s << u"receiptline_codes_starprnt"_s << false
            << receiptlineCodes;
    QTest::newRow("receiptline codes, Star Line")
            << u"receiptline_codes_escpos"_s << u"receiptline_codes_starline"_s << false
            << receiptlineCodes;
}

// One document, two command sets: the same lines, the same codes read back from the pictures,
// and each piece of text at the same place.
void TestStarCommands::sameDocument()
{
    QFETCH(QString, escpos);
    QFETCH(QString, star);
    QFETCH(bool, sameFeeds);
    QFETCH(QStringList, codes);
    const Read a = read(fixture(escpos));
    const Read b = read(fixture(star));

    // receiptline draws ESC/POS rules with code table 1's rounded corners, Star's with PC437's
    // square ones: the library sends other characters, which print as sent.
    QStringList expected = lines(a.receipts);
    for (QString &line : expected) {
        line.replace(u'╭', u'┌').replace(u'╮', u'┐').replace(u'╰', u'└').replace(u'╯', u'┘');
    }
    QCOMPARE(lines(b.receipts), expected);

    const QJsonArray textA = textItems(a.receipts);
    const QJsonArray textB = textItems(b.receipts);
    QCOMPARE(textB.size(), textA.size());
    for (qsizetype i = 0; i < textA.size(); ++i) {
        const QString where = u"%1 at %2"_s.arg(textA[i][u"text"].toString()).arg(i);
        QVERIFY2(qAbs(textA[i][u"x"].toInt() - textB[i][u"x"].toInt()) <= 2, qPrintable(where));
        QCOMPARE(textB[i][u"width"].toInt(), textA[i][u"width"].toInt());
        if (sameFeeds)
            QVERIFY2(qAbs(textA[i][u"y"].toInt() - textB[i][u"y"].toInt()) <= 2, qPrintable(where));
    }

    if (!codes.isEmpty()) {
        QStringList readA = CodeReader::zbar(a.picture);
        QStringList readB = CodeReader::zbar(b.picture);
        readA.sort();
        readB.sort();
        for (const QString &code : codes)
            QVERIFY2(readA.contains(code) && readB.contains(code), qPrintable(code));
        QCOMPARE(readB, readA);
    }
}

// auto reads every ESC/POS fixture as ESC/POS and every Star fixture as Star.
void TestStarCommands::recognisesEveryFixture()
{
    const QStringList files = QDir(QStringLiteral(FIXTURES_DIR)).entryList({u"*.bin"_s});
    QVERIFY(files.size() > 25);
    for (const QString &file : files) {
        const bool star = file.contains(u"star") && !file.contains(u"esc-pos")
                          && !file.contains(u"escpos");
        const Read printed = read(fixture(file.chopped(4)));
        for (const auto &receipt : printed.receipts) {
            QVERIFY2(receipt[u"command_set"].toString().startsWith(u"star") == star,
                     qPrintable(file));
        }
    }
}

void TestStarCommands::forcedSetWarnsOnce()
{
    const Read printed = read(fixture(u"escpos-php_receipt-with-logo"_s), CommandSetKind::StarLine);
    int warned = 0;
    for (const CommandRecord &record : printed.log) {
        if (record.description.startsWith(u"this job looks like ESC/POS"))
            ++warned;
    }
    QCOMPARE(warned, 1);
    QVERIFY(printed.receipts.first()[u"warnings"].toArray().contains(
            u"this job looks like ESC/POS; the printer is set to Star Line mode"_s));
}

// On one printer, a Star job between ESC/POS jobs: each receipt in its own set, each change
// logged once.
void TestStarCommands::readsEachJobInItsSet()
{
    Interpreter interpreter;
    QStringList changes;
    QObject::connect(&interpreter, &Interpreter::commandDecoded, [&changes](auto r) {
        if (r.description.startsWith(u"job read as"))
            changes << r.description;
    });
    for (const char *file :
         {"receiptline_table", "receiptline_table_starprnt", "receiptline_table"}) {
        interpreter.feed(fixture(QString::fromLatin1(file)));
        interpreter.endJob();
    }
    QStringList sets;
    for (const Receipt &receipt : interpreter.receipts()) {
        if (!receipt.isEmpty())
            sets << commandSetId(receipt.commandSet);
    }
    QCOMPARE(sets, (QStringList{u"escpos"_s, u"star-line"_s, u"escpos"_s}));
    QCOMPARE(changes,
             (QStringList{u"job read as Star Line mode: ESC RS a is a command only it has"_s,
                          u"job read as ESC/POS: GS a is a command only it has"_s}));
}

void TestStarCommands::status_data()
{
    QTest::addColumn<QByteArray>("job");      // fed first
    QTest::addColumn<QByteArray>("answered"); // what the job answers
    QTest::addColumn<StatusConditions>("conditions");
    QTest::addColumn<QByteArray>("reply"); // ESC ACK SOH: nine bytes
    auto with = [](bool StatusConditions::*flag) {
        StatusConditions conditions;
        conditions.*flag = true;
        return conditions;
    };
    QTest::newRow("ready") << QByteArray() << QByteArray() << StatusConditions{}
                           << "230600000000000000"_ba;
    QTest::newRow("cover open") << QByteArray() << QByteArray()
                                << with(&StatusConditions::coverOpen) << "230628000000000000"_ba;
    QTest::newRow("paper empty") << QByteArray() << QByteArray()
                                 << with(&StatusConditions::paperEnd) << "230608000008000000"_ba;
    QTest::newRow("paper near end")
            << QByteArray() << QByteArray() << with(&StatusConditions::paperNearEnd)
            << "230600000004000000"_ba;
    QTest::newRow("near end") << QByteArray() << QByteArray() << with(&StatusConditions::nearEnd)
                              << "230600000004000000"_ba;
    QTest::newRow("cutter error") << QByteArray() << QByteArray()
                                  << with(&StatusConditions::cutterError)
                                  << "230608080000000000"_ba;
    QTest::newRow("paper jam") << QByteArray() << QByteArray()
                               << with(&StatusConditions::paperJamAtExit)
                               << "230608040000000000"_ba;
    QTest::newRow("voltage") << QByteArray() << QByteArray()
                             << with(&StatusConditions::voltageOutOfRange)
                             << "230608200000000000"_ba;
    QTest::newRow("RAM error") << QByteArray() << QByteArray() << with(&StatusConditions::ramError)
                               << "230608200000000000"_ba;
    QTest::newRow("EEPROM error") << QByteArray() << QByteArray()
                                  << with(&StatusConditions::eepromError)
                                  << "230608200000000000"_ba;
    QTest::newRow("drawer switch")
            << QByteArray() << QByteArray() << with(&StatusConditions::drawerPinHigh)
            << "230604000000000000"_ba;
    // The ETB counter in the eighth byte: bits 1-3 and 5-6 hold its bits 0-4, 0-31 round.
    QTest::newRow("ETB counted") << "\x17\x17\x17\x17\x17\x17\x17\x17\x17\x17\x17"_ba
                                 << QByteArray() << StatusConditions{} << "230600000000002600"_ba;
    QTest::newRow("ETB counter round") << "\x17"_ba.repeated(33) << QByteArray()
                                       << StatusConditions{} << "230600000000000200"_ba;
    QTest::newRow("ETB counter cleared")
            << "\x17\x17\x1b\x1e"
               "E0"_ba
            << QByteArray() << StatusConditions{} << "230600000000000000"_ba;
    // ESC GS ETX s n1 n2: 0 sends the counter, 1 counts and sends, 2 clears; each sent after
    // the command itself and ended by NUL.
    QTest::newRow("print end counter")
            << "\x1b\x1d\x03\x01\x07\x00\x1b\x1d\x03\x01\x08\x00\x1b\x1d\x03\x00\x00\x00"
               "\x1b\x1d\x03\x02\x00\x00\x1b\x1d\x03\x00\x00\x00"_ba
            << "1b1d030107000100"
               "1b1d030108000200"
               "1b1d030000000200"
               "1b1d030000000000"_ba
            << StatusConditions{} << "230600000000000000"_ba;
}

// ESC ACK SOH answers at once; with ESC RS a 1 a change is sent by itself.
void TestStarCommands::status()
{
    QFETCH(QByteArray, job);
    QFETCH(QByteArray, answered);
    QFETCH(StatusConditions, conditions);
    QFETCH(QByteArray, reply);
    Interpreter interpreter(PrinterProfile{.emulation = CommandSetKind::StarPrnt});
    QByteArray replies;
    QObject::connect(&interpreter, &Interpreter::replyReady, [&replies](auto r) { replies += r; });
    interpreter.feed(job);
    QCOMPARE(replies.toHex(), answered);
    replies.clear();
    interpreter.setStatus(conditions);
    interpreter.feed("\x1b\x06\x01");
    QCOMPARE(replies.toHex(), reply);
    if (!job.isEmpty())
        return;

    replies.clear();
    interpreter.setStatus({});
    interpreter.feed("\x1b\x1e"
                     "a\x01");
    QCOMPARE(replies.toHex(), "230600000000000000"_ba);
    replies.clear();
    interpreter.setStatus(conditions);
    QCOMPARE(replies.toHex(), conditions == StatusConditions{} ? QByteArray() : reply);
}

QTEST_MAIN(TestStarCommands)
#include "tst_starcommands.moc"
