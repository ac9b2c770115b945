#include "StatusConditions.h"

#include <QTest>

using emulator::StatusConditions;

// What the printer answers to each real-time status request, condition by condition.
class TestStatusConditions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reply_data();
    void reply();
    void unknownRequest();
};

namespace {

QByteArray operator""_b(const char *text, size_t length)
{
    return QByteArray(text, qsizetype(length));
}

} // namespace

void TestStatusConditions::reply_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QByteArray>("six"); // answer to DLE EOT 20
    QTest::addColumn<QByteArray>("one"); // answers to DLE EOT 1, 2, 3 and 4

    QTest::newRow("none") << QString() << "\x12\x12\x00\x00\x00\x00"_b
                          << "\x12\x12\x12\x12"_b;
    QTest::newRow("near end") << QStringLiteral("nearEnd") << "\x12\x12\x01\x00\x00\x00"_b
                              << "\x12\x12\x12\x1e"_b;
    QTest::newRow("paper jam at exit")
            << QStringLiteral("paperJamAtExit") << "\x1a\x52\x02\x00\x00\x00"_b
            << "\x1a\x52\x16\x12"_b;
    QTest::newRow("paper near end")
            << QStringLiteral("paperNearEnd") << "\x12\x12\x04\x00\x00\x00"_b
            << "\x12\x12\x12\x1e"_b;
    QTest::newRow("cover open") << QStringLiteral("coverOpen") << "\x1a\x16\x00\x02\x00\x00"_b
                                << "\x1a\x16\x12\x12"_b;
    QTest::newRow("voltage out of range")
            << QStringLiteral("voltageOutOfRange") << "\x1a\x52\x00\x00\x08\x00"_b
            << "\x1a\x52\x32\x12"_b;
    QTest::newRow("cutter error") << QStringLiteral("cutterError") << "\x1a\x52\x00\x00\x00\x01"_b
                                  << "\x1a\x52\x1a\x12"_b;
    QTest::newRow("RAM error") << QStringLiteral("ramError") << "\x1a\x52\x00\x00\x00\x04"_b
                               << "\x1a\x52\x32\x12"_b;
    QTest::newRow("EPPROM error") << QStringLiteral("eepromError") << "\x1a\x52\x00\x00\x00\x08"_b
                                  << "\x1a\x52\x32\x12"_b;
    QTest::newRow("paper end") << QStringLiteral("paperEnd") << "\x1a\x32\x00\x00\x00\x00"_b
                               << "\x1a\x32\x12\x72"_b;
}

void TestStatusConditions::reply()
{
    QFETCH(QString, condition);
    QFETCH(QByteArray, six);
    QFETCH(QByteArray, one);

    StatusConditions conditions;
    bool *const flags[] = {&conditions.nearEnd,
                           &conditions.paperJamAtExit,
                           &conditions.paperNearEnd,
                           &conditions.coverOpen,
                           &conditions.voltageOutOfRange,
                           &conditions.cutterError,
                           &conditions.ramError,
                           &conditions.eepromError,
                           &conditions.paperEnd};
    static const char *const names[] = {"nearEnd",
                                        "paperJamAtExit",
                                        "paperNearEnd",
                                        "coverOpen",
                                        "voltageOutOfRange",
                                        "cutterError",
                                        "ramError",
                                        "eepromError",
                                        "paperEnd"};
    for (int i = 0; i < 9; ++i)
        *flags[i] = condition == QLatin1StringView(names[i]);

    QCOMPARE(conditions.reply(20).toHex(' '), six.toHex(' '));
    for (int n = 1; n <= 4; ++n)
        QCOMPARE(conditions.reply(n).toHex(), one.mid(n - 1, 1).toHex());
}

void TestStatusConditions::unknownRequest()
{
    StatusConditions conditions;
    conditions.coverOpen = true;
    QVERIFY(conditions.reply(0).isEmpty());
    QVERIFY(conditions.reply(5).isEmpty());
    QVERIFY(conditions.reply(21).isEmpty());

    // Every condition at once sets every bit the status check reads.
    StatusConditions all{true, true, true, true, true, true, true, true, false};
    const QByteArray six = all.reply(20);
    QCOMPARE(six.size(), 6);
    QCOMPARE(uchar(six[2]), uchar(0x07));
    QCOMPARE(uchar(six[3]), uchar(0x02));
    QCOMPARE(uchar(six[4]), uchar(0x08));
    QCOMPARE(uchar(six[5]), uchar(0x0D));
}

QTEST_GUILESS_MAIN(TestStatusConditions)
#include "tst_statusconditions.moc"
