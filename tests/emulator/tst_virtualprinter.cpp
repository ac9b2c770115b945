#include "PrinterWindow.h"
#include "PseudoTerminal.h"

#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The virtual printer as a program: rendering a file, and answering on its serial port.
class TestVirtualPrinter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rendersFile();
    void comparesWithGolden_data();
    void comparesWithGolden();
    void answersAsTheBoxesSay_data();
    void answersAsTheBoxesSay();
    void servesNetworkClients();
    void movesOnFromATakenPort();
};

static const QString program = QStringLiteral(VIRTUAL_PRINTER_PATH);
static constexpr int Patience = 30000; // ms to wait for the program before giving up

void TestVirtualPrinter::rendersFile()
{
    QTemporaryDir dir;
    const QStringList arguments{
            u"--input"_s, dir.filePath(u"in"_s), u"--png"_s, dir.filePath(u"out.png"_s)};
    QProcess process;
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(Patience));
    QVERIFY2(process.exitCode() != 0, "a missing input file must fail");

    QFile file(arguments[1]); // text, a cut, and a two-digit UPC-A that the printer refuses
    QVERIFY(file.open(QIODevice::WriteOnly)
            && file.write(QByteArray(40, 'A') + "\n\n\n\n\033iB\n\035kA\00212\n\033i") > 0);
    file.close();
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(Patience));
    QVERIFY(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0);
    QVERIFY(process.readAllStandardError().contains("UPC-A"));
    QVERIFY(QImage(arguments[3]).height() > 200);
}

// --input with --json, --text and --expect: exit 0 when the receipts match the golden file, 1 with
// the difference when they do not, 2 when a file cannot be read.
void TestVirtualPrinter::comparesWithGolden_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("options"); // "GOLDEN" stands for the golden file's path
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("errors"); // standard error, "GOLDEN" for the path

    const QByteArray receipt = "Total 4.00\n\033i"_ba;
    const QStringList expect{u"--expect"_s, u"GOLDEN"_s};
    QTest::newRow("the same") << receipt << expect << 0 << QStringList{};
    QTest::newRow("a price changed")
            << "Total 4.50\n\033i"_ba << expect << 1
            << QStringList{u"2 difference(s) from GOLDEN:"_s,
                           u"receipt 1, line 1: expected \"Total 4.00\", got \"Total 4.50\""_s,
                           u"receipt 1, item 1 (text \"Total 4.00\"): text expected \"Total"
                           " 4.00\", got \"Total 4.50\""_s};
    QTest::newRow("warnings do not count") << "\000"_ba + receipt << expect << 0 << QStringList{};
    QTest::newRow("warnings count when strict")
            << "\000"_ba + receipt << expect + QStringList{u"--strict"_s} << 1
            << QStringList{u"1 difference(s) from GOLDEN:"_s,
                           u"receipt 1, warning 1: given \"NUL ignored\", not expected"_s};
    QTest::newRow("no golden file")
            << receipt << QStringList{u"--expect"_s, u"GOLDEN.missing"_s} << 2
            << QStringList{u"virtual-printer: cannot read GOLDEN.missing: No such file or"
                           " directory"_s};
    QTest::newRow("golden file not JSON")
            << receipt << QStringList{u"--expect"_s, u"GOLDEN.txt"_s} << 2
            << QStringList{u"virtual-printer: GOLDEN.txt: not JSON: illegal value at byte 1"_s};
    QTest::newRow("strict alone") << receipt << QStringList{u"--strict"_s} << 2
                                  << QStringList{u"virtual-printer: --strict goes with --expect"_s};
}

