#pragma once

#include "HttpServer.h"

namespace vprinter {

class PrinterServer;

// Printing from web pages as the printer's web interface does: a request posted to
// /StarWebPRNT/SendMessage is printed as one Star job in its turn, and answered with success,
// a code and the printer's Star status, which the page's script reads.
class WebPrntService
{
public:
    static constexpr QByteArrayView Path = "/StarWebPRNT/SendMessage";

    static void print(const HttpRequest &request, PrinterServer *printer, HttpServer *server);
};

} // namespace vprinter
