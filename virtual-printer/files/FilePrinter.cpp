#include "FilePrinter.h"

#include "ReceiptComparison.h"
#include "ReceiptExport.h"

#include "Interpreter.h"
#include "ReceiptJson.h"
#include "ReceiptLayout.h"
#include "ReceiptText.h"
#include "Renderer.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <QTextStream>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

constexpr int ReadChunk = 4096;

// Every receipt the stream prints, oldest first, each taken as it is finished so that a long
// stream loses none to the printer's bound on the receipts it keeps; the stream's end ends the
// last one.
QList<emulator::Receipt> printStream(const QByteArray &bytes,
                                     const emulator::PrinterProfile &profile)
{
    emulator::Interpreter interpreter(profile);
    QList<emulator::Receipt> printed;
    QObject::connect(&interpreter,
                     &emulator::Interpreter::receiptFinished,
                     [&printed](const emulator::Receipt &receipt) {
                         if (!receipt.isEmpty())
                             printed.append(receipt);
                     });
    for (qsizetype offset = 0; offset < bytes.size(); offset += ReadChunk) {
        interpreter.feed(QByteArrayView(bytes).sliced(
                offset, qMin<qsizetype>(ReadChunk, bytes.size() - offset)));
    }
    interpreter.endJob();
    return printed;
}

// What the printer warned about, a line a warning, as when the receipts are drawn.
QStringList warningsOf(const QList<emulator::Receipt> &receipts)
{
    QStringList lines;
    for (qsizetype i = 0; i < receipts.size(); ++i) {
        const emulator::Receipt &receipt = receipts.at(i);
        for (const QString &warning :
             receipt.warningLines() + emulator::ReceiptLayout::of(receipt).warnings)
            lines.append(u"receipt %1: %2"_s.arg(i + 1).arg(warning));
    }
    return lines;
}

// A file written whole or not at all; "-" is standard output.
bool writeOut(const QByteArray &bytes, const QString &path, QString *error)
{
    if (path != u"-"_s)
        return ReceiptExport::saveBytes(bytes, path, error);
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly) || out.write(bytes) != bytes.size()
        || !out.flush()) {
        *error = u"cannot write to standard output: "_s + out.errorString();
        return false;
    }
    return true;
}

// A file written whole or not at all, a piece at a time; "-" is standard output.
class StreamedOutput
{
public:
    explicit StreamedOutput(const QString &path)
        : m_path(path)
    {
        if (path == u"-"_s) {
            auto out = std::make_unique<QFile>();
            m_open = out->open(stdout, QIODevice::WriteOnly);
            m_device = std::move(out);
        } else {
            auto out = std::make_unique<QSaveFile>(path);
            m_open = out->open(QIODevice::WriteOnly);
            m_device = std::move(out);
        }
    }

    void write(const QByteArray &bytes)
    {
        m_open = m_open && m_device->write(bytes) == bytes.size();
    }

    bool finish(QString *error)
    {
        if (auto *file = qobject_cast<QSaveFile *>(m_device.get()))
            m_open = m_open && file->commit();
        else
            m_open = m_open && static_cast<QFile *>(m_device.get())->flush();
        if (!m_open) {
            *error = m_path == u"-"_s
                             ? u"cannot write to standard output: "_s + m_device->errorString()
                             : u"cannot write %1: %2"_s.arg(m_path, m_device->errorString());
        }
        return m_open;
    }

private:
    QString m_path;
    std::unique_ptr<QIODevice> m_device;
    bool m_open = false;
};

