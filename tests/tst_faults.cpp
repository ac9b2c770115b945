#include "ExpectedBytes.h"
#include "FormDriver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray statusRequest("\x10\x04\x14");

QString probe()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/fault_probe");
}

// A text as an operator might put into a box: ordinary values, control characters, Chinese,
// very long text, nothing at all.
QString randomText(QRandomGenerator &random, const QStringList &usual)
{
    auto randomChars = [&](int count, char16_t low, char16_t high) {
        QString text;
        for (int i = 0; i < count; ++i)
            text.append(QChar(char16_t(low + random.bounded(high - low + 1))));
        return text;
    };
    switch (random.bounded(8)) {
    case 0:
    case 1:
    case 2:
        return usual.at(random.bounded(usual.size()));
    case 3:
        return randomChars(random.bounded(1, 12), u' ', u'~');
    case 4:
        return randomChars(random.bounded(1, 6), 0x00, 0x1F)
               + randomChars(random.bounded(4), u'0', u'9');
    case 5:
        return randomChars(random.bounded(1, 10), 0x4E00, 0x9FA5) + QStringLiteral("，。℃");
    case 6:
        return randomChars(random.bounded(200, 3000), u' ', u'~');
    default:
        return QString();
    }
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { app::applyWindowLook(); }
    void permissionDenied();
    void portInUse();
    void farEndVanishes_data();
    void farEndVanishes();
    void xoffHoldsTheLine();
    void randomTexts();
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
    QVERIFY2(output.contains(QStringLiteral("not allowed"))
                     && output.contains(QStringLiteral("dialout")),
             qPrintable(output + QString::fromUtf8(process.readAllStandardError())));
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
    QVERIFY2(d.messages.first().text.contains(QStringLiteral("in use by another program")),
             qPrintable(d.messages.first().text));
    QVERIFY(d.isClosedState());

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    d.click("Command20");
    QCOMPARE(d.caption("Command20"), QStringLiteral("close com"));
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
            // The printer holds the line with XOFF, so the job's bytes are still waiting.
            d.form.printerLink().comm().setHandshaking(
                    serial::SerialControl::Handshaking::RtsXonXoff);
            printer.write("\x13");
            QTest::qWait(50);
            d.click("Command8");
            QVERIFY(d.form.printerLink().comm().bytesToWrite() > 0);
        } else if (when == u"status") {
            QVERIFY(d.askStatus(printer));
        }
        printer.closeFarEnd();
        QTRY_COMPARE(d.messages.size(), 1);
    }
    QVERIFY(d.messages.first().text.contains(QStringLiteral("was lost")));
    QVERIFY(d.isClosedState());
    QTest::qWait(4 * app::Form1::timerPeriodMs);
    QCOMPARE(d.messages.size(), 1);
    QVERIFY(d.caption("Label5").isEmpty());

    PtyPrinter next;
    QVERIFY(QFile::remove(link));
    QVERIFY(QFile::link(next.path(), link));
    d.click("Command20");
    QCOMPARE(d.caption("Command20"), QStringLiteral("close com"));
    d.click("Command1");
    QCOMPARE(next.read(3), QByteArray("\x1B\x64\x05"));
}

void TestFaults::xoffHoldsTheLine()
{
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    // A check nobody answers leaves both kinds of flow control on, as after a real time-out.
    QVERIFY(d.askStatus(printer));
    QTRY_VERIFY_WITH_TIMEOUT(d.caption("Label5").startsWith(QStringLiteral("打印机连接超时")),
                             5000);

    printer.write("\x13"); // XOFF, held
    QTest::qWait(50);
    d.click("Command4");
    d.click("Command1");
    QVERIFY(printer.readQuiet(200).isEmpty());
    // The window stays responsive while the line is held.
    d.type("Text1", QStringLiteral("ABC"));
    QCOMPARE(d.caption("Text1"), QStringLiteral("ABC"));
    d.trigger("Paper_Black");
    QVERIFY(d.form.blackMark());

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
    QCOMPARE(printer.read(2 + 3), QByteArray("\x1B\x40") + statusRequest);
    QTRY_VERIFY_WITH_TIMEOUT(d.caption("Label5").startsWith(QStringLiteral("打印机连接超时")),
                             5000);
    QVERIFY(d.messages.isEmpty());
}

void TestFaults::randomTexts()
{
    // Random texts in every box, each time followed by open and print clicks: the outcome is
    // either a message or exactly the right bytes on the line, never anything else.
    const int rounds = qEnvironmentVariableIsSet("TPD_RANDOM_TEXTS")
                               ? qEnvironmentVariableIntValue("TPD_RANDOM_TEXTS")
                               : 10000;
    QRandomGenerator random(20261206);
    PtyPrinter printer;
    FormDriver d;
    const QStringList ports = {
            printer.path(), printer.path(), QStringLiteral("COM9"), QStringLiteral("/dev/null")};
    const QStringList bauds = {
            QStringLiteral("115200"), QStringLiteral("9600"), QStringLiteral("1200")};
    const QStringList bits = {QStringLiteral("8"), QStringLiteral("7"), QStringLiteral("8.4")};
    const QStringList stops = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("1.5")};
    const QStringList attributes = {
            QStringLiteral("Emphasize"), QStringLiteral("amplify 2"), QStringLiteral("normal")};
    const QStringList types = {
            QStringLiteral("CODE39"), QStringLiteral("CODE128"), QStringLiteral("ITF")};
    const QStringList data = {
            QStringLiteral("1234567890"), QStringLiteral("ABC"), QString(255, u'9')};

    for (int round = 0; round < rounds; ++round) {
        d.paste("Combo1", randomText(random, ports));
        d.paste("Combo2", randomText(random, bauds));
        d.paste("Combo3", randomText(random, bits));
        d.paste("Combo4", randomText(random, stops));
        const qsizetype before = d.messages.size();
        d.click("Command20");
        if (d.isClosedState()) {
            QCOMPARE(d.messages.size(), before + 1);
            continue;
        }
        QCOMPARE(d.messages.size(), before);

        const QString attribute = randomText(random, attributes);
        const QString type = randomText(random, types);
        const QString barcode = randomText(random, data);
        d.paste("Combo6", attribute);
        d.paste("Combo5", type);
        d.paste("Text1", barcode);
        QCOMPARE(d.caption("Combo6"), attribute);
        QCOMPARE(d.caption("Combo5"), type);
        QCOMPARE(d.caption("Text1"), barcode);
        d.click("Command6");
        const QByteArray attributeBytes = expected::attributeJob(attribute) + expected::cut;
        QCOMPARE(printer.readExactly(attributeBytes.size()), attributeBytes);

        d.click("Command11");
        if (const std::optional<QByteArray> job = expected::barcodeJob(type, barcode)) {
            QCOMPARE(d.messages.size(), before);
            QCOMPARE(printer.readExactly(job->size() + 2), *job + expected::cut);
        } else {
            QCOMPARE(d.messages.size(), before + 1);
        }
        d.click("Command20");
        QVERIFY(d.isClosedState());
    }
    QVERIFY(printer.readQuiet().isEmpty());
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
