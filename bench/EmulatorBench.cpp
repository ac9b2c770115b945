// The virtual printer's speed: interpreting and rendering every demonstration, how fast the
// interpreter reads a long byte stream, and its memory after many different receipts.
#include "BenchSections.h"
#include "emulator/Interpreter.h"
#include "emulator/drawing/Renderer.h"
#include "jobs/BarcodeJob.h"
#include "jobs/PrintJobs.h"
#include "link/Port.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Clock = std::chrono::steady_clock;

// Keeps what the jobs send instead of writing it to a device.
class Recorder : public serial::Port
{
public:
    void Output(const QByteArray &What) override { bytes += What; }
    QByteArray bytes;
};

QByteArray allDemonstrations()
{
    Recorder recorder;
    for (const QString &attribute : jobs::attributeNames())
        jobs::printAttributeTest(recorder, false, attribute);
    jobs::printTestPage(recorder, false);
    jobs::printUpDown(recorder, false);
    jobs::printChineseText(recorder, false);
    jobs::printBarcode(recorder, false, jobs::defaultBarcodeType, jobs::defaultBarcodeData);
    jobs::printSamplePage(recorder, false);
    return recorder.bytes;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A figure in kB from /proc/self/status, such as "VmRSS:" or "VmHWM:", in MB.
double statusMegabytes(const QByteArray &key)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

// A receipt whose words, numbers, Chinese characters, sizes and styles follow the generator.
QByteArray differentReceipt(QRandomGenerator &random)
{
    static const QByteArray words[] = {"Coffee"_ba, "Tea"_ba, "Noodles"_ba, "Rice"_ba, "Soup"_ba};
    QByteArray bytes;
    for (int line = 0, lines = 3 + random.bounded(5); line < lines; ++line) {
        // GS ! n: width and height 1 to 4 times; ESC ! n: font B, bold, double size, underline
        bytes += "\x1d!"_ba + char(random.bounded(4) << 4 | random.bounded(4));
        bytes += "\x1b!"_ba + char(random.bounded(256) & 0xB9);
        bytes += "\x1b"_ba + 'E' + char(random.bounded(2)); // ESC E n: emphasised on or off
        bytes += "\x1b-"_ba + char(random.bounded(3));      // ESC - n: underline 0, 1 or 2 dots
        bytes += words[random.bounded(5)] + ' ' + QByteArray::number(random.bounded(100000)) + ' ';
        // Eight Chinese characters from the first 40 rows of GB 2312, so that most receipts
        // bring characters no receipt before them had.
        for (int i = 0; i < 8; ++i)
            bytes += char(0xB0 + random.bounded(40))
                     + QByteArray(1, char(0xA1 + random.bounded(94)));
        bytes += '\n';
    }
    bytes += "\x1d!\0\x1b!\0"_ba; // normal size and style again
    // GS k 73 n: CODE128 of n bytes, "{B" selecting code set B; then GS V 0, a full cut
    const QByteArray digits = QByteArray::number(random.bounded(1000000, 100000000));
    bytes += "\x1dk"_ba + char(73) + char(2 + digits.size()) + "{B" + digits + "\x1dV\0"_ba;
    return bytes;
}

// Interprets and draws 1,000 different receipts with one interpreter and one renderer, as the
// virtual printer's window does, and reports the resident memory after them.
BenchRow memoryAfterReceipts()
{
    QRandomGenerator random(936);
    emulator::Interpreter interpreter;
    emulator::Renderer renderer;
    QFile clearRefs(u"/proc/self/clear_refs"_s); // "5" starts the peak (VmHWM) afresh
    if (clearRefs.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        clearRefs.write("5");
    const double before = statusMegabytes("VmRSS:");
    const auto start = Clock::now();
    for (int i = 0; i < 1000; ++i) {
        interpreter.feed(differentReceipt(random));
        renderer.renderReceipt(interpreter.receipts().at(interpreter.receipts().size() - 2));
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return {u"virtual printer: memory after 1,000 different receipts"_s,
            u"resident %1 MB after 1,000 receipts (peak %2 MB); %3 MB before, %4 s for all"_s
                    .arg(statusMegabytes("VmRSS:"), 0, 'f', 1)
                    .arg(statusMegabytes("VmHWM:"), 0, 'f', 1)
                    .arg(before, 0, 'f', 1)
                    .arg(seconds, 0, 'f', 2),
            u"< 250 MB"_s};
}

// One receipt to PNG: interpreted, rendered and encoded, in milliseconds.
double toPng(const QByteArray &bytes)
{
    const auto start = Clock::now();
    emulator::Interpreter interpreter;
    interpreter.feed(bytes);
    interpreter.endJob();
    const emulator::RenderResult result = emulator::Renderer().render(interpreter.receipts());
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    emulator::Renderer::writePng(emulator::Renderer::stack(result.images), &png);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// receiptline's table receipt in StarPRNT against the same receipt in ESC/POS, in alternating
// runs so that both see the same machine.
BenchRow starAgainstEscPos()
{
    auto fixture = [](const char *name) {
        QFile file(QStringLiteral(FIXTURES_DIR "/") + QLatin1StringView(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray escpos = fixture("receiptline_table.bin");
    const QByteArray star = fixture("receiptline_table_starprnt.bin");
    std::vector<double> escposMillis;
    std::vector<double> starMillis;
    for (int run = 0; run < 50; ++run) {
        escposMillis.push_back(toPng(escpos));
        starMillis.push_back(toPng(star));
    }
    const double a = median(escposMillis);
    const double b = median(starMillis);
    return {QStringLiteral(
                    "virtual printer: a StarPRNT receipt to PNG against the same ESC/POS one"),
            QStringLiteral("receiptline table: StarPRNT %1 ms, ESC/POS %2 ms (%3%), median of 50")
                    .arg(b, 0, 'f', 2)
                    .arg(a, 0, 'f', 2)
                    .arg((b / a - 1) * 100, 0, 'f', 1),
            QStringLiteral("within 10%")};
}

} // namespace

QList<BenchRow> benchEmulator()
{
    const BenchRow memory = memoryAfterReceipts();
    const QByteArray bytes = allDemonstrations();
    std::vector<double> millis;
    qint64 pngSize = 0;
    for (int run = 0; run < 20; ++run) {
        const auto start = Clock::now();
        emulator::Interpreter interpreter;
        interpreter.feed(bytes);
        const emulator::RenderResult result = emulator::Renderer().render(interpreter.receipts());
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        emulator::Renderer::writePng(emulator::Renderer::stack(result.images), &png);
        millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        pngSize = png.size();
    }

    // Throughput: the demonstrations over and over, fed in 4 KiB pieces as a port delivers them.
    QByteArray stream;
    while (stream.size() < qsizetype(32) * 1024 * 1024)
        stream += bytes;
    emulator::Interpreter interpreter;
    const auto start = Clock::now();
    for (qsizetype at = 0; at < stream.size(); at += 4096)
        interpreter.feed(QByteArrayView(stream.constData() + at,
                                        std::min<qsizetype>(4096, stream.size() - at)));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    return {{QStringLiteral("virtual printer: all demonstrations (%1 bytes) to PNG")
                     .arg(bytes.size()),
             QStringLiteral("interpret, render and encode: median %1 ms over 20 runs (PNG %2 KiB)")
                     .arg(median(millis), 0, 'f', 1)
                     .arg(pngSize / 1024),
             QStringLiteral("< 100 ms")},
            {QStringLiteral("virtual printer: interpreter throughput"),
             QStringLiteral("%1 MB/s over %2 MB in 4 KiB pieces")
                     .arg(double(stream.size()) / 1e6 / seconds, 0, 'f', 1)
                     .arg(double(stream.size()) / 1e6, 0, 'f', 0),
             QString()},
            memory,
            starAgainstEscPos()};
}
