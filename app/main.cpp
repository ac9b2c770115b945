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
            QStringLiteral("The window's language: en (English) or zh (the original Chinese "
                           "texts). Without it, English for an English locale, else Chinese."),
            QStringLiteral("en|zh"));
    parser.addOption(languageOption);
    parser.process(app);

    std::optional<app::Language> language = app::languageFor(QLocale::system().uiLanguages());
    if (parser.isSet(languageOption)) {
        language = app::languageNamed(parser.value(languageOption));
        if (!language) {
            std::fprintf(stderr,
                         "thermal-printer-demo: --lang takes en or zh, not %s\n",
                         qPrintable(parser.value(languageOption)));
            return 2;
        }
    }
    app::useLanguage(*language);

    app::applyWindowLook();
    app::Form1 form;
    if (parser.isSet(portOption))
        form.setPortName(parser.value(portOption));
    form.show();
    return QApplication::exec();
}
