#include "FormDriver.h"
#include "link/LinkRecord.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QProgressDialog>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTime>

using app::Language;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 mebibyte = qint64(1) << 20;

const char *const toolItems[] = {
        "PrinterInformation", "SendFile", "CommunicationLog", "OpenCashDrawer", "CutPaper"};

// Bytes that are no text, the same in every run.
QByteArray fileBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(22);
    for (char &byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

QString writeFile(const QTemporaryDir &dir, const QByteArray &bytes)
{
    QString path = dir.filePath(QStringLiteral("file.bin"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Drops the file on the window, or on one of its boxes, as a file manager does: the drag
// enters, moves, then the drop.
void drop(FormDriver &d, const QString &path, QWidget *target = nullptr)
{
    target = target ? target : &d.form;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    data.setText(path); // file managers offer the path as text too, which a box would take
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QVERIFY(move.isAccepted());
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    QVERIFY(dropped.isAccepted());
}

// Chooses the file in "send file…", or drops it on the barcode data box, which takes the file
// for the window rather than its path as text.
void chooseOrDrop(FormDriver &d, const QString &path, bool byDialog)
{
    if (!byDialog)
        return drop(d, path, d.get("Text1"));
    FormDriver::answerFileDialog(path);
    d.trigger("SendFile");
}

QProgressDialog *progressOf(FormDriver &d)
{
    return d.form.findChild<QProgressDialog *>(QStringLiteral("SendFileProgress"));
}

// The log window's table, once the log has been opened.
QAbstractItemModel *logOf(FormDriver &d)
{
    auto *view = d.form.findChild<QTableView *>(QStringLiteral("LogView"));
    return view ? view->model() : nullptr;
}

QStringList logRow(QAbstractItemModel *log, int row)
{
    QStringList columns;
    for (int column = 1; column < log->columnCount(); ++column) // all but the time
        columns << log->index(row, column).data().toString();
    return columns;
}

} // namespace

class TestTools : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { startLikeTheTool(); }
    void cleanup() { app::useLanguage(Language::Chinese); }
    void menus_data();
    void menus();
    void itemsFollowTheLink();
    void itemBytes_data();
    void itemBytes();
    void printerInformation_data();
    void printerInformation();
    void silentPrinter();
    void sendFile_data();
    void sendFile();
    void cancelMidway();
    void flowControlHoldsTheFile();
    void logEntries();
    void logOnlyWhileShown();
    void logKeepsTheNewest();
};

void TestTools::menus_data()
{
    // The menu bar as the operator finds it: the first three menus and their items as they
    // were, then "tools", whose items take no shortcut from them.
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("items"); // object name, caption, shortcut

    // clang-format off
    QTest::newRow("file")   << "mnuFile"   << "file"   << QStringList{u"Quit|quit&Q|Ctrl+Q"_s};
    QTest::newRow("select") << "mnuSelect" << "select" << QStringList{u"Paper_Black|black|"_s, u"Paper_White|no black|"_s};
    QTest::newRow("about")  << "About"     << "about"  << QStringList{u"help|help|Ctrl+H"_s, u"AboutDemo|about&A|Ctrl+A"_s};
    QTest::newRow("tools")  << "mnuTools"  << "tools"  << QStringList{
            u"PrinterInformation|printer information…|"_s, u"SendFile|send file…|"_s,
            u"CommunicationLog|communication log|"_s, u"OpenCashDrawer|open cash drawer|"_s, u"CutPaper|cut paper|"_s};
    // clang-format on
}

void TestTools::menus()
{
    QFETCH(QString, menu);
    QFETCH(QString, title);
    QFETCH(QStringList, items);
    for (const Language language : {Language::Chinese, Language::English}) {
        app::useLanguage(language);
        FormDriver d;
        QStringList titles;
        for (const QAction *action : d.form.menuBar()->actions())
            titles << action->text();
        QCOMPARE(titles, (QStringList{u"file"_s, u"select"_s, u"about"_s, u"tools"_s}));
        auto *shown = d.get<QMenu>(menu.toLatin1().constData());
        QCOMPARE(shown->title(), title);
        QStringList found;
        for (const QAction *action : shown->actions())
            found << action->objectName() + u'|' + action->text() + u'|'
                             + action->shortcut().toString();
        QCOMPARE(found, items);
    }
}

void TestTools::itemsFollowTheLink()
{
    // Like the window's sending controls: off while the link is closed.
    PtyPrinter printer;
    FormDriver d;
    const auto enabled = [&d] {
        QList<bool> states;
        for (const char *item : toolItems)
            states << d.get<QAction>(item)->isEnabled();
        return states;
    };
    QCOMPARE(enabled(), QList<bool>(5, false));
    QVERIFY(d.open(printer));
    QCOMPARE(enabled(), QList<bool>(5, true));
    d.click("Command20");
    QCOMPARE(enabled(), QList<bool>(5, false));
    QVERIFY(printer.readQuiet().isEmpty());
}

void TestTools::itemBytes_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QByteArray>("bytes"); // what the item puts on the line first

    // clang-format off
    QTest::newRow("open cash drawer")     << "OpenCashDrawer"     << hex("1B70 00 19 FA");
    QTest::newRow("cut paper")            << "CutPaper"           << hex("1D56 42 00");
    QTest::newRow("printer information")  << "PrinterInformation" << hex("1D49 01");
    QTest::newRow("send file")            << "SendFile"           << hex("1B40 4869 0A 1D564200");
    // clang-format on
}

void TestTools::itemBytes()
{
    // Each item's bytes, and only those: no end-of-job sequence, black-mark paper or not. While
    // a status check waits, an item waits its turn and goes out after the reply, never between
    // the request and the reply.
    QFETCH(QString, item);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = writeFile(dir, bytes);
    for (const bool statusWaits : {false, true}) {
        PtyPrinter printer;
        FormDriver d;
        QVERIFY(d.open(printer));
        d.trigger("Paper_Black");
        if (statusWaits)
            QVERIFY(d.askStatus(printer));
        if (item == u"SendFile")
            chooseOrDrop(d, path, true);
        else
            d.trigger(item.toLatin1().constData());
        if (statusWaits) {
            QVERIFY(printer.readQuiet(100).isEmpty());
            printer.write(hex("000000000000"));
            QTRY_COMPARE(d.text("Label5"), QStringLiteral("打印机正常！"));
        }
        QCOMPARE(printer.read(bytes.size()).toHex(' '), bytes.toHex(' '));
        QVERIFY(d.messages.isEmpty());
    }
}

void TestTools::printerInformation_data()
{
    QTest::addColumn<QList<QByteArray>>("answers"); // to GS I 1, 2, 3, 65 to 69; null: silent
    QTest::addColumn<bool>("inPieces");             // each answer written in two parts
    QTest::addColumn<QString>("box");

    // clang-format off
    QTest::newRow("the virtual printer's answers")
        << QList<QByteArray>{hex("20"), hex("03"), hex("10"), hex("5F 312E3030 00"),
                             hex("5F 5468 6572 6D61 6C20 5072 696E 7465 7220 4465 6D6F 00"),
                             hex("5F 5669 7274 7561 6C20 5072 696E 7465 7220 3830 00"),
                             hex("5F 5650 3030 3030 3030 3031 00"),
                             hex("5F 4348 494E 4120 4742 3138 3033 30 00")}
        << false
        << "Model ID: 0x20 (32)\n"
           "Type ID: 0x03 (3): multi-byte characters supported, autocutter fitted, no customer display\n"
           "Version ID: 0x10 (16)\n"
           "Firmware version: 1.00\n"
           "Maker: Thermal Printer Demo\n"
           "Model name: Virtual Printer 80\n"
           "Serial number: VP00000001\n"
           "Fonts: CHINA GB18030";
    QTest::newRow("silences, a block cut short, code page 936, in pieces")
        << QList<QByteArray>{hex("7F"), hex("04"), QByteArray(), hex("5F 312E"),
                             hex("5F C8C8 C3F4 00"), hex("544D 00"), hex("5F 00"), QByteArray()}
        << true
        << "Model ID: 0x7F (127)\n"
           "Type ID: 0x04 (4): no multi-byte characters, no autocutter, customer display connected\n"
           "Version ID: no answer\n"
           "Firmware version: no answer\n"
           "Maker: 热敏\n"
           "Model name: TM\n"
           "Serial number: \n"
           "Fonts: no answer";
    // clang-format on
}

void TestTools::printerInformation()
{
    // One request at a time, each answered or given up before the next, and one box with a line
    // per answer in the order asked.
    QFETCH(QList<QByteArray>, answers);
    QFETCH(bool, inPieces);
    QFETCH(QString, box);
    app::useLanguage(Language::English);
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    d.trigger("PrinterInformation");
    QByteArray requests;
    for (const QByteArray &answer : std::as_const(answers)) {
        requests += printer.read(3);
        if (answer.isNull())
            continue; // the tool moves on after its wait
        if (inPieces) {
            printer.write(answer.left(answer.size() / 2));
            QTest::qWait(30);
            printer.write(answer.mid(answer.size() / 2));
        } else {
            printer.write(answer);
        }
    }
    QTRY_COMPARE(d.messages.size(), 1);
    QCOMPARE(requests.toHex(' '),
             hex("1D4901 1D4902 1D4903 1D4941 1D4942 1D4943 1D4944 1D4945").toHex(' '));
    QCOMPARE(d.messages.first().text, box);
    QCOMPARE(d.messages.first().icon, QMessageBox::Information);
    QVERIFY(printer.readQuiet().isEmpty());
}

void TestTools::silentPrinter()
{
    // A printer that never answers: each request waits its 500 ms before the next goes out, the
    // window takes clicks meanwhile, and a status check asked for meanwhile goes out after the
    // last. The gaps are the tool's own, read from its log's times of sending, not from when
    // this test got round to reading the bytes.
    app::useLanguage(Language::English);
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    d.trigger("CommunicationLog");
    QAbstractItemModel *log = logOf(d);
    QVERIFY(log);
    d.trigger("PrinterInformation");
    QByteArray requests = printer.read(3);
    QVERIFY(!d.get<QAction>("PrinterInformation")->isEnabled());
    d.click("Command1"); // print jobs go out at once, as during a status check
    QCOMPARE(printer.read(3), hex("1B6405"));
    d.click("Command19");
    for (int i = 1; i < 8; ++i)
        requests += printer.read(3);
    QCOMPARE(requests.toHex(' '),
             hex("1D4901 1D4902 1D4903 1D4941 1D4942 1D4943 1D4944 1D4945").toHex(' '));
    QCOMPARE(printer.read(3), hex("100414"));
    QTRY_COMPARE(d.messages.size(), 1);
    QCOMPARE(d.messages.first().text.count(QStringLiteral(": no answer")), 8);
    QTRY_COMPARE(log->rowCount(), 10);
    QList<QTime> sent;
    for (int row = 0; row < log->rowCount(); ++row) {
        if (log->index(row, 3).data().toString().startsWith(u"1D 49"_s)) {
            sent << QTime::fromString(log->index(row, 0).data().toString(),
                                      QStringLiteral("HH:mm:ss.zzz"));
        }
    }
    QCOMPARE(sent.size(), 8);
    for (qsizetype i = 1; i < sent.size(); ++i) {
        // Each request waits its whole 500 ms, less what rounding the timer's and the log's
        // times to whole milliseconds may take off.
        const int gap = sent[i - 1].msecsTo(sent[i]);
        QVERIFY2(gap >= 498, qPrintable(QString::number(gap)));
    }
    printer.write(hex("000000000000"));
    QTRY_COMPARE(d.text("Label5"), QStringLiteral("Printer OK!"));
    QVERIFY(d.get<QAction>("PrinterInformation")->isEnabled());
}

void TestTools::sendFile_data()
{
    QTest::addColumn<bool>("byDialog"); // chosen in "send file…", or dropped on the window
    QTest::addColumn<qint64>("size");   // -1: there is no such file
    QTest::addColumn<QString>("refusal");

    const qint64 limit = 64 * mebibyte;
    // clang-format off
    QTest::newRow("1 MiB, chosen")     << true  << mebibyte << QString();
    QTest::newRow("1 MiB, dropped")    << false << mebibyte << QString();
    QTest::newRow("empty")             << true  << qint64(0)           << "file.bin is empty. Nothing was sent.";
    QTest::newRow("missing")           << false << qint64(-1)          << "file.bin does not exist. Nothing was sent.";
    QTest::newRow("64 MiB exactly")    << true  << limit               << QString();
    QTest::newRow("64 MiB and a byte") << false << limit + 1           << "file.bin is larger than 64 MiB, the most that can be sent at once. Nothing was sent.";
    // clang-format on
}

void TestTools::sendFile()
{
    // The file's bytes unchanged, and the sending controls locked until they are all out; a
    // file that cannot go is refused before anything is sent.
    QFETCH(bool, byDialog);
    QFETCH(qint64, size);
    QFETCH(QString, refusal);
    app::useLanguage(Language::English);
    QTemporaryDir dir;
    QByteArray bytes;
    QString path = dir.filePath(QStringLiteral("file.bin"));
    if (size > mebibyte) {
        QFile file(path); // sparse: large, but quick to make
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
    } else if (size >= 0) {
        bytes = fileBytes(size);
        path = writeFile(dir, bytes);
    }
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    chooseOrDrop(d, path, byDialog);
    if (!refusal.isEmpty()) {
        QTRY_COMPARE(d.messages.size(), 1);
        QCOMPARE(d.messages.first().text, refusal);
        QVERIFY(printer.readQuiet().isEmpty());
        QVERIFY(d.get("Frame2")->isEnabled());
        return;
    }
    QTRY_VERIFY(progressOf(d));
    QVERIFY(!d.get("Frame2")->isEnabled() && !d.get("Command19")->isEnabled());
    QVERIFY(!d.get<QAction>("SendFile")->isEnabled());
    if (size > mebibyte) { // the largest file taken: it starts, and Cancel ends it
        QTest::mouseClick(progressOf(d)->findChild<QPushButton *>(), Qt::LeftButton);
        QTRY_COMPARE(d.messages.size(), 1);
        QVERIFY2(d.messages.first().text.endsWith(u" of 67108864 bytes were sent."_s),
                 qPrintable(d.messages.first().text));
        QTRY_VERIFY(d.get("Frame2")->isEnabled());
        return;
    }
    const QByteArray received = printer.read(bytes.size());
    QCOMPARE(received.size(), bytes.size());
    QVERIFY(received == bytes);
    QTRY_VERIFY(d.get("Frame2")->isEnabled());
    QVERIFY(d.get("Command19")->isEnabled() && d.get<QAction>("SendFile")->isEnabled());
    QTRY_VERIFY(!progressOf(d));
    QVERIFY(d.messages.isEmpty());
    QCOMPARE(d.text("Text1"), QStringLiteral("1234567890"));
}

void TestTools::cancelMidway()
{
    // The far end takes nothing for a while, so a piece is in flight when Cancel is clicked:
    // it is finished, nothing follows it, and the count given is the count that arrived.
    app::useLanguage(Language::English);
    QTemporaryDir dir;
    const QByteArray bytes = fileBytes(mebibyte);
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    drop(d, writeFile(dir, bytes));
    QTRY_VERIFY(d.link().bytesToWrite() > 0);
    QProgressDialog *progress = progressOf(d);
    QVERIFY(progress && progress->isVisible());
    QVERIFY(progress->value() > 0 && progress->value() < progress->maximum());
    QVERIFY(!d.get("Frame2")->isEnabled());
    QTest::mouseClick(progress->findChild<QPushButton *>(), Qt::LeftButton);
    const QByteArray received = printer.readQuiet(300);
    QTRY_COMPARE(d.messages.size(), 1);
    const QRegularExpressionMatch said = QRegularExpression(
                                                 QStringLiteral("^Sending file.bin was cancelled: "
                                                                "(\\d+) of 1048576 bytes were "
                                                                "sent.$"))
                                                 .match(d.messages.first().text);
    QVERIFY2(said.hasMatch(), qPrintable(d.messages.first().text));
    QCOMPARE(said.captured(1).toLongLong(), received.size());
    QVERIFY(received.size() > 0 && received.size() < bytes.size());
    QVERIFY(received == bytes.left(received.size()));
    QVERIFY(d.get("Frame2")->isEnabled());
}

void TestTools::flowControlHoldsTheFile()
{
    // With flow control on, as after a status check's time-out, XOFF holds the file back: no
    // piece is counted sent that the line has not taken, and XON lets the rest go, in order.
    app::useLanguage(Language::English);
    QTemporaryDir dir;
    const QByteArray bytes = fileBytes(64 * 1024LL);
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    d.link().setHandshaking(serial::Handshaking::RtsXonXoff);
    printer.write("\x13");
    QTest::qWait(50);
    drop(d, writeFile(dir, bytes));
    QVERIFY(printer.readQuiet(200).isEmpty());
    QProgressDialog *progress = progressOf(d);
    QVERIFY(progress);
    QCOMPARE(progress->value(), 0);
    // 64 KiB at 115200 baud, 10 bits a byte.
    QCOMPARE(progress->labelText(),
             QStringLiteral("Sending file.bin: 0 of 65536 bytes.\nAbout 6 s left."));
    // The bar counts on after XON to the whole size before the dialog closes.
    auto *bar = progress->findChild<QProgressBar *>();
    QVERIFY(bar);
    QSignalSpy counted(bar, &QProgressBar::valueChanged);
    printer.write("\x11");
    const QByteArray received = printer.read(bytes.size());
    QVERIFY(received == bytes);
    QTRY_VERIFY(d.get("Frame2")->isEnabled());
    QVERIFY(d.messages.isEmpty());
    QVERIFY(!counted.isEmpty());
    QCOMPARE(counted.last().first().toInt(), bytes.size());
}

void TestTools::logEntries()
{
    // One job, one status check and a Chinese paragraph as the log lists them: direction, byte
    // count, hex and text in code page 936, a row per write and per read.
    app::useLanguage(Language::English);
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    d.trigger("CommunicationLog");
    QAbstractItemModel *log = logOf(d);
    QVERIFY(log);
    QVERIFY(QTest::qWaitForWindowExposed(d.get("LogWindow")));
    d.click("Command1");
    QCOMPARE(printer.read(3), hex("1B6405"));
    QVERIFY(d.askStatus(printer));
    printer.write(hex("000000000000"));
    QTRY_COMPARE(d.text("Label5"), QStringLiteral("Printer OK!"));
    d.click("Command4");
    QCOMPARE(printer.read(327).size(), 327);

    const QString paragraphStart = QStringLiteral("热敏打印机的原理是在淡色材料上(通常是纸)覆上");
    QTRY_COMPARE(log->rowCount(), 6);
    const QList<QStringList> rows = {
            {u"sent"_s, u"3"_s, u"1B 64 05"_s, u".d."_s},
            {u"sent"_s, u"3"_s, u"10 04 14"_s, u"..."_s},
            {u"received"_s, u"6"_s, u"00 00 00 00 00 00"_s, u"......"_s},
            {u"sent"_s, u"324"_s, {}, {}}, // the paragraph and its line feed, below
            {u"sent"_s, u"1"_s, u"0A"_s, u"."_s},
            {u"sent"_s, u"2"_s, u"1B 69"_s, u".i"_s},
    };
    for (int row = 0; row < 6; ++row) {
        if (row == 3) {
            const QStringList paragraph = logRow(log, row);
            QCOMPARE(paragraph.mid(0, 2), rows[row].mid(0, 2));
            QVERIFY(paragraph[2].startsWith(QStringLiteral("C8 C8 C3 F4")));
            QVERIFY(paragraph[3].startsWith(paragraphStart));
            QVERIFY(paragraph[2].endsWith(u'…')); // a cell shows the first 256 bytes
            continue;
        }
        QCOMPARE(logRow(log, row), rows[row]);
    }
    QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d$"))
                    .match(log->index(0, 0).data().toString())
                    .hasMatch());
    // At the size the window opens with, the time, direction and count are not cut short: a
    // cell's text keeps a few pixels of margin on each side.
    auto *view = d.form.findChild<QTableView *>(QStringLiteral("LogView"));
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 6; ++row) {
            const QString text = log->index(row, column).data().toString();
            QVERIFY2(view->horizontalHeader()->sectionSize(column)
                             >= view->fontMetrics().horizontalAdvance(text) + 8,
                     qPrintable(text));
        }
    }

    // Copied and saved lines hold every byte, the columns separated by tabs.
    QTest::mouseClick(d.get<QPushButton>("CopyLog"), Qt::LeftButton);
    const QStringList copied = QGuiApplication::clipboard()->text().split(u'\n');
    QCOMPARE(copied.size(), 6);
    QCOMPARE(copied[0].section(u'\t', 1), QStringLiteral("sent\t3\t1B 64 05\t.d."));
    QVERIFY(copied[3].section(u'\t', 3, 3).endsWith(QStringLiteral("A1 A3 0A")));
    QVERIFY(copied[3].section(u'\t', 4).endsWith(QStringLiteral("完成。.")));
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("log.txt"));
    FormDriver::answerFileDialog(saved);
    QTest::mouseClick(d.get<QPushButton>("SaveLog"), Qt::LeftButton);
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()),
             QStringLiteral("Time\tDirection\tBytes\tHex\tText\n") + copied.join(u'\n') + u'\n');
}

