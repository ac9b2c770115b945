#include "Interpreter.h"

#include "CommandTable.h"
#include "Printer.h"

#include <QMetaMethod>

#include <utility>

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

constexpr qsizetype TextLogChunk = 48;
constexpr qsizetype LongestSignature = 3;

const CommandSet &setOf(CommandSetKind kind)
{
    return kind == CommandSetKind::EscPos ? escPosCommandSet() : starCommandSet(kind);
}

// Which family of sets a signature names; within Star, ESC GS S and page mode tell StarPRNT.
bool sameFamily(CommandSetKind a, CommandSetKind b)
{
    return isStar(a) == isStar(b);
}

} // namespace

Interpreter::Interpreter(const PrinterProfile &profile, QObject *parent)
    : QObject(parent)
    , m_printer(profile)
{
    setEmulation(profile.emulation);
}

const CommandTable &Interpreter::table() const
{
    return m_printer.rasterMode && m_set->rasterTable ? *m_set->rasterTable : m_set->table;
}

void Interpreter::setEmulation(std::optional<CommandSetKind> forced)
{
    m_emulation = forced;
    useSet(setOf(forced.value_or(m_set->kind)));
    m_recognised = false;
}

void Interpreter::useSet(const CommandSet &set)
{
    if (&set == m_set)
        return;
    m_set = &set;
    m_printer.setCommandSet(set.kind, set.automaticStatus);
    set.enter(m_printer);
}

// A command only one set has decides the job's set: auto switches to it, a forced set warns.
// False when the command's name is still arriving: the log names it whole, however the bytes
// come.
bool Interpreter::recognise(const uchar *p, qsizetype available)
{
    const Signature *seen = nullptr;
    for (const CommandSetName &set : CommandSetNames) {
        for (const Signature &signature : setOf(set.kind).signatures) {
            const auto size = qsizetype(signature.bytes.size());
            if (size <= available
                && std::string_view(reinterpret_cast<const char *>(p), size_t(size))
                           == signature.bytes
                && (!seen || size > qsizetype(seen->bytes.size())))
                seen = &signature;
        }
    }
    if (!seen)
        return true;
    if (seen->set == m_set->kind) {
        // A Star Line job may still show StarPRNT's own commands.
        m_recognised = m_set->kind != CommandSetKind::StarLine;
        return true;
    }
    // The command by its own bytes, as the set it belongs to reads them.
    const CommandTable::Match own = setOf(seen->set).table.match(p, available);
    if (!own.spec && own.length > available && !m_ending)
        return false;
    const qsizetype named = qBound(qsizetype(seen->bytes.size()), own.named(), available);
    const QString command = CommandLog::mnemonic(QByteArrayView(p, named), named);
    const QString seenName = QString::fromLatin1(commandSetName(seen->set).name);
    const QString setName = QString::fromLatin1(commandSetName(m_set->kind).name);
    if (m_emulation) {
        if (sameFamily(seen->set, m_set->kind))
            return true;
        m_recognised = true;
        m_printer.warn(
                u"this job looks like %1; the printer is set to %2"_s.arg(seenName, setName));
        log(CommandRecord::Kind::Warning,
            {},
            u"this job looks like %1 (%2); the printer is set to %3"_s.arg(
                    seenName, command, setName));
        return true;
    }
    // Within Star, only StarPRNT's own commands move the job from Star Line mode.
    if (sameFamily(seen->set, m_set->kind) && seen->set != CommandSetKind::StarPrnt)
        return true;
    useSet(setOf(seen->set));
    m_recognised = seen->set != CommandSetKind::StarLine;
    log(CommandRecord::Kind::Command,
        {},
        u"job read as %1: %2 is a command only it has"_s.arg(seenName, command));
    return true;
}

// Bytes that begin a longer signature: whether they are one decides the set, so they are read
// only once the signature's length is there, or the stream has ended.
bool Interpreter::mayBeSignature(const uchar *p, qsizetype available) const
{
    const std::string_view held(reinterpret_cast<const char *>(p), size_t(available));
    for (const CommandSetName &set : CommandSetNames) {
        for (const Signature &signature : setOf(set.kind).signatures) {
            if (signature.bytes.size() > held.size() && signature.bytes.starts_with(held))
                return true;
        }
    }
    return false;
}

