#include "FormDriver.h"

#include <QRadioButton>
#include <QTemporaryFile>

class TestForm1 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { startLikeTheTool(); }
    void startUpState();
    void shortcutsFromEveryBox_data();
    void shortcutsFromEveryBox();
    void lineSettings_data();
    void lineSettings();
    void refusedOpen_data();
    void refusedOpen();
};

void TestForm1::startUpState()
{
    FormDriver d;
    QVERIFY(d.isClosedState());
    QCOMPARE(QApplication::focusWidget(), d.get("Combo1"));
    for (QRadioButton *option : d.form.findChildren<QRadioButton *>())
        QVERIFY(!option->isChecked());
    auto *black = d.get<QAction>("Paper_Black");
    auto *white = d.get<QAction>("Paper_White");
    QVERIFY(!black->isChecked() && white->isChecked());
    for (int i = 0; i < 2; ++i) { // choosing the checked item again changes nothing
        black->trigger();
        QVERIFY(black->isChecked() && !white->isChecked());
    }
}

void TestForm1::shortcutsFromEveryBox_data()
{
    QTest::addColumn<bool>("open");
    QTest::newRow("link closed") << false;
    QTest::newRow("link open") << true;
}

void TestForm1::shortcutsFromEveryBox()
{
    QFETCH(bool, open);
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(!open || d.open(printer));
    for (const char *box : {"Combo1", "Combo2", "Combo3", "Combo4", "Combo5", "Combo6", "Text1"}) {
        if (!d.get(box)->isEnabled())
            continue;
        QTest::mouseClick(d.get(box), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY2(d.get(box)->hasFocus(), box);
        d.messages.clear();
        d.key(Qt::Key_A, Qt::ControlModifier);
        d.key(Qt::Key_H, Qt::ControlModifier);
        QCOMPARE(d.messages.size(), 2);
        QCOMPARE(d.messages[0].icon, QMessageBox::Information); // About
        QCOMPARE(d.messages[1].icon, QMessageBox::NoIcon);      // the usage note
        d.key(Qt::Key_Q, Qt::ControlModifier);
        QVERIFY2(!d.form.isVisible(), box);
        d.form.show();
        d.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d.form));
    }
    QVERIFY(printer.readQuiet().isEmpty());
}

void TestForm1::lineSettings_data()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("bits");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("twoStopBits");

    // clang-format off
    QTest::newRow("start-up")                  << "115200" << "8"   << "1"   << int(B115200) << false;
    QTest::newRow("9600, 2 stop bits")         << "9600"   << "8"   << "2"   << int(B9600)   << true;
    QTest::newRow("1.5 stop bits go out as 2") << "1200"   << "8"   << "1.5" << int(B1200)   << true;
    QTest::newRow("halves round to even")      << "50"     << "8.4" << "2.5" << int(B50)     << true;
    // clang-format on
}

void TestForm1::lineSettings()
{
    QFETCH(QString, baud);
    QFETCH(QString, bits);
    QFETCH(QString, stop);
    QFETCH(int, speed);
    QFETCH(bool, twoStopBits);
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    d.click("Command20");
    QVERIFY(d.isClosedState());
    QVERIFY(d.open(printer.path(), baud, bits, stop)); // the next open reads the boxes again
    const termios tio = printer.lineSettings();
    QCOMPARE(int(cfgetospeed(&tio)), speed);
    QCOMPARE(bool(tio.c_cflag & CSTOPB), twoStopBits);
    QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
    QVERIFY(!(tio.c_cflag & PARENB));
    QVERIFY(printer.readQuiet().isEmpty()); // opening and closing send nothing
    QVERIFY(d.messages.isEmpty());
}

void TestForm1::refusedOpen_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("bits");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("reason");

    // clang-format off
    QTest::newRow("unknown name")      << "COM9"               << "115200" << "8" << "1" << "不是端口名";
    QTest::newRow("missing device")    << "/dev/ttyNoSuchPort" << "115200" << "8" << "1" << "不存在";
    QTest::newRow("regular file")      << "FILE"               << "115200" << "8" << "1" << "不是串口";
    QTest::newRow("directory")         << "/tmp"               << "115200" << "8" << "1" << "不是串口";
    QTest::newRow("not a tty")         << "/dev/null"          << "115200" << "8" << "1" << "不是串口";
    QTest::newRow("baud not a number") << "PTY"                << "96OO"   << "8" << "1" << "96OO,,8,1";
    QTest::newRow("baud with a blank") << "PTY"                << " 9600"  << "8" << "1" << " 9600,,8,1";
    QTest::newRow("baud too high")     << "PTY"                << "99999999999" << "8" << "1" << "99999999999,,8,1";
    QTest::newRow("nine data bits")    << "PTY"                << "9600"   << "9" << "1" << "9600,,9,1";
    QTest::newRow("bits not a number") << "PTY"                << "9600"   << "eight" << "1" << "9600,,eight,1";
    QTest::newRow("0.5 stop bits")     << "PTY"                << "9600"   << "8" << "0.5" << "9600,,8,0.5";
    QTest::newRow("3 stop bits")       << "PTY"                << "9600"   << "8" << "3" << "9600,,8,3";
    QTest::newRow("percent in baud")   << "PTY"                << "9%2"    << "8" << "1" << "不能使用线路设置 9%2,,8,1";
    // A pseudo-terminal carries 8 data bits only: it opens, then refuses the settings.
    QTest::newRow("settings the port refuses") << "PTY"        << "9600"   << "7" << "1" << "9600,,7,1";
    // clang-format on
}

void TestForm1::refusedOpen()
{
    QFETCH(QString, port);
    QFETCH(QString, baud);
    QFETCH(QString, bits);
    QFETCH(QString, stop);
    QFETCH(QString, reason);
    PtyPrinter printer;
    QTemporaryFile file;
    QVERIFY(file.open());
    if (port == u"FILE")
        port = file.fileName();
    if (port == u"PTY")
        port = printer.path();

    FormDriver d;
    QVERIFY(!d.open(port, baud, bits, stop));
    QCOMPARE(d.messages.size(), 1);
    QVERIFY2(d.messages.first().text.contains(reason), qPrintable(d.messages.first().text));
    QVERIFY(d.isClosedState());
    QCOMPARE(d.text("Combo1"), port); // the typed text stays for the operator to mend
    // The port was left closed: mended, it opens at once.
    QVERIFY(port != printer.path()
            || d.open(port, QStringLiteral("9600"), QStringLiteral("8"), QStringLiteral("1")));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
