#include "FilePrinter.h"
#include "HttpApi.h"
#include "PrinterServer.h"
#include "PrinterWindow.h"
#include "PseudoTerminal.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
            u"A thermal receipt printer on a pseudo-terminal and on TCP: programs print to the "
            "serial port path or the network address it shows, and it draws what they print."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({u"input"_s, u"Render the printer bytes in <file> and exit."_s, u"file"_s});
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
    parser.addOption({u"http-host"_s,
                      u"Answer HTTP requests for <name> (as printer.local) besides the --http "
                      "address, localhost, 127.0.0.1 and [::1]; repeat for more."_s,
                      u"name"_s});
    parser.addOption({u"headless"_s, u"Run without a window (no display needed)."_s});
    parser.addOption({u"save"_s,
                      u"Write every finished receipt to <dir>/receipt-NNNN.png, numbered on "
                      "from the highest number there."_s,
                      u"dir"_s});
    parser.addOption({u"idle-timeout"_s,
                      u"Close a network client that holds the printer and completes no command "
                      "for <seconds> while another waits (default 30; 0 never)."_s,
                      u"seconds"_s,
                      QString::number(vprinter::PrinterServer::DefaultIdleTimeoutSeconds)});
    parser.addOption({u"max-clients"_s,
                      u"Hold at most <count> network connections; more wait to be accepted "
                      "(default 64)."_s,
                      u"count"_s,
                      QString::number(vprinter::PrinterServer::DefaultMaxClients)});
    parser.addOption({u"paper"_s,
                      u"Paper width in mm: 80 (576 dots, the default) or 58 (384)."_s,
                      u"mm"_s,
                      u"80"_s});
    parser.addOption({u"lang"_s,
                      u"The window's language: en or zh. Without it, Chinese for a Chinese "
                      "locale, else English."_s,
                      u"en|zh"_s});
    parser.addOption({u"chinese"_s,
                      u"Chinese double-byte mode at power-up: on (the default) or off."_s,
                      u"on|off"_s,
                      u"on"_s});
}

// The printer as the memory switches set it; false with a message when an option is wrong.
bool readProfile(const QCommandLineParser &parser, emulator::PrinterProfile *profile)
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
    profile->paperDots = paper == u"58"_s ? emulator::PaperDots58 : emulator::PaperDots80;
    profile->chineseAtPowerUp = chinese == u"on"_s;
    return true;
}

// The window's texts are English; their Chinese translation is installed for --lang zh or, without
// it, when the first of the operator's languages that is English or Chinese is Chinese.
bool installLanguage(const QCommandLineParser &parser, QTranslator *translator)
{
    QString language = parser.value(u"lang"_s);
    if (!parser.isSet(u"lang"_s)) {
        language = u"en"_s;
        for (const QString &name : QLocale::system().uiLanguages()) {
            const QLocale::Language spoken = QLocale(name).language();
            if (spoken == QLocale::English || spoken == QLocale::Chinese) {
                language = spoken == QLocale::Chinese ? u"zh"_s : u"en"_s;
                break;
            }
        }
    }
    if (language == u"en"_s)
        return true;
    if (language != u"zh"_s) {
        QTextStream(stderr) << "virtual-printer: --lang takes en or zh, not " << language << '\n';
        return false;
    }
    if (!translator->load(u":/i18n/virtual-printer_zh_CN.qm"_s))
        qFatal("The Chinese translation is missing from the resources");
    QCoreApplication::installTranslator(translator);
    return true;
}

// The limits of the network printer; false with a message when one is wrong.
bool readLimits(const QCommandLineParser &parser, vprinter::PrinterServer &server)
{
    QTextStream err(stderr);
    bool ok = false;
    const int idle = parser.value(u"idle-timeout"_s).toInt(&ok);
    if (!ok || idle < 0 || idle > 24 * 3600) {
        err << "virtual-printer: --idle-timeout takes seconds from 0 to 86400, not "
            << parser.value(u"idle-timeout"_s) << '\n';
        return false;
    }
    const int clients = parser.value(u"max-clients"_s).toInt(&ok);
    if (!ok || clients < 1) {
        err << "virtual-printer: --max-clients takes a count from 1, not "
            << parser.value(u"max-clients"_s) << '\n';
        return false;
    }
    server.setIdleTimeout(idle);
    server.setMaxClients(clients);
    return true;
}

// "HOST:PORT", "[IPv6]:PORT" or "localhost:PORT"; false when it is none of them.
bool readAddress(const QString &text, QHostAddress *address, quint16 *port)
{
    const qsizetype colon = text.lastIndexOf(u':');
    QString host = text.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint number = text.mid(colon + 1).toUInt(&ok);
    // localhost is the one name taken: it is this machine's loopback wherever the program runs.
    *address = host == u"localhost"_s ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(host);
    *port = quint16(number);
    return colon >= 0 && ok && number <= 65535 && !address->isNull();
}

// A server anyone on the network can reach is worth a line on standard error.
void warnIfOpen(const QHostAddress &host, const QString &address, const char *what)
{
    if (!host.isLoopback())
        QTextStream(stderr) << "virtual-printer: listening on " << address
                            << ": anyone who can reach this machine can " << what << '\n';
}

