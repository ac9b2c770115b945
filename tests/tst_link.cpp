#include "PtyPrinter.h"
#include "link/PortName.h"
#include "link/PrinterLink.h"
#include "protocol/CodePage936.h"

#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>

#include <thread>

using serial::LinkFailure;

class TestLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineSettings_data();
    void lineSettings();
    void outputIsWithTheSystemOnReturn_data();
    void outputIsWithTheSystemOnReturn();
    void codePage936();
    void portNames_data();
    void portNames();
    void refusedOpen_data();
    void refusedOpen();
    void closingWaitsForHeldOutput();
};

void TestLink::lineSettings_data()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("bits");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("settings"); // baud, data bits, stop bits; empty: refused

    // clang-format off
    QTest::newRow("start-up")          << "115200" << "8"   << "1"   << "115200 8 1";
    QTest::newRow("1.5 rounds to 2")   << "9600"   << "7"   << "1.5" << "9600 7 2";
    QTest::newRow("2.5 rounds to even")<< "1200"   << "8.4" << "2.5" << "1200 8 2";
    QTest::newRow("lowest rate")       << "50"     << "5"   << "1"   << "50 5 1";
    QTest::newRow("baud not a number") << "96OO"   << "8"   << "1"   << "";
    QTest::newRow("baud with a blank") << " 9600"  << "8"   << "1"   << "";
    QTest::newRow("baud too high")     << "99999999999" << "8" << "1" << "";
    QTest::newRow("nine data bits")    << "9600"   << "9"   << "1"   << "";
    QTest::newRow("bits not a number") << "9600"   << "eight" << "1" << "";
    QTest::newRow("0.5 stop bits")     << "9600"   << "8"   << "0.5" << "";
    QTest::newRow("3 stop bits")       << "9600"   << "8"   << "3"   << "";
    // clang-format on
}

void TestLink::lineSettings()
{
    QFETCH(QString, baud);
    QFETCH(QString, bits);
    QFETCH(QString, stop);
    QFETCH(QString, settings);
    const std::optional<serial::LineSettings> line = serial::LineSettings::fromTexts(
            baud, bits, stop);
    const QString got = line ? QStringLiteral("%1 %2 %3")
                                        .arg(line->baudRate)
                                        .arg(int(line->dataBits))
                                        .arg(int(line->stopBits))
                             : QString();
    QCOMPARE(got, settings);
}

void TestLink::outputIsWithTheSystemOnReturn_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("letters and LF") << QByteArray("ABCDEF\n");
    QTest::newRow("GS alone") << QByteArray::fromHex("1D");
    QTest::newRow("00 inside") << QByteArray::fromHex("1B4500");
    QTest::newRow("F6 unaltered") << QByteArray::fromHex("1DF6");
    QTest::newRow("2 KiB") << QByteArray(2048, 'x');
}

void TestLink::outputIsWithTheSystemOnReturn()
{
    QFETCH(QByteArray, bytes);
    PtyPrinter printer;
    serial::PrinterLink link;
    link.open(printer.path(), serial::LineSettings());
    QVERIFY(link.isOpen());
    link.port()->Output(bytes);
    QCOMPARE(printer.readWithoutEvents(bytes.size()).toHex(' '), bytes.toHex(' '));
}

void TestLink::codePage936()
{
    QCOMPARE(protocol::toCodePage936(QStringLiteral("热℃，")), QByteArray::fromHex("C8C8A1E6A3AC"));
    QCOMPARE(protocol::toCodePage936(QStringLiteral("A\U0001F600B")), std::nullopt);
}

