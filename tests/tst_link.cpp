#include "link/PortName.h"
#include "protocol/CodePage936.h"

#include <QTest>

class TestLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void codePage936();
    void portNames_data();
    void portNames();
};

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
    QTest::newRow("COM8")                << "COM8"               << "serial /dev/ttyS7";
    QTest::newRow("COM9")                << "COM9"               << "";
    QTest::newRow("com1 is no host")     << "com1"               << "";
    QTest::newRow("parallel printer")    << "/dev/lp1"           << "printer /dev/lp1";
    QTest::newRow("lp in a folder name") << "/dev/lp0/ttyUSB0"   << "serial /dev/lp0/ttyUSB0";
    QTest::newRow("host name")           << "printer.local"      << "network printer.local:9100";
    QTest::newRow("IPv6 and port")       << "[fe80::1]:9100"     << "network [fe80::1]:9100";
    QTest::newRow("IPv6 alone")          << "[::1]"              << "network [::1]:9100";
    QTest::newRow("IPv6 with a scope")   << "[fe80::1%eth0]:9100" << "network [fe80::1%eth0]:9100";
    QTest::newRow("bare IPv6")           << "2001:db8::5"        << "network [2001:db8::5]:9100";
    QTest::newRow("port 0")              << "printer:0"          << "";
    QTest::newRow("port 65536")          << "printer:65536"      << "";
    QTest::newRow("port with a sign")    << "printer:+91"        << "";
    QTest::newRow("empty port")          << "printer:"           << "";
    QTest::newRow("IPv6 without port")   << "[::1]:"             << "";
    QTest::newRow("IPv4 in brackets")    << "[10.0.0.1]:9100"    << "";
    QTest::newRow("unclosed bracket")    << "[::1:9100"          << "";
    QTest::newRow("blank inside")        << "my printer"         << "";
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

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
