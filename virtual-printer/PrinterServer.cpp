#include "PrinterServer.h"

#include "LogLine.h"
#include "NetworkClient.h"
#include "PseudoTerminal.h"
#include "ReceiptFolder.h"
#include "WorkerThread.h"

#include <QSocketNotifier>
#include <QTcpServer>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

// Bytes read from a source at a time, and before other events get their turn.
constexpr qsizetype ReadChunk = qsizetype(64) * 1024;
constexpr qsizetype BytesPerPass = qsizetype(1024) * 1024;

} // namespace

PrinterServer::PrinterServer(const emulator::PrinterProfile &profile, QObject *parent)
    : QObject(parent)
    , m_interpreter(profile)
{
    connect(&m_interpreter, &emulator::Interpreter::replyReady, this, &PrinterServer::answer);
    connect(&m_interpreter, &emulator::Interpreter::receiptFinished, this, &PrinterServer::keep);
    m_idleTimer.setSingleShot(true);
    connect(&m_idleTimer, &QTimer::timeout, this, &PrinterServer::idleOut);
    m_acceptRetry.setSingleShot(true);
    m_acceptRetry.setInterval(AcceptRetryMs);
    connect(&m_acceptRetry, &QTimer::timeout, this, [this] {
        m_acceptNotifier->setEnabled(!m_full);
    });
}

PrinterServer::~PrinterServer()
{
    // Connections closing now must not ask for a turn of a server that is going.
    for (PrintSource *client : std::exchange(m_connections, {}) + std::exchange(m_jobs, {})) {
        client->disconnect(this);
        delete client;
    }
}

void PrinterServer::setKeepingLogs(bool keeping)
{
    m_keepingLogs = keeping;
    nameCommands(keeping);
}

void PrinterServer::nameCommands(bool naming)
{
    // Without a listener the interpreter decodes without naming commands, several times faster.
    if (!naming) {
        disconnect(std::exchange(m_commandLog, {}));
        return;
    }
    if (!m_commandLog) {
        m_commandLog = connect(
                &m_interpreter,
                &emulator::Interpreter::commandDecoded,
                this,
                [this](const emulator::CommandRecord &record) { log(LogLine::command(record)); });
    }
}

void PrinterServer::restartLog()
{
    m_log.clear();
    m_logCut = false;
    nameCommands(m_keepingLogs);
}

void PrinterServer::print(PrintSource *job)
{
    job->setParent(this);
    m_jobs.append(job);
    connect(job, &PrintSource::readyRead, this, [this, job] { wantsTurn(job); });
    wantsTurn(job);
}

bool PrinterServer::withdraw(PrintSource *job)
{
    if (job == m_active || !m_waiting.contains(job))
        return false;
    forget(job);
    job->deleteLater();
    Q_EMIT clientsChanged();
    return true;
}

void PrinterServer::attach(PseudoTerminal *terminal)
{
    connect(terminal, &PrintSource::readyRead, this, [this, terminal] { wantsTurn(terminal); });
    connect(terminal, &QObject::destroyed, this, [this, terminal] { forget(terminal); });
}

bool PrinterServer::listen(const QHostAddress &host, quint16 port, bool moveOn, QString *error)
{
    delete m_server; // and its notifier
    m_acceptNotifier = nullptr;
    m_acceptRetry.stop();
    m_server = new QTcpServer(this);
    // A burst of connections waits in the system rather than for the client's next try.
    m_server->setListenBacklogSize(ListenBacklog);
    const int tries = moveOn && port != 0 ? PortsToTry : 1;
    for (int i = 0; i < tries && port + i <= 65535; ++i) {
        if (m_server->listen(host, quint16(port + i))) {
            m_portInUse = i > 0 ? port : 0;
            // Connections are taken here rather than by the server object, which tries again at
            // once when the process has no descriptor left for one, and so spins.
            m_server->pauseAccepting();
            m_acceptNotifier = new QSocketNotifier(
                    m_server->socketDescriptor(), QSocketNotifier::Read, m_server);
            connect(m_acceptNotifier, &QSocketNotifier::activated, this, &PrinterServer::accept);
            return true;
        }
        if (m_server->serverError() != QAbstractSocket::AddressInUseError)
            break;
    }
    *error = m_server->errorString();
    delete m_server;
    m_server = nullptr;
    return false;
}

QString PrinterServer::address() const
{
    if (!m_server || !m_server->isListening())
        return {};
    const QHostAddress host = m_server->serverAddress();
    return host.protocol() == QAbstractSocket::IPv6Protocol
                   ? u"[%1]:%2"_s.arg(host.toString()).arg(m_server->serverPort())
                   : u"%1:%2"_s.arg(host.toString()).arg(m_server->serverPort());
}

bool PrinterServer::setSaveDirectory(const QString &directory, QString *error)
{
    auto folder = std::make_shared<ReceiptFolder>(directory);
    int next = 1;
    if (!folder->open(&next, error))
        return false;
    m_nextNumber = qMax(m_nextNumber, next);
    m_folder = std::move(folder);
    if (!m_saving) {
        m_saving = new WorkerThread(this);
        // A receipt written makes room for the next: reading may go on.
        connect(m_saving, &WorkerThread::done, this, &PrinterServer::pump);
    }
    return true;
}

