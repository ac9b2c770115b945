#include "PrinterWindow.h"

#include "LogLine.h"
#include "ReceiptExport.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

constexpr int LogLines = 5000;

} // namespace

PrinterWindow::PrinterWindow(PrinterServer *server,
                             const QString &serialPath,
                             const QString &webAddress,
                             const QString &ippUri,
                             QWidget *parent)
    : QMainWindow(parent)
    , m_server(server)
{
    setWindowTitle(tr("Virtual thermal printer"));
    const emulator::PrinterProfile &profile = server->interpreter().printer().profile();

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);

    auto *pathLabel = new QLabel(central);
    pathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const QString network = server->address();
    QString networkText;
    if (!network.isEmpty())
        networkText = tr(" &nbsp; Network: <b>tcp %1</b>").arg(network);
    if (server->portInUse() != 0)
        networkText += tr(" (port %1 was in use)").arg(server->portInUse());
    if (!webAddress.isEmpty()) {
        networkText += tr(" &nbsp; Web page: <a href=\"http://%1/\">http://%1/</a>")
                               .arg(webAddress);
        pathLabel->setOpenExternalLinks(true);
        pathLabel->setTextInteractionFlags(Qt::TextBrowserInteraction);
    }
    if (!ippUri.isEmpty())
        networkText += tr(" &nbsp; IPP: <b>%1</b>").arg(ippUri);
    pathLabel->setText(tr("Serial port: <b>%1</b>%2").arg(serialPath, networkText));
    layout->addWidget(pathLabel);
    m_clientLabel = new QLabel(central);
    layout->addWidget(m_clientLabel);

    auto *splitter = new QSplitter(Qt::Horizontal, central);
    layout->addWidget(splitter, 1);

    m_scrollArea = new QScrollArea(splitter);
    m_scrollArea->setBackgroundRole(QPalette::Dark);
    m_receiptView = new QLabel;
    m_receiptView->setObjectName(u"receipt"_s);
    m_receiptView->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_scrollArea->setWidget(m_receiptView);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setMinimumWidth(emulator::Renderer::ImageWidth + 30);

    auto *side = new QWidget(splitter);
    auto *sideLayout = new QVBoxLayout(side);
    auto *statusBox = new QGroupBox(tr("Status the printer reports"), side);
    auto *statusLayout = new QVBoxLayout(statusBox);
    for (const emulator::StatusCondition &condition : emulator::statusConditionTable()) {
        auto *box = new QCheckBox(
                QCoreApplication::translate("emulator::StatusCondition", condition.label),
                statusBox);
        statusLayout->addWidget(box);
        m_conditionBoxes.append({box, condition.flag});
    }
    m_noReply = new QCheckBox(tr("no reply"), statusBox);
    statusLayout->addWidget(m_noReply);
    sideLayout->addWidget(statusBox);
    for (QCheckBox *box : statusBox->findChildren<QCheckBox *>()) {
        connect(box, &QCheckBox::toggled, this, [this] {
            m_server->setAnswering(!m_noReply->isChecked());
            m_server->setStatus(conditions());
        });
    }
    // The conditions are the server's: the boxes show them however they were set.
    connect(server, &PrinterServer::statusChanged, this, &PrinterWindow::showStatus);
    showStatus();

    auto *switchBox = new QGroupBox(tr("Memory switches"), side);
    auto *switchLayout = new QVBoxLayout(switchBox);
    m_chineseAtPowerUp = new QCheckBox(
            tr("Chinese mode at power-up (from the next ESC @ or Clear)"), switchBox);
    m_chineseAtPowerUp->setChecked(profile.chineseAtPowerUp);
    switchLayout->addWidget(m_chineseAtPowerUp);
    // The command set: automatic, or one of the sets by its own name.
    auto *emulationRow = new QHBoxLayout;
    m_emulation = new QComboBox(switchBox);
    m_emulation->addItem(tr("Automatic (each job's own)"), QString());
    for (const emulator::CommandSetName &set : emulator::CommandSetNames)
        m_emulation->addItem(QString::fromLatin1(set.name), QString::fromLatin1(set.id));
    if (profile.emulation)
        m_emulation->setCurrentIndex(
                m_emulation->findData(emulator::commandSetId(*profile.emulation)));
    auto *emulationLabel = new QLabel(tr("Command set:"), switchBox);
    emulationLabel->setBuddy(m_emulation);
    emulationRow->addWidget(emulationLabel);
    emulationRow->addWidget(m_emulation, 1);
    switchLayout->addLayout(emulationRow);
    switchLayout->addWidget(
            new QLabel(tr("Paper: %1 mm, %2 dots")
                               .arg(profile.paperDots == emulator::PaperDots58 ? 58 : 80)
                               .arg(profile.paperDots),
                       switchBox));
    sideLayout->addWidget(switchBox);
    connect(m_chineseAtPowerUp, &QCheckBox::toggled, this, [this](bool on) {
        m_server->interpreter().setChineseAtPowerUp(on);
    });
    connect(m_emulation, &QComboBox::currentIndexChanged, this, [this] {
        m_server->interpreter().setEmulation(
                emulator::commandSetFromId(m_emulation->currentData().toString()));
    });

    m_log = new QPlainTextEdit(side);
    m_log->setReadOnly(true);
    m_log->setMaximumBlockCount(LogLines);
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_log->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    sideLayout->addWidget(m_log, 1);

    auto *buttons = new QHBoxLayout;
    const std::pair<QString, void (PrinterWindow::*)()> actions[] = {
            {tr("Save receipt…"), &PrinterWindow::saveShown},
            {tr("Save all…"), &PrinterWindow::saveAll},
            {tr("Copy receipt"), &PrinterWindow::copyShown},
            {tr("Clear"), &PrinterWindow::clearAll},
    };
    for (const auto &[text, slot] : actions) {
        auto *button = new QPushButton(text, side);
        buttons->addWidget(button);
        connect(button, &QPushButton::clicked, this, slot);
    }
    sideLayout->addLayout(buttons);

    splitter->addWidget(m_scrollArea);
    splitter->addWidget(side);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(central);
    resize(1400, 900);

    m_renderTimer.setSingleShot(true);
    m_renderTimer.setInterval(RenderDelayMs);
    connect(&m_renderTimer, &QTimer::timeout, this, &PrinterWindow::renderReceipts);
    connect(&server->interpreter(),
            &emulator::Interpreter::commandDecoded,
            this,
            &PrinterWindow::appendLog);
    connect(server, &PrinterServer::printed, this, [this] {
        if (!m_renderTimer.isActive())
            m_renderTimer.start();
    });
    connect(server,
            &PrinterServer::replied,
            this,
            [this](const QByteArray &bytes, const QString &to) {
                m_log->appendPlainText(LogLine::reply(bytes, to));
            });
    connect(server, &PrinterServer::replyWithheld, this, [this](const QByteArray &bytes) {
        m_log->appendPlainText(LogLine::withheld(bytes));
    });
    connect(server, &PrinterServer::problem, this, [this](const QString &text) {
        m_log->appendPlainText(u"    "_s + text);
    });
    connect(server, &PrinterServer::clientsChanged, this, &PrinterWindow::showClients);
    connect(server, &PrinterServer::cleared, this, &PrinterWindow::renderReceipts);
    showClients();
    renderReceipts();
}

