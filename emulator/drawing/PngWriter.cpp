#include "PngWriter.h"

#include "DeflateStream.h"

#include <QIODevice>
#include <QList>

#include <zlib.h>

#include <cstring>

namespace emulator {

namespace {

// Picture data is sent in chunks of about this many compressed bytes.
constexpr qsizetype ChunkBytes = qsizetype(64) * 1024;

QByteArray bigEndian(quint32 value)
{
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    return QByteArray(bytes, 4);
}

// A chunk: its length, its type, its data and the CRC of type and data.
bool writeChunk(QIODevice *device, const char *type, const QByteArray &data)
{
    QByteArray chunk = bigEndian(quint32(data.size()));
    chunk.append(type, 4);
    chunk.append(data);
    const auto *typed = reinterpret_cast<const Bytef *>(chunk.constData() + 4);
    chunk.append(bigEndian(quint32(crc32(0, typed, uInt(data.size() + 4)))));
    return device->write(chunk) == chunk.size();
}

// One index a byte packed as many to a byte as the depth allows, the leftmost in the highest bits.
void pack(const uchar *indices, int width, int depth, uchar *out)
{
    if (depth == 8) {
        std::memcpy(out, indices, size_t(width));
        return;
    }
    if (depth == 4) { // the receipt palette's depth, worth a loop of its own
        int x = 0;
        for (; x + 1 < width; x += 2)
            *out++ = uchar(indices[x] << 4 | indices[x + 1]);
        if (x < width)
            *out = uchar(indices[x] << 4);
        return;
    }
    const int perByte = 8 / depth;
    for (int x = 0, i = 0; x < width; x += perByte, ++i) {
        uint byte = 0;
        for (int k = 0; k < perByte; ++k)
            byte = (byte << depth) | (x + k < width ? indices[x + k] : 0u);
        out[i] = uchar(byte);
    }
}

int depthOf(int colours)
{
    return colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
}

} // namespace

bool PngWriter::write(QSize size, const QList<QRgb> &palette, const Rows &rows, QIODevice *device)
{
    if (palette.isEmpty() || palette.size() > 256 || size.isEmpty())
        return false;
    const int width = size.width();
    const int depth = depthOf(int(palette.size()));
    constexpr char ColourTypePalette = 3;
    QByteArray header = bigEndian(quint32(width)) + bigEndian(quint32(size.height()));
    // The depth, then deflate, filters chosen a row at a time, no interlacing.
    const char rest[5] = {char(depth), ColourTypePalette, 0, 0, 0};
    header.append(rest, 5);
    QByteArray entries;
    for (const QRgb colour : palette) {
        entries.append(char(qRed(colour)));
        entries.append(char(qGreen(colour)));
        entries.append(char(qBlue(colour)));
    }
    if (device->write("\x89PNG\r\n\x1a\n", 8) != 8 || !writeChunk(device, "IHDR", header)
        || !writeChunk(device, "PLTE", entries))
        return false;

    // Each row is its filter type, 0 for none, then its packed pixels.
    QList<uchar> line(1 + (qsizetype(width) * depth + 7) / 8, 0);
    QList<uchar> previous(width);
    DeflateStream stream(int(line.size()));
    for (int y = 0; y < size.height(); ++y) {
        const uchar *row = rows(y);
        if (row == nullptr && y == 0)
            return false;
        if (row == nullptr
            || (y > 0 && std::memcmp(row, previous.constData(), size_t(width)) == 0)) {
            stream.repeatRow();
        } else {
            std::memcpy(previous.data(), row, size_t(width));
            pack(row, width, depth, line.data() + 1);
            stream.row(line.constData());
        }
        if (stream.pending() >= ChunkBytes && !writeChunk(device, "IDAT", stream.take()))
            return false;
    }
    stream.finish();
    return writeChunk(device, "IDAT", stream.take()) && writeChunk(device, "IEND", {});
}

} // namespace emulator
