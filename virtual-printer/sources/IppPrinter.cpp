#include "IppPrinter.h"

#include "IppSource.h"
#include "PrinterServer.h"
#include "StatusConditions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include <pappl/pappl.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <future>
#include <vector>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

constexpr int Dpi = 203;
constexpr int StartSeconds = 30;
// The paper is 80 or 58 mm wide; the print head's dots lie in its middle, 4 or 5 mm from
// each edge, which clients are told as the side margins.
constexpr int PaperWidth80 = 8000; // hundredths of a millimetre
constexpr int PaperWidth58 = 5800;
// The longest page the roll takes, 3 m (as media-size-supported says), in rows at 203 dpi.
constexpr unsigned MaxPageRows = 3000 * Dpi * 10 / 254;
constexpr const char *PrinterBytes = "application/vnd.escpos";
constexpr const char *DeviceScheme = "virtual-printer";
// Printer bytes around a job's pages: ESC @ brings the printer to its power-on settings, so
// that a previous source's margins or justification do not move the pages; GS V 0 cuts the
// paper at the end of the job, one receipt a job.
constexpr char JobStart[] = "\x1b@";
constexpr char JobEnd[] = "\x1dV\x00";

// The printer-state-reasons keywords the status conditions' table names, as PAPPL's bits.
struct Reason
{
    const char *keyword;
    pappl_preason_t bit;
};
constexpr Reason Reasons[] = {
        {"cover-open", PAPPL_PREASON_COVER_OPEN},
        {"media-empty", PAPPL_PREASON_MEDIA_EMPTY},
        {"media-jam", PAPPL_PREASON_MEDIA_JAM},
        {"media-low", PAPPL_PREASON_MEDIA_LOW},
        {"offline", PAPPL_PREASON_OFFLINE},
        {"other", PAPPL_PREASON_OTHER},
};

pappl_preason_t reasonBit(const char *keyword)
{
    for (const Reason &reason : Reasons) {
        if (std::strcmp(reason.keyword, keyword) == 0)
            return reason.bit;
    }
    return PAPPL_PREASON_OTHER;
}

// GS v 0 of a page's dots, its blank rows at the top and the bottom left out, so that the
// roll is as long as what the page prints; nothing for a blank page.
QByteArray rasterCommand(const std::vector<uchar> &dots, int rowBytes)
{
    if (rowBytes <= 0)
        return {};
    const qsizetype rows = qsizetype(dots.size()) / rowBytes;
    auto blank = [&](qsizetype row) {
        const auto begin = dots.begin() + row * rowBytes;
        return std::all_of(begin, begin + rowBytes, [](uchar byte) { return byte == 0; });
    };
    qsizetype first = 0;
    while (first < rows && blank(first))
        ++first;
    qsizetype last = rows;
    while (last > first && blank(last - 1))
        --last;
    QByteArray command;
    // GS v 0 takes at most 65535 rows; a longer page prints as several images one below the
    // other.
    for (qsizetype row = first; row < last; row += 65535) {
        const qsizetype height = std::min<qsizetype>(65535, last - row);
        command.append("\x1dv0\x00", 4);
        command.append(char(rowBytes & 0xFF)).append(char(rowBytes >> 8));
        command.append(char(height & 0xFF)).append(char(height >> 8));
        command.append(reinterpret_cast<const char *>(dots.data() + row * rowBytes),
                       height * rowBytes);
    }
    return command;
}

// A raster job's pages as they arrive, on the job's thread.
struct RasterJob
{
    IppPrinter *printer = nullptr;
    QByteArray bytes = QByteArray(JobStart);
    std::vector<uchar> page; // one bit a dot, set for black
    int rowBytes = 0;
    int left = 0;  // the page's columns before the print head's first dot
    int width = 0; // the page's columns on the print head
};

IppPrinter *printerOf(pappl_job_t *job)
{
    pappl_pr_driver_data_t data;
    papplPrinterGetDriverData(papplJobGetPrinter(job), &data);
    return static_cast<IppPrinter *>(data.extension);
}

bool startRasterJob(pappl_job_t *job, pappl_pr_options_t *, pappl_device_t *)
{
    auto *raster = new RasterJob;
    raster->printer = printerOf(job);
    raster->rowBytes = raster->printer->paperDots() / 8;
    papplJobSetData(job, raster);
    return true;
}

