#include "app/Form1.h"

#include "app/FormLayout.h"
#include "app/LineControl.h"
#include "jobs/PrintJobs.h"
#include "jobs/Symbology.h"
#include "link/Failure.h"
#include "settings/Selector.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>
#include <vector>

namespace app {

namespace {

// The window's icon: a receipt coming out of a printer, at 32 and 16 pixels.
QIcon makeIcon()
{
    QIcon icon;
    for (const int size : {32, 16}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        const qreal unit = size / 16.0;
        painter.scale(unit, unit);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x40, 0x40, 0x40));
        painter.drawRect(QRectF(1, 7, 14, 6));
        painter.setBrush(Qt::white);
        painter.setPen(QPen(Qt::black, 0));
        painter.drawRect(QRectF(4, 1, 8, 8));
        painter.drawLine(QLineF(5.5, 3.5, 10.5, 3.5));
        painter.drawLine(QLineF(5.5, 5.5, 10.5, 5.5));
        icon.addPixmap(pixmap);
    }
    return icon;
}

QString usageNote()
{
    const QChar lf(jobs::LF);
    return QStringLiteral("使用说明：") + lf + lf
           + QStringLiteral("首先设置串口参数然后点击《打开串口》") + lf + lf
           + QStringLiteral("本程序可演示一些打印基本功能及状态返回与特定参数查询。") + lf
           + QStringLiteral("本程序只有在正确打开串口后才能使用测试功能。");
}

QString aboutMessage()
{
    const QString gap = QString(2, QChar(jobs::LF));
    return gap + QStringLiteral("版权所有：") + QStringLiteral("Thermal Printer Demo 项目") + gap
           + QStringLiteral("技术支持：") + QStringLiteral("Thermal Printer Demo 维护者") + gap
           + QStringLiteral("电话：") + QStringLiteral("（000）0000-0000") + gap
           + QStringLiteral("传真：") + QStringLiteral("（000）0000-0000") + gap
           + QStringLiteral("地址：") + QStringLiteral("见项目说明文件 README");
}

const QString openCaption = QStringLiteral("open com");
const QString closeCaption = QStringLiteral("close com");

} // namespace

void applyWindowLook()
{
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(style);
    // A CJK font with narrow Latin letters; fontconfig substitutes it where it is missing.
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPointSizeF(8);
    QApplication::setFont(font);
    qApp->setStyleSheet(QStringLiteral("QRadioButton { spacing: 1px; }"));
}

Form1::Form1(QWidget *parent)
    : QMainWindow(parent)
    , m_presenter([this](const Message &message) { return showMessageBox(message, this); })
{
    setWindowTitle(QStringLiteral("Form1"));
    setWindowIcon(makeIcon());
    buildControls();
    buildMenus();
    startUp();

    connect(&m_link, &serial::PrinterLink::linkLost, this, &Form1::onLinkLost);
    connect(&m_statusCheck,
            &status::StatusCheck::replied,
            this,
            [this](const status::StatusView &view, const QByteArray &reply) {
                showStatus(view);
                m_label5->setToolTip(
                        tr("Reply: %1").arg(QString::fromLatin1(reply.toHex(' ').toUpper())));
            });
    connect(&m_statusCheck,
            &status::StatusCheck::timedOut,
            this,
            [this](const status::StatusView &view, const QByteArray &partial) {
                showStatus(view);
                m_label5->setToolTip(
                        partial.isEmpty()
                                ? tr("No reply byte arrived.")
                                : tr("Only %1 of 6 reply bytes arrived: %2")
                                          .arg(partial.size())
                                          .arg(QString::fromLatin1(partial.toHex(' ').toUpper())));
            });
    connect(&m_statusCheck, &status::StatusCheck::failed, this, [this](const QString &description) {
        present({description, QMessageBox::Warning});
    });

    // Timer1 runs for the life of the window; its ticks count only while a status check waits.
    connect(&m_timer1, &QTimer::timeout, &m_statusCheck, &status::StatusCheck::tick);
    m_timer1.start(timerPeriodMs);
}

