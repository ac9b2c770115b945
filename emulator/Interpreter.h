#pragma once

#include "CommandRecord.h"
#include "CommandSet.h"
#include "Printer.h"
#include "Receipt.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QObject>

#include <optional>

namespace emulator {

// Reads the printer's byte stream, arriving in pieces of any size, command by command.
class Interpreter : public QObject
{
    Q_OBJECT

public:
    // A command with more bytes than this (a huge declared image) is skipped, not held.
    static constexpr qsizetype MaxCommandBytes = qsizetype(4) * 1024 * 1024;

    explicit Interpreter(const PrinterProfile &profile = {}, QObject *parent = nullptr);

    void feed(QByteArrayView bytes);
    // The stream has ended: a command still waiting for its bytes is warned.
    void finish();
    // The job has ended (its source finished its turn): a command still waiting for its bytes
    // is warned and dropped, and what the job printed since the last cut ends its receipt.
    // False when the job ended inside a command.
    bool endJob();
    // Forgets all receipts and returns to the power-on state.
    void clear();
    // The memory switch for Chinese mode: counts from the next power-on or ESC @.
    void setChineseAtPowerUp(bool on) { m_printer.setChineseAtPowerUp(on); }
    // The command set the printer is set to; none: each job is read in the set its commands
    // show, the last job's until they show one.
    void setEmulation(std::optional<CommandSetKind> forced);
    std::optional<CommandSetKind> emulation() const { return m_emulation; }
    // The set the job being read is read in.
    CommandSetKind commandSet() const { return m_set->kind; }
    // The conditions the printer reports; with automatic status back on, a change is sent.
    void setStatus(const StatusConditions &status);

    // Receipts, oldest first; the last one is the receipt being printed.
    const QList<Receipt> &receipts() const { return m_printer.receipts(); }
    // What the print buffer holds and has not printed yet.
    const TextLine &pendingLine() const { return m_printer.buffer().line(); }
    // Bytes held back because they start a command that has not arrived completely.
    qsizetype pendingBytes() const { return m_buffer.size(); }
    const Printer &printer() const { return m_printer; }

Q_SIGNALS:
    void commandDecoded(const emulator::CommandRecord &record);
    // Bytes the printer sends back: status, printer ID, automatic status back.
    void replyReady(const QByteArray &bytes);
    // A receipt is finished: cut, or ended with its job. Emitted for each, however many one
    // feed finishes.
    void receiptFinished(const emulator::Receipt &receipt);

private:
    void process(QByteArrayView bytes);
    qsizetype parse(const uchar *p, qsizetype available);
    qsizetype parseText(const uchar *p, qsizetype available);
    void flushText();
    void log(CommandRecord::Kind kind, QByteArrayView bytes, const QString &description);
    void sendReplies();
    void sendFinished();
    bool recognise(const uchar *p, qsizetype available);
    bool mayBeSignature(const uchar *p, qsizetype available) const;
    const CommandTable &table() const;
    void useSet(const CommandSet &set);

    Printer m_printer;
    std::optional<CommandSetKind> m_emulation;
    const CommandSet *m_set = &escPosCommandSet();
    bool m_recognised = false; // the job's commands have shown its set
    QByteArray m_buffer;       // start of an incomplete command
    qsizetype m_needed = 0;    // bytes that command needs before it is worth reading again
    QByteArray m_reentrant;    // bytes fed from a slot while a feed is running
    bool m_feeding = false;
    bool m_ending = false; // the stream has ended: what is held is read as it is
    qint64 m_skip = 0;     // bytes of a command too large to hold, still to be passed over

    bool m_logging = true;
    QByteArray m_textBytes;
    QString m_text;
};

} // namespace emulator
