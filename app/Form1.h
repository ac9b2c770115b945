#pragma once

#include "app/FormControls.h"
#include "app/Message.h"
#include "app/ToolsMenu.h"
#include "link/PrinterLink.h"
#include "status/LinkQueue.h"
#include "status/StatusCheck.h"

#include <QMainWindow>
#include <QTimer>

class QAction;

namespace app {

struct StatusView;

// The tool's one window: its handlers read the controls, send through the printer link, run the
// status check, and show what comes back or what was refused.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);

    // Every message the window shows goes through this; tests replace it.
    void setMessagePresenter(MessagePresenter presenter);
    void setPortName(const QString &portName);

    // Period of Timer1, which bounds the status check's wait.
    static constexpr int timerPeriodMs = 500;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // A file dropped on the window is sent as "send file…" sends it.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildMenus();
    void connectControls();
    void startUp();
    // Takes a drag of one local file while a file can be sent.
    void takeDrag(QDragMoveEvent *event);

    void openOrClose();
    void openLink();
    void onLinkFailed(serial::LinkFailure failure);
    // Opening: a connection is being made; the settings are locked and so is the open button.
    enum class LinkState { Closed, Opening, Open };
    void setLinkControls(LinkState state);
    // The link has closed or gone: whatever waits for it ends.
    void endExchanges();

    // Runs one handler's sends; they reach the device together, before the handler returns.
    template<typename Job>
    void send(Job &&job);
    void printBarcode();
    void followTypedBarcodeType(const QString &text);
    void showBarcodeHint();
    void checkStatus();
    void startStatusCheck();
    void showStatus(const StatusView &view);
    void setBlackMark(bool blackMark);
    QMessageBox::StandardButton present(const Message &message);

    FormControls m_ui;
    // Children of the window, so that tests and the benchmark find them in its object tree.
    serial::PrinterLink m_link{this};
    status::StatusCheck m_statusCheck{m_link, this};
    // The status check and the tools take turns on the link.
    status::LinkQueue m_linkQueue{this};
    ToolsMenu m_tools{
            m_link, m_linkQueue, [this](const Message &message) { return present(message); }, this};
    QTimer m_statusTimer;
    bool m_blackMark = false;
    LinkState m_linkState = LinkState::Closed;
    bool m_sendingFile = false; // the sending controls are locked while a file goes out
    bool m_statusWaits = false; // a status check waits its turn on the link
    MessagePresenter m_presenter;
    QList<QAction *> m_shortcutActions; // quit, help, about: reachable from every box
    QAction *m_paperBlack = nullptr;
    QAction *m_paperWhite = nullptr;
};

} // namespace app
