#pragma once

#include "Printer.h"

class QCommandLineParser;

namespace vprinter {

// --input: the bytes of a file printed without a printer running, and the receipts written out
// as pictures, JSON or text, or compared with a golden file. Several files, or a folder of
// them, print in one process, each into its own files in the folders the outputs name.
class FilePrinter
{
public:
    // Exit status 0 when done (and the receipts match), 1 when they differ from the golden file,
    // 2 when something could not be read or written; with several inputs, the worst of them.
    static int run(const QCommandLineParser &parser, const emulator::PrinterProfile &profile);
};

} // namespace vprinter
