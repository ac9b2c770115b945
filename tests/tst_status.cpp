#include "FormDriver.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>

namespace {

const QByteArray request("\x10\x04\x14");
const QString ok = QStringLiteral("打印机正常！");
const QString timeoutText = QStringLiteral(
        "打印机连接超时！ 或 打印机无此功能！\n\n请检查打印机是否连好,电源是否打开；\n"
        "打印机端口号和波特率选择是否有误。\n请确定无误后再次尝试！");

bool isRed(QLabel *label)
{
    return label->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
}

} // namespace

class TestStatus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { app::applyWindowLook(); }
    void replies_data();
    void replies();
    void timeOut_data();
    void timeOut();
    void onlyTheReplyCounts();
    void secondClickWhileWaiting();
    void linkClosedDuringWait();
    void windowClosedDuringWait();
    void replyCompleteAtTheLastTick();
};

void TestStatus::replies_data()
{
    // clang-format off
    QTest::addColumn<QList<QByteArray>>("chunks"); // sent with a pause between them
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("red");
    QTest::addColumn<int>("pointSize");

    const auto reply = [](const char *hex) {
        return QList<QByteArray>{QByteArray::fromHex(hex)};
    };
    QTest::newRow("all zero") << reply("000000000000") << ok << false << 14;
    QTest::newRow("byte 3 = 07") << reply("000007000000") << QStringLiteral("将尽！\n出纸口卡纸！\n纸将尽！\n") << true << 10;
    QTest::newRow("byte 4 = 02") << reply("000000020000") << QStringLiteral("压纸滚筒/打印机上盖已打开！\n") << true << 10;
    QTest::newRow("byte 5 = 08") << reply("000000000800") << QStringLiteral("电源电压超出范围！\n") << true << 10;
    QTest::newRow("byte 6 = 0D") << reply("00000000000D") << QStringLiteral("切纸器错误！\nRAM错误！\nEPPROM错误！\n") << true << 10;
    QTest::newRow("byte 6 = 02") << reply("000000000002") << ok << false << 14;
    QTest::newRow("unreported bits") << reply("FFFF00FDF7F2") << ok << false << 14;
    QTest::newRow("split 3 + 3") << QList<QByteArray>{QByteArray::fromHex("000001"),
                                                      QByteArray::fromHex("000000")}
                                 << QStringLiteral("将尽！\n") << true << 10;
    QList<QByteArray> single;
    for (const char byte : QByteArray::fromHex("000000000001"))
        single.append(QByteArray(1, byte));
    QTest::newRow("byte by byte") << single << QStringLiteral("切纸器错误！\n") << true << 10;
    // clang-format on
}

void TestStatus::replies()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QString, caption);
    QFETCH(bool, red);
    QFETCH(int, pointSize);

    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    auto *label5 = d.get<QLabel>("Label5");
    QVERIFY(d.askStatus(printer));
    for (const QByteArray &chunk : chunks) {
        printer.write(chunk);
        QTest::qWait(60);
    }
    QTRY_COMPARE(label5->text(), caption);
    QCOMPARE(isRed(label5), red);
    QCOMPARE(label5->font().pointSize(), pointSize);
    QVERIFY(label5->toolTip().contains(QString::fromLatin1(chunks.join().toHex(' ').toUpper())));
    QVERIFY(!(printer.lineSettings().c_iflag & IXON));
    QVERIFY(d.messages.isEmpty());
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
    auto *label5 = d.get<QLabel>("Label5");
    QElapsedTimer clock;
    clock.start();
    QVERIFY(d.askStatus(printer));
    printer.write(partial);
    QTRY_COMPARE_WITH_TIMEOUT(label5->text(), timeoutText, 5 * app::Form1::timerPeriodMs);
    // The wait gives up on the third tick of a free-running timer: two to three periods.
    QVERIFY(clock.elapsed() >= 2 * app::Form1::timerPeriodMs - 50);
    QVERIFY(isRed(label5));
    QCOMPARE(label5->font().pointSize(), 14);
    QCOMPARE(label5->toolTip().contains(QStringLiteral("00 00 00 00 00")), !partial.isEmpty());
    const termios tio = printer.lineSettings();
    QVERIFY(tio.c_cflag & CRTSCTS);
    QVERIFY((tio.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF));

    // The next check asks without flow control again.
    QVERIFY(d.askStatus(printer));
    QVERIFY(!(printer.lineSettings().c_iflag & IXON));
    QVERIFY(!(printer.lineSettings().c_cflag & CRTSCTS));
    QVERIFY(label5->text().isEmpty()); // cleared while it waits
    printer.write(QByteArray(6, '\0'));
    QTRY_COMPARE(label5->text(), ok);
}