// --json and --text alone: each receipt is written out as it is finished and then let go, so a
// long stream is never held whole, neither its receipts nor its JSON. Exit status as run's.
int printStreamed(const QByteArray &bytes,
                  const emulator::PrinterProfile &profile,
                  const QString &jsonPath,
                  const QString &textPath,
                  const QString &warningPrefix)
{
    std::unique_ptr<StreamedOutput> json;
    std::unique_ptr<StreamedOutput> text;
    if (!jsonPath.isEmpty()) {
        json = std::make_unique<StreamedOutput>(jsonPath);
        json->write(emulator::ReceiptJson::documentStart(profile.paperDots));
    }
    if (!textPath.isEmpty())
        text = std::make_unique<StreamedOutput>(textPath);
    emulator::Interpreter interpreter(profile);
    QStringList warnings;
    int count = 0;
    QObject::connect(&interpreter,
                     &emulator::Interpreter::receiptFinished,
                     [&](const emulator::Receipt &receipt) {
                         if (receipt.isEmpty())
                             return;
                         ++count;
                         for (const QString &warning :
                              receipt.warningLines()
                                      + emulator::ReceiptLayout::of(receipt).warnings)
                             warnings.append(u"receipt %1: %2"_s.arg(count).arg(warning));
                         if (json)
                             json->write(emulator::ReceiptJson::documentEntry(receipt, count == 1));
                         if (text)
                             text->write(emulator::ReceiptText::transcript({receipt}));
                     });
    for (qsizetype offset = 0; offset < bytes.size(); offset += ReadChunk) {
        interpreter.feed(QByteArrayView(bytes).sliced(
                offset, qMin<qsizetype>(ReadChunk, bytes.size() - offset)));
    }
    interpreter.endJob();
    QTextStream err(stderr);
    QString error;
    if (json)
        json->write(emulator::ReceiptJson::documentEnd(count == 0));
    if ((json && !json->finish(&error)) || (text && !text->finish(&error))) {
        err << "virtual-printer: " << error << '\n';
        return 2;
    }
    for (const QString &warning : std::as_const(warnings))
        err << "warning: " << warningPrefix << warning << '\n';
    return 0;
}

// Where one input's receipts go: files, "-" for standard output, empty for none.
struct Outputs
{
    QString png;
    QString pdf;
    QString json;
    QString text;
    QString golden;
    bool strict = false;

    bool drawn() const { return !png.isEmpty() || !pdf.isEmpty(); }
};

// The files --input names: a folder stands for the files in it, by name. Empty when one cannot
// be read, with the reason.
QStringList inputFiles(const QStringList &paths, bool *folder, QString *error)
{
    QStringList files;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            files << path;
            continue;
        }
        *folder = true;
        const QDir dir(path);
        if (!dir.isReadable()) {
            *error = u"cannot read the folder "_s + path;
            return {};
        }
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
            files << dir.filePath(name);
    }
    return files;
}

// One input printed, and its receipts written out or compared. Exit status 0 when done (and
// the receipts match), 1 when they differ from the golden file, 2 when something could not be
// read or written. The renderer is made when first needed and kept for the next input.
int printOne(const QString &inputPath,
             const Outputs &out,
             const emulator::PrinterProfile &profile,
             std::unique_ptr<emulator::Renderer> &renderer,
             const QString &warningPrefix)
{
    QTextStream err(stderr);
    QFile input(inputPath);
    if (!input.open(QIODevice::ReadOnly)) {
        err << "virtual-printer: cannot read " << inputPath << ": " << input.errorString() << '\n';
        return 2;
    }
    // The golden file is read first: a wrong one fails before any work is done.
    QJsonObject golden;
    QString error;
    if (!out.golden.isEmpty()) {
        QFile file(out.golden);
        if (!file.open(QIODevice::ReadOnly)) {
            err << "virtual-printer: cannot read " << out.golden << ": " << file.errorString()
                << '\n';
            return 2;
        }
        if (!ReceiptComparison::read(file.readAll(), &golden, &error)) {
            err << "virtual-printer: " << out.golden << ": " << error << '\n';
            return 2;
        }
    }

    if (!out.drawn() && out.golden.isEmpty())
        return printStreamed(input.readAll(), profile, out.json, out.text, warningPrefix);
    const QList<emulator::Receipt> receipts = printStream(input.readAll(), profile);
    QStringList warnings;
    bool written = true;
    if (out.drawn()) {
        if (!renderer)
            renderer = std::make_unique<emulator::Renderer>();
        emulator::RenderResult result = renderer->render(receipts);
        warnings = result.warnings;
        if (result.images.isEmpty())
            result.images.append(emulator::Renderer::toPalette(renderer->renderReceipt({})));
        if (!out.png.isEmpty()) {
            const QImage image = emulator::Renderer::stack(result.images, &warnings);
            if (out.pdf.isEmpty())
                result.images.clear(); // the stack holds them now
            written = ReceiptExport::savePng(image, out.png, &error);
        }
        if (written && !out.pdf.isEmpty())
            written = ReceiptExport::savePdf(result.images, out.pdf, &error);
    } else {
        warnings = warningsOf(receipts);
    }
    const QByteArray json = out.json.isEmpty() && out.golden.isEmpty()
                                    ? QByteArray()
                                    : emulator::ReceiptJson::write(receipts, profile.paperDots);
    if (written && !out.json.isEmpty())
        written = writeOut(json, out.json, &error);
    if (written && !out.text.isEmpty())
        written = writeOut(emulator::ReceiptText::transcript(receipts), out.text, &error);
    if (!written) {
        err << "virtual-printer: " << error << '\n';
        return 2;
    }
    if (out.golden.isEmpty()) {
        for (const QString &warning : std::as_const(warnings))
            err << "warning: " << warningPrefix << warning << '\n';
        return 0;
    }
    // With a golden file, standard error carries the difference alone.
    QJsonObject printed;
    ReceiptComparison::read(json, &printed, &error);
    const QStringList differences = ReceiptComparison::differences(golden, printed, out.strict);
    if (differences.isEmpty())
        return 0;
    for (const QString &line : ReceiptComparison::report(out.golden, differences))
        err << line << '\n';
    return 1;
}

} // namespace

