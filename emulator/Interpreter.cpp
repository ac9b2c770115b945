#include "Interpreter.h"

#include "CommandTable.h"

#include <QMetaMethod>

#include <utility>

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

constexpr qsizetype TextLogChunk = 48;

bool isCommandStart(uchar byte)
{
    return byte == 0x1B || byte == 0x1D || byte == 0x1C;
}

} // namespace

Interpreter::Interpreter(const PrinterProfile &profile, QObject *parent)
    : QObject(parent)
    , m_printer(profile)
{}

void Interpreter::clear()
{
    m_printer.powerOn();
    m_buffer.clear();
    m_needed = 0;
    m_skip = 0;
    m_textBytes.clear();
    m_text.clear();
}

void Interpreter::setStatus(const StatusConditions &status)
{
    m_printer.setStatus(status);
    sendReplies();
}

void Interpreter::feed(QByteArrayView bytes)
{
    if (m_feeding) {
        m_reentrant.append(bytes);
        return;
    }
    m_feeding = true;
    process(bytes);
    while (!m_reentrant.isEmpty()) {
        const QByteArray more = std::exchange(m_reentrant, {});
        process(more);
    }
    m_feeding = false;
}

void Interpreter::finish()
{
    flushText();
    if (!m_buffer.isEmpty()) {
        m_printer.warn(u"stream ended inside a command"_s);
        if (m_logging) {
            log(CommandRecord::Kind::Warning,
                m_buffer,
                CommandLog::mnemonic(m_buffer, 1) + u"  stream ended inside this command"_s);
        }
        m_buffer.clear();
        m_needed = 0;
    }
    if (m_skip > 0) {
        m_printer.warn(u"stream ended inside a command"_s);
        m_skip = 0;
    }
}

bool Interpreter::endJob()
{
    const bool whole = m_buffer.isEmpty() && m_skip == 0;
    finish();
    m_printer.endReceipt();
    sendFinished();
    return whole;
}

void Interpreter::process(QByteArrayView bytes)
{
    // The log is written only for a reader: without one, decoding runs at full speed.
    m_logging = isSignalConnected(QMetaMethod::fromSignal(&Interpreter::commandDecoded));
    // A command still short of its bytes is only read again once they are all there.
    if (!m_buffer.isEmpty() && m_buffer.size() + bytes.size() < m_needed) {
        m_buffer.append(bytes);
        return;
    }
    QByteArray work;
    const uchar *p = nullptr;
    qsizetype size = 0;
    if (m_buffer.isEmpty()) {
        p = reinterpret_cast<const uchar *>(bytes.data());
        size = bytes.size();
    } else {
        work = std::exchange(m_buffer, {});
        work.append(bytes);
        p = reinterpret_cast<const uchar *>(work.constData());
        size = work.size();
    }

    qsizetype pos = 0;
    m_needed = 0;
    while (pos < size) {
        if (m_skip > 0) {
            const qsizetype n = qsizetype(qMin<qint64>(m_skip, size - pos));
            m_skip -= n;
            pos += n;
            continue;
        }
        const qsizetype used = parse(p + pos, size - pos);
        if (used == 0)
            break;
        pos += used;
    }
    if (pos < size)
        m_buffer = QByteArray(reinterpret_cast<const char *>(p + pos), size - pos);
}

