#pragma once

#include "PrintSource.h"

#include <QTimer>

class QSocketNotifier;

namespace vprinter {

// A network connection to the raw printing port: what the client sends, and its answers. A client
// that shuts down its sending side (as `nc -N` does) still hears the answers to what it sent, until
// it closes too.
class NetworkClient : public PrintSource
{
    Q_OBJECT

public:
    // Bytes kept for a client that waits its turn; past them the connection is no longer read,
    // the system's window fills and the client's send waits.
    static constexpr qint64 WaitingBytes = qint64(16) * 1024 * 1024;
    // Bytes kept for the client that prints: its bytes are read as they come, so this is only
    // what is held while its unsent answers stop the reading.
    static constexpr qint64 PrintingBytes = qint64(64) * 1024;

    // Takes the connected, non-blocking socket over.
    NetworkClient(int socket, int idleLimitMs, QObject *parent = nullptr);
    ~NetworkClient() override;

    // Closes the connection at once; what it had sent and was not read is dropped.
    void close();

    QByteArray read(qsizetype max) override;
    bool atEnd() const override { return m_ended && m_received.isEmpty(); }
    bool write(const QByteArray &bytes, QString *error) override;
    qint64 unsentAnswers() const override { return m_unsent.size() - m_sent; }
    int idleLimitMs() const override { return m_idleLimitMs; }
    void idledOut() override;
    void setPrinting(bool printing) override;
    // The answers still unsent go out before the connection closes; a client that takes none
    // in for the idle limit (or 30 s) is closed without them.
    void finish() override;

private:
    void receive();
    void send();
    void watch();

    int m_socket = -1;
    QSocketNotifier *m_readable = nullptr;
    QSocketNotifier *m_writable = nullptr;
    int m_idleLimitMs = 0;
    qint64 m_keep = WaitingBytes;
    QByteArray m_received;
    bool m_ended = false; // the client sends no more
    QByteArray m_unsent;
    qsizetype m_sent = 0; // of m_unsent
    bool m_gone = false;  // answers cannot reach the client any more
    bool m_finishing = false;
    QTimer m_linger;
};

} // namespace vprinter
