#include "PtyPrinter.h"
#include "link/Failure.h"
#include "link/LineSettings.h"
#include "link/LinkChoice.h"
#include "link/PrinterLink.h"

#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>

#include <sys/resource.h>

#include <thread>

using serial::Failure;
using serial::LinkChoice;

class TestLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choice_data();
    void choice();
    void refusedChoice_data();
    void refusedChoice();
    void lineSettings_data();
    void lineSettings();
    void output_data();
    void output();
    void unencodableTextSendsNothing();
    void refusedOpen_data();
    void refusedOpen();
    void inputBeforeOpenIsDiscarded();
    void farEndVanishes();
    void closingWaitsForHeldOutput();
};

void TestLink::choice_data()
{
    // clang-format off
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("bits");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("settings");

    QTest::newRow("start-up") << "COM1" << "115200" << "8" << "1" << "/dev/ttyS0" << 1 << "115200,,8,1";
    QTest::newRow("COM8") << "COM8" << "9600" << "7" << "2" << "/dev/ttyS7" << 8 << "9600,,7,2";
    QTest::newRow("1.5 stop bits go out as 2") << "COM3" << "9600" << "7" << "1.5" << "/dev/ttyS2" << 3 << "9600,,7,2";
    QTest::newRow("2.5 rounds to even") << "COM2" << "1200" << "8" << "2.5" << "/dev/ttyS1" << 2 << "1200,,8,2";
    QTest::newRow("baud as typed") << "COM1" << "12345" << "8" << "1" << "/dev/ttyS0" << 1 << "12345,,8,1";
    QTest::newRow("typed device path") << "/dev/pts/3" << "115200" << "8" << "1" << "/dev/pts/3" << 0 << "115200,,8,1";
    // clang-format on
}

void TestLink::choice()
{
    QFETCH(QString, port);
    QFETCH(QString, baud);
    QFETCH(QString, bits);
    QFETCH(QString, stop);
    QFETCH(QString, device);
    QFETCH(int, number);
    QFETCH(QString, settings);

    const LinkChoice choice = LinkChoice::fromTexts(port, baud, bits, stop);
    QCOMPARE(choice.devicePath, device);
    QCOMPARE(choice.portNumber.value_or(0), number);
    QCOMPARE(choice.settingsText(), settings);
}

void TestLink::refusedChoice_data()
{
    // clang-format off
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("bits");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("reason");

    QTest::newRow("lower case") << "com1" << "8" << "1" << "not a serial port name";
    QTest::newRow("COM9") << "COM9" << "8" << "1" << "not a serial port name";
    QTest::newRow("blank after name") << "COM1 " << "8" << "1" << "not a serial port name";
    QTest::newRow("empty") << "" << "8" << "1" << "not a serial port name";
    QTest::newRow("relative path") << "ttyUSB0" << "8" << "1" << "not a serial port name";
    QTest::newRow("bits not a number") << "COM1" << "eight" << "1" << "Bits: \"eight\" is not a number";
    QTest::newRow("stop bits empty") << "COM1" << "8" << "" << "StopBits: \"\" is not a number";
    QTest::newRow("stop bits too large") << "COM1" << "8" << "1e9" << "too large";
    // clang-format on
}

void TestLink::refusedChoice()
{
    QFETCH(QString, port);
    QFETCH(QString, bits);
    QFETCH(QString, stop);
    QFETCH(QString, reason);
    try {
        LinkChoice::fromTexts(port, QStringLiteral("9600"), bits, stop);
        QFAIL("accepted");
    } catch (const Failure &failure) {
        QVERIFY2(failure.description().contains(reason), qPrintable(failure.description()));
    }
}

void TestLink::lineSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("refusal"); // empty: accepted

    QTest::newRow("start-up") << "115200,,8,1"
                              << "";
    QTest::newRow("7 bits 2 stop") << "9600,,7,2"
                                   << "";
    QTest::newRow("lowest rate") << "50,,8,1"
                                 << "";
    QTest::newRow("not a number") << "fast,,8,1"
                                  << "baud rate \"fast\"";
    QTest::newRow("leading blank") << " 9600,,8,1"
                                   << "baud rate \" 9600\"";
    QTest::newRow("zero") << "0,,8,1"
                          << "baud rate \"0\"";
    QTest::newRow("huge") << "99999999999,,8,1"
                          << "baud rate \"99999999999\"";
    QTest::newRow("negative") << "-9600,,8,1"
                              << "baud rate \"-9600\"";
    QTest::newRow("nine data bits") << "9600,,9,1"
                                    << "9 data bits";
    QTest::newRow("three stop bits") << "9600,,8,3"
                                     << "3 stop bits";
    QTest::newRow("zero stop bits") << "9600,,8,0"
                                    << "0 stop bits";
    QTest::newRow("unknown parity") << "9600,Q,8,1"
                                    << "parity \"Q\"";
    QTest::newRow("three fields") << "9600,,8"
                                  << "four fields";
}

void TestLink::lineSettings()
{
    QFETCH(QString, text);
    QFETCH(QString, refusal);
    try {
        serial::LineSettings::fromText(text);
        QVERIFY2(refusal.isEmpty(), "accepted");
    } catch (const Failure &failure) {
        QVERIFY2(!refusal.isEmpty() && failure.description().contains(refusal),
                 qPrintable(failure.description()));
    }
}

