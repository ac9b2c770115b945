#include "app/Form1.h"

#include "app/Language.h"
#include "app/PortBox.h"
#include "app/Sentences.h"
#include "app/StatusView.h"
#include "app/WindowLook.h"
#include "jobs/BarcodeJob.h"
#include "jobs/PrintJobs.h"
#include "protocol/Commands.h"

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>

namespace app {

namespace {

QString usageNote()
{
    return Form1::tr("使用说明：\n\n"
                     "首先设置串口参数然后点击《打开串口》\n\n"
                     "本程序可演示一些打印基本功能及状态返回与特定参数查询。\n"
                     "本程序只有在正确打开串口后才能使用测试功能。");
}

QString aboutMessage()
{
    return Form1::tr("\n\n版权所有：Thermal Printer Demo 项目"
                     "\n\n技术支持：Thermal Printer Demo 维护者"
                     "\n\n电话：（000）0000-0000"
                     "\n\n传真：（000）0000-0000"
                     "\n\n地址：见项目说明文件 README");
}

// The one local file of a drag, or nothing.
QString draggedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1
        || !data->urls().first().isLocalFile())
        return QString();
    return data->urls().first().toLocalFile();
}

// True if the text is one of the barcode types' hints, in either language: the English hints are
// plain ASCII and would otherwise print as barcode data.
bool isBarcodeHint(const QString &text)
{
    for (const jobs::BarcodeType &type : jobs::barcodeTypes()) {
        for (const Language language : {Language::Chinese, Language::English}) {
            if (text == textIn(language, jobs::BarcodeType::hintContext, type.hint))
                return true;
        }
    }
    return false;
}

} // namespace

Form1::Form1(QWidget *parent)
    : QMainWindow(parent)
    , m_presenter([this](const Message &message) { return showMessageBox(message, this); })
{
    setWindowTitle(QStringLiteral("Form1"));
    setWindowIcon(windowIcon());
    auto *client = new QWidget(this);
    setCentralWidget(client);
    m_ui.setUp(client);
    buildMenus();
    connectControls();
    startUp();

    // Timer1 runs for the life of the window; its ticks count only while a status check waits.
    m_statusTimer.setObjectName(QStringLiteral("Timer1"));
    connect(&m_statusTimer, &QTimer::timeout, &m_statusCheck, &status::StatusCheck::tick);
    m_statusTimer.start(timerPeriodMs);
}