QString PrinterServer::activeSource() const
{
    return m_active ? m_active->name() : QString();
}

void PrinterServer::clear()
{
    m_interpreter.clear();
    restartLog();
    forgetReceipts();
}

void PrinterServer::forgetReceipts()
{
    m_receipts.clear();
    m_keptBytes = 0;
    Q_EMIT cleared();
}

void PrinterServer::setStatus(const emulator::StatusConditions &status)
{
    if (status == this->status())
        return;
    // Automatic status back goes to the source that turned it on, while it is there.
    m_replyTo = m_statusListener ? m_statusListener.data() : m_active;
    m_interpreter.setStatus(status);
    m_replyTo = nullptr;
    Q_EMIT statusChanged();
}

void PrinterServer::setAnswering(bool answering)
{
    if (std::exchange(m_answering, answering) != answering)
        Q_EMIT statusChanged();
}

void PrinterServer::accept()
{
    for (;;) {
        if (m_connections.size() >= m_maxClients)
            return watchCapacity();
        const int fd = ::accept4(
                int(m_server->socketDescriptor()), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                pauseAccepting(errno);
            return;
        }
        if (std::exchange(m_acceptFailing, false))
            Q_EMIT problem(u"taking connections again"_s);
        auto *client = new NetworkClient(fd, m_idleTimeoutMs, this);
        m_connections.append(client);
        connect(client, &PrintSource::readyRead, this, [this, client] { wantsTurn(client); });
        connect(client, &PrintSource::answersTaken, this, [this, client] {
            if (client == m_active)
                pump();
        });
        wantsTurn(client);
    }
}

void PrinterServer::pauseAccepting(int error)
{
    // The connection stays queued in the system until a descriptor is free.
    m_acceptNotifier->setEnabled(false);
    m_acceptRetry.start();
    if (!std::exchange(m_acceptFailing, true)) {
        Q_EMIT problem(u"cannot take a connection: %1; trying again every %2 ms"_s
                               .arg(QString::fromLocal8Bit(std::strerror(error)))
                               .arg(AcceptRetryMs));
    }
}

void PrinterServer::watchCapacity()
{
    const bool full = m_connections.size() >= m_maxClients;
    if (full == m_full || !m_acceptNotifier)
        return;
    m_full = full;
    // A connection past the limit is not taken, so that the client is not told its bytes were
    // delivered; it waits in the system's queue, as when descriptors run out.
    if (full) {
        Q_EMIT problem(u"%1 connections are held; more wait until one closes"_s.arg(m_maxClients));
    }
    if (!m_acceptRetry.isActive())
        m_acceptNotifier->setEnabled(!full);
}

void PrinterServer::wantsTurn(PrintSource *source)
{
    if (source != m_active && !m_waiting.contains(source)) {
        // The source printing has its full idle limit to finish a receipt from now on.
        if (m_waiting.isEmpty())
            m_progress.start();
        m_waiting.append(source);
        Q_EMIT clientsChanged();
    }
    if (!m_active)
        startNext();
    else
        pump();
}

void PrinterServer::startNext()
{
    if (!m_active && !m_waiting.isEmpty()) {
        m_active = m_waiting.takeFirst();
        if (const auto set = m_active->commandSet()) {
            m_setBeforeTurn = m_interpreter.emulation();
            m_interpreter.setEmulation(set);
        }
        m_active->setPrinting(true);
        m_quiet.start();
        m_progress.start();
    }
    Q_EMIT clientsChanged();
    pump();
}

void PrinterServer::pump()
{
    // A pass reads at most BytesPerPass, then lets other events in and goes on.
    if (m_pumping)
        return;
    m_pumping = true;
    qsizetype budget = BytesPerPass;
    while (m_active) {
        if (m_active->unsentAnswers() > MaxUnsentAnswers)
            break; // until the client takes its answers in
        if (m_saving && m_saving->pending() >= MaxUnsavedReceipts)
            break; // until a receipt is written
        if (budget <= 0) {
            QMetaObject::invokeMethod(this, &PrinterServer::pump, Qt::QueuedConnection);
            break;
        }
        const QByteArray bytes = m_active->read(ReadChunk);
        if (!bytes.isEmpty()) {
            budget -= bytes.size();
            feed(bytes);
            m_quiet.start();
        } else if (m_active->atEnd()) {
            endTurn();
        } else {
            break;
        }
    }
    m_pumping = false;
    watchIdle();
}

void PrinterServer::feed(const QByteArray &bytes)
{
    const emulator::Printer &printer = m_interpreter.printer();
    const int automaticStatus = printer.automaticStatusMask;
    m_replyTo = m_active;
    m_interpreter.feed(bytes);
    m_replyTo = nullptr;
    if (printer.automaticStatusMask != 0
        && (printer.automaticStatusMask != automaticStatus || !m_statusListener))
        m_statusListener = m_active;
    Q_EMIT printed();
}

