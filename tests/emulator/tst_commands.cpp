#include "Shorthand.h"
#include "SymbolEncoder.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace emulator;

// Every command: the bytes it takes, what the log calls it, what it prints and what it answers,
// whatever pieces its bytes arrive in.
class TestCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lengths_data();
    void lengths();
    void pdf417Ratio_data();
    void pdf417Ratio();
};

void TestCommands::lengths_data()
{
    QTest::addColumn<QByteArray>("command"); // in hex; "Z" and LF follow it
    QTest::addColumn<QString>("name");       // in the log
    QTest::addColumn<QString>("printed");
    QTest::addColumn<QByteArray>("replies"); // in hex

    auto row = [](const char *tag,
                  const char *hex,
                  const char *name,
                  const char *printed = "",
                  const char *replies = "") {
        QTest::newRow(tag) << QByteArray::fromHex(hex) << QString::fromUtf8(name)
                           << QString::fromUtf8(printed) << QByteArray(replies);
    };
    // One row for each shape of command (no parameter, one, two, NUL-ended, counted by pL pH,
    // data sized by its header) and each command that prints, answers or warns that neither the
    // fixtures' goldens nor the interpreter's table already cover: a setting with the shape of
    // another row shows its length there.
    // clang-format off
    // The line and the paper.
    row("GS V 1", "1d5601", "partial cut", "/partial");
    row("GS V 48", "1d5630", "full cut", "/full");
    row("GS V 97 n", "1d566105", "full cut", "F:5|/full");
    row("GS V 98 n", "1d566205", "partial cut", "F:5|/partial");
    row("GS V 5", "1d5605", "select cut mode", "#cut mode out of range");
    row("GS FF", "1d0c", "feed marked paper", "M");
    row("ESC ( A", "1b28410300300102", "buzzer", "Z:2");
    row("GS ( K 50", "1d284b02003203", "select print speed", "N:speed: 3");
    row("GS :", "1d3a", "macro definition", "#macro not stored; its commands act at once");
    row("GS ^", "1d5e010000", "execute macro", "#macro not run");
    // Characters.
    row("ESC r", "1b7201", "select print color", "#second colour printed black");
    QTest::newRow("FS 2") << "\034\062\241\241"_ba + QByteArray(72, '\0')
                          << u"define user-defined Chinese character"_s
                          << u"#user-defined Chinese character not drawn"_s << QByteArray();
    row("FS ( A", "1c284102003000", "select Kanji character font");
    // Pictures.
    row("GS * and GS /", "1d2a0201" "ffffffffffffffff" "ffffffffffffffff" "1d2f03",
        "print downloaded bit image", "P:downloaded bit image:16x8*2,2"); // x 2, y 1: not square
    row("GS /", "1d2f00", "print downloaded bit image",
        "#downloaded bit image printed before one was defined");
    row("FS q and FS p", "1c710102000100" "00000000000000000000000000000000" "1c700100",
        "print NV bit image", "P:NV bit image 1:16x8*1,1");
    row("FS p 0", "1c710101000100" "0000000000000000" "1c700000", "print NV bit image",
        "#NV bit image printed that is not defined");
    row("GS 8 L 112 and 50", "1d384c0b000000307030020131080001 00ff1d384c020000003032",
        "graphics: store the graphics data in the print buffer", "P:graphics:8x1*2,1");
    row("GS ( L 67 and 69", "1d284c0c003043304141010800010031ff1d284c0600304541410102",
        "graphics: print the specified NV graphics data", "P:stored graphics:8x1*1,2");
    row("GS ( L 48", "1d284c02003030", "graphics: transmit the NV graphics memory capacity",
        "#graphics information request not answered");
    // Two-dimensional codes.
    row("GS ( k Aztec", "1d286b04003542300" "01d286b03003545171d286b03003543051d286b060035503041"
                        "42431d286b0300355130",
        "Aztec code: print the symbol", "P:Aztec code*5,5");
    row("GS ( k composite", "1d286b0b0034503030413132333435361d286b0d003450303141283231"
                            "29313233341d286b0300345130",
        "composite symbol: print the symbol", "P:composite symbol*1,1");
    row("GS ( k unknown", "1d286b03003a4130", "two-dimensional code",
        "#two-dimensional code of an unknown kind");
    // Status and answers.
    row("DLE EOT 8", "10040801", "real-time status: peeler", "", "12");
    row("DLE EOT 18", "10041201", "real-time status: interface", "", "12");
    row("DLE DC4 7", "10140701", "transmit specified status in real time", "", "10000000");
    row("DLE DC4 8", "10140801031401060208", "clear buffer(s)");
    row("GS r 2", "1d7202", "transmit status: drawer", "", "00");
    row("GS r 4", "1d7204", "transmit status: ink", "", "00");
    row("ESC v", "1b76", "transmit paper sensor status", "", "00");
    row("ESC u", "1b7500", "transmit peripheral device status", "", "00");
    row("GS j 1", "1d6a01", "automatic status back for ink",
        "#ink status back not sent: this printer has no ink");
    row("GS I 65", "1d4941", "printer ID: firmware version", "", "5f312e303000");
    row("GS I 67", "1d4943", "printer ID: model name", "",
        "5f5669727475616c205072696e746572203830" "00");
    row("GS I 69", "1d4945", "printer ID: font of language", "", "5f4348494e412047423138303330" "00");
    row("GS g 2 20", "1d6732001400", "transmit maintenance counter", "", "5f3000");
    row("GS g 2 50 after a cut", "1b691d6732003200", "transmit maintenance counter", "/full",
        "5f3100");
    row("GS g 0 50", "1b691d6730003200" "1d6732003200" "1d673200b200",
        "maintenance counter", "/full", "5f3000" "5f3100");
    row("GS g 2 1", "1d6732000100", "transmit maintenance counter",
        "#maintenance counter 1 unknown");
    row("GS ( E 1", "1d2845030001494e", "change into the user setting mode", "", "372000");
    row("GS ( E 3 and 4", "1d28450a000301303030303030303" "11d284502000401",
        "transmit the settings of the memory switch", "", "37213030303030303031" "00");
    row("GS ( E 2", "1d284504000 24f5554", "end the user setting mode session");
    row("GS ( H 48", "1d284806003030414243 44", "process ID", "", "37224142434400");
    row("GS ( A", "1d2841020000 02", "execute test print", "N:test print");
    row("FS g 1", "1c67310000000000030041 4243", "write to NV user memory");
    row("FS g 2", "1c673200000000000300", "read from NV user memory",
        "#NV user memory read not answered");
    // Page mode's positions, sent in standard mode.
    row("GS $", "1d240a00", "set absolute vertical print position",
        "#vertical position outside page mode ignored");
    row("GS \\", "1d5c0a00", "set relative vertical print position",
        "#vertical position outside page mode ignored");
    // Commands this printer does not know: ESC ( and its kin carry their length.
    row("ESC ( Z", "1b285a0200010 2", "extended ESC ( function",
        "#command of an unknown function skipped by its length");
    // clang-format on
}

