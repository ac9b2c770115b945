#pragma once

#include "link/LinkRecord.h"

#include <QAbstractTableModel>
#include <QTimer>

namespace app {

// The communication log as a table: time, direction, byte count, hex and text of each entry.
// It follows the record a moment after it changes, many entries at a time, so a busy link
// costs the view little.
class LogModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Time, Direction, Count, Hex, Text, ColumnCount };

    explicit LogModel(const serial::LinkRecord &record, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // A row as a line of text, every byte in it: the columns separated by tabs.
    QString line(int row) const;
    QString headerLine() const;

    // How long the table waits after a change before it follows the record.
    static constexpr int followDelayMs = 50;
    // The bytes a cell shows of a longer entry; copied and saved lines hold them all.
    static constexpr qsizetype shownBytes = 256;

private:
    // Takes in what the record has gained and lost since the table last followed it.
    void follow();
    const serial::LinkRecord::Entry *entry(int row) const;
    QString text(const serial::LinkRecord::Entry &entry, int column, qsizetype bytes) const;

    const serial::LinkRecord &m_record;
    QTimer m_followTimer;
    int m_rows = 0;
    quint64 m_addedWhenFollowed = 0; // the record's count of entries ever added, then
};

} // namespace app
