#include "FormDriver.h"
#include "app/Language.h"
#include "app/Sentences.h"
#include "app/StatusView.h"
#include "jobs/BarcodeJob.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QTableView>

#include <functional>

using app::Language;
using namespace Qt::StringLiterals;

namespace {

// What the status label shows, one outcome per entry: each condition alone, all of them, the
// printer in order, and the time-out advice.
QList<app::StatusView> statusViews()
{
    QList<app::StatusView> views;
    const QByteArray replies = "000001000000 000002000000 000004000000 000000020000 000000000800 "
                               "000000000001 000000000004 000000000008 000007020809 000000000000";
    for (const QByteArray &reply : replies.split(' '))
        views.append(app::StatusView::forReply(
                protocol::StatusReply::decode(QByteArray::fromHex(reply))));
    views.append(app::StatusView::timedOut());
    return views;
}

// The height the label needs for a caption, wrapped as the label wraps it.
int neededHeight(const QLabel *label, const app::StatusView &view)
{
    QFont font = label->font();
    font.setPointSize(view.pointSize);
    return QFontMetrics(font)
            .boundingRect(label->contentsRect(), Qt::AlignLeft | Qt::TextWordWrap, view.caption)
            .height();
}

// The width a barcode hint needs beyond the text room of the box, at the hint's 10 points.
int hintOverflow(const QLineEdit *box, const QString &hint)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
    const QRect room = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
    QFont font = box->font();
    font.setPointSize(10);
    constexpr int textMargin = 2; // the box's own margin on each side of its text
    return QFontMetrics(font).horizontalAdvance(hint) + 2 * textMargin - room.width();
}

// One of the tool's own sentences, as the window shows it, with a phrase it must hold in each
// language and the Latin names (ports, groups, captions, data) its Chinese text may hold.
struct OwnSentence
{
    QString name;
    std::function<QString()> text;
    QString english;
    QString chinese;
    QStringList names;
};

OwnSentence failureSentence(serial::LinkFailure failure)
{
    using F = serial::LinkFailure;
    const auto link = [failure](const char *port) {
        return [failure, port] {
            return app::linkFailureText(failure,
                                        QString::fromLatin1(port),
                                        QStringLiteral("9600,,9,1"),
                                        QStringLiteral("open com"));
        };
    };
    const QString openCom = QStringLiteral("open com");
    // A row for every kind: the compiler warns of a kind left out of the switch.
    // clang-format off
    switch (failure) {
    case F::NotFound:
        return {u"NotFound"_s, link("/dev/ttyUSB0"), u"does not exist"_s, u"不存在"_s, {u"/dev/ttyUSB0"_s}};
    case F::PermissionDenied:
        return {u"PermissionDenied"_s, link("COM1"), u"not allowed to use"_s, u"无权使用"_s, {u"COM1"_s, u"/dev/ttyS0"_s, u"dialout"_s}};
    case F::InUse:
        return {u"InUse"_s, link("/dev/usb/lp0"), u"in use by another program"_s, u"正被其他程序占用"_s, {u"/dev/usb/lp0"_s}};
    case F::WrongDevice:
        return {u"WrongDevice"_s, link("/dev/usb/lp1"), u"is not a printer device"_s, u"不是打印机设备"_s, {u"/dev/usb/lp1"_s}};
    case F::SettingsRefused:
        return {u"SettingsRefused"_s, link("/dev/ttyACM0"), u"cannot be used"_s, u"不能使用线路设置"_s, {u"/dev/ttyACM0"_s}};
    case F::HostNotFound:
        return {u"HostNotFound"_s, link("printer.local"), u"host of the network printer printer.local:9100 is unknown"_s, u"找不到网络打印机 printer.local:9100 的主机"_s, {u"printer.local:9100"_s}};
    case F::Refused:
        return {u"Refused"_s, link("192.168.1.100:9101"), u"was refused"_s, u"拒绝了连接"_s, {}};
    case F::Unreachable:
        return {u"Unreachable"_s, link("[fe80::1%eth0]:9100"), u"is unreachable"_s, u"无法到达"_s, {u"[fe80::1%eth0]:9100"_s}};
    case F::TimedOut:
        return {u"TimedOut"_s, link("printer.local:9101"), u"timed out"_s, u"超时"_s, {u"printer.local:9101"_s}};
    case F::Lost:
        return {u"Lost"_s, link("/dev/ttyUSB0"), u"was lost"_s, u"连接已断开"_s, {u"/dev/ttyUSB0"_s, openCom}};
    case F::Stalled:
        return {u"Stalled"_s, link("192.168.1.100"), u"stopped taking data"_s, u"停止接收数据"_s, {openCom}};
    }
    // clang-format on
    return {};
}

