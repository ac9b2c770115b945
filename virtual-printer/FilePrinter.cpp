#include "FilePrinter.h"

#include "ReceiptComparison.h"
#include "ReceiptExport.h"

#include "Interpreter.h"
#include "ReceiptJson.h"
#include "ReceiptLayout.h"
#include "ReceiptText.h"
#include "Renderer.h"

#include <QCommandLineParser>
#include <QFile>
#include <QJsonObject>
#include <QSaveFile>
#include <QTextStream>

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
                  const QString &textPath)
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
        err << "warning: " << warning << '\n';
    return 0;
}

// --input: the bytes of a file printed, and the receipts written out or compared. Exit status
// 0 when done (and the receipts match), 1 when they differ from the golden file, 2 when
// something could not be read or written.
} // namespace

int FilePrinter::run(const QCommandLineParser &parser, const emulator::PrinterProfile &profile)
{
    QTextStream err(stderr);
    const QString inputPath = parser.value(u"input"_s);
    const QString pngPath = parser.value(u"png"_s);
    const QString pdfPath = parser.value(u"pdf"_s);
    const QString jsonPath = parser.value(u"json"_s);
    const QString textPath = parser.value(u"text"_s);
    const QString goldenPath = parser.value(u"expect"_s);
    if (parser.isSet(u"strict"_s) && goldenPath.isEmpty()) {
        err << "virtual-printer: --strict goes with --expect\n";
        return 2;
    }
    const bool drawn = !pngPath.isEmpty() || !pdfPath.isEmpty();
    if (inputPath.isEmpty()
        || (!drawn && jsonPath.isEmpty() && textPath.isEmpty() && goldenPath.isEmpty())) {
        err << "virtual-printer: --input goes with --png, --pdf, --json, --text or --expect\n";
        return 2;
    }
    QFile input(inputPath);
    if (!input.open(QIODevice::ReadOnly)) {
        err << "virtual-printer: cannot read " << inputPath << ": " << input.errorString() << '\n';
        return 2;
    }
    // The golden file is read first: a wrong one fails before any work is done.
    QJsonObject golden;
    QString error;
    if (!goldenPath.isEmpty()) {
        QFile file(goldenPath);
        if (!file.open(QIODevice::ReadOnly)) {
            err << "virtual-printer: cannot read " << goldenPath << ": " << file.errorString()
                << '\n';
            return 2;
        }
        if (!ReceiptComparison::read(file.readAll(), &golden, &error)) {
            err << "virtual-printer: " << goldenPath << ": " << error << '\n';
            return 2;
        }
    }

    const bool drawnOrCompared = drawn || !goldenPath.isEmpty();
    if (!drawnOrCompared)
        return printStreamed(input.readAll(), profile, jsonPath, textPath);
    const QList<emulator::Receipt> receipts = printStream(input.readAll(), profile);
    QStringList warnings;
    bool written = true;
    if (drawn) {
        const emulator::Renderer renderer;
        emulator::RenderResult result = renderer.render(receipts);
        warnings = result.warnings;
        if (result.images.isEmpty())
            result.images.append(emulator::Renderer::toPalette(renderer.renderReceipt({})));
        if (!pngPath.isEmpty()) {
            const QImage image = emulator::Renderer::stack(result.images, &warnings);
            if (pdfPath.isEmpty())
                result.images.clear(); // the stack holds them now
            written = ReceiptExport::savePng(image, pngPath, &error);
        }
        if (written && !pdfPath.isEmpty())
            written = ReceiptExport::savePdf(result.images, pdfPath, &error);
    } else {
        warnings = warningsOf(receipts);
    }
    const QByteArray json = jsonPath.isEmpty() && goldenPath.isEmpty()
                                    ? QByteArray()
                                    : emulator::ReceiptJson::write(receipts, profile.paperDots);
    if (written && !jsonPath.isEmpty())
        written = writeOut(json, jsonPath, &error);
    if (written && !textPath.isEmpty())
        written = writeOut(emulator::ReceiptText::transcript(receipts), textPath, &error);
    if (!written) {
        err << "virtual-printer: " << error << '\n';
        return 2;
    }
    if (goldenPath.isEmpty()) {
        for (const QString &warning : std::as_const(warnings))
            err << "warning: " << warning << '\n';
        return 0;
    }
    // With a golden file, standard error carries the difference alone.
    QJsonObject printed;
    ReceiptComparison::read(json, &printed, &error);
    const QStringList differences = ReceiptComparison::differences(
            golden, printed, parser.isSet(u"strict"_s));
    if (differences.isEmpty())
        return 0;
    for (const QString &line : ReceiptComparison::report(goldenPath, differences))
        err << line << '\n';
    return 1;
}

} // namespace vprinter
