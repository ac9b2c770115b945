#include "EposService.h"

#include "EposDocument.h"
#include "EposSource.h"
#include "PrinterServer.h"

#include <QTimer>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

// Bits of the response's status that no condition of the printer sets.
constexpr quint32 NoResponse = 0x1;   // the printer does not answer
constexpr quint32 PrintSuccess = 0x2; // the document printed

} // namespace

EposService::EposService(PrinterServer *printer, HttpServer *server, QObject *parent)
    : QObject(parent)
    , m_printer(printer)
    , m_server(server)
{}

quint32 EposService::status() const
{
    return m_printer->status().eposStatus() | (m_printer->answering() ? 0 : NoResponse);
}

void EposService::respond(quint64 id, bool success, const QByteArray &code, quint32 status)
{
    const QByteArray body
            = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
              "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>"
              "<response success=\""
              + QByteArray(success ? "true" : "false") + "\" code=\"" + code + "\" status=\""
              + QByteArray::number(status)
              + "\" battery=\"0\" "
                "xmlns=\"http://www.epson-pos.com/schemas/2011/03/epos-print\"/>"
                "</s:Body></s:Envelope>\n";
    m_server->respond(id, {200, "text/xml; charset=utf-8", body, {{"Cache-Control", "no-store"}}});
}

void EposService::handle(const HttpRequest &request)
{
    if (request.argument("devid") != DeviceId)
        return respond(request.id, false, "DeviceNotFound", 0);
    bool numbered = false;
    const int timeout = request.argument("timeout").toInt(&numbered);
    QByteArray bytes;
    QString error;
    if (!EposDocument::read(request.body,
                            m_printer->interpreter().printer().profile().paperDots,
                            &bytes,
                            &error)) {
        Q_EMIT m_printer->problem(u"a web print document is refused: %1"_s.arg(error));
        return respond(request.id, false, "SchemaError", status());
    }
    auto *job = new EposSource(bytes, [this] {
        // A condition that stops the printer stops the document before its first byte.
        const char *code = m_printer->status().eposCode();
        return QByteArray(code);
    });
    connect(job,
            &EposSource::printed,
            this,
            [this, id = request.id](const QList<int> &, const QByteArray &refused) {
                respond(id,
                        refused.isEmpty(),
                        refused,
                        status() | (refused.isEmpty() ? PrintSuccess : 0));
            });
    // A request whose turn does not come within its timeout is taken back, unprinted.
    QTimer::singleShot(numbered ? qBound(0, timeout, MaxTimeoutMs) : DefaultTimeoutMs,
                       job,
                       [this, job, id = request.id] {
                           if (m_printer->withdraw(job))
                               respond(id, false, "EX_TIMEOUT", status());
                       });
    m_printer->print(job);
}

} // namespace vprinter
