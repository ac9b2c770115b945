#pragma once

#include "CommandSetKind.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

namespace vprinter {

// One way bytes reach the printer: a network connection, the pseudo-terminal. The server gives the
// printer to one source at a time and reads a source only in its turn; until then the bytes stay
// with the source, which holds a bounded amount and then stops taking more, so that the sender
// waits and nothing is lost.
class PrintSource : public QObject
{
    Q_OBJECT

public:
    // How receipts and the log name it: "tcp 127.0.0.1:40112", "pty", "http".
    const QString &name() const { return m_name; }

    // Up to max bytes that have arrived; empty when none is there now.
    virtual QByteArray read(qsizetype max) = 0;
    // No byte will come any more (the connection closed) and every one has been read.
    virtual bool atEnd() const = 0;
    // Sends the printer's answers; false with the reason when they cannot go.
    virtual bool write(const QByteArray &bytes, QString *error) = 0;
    // Answers written and not yet taken by the other end.
    virtual qint64 unsentAnswers() const { return 0; }
    // How long it may hold the printer without sending while another source waits; 0 for ever.
    virtual int idleLimitMs() const = 0;
    // It held the printer that long: a connection is closed; the pseudo-terminal, which cannot
    // be, only gives up its turn.
    virtual void idledOut() {}
    // Its turn has come or gone.
    virtual void setPrinting(bool printing) { Q_UNUSED(printing) }
    // The command set its bytes are written in, read so whatever the printer is set to; none
    // for bytes the printer reads as any job.
    virtual std::optional<emulator::CommandSetKind> commandSet() const { return std::nullopt; }
    // Its bytes finished a receipt, kept under this number.
    virtual void receiptKept(int number) { Q_UNUSED(number) }
    // It has ended and is no longer the server's: it deletes itself once done with its answers.
    virtual void finish() { deleteLater(); }

Q_SIGNALS:
    // Bytes, or the end, have arrived: worth reading in its turn.
    void readyRead();
    // The other end took answers in: more of its requests may be read.
    void answersTaken();

protected:
    explicit PrintSource(const QString &name, QObject *parent = nullptr)
        : QObject(parent)
        , m_name(name)
    {}

private:
    QString m_name;
};

} // namespace vprinter
