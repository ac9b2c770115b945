#pragma once

#include "PrinterServer.h"
#include "Renderer.h"
#include "StatusConditions.h"

#include <QHash>
#include <QImage>
#include <QMainWindow>
#include <QTimer>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QScrollArea;

namespace vprinter {

// Receipts as they print, the bytes received, and switches for the status the printer reports.
class PrinterWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Delay from the last byte of a burst to the picture, so that a long job is drawn once.
    static constexpr int RenderDelayMs = 10;

    explicit PrinterWindow(PrinterServer *server,
                           const QString &serialPath,
                           QWidget *parent = nullptr);

    emulator::StatusConditions conditions() const;

private:
    void appendLog(const emulator::CommandRecord &record);
    void showClients();
    void renderReceipts();
    void clearAll();
    void saveShown();
    void saveAll();
    void copyShown();
    void save(const QList<QImage> &pages, const QString &title, const QString &suggested);
    QImage newestReceipt() const;

    PrinterServer *m_server = nullptr;
    emulator::Renderer m_renderer;
    QHash<int, QImage> m_keptPictures; // pictures of finished receipts, by number
    QTimer m_renderTimer;

    QLabel *m_receiptView = nullptr;
    QLabel *m_clientLabel = nullptr;
    QScrollArea *m_scrollArea = nullptr;
    QPlainTextEdit *m_log = nullptr;
    QCheckBox *m_nearEnd = nullptr;
    QCheckBox *m_paperJam = nullptr;
    QCheckBox *m_paperNearEnd = nullptr;
    QCheckBox *m_coverOpen = nullptr;
    QCheckBox *m_voltage = nullptr;
    QCheckBox *m_cutterError = nullptr;
    QCheckBox *m_ramError = nullptr;
    QCheckBox *m_eepromError = nullptr;
    QCheckBox *m_paperEnd = nullptr;
    QCheckBox *m_noReply = nullptr;
    QCheckBox *m_chineseAtPowerUp = nullptr;
};

} // namespace vprinter