bool startRasterPage(pappl_job_t *job, pappl_pr_options_t *options, pappl_device_t *, unsigned)
{
    auto *raster = static_cast<RasterJob *>(papplJobGetData(job));
    // A client that names no media sends its page as long as it likes; the service reads as
    // many lines as the page it expects has, so it is told to expect the longest page the roll
    // takes. The white it adds below a shorter page is trimmed with the rest.
    options->header.cupsHeight = std::max(options->header.cupsHeight, MaxPageRows);
    const int pageWidth = int(options->header.cupsWidth);
    const int dots = raster->printer->paperDots();
    raster->width = std::min(pageWidth, dots);
    raster->left = std::max(0, (pageWidth - dots) / 2);
    raster->page.assign(std::size_t(options->header.cupsHeight) * raster->rowBytes, 0);
    return true;
}

// A line of the page as 1-bit black (PWG black_1): grey pages are dithered to it on the way in.
bool writeRasterLine(pappl_job_t *job,
                     pappl_pr_options_t *options,
                     pappl_device_t *,
                     unsigned y,
                     const unsigned char *line)
{
    auto *raster = static_cast<RasterJob *>(papplJobGetData(job));
    if (y >= options->header.cupsHeight)
        return true;
    uchar *row = raster->page.data() + std::size_t(y) * raster->rowBytes;
    for (int x = 0; x < raster->width; ++x) {
        const int from = raster->left + x;
        if ((line[from >> 3] >> (7 - (from & 7))) & 1)
            row[x >> 3] = uchar(row[x >> 3] | (0x80 >> (x & 7)));
    }
    return true;
}

bool endRasterPage(pappl_job_t *job, pappl_pr_options_t *, pappl_device_t *, unsigned)
{
    auto *raster = static_cast<RasterJob *>(papplJobGetData(job));
    raster->bytes.append(rasterCommand(raster->page, raster->rowBytes));
    raster->page = {};
    return true;
}

bool endRasterJob(pappl_job_t *job, pappl_pr_options_t *, pappl_device_t *)
{
    std::unique_ptr<RasterJob> raster(static_cast<RasterJob *>(papplJobGetData(job)));
    papplJobSetData(job, nullptr);
    raster->bytes.append(JobEnd, sizeof(JobEnd) - 1);
    return raster->printer->deliver(raster->bytes);
}

// The document's bytes, refused when larger than a document may be.
bool readDocument(pappl_job_t *job, QByteArray *bytes)
{
    QFile file(QString::fromLocal8Bit(papplJobGetFilename(job)));
    if (file.size() > IppPrinter::MaxDocumentBytes || !file.open(QIODevice::ReadOnly)) {
        papplLogJob(job,
                    PAPPL_LOGLEVEL_ERROR,
                    "Cannot read the document (%lld bytes)",
                    static_cast<long long>(file.size()));
        return false;
    }
    *bytes = file.readAll();
    return true;
}

// Printer bytes, printed as they are.
bool printBytes(pappl_job_t *job, pappl_pr_options_t *, pappl_device_t *)
{
    QByteArray bytes;
    return readDocument(job, &bytes) && printerOf(job)->deliver(bytes);
}

// A JPEG or PNG picture, scaled to the print head's width as print-scaling's "auto" fits a
// page, on white, and printed as dots: thresholded (text, codes) or, for photographs,
// dithered.
bool printPicture(pappl_job_t *job, pappl_device_t *, void *data)
{
    auto *printer = static_cast<IppPrinter *>(data);
    QByteArray document;
    if (!readDocument(job, &document))
        return false;
    QImage picture;
    if (!picture.loadFromData(document)) {
        papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Cannot decode the picture");
        return false;
    }
    const int dots = printer->paperDots();
    picture = picture.scaledToWidth(dots, Qt::SmoothTransformation);
    QImage onWhite(picture.size(), QImage::Format_RGB32);
    onWhite.fill(Qt::white);
    QPainter(&onWhite).drawImage(0, 0, picture);
    const bool photo = std::strcmp(papplJobGetFormat(job), "image/jpeg") == 0;
    const QImage mono = onWhite.convertToFormat(
            QImage::Format_Mono, Qt::MonoOnly | (photo ? Qt::OrderedDither : Qt::ThresholdDither));
    const int rowBytes = dots / 8;
    std::vector<uchar> page(std::size_t(mono.height()) * rowBytes, 0);
    for (int y = 0; y < mono.height(); ++y) {
        for (int x = 0; x < dots; ++x) {
            if (qGray(mono.pixel(x, y)) < 128)
                page[std::size_t(y) * rowBytes + (x >> 3)] |= uchar(0x80 >> (x & 7));
        }
    }
    QByteArray bytes(JobStart);
    bytes.append(rasterCommand(page, rowBytes));
    bytes.append(JobEnd, sizeof(JobEnd) - 1);
    return printer->deliver(bytes);
}

