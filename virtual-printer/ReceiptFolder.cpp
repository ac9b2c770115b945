#include "ReceiptFolder.h"

#include "KeptReceipt.h"
#include "ReceiptExport.h"
#include "ReceiptJson.h"
#include "Renderer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A new file only: an existing file or link of the name makes it fail rather than be used.
int openNew(const QByteArray &path)
{
    int fd = -1;
    do {
        fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// 0, or the error that kept the bytes from reaching the disk whole.
int writeAll(int fd, QByteArrayView bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EINTR)
            return errno;
    }
    // The file system may report a full disk only when the data is flushed.
    return ::fsync(fd) == 0 ? 0 : errno;
}

// Gives the complete file its name unless the name is taken, by a file or a link.
int renameNew(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system that cannot rename without replacing: a hard link is made only under a
    // free name.
    if (::link(from.constData(), to.constData()) != 0)
        return errno;
    ::unlink(from.constData());
    return 0;
}

} // namespace

ReceiptFolder::ReceiptFolder(const QString &path)
    : m_path(path)
{}

QString ReceiptFolder::fileName(int number)
{
    return u"receipt-%1.png"_s.arg(number, 4, 10, QLatin1Char('0'));
}

bool ReceiptFolder::open(int *nextNumber, QString *error)
{
    if (!QDir().mkpath(m_path)) {
        *error = u"cannot make %1"_s.arg(m_path);
        return false;
    }
    static const QRegularExpression numbered(u"^receipt-(\\d+)\\."_s);
    int highest = 0;
    const QStringList names = QDir(m_path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                     | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        bool ok = false;
        const int number = numbered.match(name).captured(1).toInt(&ok);
        if (ok && number < std::numeric_limits<int>::max())
            highest = qMax(highest, number);
    }
    *nextNumber = highest + 1;
    return true;
}

int ReceiptFolder::freeNumber(int from) const
{
    // A number is free when neither its picture nor its JSON is there, as a file or a link.
    const auto taken = [this](const QString &name) {
        struct stat status
        {};
        return ::lstat(QFile::encodeName(QDir(m_path).filePath(name)).constData(), &status) == 0;
    };
    int number = from;
    while (taken(fileName(number)) || taken(fileName(number).chopped(4) + u".json"_s))
        ++number;
    return number;
}

QString ReceiptFolder::save(const KeptReceipt &receipt, QString *error)
{
    const QString name = fileName(receipt.number);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    if (!emulator::Renderer::writePng(ReceiptExport::picture(receipt.receipt), &png)) {
        *error = u"cannot save %1: the picture cannot be encoded"_s.arg(name);
        return {};
    }
    // The receipt as data first, so that a reader who waits for the picture finds both.
    const QString json = name.chopped(4) + u".json"_s;
    if (!writeFile(json,
                   emulator::ReceiptJson::write({receipt.receipt}, receipt.receipt.paperDots),
                   error)
        || !writeFile(name, png.data(), error))
        return {};
    return QDir(m_path).filePath(name);
}

bool ReceiptFolder::writeFile(const QString &name, QByteArrayView bytes, QString *error)
{
    const QString target = QDir(m_path).filePath(name);
    // A name no one can guess, so that nothing planted under it is opened.
    const QByteArray temporary = QFile::encodeName(
            QDir(m_path).filePath(u".%1.%2.part"_s.arg(name).arg(
                    QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'))));
    int fd = openNew(temporary);
    int failure = fd < 0 ? errno : 0;
    if (failure == ENOENT && QDir().mkpath(m_path)) {
        // The folder was deleted while serving: it is made again.
        fd = openNew(temporary);
        failure = fd < 0 ? errno : 0;
    }
    if (failure == 0)
        failure = writeAll(fd, bytes);
    if (fd >= 0 && ::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0)
        failure = renameNew(temporary, QFile::encodeName(target));
    if (failure == 0)
        return true;
    if (fd >= 0)
        ::unlink(temporary.constData());
    *error = u"cannot save %1: %2"_s.arg(target, systemError(failure));
    return false;
}

} // namespace vprinter
