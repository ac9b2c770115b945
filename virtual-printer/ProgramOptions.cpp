#include "ProgramOptions.h"

#include <QByteArrayView>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace vprinter {

bool ProgramOptions::readsFiles(int argc, char *argv[], bool *drawing)
{
    bool files = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView arg(argv[i]);
        *drawing = *drawing || arg.startsWith("--png") || arg.startsWith("--pdf");
        files = files || arg.startsWith("--input") || arg.startsWith("--json")
                || arg.startsWith("--text") || arg.startsWith("--expect");
    }
    return files || *drawing;
}

void ProgramOptions::add(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
            u"A thermal receipt printer on a pseudo-terminal and on TCP: programs print to the "
            "serial port path or the network address it shows, and it draws what they print."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({u"input"_s,
                      u"Render the printer bytes in <file> and exit. Repeat it or name a folder "
                      "to render several files in one go: --png, --pdf, --json, --text and "
                      "--expect then name folders, where each file NAME.bin has NAME.png, "
                      "NAME.pdf, NAME.json, NAME.txt."_s,
                      u"file"_s});
    parser.addOption(
            {u"png"_s, u"Write the rendered receipts to <image> (with --input)."_s, u"image"_s});
    parser.addOption({u"pdf"_s,
                      u"Write the rendered receipts to <document>, a page each (with --input)."_s,
                      u"document"_s});
    parser.addOption({u"json"_s,
                      u"Write the receipts as JSON to <file>, - for standard output (with "
                      "--input)."_s,
                      u"file"_s});
    parser.addOption({u"text"_s,
                      u"Write the receipts' text lines and cuts to <file>, - for standard output "
                      "(with --input)."_s,
                      u"file"_s});
    parser.addOption({u"expect"_s,
                      u"Compare the receipts with the JSON in <golden> (with --input): exit 0 when "
                      "they match, 1 when they differ, 2 when either cannot be read."_s,
                      u"golden"_s});
    parser.addOption({u"strict"_s, u"With --expect, also compare the warnings of each receipt."_s});
    parser.addOption(
            {u"link"_s, u"Also make <path> a symbolic link to the serial port."_s, u"path"_s});
    parser.addOption({u"listen"_s,
                      u"Also print what arrives on TCP at <host:port>, or off. A port in use "
                      "stops the program; port 0 takes any. Without it, 127.0.0.1:9100 or the "
                      "next free port."_s,
                      u"host:port"_s,
                      u"127.0.0.1:9100"_s});
    parser.addOption({u"http"_s,
                      u"Serve the printer's web page and HTTP API at <host:port>; port 0 takes "
                      "any. Off unless asked."_s,
                      u"host:port"_s});
    parser.addOption({u"http-origin"_s,
                      u"Let pages of <origin> (as http://localhost:3000) call the HTTP API; "
                      "repeat for more."_s,
                      u"origin"_s});
    parser.addOption({u"http-cert"_s,
                      u"Serve --http over HTTPS with the PEM certificate in <file> (with "
                      "--http-key)."_s,
                      u"file"_s});
    parser.addOption(
            {u"http-key"_s, u"The PEM private key of --http-cert's certificate."_s, u"file"_s});
    parser.addOption({u"ipp"_s,
                      u"Be an IPP Everywhere printer at <host:port> (ipp://host:port/ipp/print); "
                      "port 0 takes any. Off unless asked."_s,
                      u"host:port"_s});
    parser.addOption(
            {u"cloudprnt"_s,
             u"Poll the CloudPRNT server at <url> for jobs, as a printer on the web does."_s,
             u"url"_s});
    parser.addOption({u"cloudprnt-interval"_s,
                      u"Poll the --cloudprnt server every <seconds> (0.1 to 3600)."_s,
                      u"seconds"_s,
                      u"5"_s});
    parser.addOption({u"http-host"_s,
                      u"Answer HTTP requests for <name> (as printer.local) besides the --http "
                      "address, localhost, 127.0.0.1 and [::1]; repeat for more."_s,
                      u"name"_s});
    parser.addOption({u"headless"_s, u"Run without a window (no display needed)."_s});
    parser.addOption({u"save"_s,
                      u"Write every finished receipt to <dir>/receipt-NNNN.png and its JSON to "
                      "<dir>/receipt-NNNN.json, numbered on from the highest number there; "
                      "<dir> is made if missing and must be writable."_s,
                      u"dir"_s});
    parser.addOption({u"idle-timeout"_s,
                      u"Close a network client that holds the printer and completes no command "
                      "for <seconds> while another waits (default 30; 0 never)."_s,
                      u"seconds"_s,
                      QString::number(DefaultIdleTimeoutSeconds)});
    parser.addOption({u"max-clients"_s,
                      u"Hold at most <count> network connections; more wait to be accepted "
                      "(default 64)."_s,
                      u"count"_s,
                      QString::number(DefaultMaxClients)});
    parser.addOption({u"paper"_s,
                      u"Paper width in mm: 80 (576 dots, the default) or 58 (384)."_s,
                      u"mm"_s,
                      u"80"_s});
    parser.addOption({u"lang"_s,
                      u"The window's language: en or zh. Without it, English when the first "
                      "English or Chinese entry among the desktop's languages is English, else "
                      "Chinese."_s,
                      u"en|zh"_s});
    parser.addOption({u"chinese"_s,
                      u"Chinese double-byte mode at power-up: on (the default) or off."_s,
                      u"on|off"_s,
                      u"on"_s});
    parser.addOption({u"emulation"_s,
                      u"The command set: escpos, star-line, star-prnt, or auto (the default), "
                      "which reads each job in the set its commands show."_s,
                      u"set"_s,
                      u"auto"_s});
}

bool ProgramOptions::parse(QCommandLineParser &parser, const QCoreApplication &app)
{
    QTextStream err(stderr);
    if (!parser.parse(QCoreApplication::arguments())) {
        err << "virtual-printer: " << parser.errorText()
            << "\nvirtual-printer --help lists the options.\n";
        return false;
    }
    parser.process(app); // --help and --version
    if (!parser.positionalArguments().isEmpty()) {
        err << "virtual-printer: unexpected argument " << parser.positionalArguments().constFirst()
            << ": every option starts with --\n";
        return false;
    }
    return true;
}

bool ProgramOptions::readProfile(const QCommandLineParser &parser,
                                 emulator::PrinterProfile *profile)
{
    QTextStream err(stderr);
    const QString paper = parser.value(u"paper"_s);
    const QString chinese = parser.value(u"chinese"_s);
    if (paper != u"80"_s && paper != u"58"_s) {
        err << "virtual-printer: --paper takes 80 or 58, not " << paper << '\n';
        return false;
    }
    if (chinese != u"on"_s && chinese != u"off"_s) {
        err << "virtual-printer: --chinese takes on or off, not " << chinese << '\n';
        return false;
    }
    const QString emulation = parser.value(u"emulation"_s);
    const std::optional<emulator::CommandSetKind> set = emulator::commandSetFromId(emulation);
    if (!set && emulation != u"auto"_s) {
        err << "virtual-printer: --emulation takes escpos, star-line, star-prnt or auto, not "
            << emulation << '\n';
        return false;
    }
    profile->emulation = set;
    profile->paperDots = paper == u"58"_s ? emulator::PaperDots58 : emulator::PaperDots80;
    profile->chineseAtPowerUp = chinese == u"on"_s;
    return true;
}

} // namespace vprinter