QList<OwnSentence> ownSentenceTable()
{
    QList<OwnSentence> sentences;
    for (int kind = 0; kind <= int(serial::LinkFailure::Stalled); ++kind)
        sentences.append(failureSentence(serial::LinkFailure(kind)));
    using R = jobs::BarcodeRefusal;
    using F = jobs::FileSender;
    const auto refusal = [](R refusal, const char *type) {
        return [refusal, type] {
            return app::barcodeRefusalText(refusal, QString::fromLatin1(type));
        };
    };
    // clang-format off
    sentences += QList<OwnSentence>{
            {u"no port name"_s,
             [] { return app::linkFailureText(serial::LinkFailure::NotFound, u"COM9"_s, {}, {}); },
             u"is not a port name"_s,
             u"不是端口名"_s,
             {u"COM9"_s, u"COM1"_s, u"COM8"_s, u"/dev/ttyUSB0"_s, u"/dev/usb/lp0"_s, u"printer.local:9100"_s}},
            {u"unknown barcode type"_s, refusal(R::UnknownType, "code39"), u"not a barcode type"_s, u"不是本打印机支持的条码类型"_s, {u"code39"_s}},
            {u"no barcode data"_s, refusal(R::NoData, "CODE39"), u"no barcode data"_s, u"没有条码数据"_s, {}},
            {u"barcode data not ASCII"_s, refusal(R::NotSingleByte, "CODE39"), u"only ASCII characters"_s, u"只能包含半角字符"_s, {}},
            {u"barcode data too long"_s, refusal(R::TooLong, "CODE128"), u"at most 253 characters"_s, u"最多只能包含 253 个字符"_s, {u"CODE128"_s}},
            {u"hint left in the box"_s, [] { return app::hintLeftText(); }, u"still holds the hint"_s, u"仍是提示文字"_s, {}},
            {u"reply tooltip"_s, [] { return app::replyToolTip(hex("0A000000000B")); }, u"Reply: 0A 00 00 00 00 0B"_s, u"应答：0A 00 00 00 00 0B"_s, {u"0A 00 00 00 00 0B"_s}},
            {u"no reply tooltip"_s, [] { return app::partialReplyToolTip({}); }, u"No reply byte"_s, u"没有收到任何应答字节"_s, {}},
            {u"partial reply tooltip"_s, [] { return app::partialReplyToolTip(hex("0A0B")); }, u"Only 2 of 6 reply bytes"_s, u"只收到 2 个"_s, {u"0A 0B"_s}},
            {u"printer information"_s,
             [] {
                 using protocol::PrinterId;
                 return app::printerInformationText({{PrinterId::Type, hex("03")}, {PrinterId::Maker, std::nullopt}});
             },
             u"Type ID: 0x03 (3): multi-byte characters supported, autocutter fitted, no customer display\nMaker: no answer"_s,
             u"类型代码：0x03 (3)：支持多字节字符，装有自动切刀，未连接顾客显示屏\n制造商：无应答"_s,
             {u"0x03"_s}},
            {u"file too large"_s, [] { return app::fileRefusalText(F::Refusal::TooLarge, u"file.bin"_s); }, u"larger than 64 MiB"_s, u"64 兆字节"_s, {u"file.bin"_s}},
            {u"file missing"_s, [] { return app::fileRefusalText(F::Refusal::Missing, u"file.bin"_s); }, u"does not exist"_s, u"不存在"_s, {u"file.bin"_s}},
            {u"file cancelled"_s, [] { return app::fileOutcomeText(F::Outcome::Cancelled, u"file.bin"_s, 10, 20); }, u"was cancelled: 10 of 20 bytes"_s, u"已取消发送"_s, {u"file.bin"_s}},
            {u"file cut short by the link"_s, [] { return app::fileOutcomeText(F::Outcome::LinkClosed, u"file.bin"_s, 10, 20); }, u"as the link closed"_s, u"链路已关闭"_s, {u"file.bin"_s}},
            {u"file progress"_s, [] { return app::sendingText(u"file.bin"_s, 10, 20, 65); }, u"10 of 20 bytes.\nAbout 1 min 5 s left."_s, u"约剩 1 分 5 秒"_s, {u"file.bin"_s}},
    };
    // clang-format on
    return sentences;
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { startLikeTheTool(); }
    void cleanup() { app::useLanguage(Language::Chinese); }
    void languageChoice_data();
    void languageChoice();
    void statusInEnglish_data();
    void statusInEnglish();
    void noChineseInTheEnglishWindow();
    void ownSentences_data();
    void ownSentences();
    void textsFit();
    void qtOwnTexts_data();
    void qtOwnTexts();
};

