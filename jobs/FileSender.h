#pragma once

#include <QFile>
#include <QObject>
#include <QTimer>

#include <optional>

namespace serial {
class Port;
class PrinterLink;
} // namespace serial

namespace jobs {

// Sends a file's bytes unchanged through the port, a piece at a time. The next piece goes only
// once the link has taken the last, so flow control holds the file back as it holds any job, a
// cancel takes effect between pieces, and the window goes on between them.
class FileSender : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 mebibyte = qint64(1) << 20;
    static constexpr qint64 maxFileBytes = 64 * mebibyte;
    // Pieces are a tenth of a second of the line, within these bounds; the largest where the
    // line has no speed of its own.
    static constexpr qint64 minPieceBytes = 64;
    static constexpr qint64 maxPieceBytes = qint64(16) << 10;

    // Why a file is not sent at all.
    enum class Refusal { Missing, Unreadable, TooLarge, Empty };
    // How a send that started ended.
    enum class Outcome { Sent, Cancelled, ReadFailed, LinkClosed };

    explicit FileSender(serial::PrinterLink &link, QObject *parent = nullptr);

    // What would keep the file from being sent, looked at now.
    static std::optional<Refusal> check(const QString &path);
    // Opens the file and sends its first piece; nothing is sent when it is refused, or while
    // another file is being sent (refused as unreadable then).
    std::optional<Refusal> start(serial::Port &port, const QString &path);
    // Ends the send once the piece in flight has been taken.
    void cancel();
    // Ends the send at once: the link has closed or gone.
    void stop();

    bool isSending() const { return m_port != nullptr; }
    qint64 total() const { return m_total; }
    qint64 pieceBytes() const { return m_pieceBytes; }

Q_SIGNALS:
    // sent: the bytes the link has taken, whole pieces only.
    void progressed(qint64 sent, qint64 total);
    void finished(jobs::FileSender::Outcome outcome, qint64 sent, qint64 total);

private:
    void sendPiece();
    void pieceTaken();
    void finish(Outcome outcome);

    serial::PrinterLink &m_link;
    serial::Port *m_port = nullptr;
    QFile m_file;
    QTimer m_nextPiece;
    qint64 m_total = 0;
    qint64 m_sent = 0;
    qint64 m_inFlight = 0; // bytes of the piece the link holds back, 0 between pieces
    qint64 m_pieceBytes = maxPieceBytes;
    bool m_cancelled = false;
};

} // namespace jobs