void TestLink::portNames_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("target"); // kind and device or address; empty: no port

    // clang-format off
    QTest::newRow("COM1")                << "COM1"               << "serial /dev/ttyS0";
    QTest::newRow("COM8")                << "COM8"               << "serial /dev/ttyS7";
    QTest::newRow("COM9")                << "COM9"               << "";
    QTest::newRow("com1 is no host")     << "com1"               << "";
    QTest::newRow("adapter")             << "/dev/ttyUSB0"       << "serial /dev/ttyUSB0";
    QTest::newRow("USB printer")         << "/dev/usb/lp0"       << "printer /dev/usb/lp0";
    QTest::newRow("parallel printer")    << "/dev/lp1"           << "printer /dev/lp1";
    QTest::newRow("lp in a folder name") << "/dev/lp0/ttyUSB0"   << "serial /dev/lp0/ttyUSB0";
    QTest::newRow("address")             << "192.168.1.100"      << "network 192.168.1.100:9100";
    QTest::newRow("address and port")    << "192.168.1.100:9101" << "network 192.168.1.100:9101";
    QTest::newRow("host name")           << "printer.local"      << "network printer.local:9100";
    QTest::newRow("IPv6 and port")       << "[fe80::1]:9100"     << "network [fe80::1]:9100";
    QTest::newRow("IPv6 alone")          << "[::1]"              << "network [::1]:9100";
    QTest::newRow("bare IPv6")           << "2001:db8::5"        << "network [2001:db8::5]:9100";
    QTest::newRow("port 0")              << "printer:0"          << "";
    QTest::newRow("port 65536")          << "printer:65536"      << "";
    QTest::newRow("port with a sign")    << "printer:+91"        << "";
    QTest::newRow("empty port")          << "printer:"           << "";
    QTest::newRow("no host")             << ":9100"              << "";
    QTest::newRow("IPv6 without port")   << "[::1]:"             << "";
    QTest::newRow("IPv4 in brackets")    << "[10.0.0.1]:9100"    << "";
    QTest::newRow("unclosed bracket")    << "[::1:9100"          << "";
    QTest::newRow("blank inside")        << "my printer"         << "";
    QTest::newRow("empty")               << ""                   << "";
    // clang-format on
}

void TestLink::portNames()
{
    QFETCH(QString, text);
    QFETCH(QString, target);
    const std::optional<serial::PortName> name = serial::PortName::parse(text);
    QString got;
    if (name && name->kind == serial::PortName::Kind::Network)
        got = QStringLiteral("network ") + name->address();
    else if (name)
        got = (name->kind == serial::PortName::Kind::Serial ? QStringLiteral("serial ")
                                                            : QStringLiteral("printer "))
              + name->device;
    QCOMPARE(got, target);
}

void TestLink::refusedOpen_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<LinkFailure>("failure");

    QTest::newRow("unknown name") << "COM9" << 8 << LinkFailure::NotFound;
    QTest::newRow("missing device") << "/dev/ttyDoesNotExist" << 8 << LinkFailure::NotFound;
    QTest::newRow("directory") << "/tmp" << 8 << LinkFailure::WrongDevice;
    QTest::newRow("regular file") << "FILE" << 8 << LinkFailure::WrongDevice;
    QTest::newRow("not a tty") << "/dev/null" << 8 << LinkFailure::WrongDevice;
    // A pseudo-terminal carries 8 data bits only: it opens, then refuses the settings.
    QTest::newRow("settings the port refuses") << "PTY" << 7 << LinkFailure::SettingsRefused;
}

void TestLink::refusedOpen()
{
    QFETCH(QString, port);
    QFETCH(int, dataBits);
    QFETCH(LinkFailure, failure);
    PtyPrinter printer;
    QTemporaryFile file;
    QVERIFY(file.open());
    if (port == u"FILE")
        port = file.fileName();
    if (port == u"PTY")
        port = printer.path();

    serial::PrinterLink link;
    QSignalSpy failed(&link, &serial::PrinterLink::failed);
    serial::LineSettings settings;
    settings.dataBits = QSerialPort::DataBits(dataBits);
    link.open(port, settings);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.first().first().value<LinkFailure>(), failure);
    QVERIFY(!link.isOpen());
    QCOMPARE(link.port(), nullptr);
}

void TestLink::closingWaitsForHeldOutput()
{
    // With XON/XOFF on, an XOFF from the printer holds the line: what was handed over waits, in
    // order, goes out once XON comes, and closing waits for it rather than dropping it.
    PtyPrinter printer;
    serial::PrinterLink link;
    link.open(printer.path(), serial::LineSettings());
    QVERIFY(link.isOpen());
    link.setHandshaking(serial::Handshaking::RtsXonXoff);
    printer.write("\x13");
    QTest::qWait(50);
    const QByteArray block(8192, 'x');
    link.port()->Output(block);
    link.port()->Output("END");
    QVERIFY(printer.readQuiet(100).isEmpty());

    std::thread xon([&printer] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        printer.write("\x11");
    });
    link.close(); // returns once the held bytes are with the device
    xon.join();
    const QByteArray received = printer.readWithoutEvents(block.size() + 3);
    QCOMPARE(received.size(), block.size() + 3);
    QVERIFY(received.endsWith("END"));
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