int FilePrinter::run(const QCommandLineParser &parser, const emulator::PrinterProfile &profile)
{
    QTextStream err(stderr);
    Outputs out{parser.value(u"png"_s),
                parser.value(u"pdf"_s),
                parser.value(u"json"_s),
                parser.value(u"text"_s),
                parser.value(u"expect"_s),
                parser.isSet(u"strict"_s)};
    if (out.strict && out.golden.isEmpty()) {
        err << "virtual-printer: --strict goes with --expect\n";
        return 2;
    }
    const QStringList paths = parser.values(u"input"_s);
    if (paths.isEmpty()
        || (!out.drawn() && out.json.isEmpty() && out.text.isEmpty() && out.golden.isEmpty())) {
        err << "virtual-printer: --input goes with --png, --pdf, --json, --text or --expect\n";
        return 2;
    }
    bool folder = false;
    QString error;
    const QStringList inputs = inputFiles(paths, &folder, &error);
    if (!error.isEmpty()) {
        err << "virtual-printer: " << error << '\n';
        return 2;
    }
    std::unique_ptr<emulator::Renderer> renderer;
    if (inputs.size() == 1 && !folder)
        return printOne(inputs.first(), out, profile, renderer, {});

    // Several inputs: each output option names a folder, which takes NAME.png, NAME.pdf,
    // NAME.json and NAME.txt for the input NAME.bin; --expect's folder holds NAME.json.
    for (QString *dir : {&out.png, &out.pdf, &out.json, &out.text}) {
        if (dir->isEmpty())
            continue;
        if (*dir == u"-"_s || !QDir().mkpath(*dir)) {
            err << "virtual-printer: with several inputs, " << *dir
                << " must be a folder that can be made\n";
            return 2;
        }
    }
    int status = 0;
    QSet<QString> names;
    for (const QString &input : inputs) {
        const QString name = QFileInfo(input).completeBaseName();
        if (names.contains(name)) {
            err << "virtual-printer: two inputs are named " << name << "; " << input
                << " is not printed\n";
            status = 2;
            continue;
        }
        names.insert(name);
        auto in = [&name](const QString &dir, const char *extension) {
            return dir.isEmpty() ? QString() : QDir(dir).filePath(name + QLatin1String(extension));
        };
        const Outputs each{in(out.png, ".png"),
                           in(out.pdf, ".pdf"),
                           in(out.json, ".json"),
                           in(out.text, ".txt"),
                           in(out.golden, ".json"),
                           out.strict};
        status = std::max(status, printOne(input, each, profile, renderer, name + u": "_s));
    }
    return status;
}

} // namespace vprinter
