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
    void answersStatusRequests();
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

void TestVirtualPrinter::answersStatusRequests()
{
    QProcess process;
    process.setEnvironment(QProcess::systemEnvironment() << u"QT_QPA_PLATFORM=offscreen"_s);
    process.start(program, {});
    while (!process.canReadLine() && process.waitForReadyRead(Patience)) {
    }
    const QByteArray path = process.readLine().trimmed(); // the program names its port first
    QVERIFY2(path.startsWith("/dev/pts/"), path.constData());
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY);
    termios settings{};
    ::tcgetattr(fd, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(fd, TCSANOW, &settings);

    // Six bytes for DLE EOT 20, one for DLE EOT 2, and six again after a job.
    const QByteArray requests = "\020\004\024\020\004\002\033E\001A\n\033i\020\004\024"_ba;
    QCOMPARE(::write(fd, requests.constData(), size_t(requests.size())), ssize_t(requests.size()));
    QByteArray answer;
    char byte = 0;
    pollfd readable{fd, POLLIN, 0};
    while (answer.size() < 13 && ::poll(&readable, 1, Patience) > 0 && ::read(fd, &byte, 1) == 1)
        answer += byte;
    QCOMPARE(answer.toHex(' '), "12 12 00 00 00 00 12 12 12 00 00 00 00"_ba);
    ::close(fd); // the process is killed as it goes out of scope
}

QTEST_GUILESS_MAIN(TestVirtualPrinter)
#include "tst_virtualprinter.moc"