template<typename Widget>
Widget *Form1::control(const char *name) const
{
    return findChild<Widget *>(QString::fromLatin1(name));
}

void Form1::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    QHash<QByteArray, QWidget *> containers;
    std::vector<std::pair<int, QWidget *>> tabOrder;
    for (const ControlSpec &spec : formLayout()) {
        QWidget *parent = spec.container ? containers.value(spec.container) : client;
        const QString caption = QString::fromUtf8(spec.caption);
        const QString name = QString::fromLatin1(spec.name);
        QWidget *widget = nullptr;
        switch (spec.kind) {
        case ControlKind::Frame:
            widget = new QGroupBox(caption, parent);
            containers.insert(spec.name, widget);
            break;
        case ControlKind::Label: {
            auto *label = new QLabel(caption, parent);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(true);
            widget = label;
            break;
        }
        case ControlKind::ComboBox: {
            // Typed text is read exactly as typed: no completion, and Enter adds nothing.
            auto *combo = new QComboBox(parent);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setCompleter(nullptr);
            widget = combo;
            break;
        }
        case ControlKind::Button:
            widget = new QPushButton(caption, parent);
            break;
        case ControlKind::Option:
            widget = new QRadioButton(caption, parent);
            break;
        case ControlKind::TextBox:
            widget = new QLineEdit(caption, parent);
            break;
        case ControlKind::Line: {
            const QLine line(pixels(spec.left),
                             pixels(spec.top),
                             pixels(spec.left + spec.width),
                             pixels(spec.top + spec.height));
            auto *lineControl = new LineControl(line, spec.lineColour, parent);
            lineControl->setObjectName(name);
            continue;
        }
        }
        widget->setObjectName(name);
        widget->setGeometry(
                pixels(spec.left), pixels(spec.top), pixels(spec.width), pixels(spec.height));
        if (spec.tabIndex >= 0 && widget->focusPolicy() != Qt::NoFocus)
            tabOrder.emplace_back(spec.tabIndex, widget);
    }
    std::sort(tabOrder.begin(), tabOrder.end(), [](const auto &a, const auto &b) {
        return a.first < b.first;
    });
    for (size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);

    client->setMinimumSize(pixels(clientWidthTwips), pixels(clientHeightTwips));

    m_combo1 = control<QComboBox>("Combo1");
    m_combo2 = control<QComboBox>("Combo2");
    m_combo3 = control<QComboBox>("Combo3");
    m_combo4 = control<QComboBox>("Combo4");
    m_combo5 = control<QComboBox>("Combo5");
    m_combo6 = control<QComboBox>("Combo6");
    m_text1 = control<QLineEdit>("Text1");
    m_label5 = control<QLabel>("Label5");
    m_command19 = control<QPushButton>("Command19");
    m_command20 = control<QPushButton>("Command20");

    connect(m_command20, &QPushButton::clicked, this, &Form1::onCommand20Clicked);
    connect(control<QPushButton>("Command1"), &QPushButton::clicked, this, [this] {
        run([this] { jobs::feedPaper(jobTarget().port); });
    });
    connect(control<QPushButton>("Command5"), &QPushButton::clicked, this, [this] {
        run([this] { jobs::initializePrinter(jobTarget().port); });
    });
    connect(control<QPushButton>("Command6"), &QPushButton::clicked, this, [this] {
        run([this] { jobs::printAttributeTest(jobTarget(), m_combo6->currentText()); });
    });
    connect(control<QPushButton>("Command11"), &QPushButton::clicked, this, [this] {
        run([this] { jobs::printBarcode(jobTarget(), m_combo5->currentText(), m_text1->text()); });
    });
    connectJob(control<QPushButton>("Command8"), &jobs::printTestPage);
    connectJob(control<QPushButton>("Command13"), &jobs::printUpDown);
    connectJob(control<QPushButton>("Command4"), &jobs::printChineseText);
    connectJob(control<QPushButton>("Command3"), &jobs::printSamplePage);
    connect(m_combo5, &QComboBox::activated, this, &Form1::onCombo5Activated);
    connect(m_command19, &QPushButton::clicked, this, &Form1::onCommand19Clicked);

    for (const settings::Selector &selector : settings::selectors()) {
        auto *option = findChild<QRadioButton *>(QStringLiteral("Option%1").arg(selector.option));
        // Sent on selection only: the option that loses its selection sends nothing.
        connect(option, &QRadioButton::toggled, this, [this, &selector](bool checked) {
            if (checked)
                run([this, &selector] { settings::select(jobTarget().port, selector); });
        });
    }
}