// The device PAPPL writes a job to: the printer's own bytes go through deliver() instead.
bool openDevice(pappl_device_t *, const char *, const char *)
{
    return true;
}
void closeDevice(pappl_device_t *) {}
ssize_t readDevice(pappl_device_t *, void *, size_t)
{
    return 0;
}
ssize_t writeDevice(pappl_device_t *, const void *, size_t bytes)
{
    return ssize_t(bytes);
}
pappl_preason_t deviceStatus(pappl_device_t *)
{
    return PAPPL_PREASON_NONE;
}
bool listDevices(pappl_device_cb_t, void *, pappl_deverror_cb_t, void *)
{
    return false;
}

// 'auto', 'text' and 'graphic' content is thresholded, so that text and codes stay sharp;
// photographs are dithered with a 16 x 16 ordered (Bayer) pattern.
void fillDithers(pappl_pr_driver_data_t *data)
{
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            data->gdither[y][x] = 127;
            int rank = 0;
            for (int bit = 3; bit >= 0; --bit) {
                const int xb = (x >> (3 - bit)) & 1;
                const int yb = (y >> (3 - bit)) & 1;
                rank |= (((xb ^ yb) << 1) | yb) << (2 * bit);
            }
            data->pdither[y][x] = uchar(rank);
        }
    }
}

// Identify-Printer shows its message where the printer's problems are shown.
void identify(pappl_printer_t *printer, pappl_identify_actions_t, const char *message)
{
    pappl_pr_driver_data_t data;
    papplPrinterGetDriverData(printer, &data);
    static_cast<IppPrinter *>(data.extension)->identify(QString::fromUtf8(message ? message : ""));
}

