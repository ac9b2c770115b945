#include "HeadlessPrinter.h"
#include "PrinterWindow.h"
#include "PseudoTerminal.h"
#include "ReceiptExport.h"
#include "ReceiptFolder.h"

#include "Interpreter.h"
#include "Renderer.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <map>
#include <memory>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// One thing a client does in a scenario: send bytes, or close its connection.
struct Step
{
    int client = 0; // the order in which network clients connect; Pty for the pseudo-terminal
    QByteArray bytes;
    bool close = false;
};
using Script = QList<Step>;
Q_DECLARE_METATYPE(Script)

// The virtual printer as a program: rendering a file, answering on its serial port and on TCP,
// keeping every receipt, giving each source its turn, its limits, and saving receipts.
class TestVirtualPrinter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rendersFile();
    void writesALongStream();
    void comparesWithGolden_data();
    void comparesWithGolden();
    void answersAsTheBoxesSay_data();
    void answersAsTheBoxesSay();
    void windowWithoutNetwork();
    void automaticStatusStaysWithItsSource();
    void servesNetworkClients();
    void keepsEveryReceipt_data();
    void keepsEveryReceipt();
    void closesAnIdleHolder_data();
    void closesAnIdleHolder();
    void boundsWhatItKeeps_data();
    void boundsWhatItKeeps();
    void waitsBeyondMaxClients_data();
    void waitsBeyondMaxClients();
    void waitsForDescriptors();
    void savesTruthfully_data();
    void savesTruthfully();
    void reportsAFullDisk();
    void answersAHalfClosedClient_data();
    void answersAHalfClosedClient();
    void keepsEveryShortConnection();
    void sharesAFolder();
    void cleansUpAtStart_data();
    void cleansUpAtStart();
    void neverReplacesAFile_data();
    void neverReplacesAFile();
    void listensWhereAsked_data();
    void listensWhereAsked();
};

static const QString program = QStringLiteral(VIRTUAL_PRINTER_PATH);
static constexpr int Patience = HeadlessPrinter::Patience;
static constexpr int Pty = -1;
#if defined(__SANITIZE_ADDRESS__)
// Built with the sanitizers, as the program is: AddressSanitizer keeps freed memory aside for a
// while, and the sanitizers look at memory through a pipe of their own, which a process out of
// descriptors cannot make. Resident memory and a process out of descriptors say nothing there.
static constexpr bool Sanitized = true;
#else
static constexpr bool Sanitized = false;
#endif
static constexpr int StepPause = 100; // ms after each step, so that each piece arrives on its own
static const QByteArray cut = "\035V\000"_ba;
static const QByteArray statusRequest
        = "\020\004\001"_ba; // DLE EOT 1: answered 12 when all is well
// GS v 0 of 48 x 16 bytes whose data never comes.
static const QByteArray unfinishedImage = "\035v0\000\060\000\020\000"_ba;

static Step send(int client, const QByteArray &bytes)
{
    return {client, bytes, false};
}

static Step leave(int client)
{
    return {client, {}, true};
}

static QByteArray lines(const QByteArray &text, int count)
{
    QByteArray bytes;
    for (int i = 1; i <= count; ++i)
        bytes += text + ' ' + QByteArray::number(i) + '\n';
    return bytes;
}

// Receipts of their own, each ended by a cut.
static QByteArrayList numberedReceipts(int count)
{
    QByteArrayList receipts;
    for (int i = 1; i <= count; ++i)
        receipts << "\033@receipt "_ba + QByteArray::number(i) + "\n"_ba + cut;
    return receipts;
}

static bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

static QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "cannot read "_ba + path.toUtf8();
}

static int openRawTerminal(const QString &path)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd >= 0) {
        termios settings{};
        ::tcgetattr(fd, &settings);
        ::cfmakeraw(&settings);
        ::tcsetattr(fd, TCSANOW, &settings);
    }
    return fd;
}

void TestVirtualPrinter::rendersFile()
{
    QTemporaryDir dir;
    const QStringList arguments{
            u"--input"_s, dir.filePath(u"in"_s), u"--png"_s, dir.filePath(u"out.png"_s)};
    QProcess process;
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(Patience));
    QVERIFY2(process.exitCode() != 0, "a missing input file must fail");

    // text, a cut, and a two-digit UPC-A that the printer refuses
    QVERIFY(writeFile(arguments[1], QByteArray(40, 'A') + "\n\n\n\n\033iB\n\035kA\00212\n\033i"));
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(Patience));
    QVERIFY(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0);
    QVERIFY(process.readAllStandardError().contains("UPC-A"));
    QVERIFY(QImage(arguments[3]).height() > 200);
}

// 10 MB of text with commands in it (sizes, emphasis, underline, cuts, resets, justification) is
// a few thousand receipts and hundreds of megabytes of JSON: they are written as they are
// printed, never held whole, so the program runs in far less memory than its output.
void TestVirtualPrinter::writesALongStream()
{
    if (Sanitized)
        QSKIP("the sanitizers reserve more address space than the limit allows");
    if (QStandardPaths::findExecutable(u"prlimit"_s).isEmpty())
        QSKIP("prlimit is missing: the program's memory cannot be limited");
    static const QByteArray alphabet = "abcdefghijklmnopqrstuvwxyz      \n\n\033\035!E-V@a"_ba;
    QRandomGenerator random(26);
    QByteArray bytes(10'000'000, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = alphabet.at(random.bounded(int(alphabet.size())));
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(u"in"_s), bytes));
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    // 1 GiB of address space: the program, its libraries and a receipt at a time.
    process.start(u"prlimit"_s,
                  {u"--as=1073741824"_s,
                   program,
                   u"--input"_s,
                   dir.filePath(u"in"_s),
                   u"--json"_s,
                   dir.filePath(u"out.json"_s)});
    QVERIFY(process.waitForFinished(-1));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QFile json(dir.filePath(u"out.json"_s));
    QVERIFY(json.open(QIODevice::ReadOnly));
    QVERIFY2(json.size() > 500'000'000, "the output is larger than the limit");
    QVERIFY(json.seek(json.size() - 7));
    QCOMPARE(json.readAll(), "\n  ]\n}\n"_ba);
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
    QTest::newRow("an unknown command set")
            << receipt << QStringList{u"--emulation"_s, u"star"_s} << 2
            << QStringList{u"virtual-printer: --emulation takes escpos, star-line, star-prnt or"
                           " auto, not star"_s};
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
        return writeFile(dir.filePath(name), content);
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
    QCOMPARE(readFile(dir.filePath(u"golden.txt"_s)), "Total 4.00\n--- full cut ---\n"_ba);

    QStringList arguments{u"--input"_s, dir.filePath(u"in.bin"_s)};
    for (const QString &option : std::as_const(options))
        arguments << QString(option).replace(u"GOLDEN"_s, golden);
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(Patience));
    const QString error = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(error.split(u'\n', Qt::SkipEmptyParts), errors.replaceInStrings(u"GOLDEN"_s, golden));
    QCOMPARE(process.exitCode(), status);
}

