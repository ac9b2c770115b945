#include "FormDriver.h"
#include "NetworkPrinter.h"
#include "app/PortBox.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace {

// "Sample page" as the printer must receive it, 00 bytes included.
const QByteArray samplePage = hex("1B4701 1B212F") + "ORVEX72\n" + hex("1B2100")
                              + "www.example.com\nwww.example.net\n\n" + hex("1B4700 1B5600")
                              + "CodeBar Print:\nCodeBar Name: CODE39"
                              + hex("1D6850 1D7702 1D4800 1D6600 1D6B4509")
                              + "123456789\nNO. 123456789\n" + hex("1B69");

// The printer behind a port text, as the test reads and answers it.
struct StandIn
{
    QString port;
    std::function<QByteArray(qsizetype)> read;
    std::function<void(const QByteArray &)> write;
};

// kind: "serial", "usb" (a printer-class device standing in at DIR/usb/lp0) or a network
// address form with PORT for the server's port.
StandIn standIn(const QString &kind, PtyPrinter &pty, NetworkPrinter &network, const QDir &dir)
{
    if (kind.contains(u"PORT"))
        return {QString(kind).replace(QStringLiteral("PORT"), QString::number(network.port())),
                [&network](qsizetype count) { return network.read(count); },
                [&network](const QByteArray &bytes) {
                    network.write(bytes);
                }};
    QString port = pty.path();
    if (kind == u"usb") {
        dir.mkdir(QStringLiteral("usb"));
        port = dir.filePath(QStringLiteral("usb/lp0"));
        QFile::link(pty.path(), port);
    }
    return {port,
            [&pty](qsizetype count) { return pty.read(count); },
            [&pty](const QByteArray &bytes) {
                pty.write(bytes);
            }};
}

} // namespace

class TestTransports : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { startLikeTheTool(); }
    void reachesThePrinter_data();
    void reachesThePrinter();
    void networkOpenFails_data();
    void networkOpenFails();
    void connectionDrops_data();
    void connectionDrops();
    void printerStopsReading_data();
    void printerStopsReading();
    void quitLosesNothing_data();
    void quitLosesNothing();
    void portListShowsNewDevices();
};

void TestTransports::reachesThePrinter_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("baud"); // line settings serve a serial port only
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("caption");

    // clang-format off
    QTest::newRow("serial port")               << "serial" << "9600" << hex("000001000000") << QStringLiteral("将尽！\n");
    QTest::newRow("USB printer that answers")  << "usb"    << "96OO" << hex("000000020000") << QStringLiteral("压纸滚筒/打印机上盖已打开！\n");
    QTest::newRow("USB printer that does not") << "usb"    << "9600" << QByteArray()         << timeoutAdvice;
    QTest::newRow("network address")           << "127.0.0.1:PORT" << "96OO" << hex("000000000000") << QStringLiteral("打印机正常！");
    QTest::newRow("network host name")         << "localhost:PORT" << "9600" << hex("000000000008") << QStringLiteral("EPPROM错误！\n");
    // clang-format on
}

void TestTransports::reachesThePrinter()
{
    QFETCH(QString, kind);
    QFETCH(QString, baud);
    QFETCH(QByteArray, reply);
    QFETCH(QString, caption);
    PtyPrinter pty;
    NetworkPrinter network;
    QTemporaryDir dir;
    const StandIn printer = standIn(kind, pty, network, QDir(dir.path()));

    FormDriver d;
    d.type("Combo2", baud);
    QVERIFY(d.open(printer.port, 3000));
    d.click("Command3");
    if (kind.endsWith(QStringLiteral(":PORT"))) {
        // The job is handed to the system as it is written, not when the event loop next runs.
        QCOMPARE(network.readWithoutEvents(samplePage.size()).toHex(' '), samplePage.toHex(' '));
    } else {
        QCOMPARE(printer.read(samplePage.size()).toHex(' '), samplePage.toHex(' '));
    }
    d.click("Command19");
    QCOMPARE(printer.read(3), hex("100414"));
    printer.write(reply);
    QTRY_COMPARE_WITH_TIMEOUT(d.text("Label5"), caption, 5 * app::Form1::timerPeriodMs);
    d.click("Command20");
    QVERIFY(d.isClosedState());
    QVERIFY(d.messages.isEmpty());
}

