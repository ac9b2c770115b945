#include "PrinterWindow.h"
#include "PseudoTerminal.h"

#include <QCheckBox>
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
    void answersAsTheBoxesSay_data();
    void answersAsTheBoxesSay();
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
    vprinter::PrinterWindow window(&terminal);
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

QTEST_MAIN(TestVirtualPrinter)
#include "tst_virtualprinter.moc"