// Answers read by the client, on the pty and over TCP, as the window's status boxes are set.
void TestVirtualPrinter::answersAsTheBoxesSay_data()
{
    QTest::addColumn<bool>("network");
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");

    const QByteArray realTime = "\020\004\001\020\004\002\020\004\003\020\004\004"_ba;
    const QByteArray others = "\035r\001\035I\001\020\004\024"_ba;
    for (const bool network : {false, true}) {
        const char *over = network ? "tcp" : "pty";
        QTest::addRow("nothing ticked, %s", over) << network << QStringList{} << realTime + others
                                                  << "12 12 12 12 00 20 12 12 00 00 00 00"_ba;
        QTest::addRow("cover open, paper end, %s", over)
                << network << QStringList{u"cover open"_s, u"paper end (one-byte replies only)"_s}
                << realTime + others << "1a 36 12 72 0c 20 1a 36 00 02 00 00"_ba;
        QTest::addRow("cutter error, %s", over)
                << network << QStringList{u"cutter error"_s} << realTime << "1a 52 1a 12"_ba;
        QTest::addRow("near end, %s", over)
                << network << QStringList{u"near end"_s} << realTime + others
                << "12 12 12 1e 03 20 12 12 01 00 00 00"_ba;
        // A Star job's real-time status (ESC ACK SOH): nine bytes, cover open at byte 3 bit 5
        // with off-line at bit 3; paper empty at byte 6 bit 3.
        QTest::addRow("Star status, cover open, paper end, %s", over)
                << network << QStringList{u"cover open"_s, u"paper end (one-byte replies only)"_s}
                << "\033\006\001"_ba
                << "23 06 28 00 00 08 00 00 00"_ba;
        QTest::addRow("no reply, %s", over)
                << network << QStringList{u"no reply"_s} << realTime + others << ""_ba;
        // Automatic status back: a block when enabled, and another, to the same client, when a
        // box changes.
        QTest::addRow("automatic status, %s", over)
                << network << QStringList{u"cover open"_s} << "\035a\002"_ba
                << "38 00 00 00 10 00 00 00"_ba;
    }
}

void TestVirtualPrinter::windowWithoutNetwork()
{
    // With --listen off there are no network clients to speak of.
    vprinter::PseudoTerminal terminal;
    QVERIFY(terminal.open());
    vprinter::PrinterServer server;
    server.attach(&terminal);
    const vprinter::PrinterWindow window(&server, terminal.slavePath());
    QStringList texts;
    for (const QLabel *label : window.findChildren<QLabel *>())
        texts << label->text();
    QVERIFY2(!texts.join(u'\n').contains(u"network client"_s), qPrintable(texts.join(u'\n')));
    QVERIFY2(texts.join(u'\n').contains(u"--listen off"_s), qPrintable(texts.join(u'\n')));
}

void TestVirtualPrinter::answersAsTheBoxesSay()
{
    QFETCH(bool, network);
    QFETCH(QStringList, ticked);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);

    vprinter::PseudoTerminal terminal;
    QVERIFY(terminal.open());
    vprinter::PrinterServer server;
    server.attach(&terminal);
    QString error;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0, false, &error));
    vprinter::PrinterWindow window(&server, terminal.slavePath());
    const QList<QCheckBox *> boxes = window.findChildren<QCheckBox *>();
    auto box = [&boxes](const QString &text) {
        const auto found = std::find_if(
                boxes.cbegin(), boxes.cend(), [&](QCheckBox *b) { return b->text() == text; });
        return found == boxes.cend() ? nullptr : *found;
    };
    for (const QString &text : std::as_const(ticked)) {
        QVERIFY2(box(text), qPrintable(text));
        box(text)->setChecked(true);
    }

    // The pty's far end is open in both cases: what the network client asked for must not go
    // there.
    const int fd = openRawTerminal(terminal.slavePath());
    QVERIFY(fd >= 0);
    QByteArray read;
    QByteArray readOnPty;
    auto collectPty = [fd](QByteArray &into) {
        char byte = 0;
        pollfd readable{fd, POLLIN, 0};
        while (::poll(&readable, 1, 0) > 0 && ::read(fd, &byte, 1) == 1)
            into += byte;
    };
    QTcpSocket client;
    auto collect = [&] {
        if (network)
            read += client.readAll();
        else
            collectPty(read);
    };
    if (network) {
        client.connectToHost(QHostAddress::LocalHost,
                             server.address().section(u':', -1).toUShort());
        QTRY_VERIFY_WITH_TIMEOUT(client.state() == QAbstractSocket::ConnectedState, Patience);
        client.write(request);
    } else {
        QCOMPARE(::write(fd, request.constData(), size_t(request.size())), ssize_t(request.size()));
    }

    const bool automatic = request.startsWith("\035a");
    const qsizetype expected = automatic ? 4 : (answer.size() + 1) / 3;
    QTRY_VERIFY_WITH_TIMEOUT((collect(), read.size() >= expected), Patience);
    if (automatic) {
        box(u"cover open"_s)->setChecked(false);
        QTRY_VERIFY_WITH_TIMEOUT((collect(), read.size() >= 8), Patience);
    }
    QTest::qWait(50); // nothing more follows
    collect();
    if (network)
        collectPty(readOnPty);
    ::close(fd);
    QCOMPARE(read.toHex(' '), answer);
    QCOMPARE(readOnPty.toHex(' '), ""_ba);
}

static QByteArray exchange(QTcpSocket &socket, const QByteArray &request, qsizetype answer)
{
    socket.write(request);
    QByteArray read;
    while (read.size() < answer && socket.waitForReadyRead(Patience))
        read += socket.readAll();
    return read;
}

