#include "KeptReceipt.h"

#include <variant>

namespace vprinter {

namespace {

qint64 bytesOf(const QString &text)
{
    return text.capacity() * qint64(sizeof(QChar));
}

qint64 bytesOf(const emulator::TextLine &line)
{
    qint64 bytes = line.runs.size() * qint64(sizeof(emulator::TextRun));
    for (const emulator::TextRun &run : line.runs)
        bytes += bytesOf(run.text);
    for (const emulator::LineImage &image : line.images)
        bytes += qint64(sizeof(image)) + image.bits.sizeInBytes();
    return bytes;
}

qint64 bytesOf(const emulator::Barcode &barcode)
{
    return barcode.data.capacity();
}

qint64 bytesOf(const emulator::Picture &picture)
{
    return picture.bits.sizeInBytes() + picture.data.capacity() + bytesOf(picture.what);
}

qint64 bytesOf(const emulator::SettingNote &note)
{
    return bytesOf(note.text);
}

qint64 bytesOf(const emulator::Page &page)
{
    qint64 bytes = 0;
    for (const emulator::PageRegion &region : page.regions) {
        for (const emulator::PagePiece &piece : region.pieces) {
            bytes += qint64(sizeof(piece))
                     + std::visit([](const auto &content) { return bytesOf(content); },
                                  piece.content);
        }
    }
    return bytes;
}

qint64 bytesOf(const auto &)
{
    return 0;
}

} // namespace

qint64 KeptReceipt::bytes() const
{
    qint64 total = qint64(sizeof(*this)) + bytesOf(source);
    for (const emulator::ReceiptBlock &block : receipt.blocks) {
        total += qint64(sizeof(block))
                 + std::visit([](const auto &content) { return bytesOf(content); }, block);
    }
    for (const QString &line : log)
        total += qint64(sizeof(line)) + bytesOf(line);
    return total;
}

} // namespace vprinter
