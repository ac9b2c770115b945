#pragma once

#include "Printer.h"

class QCommandLineParser;
class QCoreApplication;

namespace vprinter {

// The program's command line, shared by the program that renders files and the printer that
// runs with its window and servers.
class ProgramOptions
{
public:
    // The network printer's limits when not given (the server's own defaults).
    static constexpr int DefaultIdleTimeoutSeconds = 30;
    static constexpr int DefaultMaxClients = 64;

    // A command line that cannot be carried out as given (an unknown option, a wrong value, an
    // address in use, a folder that cannot be written); --expect's "receipts differ" is 1.
    static constexpr int UsageError = 2;

    static void add(QCommandLineParser &parser);
    // Reads the arguments, answers --help and --version; false with a message when they are
    // not the program's options.
    static bool parse(QCommandLineParser &parser, const QCoreApplication &app);
    // The printer as the memory switches set it; false with a message when an option is wrong.
    static bool readProfile(const QCommandLineParser &parser, emulator::PrinterProfile *profile);
    // Whether the arguments ask for files to be rendered (--input and its outputs) rather than
    // a printer to run; drawing is set when a picture is asked for, which needs fonts.
    static bool readsFiles(int argc, char *argv[], bool *drawing);
};

} // namespace vprinter
