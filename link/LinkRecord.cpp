#include "link/LinkRecord.h"

#include <QDateTime>

namespace serial {

LinkRecord::LinkRecord(QObject *parent)
    : QObject(parent)
{
    m_changed.setSingleShot(true);
    m_changed.setInterval(0);
    connect(&m_changed, &QTimer::timeout, this, &LinkRecord::changed);
}

void LinkRecord::add(Direction direction, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (size() == capacity)
        m_entries.pop_front();
    m_entries.push_back({QDateTime::currentMSecsSinceEpoch(), direction, bytes});
    ++m_added;
    if (!m_changed.isActive())
        m_changed.start();
}

void LinkRecord::clear()
{
    m_entries.clear();
    m_changed.stop();
    Q_EMIT cleared();
}

} // namespace serial
