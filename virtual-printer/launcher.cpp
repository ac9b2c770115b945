// The virtual printer's command. Rendering files (--input) is done here, in a program that
// loads no widgets, network or HTTP libraries: a script that renders one file at a time pays
// only for what drawing needs. A printer that runs (pty, TCP, HTTP, its window) is the program
// beside this one, which this process becomes.
#include "FilePrinter.h"
#include "ProgramOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>

#include <memory>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// The running printer's program: beside this one in the build, in libexec when installed.
[[noreturn]] void becomePrinter(char *argv[])
{
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = length > 0 ? std::string(self, size_t(length)) : std::string(argv[0]);
    dir.erase(dir.find_last_of('/') + 1);
    for (const std::string &path : {dir + "virtual-printer-live",
                                    dir + "../libexec/thermal-printer-demo/virtual-printer-live"})
        ::execv(path.c_str(), argv);
    std::fprintf(stderr,
                 "virtual-printer: cannot start %svirtual-printer-live: %s\n",
                 dir.c_str(),
                 std::strerror(errno));
    std::_Exit(1);
}

} // namespace

int main(int argc, char *argv[])
{
    bool drawing = false; // a picture is made: fonts, and so a GUI application, are needed
    if (!vprinter::ProgramOptions::readsFiles(argc, argv, &drawing))
        becomePrinter(argv);
    // Pictures are drawn with the system's fonts without a screen; data needs neither.
    if (drawing && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app;
    if (drawing)
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    QCommandLineParser parser;
    vprinter::ProgramOptions::add(parser);
    if (!vprinter::ProgramOptions::parse(parser, *app))
        return vprinter::ProgramOptions::UsageError;
    emulator::PrinterProfile profile;
    if (!vprinter::ProgramOptions::readProfile(parser, &profile))
        return vprinter::ProgramOptions::UsageError;
    return vprinter::FilePrinter::run(parser, profile);
}