void Interpreter::clear()
{
    m_printer.powerOn();
    m_set->enter(m_printer);
    m_recognised = false;
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
    if (!m_buffer.isEmpty()) {
        // Bytes held only to see whether a longer signature follows are read as they are.
        m_ending = true;
        feed({});
        m_ending = false;
    }
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
    if (m_printer.inPageMode() && !m_printer.page().isEmpty())
        m_printer.warn(u"page never printed: no FF or ESC FF after its data"_s);
}

bool Interpreter::endJob()
{
    const bool whole = m_buffer.isEmpty() && m_skip == 0;
    finish();
    m_printer.endReceipt();
    sendFinished();
    m_recognised = false;
    return whole;
}

void Interpreter::process(QByteArrayView bytes)
{
    // The log is written only for a reader: without one, decoding runs at full speed.
    m_logging = isSignalConnected(QMetaMethod::fromSignal(&Interpreter::commandDecoded));
    // A command still short of its bytes is only read again once they are all there.
    if (!m_ending && !m_buffer.isEmpty() && m_buffer.size() + bytes.size() < m_needed) {
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
    CommandTable::Match match = table().match(p, available);
    if (match.kind == CommandTable::Match::Kind::Text)
        return parseText(p, available);
    // Looked at once the command's bytes are there, so that how they arrive changes nothing.
    if (!m_recognised && (available >= LongestSignature || match.length <= available)) {
        if (available < LongestSignature && !m_ending && mayBeSignature(p, available)) {
            m_needed = available + 1;
            return 0;
        }
        const CommandSet *before = m_set;
        if (!recognise(p, available)) {
            m_needed = available + 1;
            return 0;
        }
        if (m_set != before)
            match = table().match(p, available);
    }
    if (match.length > MaxCommandBytes) {
        const qsizetype shown = qMin(available, match.named() + 8);
        m_printer.warn(u"command of %1 bytes too large to hold, skipped"_s.arg(match.length));
        log(CommandRecord::Kind::Warning,
            QByteArrayView(p, shown),
            CommandLog::mnemonic(QByteArrayView(p, shown), match.named())
                    + u"  %1: %2 bytes, too large to hold, skipped"_s.arg(match.name())
                              .arg(match.length));
        // The printer takes the declared bytes as the command's data: they are passed over.
        const qsizetype now = qMin(available, match.length);
        m_skip = match.length - now;
        return now;
    }
    if (match.length > available) {
        m_needed = match.length;
        return 0;
    }

    const QByteArrayView bytes(p, match.length);
    CommandTable::run(match, m_printer, bytes);
    const QString warning = m_printer.takeWarning();
    if (m_logging) {
        const bool known = match.kind == CommandTable::Match::Kind::Command;
        QString description = CommandLog::mnemonic(bytes, match.named()) + u"  "_s
                              + (known ? match.name() : warning);
        if (known && !warning.isEmpty())
            description += u" — "_s + warning;
        const bool realTime = bytes.startsWith(
                QByteArrayView(m_set->realTimePrefix.data(), m_set->realTimePrefix.size()));
        const CommandRecord::Kind kind = !warning.isEmpty() ? CommandRecord::Kind::Warning
                                         : realTime         ? CommandRecord::Kind::RealTime
                                                            : CommandRecord::Kind::Command;
        log(kind, bytes.first(qMin<qsizetype>(match.length, 32)), description);
    }
    sendReplies();
    sendFinished();
    return match.length;
}

qsizetype Interpreter::parseText(const uchar *p, qsizetype available)
{
    // The log shows text in pieces of the same size whatever pieces the bytes came in.
    // JIS Kanji mode's characters are two bytes below 80.
    const qsizetype least = m_printer.kanjiMode == KanjiMode::Jis ? 2 : 1;
    const qsizetype room = TextLogChunk - m_textBytes.size();
    const qsizetype limit = m_logging && p[0] < 0x80 ? qMin(available, qMax(least, room))
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
