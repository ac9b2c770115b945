#pragma once

#include "PrinterServer.h"
#include "Renderer.h"
#include "StatusConditions.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QTimer>

class QComboBox;

#include <utility>

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

    // webAddress is where --http serves the printer's page ("127.0.0.1:8080"), ippUri where
    // --ipp takes jobs ("ipp://127.0.0.1:8000/ipp/print"); either may be empty.
    explicit PrinterWindow(PrinterServer *server,
                           const QString &serialPath,
                           const QString &webAddress = {},
                           const QString &ippUri = {},
                           QWidget *parent = nullptr);

    emulator::StatusConditions conditions() const;

private:
    void appendLog(const emulator::CommandRecord &record);
    void showClients();
    void showStatus();
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
    // The boxes of the status conditions, in the order of the conditions' table.
    QList<std::pair<QCheckBox *, bool emulator::StatusConditions::*>> m_conditionBoxes;
    QCheckBox *m_noReply = nullptr;
    QCheckBox *m_chineseAtPowerUp = nullptr;
    QComboBox *m_emulation = nullptr;
};

} // namespace vprinter
