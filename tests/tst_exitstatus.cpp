#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString tool = QStringLiteral(TOOL_PATH);
const QString printer = QStringLiteral(VIRTUAL_PRINTER_PATH);
constexpr int Patience = 30000; // a program that does not stop has started instead of refusing

} // namespace

// Both programs' exit statuses for a command line they cannot carry out: 2 and a message naming
// the fault, never the 1 that --expect gives receipts that differ, and never a start.
class TestExitStatus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void usageErrors_data();
    void usageErrors();
};

void TestExitStatus::usageErrors_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message"); // standard error holds it
    QTest::addColumn<bool>("display");    // false: run where no window can be shown

    // A server's rows listen on a free loopback port, should the program start after all.
    const QStringList server = {u"--headless"_s, u"--listen"_s, u"127.0.0.1:0"_s};
    // clang-format off
    QTest::newRow("printer: misspelt option")   << printer << QStringList{u"--expcet"_s, u"x.json"_s}                 << 2 << u"Unknown option 'expcet'"_s << true;
    QTest::newRow("printer: option, no value")  << printer << QStringList{u"--input"_s, u"x.bin"_s, u"--expect"_s} << 2 << u"Missing value after '--expect'"_s << true;
    QTest::newRow("printer: stray argument")    << printer << server + QStringList{u"receipt.bin"_s}                << 2 << u"unexpected argument receipt.bin"_s << true;
    QTest::newRow("printer: --paper 57")        << printer << QStringList{u"--paper"_s, u"57"_s}                     << 2 << u"--paper takes 80 or 58"_s << true;
    QTest::newRow("printer: --lang fr")         << printer << QStringList{u"--lang"_s, u"fr"_s}                      << 2 << u"--lang takes en or zh"_s << true;
    QTest::newRow("printer: --max-clients 0")   << printer << server + QStringList{u"--max-clients"_s, u"0"_s}     << 2 << u"--max-clients takes"_s << true;
    QTest::newRow("printer: --listen nonsense") << printer << QStringList{u"--headless"_s, u"--listen"_s, u"x"_s}   << 2 << u"--listen takes"_s << true;
    QTest::newRow("printer: --http nonsense")   << printer << server + QStringList{u"--http"_s, u"nonsense"_s}     << 2 << u"--http takes HOST:PORT"_s << true;
    QTest::newRow("printer: --cloudprnt ftp")   << printer << server + QStringList{u"--cloudprnt"_s, u"ftp://x/"_s} << 2 << u"--cloudprnt takes an http:// or https:// address"_s << true;
    QTest::newRow("printer: interval 0")        << printer << server + QStringList{u"--cloudprnt"_s, u"http://127.0.0.1:1/"_s, u"--cloudprnt-interval"_s, u"0"_s} << 2 << u"--cloudprnt-interval takes seconds"_s << true;
    QTest::newRow("printer: --save a device")   << printer << server + QStringList{u"--save"_s, u"/dev/null"_s}    << 2 << u"/dev/null is not a folder"_s << true;
    QTest::newRow("printer: --save unmakable")  << printer << server + QStringList{u"--save"_s, u"/dev/null/r"_s}  << 2 << u"cannot make the folder /dev/null/r: Not a directory"_s << true;
    QTest::newRow("printer: --strict alone")    << printer << QStringList{u"--input"_s, u"x.bin"_s, u"--strict"_s} << 2 << u"--strict goes with --expect"_s << true;
    QTest::newRow("printer: --help")            << printer << QStringList{u"--help"_s}                               << 0 << QString() << true;
    QTest::newRow("tool: misspelt option")      << tool    << QStringList{u"--prot"_s, u"COM1"_s}                    << 2 << u"Unknown option 'prot'"_s << true;
    QTest::newRow("tool: option, no value")     << tool    << QStringList{u"--lang"_s}                               << 2 << u"Missing value after '--lang'"_s << true;
    QTest::newRow("tool: --lang fr")            << tool    << QStringList{u"--lang"_s, u"fr"_s}                      << 2 << u"--lang takes en or zh"_s << true;
    QTest::newRow("tool: stray argument")       << tool    << QStringList{u"COM1"_s}                                 << 2 << u"unexpected argument COM1"_s << true;
    QTest::newRow("tool: --version")            << tool    << QStringList{u"--version"_s}                            << 0 << QString() << true;
    // Without a display, the command line is still judged first; a right one needs a display.
    const QStringList window = {u"--listen"_s, u"127.0.0.1:0"_s};
    QTest::newRow("printer: misspelt, no display") << printer << QStringList{u"--expcet"_s}                 << 2 << u"Unknown option 'expcet'"_s << false;
    QTest::newRow("printer: --lang fr, no display") << printer << QStringList{u"--lang"_s, u"fr"_s}         << 2 << u"--lang takes en or zh"_s << false;
    QTest::newRow("printer: window, no display")   << printer << window                                   << 2 << u"no display for the window"_s << false;
    QTest::newRow("tool: misspelt, no display")    << tool    << QStringList{u"--prot"_s}                    << 2 << u"Unknown option 'prot'"_s << false;
    QTest::newRow("tool: window, no display")      << tool    << QStringList{}                               << 2 << u"no display for the window"_s << false;
    QTest::newRow("tool: --help, no display")      << tool    << QStringList{u"--help"_s}                    << 0 << QString() << false;
    // clang-format on
}

void TestExitStatus::usageErrors()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(bool, display);

    QProcess process;
    if (!display) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            environment.remove(name);
        process.setProcessEnvironment(environment);
    }
    process.start(program, arguments);
    QVERIFY(process.waitForStarted(Patience));
    if (!process.waitForFinished(Patience)) {
        process.kill();
        process.waitForFinished();
        QFAIL("the program started instead of refusing its command line");
    }
    const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    // The fault is what is said, with no warning about a port in use before it.
    QVERIFY2(errors.contains(message), qPrintable(errors));
    QVERIFY2(!errors.contains(u"in use"_s), qPrintable(errors));
}

QTEST_GUILESS_MAIN(TestExitStatus)
#include "tst_exitstatus.moc"