static bool closeAndWait(QTcpSocket &socket)
{
    socket.disconnectFromHost();
    return socket.state() == QAbstractSocket::UnconnectedState
           || socket.waitForDisconnected(Patience);
}

void TestVirtualPrinter::servesNetworkClients()
{
    QTemporaryDir saved;
    HeadlessPrinter printer(program);
    QVERIFY(printer.start({u"--listen"_s, u"127.0.0.1:0"_s, u"--save"_s, saved.path()}));

    // The first client prints and hears its answers; the second, connected meanwhile, waits.
    QTcpSocket first;
    QTcpSocket second;
    QVERIFY(HeadlessPrinter::reach(first, printer.port())
            && HeadlessPrinter::reach(second, printer.port()));
    second.write("second\n\020\004\001"_ba);
    QVERIFY(second.waitForBytesWritten(Patience));
    const QByteArray tall = "\033@"_ba + "line\n"_ba.repeated(10);
    QCOMPARE(exchange(first, tall + "\020\004\001\035I\001"_ba, 2).toHex(' '), "12 20"_ba);
    QVERIFY(!second.waitForReadyRead(200));    // not its turn yet
    first.write("\035V\000\035v0\000\010"_ba); // a cut, then a raster image cut short
    QVERIFY(closeAndWait(first));
    QVERIFY(second.waitForReadyRead(Patience));
    QCOMPARE(second.readAll().toHex(' '), "12"_ba);
    QVERIFY(closeAndWait(second));

    // The printer still serves after a client left inside a command.
    QVERIFY(printer.serves());

    // Receipts in the order they were printed: the first client's, then the second's.
    const QDir folder(saved.path());
    QTRY_COMPARE_WITH_TIMEOUT(folder.entryList(QDir::Files),
                              u"receipt-0001.json receipt-0001.png receipt-0002.json"
                              " receipt-0002.png"_s.split(u' '),
                              Patience);
    QTRY_VERIFY(!QImage(folder.filePath(u"receipt-0002.png"_s)).isNull());
    const QJsonObject saved1
            = QJsonDocument::fromJson(readFile(folder.filePath(u"receipt-0001.json"_s))).object();
    QCOMPARE(saved1[u"receipts"_s][0][u"lines"_s].toArray().size(), 10);
    QVERIFY(saved1[u"receipts"_s][0][u"source"_s].toString().startsWith(u"tcp 127.0.0.1:"_s));
    QVERIFY(QImage(folder.filePath(u"receipt-0001.png"_s)).height()
            > QImage(folder.filePath(u"receipt-0002.png"_s)).height() + 200);
}

// Automatic status back goes to the source that turned it on: the pty asks for it, a network
// client then prints and stays, and a changed box sends the next block to the pty, not to the
// client that holds the printer.
void TestVirtualPrinter::automaticStatusStaysWithItsSource()
{
    vprinter::PseudoTerminal terminal;
    QVERIFY(terminal.open());
    vprinter::PrinterServer server;
    server.attach(&terminal);
    QString error;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0, false, &error));
    vprinter::PrinterWindow window(&server, terminal.slavePath());
    QCheckBox *cover = nullptr;
    for (QCheckBox *box : window.findChildren<QCheckBox *>()) {
        if (box->text() == u"cover open"_s)
            cover = box;
    }
    QVERIFY(cover);
    const int fd = openRawTerminal(terminal.slavePath());
    QVERIFY(fd >= 0);
    QByteArray onPty;
    auto collectPty = [fd, &onPty] {
        char byte = 0;
        pollfd readable{fd, POLLIN, 0};
        while (::poll(&readable, 1, 0) > 0 && ::read(fd, &byte, 1) == 1)
            onPty += byte;
    };
    QCOMPARE(::write(fd, "\035a\002", 3), ssize_t(3));
    QTRY_VERIFY_WITH_TIMEOUT((collectPty(), onPty.size() >= 4), Patience); // the first block

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.address().section(u':', -1).toUShort());
    QTRY_VERIFY_WITH_TIMEOUT(client.state() == QAbstractSocket::ConnectedState, Patience);
    client.write("\020\004\001"_ba); // a real-time request: answered to the client as it holds
    QTRY_VERIFY_WITH_TIMEOUT(client.bytesAvailable() > 0, Patience);
    client.readAll();

    cover->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT((collectPty(), onPty.size() >= 8), Patience);
    ::close(fd);
    QCOMPARE(client.bytesAvailable(), 0);
}

// Plays the steps in order, a short pause after each; network clients connect at their first
// step.
static void play(const HeadlessPrinter &printer, const Script &script)
{
    std::map<int, std::unique_ptr<QTcpSocket>> clients;
    int terminal = -1;
    for (const Step &step : script) {
        if (step.client == Pty) {
            if (terminal < 0)
                terminal = openRawTerminal(printer.pty());
            QCOMPARE(::write(terminal, step.bytes.constData(), size_t(step.bytes.size())),
                     ssize_t(step.bytes.size()));
        } else {
            std::unique_ptr<QTcpSocket> &client = clients[step.client];
            if (!client) {
                client = std::make_unique<QTcpSocket>();
                QVERIFY(HeadlessPrinter::reach(*client, printer.port()));
            }
            if (step.close) {
                QVERIFY(closeAndWait(*client));
            } else {
                client->write(step.bytes);
                QVERIFY(client->waitForBytesWritten(Patience));
            }
        }
        QTest::qWait(StepPause);
    }
    if (terminal >= 0)
        ::close(terminal);
}

// The picture a stream makes as the first receipt of a printer of its own, as a PNG file holds
// it.
static QImage alone(const QByteArray &stream)
{
    emulator::Interpreter interpreter;
    interpreter.feed(stream);
    interpreter.finish();
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    emulator::Renderer::writePng(vprinter::ReceiptExport::picture(interpreter.receipts().first()),
                                 &png);
    QImageReader::setAllocationLimit(1024); // as savedPicture() reads
    return QImage::fromData(png.data()).convertToFormat(QImage::Format_RGB32);
}