void PrinterWindow::showClients()
{
    const QString active = m_server->activeSource();
    const qsizetype waiting = m_server->waitingSources();
    QString text;
    if (!active.isEmpty())
        text = tr("Printing for %1.").arg(active);
    else if (m_server->address().isEmpty())
        text = tr("Not on the network (--listen off); nothing printing.");
    else
        text = tr("No network client printing.");
    if (waiting > 0)
        text += tr(" %1 waiting for their turn.").arg(waiting);
    m_clientLabel->setText(text);
}

void PrinterWindow::showStatus()
{
    const emulator::StatusConditions &status = m_server->status();
    for (const auto &[box, flag] : m_conditionBoxes) {
        const QSignalBlocker blocker(box);
        box->setChecked(status.*flag);
    }
    const QSignalBlocker blocker(m_noReply);
    m_noReply->setChecked(!m_server->answering());
}

emulator::StatusConditions PrinterWindow::conditions() const
{
    emulator::StatusConditions conditions;
    for (const auto &[box, flag] : m_conditionBoxes)
        conditions.*flag = box->isChecked();
    return conditions;
}

void PrinterWindow::appendLog(const emulator::CommandRecord &record)
{
    m_log->appendPlainText(LogLine::command(record));
}

void PrinterWindow::renderReceipts()
{
    QScrollBar *bar = m_scrollArea->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum() - 4;

    // Newest first, as far as one picture can reach: the receipt being printed, then the
    // finished ones, each drawn once.
    QList<QImage> images;
    int height = 0;
    const emulator::Receipt &printing = m_server->interpreter().receipts().last();
    if (!printing.blocks.isEmpty()) {
        images.append(m_renderer.renderReceipt(printing));
        height += images.last().height() + emulator::Renderer::ReceiptGap;
    }
    QSet<int> shown;
    const QList<KeptReceipt> &kept = m_server->receipts();
    for (auto it = kept.crbegin(); it != kept.crend(); ++it) {
        if (height >= emulator::Renderer::MaxStackHeight)
            break;
        shown.insert(it->number);
        auto cached = m_keptPictures.find(it->number);
        if (cached == m_keptPictures.end())
            cached = m_keptPictures.insert(it->number, m_renderer.renderReceipt(it->receipt));
        height += cached->height() + emulator::Renderer::ReceiptGap;
        images.prepend(*cached);
    }
    m_keptPictures.removeIf([&shown](const auto &entry) { return !shown.contains(entry.key()); });
    if (images.isEmpty())
        images.append(m_renderer.renderReceipt(emulator::Receipt{}));

    m_receiptView->setPixmap(QPixmap::fromImage(emulator::Renderer::stack(images)));
    if (atEnd) {
        QTimer::singleShot(0, this, [this] {
            QScrollBar *bar = m_scrollArea->verticalScrollBar();
            bar->setValue(bar->maximum());
        });
    }
}

