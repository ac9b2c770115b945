#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <deque>

namespace serial {

// What went over the link while someone was watching: one entry per write and per read, the
// newest last, at most `capacity` of them (the oldest go first).
class LinkRecord : public QObject
{
    Q_OBJECT

public:
    enum class Direction { Sent, Received };
    struct Entry
    {
        qint64 msecsSinceEpoch = 0;
        Direction direction = Direction::Sent;
        QByteArray bytes;
    };

    static constexpr qsizetype capacity = 10000;

    explicit LinkRecord(QObject *parent = nullptr);

    void add(Direction direction, const QByteArray &bytes);
    void clear();

    qsizetype size() const { return qsizetype(m_entries.size()); }
    const Entry &at(qsizetype index) const { return m_entries[size_t(index)]; }
    // Entries ever added, those dropped and cleared included: with size() it tells a reader
    // which entries are new and which have gone since it last looked.
    quint64 added() const { return m_added; }

Q_SIGNALS:
    // Entries were added (and perhaps the oldest dropped): said once from the event loop for
    // all added meanwhile, so a write costs the sender no more than the entry itself.
    void changed();
    void cleared();

private:
    std::deque<Entry> m_entries;
    quint64 m_added = 0;
    QTimer m_changed;
};

} // namespace serial