// A saved receipt read back whole: a receipt of a few thousand lines decodes to more than Qt's
// default limit of 128 MB an image, which would read it as no image at all.
static QImage savedPicture(const QString &path)
{
    QImageReader::setAllocationLimit(1024);
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

// Every file in the folder but the receipts' JSON and the hidden files a save writes on its way:
// a receipt is its picture here, and the JSON beside it is checked where receipts are read as
// data.
static QStringList receiptFiles(const QString &folder)
{
    static const QRegularExpression json(u"^receipt-\\d+\\.json$"_s);
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::System, QDir::Name);
    files.removeIf([](const QString &name) { return json.match(name).hasMatch(); });
    return files;
}

static QStringList numberedFiles(int first, int count)
{
    QStringList names;
    for (int i = first; i < first + count; ++i)
        names << u"receipt-%1.png"_s.arg(i, 4, 10, QLatin1Char('0'));
    return names;
}

// What the clients send, in order, and the receipts that must come of it: each is the receipt
// its stream makes on a printer of its own.
void TestVirtualPrinter::keepsEveryReceipt_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<QByteArrayList>("receipts");

    QTest::newRow("120 cuts in one write")
            << Script{send(0, numberedReceipts(120).join()), leave(0)} << numberedReceipts(120);
    const QByteArray uncut = "\033@"_ba + lines("first client", 20);
    QTest::newRow("an uncut job, then another client")
            << Script{send(0, uncut), leave(0), send(1, "second client\n"_ba + cut), leave(1)}
            << QByteArrayList{uncut, "second client\n"_ba + cut};
    const QByteArray longUncut = "\033@"_ba + lines("long", 1600);
    QTest::newRow("an uncut job of 1,600 lines, then another client")
            << Script{send(0, longUncut), leave(0), send(1, "next client\n"_ba + cut), leave(1)}
            << QByteArrayList{longUncut, "next client\n"_ba + cut};
    // A drawer opened after the cut leaves nothing on the paper: no receipt of its own.
    QTest::newRow("a drawer pulse after the cut, then another client")
            << Script{send(0, "\033@paid\n"_ba + cut + "\033p\000\031\372"_ba),
                      leave(0),
                      send(1, "next client\n"_ba + cut),
                      leave(1)}
            << QByteArrayList{"\033@paid\n"_ba + cut, "next client\n"_ba + cut};
    QTest::newRow("a waiting client's bytes in three pieces")
            << Script{send(0, "\033@holder\n"_ba),
                      send(1, "waiting 1\n"_ba),
                      send(1, "waiting 2\n"_ba),
                      send(1, "waiting 3\n"_ba + cut),
                      leave(1),
                      send(0, cut),
                      leave(0)}
            << QByteArrayList{"\033@holder\n"_ba + cut,
                              "waiting 1\nwaiting 2\nwaiting 3\n"_ba + cut};
    QTest::newRow("settings carry over to the next client")
            << Script{send(0, "\033@\033!\060tall\n"_ba + cut),
                      leave(0),
                      send(1, "still tall\n"_ba + cut),
                      leave(1)}
            << QByteArrayList{"\033!\060tall\n"_ba + cut, "\033!\060still tall\n"_ba + cut};
    // The pty's turn ends when it has been quiet a moment while another source waits.
    QTest::newRow("a command left unfinished on the pty, then a network job")
            << Script{send(Pty, "\033@pty line\n"_ba + unfinishedImage),
                      send(0, "network 1\nnetwork 2\n"_ba + cut),
                      leave(0)}
            << QByteArrayList{"\033@pty line\n"_ba + unfinishedImage,
                              "network 1\nnetwork 2\n"_ba + cut};
    QTest::newRow("pty text during a network job")
            << Script{send(0, "\033@network 1\n"_ba),
                      send(Pty, "pty text\n"_ba + cut),
                      send(0, "network 2\n"_ba + cut),
                      leave(0)}
            << QByteArrayList{"\033@network 1\nnetwork 2\n"_ba + cut, "pty text\n"_ba + cut};
    QTest::newRow("a network job left inside a command, then the pty")
            << Script{send(0, "\033@network\n"_ba + unfinishedImage),
                      leave(0),
                      send(Pty, "pty\n"_ba + cut)}
            << QByteArrayList{"\033@network\n"_ba + unfinishedImage, "pty\n"_ba + cut};
}

void TestVirtualPrinter::keepsEveryReceipt()
{
    QFETCH(Script, script);
    QFETCH(QByteArrayList, receipts);

    QTemporaryDir saved;
    HeadlessPrinter printer(program);
    QVERIFY(printer.start({u"--listen"_s, u"127.0.0.1:0"_s, u"--save"_s, saved.path()}));
    play(printer, script);
    if (QTest::currentTestFailed())
        return;
    const QStringList expected = numberedFiles(1, int(receipts.size()));
    QTRY_COMPARE_WITH_TIMEOUT(receiptFiles(saved.path()).size(), expected.size(), Patience);
    QTest::qWait(StepPause); // and no more
    QCOMPARE(receiptFiles(saved.path()), expected);
    for (qsizetype i = 0; i < receipts.size(); ++i) {
        const QImage image = savedPicture(QDir(saved.path()).filePath(expected[i]));
        QVERIFY2(!image.isNull() && image == alone(receipts[i]), qPrintable(expected[i]));
    }
}

void TestVirtualPrinter::closesAnIdleHolder_data()
{
    QTest::addColumn<QString>("idleTimeout");
    QTest::addColumn<QByteArray>("holderSends");
    QTest::addColumn<bool>("anotherWaits");
    QTest::addColumn<QByteArrayList>("saved");

    const QByteArray waiting = "waiting\n"_ba + cut;
    QTest::newRow("silent holder, another waits")
            << u"1"_s << ""_ba << true << QByteArrayList{waiting};
    QTest::newRow("holder that printed, another waits")
            << u"1"_s << "holder\n"_ba << true << QByteArrayList{"holder\n"_ba, waiting};
    // A point-of-sale program keeps its connection between receipts.
    QTest::newRow("nobody waits") << u"1"_s << "holder\n"_ba << false << QByteArrayList{};
    QTest::newRow("time-out off") << u"0"_s << "holder\n"_ba << true << QByteArrayList{};
    // A byte now and then, of a command that never ends or letters of a line, finishes no
    // receipt: it is no progress. (The letters' receipt is not compared: how many arrive is
    // the machine's.)
    QTest::newRow("holder that trickles a command, another waits")
            << u"1"_s << "holder\n"_ba + unfinishedImage << true
            << QByteArrayList{"holder\n"_ba + unfinishedImage, waiting};
    QTest::newRow("holder that trickles letters, another waits")
            << u"1"_s << "holder\n"_ba << true << QByteArrayList{{}, waiting};
}

