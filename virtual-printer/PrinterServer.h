#pragma once

#include "Interpreter.h"
#include "StatusConditions.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpServer;
class QTcpSocket;

namespace vprinter {

class PseudoTerminal;

// The printer's one print engine: the pseudo-terminal and network clients feed it, one network
// client at a time as on a printer, and each hears the answers to its own requests.
class PrinterServer : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 RawPrintPort = 9100;
    static constexpr int PortsToTry = 100;

    explicit PrinterServer(const emulator::PrinterProfile &profile = {}, QObject *parent = nullptr);
    ~PrinterServer() override;

    emulator::Interpreter &interpreter() { return m_interpreter; }
    void attach(PseudoTerminal *terminal);

    // Listens on the address; a port in use moves on to the next free one. False with the
    // reason when none could be had.
    bool listen(const QHostAddress &host, quint16 port, QString *error);
    // "127.0.0.1:9100", or empty when not listening.
    QString address() const;
    // The network client printing now, "127.0.0.1:40312", or empty.
    QString activeClient() const;
    qsizetype waitingClients() const { return m_waiting.size(); }

    void setStatus(const emulator::StatusConditions &status);
    // Requests are read but not answered, as with a printer whose cable carries no answers.
    void setAnswering(bool answering) { m_answering = answering; }
    // Every finished receipt is written there as receipt-0001.png, receipt-0002.png, ...
    void setSaveDirectory(const QString &directory);

    // Cut receipts not saved yet, and the one being printed when flush is set, are written.
    void saveFinished(bool flush);

Q_SIGNALS:
    void printed();
    void clientsChanged();
    void replied(const QByteArray &bytes, const QString &to);
    void replyWithheld(const QByteArray &bytes);
    void saved(const QString &path);
    void problem(const QString &text);

private:
    struct Client
    {
        QPointer<QTcpSocket> socket;
        QString name;
        QByteArray pending; // bytes that arrived while another client printed
        bool ended = false;
    };

    void accept();
    void receiveFromClient(QTcpSocket *socket);
    void clientEnded(QTcpSocket *socket);
    void startNext();
    void feed(const QByteArray &bytes, QTcpSocket *from, PseudoTerminal *terminal);
    void answer(const QByteArray &bytes);

    emulator::Interpreter m_interpreter;
    QTcpServer *m_server = nullptr;
    PseudoTerminal *m_terminal = nullptr;
    Client m_active;
    QList<Client> m_waiting;
    QTcpSocket *m_replyTo = nullptr;
    PseudoTerminal *m_replyToTerminal = nullptr;
    bool m_answering = true;
    QString m_saveDirectory;
    int m_savedCount = 0;
    quint64 m_savedSerial = 0;   // receipts up to this serial are saved
    qsizetype m_savedBlocks = 0; // blocks of the receipt being printed that are saved
};

} // namespace vprinter