void TestVirtualPrinter::comparesWithGolden()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QStringList, errors);

    QTemporaryDir dir;
    const QString golden = dir.filePath(u"golden.json"_s);
    auto write = [&](const QString &name, const QByteArray &content) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    };
    QVERIFY(write(u"golden.bin"_s, "Total 4.00\n\033i"_ba) && write(u"in.bin"_s, bytes)
            && write(u"golden.json.txt"_s, "Total 4.00"_ba));
    QProcess process;
    process.start(program,
                  {u"--input"_s,
                   dir.filePath(u"golden.bin"_s),
                   u"--json"_s,
                   golden,
                   u"--text"_s,
                   dir.filePath(u"golden.txt"_s)});
    QVERIFY(process.waitForFinished(Patience) && process.exitCode() == 0);
    QFile text(dir.filePath(u"golden.txt"_s));
    QVERIFY(text.open(QIODevice::ReadOnly));
    QCOMPARE(text.readAll(), "Total 4.00\n--- full cut ---\n"_ba);

    QStringList arguments{u"--input"_s, dir.filePath(u"in.bin"_s)};
    for (const QString &option : std::as_const(options))
        arguments << QString(option).replace(u"GOLDEN"_s, golden);
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(Patience));
    const QString error = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(error.split(u'\n', Qt::SkipEmptyParts), errors.replaceInStrings(u"GOLDEN"_s, golden));
    QCOMPARE(process.exitCode(), status);
}

// Answers read on the client side of the pty, as the window's status boxes are set.
void TestVirtualPrinter::answersAsTheBoxesSay_data()
{
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");

    const QByteArray realTime = "\020\004\001\020\004\002\020\004\003\020\004\004"_ba;
    const QByteArray others = "\035r\001\035I\001\020\004\024"_ba;
    QTest::newRow("nothing ticked")
            << QStringList{} << realTime + others << "12 12 12 12 00 20 12 12 00 00 00 00"_ba;
    QTest::newRow("cover open, paper end")
            << QStringList{u"cover open"_s, u"paper end (one-byte replies only)"_s}
            << realTime + others << "1a 36 12 72 0c 20 1a 36 00 02 00 00"_ba;
    QTest::newRow("cutter error") << QStringList{u"cutter error"_s} << realTime << "1a 52 1a 12"_ba;
    QTest::newRow("near end") << QStringList{u"near end"_s} << realTime + others
                              << "12 12 12 1e 03 20 12 12 01 00 00 00"_ba;
    QTest::newRow("no reply") << QStringList{u"no reply"_s} << realTime + others << ""_ba;
    // Automatic status back: a block when enabled, and another when a box changes.
    QTest::newRow("automatic status") << QStringList{u"cover open"_s} << "\035a\002"_ba
                                      << "38 00 00 00 10 00 00 00"_ba;
}

