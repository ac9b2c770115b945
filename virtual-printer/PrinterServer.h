#pragma once

#include "Interpreter.h"
#include "KeptReceipt.h"
#include "PrintSource.h"
#include "StatusConditions.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>

class QSocketNotifier;
class QTcpServer;

namespace vprinter {

class PseudoTerminal;
class ReceiptFolder;
class WorkerThread;

// The printer's one print engine. Its sources, the pseudo-terminal and network clients, take
// turns as on a printer, each job read on its own; each source hears the answers to its own
// requests, and every finished receipt is kept, and saved when asked.
class PrinterServer : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 RawPrintPort = 9100;
    static constexpr int PortsToTry = 100;
    static constexpr int DefaultIdleTimeoutSeconds = 30;
    static constexpr int DefaultMaxClients = 64;
    // Answers a client has not taken in; past them, its requests are no longer read.
    static constexpr qint64 MaxUnsentAnswers = qint64(256) * 1024;
    // Receipts kept in memory for the window and the API, the oldest forgotten first past either
    // bound (the newest is always kept); --save writes every one as it is finished.
    static constexpr qsizetype MaxKeptReceipts = 1000;
    static constexpr qint64 MaxKeptBytes = qint64(256) * 1024 * 1024;
    // With no descriptor left for a connection, accepting waits this long before trying again.
    static constexpr int AcceptRetryMs = 500;
    // Connections the system holds for the printer until it takes them.
    static constexpr int ListenBacklog = 4096;
    // Receipts waiting to be saved; past them no more bytes are read until one is written.
    static constexpr qsizetype MaxUnsavedReceipts = 16;

    explicit PrinterServer(const emulator::PrinterProfile &profile = {}, QObject *parent = nullptr);
    ~PrinterServer() override;

    emulator::Interpreter &interpreter() { return m_interpreter; }
    // The terminal must outlive the server or be destroyed before it is used again.
    void attach(PseudoTerminal *terminal);

    // Listens on the address; with moveOn, a port in use moves on to the next free one. False
    // with the reason when none could be had.
    bool listen(const QHostAddress &host, quint16 port, bool moveOn, QString *error);
    // "127.0.0.1:9100", or empty when not listening.
    QString address() const;
    // The port asked for when it was in use and the server moved on; else 0.
    quint16 portInUse() const { return m_portInUse; }
    // A network client that holds the printer while another source waits is closed when it
    // sends nothing this long, or finishes no receipt this long; 0 never closes it. For clients
    // that connect from now on.
    void setIdleTimeout(int seconds) { m_idleTimeoutMs = seconds * 1000; }
    // Connections beyond this many wait in the system, unaccepted, until one closes.
    void setMaxClients(int count) { m_maxClients = count; }
    // Every finished receipt is also written there, numbered on from what the folder holds, on
    // a thread of its own. False with the reason when the folder cannot be made.
    bool setSaveDirectory(const QString &directory, QString *error);

    // The source printing now, "tcp 127.0.0.1:40312" or "pty", or empty.
    QString activeSource() const;
    qsizetype waitingSources() const { return m_waiting.size(); }
    // Finished receipts, oldest first: the newest MaxKeptReceipts, within MaxKeptBytes.
    const QList<KeptReceipt> &receipts() const { return m_receipts; }
    // Forgets the receipts and returns the printer to its power-on state; numbers go on.
    void clear();
    // Forgets the kept receipts only; the one being printed goes on, and so do the numbers.
    void forgetReceipts();

    // Lines of the command log kept with each receipt, at most.
    static constexpr qsizetype MaxLogLines = 2000;
    // Each finished receipt keeps the log of the commands that printed it. Off, the printer
    // decodes without naming the commands it reads.
    void setKeepingLogs(bool keeping);

    // A source that holds every byte it will send: it waits for its turn, prints, and is
    // deleted once its turn is over.
    void print(PrintSource *job);
    // Takes back a job given to print() that still waits for its turn, and deletes it; false
    // once its turn has come.
    bool withdraw(PrintSource *job);

    // The conditions the printer reports; a change is sent at once to a source that turned
    // automatic status back on, and signalled.
    const emulator::StatusConditions &status() const { return m_interpreter.printer().status(); }
    void setStatus(const emulator::StatusConditions &status);
    bool answering() const { return m_answering; }
    // Requests are read but not answered, as with a printer whose cable carries no answers.
    void setAnswering(bool answering);
    // A line for the log and the window from a source that is not a connection.
    void report(const QString &text) { Q_EMIT problem(text); }

Q_SIGNALS:
    void printed();
    // A receipt is finished and kept.
    void receiptKept(const vprinter::KeptReceipt &receipt);
    // The kept receipts were forgotten.
    void cleared();
    // The conditions or answering changed.
    void statusChanged();
    void clientsChanged();
    void replied(const QByteArray &bytes, const QString &to);
    void replyWithheld(const QByteArray &bytes);
    void saved(const QString &path);
    void problem(const QString &text);

private:
    void accept();
    void pauseAccepting(int error);
    // Accepting stops while the connections held are as many as allowed, and goes on after.
    void watchCapacity();
    void wantsTurn(PrintSource *source);
    void startNext();
    void pump();
    void feed(const QByteArray &bytes);
    void endTurn();
    void watchIdle();
    void idleOut();
    // How long the active source has made no progress, as its idle limit counts it.
    qint64 idleFor() const;
    void forget(PrintSource *source);
    void answer(const QByteArray &bytes);
    void keep(const emulator::Receipt &receipt);
    void nameCommands(bool naming);
    void restartLog();
    // Adds the line to the log of the receipt being printed, when logs are kept and it has room.
    void log(const QString &line);

    emulator::Interpreter m_interpreter;
    QTcpServer *m_server = nullptr;
    QSocketNotifier *m_acceptNotifier = nullptr;
    QTimer m_acceptRetry;
    bool m_acceptFailing = false;
    bool m_full = false; // as many connections are held as allowed
    quint16 m_portInUse = 0;
    int m_idleTimeoutMs = DefaultIdleTimeoutSeconds * 1000;
    int m_maxClients = DefaultMaxClients;

    QList<PrintSource *> m_connections; // network clients held, printing or waiting
    QList<PrintSource *> m_jobs;        // sources given whole, printing or waiting
    PrintSource *m_active = nullptr;
    QList<PrintSource *> m_waiting;
    // While another source waits, the active one must keep sending and finish receipts: its
    // turn ends when it has sent nothing for its idle limit, or finished no receipt for as long
    // since its turn began, another source came to wait, or its last receipt.
    QElapsedTimer m_quiet;    // since the active source's last byte
    QElapsedTimer m_progress; // since its last receipt, or since it began to keep another waiting
    QTimer m_idleTimer;
    bool m_pumping = false;
    PrintSource *m_replyTo = nullptr;
    QPointer<PrintSource> m_statusListener; // the source that turned automatic status back on
    bool m_answering = true;
    // The printer's own setting while a source of another command set prints.
    std::optional<std::optional<emulator::CommandSetKind>> m_setBeforeTurn;

    std::shared_ptr<const ReceiptFolder> m_folder;
    WorkerThread *m_saving = nullptr;
    QList<KeptReceipt> m_receipts;
    qint64 m_keptBytes = 0; // of m_receipts
    int m_nextNumber = 1;
    bool m_keepingLogs = false;
    QMetaObject::Connection m_commandLog;
    QStringList m_log; // of the receipt being printed
    bool m_logCut = false;
};

} // namespace vprinter
