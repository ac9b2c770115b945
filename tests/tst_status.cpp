#include "FormDriver.h"
#include "emulator/status/StatusConditions.h"
#include "status/LinkQueue.h"

#include <QSignalSpy>
#include <QThread>

using Condition = protocol::StatusReply::Condition;

namespace {

const QString ok = QStringLiteral("打印机正常！");

bool isRed(QLabel *label)
{
    return label->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
}

} // namespace

class TestStatus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { startLikeTheTool(); }
    void conditions_data();
    void conditions();
    void timeOut_data();
    void timeOut();
    void tickCount_data();
    void tickCount();
    void onlyTheReplyCounts();
    void clicksDuringAWait();
    void queueKeepsItsOrder();
};

using Printer = emulator::StatusConditions;
// The printer conditions the rows set: none, then one each.
constexpr bool Printer::*printerConditions[] = {nullptr,
                                                &Printer::nearEnd,
                                                &Printer::paperJamAtExit,
                                                &Printer::paperNearEnd,
                                                &Printer::coverOpen,
                                                &Printer::voltageOutOfRange,
                                                &Printer::cutterError,
                                                &Printer::ramError,
                                                &Printer::eepromError,
                                                &Printer::paperEnd};

void TestStatus::conditions_data()
{
    // The virtual printer's answer for each condition, decoded and shown by the window.
    QTest::addColumn<int>("set");     // index in printerConditions
    QTest::addColumn<int>("decoded"); // the one condition decoded, -1 for none
    QTest::addColumn<QString>("caption");

    // clang-format off
    QTest::newRow("none") << 0 << -1 << ok;
    QTest::newRow("near end") << 1 << int(Condition::NearEnd) << QStringLiteral("将尽！\n");
    QTest::newRow("jam at exit") << 2 << int(Condition::PaperJamAtExit) << QStringLiteral("出纸口卡纸！\n");
    QTest::newRow("paper near end") << 3 << int(Condition::PaperNearEnd) << QStringLiteral("纸将尽！\n");
    QTest::newRow("cover open") << 4 << int(Condition::CoverOpen) << QStringLiteral("压纸滚筒/打印机上盖已打开！\n");
    QTest::newRow("voltage") << 5 << int(Condition::VoltageOutOfRange) << QStringLiteral("电源电压超出范围！\n");
    QTest::newRow("cutter") << 6 << int(Condition::CutterError) << QStringLiteral("切纸器错误！\n");
    QTest::newRow("RAM") << 7 << int(Condition::RamError) << QStringLiteral("RAM错误！\n");
    QTest::newRow("EEPROM") << 8 << int(Condition::EepromError) << QStringLiteral("EPPROM错误！\n");
    QTest::newRow("paper end: bytes 1 and 2 only") << 9 << -1 << ok;
    // clang-format on
}

void TestStatus::conditions()
{
    QFETCH(int, set);
    QFETCH(int, decoded);
    QFETCH(QString, caption);
    Printer printerState;
    if (set > 0)
        printerState.*printerConditions[set] = true;
    const QByteArray reply = printerState.reply(20);
    QCOMPARE(protocol::StatusReply::decode(reply).conditions(),
             decoded < 0 ? QList<Condition>() : QList{Condition(decoded)});

    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    auto *label = d.get<QLabel>("Label5");
    QVERIFY(d.askStatus(printer));
    for (const char byte : reply) { // byte by byte: the reply is gathered across reads
        printer.write(QByteArray(1, byte));
        QTest::qWait(20);
    }
    QTRY_COMPARE(label->text(), caption);
    QCOMPARE(isRed(label), caption != ok);
    QCOMPARE(label->font().pointSize(), caption == ok ? 14 : 10);
    QVERIFY(!(printer.lineSettings().c_iflag & IXON));
}

void TestStatus::timeOut_data()
{
    QTest::addColumn<QByteArray>("partial");
    QTest::newRow("no reply") << QByteArray();
    QTest::newRow("five bytes") << QByteArray::fromHex("0000000000");
}

void TestStatus::timeOut()
{
    QFETCH(QByteArray, partial);
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    auto *label = d.get<QLabel>("Label5");
    QVERIFY(d.askStatus(printer));
    printer.write(partial);
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), timeoutAdvice, 5 * app::Form1::timerPeriodMs);
    QVERIFY(isRed(label));
    QCOMPARE(label->font().pointSize(), 14);
    const termios tio = printer.lineSettings(); // both kinds of flow control, as designed
    QVERIFY(tio.c_cflag & CRTSCTS);
    QVERIFY((tio.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF));
}

