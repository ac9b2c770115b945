#include "link/PortName.h"
#include "protocol/CodePage936.h"
#include "protocol/PrinterId.h"

#include <QTest>

class TestLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void codePage936();
    void printableText_data();
    void printableText();
    void printerIdAnswers_data();
    void printerIdAnswers();
    void portNames_data();
    void portNames();
};

void TestLink::codePage936()
{
    QCOMPARE(protocol::toCodePage936(QStringLiteral("热℃，")), QByteArray::fromHex("C8C8A1E6A3AC"));
    QCOMPARE(protocol::toCodePage936(QStringLiteral("A\U0001F600B")), std::nullopt);
}

void TestLink::printableText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text"); // a mark per byte, or per two-byte character

    const auto hex = [](const char *text) {
        return QByteArray::fromHex(text);
    };
    // clang-format off
    QTest::newRow("ASCII and controls")   << hex("1B40 4869 0A")   << ".@Hi.";
    QTest::newRow("NUL, DEL and FF")      << hex("00 7F FF")       << "...";
    QTest::newRow("Chinese characters")   << hex("C8C8 C3F4")      << "热敏";
    QTest::newRow("full-width comma")     << hex("A3AC")           << "，";
    QTest::newRow("lead byte at the end") << hex("41 C8")          << "A.";
    QTest::newRow("lead byte, then LF")   << hex("C8 0A")          << "..";
    QTest::newRow("7F is no trail byte")  << hex("81 7F")          << "..";
    QTest::newRow("four-byte sequence")   << hex("8130 8130")      << ".0.0";
    QTest::newRow("ASCII after a pair")   << hex("C8C8 41")        << "热A";
    // clang-format on
}

void TestLink::printableText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(protocol::printableText(bytes), text);
}

void TestLink::printerIdAnswers_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QByteArray>("value"); // null: not complete yet
    QTest::addColumn<int>("length");       // the received bytes the answer takes

    const auto hex = [](const char *text) {
        return QByteArray::fromHex(text);
    };
    const int model = 1;
    const int firmware = 65;
    // clang-format off
    QTest::newRow("one byte, more behind")     << model    << hex("2021")           << hex("20")       << 1;
    QTest::newRow("block, more behind")        << firmware << hex("5F312E30300041") << hex("312E3030") << 6;
    // clang-format on
}

void TestLink::printerIdAnswers()
{
    QFETCH(int, id);
    QFETCH(QByteArray, received);
    QFETCH(QByteArray, value);
    QFETCH(int, length);
    const std::optional<protocol::PrinterIdAnswer> answer = protocol::printerIdAnswer(
            protocol::PrinterId(id), received);
    QCOMPARE(answer.has_value(), !value.isNull());
    if (answer) {
        QCOMPARE(answer->value.toHex(' '), value.toHex(' '));
        QCOMPARE(answer->length, length);
    }
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
    QTest::newRow("port 65535")          << "printer:65535"      << "network printer:65535";
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
