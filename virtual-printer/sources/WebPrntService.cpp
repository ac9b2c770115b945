#include "WebPrntService.h"

#include "HttpSource.h"
#include "PrinterServer.h"
#include "WebPrntDocument.h"

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

// The answer the page's script reads: an envelope whose Response carries, as text, success,
// a code and the nine bytes of Star status in hexadecimal. Off-line is status byte 3 bit 3.
HttpResponse answer(int status,
                    bool success,
                    const char *code,
                    const emulator::StatusConditions &conditions,
                    const QString &message = {})
{
    QByteArray inner = "<success>" + QByteArray(success ? "true" : "false") + "</success><code>"
                       + code + "</code><status>" + conditions.star().toHex() + "</status>";
    if (!message.isEmpty())
        inner += "<message>" + message.toHtmlEscaped().toUtf8() + "</message>";
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<StarWebPrint xmlns=\"http://www.star-m.jp\" "
                            "xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\"><Response>"
                            + QString::fromUtf8(inner).toHtmlEscaped().toUtf8()
                            + "</Response></StarWebPrint>\n";
    return {status, "text/xml; charset=utf-8", body, {{"Cache-Control", "no-store"}}};
}

bool offline(const emulator::StatusConditions &conditions)
{
    return (conditions.star().at(2) & 0x08) != 0;
}

} // namespace

void WebPrntService::print(const HttpRequest &request, PrinterServer *printer, HttpServer *server)
{
    const WebPrntDocument document = WebPrntDocument::read(
            request.body, printer->interpreter().printer().profile().paperDots);
    if (!document.isValid()) {
        server->respond(request.id,
                        answer(400, false, "ERROR_PARSE", printer->status(), document.error()));
        return;
    }
    // Checked, a job for a printer that cannot print is refused whole rather than half printed.
    if (document.checkedBlock() && offline(printer->status())) {
        server->respond(request.id, answer(200, false, "ERROR_OFFLINE", printer->status()));
        return;
    }
    auto *job = new HttpSource(document.bytes(), u"webprnt"_s, emulator::CommandSetKind::StarLine);
    QObject::connect(job, &HttpSource::printed, server, [printer, server, id = request.id] {
        const emulator::StatusConditions &now = printer->status();
        server->respond(id,
                        offline(now) ? answer(200, false, "ERROR_OFFLINE", now)
                                     : answer(200, true, "OK", now));
    });
    printer->print(job);
}

} // namespace vprinter
