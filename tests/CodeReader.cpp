#include "CodeReader.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

constexpr int Patience = 120000; // ms: a large picture on a loaded machine

// The reader's output for the picture, saved where only this call sees it.
QString run(const QString &reader, QStringList arguments, const QImage &image)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"picture.png"_s);
    if (!image.save(path))
        return u"cannot save"_s;
    arguments << path;
    QProcess process;
    process.start(reader, arguments);
    process.waitForFinished(Patience);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

bool CodeReader::zbarAvailable()
{
    return !QStandardPaths::findExecutable(u"zbarimg"_s).isEmpty();
}

bool CodeReader::zxingAvailable()
{
    return !QStandardPaths::findExecutable(u"ZXingReader"_s).isEmpty();
}

QStringList CodeReader::zbar(const QImage &image, const QStringList &options)
{
    return run(u"zbarimg"_s, QStringList{u"-q"_s} + options, image)
            .split(u'\n', Qt::SkipEmptyParts);
}

QStringList CodeReader::zxing(const QImage &image, const QString &format)
{
    QStringList codes;
    const QString out = run(u"ZXingReader"_s, {u"-1"_s, u"-format"_s, format}, image);
    for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype quote = line.indexOf(u'"');
        if (quote > 0)
            codes << format + u':' + line.mid(quote + 1).chopped(1);
    }
    return codes;
}