void TestVirtualPrinter::closesAnIdleHolder()
{
    QFETCH(QString, idleTimeout);
    QFETCH(QByteArray, holderSends);
    QFETCH(bool, anotherWaits);
    QFETCH(QByteArrayList, saved);

    QTemporaryDir folder;
    HeadlessPrinter printer(program);
    QVERIFY(printer.start(u"--listen 127.0.0.1:0 --idle-timeout"_s.split(u' ')
                          << idleTimeout << u"--save"_s << folder.path()));
    QTcpSocket holder;
    QVERIFY(HeadlessPrinter::reach(holder, printer.port()));
    if (!holderSends.isEmpty()) {
        holder.write(holderSends);
        QVERIFY(holder.waitForBytesWritten(Patience));
    }
    QTest::qWait(StepPause);
    QTcpSocket waiting;
    if (anotherWaits) {
        QVERIFY(HeadlessPrinter::reach(waiting, printer.port()));
        waiting.write("waiting\n"_ba + cut);
        QVERIFY(closeAndWait(waiting));
    }
    // An image's data, or letters, a byte every quarter of the time-out.
    QTimer trickle;
    const QByteArray byte = holderSends.endsWith(unfinishedImage) ? "\0"_ba : "x"_ba;
    connect(&trickle, &QTimer::timeout, &holder, [&holder, byte] { holder.write(byte); });
    if (saved.size() > 1 && saved.first() != "holder\n")
        trickle.start(250);
    const bool closes = !saved.isEmpty();
    if (closes) {
        QTRY_COMPARE_WITH_TIMEOUT(holder.state(), QAbstractSocket::UnconnectedState, Patience);
        QVERIFY(printer.readErrors().contains("idle"));
    } else {
        QTest::qWait(1500);
        QCOMPARE(holder.state(), QAbstractSocket::ConnectedState);
    }
    const QStringList expected = numberedFiles(1, int(saved.size()));
    QTRY_COMPARE_WITH_TIMEOUT(receiptFiles(folder.path()), expected, Patience);
    for (qsizetype i = 0; i < saved.size(); ++i) {
        const QImage image = savedPicture(QDir(folder.path()).filePath(expected[i]));
        QVERIFY(!image.isNull() && (saved[i].isEmpty() || image == alone(saved[i])));
    }
}

// Writes from `from` on as fast as the printer takes the bytes, until all are taken, or until it
// has taken nothing and done no work for quietMs; the offset reached.
static qint64 push(const HeadlessPrinter &printer,
                   QTcpSocket &socket,
                   const QByteArray &bytes,
                   qint64 from,
                   int quietMs)
{
    constexpr qint64 Ahead = qint64(256) * 1024;
    qint64 queued = from + socket.bytesToWrite(); // written before, still on its way
    qint64 taken = from;
    QElapsedTimer quiet;
    quiet.start();
    double work = printer.cpuSeconds();
    while (taken < bytes.size()) {
        while (queued < bytes.size() && socket.bytesToWrite() < Ahead) {
            const qint64 n = qMin<qint64>(Ahead, bytes.size() - queued);
            socket.write(bytes.constData() + queued, n);
            queued += n;
        }
        const qint64 before = socket.bytesToWrite();
        socket.waitForBytesWritten(50);
        const qint64 written = before - socket.bytesToWrite();
        taken += written;
        if (written > 0) {
            quiet.restart();
        } else if (quiet.elapsed() >= quietMs) {
            if (printer.cpuSeconds() == work)
                break;
            work = printer.cpuSeconds(); // still busy with what it took
            quiet.restart();
        }
    }
    return taken;
}

// A client waiting its turn and a client that reads no answers stop being read past a limit:
// the sender waits, and the printer's memory stays bounded.
void TestVirtualPrinter::boundsWhatItKeeps_data()
{
    QTest::addColumn<bool>("waits");
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QByteArray>("tail");

    // A raster image far too large to hold: the printer passes over its 48 MiB of data, and the
    // status request after it is answered only when every byte has been taken.
    QTest::newRow("a waiting client streams") << true << "\035v0\000\000\006\000\200"_ba
                                              << "\0"_ba << (48 << 20) << statusRequest;
    // GS I 66: each 3 bytes ask for a 22-byte answer.
    QTest::newRow("a client reads no answers")
            << false << QByteArray() << "\035IB"_ba << (16 << 20) << QByteArray();
}

void TestVirtualPrinter::boundsWhatItKeeps()
{
    QFETCH(bool, waits);
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, unit);
    QFETCH(int, repeat);
    QFETCH(QByteArray, tail);
    const QByteArray bytes = head + unit.repeated(repeat) + tail;

    HeadlessPrinter printer(program);
    QVERIFY(printer.start({u"--listen"_s, u"127.0.0.1:0"_s}));
    QTcpSocket holder;
    if (waits) {
        QVERIFY(HeadlessPrinter::reach(holder, printer.port()));
        holder.write("\033@holder\n");
        QVERIFY(holder.waitForBytesWritten(Patience));
        QTest::qWait(StepPause);
    }
    const double before = printer.residentMegabytes();
    QTcpSocket client;
    if (!waits) {
        client.setReadBufferSize(1); // takes no answer in
        client.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    }
    QVERIFY(HeadlessPrinter::reach(client, printer.port()));
    const qint64 taken = push(printer, client, bytes, 0, 500);
    const double growth = printer.residentMegabytes() - before;
    QVERIFY2(taken < bytes.size(), "the printer must stop reading");
    if (!Sanitized)
        QVERIFY2(growth < 40, qPrintable(u"grew by %1 MiB"_s.arg(growth)));

    if (waits) {
        // Its turn: every byte it sent is taken, in order.
        QVERIFY(closeAndWait(holder));
        QCOMPARE(push(printer, client, bytes, taken, Patience), qint64(bytes.size()));
        QVERIFY(client.bytesAvailable() > 0 || client.waitForReadyRead(Patience));
        QCOMPARE(client.readAll().toHex(' '), "12"_ba);
    } else {
        client.abort();
        QVERIFY(printer.serves());
    }
}

