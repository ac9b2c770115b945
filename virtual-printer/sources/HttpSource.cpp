#include "HttpSource.h"

using namespace Qt::StringLiterals;

namespace vprinter {

HttpSource::HttpSource(const QByteArray &bytes,
                       const QString &name,
                       std::optional<emulator::CommandSetKind> set,
                       QObject *parent)
    : PrintSource(name, parent)
    , m_bytes(bytes)
    , m_set(set)
{}

QByteArray HttpSource::read(qsizetype max)
{
    QByteArray bytes = m_bytes.mid(m_offset, max);
    m_offset += bytes.size();
    if (atEnd())
        m_bytes.clear(); // printed; only the offset is needed any more
    return bytes;
}

bool HttpSource::write(const QByteArray &bytes, QString *error)
{
    Q_UNUSED(error)
    const qsizetype kept = qMin(bytes.size(), MaxAnswers - m_answers.size());
    m_answers.append(bytes.first(kept));
    m_answersLeftOut += bytes.size() - kept;
    return true;
}

void HttpSource::setPrinting(bool printing)
{
    if (printing)
        m_started = true;
    else if (m_started)
        Q_EMIT printed(m_receipts, std::exchange(m_answers, {}), m_answersLeftOut);
}

} // namespace vprinter