void PrinterServer::endTurn()
{
    // The job ends with the turn: the next source's bytes are never read as part of it.
    if (!m_interpreter.endJob())
        Q_EMIT problem(u"%1 ended inside a command; its bytes are dropped"_s.arg(m_active->name()));
    if (m_setBeforeTurn)
        m_interpreter.setEmulation(*std::exchange(m_setBeforeTurn, std::nullopt));
    Q_EMIT printed();
    // What a turn logged and did not print (status requests) belongs to no receipt.
    restartLog();
    PrintSource *source = std::exchange(m_active, nullptr);
    source->setPrinting(false);
    if (source->atEnd()) {
        forget(source);
        source->finish();
    }
    startNext();
}

void PrinterServer::watchIdle()
{
    const int limit = m_active ? m_active->idleLimitMs() : 0;
    if (limit <= 0 || m_waiting.isEmpty()) {
        m_idleTimer.stop();
        return;
    }
    m_idleTimer.start(int(qMax<qint64>(0, limit - idleFor())));
}

qint64 PrinterServer::idleFor() const
{
    // A byte now and then, letters or a command that never ends, is not a receipt: it holds the
    // printer no longer than silence would.
    return qMax(m_quiet.elapsed(), m_progress.elapsed());
}

void PrinterServer::idleOut()
{
    if (!m_active || m_waiting.isEmpty() || m_pumping)
        return;
    if (idleFor() < m_active->idleLimitMs())
        return watchIdle();
    // What it sent before going quiet and has not been read (behind unread answers) still
    // prints.
    for (QByteArray bytes = m_active->read(ReadChunk); !bytes.isEmpty();
         bytes = m_active->read(ReadChunk))
        feed(bytes);
    if (m_connections.contains(m_active)) {
        Q_EMIT problem(
                u"%1 closed: idle (no receipt finished) for %2 s while another client waited"_s
                        .arg(m_active->name())
                        .arg(m_active->idleLimitMs() / 1000.0));
    }
    m_active->idledOut();
    endTurn();
}

void PrinterServer::forget(PrintSource *source)
{
    if (m_connections.removeOne(source))
        watchCapacity();
    m_jobs.removeOne(source);
    m_waiting.removeOne(source);
    if (m_active == source)
        m_active = nullptr;
}

void PrinterServer::answer(const QByteArray &bytes)
{
    if (!m_answering) {
        log(LogLine::withheld(bytes));
        Q_EMIT replyWithheld(bytes);
        return;
    }
    if (!m_replyTo)
        return;
    QString error;
    if (m_replyTo->write(bytes, &error)) {
        log(LogLine::reply(bytes, m_replyTo->name()));
        Q_EMIT replied(bytes, m_replyTo->name());
    } else
        Q_EMIT problem(u"reply to %1 failed: %2"_s.arg(m_replyTo->name(), error));
}

void PrinterServer::keep(const emulator::Receipt &receipt)
{
    // A cut with nothing printed before it makes no receipt.
    if (receipt.blocks.isEmpty())
        return;
    KeptReceipt kept{m_nextNumber, QDateTime::currentDateTimeUtc(), activeSource(), receipt, {}};
    if (m_logCut)
        m_log.append(u"… the rest of the log is not kept"_s);
    kept.log = std::exchange(m_log, {});
    restartLog();
    QString error;
    const int claimed = m_folder ? m_folder->claim(kept.number, &error) : -1;
    if (m_folder && claimed < 0)
        Q_EMIT problem(error);
    kept.number = qMax(kept.number, claimed);
    kept.receipt.serial = kept.number; // the receipt's JSON carries its number
    if (claimed > 0) {
        // Drawn and written on the saving thread; a receipt's bytes are read on meanwhile.
        m_saving->run([this, folder = m_folder, kept](const emulator::Renderer &renderer) {
            QString failure;
            const QString path = folder->save(kept, renderer, &failure);
            return [this, path, failure] {
                if (path.isEmpty())
                    Q_EMIT problem(failure);
                else
                    Q_EMIT saved(path);
            };
        });
    }
    m_nextNumber = qMin(kept.number + 1, ReceiptFolder::MaxNumber + 1);
    m_receipts.append(kept);
    m_keptBytes += kept.bytes();
    while (m_receipts.size() > 1
           && (m_receipts.size() > MaxKeptReceipts || m_keptBytes > MaxKeptBytes))
        m_keptBytes -= m_receipts.takeFirst().bytes();
    if (m_active) {
        m_active->receiptKept(kept.number);
        m_progress.start();
    }
    Q_EMIT receiptKept(m_receipts.last());
}

void PrinterServer::log(const QString &line)
{
    if (!m_keepingLogs)
        return;
    // Past the bound the receipt's commands are no longer named, until the next receipt.
    if (m_log.size() >= MaxLogLines) {
        m_logCut = true;
        nameCommands(false);
        return;
    }
    m_log.append(line);
}

} // namespace vprinter
