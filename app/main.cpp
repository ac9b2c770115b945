#include "app/Form1.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

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
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Start with PATH in the \"Port\" box."),
                                        QStringLiteral("PATH"));
    parser.addOption(portOption);
    parser.process(app);

    app::applyWindowLook();
    app::Form1 form;
    if (parser.isSet(portOption))
        form.setPortName(parser.value(portOption));
    form.show();
    return QApplication::exec();
}
