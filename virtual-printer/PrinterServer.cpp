#include "PrinterServer.h"

#include "PseudoTerminal.h"
#include "ReceiptExport.h"

#include "ReceiptJson.h"

#include <QDir>
#include <QTcpServer>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

QString peerName(const QTcpSocket *socket)
{
    const QHostAddress address = socket->peerAddress();
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                                 ? u"[%1]"_s.arg(address.toString())
                                 : address.toString();
    return u"%1:%2"_s.arg(host).arg(socket->peerPort());
}

} // namespace

PrinterServer::PrinterServer(const emulator::PrinterProfile &profile, QObject *parent)
    : QObject(parent)
    , m_interpreter(profile)
{
    connect(&m_interpreter, &emulator::Interpreter::replyReady, this, &PrinterServer::answer);
}

PrinterServer::~PrinterServer() = default;

void PrinterServer::attach(PseudoTerminal *terminal)
{
    m_terminal = terminal;
    connect(terminal, &PseudoTerminal::received, this, [this, terminal](const QByteArray &bytes) {
        feed(bytes, nullptr, terminal);
    });
}

bool PrinterServer::listen(const QHostAddress &host, quint16 port, QString *error)
{
    delete m_server;
    m_server = new QTcpServer(this);
    for (int i = 0; i < PortsToTry && port + i <= 65535; ++i) {
        if (m_server->listen(host, quint16(port + i))) {
            connect(m_server, &QTcpServer::newConnection, this, &PrinterServer::accept);
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

QString PrinterServer::activeClient() const
{
    return m_active.name;
}

void PrinterServer::setStatus(const emulator::StatusConditions &status)
{
    // Automatic status back goes to whoever prints now.
    m_replyTo = m_active.socket;
    m_replyToTerminal = m_active.socket ? nullptr : m_terminal;
    m_interpreter.setStatus(status);
    m_replyTo = nullptr;
    m_replyToTerminal = nullptr;
}

void PrinterServer::setSaveDirectory(const QString &directory)
{
    m_saveDirectory = directory;
}

void PrinterServer::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        Client client{socket, peerName(socket), {}, false};
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            receiveFromClient(socket);
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { clientEnded(socket); });
        if (m_active.name.isEmpty())
            m_active = client;
        else
            m_waiting.append(client);
        Q_EMIT clientsChanged();
    }
}

void PrinterServer::receiveFromClient(QTcpSocket *socket)
{
    const QByteArray bytes = socket->readAll();
    if (socket == m_active.socket) {
        feed(bytes, socket, nullptr);
        return;
    }
    // A client waiting for its turn: its bytes are kept until the printer takes them.
    for (Client &client : m_waiting) {
        if (client.socket == socket) {
            client.pending += bytes;
            return;
        }
    }
}

void PrinterServer::clientEnded(QTcpSocket *socket)
{
    // Whatever arrived before the connection closed still prints.
    if (socket->bytesAvailable() > 0)
        receiveFromClient(socket);
    socket->deleteLater();
    if (socket != m_active.socket) {
        for (Client &client : m_waiting) {
            if (client.socket == socket)
                client.ended = true;
        }
        return;
    }
    // A job that ended inside a command leaves the printer ready for the next one.
    m_interpreter.finish();
    saveFinished(true);
    m_active = {};
    startNext();
}

void PrinterServer::startNext()
{
    while (!m_waiting.isEmpty()) {
        m_active = m_waiting.takeFirst();
        const QByteArray pending = std::exchange(m_active.pending, {});
        if (!pending.isEmpty())
            feed(pending, m_active.socket, nullptr);
        if (!m_active.ended && m_active.socket)
            break;
        m_interpreter.finish();
        saveFinished(true);
        m_active = {};
    }
    Q_EMIT clientsChanged();
}

void PrinterServer::feed(const QByteArray &bytes, QTcpSocket *from, PseudoTerminal *terminal)
{
    m_replyTo = from;
    m_replyToTerminal = terminal;
    m_interpreter.feed(bytes);
    m_replyTo = nullptr;
    m_replyToTerminal = nullptr;
    saveFinished(false);
    Q_EMIT printed();
}

void PrinterServer::answer(const QByteArray &bytes)
{
    if (!m_answering) {
        Q_EMIT replyWithheld(bytes);
        return;
    }
    if (m_replyTo && m_replyTo->state() == QAbstractSocket::ConnectedState) {
        m_replyTo->write(bytes);
        Q_EMIT replied(bytes, peerName(m_replyTo));
    } else if (m_replyToTerminal) {
        if (m_replyToTerminal->write(bytes))
            Q_EMIT replied(bytes, m_replyToTerminal->slavePath());
        else
            Q_EMIT problem(u"reply failed: "_s + m_replyToTerminal->errorString());
    }
}

void PrinterServer::saveFinished(bool flush)
{
    if (m_saveDirectory.isEmpty())
        return;
    for (const emulator::Receipt &receipt : m_interpreter.receipts()) {
        if (receipt.serial < m_savedSerial)
            continue;
        const qsizetype kept = receipt.serial == m_savedSerial ? m_savedBlocks : 0;
        const bool cut = receipt.cut != emulator::CutKind::None;
        if (!cut && !flush)
            break; // the receipt still being printed waits for its cut or its client's end
        if (receipt.blocks.size() > kept) {
            const QString name = u"receipt-%1.png"_s.arg(++m_savedCount, 4, 10, QLatin1Char('0'));
            const QString path = QDir(m_saveDirectory).filePath(name);
            QString error;
            const QString json = path.chopped(4) + u".json"_s; // the receipt as data, beside it
            if (ReceiptExport::savePng(receipt, path, &error)
                && ReceiptExport::saveBytes(
                        emulator::ReceiptJson::write({receipt}, receipt.paperDots), json, &error))
                Q_EMIT saved(path);
            else
                Q_EMIT problem(error);
        }
        m_savedSerial = cut ? receipt.serial + 1 : receipt.serial;
        m_savedBlocks = cut ? 0 : receipt.blocks.size();
    }
}

} // namespace vprinter
