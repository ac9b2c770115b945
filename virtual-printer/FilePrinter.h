#pragma once

#include "Printer.h"

class QCommandLineParser;

namespace vprinter {

// --input: the bytes of a file printed without a printer running, and the receipts written out
// as pictures, JSON or text, or compared with a golden file.
class FilePrinter
{
public:
    // Exit status 0 when done (and the receipts match), 1 when they differ from the golden file,
    // 2 when something could not be read or written.
    static int run(const QCommandLineParser &parser, const emulator::PrinterProfile &profile);
};

} // namespace vprinter
