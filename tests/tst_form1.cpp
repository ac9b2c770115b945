#include "FormDriver.h"

#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTemporaryFile>

class TestForm1 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { app::applyWindowLook(); }
    void startUpState();
    void layoutFitsEveryCaption();
    void shortcutsFromEveryBox_data();
    void shortcutsFromEveryBox();
    void lineSettings_data();
    void lineSettings();
    void refusedOpen_data();
    void refusedOpen();
    void quitLosesNothing();
};

void TestForm1::startUpState()
{
    FormDriver d;
    QVERIFY(d.isClosedState());
    QCOMPARE(QApplication::focusWidget(), d.get("Combo1"));
    auto *port = d.get<QComboBox>("Combo1");
    QCOMPARE(port->count(), 8); // the system's ports are read when the list drops down
    QCOMPARE(port->itemText(7), QStringLiteral("COM8"));
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

void TestForm1::layoutFitsEveryCaption()
{
    // Every caption fits its control at the chosen font, and is not covered by a later sibling.
    FormDriver d;
    for (QAbstractButton *button : d.form.findChildren<QAbstractButton *>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        const QStyle::SubElement contents = qobject_cast<QRadioButton *>(button)
                                                    ? QStyle::SE_RadioButtonContents
                                                    : QStyle::SE_PushButtonContents;
        const QRect textRect = button->style()->subElementRect(contents, &option, button);
        const int needed = button->width() - textRect.width()
                           + button->fontMetrics().horizontalAdvance(button->text());
        int room = button->width();
        const QObjectList &siblings = button->parentWidget()->children();
        for (QObject *object : siblings) {
            auto *sibling = qobject_cast<QWidget *>(object);
            if (sibling && siblings.indexOf(sibling) > siblings.indexOf(button)
                && sibling->geometry().intersects(button->geometry()) && sibling->x() > button->x())
                room = std::min(room, sibling->x() - button->x());
        }
        QVERIFY2(needed <= room, qPrintable(button->objectName()));
    }
    for (QLabel *label : d.form.findChildren<QLabel *>())
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(label->objectName()));
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
    QTest::addColumn<QString>("stop");
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("twoStopBits");

    QTest::newRow("start-up") << "115200"
                              << "1" << int(B115200) << false;
    QTest::newRow("9600, 2 stop bits") << "9600"
                                       << "2" << int(B9600) << true;
    QTest::newRow("1.5 stop bits go out as 2") << "1200"
                                               << "1.5" << int(B1200) << true;
}

void TestForm1::lineSettings()
{
    QFETCH(QString, baud);
    QFETCH(QString, stop);
    QFETCH(int, speed);
    QFETCH(bool, twoStopBits);
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    d.click("Command20");
    QVERIFY(d.isClosedState());
    // The next open reads the boxes again.
    d.type("Combo2", baud);
    d.type("Combo4", stop);
    QVERIFY(d.open(printer));
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
    QTest::newRow("unknown name")      << "COM9"               << "115200" << "8" << "1" << "is not a port name";
    QTest::newRow("missing device")    << "/dev/ttyNoSuchPort" << "115200" << "8" << "1" << "does not exist";
    QTest::newRow("regular file")      << "FILE"               << "115200" << "8" << "1" << "is not a serial port";
    QTest::newRow("baud not a number") << "PTY"                << "96OO"   << "8" << "1" << "96OO,,8,1";
    QTest::newRow("3 stop bits")       << "PTY"                << "9600"   << "8" << "3" << "9600,,8,3";
    QTest::newRow("percent in baud")   << "PTY"                << "9%2"    << "8" << "1" << "9%2,,8,1 cannot";
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
    d.type("Combo1", port);
    d.type("Combo2", baud);
    d.type("Combo3", bits);
    d.type("Combo4", stop);
    d.click("Command20");
    QCOMPARE(d.messages.size(), 1);
    QVERIFY2(d.messages.first().text.contains(reason), qPrintable(d.messages.first().text));
    QVERIFY(d.isClosedState());
    QCOMPARE(d.text("Combo1"), port); // the typed text stays for the operator to mend
    if (port == printer.path()) {     // and the port was left closed: mended, it opens at once
        d.type("Combo2", QStringLiteral("9600"));
        d.type("Combo3", QStringLiteral("8"));
        d.type("Combo4", QStringLiteral("1"));
        QVERIFY(d.open(printer));
    }
}

void TestForm1::quitLosesNothing()
{
    PtyPrinter printer;
    {
        FormDriver d;
        QVERIFY(d.open(printer));
        d.click("Command4");
        d.key(Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!d.form.isVisible());
    } // the window goes as the tool ends
    const QByteArray received = printer.read(327);
    QCOMPARE(received.size(), 327);
    QVERIFY(received.endsWith("\n\n\x1B\x69"));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