void TestTransports::networkOpenFails_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("reason");

    // clang-format off
    QTest::newRow("nothing listens")              << "closed"            << "拒绝了连接";
    QTest::newRow("never accepts")                << "full"              << "超时";
    QTest::newRow("stops listening mid-open")     << "full, then closed" << "拒绝了连接";
    QTest::newRow("accepts, then closes at once") << "closes"            << "连接已断开";
    QTest::newRow("host unknown")                 << "unknown host"      << "找不到";
    // clang-format on
}

void TestTransports::networkOpenFails()
{
    QFETCH(QString, server);
    QFETCH(QString, reason);
    NetworkPrinter printer;
    QString port = printer.address();
    QList<QTcpSocket *> queued; // connections the server never takes
    if (server == u"closed") {
        printer.server().close();
    } else if (server.startsWith(u"full")) {
        // The queue of connections waiting to be taken is full: the system ignores new ones.
        const quint16 number = printer.port();
        printer.server().close();
        printer.server().setListenBacklogSize(0);
        QVERIFY(printer.server().listen(QHostAddress::LocalHost, number));
        printer.server().pauseAccepting();
        for (int i = 0; i < 2; ++i) {
            queued.append(new QTcpSocket(&printer.server()));
            queued.last()->connectToHost(QHostAddress::LocalHost, number);
        }
        QTest::qWait(100);
    } else if (server == u"closes") {
        QObject::connect(
                &printer.server(), &QTcpServer::newConnection, [&printer] { printer.drop(); });
    } else {
        port = QStringLiteral("no-such-printer.invalid");
    }

    FormDriver d;
    d.type("Combo1", port);
    QElapsedTimer clock;
    clock.start();
    d.click("Command20");
    // The click returns at once; while the connection is attempted nothing can be changed.
    QVERIFY(clock.elapsed() < 500);
    QVERIFY(!d.get("Command20")->isEnabled());
    QVERIFY(!d.get("Combo1")->isEnabled());
    if (server == u"full, then closed") {
        QTest::qWait(300);
        printer.server().close();
    }
    QTRY_COMPARE_WITH_TIMEOUT(d.messages.size(), 1, 4000);
    QVERIFY(clock.elapsed() < 3500);
    QVERIFY2(d.messages.first().text.contains(reason), qPrintable(d.messages.first().text));
    QVERIFY(d.isClosedState());
    QVERIFY(d.get("Command20")->isEnabled());
    QTest::qWait(200);
    QCOMPARE(d.messages.size(), 1);
}

void TestTransports::connectionDrops_data()
{
    QTest::addColumn<bool>("duringStatusWait");
    QTest::newRow("idle") << false;
    QTest::newRow("during a status wait") << true;
}

void TestTransports::connectionDrops()
{
    QFETCH(bool, duringStatusWait);
    NetworkPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer.address(), 3000));
    if (duringStatusWait) {
        d.click("Command19");
        QCOMPARE(printer.read(3), hex("100414"));
    }
    printer.drop();
    d.verifyLost();
    QVERIFY(d.text("Label5").isEmpty()); // the status wait ended with no outcome

    d.click("Command20"); // the printer takes a new connection
    QTRY_COMPARE(d.text("Command20"), QStringLiteral("close com"));
    d.click("Command1");
    QCOMPARE(printer.read(3), hex("1B6405"));
}

void TestTransports::printerStopsReading_data()
{
    QTest::addColumn<int>("stallLimitMs");
    QTest::addColumn<bool>("statusTimedOut"); // a status check gave up before the connection
    QTest::newRow("jobs waiting") << 300 << false;
    QTest::newRow("after a status time-out") << 3 * app::Form1::timerPeriodMs + 500 << true;
}

