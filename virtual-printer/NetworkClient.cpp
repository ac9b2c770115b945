#include "NetworkClient.h"

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
    return u"tcp %1:%2"_s.arg(host).arg(socket->peerPort());
}

} // namespace

NetworkClient::NetworkClient(QTcpSocket *socket, int idleLimitMs, QObject *parent)
    : PrintSource(peerName(socket), parent)
    , m_socket(socket)
    , m_idleLimitMs(idleLimitMs)
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(WaitingBytes);
    connect(m_socket, &QTcpSocket::readyRead, this, &PrintSource::readyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &PrintSource::readyRead);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &PrintSource::answersTaken);
}

QByteArray NetworkClient::read(qsizetype max)
{
    return m_socket->read(max);
}

bool NetworkClient::atEnd() const
{
    return m_socket->state() == QAbstractSocket::UnconnectedState
           && m_socket->bytesAvailable() == 0;
}

bool NetworkClient::write(const QByteArray &bytes, QString *error)
{
    // A client that has gone hears nothing; that is no fault of the printer's.
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return true;
    if (m_socket->write(bytes) == bytes.size())
        return true;
    *error = m_socket->errorString();
    return false;
}

qint64 NetworkClient::unsentAnswers() const
{
    return m_socket->bytesToWrite();
}

void NetworkClient::close()
{
    // Closing is the server's doing: it is not told of the closed connection as news.
    m_socket->disconnect(this);
    m_socket->abort();
}

void NetworkClient::idledOut()
{
    close();
}

void NetworkClient::setPrinting(bool printing)
{
    m_socket->setReadBufferSize(printing ? PrintingBytes : WaitingBytes);
}

} // namespace vprinter