void TestVirtualPrinter::answersAsTheBoxesSay()
{
    QFETCH(QStringList, ticked);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);

    vprinter::PseudoTerminal terminal;
    QVERIFY(terminal.open());
    vprinter::PrinterServer server;
    server.attach(&terminal);
    vprinter::PrinterWindow window(&server, terminal.slavePath());
    const QList<QCheckBox *> boxes = window.findChildren<QCheckBox *>();
    for (const QString &text : std::as_const(ticked)) {
        const auto box = std::find_if(
                boxes.cbegin(), boxes.cend(), [&](QCheckBox *b) { return b->text() == text; });
        QVERIFY2(box != boxes.cend(), qPrintable(text));
        (*box)->setChecked(true);
    }
    const int fd = ::open(terminal.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    termios settings{};
    ::tcgetattr(fd, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(fd, TCSANOW, &settings);
    QCOMPARE(::write(fd, request.constData(), size_t(request.size())), ssize_t(request.size()));

    const bool automatic = request.startsWith("\035a");
    const qsizetype expected = automatic ? 4 : (answer.size() + 1) / 3;
    QByteArray read;
    auto collect = [&] {
        char byte = 0;
        pollfd readable{fd, POLLIN, 0};
        while (::poll(&readable, 1, 0) > 0 && ::read(fd, &byte, 1) == 1)
            read += byte;
    };
    QTRY_VERIFY_WITH_TIMEOUT((collect(), read.size() >= expected), Patience);
    if (automatic) {
        const auto cover = std::find_if(boxes.cbegin(), boxes.cend(), [](QCheckBox *b) {
            return b->text() == u"cover open"_s;
        });
        (*cover)->setChecked(false);
        QTRY_VERIFY_WITH_TIMEOUT((collect(), read.size() >= 8), Patience);
    }
    QTest::qWait(50); // nothing more follows
    collect();
    ::close(fd);
    QCOMPARE(read.toHex(' '), answer);
}

// The program without a window, on a loopback port; its first two lines name its pty and port.
struct HeadlessPrinter
{
    QProcess process;
    QString address;

    bool start(const QStringList &arguments)
    {
        process.start(program, QStringList{u"--headless"_s} + arguments);
        QStringList lines;
        while (lines.size() < 2 && process.waitForReadyRead(Patience)) {
            while (process.canReadLine())
                lines << QString::fromLatin1(process.readLine().trimmed());
        }
        if (lines.size() < 2 || !lines[1].startsWith(u"tcp "_s))
            return false;
        address = lines[1].mid(4);
        return true;
    }
    quint16 port() const { return quint16(address.section(u':', -1).toUInt()); }
};

static QByteArray exchange(QTcpSocket &socket, const QByteArray &request, qsizetype answer)
{
    socket.write(request);
    QByteArray read;
    while (read.size() < answer && socket.waitForReadyRead(Patience))
        read += socket.readAll();
    return read;
}

void TestVirtualPrinter::servesNetworkClients()
{
    QTemporaryDir saved;
    HeadlessPrinter printer;
    QVERIFY(printer.start({u"--listen"_s, u"127.0.0.1:0"_s, u"--save"_s, saved.path()}));

    // The first client prints and hears its answers; the second, connected meanwhile, waits.
    QTcpSocket first;
    QTcpSocket second;
    first.connectToHost(QHostAddress::LocalHost, printer.port());
    second.connectToHost(QHostAddress::LocalHost, printer.port());
    QVERIFY(first.waitForConnected(Patience) && second.waitForConnected(Patience));
    second.write("second\n\020\004\001"_ba);
    QVERIFY(second.waitForBytesWritten(Patience));
    const QByteArray tall = "\033@"_ba + "line\n"_ba.repeated(10);
    QCOMPARE(exchange(first, tall + "\020\004\001\035I\001"_ba, 2).toHex(' '), "12 20"_ba);
    QVERIFY(!second.waitForReadyRead(200));    // not its turn yet
    first.write("\035V\000\035v0\000\010"_ba); // a cut, then a raster image cut short
    first.disconnectFromHost();
    QVERIFY(first.state() == QAbstractSocket::UnconnectedState
            || first.waitForDisconnected(Patience));
    QVERIFY(second.waitForReadyRead(Patience));
    QCOMPARE(second.readAll().toHex(' '), "12"_ba);
    second.disconnectFromHost();
    QVERIFY(second.state() == QAbstractSocket::UnconnectedState
            || second.waitForDisconnected(Patience));

    // The printer still serves after a client left inside a command.
    QTcpSocket third;
    third.connectToHost(QHostAddress::LocalHost, printer.port());
    QVERIFY(third.waitForConnected(Patience));
    QCOMPARE(exchange(third, "\020\004\004"_ba, 1).toHex(' '), "12"_ba);
    third.disconnectFromHost();

    // Receipts in the order they were printed: the first client's, then the second's.
    const QDir folder(saved.path());
    QTRY_COMPARE_WITH_TIMEOUT(folder.entryList(QDir::Files),
                              (QStringList{u"receipt-0001.json"_s,
                                           u"receipt-0001.png"_s,
                                           u"receipt-0002.json"_s,
                                           u"receipt-0002.png"_s}),
                              Patience);
    QTRY_VERIFY(!QImage(folder.filePath(u"receipt-0002.png"_s)).isNull());
    QFile json(folder.filePath(u"receipt-0001.json"_s));
    QVERIFY(json.open(QIODevice::ReadOnly));
    const QJsonObject saved1 = QJsonDocument::fromJson(json.readAll()).object();
    QCOMPARE(saved1[u"receipts"_s][0][u"lines"_s].toArray().size(), 10);
    QVERIFY(QImage(folder.filePath(u"receipt-0001.png"_s)).height()
            > QImage(folder.filePath(u"receipt-0002.png"_s)).height() + 200);
}

void TestVirtualPrinter::movesOnFromATakenPort()
{
    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::LocalHost));
    HeadlessPrinter printer;
    QVERIFY(printer.start({u"--listen"_s, u"127.0.0.1:%1"_s.arg(taken.serverPort())}));
    QVERIFY(printer.port() > taken.serverPort());
    QVERIFY(printer.process.readAllStandardError().contains("in use"));
}

QTEST_MAIN(TestVirtualPrinter)
#include "tst_virtualprinter.moc"
