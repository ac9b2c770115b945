#pragma once

#include "app/Message.h"
#include "link/PrinterLink.h"
#include "status/StatusCheck.h"

#include <QMainWindow>
#include <QTimer>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace jobs {
struct JobTarget;
}

namespace app {

// The tool's one window: its controls come from the layout table, its handlers read the
// controls, call the printer link, jobs and status check, and show what comes back.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);

    // Every message the window shows goes through this; tests replace it.
    void setMessagePresenter(MessagePresenter presenter);
    serial::PrinterLink &printerLink() { return m_link; }
    status::StatusCheck &statusCheck() { return m_statusCheck; }
    bool blackMark() const { return m_blackMark; }

    // Period of Timer1, which bounds the status check's wait.
    static constexpr int timerPeriodMs = 500;

private:
    void buildControls();
    void buildMenus();
    void startUp();

    void onCommand20Clicked();
    void openLink();
    void closeLink();
    void onLinkLost(const QString &description);
    void setLinkControls(bool open);

    // Runs one handler's work; a refusal ends it at that step and is shown to the operator.
    template<typename Work>
    void run(Work &&work);
    jobs::JobTarget jobTarget();
    void connectJob(QPushButton *button, void (*job)(const jobs::JobTarget &));
    QMessageBox::StandardButton present(const Message &message);

    void onCombo5Activated(int index);
    void onCommand19Clicked();
    void showStatus(const status::StatusView &view);
    void setBlackMark(bool blackMark);
    void showHelp();
    void showAbout();

    template<typename Widget>
    Widget *control(const char *name) const;

    serial::PrinterLink m_link; // MSComm1, serialPort and port
    status::StatusCheck m_statusCheck{m_link.comm()};
    QTimer m_timer1;
    bool m_blackMark = false;
    MessagePresenter m_presenter;

    QComboBox *m_combo1 = nullptr;
    QComboBox *m_combo2 = nullptr;
    QComboBox *m_combo3 = nullptr;
    QComboBox *m_combo4 = nullptr;
    QComboBox *m_combo5 = nullptr;
    QComboBox *m_combo6 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QLabel *m_label5 = nullptr;
    QPushButton *m_command19 = nullptr;
    QPushButton *m_command20 = nullptr;
    QAction *m_paperBlack = nullptr;
    QAction *m_paperWhite = nullptr;
};

// The classic style and the font at which every caption of the twip layout fits: the geometry
// is fixed, so a roomier platform style would clip captions.
void applyWindowLook();

} // namespace app