// Each row is fed whole, byte by byte and in two pieces split at every offset; the "Z" after
// it must be the next thing the printer reads.
void TestCommands::lengths()
{
    QFETCH(QByteArray, command);
    QFETCH(QString, name);
    QFETCH(QString, printed);
    QFETCH(QByteArray, replies);

    const QByteArray bytes = command + "Z\n";
    const Fed whole = Shorthand::feed({bytes});
    QVERIFY2(whole.log.size() >= 3, qPrintable(QString::number(whole.log.size())));
    QCOMPARE(whole.log[whole.log.size() - 2].bytes, "Z"_ba);
    QVERIFY2(std::any_of(whole.log.cbegin(),
                         whole.log.cend() - 2,
                         [&](const CommandRecord &r) { return r.description.contains(name); }),
             qPrintable(whole.log.first().description));
    QCOMPARE(Shorthand::receipts(whole.receipts, Shorthand::Detail::Brief), printed);
    QCOMPARE(whole.replies.toHex(), replies);

    for (const QList<QByteArrayView> &pieces : Shorthand::pieces(bytes))
        QVERIFY2(Shorthand::feed(pieces) == whole, qPrintable(Shorthand::howFed(pieces)));
}

// GS ( k fn 69 m 49: error correction codewords as tenths of the data codewords, rounded up to
// a level: 3 or fewer take level 1, 10 level 2, 20 level 3, 45 level 4, 100 level 5, 200
// level 6, 400 level 7, more level 8. "Testing 123" is about 8 data codewords, 300 bytes 252.
void TestCommands::pdf417Ratio_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("tenths");
    QTest::addColumn<int>("level");

    QTest::newRow("7 x 10 %") << "Testing 123"_ba << 1 << 1;
    QTest::newRow("7 x 50 %") << "Testing 123"_ba << 5 << 2;
    QTest::newRow("7 x 400 %") << "Testing 123"_ba << 40 << 4;
    QTest::newRow("252 x 10 %") << QByteArray(300, '\x81') << 1 << 4;
    QTest::newRow("252 x 100 %") << QByteArray(300, '\x81') << 10 << 7;
    QTest::newRow("252 x 400 %") << QByteArray(300, '\x81') << 40 << 8;
}

void TestCommands::pdf417Ratio()
{
    QFETCH(QByteArray, data);
    QFETCH(int, tenths);
    QFETCH(int, level);

    QCOMPARE(SymbolEncoder::pdf417Level(data, tenths), level);
}

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
