#include "app/LogModel.h"

#include "protocol/CodePage936.h"

#include <QDateTime>

#include <algorithm>

namespace app {

LogModel::LogModel(const serial::LinkRecord &record, QObject *parent)
    : QAbstractTableModel(parent)
    , m_record(record)
    , m_addedWhenFollowed(record.added())
{
    m_followTimer.setSingleShot(true);
    m_followTimer.setInterval(followDelayMs);
    connect(&m_followTimer, &QTimer::timeout, this, &LogModel::follow);
    connect(&m_record, &serial::LinkRecord::changed, this, [this] {
        if (!m_followTimer.isActive())
            m_followTimer.start();
    });
    connect(&m_record, &serial::LinkRecord::cleared, this, [this] {
        m_followTimer.stop();
        beginResetModel();
        m_rows = 0;
        m_addedWhenFollowed = m_record.added();
        endResetModel();
    });
    follow();
}

void LogModel::follow()
{
    // The table shows the entries numbered [m_addedWhenFollowed - m_rows, m_addedWhenFollowed)
    // of all ever added; the record now holds [added - size, added).
    const quint64 firstShown = m_addedWhenFollowed - quint64(m_rows);
    const quint64 firstHeld = m_record.added() - quint64(m_record.size());
    const int dropped = int(std::min<quint64>(firstHeld > firstShown ? firstHeld - firstShown : 0,
                                              quint64(m_rows)));
    if (dropped > 0) {
        beginRemoveRows(QModelIndex(), 0, dropped - 1);
        m_rows -= dropped;
        endRemoveRows();
    }
    const int rows = int(m_record.size());
    if (rows > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, rows - 1);
        m_rows = rows;
        m_addedWhenFollowed = m_record.added();
        endInsertRows();
    }
    m_addedWhenFollowed = m_record.added();
}

const serial::LinkRecord::Entry *LogModel::entry(int row) const
{
    // Between a change and the next follow() the record may have dropped rows still shown.
    const quint64 firstShown = m_addedWhenFollowed - quint64(m_rows);
    const quint64 firstHeld = m_record.added() - quint64(m_record.size());
    const quint64 number = firstShown + quint64(row);
    if (row < 0 || row >= m_rows || number < firstHeld)
        return nullptr;
    const auto index = qsizetype(number - firstHeld);
    return index < m_record.size() ? &m_record.at(index) : nullptr;
}

int LogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int LogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString LogModel::text(const serial::LinkRecord::Entry &entry, int column, qsizetype bytes) const
{
    switch (column) {
    case Time:
        return QDateTime::fromMSecsSinceEpoch(entry.msecsSinceEpoch)
                .toString(QStringLiteral("HH:mm:ss.zzz"));
    case Direction:
        return entry.direction == serial::LinkRecord::Direction::Sent ? tr("sent") : tr("received");
    case Count:
        return QString::number(entry.bytes.size());
    case Hex:
    case Text: {
        const QByteArray shown = entry.bytes.left(bytes);
        const QString text = column == Hex ? QString::fromLatin1(shown.toHex(' ').toUpper())
                                           : protocol::printableText(shown);
        return shown.size() < entry.bytes.size() ? text + u'…' : text;
    }
    }
    return QString();
}

QVariant LogModel::data(const QModelIndex &index, int role) const
{
    const serial::LinkRecord::Entry *shown = entry(index.row());
    if (!shown)
        return QVariant();
    if (role == Qt::DisplayRole)
        return text(*shown, index.column(), shownBytes);
    if (role == Qt::TextAlignmentRole && index.column() == Count)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

QVariant LogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Time:
        return tr("Time");
    case Direction:
        return tr("Direction");
    case Count:
        return tr("Bytes");
    case Hex:
        return tr("Hex");
    case Text:
        return tr("Text");
    }
    return QVariant();
}

QString LogModel::line(int row) const
{
    const serial::LinkRecord::Entry *shown = entry(row);
    if (!shown)
        return QString();
    QStringList columns;
    for (int column = 0; column < ColumnCount; ++column)
        columns << text(*shown, column, shown->bytes.size());
    return columns.join(u'\t');
}

QString LogModel::headerLine() const
{
    QStringList columns;
    for (int column = 0; column < ColumnCount; ++column)
        columns << headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    return columns.join(u'\t');
}

} // namespace app