void TestVirtualPrinter::waitsBeyondMaxClients_data()
{
    QTest::addColumn<int>("maxClients");
    QTest::addColumn<int>("connections");

    QTest::newRow("one allowed, two come") << 1 << 2;
    QTest::newRow("three allowed, five come") << 3 << 5;
}

// Connections past the limit are not taken, and so not dropped after the system took their
// bytes: each is served, in turn, once the ones held have closed.
void TestVirtualPrinter::waitsBeyondMaxClients()
{
    QFETCH(int, maxClients);
    QFETCH(int, connections);

    HeadlessPrinter printer(program);
    QVERIFY(printer.start(
            {u"--listen"_s, u"127.0.0.1:0"_s, u"--max-clients"_s, QString::number(maxClients)}));
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < connections; ++i) {
        clients.push_back(std::make_unique<QTcpSocket>());
        QVERIFY(HeadlessPrinter::reach(*clients.back(), printer.port()));
        clients.back()->write(statusRequest);
    }
    // The first holds the printer and hears its answer; then the held ones leave.
    QVERIFY(clients.front()->waitForReadyRead(Patience));
    QTRY_VERIFY_WITH_TIMEOUT(printer.readErrors().contains("more wait"), Patience);
    for (int i = 0; i < maxClients; ++i)
        QVERIFY(closeAndWait(*clients[size_t(i)]));
    for (int i = maxClients; i < connections; ++i) {
        QTcpSocket &client = *clients[size_t(i)];
        QVERIFY2(client.bytesAvailable() > 0 || client.waitForReadyRead(Patience),
                 qPrintable(u"client %1"_s.arg(i + 1)));
        QCOMPARE(client.readAll().toHex(), "12"_ba);
        QVERIFY(closeAndWait(client));
    }
}

// With no file descriptor left, connections stay queued in the system; once descriptors are
// free again they are taken and served.
void TestVirtualPrinter::waitsForDescriptors()
{
    if (Sanitized)
        QSKIP("the sanitizers stop a program that has no descriptor left");
    if (QStandardPaths::findExecutable(u"prlimit"_s).isEmpty())
        QSKIP("prlimit is missing: the program's descriptors cannot be limited");
    HeadlessPrinter printer(program);
    QVERIFY(printer.start({u"--listen"_s, u"127.0.0.1:0"_s}, {u"prlimit"_s, u"--nofile=24"_s}));
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < 30; ++i) {
        clients.push_back(std::make_unique<QTcpSocket>());
        QVERIFY(HeadlessPrinter::reach(*clients.back(), printer.port()));
    }
    QTRY_VERIFY_WITH_TIMEOUT(printer.readErrors().contains("cannot take a connection"), Patience);
    clients.clear();
    QVERIFY(printer.serves());
}

// Receipts are saved under new names only, whatever the folder holds or becomes; a failure is
// reported and the printer serves on.
void TestVirtualPrinter::savesTruthfully_data()
{
    QTest::addColumn<QStringList>("existing"); // "name" a file, "name>target" a symbolic link
    QTest::addColumn<QString>("event");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QByteArray>("report");

    const QStringList three = numberedFiles(1, 3);
    QTest::newRow("empty folder") << QStringList{} << QString() << three << QByteArray();
    QTest::newRow("after the highest number there")
            << QStringList{u"notes.txt"_s, u"receipt-0007.png"_s, u"receipt-0120.png"_s}
            << QString()
            << QStringList{u"notes.txt"_s, u"receipt-0007.png"_s, u"receipt-0120.png"_s}
                       + numberedFiles(121, 3)
            << QByteArray();
    QTest::newRow("a link planted before the start")
            << QStringList{u"receipt-0002.png>victim"_s} << QString() << numberedFiles(2, 4)
            << QByteArray();
    QTest::newRow("a link planted while serving")
            << QStringList{} << u"plant receipt-0001.png>victim"_s << numberedFiles(1, 4)
            << QByteArray();
    // A folder that cannot be written at start stops the program (tst_exitstatus); one that
    // becomes read-only while serving is reported at each receipt.
    QTest::newRow("folder made read-only while serving")
            << QStringList{} << u"read-only"_s << QStringList{} << "cannot save"_ba;
    QTest::newRow("folder deleted while serving")
            << QStringList{} << u"delete"_s << numberedFiles(2, 2) << QByteArray();
}

void TestVirtualPrinter::savesTruthfully()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, event);
    QFETCH(QStringList, expected);
    QFETCH(QByteArray, report);

    QTemporaryDir root;
    const QString folder = root.filePath(u"receipts"_s);
    const QString victim = root.filePath(u"victim"_s);
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeFile(victim, "precious\n"));
    auto make = [&](const QString &entry) {
        const QString name = entry.section(u'>', 0, 0);
        const QString path = QDir(folder).filePath(name);
        if (entry.contains(u'>'))
            return QFile::link(root.filePath(entry.section(u'>', 1)), path);
        return writeFile(path, name.toUtf8());
    };
    for (const QString &entry : std::as_const(existing))
        QVERIFY(make(entry));

    QStringList wrapper;
    if (event == u"read-only"_s) {
        if (::geteuid() == 0) {
            // Root writes in a read-only folder unless it gives up overriding permissions.
            if (QStandardPaths::findExecutable(u"setpriv"_s).isEmpty())
                QSKIP("running as root without setpriv: a read-only folder cannot be made");
            wrapper = QStringList{u"setpriv"_s,
                                  u"--bounding-set=-dac_override,-dac_read_search"_s,
                                  u"--inh-caps=-all"_s};
        }
    }
    HeadlessPrinter printer(program);
    QVERIFY(printer.start({u"--listen"_s, u"127.0.0.1:0"_s, u"--save"_s, folder}, wrapper));
    if (event == u"read-only"_s)
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    if (event.startsWith(u"plant "_s))
        QVERIFY(make(event.mid(6)));
    if (event == u"delete"_s) {
        play(printer, {send(0, numberedReceipts(1).join()), leave(0)});
        QTRY_COMPARE_WITH_TIMEOUT(receiptFiles(folder), numberedFiles(1, 1), Patience);
        QVERIFY(QDir(folder).removeRecursively());
        play(printer, {send(1, numberedReceipts(2).join()), leave(1)});
    } else {
        play(printer, {send(0, numberedReceipts(3).join()), leave(0)});
    }

    if (!report.isEmpty())
        QTRY_VERIFY_WITH_TIMEOUT(printer.readErrors().count(report) == 3, Patience);
    QTRY_COMPARE_WITH_TIMEOUT(receiptFiles(folder), expected, Patience);
    QVERIFY(printer.serves());
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(readFile(victim), "precious\n"_ba);
    for (const QString &name : std::as_const(expected)) {
        const QFileInfo file(QDir(folder).filePath(name));
        if (!file.isSymLink() && !existing.contains(name))
            QVERIFY2(!QImage(file.filePath()).isNull(), qPrintable(name));
    }
}

