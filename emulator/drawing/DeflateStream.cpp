#include "DeflateStream.h"

#include <zlib.h>

#include <array>
#include <bit>
#include <cstring>

namespace emulator {

namespace {

constexpr int MinMatch = 3;
constexpr int MaxMatch = 258;
constexpr int Window = 32768;
constexpr int EndOfBlock = 256;

using Code = DeflateStream::Code;

// Huffman codes are sent from their highest bit down, into a stream filled from the lowest bit
// up: they are stored reversed.
constexpr uint32_t reversed(uint32_t code, int count)
{
    uint32_t out = 0;
    for (int i = 0; i < count; ++i)
        out = (out << 1) | ((code >> i) & 1u);
    return out;
}

// The fixed code of a literal or length symbol: 0–143 in 8 bits from 0x30, 144–255 in 9 from
// 0x190, 256–279 in 7 from 0, 280–287 in 8 from 0xC0.
constexpr Code symbolCode(int symbol)
{
    if (symbol <= 143)
        return {reversed(0x30 + symbol, 8), 8};
    if (symbol <= 255)
        return {reversed(0x190 + symbol - 144, 9), 9};
    if (symbol <= 279)
        return {reversed(symbol - 256, 7), 7};
    return {reversed(0xC0 + symbol - 280, 8), 8};
}

// Lengths 3–258 as symbols 257–285 and extra bits.
constexpr std::array<int, 29> LengthBase{3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                         15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                         67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> LengthExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                          2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// Distances 1–32,768 as codes 0–29 of five bits and extra bits.
constexpr std::array<int, 30> DistanceBase{
        1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> DistanceExtra{0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

constexpr std::array<Code, 288> literalCodes()
{
    std::array<Code, 288> codes{};
    for (int symbol = 0; symbol < 288; ++symbol) {
        codes[size_t(symbol)] = symbolCode(symbol);
    }
    return codes;
}

// Each length's symbol code followed by its extra bits, at most 13 bits in all.
constexpr std::array<Code, MaxMatch + 1> lengthCodes()
{
    std::array<Code, MaxMatch + 1> codes{};
    for (int length = MinMatch; length <= MaxMatch; ++length) {
        size_t k = LengthBase.size() - 1;
        while (LengthBase[k] > length)
            --k;
        const Code symbol = symbolCode(257 + int(k));
        codes[size_t(length)] = {symbol.value | uint32_t(length - LengthBase[k]) << symbol.count,
                                 symbol.count + LengthExtra[k]};
    }
    return codes;
}

constexpr std::array<Code, 288> Literals = literalCodes();
constexpr std::array<Code, MaxMatch + 1> Lengths = lengthCodes();

// How many of the bytes from bytes on, at most MaxMatch, equal those from source on, or (with
// source null) the byte `byte`: eight at a time, the first that differs found from the lowest
// set bit of their difference.
int sameFor(const uchar *bytes, const uchar *source, uchar byte, int available)
{
    const int limit = std::min(available, MaxMatch);
    int length = 0;
    if constexpr (std::endian::native == std::endian::little) {
        const uint64_t repeated = byte * 0x0101010101010101u;
        for (; length + 8 <= limit; length += 8) {
            uint64_t word = 0;
            uint64_t other = repeated;
            std::memcpy(&word, bytes + length, 8);
            if (source)
                std::memcpy(&other, source + length, 8);
            if (const uint64_t differs = word ^ other)
                return length + std::countr_zero(differs) / 8;
        }
    }
    while (length < limit && bytes[length] == (source ? source[length] : byte))
        ++length;
    return length;
}

} // namespace

DeflateStream::DeflateStream(int rowLength)
    : m_rowLength(rowLength)
    , m_matchesRowAbove(rowLength >= MinMatch && rowLength <= Window)
    , m_byteBefore(distanceCode(1))
    , m_rowAbove(m_matchesRowAbove ? distanceCode(rowLength) : Code{})
    , m_previous(rowLength)
{
    // zlib's header: deflate with a 32 KiB window, no dictionary, a check that makes it a
    // multiple of 31; then the one block, final, of the fixed codes.
    m_out.append("\x78\x01", 2);
    put({0b011, 3});
}

DeflateStream::Code DeflateStream::distanceCode(int distance)
{
    size_t k = DistanceBase.size() - 1;
    while (DistanceBase[k] > distance)
        --k;
    return {reversed(uint32_t(k), 5) | uint32_t(distance - DistanceBase[k]) << 5,
            5 + DistanceExtra[k]};
}

void DeflateStream::put(Code code)
{
    m_pending |= uint64_t(code.value) << m_pendingCount;
    m_pendingCount += code.count;
    if (m_pendingCount >= 32) {
        const char bytes[4] = {char(m_pending),
                               char(m_pending >> 8),
                               char(m_pending >> 16),
                               char(m_pending >> 24)};
        m_out.append(bytes, 4);
        m_pending >>= 32;
        m_pendingCount -= 32;
    }
}

void DeflateStream::match(int length, Code distance)
{
    put(Lengths[size_t(length)]);
    put(distance);
}

void DeflateStream::row(const uchar *bytes)
{
    const uchar *above = m_previous.constData();
    const bool hasAbove = m_hasPrevious && m_matchesRowAbove;
    for (int i = 0; i < m_rowLength;) {
        const int available = m_rowLength - i;
        const int up = hasAbove ? sameFor(bytes + i, above + i, 0, available) : 0;
        const int run = i > 0 ? sameFor(bytes + i, nullptr, bytes[i - 1], available) : 0;
        if (up >= MinMatch && up >= run) {
            match(up, m_rowAbove);
            i += up;
        } else if (run >= MinMatch) {
            match(run, m_byteBefore);
            i += run;
        } else {
            put(Literals[bytes[i]]);
            ++i;
        }
    }
    std::memcpy(m_previous.data(), bytes, size_t(m_rowLength));
    m_hasPrevious = true;
    m_previousAdler = uint32_t(adler32(1, bytes, uInt(m_rowLength)));
    m_adler = uint32_t(adler32_combine(m_adler, m_previousAdler, m_rowLength));
}

void DeflateStream::repeatRow()
{
    if (!m_hasPrevious)
        return;
    if (!m_matchesRowAbove) {
        const QList<uchar> again = m_previous;
        row(again.constData());
        return;
    }
    // Copied from one row back: a match may overlap the bytes it makes.
    for (int left = m_rowLength; left > 0;) {
        int length = std::min(left, MaxMatch);
        if (left - length > 0 && left - length < MinMatch)
            length = left - MinMatch;
        match(length, m_rowAbove);
        left -= length;
    }
    m_adler = uint32_t(adler32_combine(m_adler, m_previousAdler, m_rowLength));
}

void DeflateStream::finish()
{
    put(Literals[EndOfBlock]);
    while (m_pendingCount > 0) {
        m_out.append(char(m_pending));
        m_pending >>= 8;
        m_pendingCount -= 8;
    }
    m_pendingCount = 0;
    const char check[4] = {
            char(m_adler >> 24), char(m_adler >> 16), char(m_adler >> 8), char(m_adler)};
    m_out.append(check, 4);
}

} // namespace emulator
