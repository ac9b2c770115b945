#pragma once

#include "Printer.h"

class QCommandLineParser;

namespace vprinter {

// The program's command line, shared by the program that renders files and the printer that
// runs with its window and servers.
class ProgramOptions
{
public:
    // The network printer's limits when not given (the server's own defaults).
    static constexpr int DefaultIdleTimeoutSeconds = 30;
    static constexpr int DefaultMaxClients = 64;

    static void add(QCommandLineParser &parser);
    // The printer as the memory switches set it; false with a message when an option is wrong.
    static bool readProfile(const QCommandLineParser &parser, emulator::PrinterProfile *profile);
    // Whether the arguments ask for files to be rendered (--input and its outputs) rather than
    // a printer to run; drawing is set when a picture is asked for, which needs fonts.
    static bool readsFiles(int argc, char *argv[], bool *drawing);
};

} // namespace vprinter
