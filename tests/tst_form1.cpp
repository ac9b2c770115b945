#include "FormDriver.h"
#include "app/FormLayout.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStyleOptionButton>
#include <QTemporaryFile>

class TestForm1 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { app::applyWindowLook(); }
    void startUpState();
    void layoutFitsEveryCaption();
    void menus();
    void openAndClose();
    void reopenReadsTheBoxesAgain();
    void refusedOpen_data();
    void refusedOpen();
    void feedAndInitialization();
    void options_data();
    void options();
    void optionsAcrossFrames();
    void blackMarkMenu();
    void help();
    void about();
    void quitLosesNothing();
};

void TestForm1::startUpState()
{
    FormDriver d;
    QCOMPARE(d.form.windowTitle(), QStringLiteral("Form1"));
    QCOMPARE(d.form.centralWidget()->size(), QSize(455, 300));
    const QList<std::pair<const char *, QString>> texts = {
            {"Frame1", QStringLiteral("串口设置：")},
            {"Frame2", QStringLiteral("打印项目：")},
            {"Frame3", QStringLiteral("设置对齐：")},
            {"Frame4", QStringLiteral("设置速度：")},
            {"Frame5", QStringLiteral("设置浓度：")},
            {"Label1", QStringLiteral("Port：")},
            {"Label4", QStringLiteral("StopBits：")},
            {"Combo1", QStringLiteral("COM1")},
            {"Combo2", QStringLiteral("115200")},
            {"Combo3", QStringLiteral("8")},
            {"Combo4", QStringLiteral("1")},
            {"Combo5", QStringLiteral("CODE39")},
            {"Combo6", QStringLiteral("normal")},
            {"Text1", QStringLiteral("1234567890")},
            {"Label5", QString()},
            {"Command20", QStringLiteral("open com")},
            {"Command19", QStringLiteral("Checking printer（Real-time status transmission）")},
    };
    for (const auto &[name, text] : texts)
        QCOMPARE(d.caption(name), text);

    auto items = [&](const char *name) {
        QStringList list;
        auto *combo = d.get<QComboBox>(name);
        for (int i = 0; i < combo->count(); ++i)
            list.append(combo->itemText(i));
        return list.join(u'|');
    };
    QCOMPARE(items("Combo2"), QStringLiteral("1200|2400|4800|9600|19200|38400|57600|115200"));
    QCOMPARE(items("Combo4"), QStringLiteral("1|1.5|2"));
    QCOMPARE(items("Combo5"),
             QStringLiteral("UPC-A|UPC-E|JAN13|JAN8|CODE39|ITF|CODABAR|CODE93|CODE128"));
    QCOMPARE(items("Combo6"),
             QStringLiteral("Emphasize|Double|90degree|italic|underline 1|underline 2|"
                            "upside down|amplify 1|amplify 2|normal"));

    QVERIFY(d.isClosedState());
    QVERIFY(d.get("Frame1")->isEnabled());
    for (QRadioButton *option : d.form.findChildren<QRadioButton *>())
        QVERIFY(!option->isChecked());
    QVERIFY(!d.get<QAction>("Paper_Black")->isChecked());
    QVERIFY(d.get<QAction>("Paper_White")->isChecked());
    QCOMPARE(d.form.printerLink().port(), nullptr);

    // Typed text is read as typed: no completion, and Enter does not add it to the list.
    d.type("Combo2", QStringLiteral("11"));
    QTest::keyClick(d.get<QComboBox>("Combo2")->lineEdit(), Qt::Key_Return);
    QCOMPARE(d.caption("Combo2"), QStringLiteral("11"));
    QCOMPARE(d.get<QComboBox>("Combo2")->count(), 8);

    // Tab walks the usable controls in the order of their tab indexes.
    d.get("Combo1")->setFocus();
    for (const char *next : {"Combo2", "Combo3", "Combo4", "Command20", "Combo1"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focus = QApplication::focusWidget();
        QVERIFY2(focus == d.get(next) || d.get(next)->isAncestorOf(focus), next);
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
        const int margins = button->width() - textRect.width();
        const int needed = margins + button->fontMetrics().horizontalAdvance(button->text());
        int room = button->width();
        for (QWidget *sibling :
             button->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            const bool later = button->parentWidget()->children().indexOf(sibling)
                               > button->parentWidget()->children().indexOf(button);
            if (later && sibling->geometry().intersects(button->geometry())
                && sibling->x() > button->x())
                room = std::min(room, sibling->x() - button->x());
        }
        QVERIFY2(needed <= room,
                 qPrintable(button->objectName()
                            + QStringLiteral(" needs %1 px, has %2").arg(needed).arg(room)));
    }
    for (QLabel *label : d.form.findChildren<QLabel *>()) {
        if (!label->text().isEmpty())
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                     qPrintable(label->objectName()));
    }
}

