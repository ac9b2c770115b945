#include "IppDriver.h"

#include "IppPrinter.h"
#include "IppRaster.h"
#include "Receipt.h"

#include <QFile>
#include <QImage>

#include <pappl/pappl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace vprinter {

namespace {

constexpr int Dpi = 203;
// The paper is 80 or 58 mm wide; the print head's dots lie in its middle, 4 or 5 mm from
// each edge, which clients are told as the side margins.
constexpr int PaperWidth80 = 8000; // hundredths of a millimetre
constexpr int PaperWidth58 = 5800;
// The longest page the roll takes, 3 m (as media-size-supported says), in rows at 203 dpi.
constexpr unsigned MaxPageRows = 3000 * Dpi * 10 / 254;
constexpr const char *PrinterBytes = "application/vnd.escpos";
constexpr const char *DeviceScheme = "virtual-printer";

IppPrinter *printerOf(pappl_job_t *job)
{
    pappl_pr_driver_data_t data;
    papplPrinterGetDriverData(papplJobGetPrinter(job), &data);
    return static_cast<IppPrinter *>(data.extension);
}

// Whether the paper is cut at the job's end: finishings 'trim' cuts it, 'none' leaves the
// receipt uncut; a job that names no finishings has what the printer says is its default.
bool cutsAtEnd(pappl_job_t *job)
{
    if (ipp_attribute_t *finishings = papplJobGetAttribute(job, "finishings"))
        return ippContainsInteger(finishings, IPP_FINISHINGS_TRIM);
    ipp_t *printer = papplPrinterGetDriverAttributes(papplJobGetPrinter(job));
    const bool cut = ippContainsInteger(
            ippFindAttribute(printer, "finishings-default", IPP_TAG_ENUM), IPP_FINISHINGS_TRIM);
    ippDelete(printer);
    return cut;
}

bool startRasterJob(pappl_job_t *job, pappl_pr_options_t *, pappl_device_t *)
{
    papplJobSetData(job, new IppRaster(printerOf(job)->paperDots()));
    return true;
}

bool startRasterPage(pappl_job_t *job, pappl_pr_options_t *options, pappl_device_t *, unsigned)
{
    // A client that names no media sends its page as long as it likes; the service reads as
    // many lines as the page it expects has, so it is told to expect the longest page the roll
    // takes. The white it adds below a shorter page is trimmed with the rest.
    options->header.cupsHeight = std::max(options->header.cupsHeight, MaxPageRows);
    static_cast<IppRaster *>(papplJobGetData(job))
            ->startPage(int(options->header.cupsWidth), int(options->header.cupsHeight));
    return true;
}

// A line of the page as 1-bit black (PWG black_1): grey pages are dithered to it on the way in.
bool writeRasterLine(
        pappl_job_t *job, pappl_pr_options_t *, pappl_device_t *, unsigned y, const uchar *line)
{
    static_cast<IppRaster *>(papplJobGetData(job))->writeLine(int(y), line);
    return true;
}

bool endRasterPage(pappl_job_t *job, pappl_pr_options_t *, pappl_device_t *, unsigned)
{
    static_cast<IppRaster *>(papplJobGetData(job))->endPage();
    return true;
}

bool endRasterJob(pappl_job_t *job, pappl_pr_options_t *, pappl_device_t *)
{
    std::unique_ptr<IppRaster> raster(static_cast<IppRaster *>(papplJobGetData(job)));
    papplJobSetData(job, nullptr);
    return printerOf(job)->deliver(raster->finish(cutsAtEnd(job)));
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

// Printer bytes, printed as they are: they cut where they say.
bool printBytes(pappl_job_t *job, pappl_pr_options_t *, pappl_device_t *)
{
    QByteArray bytes;
    return readDocument(job, &bytes) && printerOf(job)->deliver(bytes);
}

// A JPEG or PNG picture; a JPEG is taken for a photograph.
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
    IppRaster raster(printer->paperDots());
    raster.addPicture(picture, std::strcmp(papplJobGetFormat(job), "image/jpeg") == 0);
    return printer->deliver(raster.finish(cutsAtEnd(job)));
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

void addKeyword(ipp_t *attributes, const char *name, const char *value)
{
    ippAddString(attributes, IPP_TAG_PRINTER, IPP_CONST_TAG(IPP_TAG_KEYWORD), name, nullptr, value);
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
    // The cutter: 'trim' cuts the paper at the job's end, 'none' leaves it on the roll.
    data->finishings = PAPPL_FINISHINGS_TRIM;
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
    addKeyword(*attributes, "print-rendering-intent-default", "auto");
    addKeyword(*attributes, "print-rendering-intent-supported", "auto");
    addKeyword(*attributes, "pwg-raster-document-sheet-back", "normal");
    return true;
}

} // namespace

void IppDriver::install(pappl_system_t *system, IppPrinter *printer)
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
    static pappl_pr_driver_t driver = {Name, "Thermal receipt printer", nullptr, nullptr};
    papplSystemSetPrinterDrivers(system, 1, &driver, nullptr, nullptr, describePrinter, printer);
    papplSystemAddMIMEFilter(system, "image/jpeg", PrinterBytes, printPicture, printer);
    papplSystemAddMIMEFilter(system, "image/png", PrinterBytes, printPicture, printer);
}

} // namespace vprinter
