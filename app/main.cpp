#include "app/Form1.h"
#include "app/Language.h"
#include "app/WindowLook.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QLocale>

#include <cstdio>
#include <memory>

namespace {

// A command line that cannot be carried out exits with this status.
constexpr int UsageError = 2;

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(app::applicationTitle);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("port"),
                      QStringLiteral("Start with PORT in the \"Port\" box: COM1 to COM8, a device "
                                     "path (/dev/ttyUSB0, /dev/usb/lp0), or a network printer as "
                                     "HOST, HOST:PORT or [IPv6]:PORT (port 9100 when left out)."),
                      QStringLiteral("PORT")});
    parser.addOption({QStringLiteral("lang"),
                      QStringLiteral("The window's language: en or zh. Without it, English when "
                                     "the first English or Chinese entry among the desktop's "
                                     "languages is English, else Chinese."),
                      QStringLiteral("en|zh")});
}

// What is wrong with the command line, or nothing.
QString usageProblem(QCommandLineParser &parser, const QStringList &arguments)
{
    if (!parser.parse(arguments))
        return parser.errorText()
               + QStringLiteral("\nthermal-printer-demo --help lists the options.");
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("unexpected argument %1: every option starts with --")
                .arg(parser.positionalArguments().constFirst());
    if (parser.isSet(QStringLiteral("lang"))
        && !app::languageNamed(parser.value(QStringLiteral("lang"))))
        return QStringLiteral("--lang takes en or zh, not %1")
                .arg(parser.value(QStringLiteral("lang")));
    return {};
}

bool refused(const QString &problem)
{
    if (problem.isEmpty())
        return false;
    std::fprintf(stderr, "thermal-printer-demo: %s\n", qPrintable(problem));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Without a display no window can be made: the command line is read first, so that a wrong
    // one is still refused with its status, and --help and --version need no window. With one,
    // it is read once Qt has taken its own options (-style, -platform) out.
    std::unique_ptr<QCoreApplication> application;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        QCommandLineParser early;
        addOptions(early);
        if (refused(usageProblem(early, arguments)))
            return UsageError;
        if (!early.isSet(QStringLiteral("help")) && !early.isSet(QStringLiteral("version"))) {
            std::fputs("thermal-printer-demo: no display for the window (DISPLAY is not set)\n",
                       stderr);
            return UsageError;
        }
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    if (!application)
        application = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("thermal-printer-demo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    QCommandLineParser parser;
    addOptions(parser);
    if (refused(usageProblem(parser, QCoreApplication::arguments())))
        return UsageError;
    parser.process(*application); // --help and --version

    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/thermal-printer-demo.png")));
    std::optional<app::Language> language = app::languageFor(QLocale::system().uiLanguages());
    if (parser.isSet(QStringLiteral("lang")))
        language = app::languageNamed(parser.value(QStringLiteral("lang")));
    if (!app::useLanguage(*language))
        std::fputs("thermal-printer-demo: Qt's Chinese texts are not installed "
                   "(qt6-translations-l10n): its dialogs stay English\n",
                   stderr);

    app::applyWindowLook();
    app::Form1 form;
    if (parser.isSet(QStringLiteral("port")))
        form.setPortName(parser.value(QStringLiteral("port")));
    form.show();
    return QApplication::exec();
}
