#pragma once

#include "app/Message.h"

#include <QWidget>

class QPushButton;
class QTableView;

namespace serial {
class LinkRecord;
class PrinterLink;
} // namespace serial

namespace app {

class LogModel;

// The communication log, a window beside the tool: every write and read on the link while it is
// shown and not paused, newest at the bottom, to clear, copy or save as text. While it is
// hidden the link records nothing.
class LogWindow : public QWidget
{
    Q_OBJECT

public:
    LogWindow(serial::PrinterLink &link,
              serial::LinkRecord &record,
              MessagePresenter presenter,
              QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // Records while shown and not paused.
    void updateRecording();
    // The selected entries, or all of them when none is selected, a line each.
    QString selectedLines() const;
    void copy();
    void save();

    serial::PrinterLink &m_link;
    serial::LinkRecord &m_record;
    MessagePresenter m_presenter;
    LogModel *m_model = nullptr;
    QTableView *m_view = nullptr;
    QPushButton *m_pause = nullptr;
    bool m_atEnd = true; // the newest entry is in view, so new ones scroll in
};

} // namespace app