// A folder on a file system that fills up: the receipts that fit are whole, picture and JSON,
// and the others are reported and leave no picture behind.
void TestVirtualPrinter::reportsAFullDisk()
{
    QTemporaryDir folder;
    // The program runs in a mount namespace of its own where the folder is a 256 KiB tmpfs; the
    // test sees the folder through the program's /proc/PID/root.
    const QStringList wrapper{u"unshare"_s,
                              u"--mount"_s,
                              u"--map-root-user"_s,
                              u"sh"_s,
                              u"-c"_s,
                              u"mount -t tmpfs -o size=256k tmpfs \"$0\" && exec \"$@\""_s,
                              folder.path()};
    HeadlessPrinter printer(program);
    if (QStandardPaths::findExecutable(u"unshare"_s).isEmpty()
        || !printer.start({u"--listen"_s, u"127.0.0.1:0"_s, u"--save"_s, folder.path()}, wrapper)) {
        QSKIP(qPrintable(u"a small tmpfs cannot be mounted here: "_s
                         + QString::fromLocal8Bit(printer.readErrors()).trimmed()));
    }
    const QString seen = u"/proc/%1/root%2"_s.arg(printer.process().processId()).arg(folder.path());

    constexpr int Receipts = 40;
    QByteArray job;
    for (int i = 1; i <= Receipts; ++i)
        job += "\033@"_ba + lines("receipt " + QByteArray::number(i), 40) + cut;
    play(printer, {send(0, job), leave(0)});
    // A receipt is saved once its JSON is there.
    const auto saved = [&seen] {
        return QDir(seen).entryList({u"receipt-*.json"_s}, QDir::Files).size();
    };
    QTRY_VERIFY_WITH_TIMEOUT(saved() + printer.readErrors().count("cannot save") == Receipts,
                             Patience);
    QVERIFY2(saved() < Receipts, "the tmpfs must fill up");
    const QStringList files = receiptFiles(seen);
    QCOMPARE(files.size(), saved());
    for (const QString &name : files) {
        QVERIFY2(!QImage(QDir(seen).filePath(name)).isNull(), qPrintable(name));
        QVERIFY2(QFile::exists(QDir(seen).filePath(name.chopped(4) + u".json"_s)),
                 qPrintable(name));
    }
    QVERIFY(printer.serves());
}

// A client that sends its requests and shuts down its sending side, as `nc -N` and
// point-of-sale code do, reads every answer before the connection ends.
void TestVirtualPrinter::answersAHalfClosedClient_data()
{
    QTest::addColumn<QByteArray>("requests");
    QTest::addColumn<bool>("waiting"); // another client holds the printer meanwhile
    QTest::addColumn<QByteArray>("answers");

    QTest::newRow("one status request") << statusRequest << false << "12"_ba;
    QTest::newRow("three, with a receipt")
            << statusRequest + "\033@text\n"_ba + cut + statusRequest + statusRequest << false
            << "121212"_ba;
    QTest::newRow("waiting its turn") << statusRequest << true << "12"_ba;
}

