#include "app/Form1.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QLineEdit>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("thermal-printer-demo"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(app::applicationTitle);
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Start with PATH in the \"Port\" box."),
                                        QStringLiteral("PATH"));
    parser.addOption(portOption);
    parser.process(app);

    app::applyWindowLook();
    app::Form1 form;
    if (parser.isSet(portOption)) {
        auto *combo1 = form.findChild<QComboBox *>(QStringLiteral("Combo1"));
        combo1->setCurrentText(parser.value(portOption));
        combo1->lineEdit()->setCursorPosition(0); // show the start of a long path
    }
    form.show();
    return QApplication::exec();
}
