// libFuzzer target for the printer emulator: any bytes, in any pieces, must give the same
// receipts, stay within the interpreter's limits, describe themselves as well-formed JSON, and
// draw without fault.

#include "Interpreter.h"
#include "ReceiptJson.h"
#include "ReceiptLayout.h"
#include "Renderer.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr size_t RenderLimit = 128; // inputs up to this size are also drawn

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

// The system's font configuration library keeps allocations it no longer points to when fonts
// are looked up for a character; that is not the emulator's memory.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig\nleak:libfreetype\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "emulator_fuzz";
    static char *argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte decides the size of the pieces, as reads from a serial port would.
    const size_t piece = data[0] % 17 + 1;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    emulator::Interpreter whole;
    whole.feed(bytes);
    whole.finish();
    emulator::Interpreter pieces;
    for (qsizetype offset = 0; offset < bytes.size(); offset += qsizetype(piece))
        pieces.feed(bytes.sliced(offset, qMin(qsizetype(piece), bytes.size() - offset)));
    pieces.finish();

    check(whole.receipts() == pieces.receipts());
    check(whole.pendingLine() == pieces.pendingLine());
    check(whole.receipts().size() <= emulator::Printer::MaxReceipts);
    int tallest = 0;
    for (const emulator::Receipt &receipt : whole.receipts()) {
        check(receipt.blocks.size() <= emulator::Printer::MaxBlocksPerReceipt);
        const int height = emulator::ReceiptLayout::of(receipt).height;
        check(height <= emulator::Printer::MaxReceiptDots);
        tallest = std::max(tallest, height);
        for (const emulator::ReceiptBlock &block : receipt.blocks) {
            if (const auto *line = std::get_if<emulator::TextLine>(&block))
                check(line->width <= emulator::PaperDots80);
        }
    }

    QJsonParseError parsed;
    QJsonDocument::fromJson(emulator::ReceiptJson::write(whole.receipts()), &parsed);
    check(parsed.error == QJsonParseError::NoError);

    // Receipts of metres of paper are drawn whole, but slowly: they are left to the tests.
    if (size <= RenderLimit && tallest <= emulator::Renderer::MaxStackHeight) {
        static const emulator::Renderer renderer;
        const emulator::RenderResult result = renderer.render(whole.receipts());
        const QImage image = emulator::Renderer::stack(result.images);
        check(image.height() <= emulator::Renderer::MaxStackHeight + 100);
        check(image.format() == QImage::Format_Indexed8);
    }
    return 0;
}
