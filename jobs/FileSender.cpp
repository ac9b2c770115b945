#include "jobs/FileSender.h"

#include "link/Port.h"
#include "link/PrinterLink.h"

#include <QFileInfo>

#include <algorithm>

namespace jobs {

FileSender::FileSender(serial::PrinterLink &link, QObject *parent)
    : QObject(parent)
    , m_link(link)
{
    m_nextPiece.setSingleShot(true);
    m_nextPiece.setInterval(0);
    connect(&m_nextPiece, &QTimer::timeout, this, &FileSender::sendPiece);
    connect(&m_link, &serial::PrinterLink::drained, this, [this] {
        if (m_inFlight > 0)
            pieceTaken();
    });
    connect(&m_link, &serial::PrinterLink::failed, this, &FileSender::stop);
}

std::optional<FileSender::Refusal> FileSender::check(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Refusal::Missing;
    if (!info.isFile() || !info.isReadable())
        return Refusal::Unreadable;
    if (info.size() > maxFileBytes)
        return Refusal::TooLarge;
    if (info.size() == 0)
        return Refusal::Empty;
    return std::nullopt;
}

std::optional<FileSender::Refusal> FileSender::start(serial::Port &port, const QString &path)
{
    if (isSending())
        return Refusal::Unreadable;
    if (const std::optional<Refusal> refusal = check(path))
        return refusal;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
        return Refusal::Unreadable;
    m_total = m_file.size(); // looked at again: the file may have changed since the check
    if (m_total > maxFileBytes || m_total == 0) {
        m_file.close();
        return m_total == 0 ? Refusal::Empty : Refusal::TooLarge;
    }
    const std::optional<qint32> lineSpeed = m_link.lineBytesPerSecond();
    m_pieceBytes = lineSpeed ? std::clamp<qint64>(*lineSpeed / 10, minPieceBytes, maxPieceBytes)
                             : maxPieceBytes;
    m_port = &port;
    m_sent = 0;
    m_inFlight = 0;
    m_cancelled = false;
    sendPiece();
    return std::nullopt;
}

void FileSender::cancel()
{
    if (!isSending())
        return;
    m_cancelled = true;
    if (m_inFlight == 0)
        finish(Outcome::Cancelled);
}

void FileSender::stop()
{
    if (isSending())
        finish(Outcome::LinkClosed);
}

void FileSender::sendPiece()
{
    if (!isSending())
        return;
    if (m_cancelled)
        return finish(Outcome::Cancelled);
    if (m_sent == m_total)
        return finish(Outcome::Sent);
    const qint64 wanted = std::min(m_pieceBytes, m_total - m_sent);
    const QByteArray piece = m_file.read(wanted);
    if (piece.size() != wanted)
        return finish(Outcome::ReadFailed);
    m_inFlight = piece.size();
    m_port->Output(piece);
    // What the device holds back goes out as it lets it; the link says when it has.
    if (m_link.bytesToWrite() == 0)
        pieceTaken();
}

void FileSender::pieceTaken()
{
    m_sent += std::exchange(m_inFlight, 0);
    Q_EMIT progressed(m_sent, m_total);
    // From the event loop: a click on Cancel, the progress shown and any answer come between
    // pieces.
    if (isSending())
        m_nextPiece.start();
}

void FileSender::finish(Outcome outcome)
{
    m_nextPiece.stop();
    m_inFlight = 0;
    m_port = nullptr;
    m_file.close();
    Q_EMIT finished(outcome, m_sent, m_total);
}

} // namespace jobs