bool describePrinter(pappl_system_t *,
                     const char *,
                     const char *,
                     const char *,
                     pappl_pr_driver_data_t *data,
                     ipp_t **attributes,
                     void *context)
{
    auto *printer = static_cast<IppPrinter *>(context);
    const bool narrow = printer->paperDots() == emulator::PaperDots58;
    const int paperWidth = narrow ? PaperWidth58 : PaperWidth80;
    data->extension = printer;
    data->printfile_cb = printBytes;
    data->rstartjob_cb = startRasterJob;
    data->rstartpage_cb = startRasterPage;
    data->rwriteline_cb = writeRasterLine;
    data->rendpage_cb = endRasterPage;
    data->rendjob_cb = endRasterJob;
    data->identify_cb = identify;
    data->identify_supported = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
    data->identify_default = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
    data->has_supplies = true;
    data->format = PrinterBytes;
    std::snprintf(data->make_and_model,
                  sizeof(data->make_and_model),
                  "Thermal Printer Demo virtual printer %d mm",
                  paperWidth / 100);
    data->ppm = 20;
    data->kind = pappl_kind_t(PAPPL_KIND_RECEIPT | PAPPL_KIND_ROLL);
    data->color_supported = pappl_color_mode_t(PAPPL_COLOR_MODE_AUTO | PAPPL_COLOR_MODE_MONOCHROME
                                               | PAPPL_COLOR_MODE_BI_LEVEL);
    data->color_default = PAPPL_COLOR_MODE_MONOCHROME;
    data->content_default = PAPPL_CONTENT_AUTO;
    data->quality_default = IPP_QUALITY_NORMAL;
    data->scaling_default = PAPPL_SCALING_AUTO;
    data->orient_default = IPP_ORIENT_PORTRAIT;
    data->raster_types = pappl_raster_type_t(PAPPL_PWG_RASTER_TYPE_BLACK_1
                                             | PAPPL_PWG_RASTER_TYPE_SGRAY_8);
    // Every page reaches the printer as dots: grey pages are thresholded or dithered on the way.
    data->force_raster_type = PAPPL_PWG_RASTER_TYPE_BLACK_1;
    data->duplex = PAPPL_DUPLEX_NONE;
    data->sides_supported = PAPPL_SIDES_ONE_SIDED;
    data->sides_default = PAPPL_SIDES_ONE_SIDED;
    data->num_resolution = 1;
    data->x_resolution[0] = data->y_resolution[0] = Dpi;
    data->x_default = data->y_default = Dpi;
    fillDithers(data);
    // The print head's dots in the middle of the paper; no margin at the top or the bottom of
    // the roll.
    data->left_right = (paperWidth - printer->paperDots() * 2540 / Dpi) / 2;
    data->bottom_top = 0;
    // The roll is cut to any length; a fixed length is offered for clients that need one, and
    // each page's blank end is trimmed anyway.
    static const char *const media80[] = {
            "roll_max_80x3000mm", "roll_min_80x10mm", "om_receipt-80_80x297mm"};
    static const char *const media58[] = {
            "roll_max_58x3000mm", "roll_min_58x10mm", "om_receipt-58_58x297mm"};
    const char *const *media = narrow ? media58 : media80;
    data->num_media = 3;
    for (int i = 0; i < 3; ++i)
        data->media[i] = media[i];
    pappl_media_col_t &roll = data->media_default;
    std::strncpy(roll.size_name, media[2], sizeof(roll.size_name) - 1);
    roll.size_width = paperWidth;
    roll.size_length = 29700;
    roll.left_margin = roll.right_margin = data->left_right;
    std::strncpy(roll.source, "main-roll", sizeof(roll.source) - 1);
    std::strncpy(roll.type, "continuous", sizeof(roll.type) - 1);
    data->media_ready[0] = roll;
    data->num_source = 1;
    data->source[0] = "main-roll";
    data->num_type = 1;
    data->type[0] = "continuous";
    // What PAPPL does not say by itself: attributes can be sent but do not override the
    // printer's choice, there is no colour to render, and a page's back (there is none) is not
    // turned.
    if (!*attributes)
        *attributes = ippNew();
    ippAddBoolean(*attributes, IPP_TAG_PRINTER, "preferred-attributes-supported", 0);
    ippAddString(*attributes,
                 IPP_TAG_PRINTER,
                 IPP_CONST_TAG(IPP_TAG_KEYWORD),
                 "print-rendering-intent-default",
                 nullptr,
                 "auto");
    ippAddString(*attributes,
                 IPP_TAG_PRINTER,
                 IPP_CONST_TAG(IPP_TAG_KEYWORD),
                 "print-rendering-intent-supported",
                 nullptr,
                 "auto");
    ippAddString(*attributes,
                 IPP_TAG_PRINTER,
                 IPP_CONST_TAG(IPP_TAG_KEYWORD),
                 "pwg-raster-document-sheet-back",
                 nullptr,
                 "normal");
    return true;
}

// Saved before the IPP service starts, which installs handlers of its own for these signals:
// the program keeps its own (the default ends it).
constexpr std::array ProgramSignals = {SIGTERM, SIGINT, SIGHUP};
std::array<struct sigaction, ProgramSignals.size()> savedSignals;

// The service's first timer: it runs on its loop once that has installed its handlers.
template<typename Startup>
bool serviceRunning(pappl_system_t *, void *data)
{
    auto *startup = static_cast<Startup *>(data);
    if (!std::exchange(startup->once, true)) {
        for (std::size_t i = 0; i < ProgramSignals.size(); ++i)
            sigaction(ProgramSignals[i], &savedSignals[i], nullptr);
        startup->running.set_value();
    }
    // It repeats each second, so that the loop looks at a shutdown request that often.
    return true;
}

const QString SpoolPrefix = u"virtual-printer-ipp-"_s;