void TestStatus::onlyTheReplyCounts()
{
    // Bytes from before the request, or past the six of a reply, are never read as a reply.
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    printer.write(QByteArray::fromHex("FFFFFFFFFFFFFFFF"));
    QTRY_COMPARE(d.form.printerLink().comm().bytesAvailable(), 8);
    printer.write(
            QByteArray(3 * status::StatusCheck::idleInputLimit, 'x')); // a device that chatters
    printer.readQuiet(100);
    QVERIFY(d.form.printerLink().comm().bytesAvailable() <= status::StatusCheck::idleInputLimit);
    QVERIFY(d.askStatus(printer));
    QTest::qWait(100);
    QVERIFY(d.caption("Label5").isEmpty());
    printer.write(QByteArray::fromHex("00000000000001"));
    QTRY_COMPARE(d.caption("Label5"), ok);
    QVERIFY(d.askStatus(printer));
    printer.write(QByteArray::fromHex("000001000000"));
    QTRY_COMPARE(d.caption("Label5"), QStringLiteral("将尽！\n"));
}

void TestStatus::secondClickWhileWaiting()
{
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    QVERIFY(d.askStatus(printer));
    d.click("Command19");
    d.click("Command1"); // a print job may run during the wait
    QCOMPARE(printer.read(3), QByteArray("\x1B\x64\x05"));
    printer.write(QByteArray::fromHex("000000020000"));
    QTRY_COMPARE(d.caption("Label5"), QStringLiteral("压纸滚筒/打印机上盖已打开！\n"));
    QVERIFY(printer.readQuiet().isEmpty());
}

void TestStatus::linkClosedDuringWait()
{
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    QVERIFY(d.askStatus(printer));
    d.click("Command20");
    QVERIFY(d.isClosedState());
    QTest::qWait(4 * app::Form1::timerPeriodMs);
    QVERIFY(d.caption("Label5").isEmpty());
    QVERIFY(d.messages.isEmpty());
    QVERIFY(d.open(printer)); // and a new check can start at once
    QVERIFY(d.askStatus(printer));
}

void TestStatus::windowClosedDuringWait()
{
    PtyPrinter printer;
    auto d = std::make_unique<FormDriver>();
    QVERIFY(d->open(printer));
    QVERIFY(d->askStatus(printer));
    QTest::keyClick(&d->form, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!d->form.isVisible());
    d.reset();
    printer.write(QByteArray(6, '\0')); // the reply finds no window, and nothing breaks
    QTest::qWait(4 * app::Form1::timerPeriodMs);
}

void TestStatus::replyCompleteAtTheLastTick()
{
    PtyPrinter printer;
    serial::PrinterLink link;
    link.open(serial::LinkChoice::fromTexts(
            printer.path(), QStringLiteral("115200"), QStringLiteral("8"), QStringLiteral("1")));
    status::StatusCheck check(link.comm());
    QSignalSpy replied(&check, &status::StatusCheck::replied);
    QSignalSpy timedOut(&check, &status::StatusCheck::timedOut);
    QVERIFY(check.start(*link.port()));
    QCOMPARE(printer.read(3), request);
    printer.write(QByteArray::fromHex("000001000000"));
    QThread::msleep(100); // the reply reaches the device while no event is handled
    for (int i = 0; i < status::StatusCheck::tickLimit; ++i)
        check.tick();
    QCOMPARE(replied.size(), 1);
    QCOMPARE(timedOut.size(), 0);
    QVERIFY(!check.isWaiting());
    QCOMPARE(check.statusBits()[2][0], 1);
    check.tick(); // ticks outside a wait count nothing
    QCOMPARE(check.tickCount(), status::StatusCheck::tickLimit);
}

QTEST_MAIN(TestStatus)
#include "tst_status.moc"