void PrinterWindow::clearAll()
{
    m_server->clear();
    m_keptPictures.clear();
    m_log->clear();
    renderReceipts();
}

QImage PrinterWindow::newestReceipt() const
{
    const emulator::Receipt &printing = m_server->interpreter().receipts().last();
    if (!printing.blocks.isEmpty())
        return m_renderer.renderReceipt(printing);
    if (!m_server->receipts().isEmpty())
        return m_renderer.renderReceipt(m_server->receipts().last().receipt);
    return {};
}

void PrinterWindow::saveShown()
{
    const QImage image = newestReceipt();
    if (!image.isNull())
        save({image}, tr("Save receipt"), u"receipt.png"_s);
}

void PrinterWindow::saveAll()
{
    QList<emulator::Receipt> receipts;
    for (const KeptReceipt &kept : m_server->receipts())
        receipts.append(kept.receipt);
    receipts.append(m_server->interpreter().receipts().last());
    save(ReceiptExport::pictures(receipts), tr("Save all receipts"), u"receipts.pdf"_s);
}

void PrinterWindow::save(const QList<QImage> &pages, const QString &title, const QString &suggested)
{
    if (pages.isEmpty())
        return;
    const QString png = tr("PNG picture (*.png)");
    const QString pdf = tr("PDF document (*.pdf)");
    const bool pdfFirst = suggested.endsWith(u".pdf"_s);
    const QString path = QFileDialog::getSaveFileName(
            this, title, suggested, pdfFirst ? pdf + u";;"_s + png : png + u";;"_s + pdf);
    if (path.isEmpty())
        return;
    // A PNG holds the receipts one under the other; a PDF has a page for each.
    QString error;
    const bool saved = path.endsWith(u".pdf"_s, Qt::CaseInsensitive)
                               ? ReceiptExport::savePdf(pages, path, &error)
                               : ReceiptExport::savePng(
                                       emulator::Renderer::stack(pages), path, &error);
    m_log->appendPlainText(u"    "_s + (saved ? tr("saved %1").arg(path) : error));
}

void PrinterWindow::copyShown()
{
    const QImage image = newestReceipt();
    if (!image.isNull())
        QGuiApplication::clipboard()->setImage(image);
}

} // namespace vprinter
