#include "app/Form1.h"
#include "app/Language.h"
#include "app/WindowLook.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QLocale>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("thermal-printer-demo"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/thermal-printer-demo.png")));

    QCommandLineParser parser;
    parser.setApplicationDescription(app::applicationTitle);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(
            QStringLiteral("port"),
            QStringLiteral("Start with PORT in the \"Port\" box: COM1 to COM8, a device path "
                           "(/dev/ttyUSB0, /dev/usb/lp0), or a network printer as HOST, "
                           "HOST:PORT or [IPv6]:PORT (port 9100 when left out)."),
            QStringLiteral("PORT"));
    parser.addOption(portOption);
    const QCommandLineOption languageOption(
            QStringLiteral("lang"),
            QStringLiteral("The window's language: en or zh. Without it, English when the first "
                           "English or Chinese entry among the desktop's languages is English, "
                           "else Chinese."),
            QStringLiteral("en|zh"));
    parser.addOption(languageOption);
    // A command line that cannot be carried out exits with status 2.
    constexpr int usageError = 2;
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr,
                     "thermal-printer-demo: %s\nthermal-printer-demo --help lists the options.\n",
                     qPrintable(parser.errorText()));
        return usageError;
    }
    parser.process(app); // --help and --version
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr,
                     "thermal-printer-demo: unexpected argument %s: every option starts with "
                     "--\n",
                     qPrintable(parser.positionalArguments().constFirst()));
        return usageError;
    }

    std::optional<app::Language> language = app::languageFor(QLocale::system().uiLanguages());
    if (parser.isSet(languageOption)) {
        language = app::languageNamed(parser.value(languageOption));
        if (!language) {
            std::fprintf(stderr,
                         "thermal-printer-demo: --lang takes en or zh, not %s\n",
                         qPrintable(parser.value(languageOption)));
            return usageError;
        }
    }
    if (!app::useLanguage(*language))
        std::fputs("thermal-printer-demo: Qt's Chinese texts are not installed "
                   "(qt6-translations-l10n): its dialogs stay English\n",
                   stderr);

    app::applyWindowLook();
    app::Form1 form;
    if (parser.isSet(portOption))
        form.setPortName(parser.value(portOption));
    form.show();
    return QApplication::exec();
}