void TestStatus::tickCount_data()
{
    QTest::addColumn<bool>("replyBeforeLastTick");
    QTest::newRow("no reply") << false;
    QTest::newRow("reply complete at the last tick") << true;
}

void TestStatus::tickCount()
{
    // Ticks driven by hand: the wait ends on the third, and a reply the device holds by then
    // still counts as a reply.
    QFETCH(bool, replyBeforeLastTick);
    PtyPrinter printer;
    serial::PrinterLink link;
    link.open(printer.path(), serial::LineSettings());
    QVERIFY(link.isOpen());
    status::StatusCheck check(link);
    QSignalSpy replied(&check, &status::StatusCheck::replied);
    QSignalSpy timedOut(&check, &status::StatusCheck::timedOut);
    QVERIFY(check.start(*link.port()));
    QCOMPARE(printer.read(3), QByteArray::fromHex("100414"));
    check.tick();
    check.tick();
    QVERIFY(check.isWaiting());
    if (replyBeforeLastTick) {
        printer.write(QByteArray::fromHex("000001000000"));
        QThread::msleep(100); // the reply reaches the device while no event is handled
    }
    check.tick();
    QVERIFY(!check.isWaiting());
    QCOMPARE(replied.size(), replyBeforeLastTick ? 1 : 0);
    QCOMPARE(timedOut.size(), replyBeforeLastTick ? 0 : 1);
    check.tick(); // ticks outside a wait count nothing
    QCOMPARE(replied.size() + timedOut.size(), 1);
}

void TestStatus::onlyTheReplyCounts()
{
    // Bytes from before the request, or past the six of a reply, are never read as a reply, and
    // a device that chatters between checks does not fill the memory.
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    printer.write(QByteArray(3 * status::StatusCheck::idleInputLimit, '\xFF'));
    printer.readQuiet(100);
    QVERIFY(d.askStatus(printer));
    QTest::qWait(100);
    QVERIFY(d.text("Label5").isEmpty());
    printer.write(QByteArray::fromHex("00000000000001"));
    QTRY_COMPARE(d.text("Label5"), ok);
    QVERIFY(d.askStatus(printer));
    printer.write(QByteArray::fromHex("000001000000"));
    QTRY_COMPARE(d.text("Label5"), QStringLiteral("将尽！\n"));
}

void TestStatus::clicksDuringAWait()
{
    PtyPrinter printer;
    auto d = std::make_unique<FormDriver>();
    QVERIFY(d->open(printer));
    QVERIFY(d->askStatus(printer));
    d->click("Command19"); // the waiting check keeps its request
    d->click("Command1");  // a print job may run during the wait
    QCOMPARE(printer.read(3), QByteArray::fromHex("1B6405"));
    printer.write(QByteArray::fromHex("000000020000"));
    QTRY_COMPARE(d->text("Label5"), QStringLiteral("压纸滚筒/打印机上盖已打开！\n"));

    QVERIFY(d->askStatus(printer));
    d->click("Command20"); // closing ends the wait with no outcome
    QTest::qWait(4 * app::Form1::timerPeriodMs);
    QVERIFY(d->text("Label5").isEmpty());
    QVERIFY(d->messages.isEmpty());
    QVERIFY(d->open(printer)); // and a new check can start at once
    QVERIFY(d->askStatus(printer));

    d->key(Qt::Key_Q, Qt::ControlModifier); // quitting during the wait
    QVERIFY(!d->form.isVisible());
    d.reset();
    printer.write(QByteArray(6, '\0')); // the reply finds no window, and nothing breaks
    QTest::qWait(4 * app::Form1::timerPeriodMs);
}

// A task asked for after the link is released, while the tasks that waited have not run yet,
// runs after them, not before.
void TestStatus::queueKeepsItsOrder()
{
    status::LinkQueue queue;
    QStringList ran;
    queue.hold();
    queue.run([&ran] { ran << QStringLiteral("A"); });
    queue.run([&ran] { ran << QStringLiteral("B"); });
    queue.release();
    queue.run([&ran] { ran << QStringLiteral("C"); });
    QTRY_COMPARE(ran, (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
}

QTEST_MAIN(TestStatus)
#include "tst_status.moc"
