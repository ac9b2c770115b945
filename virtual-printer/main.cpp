#include "CloudPrntClient.h"
#include "FilePrinter.h"
#include "HttpApi.h"
#include "IppPrinter.h"
#include "PrinterServer.h"
#include "PrinterWindow.h"
#include "ProgramOptions.h"
#include "PseudoTerminal.h"
#include "QuitOnSignal.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTemporaryFile>
#include <QTextStream>
#include <QTranslator>
#include <QUrl>

#include <filesystem>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int UsageError = vprinter::ProgramOptions::UsageError;

static_assert(vprinter::ProgramOptions::DefaultIdleTimeoutSeconds
                      == vprinter::PrinterServer::DefaultIdleTimeoutSeconds
              && vprinter::ProgramOptions::DefaultMaxClients
                         == vprinter::PrinterServer::DefaultMaxClients);

// The window's texts are English; their Chinese translation, with Qt's own for its dialogs and
// buttons, is installed for --lang zh or, without it, unless the first of the operator's
// languages that is English or Chinese is English: the same rule as the tool's. Without a window
// nothing is translated: what goes to standard error is read by logs and scripts.
bool installLanguage(const QCommandLineParser &parser,
                     QTranslator *translator,
                     QTranslator *qtTranslator,
                     bool window)
{
    QString language = parser.value(u"lang"_s);
    if (!parser.isSet(u"lang"_s)) {
        language = u"zh"_s;
        for (const QString &name : QLocale::system().uiLanguages()) {
            const QLocale::Language spoken = QLocale(name).language();
            if (spoken == QLocale::English || spoken == QLocale::Chinese) {
                language = spoken == QLocale::Chinese ? u"zh"_s : u"en"_s;
                break;
            }
        }
    }
    if (language != u"en"_s && language != u"zh"_s) {
        QTextStream(stderr) << "virtual-printer: --lang takes en or zh, not " << language << '\n';
        return false;
    }
    if (language == u"en"_s || !window)
        return true;
    if (!translator->load(u":/i18n/virtual-printer_zh_CN.qm"_s))
        qFatal("The Chinese translation is missing from the resources");
    QCoreApplication::installTranslator(translator);
    if (qtTranslator->load(u"qtbase_zh_CN"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTranslator);
    else
        QTextStream(stderr) << "virtual-printer: Qt's Chinese texts are not installed "
                               "(qt6-translations-l10n): its dialogs stay English\n";
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

// --save's folder, made when missing; false with the reason when it is not a folder or cannot take
// a file, so that a wrong one stops the program at start rather than at the first receipt.
bool checkSaveFolder(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isDir()) {
        *error = u"--save: %1 is not a folder"_s.arg(path);
        return false;
    }
    std::error_code code;
    std::filesystem::create_directories(QFile::encodeName(path).toStdString(), code);
    if (code) {
        *error = u"--save: cannot make the folder %1: %2"_s.arg(
                path, QString::fromLocal8Bit(code.message()));
        return false;
    }
    QTemporaryFile probe(QDir(path).filePath(u".virtual-printer-XXXXXX"_s));
    if (!probe.open()) {
        *error = u"--save: cannot write in %1: %2"_s.arg(path, probe.errorString());
        return false;
    }
    return true;
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

// --http's address; false with a message when it is not one.
bool readHttpAddress(const QCommandLineParser &parser, QHostAddress *address, quint16 *port)
{
    const QString text = parser.value(u"http"_s);
    if (readAddress(text, address, port))
        return true;
    QTextStream(stderr) << "virtual-printer: --http takes HOST:PORT or [IPv6]:PORT, not " << text
                        << '\n';
    return false;
}

// --http-cert and --http-key, read into the server; false with a message naming the option when
// one is given without the other or a file cannot be read or holds no PEM block of its kind.
bool readCertificate(const QCommandLineParser &parser, vprinter::HttpServer *server)
{
    const bool certificate = parser.isSet(u"http-cert"_s);
    const bool key = parser.isSet(u"http-key"_s);
    QTextStream err(stderr);
    if (!certificate && !key)
        return true;
    if (certificate != key) {
        err << "virtual-printer: "
            << (certificate ? "--http-cert needs --http-key" : "--http-key needs --http-cert")
            << '\n';
        return false;
    }
    QByteArray pem[2];
    const char *options[2] = {"http-cert", "http-key"};
    const char *markers[2] = {"-----BEGIN CERTIFICATE-----", "PRIVATE KEY-----"};
    for (int i = 0; i < 2; ++i) {
        const QString path = parser.value(QString::fromLatin1(options[i]));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            err << "virtual-printer: --" << options[i] << ": cannot read " << path << ": "
                << file.errorString() << '\n';
            return false;
        }
        pem[i] = file.read(qint64(1) << 20);
        if (!pem[i].contains(markers[i])) {
            err << "virtual-printer: --" << options[i] << ": " << path << " holds no PEM "
                << (i == 0 ? "certificate" : "private key") << '\n';
            return false;
        }
    }
    server->setCertificate(pem[0], pem[1]);
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
    if (!readHttpAddress(parser, &address, &port))
        return false;
    if (!readCertificate(parser, &api->server()))
        return false;
    QString error;
    if (!api->server().listen(address, port, &error)) {
        err << "virtual-printer: cannot serve HTTP" << (api->server().secure() ? "S" : "") << " on "
            << text << ": " << error << (api->server().secure() ? " (--http-cert, --http-key)" : "")
            << '\n';
        return false;
    }
    api->server().setAllowedOrigins(parser.values(u"http-origin"_s));
    api->server().setAllowedHosts(parser.values(u"http-host"_s));
    warnIfOpen(address, api->server().address(), "see and print to it");
    return true;
}

// --ipp: the IPP printer, when asked; false with a message when the address is wrong or cannot
// be had.
bool startIpp(const QCommandLineParser &parser, vprinter::IppPrinter *ipp)
{
    QTextStream err(stderr);
    const QString text = parser.value(u"ipp"_s);
    QHostAddress address;
    quint16 port = 0;
    if (!readAddress(text, &address, &port)) {
        err << "virtual-printer: --ipp takes HOST:PORT or [IPv6]:PORT, not " << text << '\n';
        return false;
    }
    QString error;
    if (!ipp->start(address.toString(), port, &error)) {
        err << "virtual-printer: cannot serve IPP on " << text << ": " << error << '\n';
        return false;
    }
    warnIfOpen(address, ipp->uri(), "print to it");
    return true;
}

// --cloudprnt and its interval; false with a message when either is wrong.
bool readCloudPrnt(const QCommandLineParser &parser, QUrl *url, int *intervalMs)
{
    QTextStream err(stderr);
    bool ok = false;
    const double seconds = parser.value(u"cloudprnt-interval"_s).toDouble(&ok);
    if (!ok || !(seconds >= 0.1 && seconds <= 3600)) {
        err << "virtual-printer: --cloudprnt-interval takes seconds from 0.1 to 3600, not "
            << parser.value(u"cloudprnt-interval"_s) << '\n';
        return false;
    }
    *intervalMs = int(seconds * 1000);
    if (!parser.isSet(u"cloudprnt"_s))
        return true;
    *url = QUrl(parser.value(u"cloudprnt"_s), QUrl::StrictMode);
    if (!url->isValid() || url->host().isEmpty()
        || (url->scheme() != u"http"_s && url->scheme() != u"https"_s)) {
        err << "virtual-printer: --cloudprnt takes an http:// or https:// address, not "
            << parser.value(u"cloudprnt"_s) << '\n';
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    bool headless = false;
    bool drawing = false; // a picture is made: fonts, and so a GUI application, are needed
    const bool fromFile = vprinter::ProgramOptions::readsFiles(argc, argv, &drawing);
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView arg(argv[i]);
        if (arg == "--headless" || arg == "--version" || arg == "--help" || arg == "-h"
            || arg == "-v")
            headless = true;
    }
    headless = headless || drawing || fromFile;
    // Without a display no window can be made: the command line is then read without one, so
    // that a wrong one is refused as such, and a right one is told to ask for --headless.
    const bool windowWithoutDisplay = !headless && qEnvironmentVariableIsEmpty("DISPLAY")
                                      && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                                      && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    headless = headless || windowWithoutDisplay;

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
    vprinter::ProgramOptions::add(parser);
    if (!vprinter::ProgramOptions::parse(parser, *app))
        return UsageError;
    emulator::PrinterProfile profile;
    if (!vprinter::ProgramOptions::readProfile(parser, &profile))
        return UsageError;
    QTranslator translator;
    QTranslator qtTranslator;
    if (!installLanguage(parser, &translator, &qtTranslator, !headless))
        return UsageError;
    if (parser.isSet(u"input"_s) || parser.isSet(u"png"_s) || parser.isSet(u"pdf"_s)
        || parser.isSet(u"json"_s) || parser.isSet(u"text"_s) || parser.isSet(u"expect"_s))
        return vprinter::FilePrinter::run(parser, profile);

    vprinter::PseudoTerminal terminal;
    if (!terminal.open()) {
        QTextStream(stderr) << "virtual-printer: " << terminal.errorString() << '\n';
        return UsageError;
    }
    vprinter::PrinterServer server(profile);
    server.attach(&terminal);
    // Every value is checked before anything listens, so that a wrong one is the only message.
    QHostAddress httpHost;
    quint16 httpPort = 0;
    QUrl cloudPrntUrl;
    int cloudPrntIntervalMs = 0;
    if (!readLimits(parser, server)
        || (parser.isSet(u"http"_s) && !readHttpAddress(parser, &httpHost, &httpPort))
        || !readCloudPrnt(parser, &cloudPrntUrl, &cloudPrntIntervalMs))
        return UsageError;
    if (windowWithoutDisplay) {
        QTextStream(stderr) << "virtual-printer: no display for the window (DISPLAY is not set); "
                               "--headless runs without one\n";
        return UsageError;
    }
    const QString saveDirectory = parser.value(u"save"_s);
    QString error;
    if (!saveDirectory.isEmpty()
        && (!checkSaveFolder(saveDirectory, &error)
            || !server.setSaveDirectory(saveDirectory, &error))) {
        QTextStream(stderr) << "virtual-printer: " << error << '\n';
        return UsageError;
    }
    if (!startListening(parser.value(u"listen"_s), parser.isSet(u"listen"_s), server))
        return UsageError;
    QObject::connect(&server, &vprinter::PrinterServer::problem, [](const QString &text) {
        QTextStream(stderr) << "virtual-printer: " << text << Qt::endl;
    });
    std::unique_ptr<vprinter::HttpApi> api;
    if (parser.isSet(u"http"_s)) {
        server.setKeepingLogs(true);
        api = std::make_unique<vprinter::HttpApi>(&server);
        if (!startHttp(parser, api.get()))
            return UsageError;
    }

    // Before the IPP printer starts: it keeps the program's handlers for these signals.
    const vprinter::QuitOnSignal quitOnSignal;
    std::unique_ptr<vprinter::IppPrinter> ipp;
    if (parser.isSet(u"ipp"_s)) {
        ipp = std::make_unique<vprinter::IppPrinter>(&server);
        if (!startIpp(parser, ipp.get()))
            return UsageError;
        QObject::connect(
                ipp.get(), &vprinter::IppPrinter::identify, ipp.get(), [](const QString &message) {
                    QTextStream(stderr)
                            << "virtual-printer: IPP Identify-Printer: " << message << Qt::endl;
                });
    }

    std::unique_ptr<vprinter::CloudPrntClient> cloudPrnt;
    if (!cloudPrntUrl.isEmpty()) {
        cloudPrnt = std::make_unique<vprinter::CloudPrntClient>(
                &server, cloudPrntUrl, cloudPrntIntervalMs);
        cloudPrnt->start();
    }

    // The first line names the serial port, the second the network address, the third the web
    // page's, the fourth the IPP printer's.
    QTextStream out(stdout);
    out << terminal.slavePath() << '\n';
    if (!server.address().isEmpty())
        out << "tcp " << server.address() << '\n';
    if (api)
        out << (api->server().secure() ? "https " : "http ") << api->server().address() << '\n';
    if (ipp)
        out << "ipp " << ipp->uri() << '\n';
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
        window = std::make_unique<vprinter::PrinterWindow>(&server,
                                                           terminal.slavePath(),
                                                           api ? api->server().address()
                                                               : QString(),
                                                           ipp ? ipp->uri() : QString());
        window->show();
    }
    const int status = app->exec();
    if (!link.isEmpty() && QFileInfo(link).isSymLink())
        QFile::remove(link);
    return status;
}