qsizetype Interpreter::parse(const uchar *p, qsizetype available)
{
    const uchar b = p[0];
    if (b >= 0x20 && b != 0x7F)
        return parseText(p, available);

    bool needMore = false;
    const CommandSpec *spec = CommandTable::find(p, available, &needMore);
    if (needMore) {
        m_needed = available + 1;
        return 0;
    }
    if (!spec)
        return parseUnknown(p, available);

    const qsizetype length = CommandTable::length(*spec, p, available);
    const auto prefixSize = qsizetype(spec->prefix.size());
    if (length > MaxCommandBytes) {
        m_printer.warn(u"command of %1 bytes too large to hold, skipped"_s.arg(length));
        log(CommandRecord::Kind::Warning,
            QByteArrayView(p, qMin(available, prefixSize + 8)),
            CommandLog::mnemonic(QByteArrayView(p, qMin(available, prefixSize + 8)), prefixSize)
                    + u"  %1: %2 bytes, too large to hold, skipped"_s
                              .arg(QString::fromLatin1(spec->name))
                              .arg(length));
        // The printer takes the declared bytes as the command's data: they are passed over.
        const qsizetype now = qMin(available, length);
        m_skip = length - now;
        return now;
    }
    if (length > available) {
        m_needed = length;
        return 0;
    }

    const QByteArrayView bytes(p, length);
    spec->effect(m_printer, Command{bytes, prefixSize});
    const QString warning = m_printer.takeWarning();
    if (m_logging) {
        QString description = CommandLog::mnemonic(bytes, prefixSize) + u"  "_s
                              + QString::fromLatin1(spec->name);
        if (!warning.isEmpty())
            description += u" — "_s + warning;
        const CommandRecord::Kind kind = !warning.isEmpty() ? CommandRecord::Kind::Warning
                                         : b == 0x10        ? CommandRecord::Kind::RealTime
                                                            : CommandRecord::Kind::Command;
        log(kind, bytes.first(qMin<qsizetype>(length, 32)), description);
    }
    sendReplies();
    sendFinished();
    return length;
}

qsizetype Interpreter::parseText(const uchar *p, qsizetype available)
{
    // The log shows text in pieces of the same size whatever pieces the bytes came in.
    const qsizetype room = TextLogChunk - m_textBytes.size();
    const qsizetype limit = m_logging && p[0] < 0x80 ? qBound<qsizetype>(1, room, available)
                                                     : available;
    const qsizetype used = m_printer.text(p, limit, m_logging ? &m_text : nullptr);
    if (used == 0) {
        m_needed = available + 1;
        return 0;
    }
    if (m_logging)
        m_textBytes.append(reinterpret_cast<const char *>(p), used);
    const QString warning = m_printer.takeWarning();
    if (!warning.isEmpty()) {
        flushText();
        log(CommandRecord::Kind::Warning,
            QByteArrayView(p, used),
            CommandLog::mnemonic(QByteArrayView(p, used), 0) + u"  "_s + warning);
    } else if (m_textBytes.size() >= TextLogChunk) {
        flushText();
    }
    return used;
}

qsizetype Interpreter::parseUnknown(const uchar *p, qsizetype available)
{
    const uchar b = p[0];
    QString what;
    qsizetype length = 1;
    if (isCommandStart(b) && p[1] >= 0x20) {
        // Printers of this kind pass over an unknown ESC command with one parameter and an
        // unknown GS or FS command with none.
        length = CommandTable::unknownLength(p);
        if (available < length) {
            m_needed = length;
            return 0;
        }
        what = u"unknown command %1 %2 skipped"_s.arg(CommandLog::byteName(b),
                                                      CommandLog::byteName(p[1]));
    } else if (isCommandStart(b) || b == 0x10) {
        what = u"%1 not followed by a command, dropped"_s.arg(CommandLog::byteName(b));
    } else {
        what = u"%1 ignored"_s.arg(CommandLog::byteName(b));
    }
    m_printer.warn(what);
    m_printer.takeWarning();
    if (m_logging)
        log(CommandRecord::Kind::Warning,
            QByteArrayView(p, length),
            CommandLog::mnemonic(QByteArrayView(p, length), qMin<qsizetype>(length, 2)) + u"  "_s
                    + what);
    return length;
}

void Interpreter::flushText()
{
    if (m_textBytes.isEmpty())
        return;
    const CommandRecord record{CommandRecord::Kind::Text,
                               std::exchange(m_textBytes, {}),
                               u"text \"%1\""_s.arg(std::exchange(m_text, {}))};
    Q_EMIT commandDecoded(record);
}

void Interpreter::log(CommandRecord::Kind kind, QByteArrayView bytes, const QString &description)
{
    if (!m_logging)
        return;
    flushText();
    Q_EMIT commandDecoded(CommandRecord{kind, bytes.toByteArray(), description});
}

void Interpreter::sendReplies()
{
    const QByteArray replies = m_printer.takeReplies();
    if (!replies.isEmpty())
        Q_EMIT replyReady(replies);
}

void Interpreter::sendFinished()
{
    const QList<Receipt> finished = m_printer.takeFinished();
    for (const Receipt &receipt : finished)
        Q_EMIT receiptFinished(receipt);
}

} // namespace emulator
