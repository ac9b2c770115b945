// The virtual printer as an IPP printer: an 80 mm page 300 mm long, from the Print-Job request's
// start to the receipt saved.
#include "BenchSections.h"
#include "HeadlessPrinter.h"
#include "PwgPage.h"

#include <QDir>
#include <QEventLoop>
#include <QFileSystemWatcher>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cups/cups.h>

#include <algorithm>
#include <chrono>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Pages = 10;

// Sleeps in the event loop until the folder holds count receipts, or the patience runs out.
bool waitForReceipts(const QString &folder, qsizetype count, int patienceMs)
{
    const auto saved = [&] {
        return QDir(folder).entryList({u"receipt-*.png"_s}, QDir::Files).size();
    };
    QFileSystemWatcher watcher({folder});
    QEventLoop loop;
    QTimer::singleShot(patienceMs, &loop, &QEventLoop::quit);
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, [&] {
        if (saved() >= count)
            loop.quit();
    });
    if (saved() < count)
        loop.exec();
    return saved() >= count;
}

// A receipt's worth of dots down the whole page: bars of text height with gaps between them.
QImage longPage()
{
    QImage page(576, 300 * 203 * 10 / 254, QImage::Format_Grayscale8);
    page.fill(Qt::white);
    QPainter painter(&page);
    for (int y = 0; y + 24 <= page.height(); y += 30)
        painter.fillRect(0, y, 100 + (y * 7) % 476, 24, Qt::black);
    return page;
}

// Sends the file with Print-Job; false when the printer does not take it.
bool printJob(const QString &uri, quint16 port, const QString &file)
{
    http_t *http = httpConnect2(
            "127.0.0.1", port, nullptr, AF_INET, HTTP_ENCRYPTION_IF_REQUESTED, 1, 30000, nullptr);
    if (!http)
        return false;
    ipp_t *request = ippNewRequest(IPP_OP_PRINT_JOB);
    ippAddString(request,
                 IPP_TAG_OPERATION,
                 IPP_TAG_URI,
                 "printer-uri",
                 nullptr,
                 uri.toUtf8().constData());
    ippAddString(
            request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, "bench");
    ippAddString(request,
                 IPP_TAG_OPERATION,
                 IPP_TAG_MIMETYPE,
                 "document-format",
                 nullptr,
                 "image/pwg-raster");
    ipp_t *response = cupsDoFileRequest(
            http, request, "/ipp/print", QFile::encodeName(file).constData());
    const bool taken = response && ippGetStatusCode(response) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    ippDelete(response);
    httpClose(http);
    return taken;
}

BenchRow pageToReceipt()
{
    const QString measure
            = u"virtual printer over IPP: an 80 mm × 300 mm PWG raster page, Print-Job to the "
              "receipt saved, median and slowest of %1"_s.arg(Pages);
    QTemporaryDir folder;
    QTemporaryDir documents;
    const QString file = documents.filePath(u"page.pwg"_s);
    if (!writePwgPage(file, longPage(), "om_receipt-80_80x300mm"))
        return {measure, u"the page cannot be written"_s, {}};
    HeadlessPrinter printer(QStringLiteral(VIRTUAL_PRINTER_PATH));
    if (!printer.start({u"--listen"_s,
                        u"127.0.0.1:0"_s,
                        u"--ipp"_s,
                        u"127.0.0.1:0"_s,
                        u"--save"_s,
                        folder.path()}))
        return {measure, u"the program did not start"_s, {}};
    const quint16 port = quint16(QUrl(printer.ippUri()).port());
    std::vector<double> ms;
    for (int i = 1; i <= Pages; ++i) {
        const auto start = Clock::now();
        if (!printJob(printer.ippUri(), port, file))
            return {measure, u"Print-Job %1 was refused"_s.arg(i), {}};
        if (!waitForReceipts(folder.path(), i, 30000))
            return {measure, u"receipt %1 was not saved"_s.arg(i), {}};
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    // The receipt's picture, paper margins included, as long as what the page prints.
    const QStringList saved = QDir(folder.path()).entryList({u"receipt-*.png"_s}, QDir::Files);
    const QSize size = QImageReader(QDir(folder.path()).filePath(saved.last())).size();
    return {measure,
            u"%1 ms, slowest %2 ms (receipt picture %3 × %4)"_s.arg(ms[ms.size() / 2], 0, 'f', 0)
                    .arg(ms.back(), 0, 'f', 0)
                    .arg(size.width())
                    .arg(size.height()),
            u"< 1 s"_s};
}

} // namespace

QList<BenchRow> benchIpp()
{
    return {pageToReceipt()};
}