static void openOn(serial::PrinterLink &link, const PtyPrinter &printer)
{
    link.open(LinkChoice::fromTexts(
            printer.path(), QStringLiteral("115200"), QStringLiteral("8"), QStringLiteral("1")));
}

void TestLink::output_data()
{
    // clang-format off
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("letters and LF") << QStringLiteral("ABCDEF\n") << QByteArray("ABCDEF\n");
    QTest::newRow("GS alone") << QStringLiteral("\x1D") << QByteArray("\x1D");
    QTest::newRow("00 inside") << QString::fromLatin1("\x1B"
                                                      "E\0",
                                                      3)
                               << QByteArray("\x1B"
                                             "E\0",
                                             3);
    QTest::newRow("code page 936") << QStringLiteral("热℃，") << QByteArray("\xC8\xC8\xA1\xE6\xA3\xAC");
    // clang-format on
}

void TestLink::output()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    PtyPrinter printer;
    serial::PrinterLink link;
    openOn(link, printer);
    link.port()->Output(text);
    QCOMPARE(printer.read(bytes.size()), bytes);
}

void TestLink::unencodableTextSendsNothing()
{
    PtyPrinter printer;
    serial::PrinterLink link;
    openOn(link, printer);
    QVERIFY_THROWS_EXCEPTION(Failure, link.port()->Output(QStringLiteral("A\U0001F600B")));
    link.comm().writeRaw(QByteArrayLiteral("\x1D\xF6"));
    QCOMPARE(printer.read(2), QByteArray("\x1D\xF6"));
}

void TestLink::refusedOpen_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing device") << "/dev/ttyDoesNotExist"
                                    << "does not exist";
    QTest::newRow("directory") << "/tmp"
                               << "is not a serial port";
    QTest::newRow("regular file") << "FILE"
                                  << "is not a serial port";
    QTest::newRow("character device, not a tty") << "/dev/null"
                                                 << "could not be opened";
}

void TestLink::refusedOpen()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QTemporaryFile file;
    QVERIFY(file.open());
    if (path == u"FILE")
        path = file.fileName();

    serial::PrinterLink link;
    try {
        link.open(LinkChoice::fromTexts(
                path, QStringLiteral("9600"), QStringLiteral("8"), QStringLiteral("1")));
        QFAIL("opened");
    } catch (const Failure &failure) {
        QVERIFY2(failure.description().contains(reason), qPrintable(failure.description()));
    }
    QVERIFY(!link.isOpen());
    QCOMPARE(link.port(), nullptr);
    QCOMPARE(file.size(), 0);
}

void TestLink::inputBeforeOpenIsDiscarded()
{
    PtyPrinter printer;
    printer.write("stale");
    QTest::qWait(50); // let the bytes reach the device's input queue
    serial::PrinterLink link;
    openOn(link, printer);
    QTest::qWait(50);
    QCOMPARE(link.comm().bytesAvailable(), 0);
    printer.write("new");
    QTRY_COMPARE(link.comm().peekAvailable(), QByteArray("new"));
}

static qint64 cpuMicroseconds()
{
    rusage usage = {};
    ::getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000 + usage.ru_utime.tv_usec
           + usage.ru_stime.tv_usec;
}

void TestLink::farEndVanishes()
{
    serial::PrinterLink link;
    QSignalSpy lost(&link, &serial::PrinterLink::linkLost);
    {
        PtyPrinter printer;
        openOn(link, printer);
        printer.closeFarEnd();
        QTRY_COMPARE(lost.size(), 1);
    }
    QVERIFY(!link.isOpen());
    QVERIFY(lost.first().first().toString().contains(u"was lost"));

    // Once closed, the device is no longer watched: no flood of errors, no busy loop.
    const qint64 before = cpuMicroseconds();
    QTest::qWait(300);
    QVERIFY2(cpuMicroseconds() - before < 150000, "the lost device still keeps the CPU busy");
    QCOMPARE(lost.size(), 1);
    QVERIFY_THROWS_EXCEPTION(Failure, link.port()->Output(QStringLiteral("x")));

    PtyPrinter next;
    openOn(link, next);
    link.port()->Output(QStringLiteral("again"));
    QCOMPARE(next.read(5), QByteArray("again"));
}

void TestLink::closingWaitsForHeldOutput()
{
    // With XON/XOFF on, an XOFF from the printer holds the line: what was handed over waits, in
    // order, goes out once XON comes, and closing waits for it rather than dropping it.
    PtyPrinter printer;
    serial::PrinterLink link;
    openOn(link, printer);
    link.comm().setHandshaking(serial::SerialControl::Handshaking::RtsXonXoff);
    printer.write("\x13");
    QTest::qWait(50);
    const QByteArray block(8192, 'x');
    link.port()->Output(QString::fromLatin1(block));
    link.port()->Output(QStringLiteral("END"));
    QVERIFY(link.comm().bytesToWrite() > 0);
    QVERIFY(printer.readQuiet(100).isEmpty());

    std::thread xon([&printer] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        printer.write("\x11");
    });
    link.close(); // returns once the held bytes are with the device
    xon.join();
    const QByteArray received = printer.read(block.size() + 3);
    QCOMPARE(received.size(), block.size() + 3);
    QVERIFY(received.endsWith("END"));
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
