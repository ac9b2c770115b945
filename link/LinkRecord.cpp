#include "link/LinkRecord.h"

#include <QDateTime>

namespace serial {

void LinkRecord::add(Direction direction, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (size() == capacity)
        m_entries.pop_front();
    m_entries.push_back({QDateTime::currentMSecsSinceEpoch(), direction, bytes});
    ++m_added;
    Q_EMIT changed();
}

void LinkRecord::clear()
{
    m_entries.clear();
    Q_EMIT cleared();
}

} // namespace serial