void TestVirtualPrinter::answersAHalfClosedClient()
{
    QFETCH(QByteArray, requests);
    QFETCH(bool, waiting);
    QFETCH(QByteArray, answers);

    HeadlessPrinter printer(program);
    QVERIFY(printer.start({u"--listen"_s, u"127.0.0.1:0"_s}));
    QTcpSocket holder;
    if (waiting) {
        QVERIFY(HeadlessPrinter::reach(holder, printer.port()));
        QCOMPARE(exchange(holder, statusRequest, 1).toHex(), "12"_ba);
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(printer.port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    QCOMPARE(::write(fd, requests.constData(), size_t(requests.size())), ssize_t(requests.size()));
    QCOMPARE(::shutdown(fd, SHUT_WR), 0);
    if (waiting)
        QVERIFY(closeAndWait(holder));
    QByteArray received;
    for (;;) {
        pollfd readable{fd, POLLIN, 0};
        if (::poll(&readable, 1, Patience) != 1)
            break;
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break; // the end: the printer closed its side after the answers
        received.append(buffer, n);
    }
    ::close(fd);
    QCOMPARE(received.toHex(), answers);
}

// Clients that connect, send a receipt and close, one after another and faster than receipts
// are saved: every receipt is saved, none refused at the connection limit.
void TestVirtualPrinter::keepsEveryShortConnection()
{
    constexpr int Clients = 100;
    QTemporaryDir saved;
    HeadlessPrinter printer(program);
    QVERIFY(printer.start(u"--listen 127.0.0.1:0 --max-clients 2 --save"_s.split(u' ')
                          << saved.path()));
    for (int i = 1; i <= Clients; ++i) {
        QTcpSocket client;
        QVERIFY(HeadlessPrinter::reach(client, printer.port()));
        client.write("\033@short connection "_ba + QByteArray::number(i) + "\n"_ba + cut);
        QVERIFY(client.waitForBytesWritten(Patience));
    }
    QTRY_COMPARE_WITH_TIMEOUT(
            QDir(saved.path()).entryList({u"receipt-*.json"_s}, QDir::Files).size(),
            Clients,
            Patience);
    QCOMPARE(receiptFiles(saved.path()), numberedFiles(1, Clients));
}

// Two printers saving into one folder at once: each receipt under a number of its own.
void TestVirtualPrinter::sharesAFolder()
{
    constexpr int Each = 60;
    QTemporaryDir saved;
    HeadlessPrinter first(program);
    HeadlessPrinter second(program);
    for (HeadlessPrinter *printer : {&first, &second})
        QVERIFY(printer->start({u"--listen"_s, u"127.0.0.1:0"_s, u"--save"_s, saved.path()}));
    QTcpSocket one;
    QTcpSocket other;
    QVERIFY(HeadlessPrinter::reach(one, first.port())
            && HeadlessPrinter::reach(other, second.port()));
    one.write(numberedReceipts(Each).join());
    other.write(numberedReceipts(Each).join());
    QVERIFY(closeAndWait(one) && closeAndWait(other));
    QTRY_COMPARE_WITH_TIMEOUT(
            QDir(saved.path()).entryList({u"receipt-*.json"_s}, QDir::Files).size(),
            2 * qsizetype(Each),
            Patience);
    QCOMPARE(receiptFiles(saved.path()), numberedFiles(1, Each + Each));
    QVERIFY(!first.readErrors().contains("cannot save"));
    QVERIFY(!second.readErrors().contains("cannot save"));
}

// What a printer stopped in the middle of saving left behind (by kill -9, a full disk, or an
// earlier version that wrote the JSON first) is removed when the next one starts; a receipt's
// picture alone, which may be someone's own file, is left.
void TestVirtualPrinter::cleansUpAtStart_data()
{
    QTest::addColumn<QStringList>("planted"); // "name" or "name=contents"
    QTest::addColumn<QStringList>("removed");
    QTest::addColumn<QStringList>("expected"); // once one receipt is printed

    // A process id past the system's largest is a process that is gone.
    const QString gonePart = u".receipt-0003.png.2147483600.0123456789abcdef.part"_s;
    QTest::newRow("a temporary file of a printer that is gone")
            << QStringList{gonePart} << QStringList{gonePart} << numberedFiles(1, 1);
    const QString oldPart = u".receipt-0004.json.0123456789abcdef.part"_s;
    QTest::newRow("a temporary file of an earlier version")
            << QStringList{oldPart} << QStringList{oldPart} << numberedFiles(1, 1);
    QTest::newRow("a JSON without its picture")
            << QStringList{u"receipt-0005.json"_s} << QStringList{u"receipt-0005.json"_s}
            << numberedFiles(1, 1);
    QTest::newRow("a claim of a printer that is gone, with its picture")
            << QStringList{u".receipt-0006.claim=2147483600"_s, u"receipt-0006.png"_s}
            << QStringList{u".receipt-0006.claim"_s, u"receipt-0006.png"_s} << numberedFiles(1, 1);
    QTest::newRow("a picture alone") << QStringList{u"receipt-0002.png"_s} << QStringList{}
                                     << QStringList{u"receipt-0002.png"_s, u"receipt-0003.png"_s};
    QTest::newRow("a number past the last")
            << QStringList{u"receipt-2147483646.png"_s} << QStringList{}
            << QStringList{u"receipt-0001.png"_s, u"receipt-2147483646.png"_s};
}

void TestVirtualPrinter::cleansUpAtStart()
{
    QFETCH(QStringList, planted);
    QFETCH(QStringList, removed);
    QFETCH(QStringList, expected);

    QTemporaryDir saved;
    for (const QString &entry : std::as_const(planted)) {
        QVERIFY(writeFile(QDir(saved.path()).filePath(entry.section(u'=', 0, 0)),
                          entry.section(u'=', 1).toUtf8()));
    }
    HeadlessPrinter printer(program);
    QVERIFY(printer.start({u"--listen"_s, u"127.0.0.1:0"_s, u"--save"_s, saved.path()}));
    for (const QString &name : std::as_const(removed))
        QVERIFY2(!QFile::exists(QDir(saved.path()).filePath(name)), qPrintable(name));
    play(printer, {send(0, numberedReceipts(1).join()), leave(0)});
    QTRY_COMPARE_WITH_TIMEOUT(receiptFiles(saved.path()), expected, Patience);
}

// Saving writes new files only: a name already taken, by a file or a link, fails and leaves
// what is there as it was. The receipts' numbers rely on it when folders are shared.
void TestVirtualPrinter::neverReplacesAFile_data()
{
    QTest::addColumn<bool>("link");
    QTest::newRow("a file") << false;
    QTest::newRow("a link") << true;
}

void TestVirtualPrinter::neverReplacesAFile()
{
    QFETCH(bool, link);

    QTemporaryDir root;
    const QString name = u"receipt-0001.png"_s;
    const QString existing = root.filePath(link ? u"target"_s : name);
    QVERIFY(writeFile(existing, "precious\n"));
    if (link)
        QVERIFY(QFile::link(existing, root.filePath(name)));
    vprinter::ReceiptFolder folder(root.path());
    QString error;
    QVERIFY(!folder.writeFile(name, "new bytes", &error));
    QVERIFY2(error.contains(u"exists"_s), qPrintable(error));
    QCOMPARE(readFile(existing), "precious\n"_ba);
    QCOMPARE(QFileInfo(root.filePath(name)).isSymLink(), link);
    QVERIFY(folder.writeFile(u"receipt-0002.png"_s, "new bytes", &error));
}

void TestVirtualPrinter::listensWhereAsked_data()
{
    QTest::addColumn<bool>("explicitly");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("--listen with a port in use") << true << 2;
    QTest::newRow("the default port in use") << false << -1;
}

void TestVirtualPrinter::listensWhereAsked()
{
    QFETCH(bool, explicitly);
    QFETCH(int, exitCode);

    // The default port may be held by another program already: it is in use either way.
    QTcpServer taken;
    if (!taken.listen(QHostAddress::LocalHost, explicitly ? 0 : 9100) && explicitly)
        QFAIL("no port to take");
    const quint16 port = explicitly ? taken.serverPort() : 9100;
    const QString address = u"127.0.0.1:%1"_s.arg(port);
    HeadlessPrinter printer(program);
    const bool started = printer.start(explicitly ? QStringList{u"--listen"_s, address}
                                                  : QStringList{});
    if (exitCode >= 0) {
        QVERIFY(!started);
        QVERIFY(printer.process().state() == QProcess::NotRunning
                || printer.process().waitForFinished(Patience));
        QCOMPARE(printer.process().exitCode(), exitCode);
        QVERIFY(printer.readErrors().contains(address.toLatin1()));
    } else {
        QVERIFY(started);
        QVERIFY(printer.port() > port);
        QVERIFY(printer.readErrors().contains("in use"));
    }
}

QTEST_MAIN(TestVirtualPrinter)
#include "tst_virtualprinter.moc"