void TestForm1::menus()
{
    FormDriver d;
    QStringList titles;
    for (QAction *menu : d.form.menuBar()->actions())
        titles.append(menu->text());
    QCOMPARE(titles.join(u'|'), QStringLiteral("file|select|about"));
    const QList<std::tuple<const char *, QString, QKeySequence>> items = {
            {"Quit", QStringLiteral("quit&Q"), QKeySequence(QStringLiteral("Ctrl+Q"))},
            {"Paper_Black", QStringLiteral("black"), QKeySequence()},
            {"Paper_White", QStringLiteral("no black"), QKeySequence()},
            {"help", QStringLiteral("help"), QKeySequence(QStringLiteral("Ctrl+H"))},
            {"AboutDemo", QStringLiteral("about&A"), QKeySequence(QStringLiteral("Ctrl+A"))},
    };
    for (const auto &[name, caption, shortcut] : items) {
        QCOMPARE(d.get<QAction>(name)->text(), caption);
        QCOMPARE(d.get<QAction>(name)->shortcut(), shortcut);
    }
}

void TestForm1::openAndClose()
{
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    for (const char *name : {"Combo1", "Combo2", "Combo3", "Combo4"})
        QVERIFY(!d.get(name)->isEnabled());
    for (const char *name :
         {"Command19", "Frame2", "Frame3", "Frame4", "Frame5", "Frame1", "Command20"})
        QVERIFY(d.get(name)->isEnabled());
    QCOMPARE(d.form.printerLink().comm().settings(), QStringLiteral("115200,,8,1"));
    QVERIFY(d.form.printerLink().port() != nullptr);

    d.click("Command20");
    QVERIFY(d.isClosedState());
    QVERIFY(!d.form.printerLink().isOpen());
    QVERIFY(d.form.printerLink().port() != nullptr); // stays set; nothing can reach it
    QVERIFY(printer.readQuiet().isEmpty());          // opening and closing send nothing
    QVERIFY(d.messages.isEmpty());
}

void TestForm1::reopenReadsTheBoxesAgain()
{
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    d.click("Command20");
    d.type("Combo2", QStringLiteral("9600"));
    d.type("Combo4", QStringLiteral("1.5"));
    d.click("Command20");
    QCOMPARE(d.form.printerLink().comm().settings(), QStringLiteral("9600,,8,2"));
    const termios tio = printer.lineSettings();
    QCOMPARE(cfgetospeed(&tio), speed_t(B9600));
    QVERIFY(tio.c_cflag & CSTOPB);
}

void TestForm1::refusedOpen_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("bits");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("reason");

    // clang-format off
    QTest::newRow("missing device")    << "/dev/ttyNoSuchPort" << "115200" << "8" << "1" << "does not exist";
    QTest::newRow("regular file")      << "FILE"               << "115200" << "8" << "1" << "is not a serial port";
    QTest::newRow("baud not a number") << "PTY"                << "96OO"   << "8" << "1" << "baud rate \"96OO\"";
    QTest::newRow("stop bits refused") << "PTY"                << "9600"   << "8" << "3" << "3 stop bits";
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
    QCOMPARE(d.messages.first().title, app::applicationTitle);
    QCOMPARE(d.messages.first().buttons, QMessageBox::Ok);
    QVERIFY(d.isClosedState());
    QCOMPARE(d.form.printerLink().port(), nullptr);
    QCOMPARE(d.caption("Combo1"), port); // the typed text stays for the operator to mend
}

void TestForm1::feedAndInitialization()
{
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    d.trigger("Paper_Black"); // neither button ends with the black-mark command
    d.click("Command1");
    QCOMPARE(printer.read(3), QByteArray("\x1B\x64\x05"));
    d.click("Command5");
    QCOMPARE(printer.read(2), QByteArray("\x1B\x40"));
    d.click("Command1");
    d.click("Command1");
    QCOMPARE(printer.read(6), QByteArray("\x1B\x64\x05\x1B\x64\x05"));

    d.click("Command20");
    d.click("Command1"); // disabled with the link closed: nothing happens
    QVERIFY(printer.readQuiet().isEmpty());
}

void TestForm1::options_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("left") << "Option1" << QByteArray("\x1B\x61\x00", 3);
    QTest::newRow("centre") << "Option2" << QByteArray("\x1B\x61\x01");
    QTest::newRow("right") << "Option3" << QByteArray("\x1B\x61\x02");
    QTest::newRow("low") << "Option4" << QByteArray("\x1B\x78\x00", 3);
    QTest::newRow("middle speed") << "Option5" << QByteArray("\x1B\x78\x01");
    QTest::newRow("high") << "Option6" << QByteArray("\x1B\x78\x02");
    QTest::newRow("thin") << "Option7" << QByteArray("\x1D\x7C\x00", 3);
    QTest::newRow("middle density") << "Option8" << QByteArray("\x1D\x7C\x02");
    QTest::newRow("thick") << "Option9" << QByteArray("\x1D\x7C\x04");
}