void TestTransports::printerStopsReading()
{
    // The printer takes the connection, then no more data: the system gives the connection up
    // once sent data has waited for the stall limit (10 s, shortened here), and the window says
    // so once and closes the link, as for an unplugged adapter.
    QFETCH(int, stallLimitMs);
    QFETCH(bool, statusTimedOut);
    NetworkPrinter printer;
    printer.stopReading();
    FormDriver d;
    d.link().setStallLimit(stallLimitMs);
    QVERIFY(d.open(printer.address(), 3000));
    for (int i = 0; i < 30; ++i) // 10 KB, far more than the printer's receive window
        d.click("Command4");
    if (statusTimedOut) {
        d.click("Command19");
        QTRY_COMPARE_WITH_TIMEOUT(d.text("Label5"), timeoutAdvice, 5 * app::Form1::timerPeriodMs);
        QVERIFY(d.messages.isEmpty());
    }
    d.verifyLost(QStringLiteral("停止接收数据"), stallLimitMs + 3000);

    d.click("Command20"); // a printer that reads again takes a new connection
    QTRY_COMPARE(d.text("Command20"), QStringLiteral("close com"));
    d.click("Command1");
    QCOMPARE(printer.read(3), hex("1B6405"));
}

void TestTransports::quitLosesNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("serial port") << "serial";
    QTest::newRow("USB printer") << "usb";
    QTest::newRow("network") << "127.0.0.1:PORT";
}

void TestTransports::quitLosesNothing()
{
    QFETCH(QString, kind);
    PtyPrinter pty;
    NetworkPrinter network;
    QTemporaryDir dir;
    const StandIn printer = standIn(kind, pty, network, QDir(dir.path()));
    {
        FormDriver d;
        QVERIFY(d.open(printer.port, 3000));
        d.click("Command4");
        d.key(Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!d.form.isVisible());
    } // the window goes as the tool ends
    const QByteArray received = printer.read(327);
    QCOMPARE(received.size(), 327);
    QVERIFY(received.startsWith(hex("C8C8C3F4")));
    QVERIFY(received.endsWith(hex("0A0A1B69")));
}

void TestTransports::portListShowsNewDevices()
{
    QTemporaryDir dir;
    const QDir devices(dir.path());
    PtyPrinter adapter;
    PtyPrinter usbPrinter;
    QVERIFY(devices.mkdir(QStringLiteral("usb")));
    for (const char *name : {"ttyUSB10", "ttyUSB2", "ttyS3", "ttyACM0", "usb/lp0"})
        QVERIFY(QFile::link(usbPrinter.path(), devices.filePath(QString::fromLatin1(name))));

    FormDriver d;
    auto *box = d.get<app::PortBox>("Combo1");
    box->setPortList(serial::PortList(dir.path()));
    const auto listed = [box] {
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items.append(box->itemText(i));
        return items;
    };
    QStringList com;
    for (int n = 1; n <= 8; ++n)
        com.append(QStringLiteral("COM%1").arg(n));
    QCOMPARE(listed(), com); // the list is read when it drops down, not before

    // An adapter is plugged in: the next drop-down shows it, in number order.
    QVERIFY(QFile::link(adapter.path(), devices.filePath(QStringLiteral("ttyUSB9"))));
    d.choose("Combo1", devices.filePath(QStringLiteral("ttyUSB9")));
    QStringList expected = com;
    for (const char *name : {"ttyACM0", "ttyUSB2", "ttyUSB9", "ttyUSB10", "usb/lp0"})
        expected.append(devices.filePath(QString::fromLatin1(name)));
    QCOMPARE(listed(), expected);
    QCOMPARE(d.text("Combo1"), devices.filePath(QStringLiteral("ttyUSB9")));
    d.click("Command20");
    QCOMPARE(d.text("Command20"), QStringLiteral("close com"));
    d.click("Command1");
    QCOMPARE(adapter.read(3), hex("1B6405"));
    d.click("Command20");

    // Unplugged, it is gone from the next drop-down; typed text is kept as it was.
    QVERIFY(QFile::remove(devices.filePath(QStringLiteral("ttyUSB9"))));
    d.type("Combo1", QStringLiteral("printer.local"));
    box->showPopup();
    QCOMPARE(listed().size(), com.size() + 4);
    QCOMPARE(d.text("Combo1"), QStringLiteral("printer.local"));
    box->hidePopup();
}

QTEST_MAIN(TestTransports)
#include "tst_transports.moc"
