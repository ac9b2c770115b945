#include "app/LogWindow.h"

#include "app/LogModel.h"
#include "link/PrinterLink.h"

#include <QClipboard>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace app {

LogWindow::LogWindow(serial::PrinterLink &link,
                     serial::LinkRecord &record,
                     MessagePresenter presenter,
                     QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_link(link)
    , m_record(record)
    , m_presenter(std::move(presenter))
    , m_model(new LogModel(record, this))
    , m_view(new QTableView(this))
{
    setObjectName(QStringLiteral("LogWindow"));
    m_view->setObjectName(QStringLiteral("LogView"));
    m_view->setModel(m_model);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    QHeaderView *header = m_view->horizontalHeader();
    header->setStretchLastSection(true);
    // The short columns are as wide as their widest possible text from the start: sized to
    // the rows shown, they would be cut while the log is empty or holds only short entries.
    const QFontMetrics cells = m_view->fontMetrics();
    const int padding = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header)
                        + cells.horizontalAdvance(u'0') * 2;
    auto fit = [&](int column, const QStringList &texts) {
        int width = header->fontMetrics().horizontalAdvance(
                m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        for (const QString &text : texts)
            width = std::max(width, cells.horizontalAdvance(text));
        header->resizeSection(column, width + padding);
    };
    fit(LogModel::Time, {QStringLiteral("88:88:88.888")});
    fit(LogModel::Direction, {LogModel::tr("sent"), LogModel::tr("received")});
    fit(LogModel::Count, {QStringLiteral("888888")});
    header->resizeSection(LogModel::Hex, cells.horizontalAdvance(u'0') * 36);

    m_pause = new QPushButton(tr("Pause"), this);
    m_pause->setObjectName(QStringLiteral("PauseLog"));
    m_pause->setCheckable(true);
    auto *clear = new QPushButton(tr("Clear"), this);
    clear->setObjectName(QStringLiteral("ClearLog"));
    auto *copy = new QPushButton(tr("Copy"), this);
    copy->setObjectName(QStringLiteral("CopyLog"));
    auto *save = new QPushButton(tr("Save as text…"), this);
    save->setObjectName(QStringLiteral("SaveLog"));
    connect(m_pause, &QPushButton::toggled, this, &LogWindow::updateRecording);
    connect(clear, &QPushButton::clicked, &m_record, &serial::LinkRecord::clear);
    connect(copy, &QPushButton::clicked, this, &LogWindow::copy);
    connect(save, &QPushButton::clicked, this, &LogWindow::save);

    // New entries scroll into view only while the newest is in view: a row being read stays.
    QScrollBar *scrollBar = m_view->verticalScrollBar();
    connect(scrollBar, &QScrollBar::valueChanged, this, [this, scrollBar](int value) {
        m_atEnd = value == scrollBar->maximum();
    });
    connect(m_model, &LogModel::rowsInserted, this, [this] {
        if (m_atEnd)
            m_view->scrollToBottom();
    });

    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {m_pause, clear, copy, save})
        buttons->addWidget(button);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_view);
    resize(720, 360);
}

void LogWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateRecording();
}

void LogWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateRecording();
}

void LogWindow::updateRecording()
{
    m_link.setRecord(isVisible() && !m_pause->isChecked() ? &m_record : nullptr);
}

QString LogWindow::selectedLines() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_view->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty()) {
        for (int row = 0; row < m_model->rowCount(); ++row)
            rows << row;
    }
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (const int row : std::as_const(rows))
        lines << m_model->line(row);
    return lines.join(u'\n');
}

void LogWindow::copy()
{
    QGuiApplication::clipboard()->setText(selectedLines());
}

void LogWindow::save()
{
    const QString path = QFileDialog::getSaveFileName(this,
                                                      windowTitle(),
                                                      QStringLiteral("communication-log.txt"),
                                                      tr("Text files (*.txt)"),
                                                      nullptr,
                                                      QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    QStringList lines = {m_model->headerLine()};
    for (int row = 0; row < m_model->rowCount(); ++row)
        lines << m_model->line(row);
    // Written under a temporary name and renamed: an old log is replaced whole or not at all.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)
        || file.write((lines.join(u'\n') + u'\n').toUtf8()) < 0 || !file.commit()) {
        m_presenter({tr("The log could not be saved as %1. Choose a folder you may write to, "
                        "with room on its disk.")
                             .arg(QDir::toNativeSeparators(path)),
                     QMessageBox::Warning});
    }
}

} // namespace app