void TestTools::logOnlyWhileShown()
{
    // Nothing is recorded before the log is opened, after it is closed or while it is paused.
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    d.click("Command1");
    QCOMPARE(printer.read(3), hex("1B6405"));
    d.trigger("CommunicationLog");
    QAbstractItemModel *log = logOf(d);
    QTest::qWait(100);
    QCOMPARE(log->rowCount(), 0);
    d.click("Command5");
    QCOMPARE(printer.read(2), hex("1B40"));
    QTRY_COMPARE(log->rowCount(), 1);

    d.get("LogWindow")->close();
    d.click("Command1");
    QCOMPARE(printer.read(3), hex("1B6405"));
    printer.write(hex("AA")); // received while closed: never in the log
    QTest::qWait(100);
    d.trigger("CommunicationLog");
    QTest::mouseClick(d.get<QPushButton>("PauseLog"), Qt::LeftButton);
    d.click("Command5");
    QCOMPARE(printer.read(2), hex("1B40"));
    QTest::qWait(100);
    QCOMPARE(log->rowCount(), 1);

    QTest::mouseClick(d.get<QPushButton>("PauseLog"), Qt::LeftButton);
    d.click("Command1");
    QCOMPARE(printer.read(3), hex("1B6405"));
    QTRY_COMPARE(log->rowCount(), 2);
    QCOMPARE(logRow(log, 1).at(2), QStringLiteral("1B 64 05"));
    QTest::mouseClick(d.get<QPushButton>("ClearLog"), Qt::LeftButton);
    QCOMPARE(log->rowCount(), 0);
}

void TestTools::logKeepsTheNewest()
{
    // At most the last 10,000 entries: the oldest go first, and the table is told of the rows
    // it loses as of those it gains.
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    d.trigger("CommunicationLog");
    QAbstractItemModel *log = logOf(d);
    QAbstractItemModelTester tester(log, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy removed(log, &QAbstractItemModel::rowsRemoved);
    const int capacity = int(serial::LinkRecord::capacity);
    for (int i = 0; i < capacity + 5; ++i) {
        d.link().write(QByteArray(1, char(i)));
        if (i == capacity - 1) // the table full before the last five come
            QTRY_COMPARE(log->rowCount(), capacity);
    }
    printer.readQuiet(100);
    QTRY_COMPARE(log->index(capacity - 1, 3).data().toString(), QStringLiteral("14"));
    QCOMPARE(log->rowCount(), capacity);
    QCOMPARE(logRow(log, 0).at(2), QStringLiteral("05"));
    QCOMPARE(logRow(log, log->rowCount() - 1).at(2), QStringLiteral("14")); // 10004 = 0x2714
    QVERIFY(!removed.isEmpty());
}

QTEST_MAIN(TestTools)
#include "tst_tools.moc"