void TestLanguage::languageChoice_data()
{
    QTest::addColumn<QString>("uiLanguages"); // the operator's, in their order of preference
    QTest::addColumn<QString>("option");      // --lang, unless null
    QTest::addColumn<int>("language");        // -1: the option is refused

    const QString none;
    const auto en = int(Language::English);
    const auto zh = int(Language::Chinese);
    // clang-format off
    QTest::newRow("en-US")              << "en-US"             << none << en;
    QTest::newRow("zh-CN")              << "zh-CN"             << none << zh;
    QTest::newRow("zh-Hant-TW")         << "zh-Hant-TW"        << none << zh;
    QTest::newRow("none")               << ""                  << none << zh;
    QTest::newRow("fr, en")             << "fr, en"            << none << en;
    QTest::newRow("de-DE, zh-CN, en")   << "de-DE, zh-CN, en"  << none << zh;
    QTest::newRow("fr-FR, fr")          << "fr-FR, fr"         << none << zh;
    QTest::newRow("--lang zh in en-US") << "en-US"             << "zh" << zh;
    QTest::newRow("--lang en in zh-CN") << "zh-CN"             << "en" << en;
    QTest::newRow("--lang fr")          << "en-US"             << "fr" << -1;
    QTest::newRow("--lang EN")          << "en-US"             << "EN" << -1;
    // clang-format on
}

void TestLanguage::languageChoice()
{
    QFETCH(QString, uiLanguages);
    QFETCH(QString, option);
    QFETCH(int, language);
    const QStringList list = uiLanguages.split(QStringLiteral(", "), Qt::SkipEmptyParts);
    const std::optional<Language> chosen = option.isNull() ? app::languageFor(list)
                                                           : app::languageNamed(option);
    QCOMPARE(chosen ? int(*chosen) : -1, language);
}

void TestLanguage::statusInEnglish_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("caption");

    // clang-format off
    QTest::newRow("no reply")    << QByteArray()        << "Printer connection timed out, or printer lacks this function! Check cable, power, port, baud; retry!";
    QTest::newRow("in order")    << hex("000000000000") << "Printer OK!";
    QTest::newRow("byte 3 = 07") << hex("000007000000") << "Near end!\nPaper jam at the exit!\nPaper near end!\n";
    QTest::newRow("byte 4 = 02") << hex("000000020000") << "Platen or printer cover open!\n";
    QTest::newRow("byte 5 = 08") << hex("000000000800") << "Supply voltage out of range!\n";
    QTest::newRow("byte 6 = 0D") << hex("00000000000D") << "Cutter error!\nRAM error!\nEEPROM error!\n";
    // clang-format on
}

