#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <utility>

namespace emulator {

// A zlib stream of rows of equal length in one deflate block of the fixed codes, made for
// pictures of paper: a row is sent as runs of the byte before it, stretches like the row above
// and single bytes, and a row like the one before it costs a few bytes whatever its length. On
// a receipt, mostly blank paper and letters many rows tall, that is many times faster than a
// general compressor, at a size close to its fastest level.
class DeflateStream
{
public:
    explicit DeflateStream(int rowLength);

    void row(const uchar *bytes);
    // The row given last, once more.
    void repeatRow();
    // Ends the stream with the checksum of all it holds; nothing may be added after.
    void finish();
    // The compressed bytes made since the last call.
    QByteArray take() { return std::exchange(m_out, {}); }
    qsizetype pending() const { return m_out.size(); }

    // Bits as deflate packs them, the first in the lowest bit of a byte.
    struct Code
    {
        uint32_t value = 0;
        int count = 0;
    };

private:
    static Code distanceCode(int distance);
    void put(Code code);
    void match(int length, Code distance);

    int m_rowLength = 0;
    // A match may reach back at most 32,768 bytes: wider rows are not matched with the one above.
    bool m_matchesRowAbove = false;
    Code m_byteBefore;
    Code m_rowAbove;
    QList<uchar> m_previous;
    bool m_hasPrevious = false;
    uint32_t m_adler = 1;
    uint32_t m_previousAdler = 1;
    uint64_t m_pending = 0;
    int m_pendingCount = 0;
    QByteArray m_out;
};

} // namespace emulator
