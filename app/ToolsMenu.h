#pragma once

#include "app/Message.h"
#include "jobs/FileSender.h"
#include "link/LinkRecord.h"
#include "status/PrinterInformation.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class QAction;
class QMenuBar;
class QProgressDialog;

namespace serial {
class Port;
class PrinterLink;
} // namespace serial

namespace status {
class LinkQueue;
}

namespace app {

class LogWindow;

// The "tools" menu: the printer's identity, a file sent as it is, the communication log, the
// cash drawer and the cutter. Its items work while the link is open, and each takes its turn
// after an exchange that holds the link.
class ToolsMenu : public QObject
{
    Q_OBJECT

public:
    ToolsMenu(serial::PrinterLink &link,
              status::LinkQueue &queue,
              MessagePresenter presenter,
              QWidget *window);
    ~ToolsMenu() override;

    // Adds the menu at the end of the menu bar.
    void addTo(QMenuBar *menuBar);
    // On close, whatever runs ends at once; the log window stays.
    void setLinkOpen(bool open);

    // Sends the file as "send file…" does, once the exchanges before it are over.
    void sendFile(const QString &path);
    bool canSendFile() const;

Q_SIGNALS:
    // A file is going out: the window's sending controls are locked meanwhile.
    void sendingChanged(bool sending);

private:
    serial::Port *openPort() const;
    void updateItems();
    void askPrinterInformation();
    void showPrinterInformation(const QList<status::PrinterInformation::Answer> &answers);
    void chooseFile();
    void startSending(const QString &path);
    void showProgress(qint64 sent, qint64 total);
    void closeProgress();
    void endSending(jobs::FileSender::Outcome outcome, qint64 sent, qint64 total);
    void showLog();
    void sendCommand(const QByteArray &command);

    serial::PrinterLink &m_link;
    status::LinkQueue &m_queue;
    MessagePresenter m_presenter;
    QWidget *m_window = nullptr;
    status::PrinterInformation m_information;
    jobs::FileSender m_sender;
    serial::LinkRecord m_record;
    QPointer<LogWindow> m_logWindow;
    QPointer<QProgressDialog> m_progress;
    QString m_fileName; // of the file going out
    static constexpr qint64 labelPeriodMs = 100;
    QElapsedTimer m_sendingTime;
    qint64 m_labelShownMs = 0; // when the progress label last changed, on m_sendingTime
    bool m_linkOpen = false;
    bool m_informationWaits = false; // asked for, waiting its turn
    bool m_fileWaits = false;

    QAction *m_printerInformation = nullptr;
    QAction *m_sendFile = nullptr;
    QAction *m_communicationLog = nullptr;
    QAction *m_openDrawer = nullptr;
    QAction *m_cutPaper = nullptr;
};

} // namespace app