void TestLanguage::statusInEnglish()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, caption);
    app::useLanguage(Language::English);
    PtyPrinter printer;
    FormDriver d;
    QVERIFY(d.open(printer));
    QVERIFY(d.askStatus(printer));
    printer.write(reply);
    QTRY_COMPARE_WITH_TIMEOUT(d.text("Label5"), caption, 4 * app::Form1::timerPeriodMs);
}

void TestLanguage::noChineseInTheEnglishWindow()
{
    // A text left out of the translation would show in Chinese: captions, titles, menus, help and
    // about, the hint of every barcode type and every outcome of the status check.
    app::useLanguage(Language::English);
    PtyPrinter printer;
    FormDriver d;
    d.key(Qt::Key_H, Qt::ControlModifier);
    d.key(Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(d.messages.size(), 2);
    QStringList texts = {d.messages[0].text, d.messages[1].text};
    QVERIFY(d.open(printer));
    d.trigger("CommunicationLog"); // the log window's buttons and headings
    auto *log = d.get<QTableView>("LogView");
    for (int column = 0; column < log->model()->columnCount(); ++column)
        texts << log->model()->headerData(column, Qt::Horizontal).toString();
    for (const QAbstractButton *button : d.form.findChildren<QAbstractButton *>())
        texts << button->text();
    for (const QLabel *label : d.form.findChildren<QLabel *>())
        texts << label->text();
    for (const QGroupBox *box : d.form.findChildren<QGroupBox *>())
        texts << box->title();
    for (const QMenu *menu : d.form.menuBar()->findChildren<QMenu *>()) {
        texts << menu->title();
        for (const QAction *action : menu->actions())
            texts << action->text();
    }
    for (const jobs::BarcodeType &type : jobs::barcodeTypes())
        texts << type.hintText();
    for (const app::StatusView &view : statusViews())
        texts << view.caption;
    QCOMPARE(texts.filter(QRegularExpression(QStringLiteral("[\u2E80-\uFFFF]"))), QStringList());
    QVERIFY(texts.contains(QStringLiteral("Serial port:")));
    QVERIFY(d.messages[0].text.startsWith(QStringLiteral("Instructions:")));
}

void TestLanguage::ownSentences_data()
{
    QTest::addColumn<int>("sentence"); // index in ownSentenceTable()
    QTest::addColumn<int>("language");

    const QList<OwnSentence> sentences = ownSentenceTable();
    for (qsizetype i = 0; i < sentences.size(); ++i) {
        for (const Language language : {Language::Chinese, Language::English}) {
            const char *code = language == Language::Chinese ? "zh" : "en";
            QTest::addRow("%s, %s", qPrintable(sentences[i].name), code) << int(i) << int(language);
        }
    }
}

void TestLanguage::ownSentences()
{
    // Why the printer cannot be reached, and what was refused, in the window's language: the
    // Chinese sentences hold no Latin letters beyond the names the operator sees or types, the
    // English ones no Chinese; each says what its kind means.
    QFETCH(int, sentence);
    QFETCH(int, language);
    const OwnSentence own = ownSentenceTable().at(sentence);
    app::useLanguage(Language(language));
    const QString text = own.text();
    if (Language(language) == Language::English) {
        QVERIFY2(text.contains(own.english), qPrintable(text));
        QVERIFY2(!text.contains(QRegularExpression(QStringLiteral("[\\x{2E80}-\\x{FFFF}]"))),
                 qPrintable(text));
        return;
    }
    QVERIFY2(text.contains(own.chinese), qPrintable(text));
    QString rest = text;
    for (const QString &name : own.names)
        rest.remove(name);
    QVERIFY2(!rest.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))), qPrintable(text));
}

