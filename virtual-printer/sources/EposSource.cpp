#include "EposSource.h"

using namespace Qt::StringLiterals;

namespace vprinter {

EposSource::EposSource(const QByteArray &bytes,
                       std::function<QByteArray()> refusal,
                       QObject *parent)
    : PrintSource(u"epos"_s, parent)
    , m_bytes(bytes)
    , m_refusal(std::move(refusal))
{}

QByteArray EposSource::read(qsizetype max)
{
    QByteArray bytes = m_bytes.mid(m_offset, max);
    m_offset += bytes.size();
    return bytes;
}

void EposSource::setPrinting(bool printing)
{
    if (printing) {
        m_started = true;
        m_refused = m_refusal();
        if (!m_refused.isEmpty())
            m_offset = m_bytes.size();
    } else if (m_started) {
        Q_EMIT printed(m_receipts, m_refused);
    }
}

} // namespace vprinter
