#include "PrinterWindow.h"
#include "PseudoTerminal.h"

#include "Interpreter.h"
#include "Renderer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

constexpr int ReadChunk = 4096;

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
            u"A thermal receipt printer on a pseudo-terminal: programs print to the serial "
            "port path it shows, and it draws what they print."_s);
    parser.addHelpOption();
    parser.addOption({u"input"_s, u"Render the printer bytes in <file> and exit."_s, u"file"_s});
    parser.addOption(
            {u"png"_s, u"Write the rendered receipts to <image> (with --input)."_s, u"image"_s});
    parser.addOption(
            {u"link"_s, u"Also make <path> a symbolic link to the serial port."_s, u"path"_s});
    parser.addOption({u"paper"_s,
                      u"Paper width in mm: 80 (576 dots, the default) or 58 (384)."_s,
                      u"mm"_s,
                      u"80"_s});
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

int renderFile(const QCommandLineParser &parser, const emulator::PrinterProfile &profile)
{
    QTextStream err(stderr);
    const QString inputPath = parser.value(u"input"_s);
    const QString pngPath = parser.value(u"png"_s);
    if (inputPath.isEmpty() || pngPath.isEmpty()) {
        err << "virtual-printer: --input and --png go together\n";
        return 2;
    }
    QFile input(inputPath);
    if (!input.open(QIODevice::ReadOnly)) {
        err << "virtual-printer: cannot read " << inputPath << ": " << input.errorString() << '\n';
        return 1;
    }
    const QByteArray bytes = input.readAll();

    emulator::Interpreter interpreter(profile);
    for (qsizetype offset = 0; offset < bytes.size(); offset += ReadChunk)
        interpreter.feed(QByteArrayView(bytes).sliced(
                offset, qMin<qsizetype>(ReadChunk, bytes.size() - offset)));
    interpreter.finish();

    const emulator::Renderer renderer;
    emulator::RenderResult result = renderer.render(interpreter.receipts());
    QStringList warnings = result.warnings;
    if (result.images.isEmpty())
        result.images.append(renderer.renderReceipt(emulator::Receipt{}));
    const QImage image = emulator::Renderer::stack(result.images, &warnings);
    for (const QString &warning : std::as_const(warnings))
        err << "warning: " << warning << '\n';
    QFile png(pngPath);
    if (!png.open(QIODevice::WriteOnly) || !emulator::Renderer::writePng(image, &png)) {
        err << "virtual-printer: cannot write " << pngPath << '\n';
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView arg(argv[i]);
        if (arg.startsWith("--input") || arg.startsWith("--png"))
            headless = true;
    }

    if (headless) {
        // Rendering to a file needs no screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        QCommandLineParser parser;
        addOptions(parser);
        parser.process(app);
        emulator::PrinterProfile profile;
        if (!readProfile(parser, &profile))
            return 2;
        return renderFile(parser, profile);
    }

    QApplication app(argc, argv);
    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);
    emulator::PrinterProfile profile;
    if (!readProfile(parser, &profile))
        return 2;

    vprinter::PseudoTerminal terminal;
    if (!terminal.open()) {
        QTextStream(stderr) << "virtual-printer: " << terminal.errorString() << '\n';
        return 1;
    }
    QTextStream(stdout) << terminal.slavePath() << Qt::endl;

    const QString link = parser.value(u"link"_s);
    if (!link.isEmpty()) {
        if (QFileInfo(link).isSymLink())
            QFile::remove(link);
        if (!QFile::link(terminal.slavePath(), link))
            QTextStream(stderr) << "virtual-printer: cannot create the link " << link << '\n';
    }

    vprinter::PrinterWindow window(&terminal, profile);
    window.show();
    const int status = app.exec();
    if (!link.isEmpty() && QFileInfo(link).isSymLink())
        QFile::remove(link);
    return status;
}