void Form1::buildMenus()
{
    QMenu *file = menuBar()->addMenu(tr("file"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction *quit = file->addAction(tr("quit&Q"));
    quit->setObjectName(QStringLiteral("Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Ends the tool at once; bytes already handed to the link still reach the device.
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu *select = menuBar()->addMenu(tr("select"));
    select->setObjectName(QStringLiteral("mnuSelect"));
    m_paperBlack = select->addAction(tr("black"));
    m_paperBlack->setObjectName(QStringLiteral("Paper_Black"));
    m_paperWhite = select->addAction(tr("no black"));
    m_paperWhite->setObjectName(QStringLiteral("Paper_White"));
    for (QAction *item : {m_paperBlack, m_paperWhite})
        item->setCheckable(true);
    connect(m_paperBlack, &QAction::triggered, this, [this] { setBlackMark(true); });
    connect(m_paperWhite, &QAction::triggered, this, [this] { setBlackMark(false); });

    QMenu *about = menuBar()->addMenu(tr("about"));
    about->setObjectName(QStringLiteral("About"));
    QAction *help = about->addAction(tr("help"));
    help->setObjectName(QStringLiteral("help"));
    help->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(help, &QAction::triggered, this, [this] { present({usageNote()}); });
    QAction *aboutDemo = about->addAction(tr("about&A"));
    aboutDemo->setObjectName(QStringLiteral("AboutDemo"));
    aboutDemo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(aboutDemo, &QAction::triggered, this, [this] {
        present({aboutMessage(), QMessageBox::Information, QMessageBox::Ok | QMessageBox::Cancel});
    });
    m_shortcutActions = {quit, help, aboutDemo};

    m_tools.addTo(menuBar());
    connect(&m_tools, &ToolsMenu::sendingChanged, this, [this](bool sending) {
        m_sendingFile = sending;
        setLinkControls(m_linkState);
    });
    setAcceptDrops(true);
}

void Form1::connectControls()
{
    connect(m_ui.openButton, &QPushButton::clicked, this, &Form1::openOrClose);
    connect(m_ui.feedButton, &QPushButton::clicked, this, [this] {
        send([](serial::Port &port, bool) { jobs::feedPaper(port); });
    });
    connect(m_ui.resetButton, &QPushButton::clicked, this, [this] {
        send([](serial::Port &port, bool) { jobs::initializePrinter(port); });
    });
    connect(m_ui.attributeButton, &QPushButton::clicked, this, [this] {
        send([this](serial::Port &port, bool blackMark) {
            jobs::printAttributeTest(port, blackMark, m_ui.attributeBox->currentText());
        });
    });
    const std::pair<QPushButton *, void (*)(serial::Port &, bool)> pages[] = {
            {m_ui.testPageButton, &jobs::printTestPage},
            {m_ui.upDownButton, &jobs::printUpDown},
            {m_ui.chineseButton, &jobs::printChineseText},
            {m_ui.samplePageButton, &jobs::printSamplePage},
    };
    for (const auto &[button, job] : pages)
        connect(button, &QPushButton::clicked, this, [this, job = job] { send(job); });
    connect(m_ui.barcodeButton, &QPushButton::clicked, this, &Form1::printBarcode);
    // Only a choice from the list writes the hint; a type's name typed into the box leaves the
    // data alone, whether Enter follows or the box loses the focus.
    connect(m_ui.barcodeTypeBox, &QComboBox::activated, this, &Form1::showBarcodeHint);
    connect(m_ui.barcodeTypeBox->lineEdit(),
            &QLineEdit::textEdited,
            this,
            &Form1::followTypedBarcodeType);
    connect(m_ui.statusButton, &QPushButton::clicked, this, &Form1::checkStatus);

    using namespace protocol;
    const std::pair<QRadioButton *, QByteArray> options[] = {
            {m_ui.alignmentOptions[0], justification(Justification::Left)},
            {m_ui.alignmentOptions[1], justification(Justification::Centre)},
            {m_ui.alignmentOptions[2], justification(Justification::Right)},
            {m_ui.speedOptions[0], speed(Speed::Low)},
            {m_ui.speedOptions[1], speed(Speed::Middle)},
            {m_ui.speedOptions[2], speed(Speed::High)},
            {m_ui.densityOptions[0], density(Density::Thin)},
            {m_ui.densityOptions[1], density(Density::Middle)},
            {m_ui.densityOptions[2], density(Density::Thick)},
    };
    // Every click sends, the option already chosen included: after a reset the operator
    // applies it again. The option that loses its selection sends nothing.
    for (const auto &[option, command] : options) {
        connect(option, &QRadioButton::clicked, this, [this, command = command] {
            send([&command](serial::Port &port, bool) { port.Output(command); });
        });
    }

    // The menu shortcuts work from every box: a text box would otherwise take Ctrl+A and Ctrl+H
    // for its own editing.
    for (QWidget *box : std::initializer_list<QWidget *>{m_ui.portBox,
                                                         m_ui.baudBox,
                                                         m_ui.dataBitsBox,
                                                         m_ui.stopBitsBox,
                                                         m_ui.attributeBox,
                                                         m_ui.barcodeTypeBox,
                                                         m_ui.barcodeDataBox})
        box->installEventFilter(this);

    connect(&m_link, &serial::PrinterLink::opened, this, [this] {
        setLinkControls(LinkState::Open);
    });
    connect(&m_link, &serial::PrinterLink::failed, this, &Form1::onLinkFailed);
    connect(&m_statusCheck,
            &status::StatusCheck::replied,
            this,
            [this](const protocol::StatusReply &reply, const QByteArray &bytes) {
                m_linkQueue.release();
                showStatus(StatusView::forReply(reply));
                m_ui.statusLabel->setToolTip(replyToolTip(bytes));
            });
    connect(&m_statusCheck,
            &status::StatusCheck::timedOut,
            this,
            [this](const QByteArray &partial) {
                m_linkQueue.release();
                showStatus(StatusView::timedOut());
                m_ui.statusLabel->setToolTip(partialReplyToolTip(partial));
            });
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    // A file dropped on a box goes to the window, not into the box as text.
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove
        || event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        if (!draggedFile(drop->mimeData()).isEmpty()) {
            if (event->type() == QEvent::Drop)
                dropEvent(drop);
            else
                takeDrag(static_cast<QDragMoveEvent *>(event));
            return true;
        }
    }
    if (event->type() == QEvent::ShortcutOverride) {
        const QKeySequence key(static_cast<QKeyEvent *>(event)->keyCombination());
        for (const QAction *action : std::as_const(m_shortcutActions)) {
            if (action->shortcut() == key)
                return true; // not taken by the box, so the shortcut fires
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    takeDrag(event);
}

void Form1::dragMoveEvent(QDragMoveEvent *event)
{
    takeDrag(event);
}

void Form1::takeDrag(QDragMoveEvent *event)
{
    if (!draggedFile(event->mimeData()).isEmpty() && m_tools.canSendFile())
        event->acceptProposedAction();
    else
        event->ignore();
}

void Form1::dropEvent(QDropEvent *event)
{
    const QString path = draggedFile(event->mimeData());
    if (path.isEmpty() || !m_tools.canSendFile()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // After the drop has ended: the messages it may bring are modal.
    QTimer::singleShot(0, this, [this, path] { m_tools.sendFile(path); });
}

void Form1::startUp()
{
    m_ui.portBox->addItems({QStringLiteral("COM1"),
                            QStringLiteral("COM2"),
                            QStringLiteral("COM3"),
                            QStringLiteral("COM4"),
                            QStringLiteral("COM5"),
                            QStringLiteral("COM6"),
                            QStringLiteral("COM7"),
                            QStringLiteral("COM8")});
    m_ui.portBox->setCurrentText(QStringLiteral("COM1"));
    m_ui.baudBox->addItems({QStringLiteral("1200"),
                            QStringLiteral("2400"),
                            QStringLiteral("4800"),
                            QStringLiteral("9600"),
                            QStringLiteral("19200"),
                            QStringLiteral("38400"),
                            QStringLiteral("57600"),
                            QStringLiteral("115200")});
    m_ui.baudBox->setCurrentText(QStringLiteral("115200"));
    m_ui.dataBitsBox->addItems({QStringLiteral("7"), QStringLiteral("8")});
    m_ui.dataBitsBox->setCurrentText(QStringLiteral("8"));
    m_ui.stopBitsBox->addItems({QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")});
    m_ui.stopBitsBox->setCurrentText(QStringLiteral("1"));
    m_ui.attributeBox->addItems(jobs::attributeNames());
    m_ui.attributeBox->setCurrentText(jobs::defaultAttribute);
    for (const jobs::BarcodeType &type : jobs::barcodeTypes())
        m_ui.barcodeTypeBox->addItem(type.name);
    m_ui.barcodeTypeBox->setCurrentText(jobs::defaultBarcodeType);
    m_ui.barcodeDataBox->setText(jobs::defaultBarcodeData);
    setLinkControls(LinkState::Closed);
    setBlackMark(false);
}

void Form1::setMessagePresenter(MessagePresenter presenter)
{
    m_presenter = std::move(presenter);
}

void Form1::setPortName(const QString &portName)
{
    m_ui.portBox->setCurrentText(portName);
    // A path longer than the box shows its end, which tells ports apart ("pts/12", "ttyUSB0").
    m_ui.portBox->lineEdit()->end(false);
}

QMessageBox::StandardButton Form1::present(const Message &message)
{
    return m_presenter(message);
}

template<typename Job>
void Form1::send(Job &&job)
{
    serial::Port *port = m_link.port();
    if (!port || !m_link.isOpen())
        return; // the controls that send are locked while the link is closed
    const serial::PrinterLink::Batch batch(m_link);
    job(*port, m_blackMark);
}

void Form1::setLinkControls(LinkState state)
{
    m_linkState = state;
    const bool closed = state == LinkState::Closed;
    const bool open = state == LinkState::Open;
    for (QComboBox *box : std::initializer_list<QComboBox *>{
                 m_ui.portBox, m_ui.baudBox, m_ui.dataBitsBox, m_ui.stopBitsBox})
        box->setEnabled(closed);
    // A file going out keeps the other sends off the line until it is through.
    const bool canSend = open && !m_sendingFile;
    m_ui.statusButton->setEnabled(canSend);
    for (QGroupBox *frame :
         {m_ui.printFrame, m_ui.alignmentFrame, m_ui.speedFrame, m_ui.densityFrame})
        frame->setEnabled(canSend);
    m_tools.setLinkOpen(open);
    // While a connection is being made, one more click would only start it again.
    m_ui.openButton->setEnabled(state != LinkState::Opening);
    m_ui.openButton->setText(open ? tr("close com") : tr("open com"));
}

void Form1::openOrClose()
{
    if (!m_link.isOpen()) {
        openLink();
        return;
    }
    endExchanges();
    m_link.close();
    setLinkControls(LinkState::Closed);
}

void Form1::endExchanges()
{
    m_statusCheck.cancel();
    m_statusWaits = false;
    m_linkQueue.clear();
    m_tools.setLinkOpen(false);
}

void Form1::openLink()
{
    // The line settings serve a serial port only; any other port leaves them unread.
    m_link.open(m_ui.portBox->currentText(),
                serial::LineSettings::fromTexts(m_ui.baudBox->currentText(),
                                                m_ui.dataBitsBox->currentText(),
                                                m_ui.stopBitsBox->currentText()));
    // A device has answered by now; a network printer answers from the event loop.
    if (m_link.isOpening())
        setLinkControls(LinkState::Opening);
}

void Form1::onLinkFailed(serial::LinkFailure failure)
{
    endExchanges();
    setLinkControls(LinkState::Closed);
    const QString settingsText = QStringLiteral("%1,,%2,%3")
                                         .arg(m_ui.baudBox->currentText(),
                                              m_ui.dataBitsBox->currentText(),
                                              m_ui.stopBitsBox->currentText());
    present({linkFailureText(
                     failure, m_ui.portBox->currentText(), settingsText, m_ui.openButton->text()),
             QMessageBox::Warning});
}

void Form1::printBarcode()
{
    // Both boxes are read as they are now, however their texts came there.
    const QString typeName = m_ui.barcodeTypeBox->currentText();
    const QString data = m_ui.barcodeDataBox->text();
    if (isBarcodeHint(data)) {
        present({hintLeftText(), QMessageBox::Warning});
        return;
    }
    std::optional<jobs::BarcodeRefusal> refusal;
    send([&](serial::Port &port, bool blackMark) {
        refusal = jobs::printBarcode(port, blackMark, typeName, data);
    });
    if (refusal)
        present({barcodeRefusalText(*refusal, typeName), QMessageBox::Warning});
}

void Form1::followTypedBarcodeType(const QString &text)
{
    // The list marks the type whose name is typed, exactly. The box then sees no new choice
    // when the typing ends (Enter, or the focus leaving), and writes no hint over the data.
    const int index = m_ui.barcodeTypeBox->findText(text,
                                                    Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0 && index != m_ui.barcodeTypeBox->currentIndex())
        m_ui.barcodeTypeBox->setCurrentIndex(index);
}

void Form1::showBarcodeHint()
{
    const jobs::BarcodeType *type = jobs::findBarcodeType(m_ui.barcodeTypeBox->currentText());
    if (!type)
        return;
    m_ui.barcodeDataBox->setText(type->hintText());
    QFont font = m_ui.barcodeDataBox->font();
    font.setPointSize(10);
    m_ui.barcodeDataBox->setFont(font);
}

void Form1::checkStatus()
{
    if (m_statusCheck.isWaiting() || m_statusWaits)
        return; // one check at a time: the waiting one keeps its request and reply
    // After the printer information or a file, if one holds the link; at once otherwise.
    m_statusWaits = true;
    m_linkQueue.run([this] { startStatusCheck(); });
}

void Form1::startStatusCheck()
{
    m_statusWaits = false;
    showStatus({QString(), QColor(0, 0, 0), 10});
    m_ui.statusLabel->setToolTip(QString());
    send([this](serial::Port &port, bool) {
        if (m_statusCheck.start(port))
            m_linkQueue.hold();
    });
}

void Form1::showStatus(const StatusView &view)
{
    QPalette palette = m_ui.statusLabel->palette();
    palette.setColor(QPalette::WindowText, view.colour);
    m_ui.statusLabel->setPalette(palette);
    QFont font = m_ui.statusLabel->font();
    font.setPointSize(view.pointSize);
    m_ui.statusLabel->setFont(font);
    m_ui.statusLabel->setText(view.caption);
}

void Form1::setBlackMark(bool blackMark)
{
    m_paperBlack->setChecked(blackMark);
    m_paperWhite->setChecked(!blackMark);
    m_blackMark = blackMark;
}

} // namespace app
