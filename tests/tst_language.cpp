#include "FormDriver.h"
#include "app/Language.h"
#include "app/StatusView.h"
#include "jobs/BarcodeJob.h"

#include <QGroupBox>
#include <QLocale>
#include <QMenuBar>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>

using app::Language;

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

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { app::applyWindowLook(); }
    void cleanup() { app::useLanguage(Language::Chinese); }
    void languageChoice_data();
    void languageChoice();
    void statusInEnglish_data();
    void statusInEnglish();
    void noChineseInTheEnglishWindow();
    void textsFit();
};

void TestLanguage::languageChoice_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("option"); // --lang, unless null
    QTest::addColumn<int>("language");   // -1: the option is refused

    const QString none;
    const auto en = int(Language::English);
    const auto zh = int(Language::Chinese);
    QTest::newRow("en_US") << QLocale(u"en_US") << none << en;
    QTest::newRow("zh_CN") << QLocale(u"zh_CN") << none << zh;
    QTest::newRow("C") << QLocale::c() << none << zh;
    QTest::newRow("--lang zh in en_US") << QLocale(u"en_US") << "zh" << zh;
    QTest::newRow("--lang en in zh_CN") << QLocale(u"zh_CN") << "en" << en;
    QTest::newRow("--lang fr") << QLocale(u"en_US") << "fr" << -1;
    QTest::newRow("--lang EN") << QLocale(u"en_US") << "EN" << -1;
}

void TestLanguage::languageChoice()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, option);
    QFETCH(int, language);
    const std::optional<Language> chosen = option.isNull() ? app::languageFor(locale)
                                                           : app::languageNamed(option);
    QCOMPARE(chosen ? int(*chosen) : -1, language);
}

void TestLanguage::statusInEnglish_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("caption");

    // clang-format off
    QTest::newRow("no reply")    << QByteArray()        << "Timed out, or no such function!\nCheck the cable, power, port and baud rate, then try again!";
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
    FormDriver d;
    d.key(Qt::Key_H, Qt::ControlModifier);
    d.key(Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(d.messages.size(), 2);
    QStringList texts = {d.messages[0].text, d.messages[1].text};
    for (const QAbstractButton *button : d.form.findChildren<QAbstractButton *>())
        texts << button->text();
    for (const QLabel *label : d.form.findChildren<QLabel *>())
        texts << label->text();
    for (const QGroupBox *box : d.form.findChildren<QGroupBox *>())
        texts << box->title();
    for (const QAction *action : d.form.menuBar()->findChildren<QAction *>())
        texts << action->text();
    for (const jobs::BarcodeType &type : jobs::barcodeTypes())
        texts << type.hintText();
    for (const app::StatusView &view : statusViews())
        texts << view.caption;
    QCOMPARE(texts.filter(QRegularExpression(QStringLiteral("[\u2E80-\uFFFF]"))), QStringList());
    QVERIFY(texts.contains(QStringLiteral("Serial port:")));
    QVERIFY(d.messages[0].text.startsWith(QStringLiteral("Instructions:")));
}

void TestLanguage::textsFit()
{
    // Every caption fits its control at the chosen font, not covered by a later sibling, in both
    // languages; the English status outcomes and barcode hints need no more room than the
    // design's own.
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
                    room = std::min(room, sibling->x() - button->x());
            }
            QVERIFY2(needed <= room, qPrintable(button->text()));
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

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
