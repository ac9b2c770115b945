#pragma once

#include "PrintSource.h"

class QTcpSocket;

namespace vprinter {

// A network connection to the raw printing port: what the client sends, and its answers.
class NetworkClient : public PrintSource
{
    Q_OBJECT

public:
    // Bytes kept for a client that waits its turn; past them the socket is no longer read, the
    // system's window fills and the client's send waits.
    static constexpr qint64 WaitingBytes = qint64(16) * 1024 * 1024;
    // Bytes kept for the client that prints: its bytes are read as they come, so this is only
    // what is held while its unsent answers stop the reading.
    static constexpr qint64 PrintingBytes = qint64(64) * 1024;

    // Takes the connected socket over.
    NetworkClient(QTcpSocket *socket, int idleLimitMs, QObject *parent = nullptr);

    // Closes the connection at once; what it had sent and was not read is dropped.
    void close();

    QByteArray read(qsizetype max) override;
    bool atEnd() const override;
    bool write(const QByteArray &bytes, QString *error) override;
    qint64 unsentAnswers() const override;
    int idleLimitMs() const override { return m_idleLimitMs; }
    void idledOut() override;
    void setPrinting(bool printing) override;

private:
    QTcpSocket *m_socket = nullptr;
    int m_idleLimitMs = 0;
};

} // namespace vprinter