void TestForm1::options()
{
    QFETCH(QString, option);
    QFETCH(QByteArray, bytes);
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    d.click(option.toLatin1().constData());
    QCOMPARE(printer.read(3), bytes);
    d.click(option.toLatin1().constData()); // already selected: nothing new
    QVERIFY(printer.readQuiet().isEmpty());
}

void TestForm1::optionsAcrossFrames()
{
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    for (const char *option : {"Option3", "Option9", "Option1", "Option5", "Option2"})
        d.click(option);
    QCOMPARE(printer.read(15),
             QByteArray("\x1B\x61\x02"
                        "\x1D\x7C\x04"
                        "\x1B\x61\x00"
                        "\x1B\x78\x01"
                        "\x1B\x61\x01",
                        15));
    QVERIFY(!d.get<QRadioButton>("Option1")->isChecked());
    QVERIFY(d.get<QRadioButton>("Option2")->isChecked());
    QVERIFY(d.get<QRadioButton>("Option9")->isChecked());
}

void TestForm1::blackMarkMenu()
{
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    QAction *black = d.get<QAction>("Paper_Black");
    QAction *white = d.get<QAction>("Paper_White");
    for (int i = 0; i < 2; ++i) { // choosing the checked item again changes nothing
        black->trigger();
        QVERIFY(black->isChecked() && !white->isChecked() && d.form.blackMark());
    }
    QVERIFY(printer.readQuiet().isEmpty());
    d.click("Command8");
    QVERIFY(printer.read(232).endsWith(QByteArray("\n\x1D\xF6\x1B\x69")));
    d.click("Option8"); // selectors are not affected by the paper
    QCOMPARE(printer.read(3), QByteArray("\x1D\x7C\x02"));

    for (int i = 0; i < 2; ++i) {
        white->trigger();
        QVERIFY(!black->isChecked() && white->isChecked() && !d.form.blackMark());
    }
    d.click("Command8");
    const QByteArray page = printer.read(230);
    QCOMPARE(page.size(), 230);
    QVERIFY(page.endsWith(QByteArray("\n\n\x1B\x69")));
}

void TestForm1::help()
{
    FormDriver d; // the link is closed: the menus work all the same
    QTest::keyClick(&d.form, Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(d.messages.size(), 1);
    const app::Message message = d.messages.first();
    QCOMPARE(message.text,
             QStringLiteral("使用说明：\n\n首先设置串口参数然后点击《打开串口》\n\n"
                            "本程序可演示一些打印基本功能及状态返回与特定参数查询。\n"
                            "本程序只有在正确打开串口后才能使用测试功能。"));
    QCOMPARE(message.text.count(u'\n'), 5);
    QCOMPARE(message.icon, QMessageBox::NoIcon);
    QCOMPARE(message.buttons, QMessageBox::Ok);
    QCOMPARE(message.title, app::applicationTitle);
}

void TestForm1::about()
{
    FormDriver d;
    QTest::keyClick(&d.form, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(d.messages.size(), 1);
    const app::Message message = d.messages.first();
    QVERIFY(message.text.startsWith(QStringLiteral("\n\n版权所有：")));
    QCOMPARE(message.text.count(u'\n'), 10);
    const QStringList lines = message.text.mid(2).split(QStringLiteral("\n\n"));
    QCOMPARE(lines.size(), 5);
    const QStringList labels = {QStringLiteral("版权所有："),
                                QStringLiteral("技术支持："),
                                QStringLiteral("电话："),
                                QStringLiteral("传真："),
                                QStringLiteral("地址：")};
    for (int i = 0; i < 5; ++i) {
        QVERIFY(lines[i].startsWith(labels[i]));
        QVERIFY(lines[i].size() > labels[i].size()); // a value follows each label
    }
    QVERIFY(!message.text.endsWith(u'\n'));
    QCOMPARE(message.icon, QMessageBox::Information);
    QCOMPARE(message.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(message.title, app::applicationTitle);
}

void TestForm1::quitLosesNothing()
{
    PtyPrinter printer;
    {
        FormDriver d;
        QVERIFY(d.open(printer));
        d.click("Command4");
        QTest::keyClick(&d.form, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!d.form.isVisible());
    } // the window goes as the tool ends
    const QByteArray received = printer.read(327);
    QCOMPARE(received.size(), 327);
    QVERIFY(received.endsWith("\n\n\x1B\x69"));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
