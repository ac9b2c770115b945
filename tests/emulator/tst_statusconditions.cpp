#include "StatusConditions.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Status = emulator::StatusConditions;

// What the printer answers to each real-time status request, condition by condition.
class TestStatusConditions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reply_data();
    void reply();
};

void TestStatusConditions::reply_data()
{
    QTest::addColumn<Status>("conditions");
    QTest::addColumn<QByteArray>("replies"); // to DLE EOT 20, then DLE EOT 1 to 4, in hex

    QTest::newRow("none") << Status{} << "121200000000 12121212"_ba;
    QTest::newRow("near end") << Status{.nearEnd = true} << "121201000000 1212121e"_ba;
    QTest::newRow("jam") << Status{.paperJamAtExit = true} << "1a5202000000 1a521612"_ba;
    QTest::newRow("paper near end") << Status{.paperNearEnd = true} << "121204000000 1212121e"_ba;
    QTest::newRow("cover open") << Status{.coverOpen = true} << "1a1600020000 1a161212"_ba;
    QTest::newRow("voltage") << Status{.voltageOutOfRange = true} << "1a5200000800 1a523212"_ba;
    QTest::newRow("cutter") << Status{.cutterError = true} << "1a5200000001 1a521a12"_ba;
    QTest::newRow("RAM") << Status{.ramError = true} << "1a5200000004 1a523212"_ba;
    QTest::newRow("EEPROM") << Status{.eepromError = true} << "1a5200000008 1a523212"_ba;
    QTest::newRow("paper end") << Status{.paperEnd = true} << "1a3200000000 1a321272"_ba;
    // Together, the conditions other than the paper end set all the bits they set alone.
    QTest::newRow("all but paper end")
            << Status{true, true, true, true, true, true, true, true, false}
            << "1a560702080d 1a563e1e"_ba;
}

void TestStatusConditions::reply()
{
    QFETCH(Status, conditions);
    QFETCH(QByteArray, replies);

    QByteArray seen = conditions.reply(20).toHex() + ' ';
    for (int n = 1; n <= 4; ++n)
        seen += conditions.reply(n).toHex();
    QCOMPARE(seen, replies);
    for (const int unknown : {0, 5, 21})
        QVERIFY(conditions.reply(unknown).isEmpty());
}

QTEST_GUILESS_MAIN(TestStatusConditions)
#include "tst_statusconditions.moc"
