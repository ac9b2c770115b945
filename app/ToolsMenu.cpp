#include "app/ToolsMenu.h"

#include "app/LogWindow.h"
#include "app/Sentences.h"
#include "link/PrinterLink.h"
#include "protocol/Commands.h"
#include "status/LinkQueue.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QProgressDialog>
#include <QTimer>

namespace app {

ToolsMenu::ToolsMenu(serial::PrinterLink &link,
                     status::LinkQueue &queue,
                     MessagePresenter presenter,
                     QWidget *window)
    : QObject(window)
    , m_link(link)
    , m_queue(queue)
    , m_presenter(std::move(presenter))
    , m_window(window)
    , m_information(link)
    , m_sender(link)
{
    const auto item = [this](const char *name, const QString &caption) {
        auto *action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    m_printerInformation = item("PrinterInformation", tr("printer information…"));
    m_sendFile = item("SendFile", tr("send file…"));
    m_communicationLog = item("CommunicationLog", tr("communication log"));
    m_openDrawer = item("OpenCashDrawer", tr("open cash drawer"));
    m_cutPaper = item("CutPaper", tr("cut paper"));

    connect(m_printerInformation, &QAction::triggered, this, &ToolsMenu::askPrinterInformation);
    connect(m_sendFile, &QAction::triggered, this, &ToolsMenu::chooseFile);
    connect(m_communicationLog, &QAction::triggered, this, &ToolsMenu::showLog);
    // Pin 2, on for 50 ms, then 500 ms before the drawer may be kicked again.
    connect(m_openDrawer, &QAction::triggered, this, [this] {
        sendCommand(protocol::drawerPulse(protocol::DrawerPin::Pin2, 25, 250));
    });
    connect(m_cutPaper, &QAction::triggered, this, [this] {
        sendCommand(protocol::feedAndCut(0));
    });

    connect(&m_information,
            &status::PrinterInformation::finished,
            this,
            &ToolsMenu::showPrinterInformation);
    connect(&m_sender, &jobs::FileSender::progressed, this, &ToolsMenu::showProgress);
    connect(&m_sender, &jobs::FileSender::finished, this, &ToolsMenu::endSending);
    updateItems();
}

ToolsMenu::~ToolsMenu()
{
    // The log window belongs to the main window, which outlives the link: it lets go of the
    // link and the record now.
    delete m_logWindow;
    m_link.setRecord(nullptr);
}

void ToolsMenu::addTo(QMenuBar *menuBar)
{
    QMenu *tools = menuBar->addMenu(tr("tools"));
    tools->setObjectName(QStringLiteral("mnuTools"));
    tools->addActions(
            {m_printerInformation, m_sendFile, m_communicationLog, m_openDrawer, m_cutPaper});
}

void ToolsMenu::setLinkOpen(bool open)
{
    m_linkOpen = open;
    if (!open) {
        m_informationWaits = false;
        m_fileWaits = false;
        m_information.cancel();
        m_window->unsetCursor();
        m_sender.stop();
    }
    updateItems();
}

serial::Port *ToolsMenu::openPort() const
{
    return m_link.isOpen() ? m_link.port() : nullptr;
}

void ToolsMenu::updateItems()
{
    m_printerInformation->setEnabled(m_linkOpen && !m_informationWaits
                                     && !m_information.isAsking());
    m_sendFile->setEnabled(canSendFile());
    for (QAction *item : {m_communicationLog, m_openDrawer, m_cutPaper})
        item->setEnabled(m_linkOpen);
}

void ToolsMenu::sendCommand(const QByteArray &command)
{
    // Only the command itself: no end-of-job sequence follows.
    m_queue.run([this, command] {
        if (serial::Port *port = openPort())
            port->Output(command);
    });
}

void ToolsMenu::askPrinterInformation()
{
    m_informationWaits = true;
    updateItems();
    m_queue.run([this] {
        m_informationWaits = false;
        serial::Port *port = openPort();
        if (port && m_information.start(*port)) {
            m_queue.hold();
            m_window->setCursor(Qt::BusyCursor);
        }
        updateItems();
    });
}

void ToolsMenu::showPrinterInformation(const QList<status::PrinterInformation::Answer> &answers)
{
    m_window->unsetCursor();
    m_queue.release();
    updateItems();
    // Shown from the event loop, outside the handling of the bytes that brought the last answer.
    QTimer::singleShot(0, this, [this, answers] {
        m_presenter({printerInformationText(answers), QMessageBox::Information});
    });
}

bool ToolsMenu::canSendFile() const
{
    return m_linkOpen && !m_fileWaits && !m_sender.isSending();
}

void ToolsMenu::chooseFile()
{
    const QString path = QFileDialog::getOpenFileName(m_window,
                                                      m_sendFile->text(),
                                                      QString(),
                                                      QString(),
                                                      nullptr,
                                                      QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty())
        sendFile(path);
}

void ToolsMenu::sendFile(const QString &path)
{
    if (!canSendFile())
        return;
    const QString fileName = QFileInfo(path).fileName();
    if (const std::optional<jobs::FileSender::Refusal> refusal = jobs::FileSender::check(path)) {
        m_presenter({fileRefusalText(*refusal, fileName), QMessageBox::Warning});
        return;
    }
    m_fileWaits = true;
    updateItems();
    m_queue.run([this, path] { startSending(path); });
}

void ToolsMenu::startSending(const QString &path)
{
    m_fileWaits = false;
    serial::Port *port = openPort();
    if (!port) {
        updateItems();
        return;
    }
    m_fileName = QFileInfo(path).fileName();
    m_queue.hold();
    Q_EMIT sendingChanged(true);
    m_progress = new QProgressDialog(m_window);
    m_progress->setObjectName(QStringLiteral("SendFileProgress"));
    m_progress->setWindowTitle(m_sendFile->text());
    m_progress->setCancelButtonText(cancelCaption());
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setMinimumDuration(0);
    connect(m_progress, &QProgressDialog::canceled, &m_sender, &jobs::FileSender::cancel);
    m_sendingTime.start();
    m_labelShownMs = 0;
    if (const std::optional<jobs::FileSender::Refusal> refusal = m_sender.start(*port, path)) {
        closeProgress();
        m_queue.release();
        Q_EMIT sendingChanged(false);
        updateItems();
        m_presenter({fileRefusalText(*refusal, m_fileName), QMessageBox::Warning});
        return;
    }
    updateItems();
    if (m_sender.isSending()) { // a file that fails at its first read has ended already
        showProgress(0, m_sender.total());
        m_progress->show();
    }
}

void ToolsMenu::showProgress(qint64 sent, qint64 total)
{
    if (!m_progress)
        return;
    // At the line's speed where it has one, else at the speed the file has gone so far.
    std::optional<qint64> secondsLeft;
    const qint64 elapsedMs = m_sendingTime.elapsed();
    if (const std::optional<qint32> lineSpeed = m_link.lineBytesPerSecond())
        secondsLeft = (total - sent + *lineSpeed - 1) / *lineSpeed;
    else if (sent > 0 && elapsedMs > 0)
        secondsLeft = (total - sent) * elapsedMs / sent / 1000;
    m_progress->setMaximum(int(total));
    m_progress->setValue(int(sent));
    // Laying the label's text out again costs more than a piece of a fast link takes to go: it
    // changes at most ten times a second, and shows the first and the last count.
    if (sent > 0 && sent < total && elapsedMs - m_labelShownMs < labelPeriodMs)
        return;
    m_labelShownMs = elapsedMs;
    m_progress->setLabelText(sendingText(m_fileName, sent, total, secondsLeft));
}

void ToolsMenu::closeProgress()
{
    // Perhaps from within its own Cancel.
    if (m_progress) {
        m_progress->hide();
        m_progress->deleteLater();
    }
    m_progress = nullptr;
}

void ToolsMenu::endSending(jobs::FileSender::Outcome outcome, qint64 sent, qint64 total)
{
    closeProgress();
    m_queue.release();
    Q_EMIT sendingChanged(false);
    updateItems();
    const QString text = fileOutcomeText(outcome, m_fileName, sent, total);
    if (text.isEmpty())
        return;
    // A cancel is the operator's own choice; anything else cut the file short.
    const QMessageBox::Icon icon = outcome == jobs::FileSender::Outcome::Cancelled
                                           ? QMessageBox::Information
                                           : QMessageBox::Warning;
    QTimer::singleShot(0, this, [this, text, icon] { m_presenter({text, icon}); });
}

void ToolsMenu::showLog()
{
    if (!m_logWindow) {
        m_logWindow = new LogWindow(m_link, m_record, m_presenter, m_window);
        m_logWindow->setWindowTitle(m_communicationLog->text());
        // Beside the tool, on its right.
        m_logWindow->move(m_window->frameGeometry().topRight() + QPoint(8, 0));
    }
    m_logWindow->show();
    m_logWindow->raise();
    m_logWindow->activateWindow();
}

} // namespace app
