#include "DemoJobs.h"

#include <QImage>
#include <QProcess>
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
    void refusesUnreadableInput();
    void answersStatusRequests_data();
    void answersStatusRequests();
};

namespace {

const QString program = QStringLiteral(VIRTUAL_PRINTER_PATH);
constexpr int Patience = 30000; // ms to wait for the program before giving up

// Reads exactly count bytes, or fewer if none come for a while.
QByteArray readSome(int fd, int count)
{
    QByteArray bytes;
    while (bytes.size() < count) {
        pollfd descriptor{fd, POLLIN, 0};
        if (::poll(&descriptor, 1, Patience) <= 0)
            break;
        char buffer[16];
        const ssize_t n = ::read(
                fd, buffer, size_t(qMin<qsizetype>(count - bytes.size(), sizeof buffer)));
        if (n <= 0)
            break;
        bytes.append(buffer, n);
    }
    return bytes;
}

} // namespace

void TestVirtualPrinter::rendersFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString input = dir.filePath(u"jobs.bin"_s);
    const QString png = dir.filePath(u"jobs.png"_s);
    QFile file(input);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(DemoJobs::testPage() + DemoJobs::chinese() + DemoJobs::barcode("UPC-A", 0x41, "12"));
    file.close();

    QProcess process;
    process.start(program, {u"--input"_s, input, u"--png"_s, png});
    QVERIFY(process.waitForFinished(Patience));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    // The two-digit UPC-A is refused and reported.
    QVERIFY(process.readAllStandardError().contains("UPC-A"));
    const QImage image(png);
    QVERIFY(!image.isNull());
    QVERIFY(image.height() > 600);
}

void TestVirtualPrinter::refusesUnreadableInput()
{
    QTemporaryDir dir;
    QProcess process;
    process.start(
            program,
            {u"--input"_s, dir.filePath(u"missing.bin"_s), u"--png"_s, dir.filePath(u"out.png"_s)});
    QVERIFY(process.waitForFinished(Patience));
    QVERIFY(process.exitCode() != 0);
}

void TestVirtualPrinter::answersStatusRequests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("six-byte status")
            << QByteArray("\x10\x04\x14") << QByteArray("\x12\x12\0\0\0\0", 6);
    QTest::newRow("off-line cause") << QByteArray("\x10\x04\x02") << QByteArray("\x12");
    QTest::newRow("after a job") << DemoJobs::samplePage() + "\x10\x04\x14"
                                 << QByteArray("\x12\x12\0\0\0\0", 6);
}

void TestVirtualPrinter::answersStatusRequests()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process.setProcessEnvironment(environment);
    process.start(program, {});
    QVERIFY(process.waitForStarted(Patience));
    while (!process.canReadLine() && process.state() == QProcess::Running)
        process.waitForReadyRead(Patience);
    const QByteArray path = process.readLine().trimmed();
    QVERIFY2(path.startsWith("/dev/pts/"), path.constData());

    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    termios settings{};
    ::tcgetattr(fd, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(fd, TCSANOW, &settings);
    QCOMPARE(::write(fd, request.constData(), size_t(request.size())), ssize_t(request.size()));
    const QByteArray answer = readSome(fd, int(reply.size()));
    ::close(fd);
    process.kill();
    process.waitForFinished(Patience);
    QCOMPARE(answer.toHex(' '), reply.toHex(' '));
}

QTEST_GUILESS_MAIN(TestVirtualPrinter)
#include "tst_virtualprinter.moc"