// Removes the spool folders of virtual printers that are no longer running.
void removeStaleSpools()
{
    const QDir temp = QDir::temp();
    for (const QString &name : temp.entryList({SpoolPrefix + u'*'}, QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = name.mid(SpoolPrefix.size()).toLongLong(&ok);
        if (ok && pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            QDir(temp.filePath(name)).removeRecursively();
    }
}

bool avahiRuns()
{
    return QFileInfo::exists(u"/run/avahi-daemon/socket"_s)
           || QFileInfo::exists(u"/var/run/avahi-daemon/socket"_s);
}

} // namespace

struct IppPrinter::Startup
{
    std::promise<void> running;
    bool once = false; // only the timer's thread reads and sets it
};

IppPrinter::IppPrinter(PrinterServer *server, QObject *parent)
    : QObject(parent)
    , m_server(server)
    , m_paperDots(server->interpreter().printer().profile().paperDots)
{
    connect(server, &PrinterServer::statusChanged, this, &IppPrinter::followStatus);
}

IppPrinter::~IppPrinter()
{
    stop();
}

bool IppPrinter::start(const QString &host, quint16 port, QString *error)
{
    static std::once_flag scheme;
    std::call_once(scheme, [] {
        papplDeviceAddScheme(DeviceScheme,
                             PAPPL_DEVTYPE_CUSTOM_LOCAL,
                             listDevices,
                             openDevice,
                             closeDevice,
                             readDevice,
                             writeDevice,
                             deviceStatus,
                             nullptr);
    });
    // Its spool, where documents wait to be printed, is named after the process and goes with
    // the printer; those of programs a signal ended are removed here.
    removeStaleSpools();
    m_spool = QDir::temp().filePath(SpoolPrefix
                                    + QString::number(QCoreApplication::applicationPid()));
    if (!QDir().mkpath(m_spool)) {
        *error = u"cannot make the spool folder "_s + m_spool;
        return false;
    }
    // The service's log goes to standard error, errors only. No TLS, no web pages of its own:
    // the printer's page is --http's.
    m_system = papplSystemCreate(PAPPL_SOPTIONS_NO_TLS,
                                 "Thermal Printer Demo virtual printer",
                                 port,
                                 "_print,_universal",
                                 QFile::encodeName(m_spool).constData(),
                                 "-",
                                 PAPPL_LOGLEVEL_ERROR,
                                 nullptr,
                                 false);
    if (!m_system) {
        *error = u"the IPP service cannot be made"_s;
        return false;
    }
    const QByteArray listener = host.contains(u':') ? ('[' + host.toLatin1() + ']')
                                                    : host.toLatin1();
    if (!papplSystemAddListeners(m_system, listener.constData())) {
        *error = port == 0 ? u"no free port"_s : u"the address cannot be had"_s;
        papplSystemDelete(std::exchange(m_system, nullptr));
        return false;
    }
    static pappl_pr_driver_t driver = {"receipt", "Thermal receipt printer", nullptr, nullptr};
    papplSystemSetPrinterDrivers(m_system, 1, &driver, nullptr, nullptr, describePrinter, this);
    papplSystemAddMIMEFilter(m_system, "image/jpeg", PrinterBytes, printPicture, this);
    papplSystemAddMIMEFilter(m_system, "image/png", PrinterBytes, printPicture, this);
    const QByteArray device = QByteArray(DeviceScheme) + "://printer";
    m_printer = papplPrinterCreate(
            m_system,
            0,
            "print",
            "receipt",
            "MFG:Thermal Printer Demo;MDL:Virtual Printer;CMD:ESCPOS,PWGRaster,URF;",
            device.constData());
    if (!m_printer) {
        *error = u"the IPP printer cannot be made"_s;
        papplSystemDelete(std::exchange(m_system, nullptr));
        return false;
    }
    // Jobs wait their turn in the service's spool, a bounded number of them; past it, clients
    // are told the printer is busy and send again later.
    papplPrinterSetMaxActiveJobs(m_printer, MaxWaitingJobs);
    // Where no Avahi daemon runs, nothing is advertised and nothing complains.
    const bool advertised = avahiRuns();
    papplSystemSetDNSSDName(m_system, advertised ? "Thermal Printer Demo" : nullptr);
    papplPrinterSetDNSSDName(m_printer,
                             advertised ? "Thermal Printer Demo virtual printer" : nullptr);
    followStatus();

    for (std::size_t i = 0; i < ProgramSignals.size(); ++i)
        sigaction(ProgramSignals[i], nullptr, &savedSignals[i]);
    m_startup = std::make_unique<Startup>();
    std::future<void> running = m_startup->running.get_future();
    papplSystemAddTimerCallback(
            m_system, time(nullptr), 1, serviceRunning<Startup>, m_startup.get());
    m_thread = std::thread([system = m_system] { papplSystemRun(system); });
    // The service's loop fires its first timer at once; a loop that has not done so in this
    // time did not start.
    if (running.wait_for(std::chrono::seconds(StartSeconds)) != std::future_status::ready) {
        *error = u"the IPP service did not start"_s;
        stop();
        return false;
    }

    const QString shown = host.contains(u':') ? u'[' + host + u']' : host;
    m_uri = u"ipp://%1:%2/ipp/print"_s.arg(shown).arg(papplSystemGetHostPort(m_system));
    return true;
}

bool IppPrinter::deliver(const QByteArray &bytes)
{
    auto completion = std::make_shared<IppCompletion>();
    {
        const std::lock_guard lock(m_waitersMutex);
        if (m_stopping)
            return false;
        m_waiters.append(completion);
    }
    QMetaObject::invokeMethod(
            this, [this, bytes, completion] { take(bytes, completion); }, Qt::QueuedConnection);
    const bool printed = completion->wait(m_stopping);
    const std::lock_guard lock(m_waitersMutex);
    m_waiters.removeIf([](const std::weak_ptr<IppCompletion> &waiter) { return waiter.expired(); });
    return printed;
}

void IppPrinter::take(const QByteArray &bytes, const std::shared_ptr<IppCompletion> &completion)
{
    // Off-line, the printer holds the job until the condition clears, as a printer holds what
    // it was sent; the job stays "processing" meanwhile.
    if (m_offline)
        m_held.append({bytes, completion});
    else
        m_server->print(new IppSource(bytes, completion));
}

void IppPrinter::followStatus()
{
    if (!m_printer)
        return;
    const emulator::StatusConditions &status = m_server->status();
    pappl_preason_t reasons = PAPPL_PREASON_NONE;
    pappl_preason_t known = PAPPL_PREASON_OFFLINE;
    for (const emulator::StatusCondition &row : emulator::statusConditionTable()) {
        if (!row.ipp)
            continue;
        known = pappl_preason_t(known | reasonBit(row.ipp));
        if (status.*row.flag)
            reasons = pappl_preason_t(reasons | reasonBit(row.ipp));
    }
    const bool offline = status.offline();
    if (offline)
        reasons = pappl_preason_t(reasons | PAPPL_PREASON_OFFLINE);
    papplPrinterSetReasons(m_printer, reasons, pappl_preason_t(known & ~reasons));
    // The roll is the printer's one supply: empty at the paper end, low near it.
    pappl_supply_t roll{
            PAPPL_SUPPLY_COLOR_NO_COLOR, "Paper roll", true, 100, PAPPL_SUPPLY_TYPE_OTHER};
    if (status.paperEnd)
        roll.level = 0;
    else if (status.paperNearEnd || status.nearEnd)
        roll.level = 10;
    papplPrinterSetSupplies(m_printer, 1, &roll);
    if (offline == std::exchange(m_offline, offline))
        return;
    // Stopped, the IPP service starts no job that is waiting; those that were being made into
    // printer bytes are held above.
    if (offline) {
        papplPrinterPause(m_printer);
        return;
    }
    papplPrinterResume(m_printer);
    for (const auto &[bytes, completion] : std::exchange(m_held, {}))
        m_server->print(new IppSource(bytes, completion));
}

void IppPrinter::stop()
{
    if (!m_system)
        return;
    // Job threads waiting for the printer's thread, which waits here, give up.
    {
        const std::lock_guard lock(m_waitersMutex);
        m_stopping = true;
        for (const std::weak_ptr<IppCompletion> &waiter : std::as_const(m_waiters)) {
            if (const auto completion = waiter.lock())
                completion->wake();
        }
    }
    m_held.clear();
    if (m_thread.joinable()) {
        papplSystemShutdown(m_system);
        m_thread.join();
    }
    papplSystemDelete(std::exchange(m_system, nullptr));
    m_printer = nullptr;
    QDir(m_spool).removeRecursively();
}

} // namespace vprinter
