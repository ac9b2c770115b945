// The virtual printer's speed: interpreting and rendering every demonstration, and how fast the
// interpreter reads a long byte stream.
#include "BenchSections.h"
#include "emulator/Interpreter.h"
#include "emulator/Renderer.h"
#include "jobs/PrintJobs.h"
#include "jobs/Symbology.h"
#include "link/Port.h"
#include "link/SerialControl.h"

#include <QBuffer>
#include <QStringEncoder>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Keeps what the jobs send instead of writing it to a device.
class Recorder : public serial::Port
{
public:
    void Output(const QString &What) override { bytes += QStringEncoder("GBK").encode(What); }
    void Output(const QByteArray &What) override { bytes += What; }
    QByteArray bytes;
};

QByteArray allDemonstrations()
{
    Recorder recorder;
    serial::SerialControl unused; // the raw path carries only the black mark, which is off here
    const jobs::JobTarget target{recorder, unused, false};
    for (const QString &attribute : jobs::attributeNames())
        jobs::printAttributeTest(target, attribute);
    jobs::printTestPage(target);
    jobs::printUpDown(target);
    jobs::printChineseText(target);
    jobs::printBarcode(target, jobs::defaultSymbology, jobs::defaultBarcodeData);
    jobs::printSamplePage(target);
    return recorder.bytes;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

QList<BenchRow> benchEmulator()
{
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
             QString()}};
}
