#pragma once

#include "HttpServer.h"

#include <QObject>

namespace vprinter {

class PrinterServer;

// The printer's web print service: a page POSTs a document of <epos-print> elements, which
// prints as one job in its turn, and reads back whether it printed, why not, and the status.
class EposService : public QObject
{
    Q_OBJECT

public:
    static constexpr QByteArrayView Path = "/cgi-bin/epos/service.cgi";
    // The one device the printer is.
    static constexpr QByteArrayView DeviceId = "local_printer";
    // How long a request waits for its turn when it names no timeout, and at most.
    static constexpr int DefaultTimeoutMs = 60000;
    static constexpr int MaxTimeoutMs = 600000;

    EposService(PrinterServer *printer, HttpServer *server, QObject *parent = nullptr);

    void handle(const HttpRequest &request);

private:
    void respond(quint64 id, bool success, const QByteArray &code, quint32 status);
    quint32 status() const;

    PrinterServer *m_printer = nullptr;
    HttpServer *m_server = nullptr;
};

} // namespace vprinter