void TestLanguage::textsFit()
{
    // Every caption fits its control at the chosen font and ends clear of a later sibling that
    // overlaps it, and every combo box entry fits the box's text field, in both languages; the
    // English status outcomes and barcode hints need no more room than the design's own, and the
    // English time-out advice fits the label, which the original overflows.
    constexpr int clearance = 3; // pixels between a caption's end and the next option's circle
    QList<int> designHeights;
    for (const Language language : {Language::Chinese, Language::English}) {
        app::useLanguage(language);
        FormDriver d;
        const QList<app::StatusView> views = statusViews();
        const auto *label = d.get<QLabel>("Label5");
        for (qsizetype i = 0; i < views.size(); ++i) {
            const int height = neededHeight(label, views[i]);
            if (language == Language::Chinese)
                designHeights << height;
            else if (i == views.size() - 1) // the time-out advice
                QVERIFY2(height <= label->height(), qPrintable(views[i].caption));
            else
                QVERIFY2(height <= std::max(label->height(), designHeights[i]),
                         qPrintable(views[i].caption));
        }
        const auto *box = d.get<QLineEdit>("Text1");
        for (const jobs::BarcodeType &type : jobs::barcodeTypes())
            QVERIFY2(language == Language::Chinese || hintOverflow(box, type.hintText()) <= 0,
                     qPrintable(type.hintText()));
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
                    && sibling->geometry().intersects(button->geometry())
                    && sibling->x() > button->x())
                    room = std::min(room, sibling->x() - button->x() - clearance);
            }
            QVERIFY2(needed <= room,
                     qPrintable(u"%1: %2 pixels, room for %3"_s.arg(button->text())
                                        .arg(needed)
                                        .arg(room)));
        }
        for (QComboBox *box : d.form.findChildren<QComboBox *>()) {
            constexpr int textMargin = 2; // the text field's own margin on each side of its text
            const int room = box->lineEdit()->width() - 2 * textMargin;
            for (int i = 0; i < box->count(); ++i) {
                const int needed = box->fontMetrics().horizontalAdvance(box->itemText(i));
                QVERIFY2(needed <= room,
                         qPrintable(u"%1: %2 pixels, room for %3"_s.arg(box->itemText(i))
                                            .arg(needed)
                                            .arg(room)));
            }
        }
        for (QLabel *caption : d.form.findChildren<QLabel *>())
            QVERIFY2(caption->fontMetrics().horizontalAdvance(caption->text()) <= caption->width(),
                     qPrintable(caption->text()));
        for (QGroupBox *frame : d.form.findChildren<QGroupBox *>()) {
            QStyleOptionGroupBox option;
            option.initFrom(frame);
            option.text = frame->title();
            option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            option.textAlignment = frame->alignment();
            option.lineWidth = 1;
            const QRect title = frame->style()->subControlRect(
                    QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
            QVERIFY2(frame->rect().contains(title), qPrintable(frame->title()));
        }
    }
}

// Qt's own texts follow the window's language: the buttons of message boxes and the send-file
// dialog.
void TestLanguage::qtOwnTexts_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("ok");
    QTest::addColumn<QString>("lookIn");

    QTest::newRow("zh") << int(Language::Chinese) << u"确定"_s << u"查找范围："_s;
    QTest::newRow("en") << int(Language::English) << u"OK"_s << u"Look in:"_s;
}

void TestLanguage::qtOwnTexts()
{
    QFETCH(int, language);
    QFETCH(QString, ok);
    QFETCH(QString, lookIn);
    QVERIFY(app::useLanguage(Language(language)));
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok);
    QCOMPARE(box.button(QMessageBox::Ok)->text(), ok);
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const auto *label = dialog.findChild<QLabel *>(u"lookInLabel"_s);
    QVERIFY(label);
    QCOMPARE(label->text(), lookIn);
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
