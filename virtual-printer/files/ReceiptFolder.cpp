#include "ReceiptFolder.h"

#include "KeptReceipt.h"
#include "ReceiptJson.h"
#include "Renderer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

// The hidden file that holds a number for the printer writing that receipt: it holds the
// printer's process id.
QString claimName(int number)
{
    return u".receipt-%1.claim"_s.arg(number, 4, 10, QLatin1Char('0'));
}

bool exists(const QString &path)
{
    struct stat status
    {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

// The process is this one, or is gone: what it left half done is no one's any more.
bool gone(qint64 pid)
{
    return pid > 0 && (pid == ::getpid() || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH));
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
    const QDir folder(m_path);
    // ".receipt-0007.png.1234.0123456789abcdef.part": a temporary file of process 1234; without
    // the process id, of a printer of an earlier version.
    static const QRegularExpression temporary(
            u"^\\.receipt-\\d+\\.(png|json)(\\.\\d+)?\\.[0-9a-f]{16}\\.part$"_s);
    static const QRegularExpression claimed(u"^\\.receipt-(\\d+)\\.claim$"_s);
    static const QRegularExpression numbered(u"^receipt-(\\d+)\\.(png|json)$"_s);
    QStringList names = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                         | QDir::NoDotAndDotDot);
    const QSet<QString> present(names.cbegin(), names.cend());
    const auto remove = [&folder](const QString &name) {
        ::unlink(QFile::encodeName(folder.filePath(name)).constData());
    };
    for (const QString &name : std::as_const(names)) {
        if (const auto match = temporary.match(name); match.hasMatch()) {
            if (match.captured(2).isEmpty() || gone(match.captured(2).mid(1).toLongLong()))
                remove(name);
        } else if (const auto match = claimed.match(name); match.hasMatch()) {
            QFile claim(folder.filePath(name));
            if (!claim.open(QIODevice::ReadOnly) || !gone(claim.readAll().trimmed().toLongLong()))
                continue;
            // A claim left behind: its picture may be there, its JSON never is.
            const QString png = fileName(match.captured(1).toInt());
            if (!present.contains(png.chopped(4) + u".json"_s))
                remove(png);
            remove(name);
        }
    }
    names = folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    int highest = 0;
    for (const QString &name : std::as_const(names)) {
        const auto match = numbered.match(name);
        bool ok = false;
        const qint64 number = match.captured(1).toLongLong(&ok);
        if (!ok || number > MaxNumber)
            continue; // a file past the last number is left alone
        // A JSON without its picture was left by a save that did not finish.
        if (match.captured(2) == u"json"_s && !names.contains(name.chopped(5) + u".png"_s)) {
            remove(name);
            continue;
        }
        highest = qMax(highest, int(number));
    }
    *nextNumber = highest + 1;
    return true;
}

int ReceiptFolder::claim(int from, QString *error) const
{
    // A number is free when neither its picture nor its JSON is there, as a file or a link, and
    // no other printer has claimed it.
    const QDir folder(m_path);
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    for (int number = from; number <= MaxNumber; ++number) {
        const QString png = fileName(number);
        if (exists(folder.filePath(png)) || exists(folder.filePath(png.chopped(4) + u".json"_s)))
            continue;
        const QByteArray path = QFile::encodeName(folder.filePath(claimName(number)));
        int fd = openNew(path);
        if (fd < 0 && errno == ENOENT && QDir().mkpath(m_path))
            fd = openNew(path); // the folder was deleted while serving: it is made again
        if (fd < 0 && errno == EEXIST)
            continue;
        const int failure = fd < 0 ? errno : 0;
        if (fd >= 0) {
            // Without the process id the claim is only cleaned up by this printer.
            [[maybe_unused]] const ssize_t written = ::write(
                    fd, pid.constData(), size_t(pid.size()));
            ::close(fd);
            return number;
        }
        *error = u"cannot save %1: %2"_s.arg(folder.filePath(png), systemError(failure));
        return -1;
    }
    *error = u"cannot save receipt %1: receipt numbers end at %2; save into another folder"_s
                     .arg(from)
                     .arg(MaxNumber);
    return -1;
}

QString ReceiptFolder::save(const KeptReceipt &receipt,
                            const emulator::Renderer &renderer,
                            QString *error) const
{
    const QString name = fileName(receipt.number);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    bool saved = false;
    if (!renderer.writeReceiptPng(receipt.receipt, &png)) {
        *error = u"cannot save %1: the picture cannot be encoded"_s.arg(name);
    } else if (writeFile(name, png.data(), error)) {
        // The picture first: a reader who waits for the JSON finds both.
        saved = writeFile(name.chopped(4) + u".json"_s,
                          emulator::ReceiptJson::write(
                                  {receipt.receipt}, receipt.receipt.paperDots, receipt.source),
                          error);
        if (!saved) // a picture without its JSON is no saved receipt
            ::unlink(QFile::encodeName(QDir(m_path).filePath(name)).constData());
    }
    ::unlink(QFile::encodeName(QDir(m_path).filePath(claimName(receipt.number))).constData());
    return saved ? QDir(m_path).filePath(name) : QString();
}

bool ReceiptFolder::writeFile(const QString &name, QByteArrayView bytes, QString *error) const
{
    const QString target = QDir(m_path).filePath(name);
    // A name no one can guess, so that nothing planted under it is opened; the process id tells
    // a printer starting later whether its writer is still at work.
    const QByteArray temporary = QFile::encodeName(QDir(m_path).filePath(
            u".%1.%2.%3.part"_s.arg(name)
                    .arg(qint64(::getpid()))
                    .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'))));
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