// "HOST:PORT", "[IPv6]:PORT" or "off"; false with a message when it is none of them or the
// address cannot be had. Only the default address moves on from a port in use.
bool startListening(const QString &text, bool asked, vprinter::PrinterServer &server)
{
    QTextStream err(stderr);
    if (text == u"off"_s)
        return true;
    QHostAddress address;
    quint16 port = 0;
    if (!readAddress(text, &address, &port)) {
        err << "virtual-printer: --listen takes HOST:PORT, [IPv6]:PORT or off, not " << text
            << '\n';
        return false;
    }
    QString error;
    if (!server.listen(address, port, !asked, &error)) {
        err << "virtual-printer: cannot listen on " << text << ": " << error << '\n';
        return false;
    }
    if (server.portInUse() != 0)
        err << "virtual-printer: port " << server.portInUse() << " is in use; listening on "
            << server.address() << " instead\n";
    warnIfOpen(address, server.address(), "print to it");
    return true;
}

// --http: the web page and API, when asked; false with a message when the address is wrong or
// cannot be had.
bool startHttp(const QCommandLineParser &parser, vprinter::HttpApi *api)
{
    QTextStream err(stderr);
    const QString text = parser.value(u"http"_s);
    QHostAddress address;
    quint16 port = 0;
    if (!readAddress(text, &address, &port)) {
        err << "virtual-printer: --http takes HOST:PORT or [IPv6]:PORT, not " << text << '\n';
        return false;
    }
    QString error;
    if (!api->server().listen(address, port, &error)) {
        err << "virtual-printer: cannot serve HTTP on " << text << ": " << error << '\n';
        return false;
    }
    api->server().setAllowedOrigins(parser.values(u"http-origin"_s));
    api->server().setAllowedHosts(parser.values(u"http-host"_s));
    warnIfOpen(address, api->server().address(), "see and print to it");
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    bool headless = false;
    bool drawing = false; // a picture is made: fonts, and so a GUI application, are needed
    bool fromFile = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView arg(argv[i]);
        drawing = drawing || arg.startsWith("--png") || arg.startsWith("--pdf");
        fromFile = fromFile || arg.startsWith("--input") || arg.startsWith("--json")
                   || arg.startsWith("--text") || arg.startsWith("--expect");
        if (arg == "--headless" || arg == "--version" || arg == "--help" || arg == "-h"
            || arg == "-v")
            headless = true;
    }
    headless = headless || drawing || fromFile;

    // Without a window, pictures are still drawn with the system's fonts, so a GUI application
    // without a screen is made; receipts written as data need neither.
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app;
    if (fromFile && !drawing)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else if (headless)
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    if (!headless) // only a window shows it; reading it costs a picture's drawing time
        QGuiApplication::setWindowIcon(QIcon(u":/icons/virtual-printer.png"_s));
    QCommandLineParser parser;
    addOptions(parser);
    parser.process(*app);
    emulator::PrinterProfile profile;
    if (!readProfile(parser, &profile))
        return 2;
    QTranslator translator;
    if (!installLanguage(parser, &translator))
        return 2;
    if (parser.isSet(u"input"_s) || parser.isSet(u"png"_s) || parser.isSet(u"pdf"_s)
        || parser.isSet(u"json"_s) || parser.isSet(u"text"_s) || parser.isSet(u"expect"_s))
        return vprinter::FilePrinter::run(parser, profile);

    vprinter::PseudoTerminal terminal;
    if (!terminal.open()) {
        QTextStream(stderr) << "virtual-printer: " << terminal.errorString() << '\n';
        return 1;
    }
    vprinter::PrinterServer server(profile);
    server.attach(&terminal);
    if (!readLimits(parser, server)
        || !startListening(parser.value(u"listen"_s), parser.isSet(u"listen"_s), server))
        return 2;
    const QString saveDirectory = parser.value(u"save"_s);
    QString error;
    if (!saveDirectory.isEmpty() && !server.setSaveDirectory(saveDirectory, &error)) {
        QTextStream(stderr) << "virtual-printer: " << error << '\n';
        return 1;
    }
    QObject::connect(&server, &vprinter::PrinterServer::problem, [](const QString &text) {
        QTextStream(stderr) << "virtual-printer: " << text << Qt::endl;
    });
    std::unique_ptr<vprinter::HttpApi> api;
    if (parser.isSet(u"http"_s)) {
        server.setKeepingLogs(true);
        api = std::make_unique<vprinter::HttpApi>(&server);
        if (!startHttp(parser, api.get()))
            return 2;
    }

    // The first line names the serial port, the second the network address, the third the web
    // page's.
    QTextStream out(stdout);
    out << terminal.slavePath() << '\n';
    if (!server.address().isEmpty())
        out << "tcp " << server.address() << '\n';
    if (api)
        out << "http " << api->server().address() << '\n';
    out.flush();

    const QString link = parser.value(u"link"_s);
    if (!link.isEmpty()) {
        if (QFileInfo(link).isSymLink())
            QFile::remove(link);
        if (!QFile::link(terminal.slavePath(), link))
            QTextStream(stderr) << "virtual-printer: cannot create the link " << link << '\n';
    }

    std::unique_ptr<vprinter::PrinterWindow> window;
    if (!headless) {
        window = std::make_unique<vprinter::PrinterWindow>(
                &server, terminal.slavePath(), api ? api->server().address() : QString());
        window->show();
    }
    const int status = app->exec();
    if (!link.isEmpty() && QFileInfo(link).isSymLink())
        QFile::remove(link);
    return status;
}
