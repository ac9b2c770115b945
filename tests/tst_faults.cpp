#include "FormDriver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString probe()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/fault_probe");
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { startLikeTheTool(); }
    void permissionDenied();
    void portInUse();
    void farEndVanishes_data();
    void farEndVanishes();
    void usbPrinterVanishesWhileHoldingBack_data();
    void usbPrinterVanishesWhileHoldingBack();
    void xoffHoldsTheLine();
};

void TestFaults::permissionDenied()
{
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (::geteuid() != 0 || setpriv.isEmpty())
        QSKIP("needs root and setpriv to drop to an unprivileged user");
    PtyPrinter printer;
    QVERIFY(::chmod(QFile::encodeName(printer.path()).constData(), 0600) == 0);
    // The unprivileged user runs a copy of the probe from a folder it may enter.
    QTemporaryDir dir;
    QVERIFY(QFile::copy(probe(), dir.filePath(QStringLiteral("fault_probe"))));
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);

    QProcess process;
    process.start(setpriv,
                  {QStringLiteral("--reuid=65534"),
                   QStringLiteral("--regid=65534"),
                   QStringLiteral("--clear-groups"),
                   dir.filePath(QStringLiteral("fault_probe")),
                   QStringLiteral("open"),
                   printer.path()});
    QVERIFY(process.waitForFinished(10000));
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    QCOMPARE(process.exitCode(), 1);
    QCOMPARE(output, QStringLiteral("FAILED %1\n").arg(int(serial::LinkFailure::PermissionDenied)));
}

void TestFaults::portInUse()
{
    PtyPrinter printer;
    QProcess holder;
    holder.start(probe(), {QStringLiteral("hold"), printer.path()});
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readAllStandardOutput(), QByteArray("HELD\n"));

    FormDriver d;
    QVERIFY(!d.open(printer));
    QCOMPARE(d.messages.size(), 1);
    QVERIFY2(d.messages.first().text.contains(QStringLiteral("正被其他程序占用")),
             qPrintable(d.messages.first().text));
    QVERIFY(d.isClosedState());

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    d.click("Command20");
    QCOMPARE(d.text("Command20"), QStringLiteral("close com"));
}

void TestFaults::farEndVanishes_data()
{
    QTest::addColumn<QString>("when");
    QTest::newRow("idle") << "idle";
    QTest::newRow("in the middle of a print job") << "job";
    QTest::newRow("during a status wait") << "status";
}

void TestFaults::farEndVanishes()
{
    QFETCH(QString, when);
    // The operator types a stable name (as udev gives one) that points at the current device.
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("printer"));
    FormDriver d;
    {
        PtyPrinter printer;
        QVERIFY(QFile::link(printer.path(), link));
        d.type("Combo1", link);
        d.click("Command20");
        QVERIFY(!d.isClosedState());
        if (when == u"job") {
            // After a check nobody answers, flow control is on: the printer holds the line with
            // XOFF, so the job's bytes are still waiting.
            QVERIFY(d.askStatus(printer));
            QTRY_VERIFY_WITH_TIMEOUT(!d.text("Label5").isEmpty(), 5000);
            printer.write("\x13");
            QTest::qWait(50);
            d.click("Command8");
            QVERIFY(printer.readQuiet(100).isEmpty());
        } else if (when == u"status") {
            QVERIFY(d.askStatus(printer));
        }
        printer.closeFarEnd();
    }
    d.verifyLost();
    QCOMPARE(d.text("Label5").isEmpty(), when != u"job"); // the status wait ended with no outcome

    PtyPrinter next;
    QVERIFY(QFile::remove(link));
    QVERIFY(QFile::link(next.path(), link));
    d.click("Command20");
    QCOMPARE(d.text("Command20"), QStringLiteral("close com"));
    d.click("Command1");
    QCOMPARE(next.read(3), QByteArray("\x1B\x64\x05"));
}

void TestFaults::usbPrinterVanishesWhileHoldingBack_data()
{
    QTest::addColumn<bool>("answers"); // a printer that cannot answer refuses every read
    QTest::newRow("printer that answers") << true;
    QTest::newRow("printer that cannot answer") << false;
}

void TestFaults::usbPrinterVanishesWhileHoldingBack()
{
    // The printer takes nothing more, the tool holds the rest of its jobs back, and then the
    // printer is unplugged. A printer that cannot answer tells nothing on its read side: only
    // the held-back output finds it gone.
    QFETCH(bool, answers);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("usb")));
    const QString device = dir.filePath(QStringLiteral("usb/lp0"));
    FormDriver d;
    {
        PtyPrinter printer;
        QVERIFY(QFile::link(printer.path(), device));
        if (!answers && !printer.refuseReads(true))
            QSKIP("the system refuses the null line discipline");
        QVERIFY(d.open(device));
        QVERIFY(answers || printer.refuseReads(false)); // reads were tried, and refused, at open
        for (int i = 0; i < 300; ++i)                   // 98 KB: more than the line's buffers hold
            d.click("Command4");
        printer.closeFarEnd();
    }
    d.verifyLost();
}

void TestFaults::xoffHoldsTheLine()
{
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    // A check nobody answers leaves both kinds of flow control on, as after a real time-out.
    QVERIFY(d.askStatus(printer));
    QTRY_VERIFY_WITH_TIMEOUT(d.text("Label5").startsWith(QStringLiteral("打印机连接超时")), 5000);

    printer.write("\x13"); // XOFF, held
    QTest::qWait(50);
    d.click("Command4");
    d.click("Command1");
    QVERIFY(printer.readQuiet(200).isEmpty());

    printer.write("\x11"); // XON: everything arrives, in order
    const QByteArray received = printer.read(327 + 3);
    QCOMPARE(received.size(), 327 + 3);
    QVERIFY(received.startsWith(QByteArray::fromHex("C8C8C3F4")));
    QVERIFY(received.endsWith(QByteArray::fromHex("0A0A1B69 1B6405")));

    // A status check asks without flow control, so a held line is let go; nobody answers.
    printer.write("\x13");
    QTest::qWait(50);
    d.click("Command5");
    d.click("Command19");
    QCOMPARE(printer.read(2 + 3), QByteArray::fromHex("1B40 100414"));
    QTRY_VERIFY_WITH_TIMEOUT(d.text("Label5").startsWith(QStringLiteral("打印机连接超时")), 5000);

    // Closing while the line is held waits for XON rather than dropping what was handed over.
    printer.write("\x13");
    QTest::qWait(50);
    d.click("Command4");
    std::thread xon([&printer] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        printer.write("\x11");
    });
    d.click("Command20"); // returns once the held bytes are with the device
    xon.join();
    QVERIFY(d.isClosedState());
    QCOMPARE(printer.readWithoutEvents(327).size(), 327);
    QVERIFY(d.messages.isEmpty());
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