void Form1::connectJob(QPushButton *button, void (*job)(const jobs::JobTarget &))
{
    connect(button, &QPushButton::clicked, this, [this, job] {
        run([this, job] { job(jobTarget()); });
    });
}

void Form1::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("file"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction *quit = file->addAction(QStringLiteral("quit&Q"));
    quit->setObjectName(QStringLiteral("Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Ends the tool at once; bytes already handed to the link still reach the device.
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu *select = menuBar()->addMenu(QStringLiteral("select"));
    select->setObjectName(QStringLiteral("mnuSelect"));
    m_paperBlack = select->addAction(QStringLiteral("black"));
    m_paperBlack->setObjectName(QStringLiteral("Paper_Black"));
    m_paperWhite = select->addAction(QStringLiteral("no black"));
    m_paperWhite->setObjectName(QStringLiteral("Paper_White"));
    for (QAction *item : {m_paperBlack, m_paperWhite})
        item->setCheckable(true);
    connect(m_paperBlack, &QAction::triggered, this, [this] { setBlackMark(true); });
    connect(m_paperWhite, &QAction::triggered, this, [this] { setBlackMark(false); });

    QMenu *about = menuBar()->addMenu(QStringLiteral("about"));
    about->setObjectName(QStringLiteral("About"));
    QAction *help = about->addAction(QStringLiteral("help"));
    help->setObjectName(QStringLiteral("help"));
    help->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(help, &QAction::triggered, this, &Form1::showHelp);
    QAction *aboutDemo = about->addAction(QStringLiteral("about&A"));
    aboutDemo->setObjectName(QStringLiteral("AboutDemo"));
    aboutDemo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(aboutDemo, &QAction::triggered, this, &Form1::showAbout);
}

void Form1::startUp()
{
    m_combo1->addItems({QStringLiteral("COM1"),
                        QStringLiteral("COM2"),
                        QStringLiteral("COM3"),
                        QStringLiteral("COM4"),
                        QStringLiteral("COM5"),
                        QStringLiteral("COM6"),
                        QStringLiteral("COM7"),
                        QStringLiteral("COM8")});
    m_combo1->setCurrentText(QStringLiteral("COM1"));
    m_combo2->addItems({QStringLiteral("1200"),
                        QStringLiteral("2400"),
                        QStringLiteral("4800"),
                        QStringLiteral("9600"),
                        QStringLiteral("19200"),
                        QStringLiteral("38400"),
                        QStringLiteral("57600"),
                        QStringLiteral("115200")});
    m_combo2->setCurrentText(QStringLiteral("115200"));
    m_combo3->addItems({QStringLiteral("7"), QStringLiteral("8")});
    m_combo3->setCurrentText(QStringLiteral("8"));
    m_combo4->addItems({QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")});
    m_combo4->setCurrentText(QStringLiteral("1"));
    m_combo6->addItems(jobs::attributeNames());
    m_combo6->setCurrentText(jobs::defaultAttribute);
    for (const jobs::Symbology &symbology : jobs::symbologies())
        m_combo5->addItem(symbology.name);
    m_combo5->setCurrentText(jobs::defaultSymbology);
    m_text1->setText(jobs::defaultBarcodeData);
    setLinkControls(false);
    m_paperWhite->setChecked(true);
    m_blackMark = false;
}

void Form1::setMessagePresenter(MessagePresenter presenter)
{
    m_presenter = std::move(presenter);
}

QMessageBox::StandardButton Form1::present(const Message &message)
{
    return m_presenter(message);
}

template<typename Work>
void Form1::run(Work &&work)
{
    try {
        // The pieces of one handler go to the device together, before the handler returns.
        serial::SerialControl::Batch batch(m_link.comm());
        work();
    } catch (const serial::Failure &failure) {
        // A lost link has already been reported once, by the link itself.
        if (failure.kind() != serial::Failure::Kind::LinkLost)
            present({failure.description(), QMessageBox::Warning});
    }
}

jobs::JobTarget Form1::jobTarget()
{
    serial::Port *port = m_link.port();
    if (!port || !m_link.isOpen())
        throw serial::Failure(tr("The serial port is not open. Click \"open com\" first."));
    return {*port, m_link.comm(), m_blackMark};
}

void Form1::setLinkControls(bool open)
{
    for (QComboBox *combo : {m_combo1, m_combo2, m_combo3, m_combo4})
        combo->setEnabled(!open);
    m_command19->setEnabled(open);
    for (const char *frame : {"Frame2", "Frame3", "Frame4", "Frame5"})
        control<QGroupBox>(frame)->setEnabled(open);
    m_command20->setText(open ? closeCaption : openCaption);
}

void Form1::onCommand20Clicked()
{
    if (m_command20->text() == openCaption)
        openLink();
    else
        closeLink();
}

void Form1::openLink()
{
    try {
        m_link.open(serial::LinkChoice::fromTexts(m_combo1->currentText(),
                                                  m_combo2->currentText(),
                                                  m_combo3->currentText(),
                                                  m_combo4->currentText()));
        setLinkControls(true);
    } catch (const serial::Failure &failure) {
        setLinkControls(false);
        present({failure.description(), QMessageBox::Warning});
    }
}

void Form1::closeLink()
{
    m_statusCheck.cancel();
    m_link.close();
    setLinkControls(false);
}

void Form1::onLinkLost(const QString &description)
{
    m_statusCheck.cancel();
    setLinkControls(false);
    present({description, QMessageBox::Warning});
}

void Form1::onCombo5Activated(int)
{
    const jobs::Symbology *symbology = jobs::findSymbology(m_combo5->currentText());
    if (!symbology)
        return;
    m_text1->setText(symbology->hint);
    QFont font = m_text1->font();
    font.setPointSize(10);
    m_text1->setFont(font);
}

void Form1::onCommand19Clicked()
{
    if (m_statusCheck.isWaiting())
        return; // one check at a time: the waiting one keeps its request and reply
    showStatus({QString(), false, 10});
    m_label5->setToolTip(QString());
    run([this] { m_statusCheck.start(jobTarget().port); });
}

void Form1::showStatus(const status::StatusView &view)
{
    QPalette palette = m_label5->palette();
    palette.setColor(QPalette::WindowText, view.red ? QColor(255, 0, 0) : QColor(0, 0, 0));
    m_label5->setPalette(palette);
    QFont font = m_label5->font();
    font.setPointSize(view.pointSize);
    m_label5->setFont(font);
    m_label5->setText(view.caption);
}

void Form1::setBlackMark(bool blackMark)
{
    m_paperBlack->setChecked(blackMark);
    m_paperWhite->setChecked(!blackMark);
    m_blackMark = blackMark;
}

void Form1::showHelp()
{
    present({usageNote(), QMessageBox::NoIcon, QMessageBox::Ok});
}

void Form1::showAbout()
{
    present({aboutMessage(), QMessageBox::Information, QMessageBox::Ok | QMessageBox::Cancel});
}

} // namespace app
