#include "regularfile.h"

#include "fileerror.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

ReadFailure systemFailure(int error)
{
    if (error == ENOENT)
        return ReadFailure{ReadFailure::Kind::Missing, QStringLiteral("the file does not exist"), QString()};
    return ReadFailure{ReadFailure::Kind::System, reasonFromSystem(qt_error_string(error)), QString()};
}

std::optional<ReadFailure> notRegular(mode_t mode)
{
    if (S_ISREG(mode))
        return std::nullopt;
    const QString what = S_ISDIR(mode)                    ? QStringLiteral("a folder")
                         : S_ISFIFO(mode)                 ? QStringLiteral("a named pipe")
                         : S_ISCHR(mode) || S_ISBLK(mode) ? QStringLiteral("a device")
                         : S_ISSOCK(mode)                 ? QStringLiteral("a socket")
                                                          : QStringLiteral("not a plain file");
    return ReadFailure{
        ReadFailure::Kind::NotRegular,
        QStringLiteral("it is %1, not a file: remove it or put the real file in its place").arg(what), what};
}

} // namespace

std::optional<ReadFailure> checkRegularFile(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return systemFailure(errno);
    return notRegular(info.st_mode);
}

std::optional<ReadFailure> readRegularFile(const QString &path, qint64 limit, QByteArray &out)
{
    // Looked at first so that a device is not even opened (opening some has side effects).
    if (std::optional<ReadFailure> bad = checkRegularFile(path))
        return bad;
    // Something else may have been put there since: O_NONBLOCK keeps open() of a FIFO from
    // waiting for a writer, and fstat says what was really opened.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return systemFailure(errno);
    struct stat info;
    std::optional<ReadFailure> failure;
    if (::fstat(fd, &info) != 0)
        failure = systemFailure(errno);
    else
        failure = notRegular(info.st_mode);
    if (!failure) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0)
            (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }

    QByteArray bytes;
    while (!failure && bytes.size() < limit) {
        char buffer[65536];
        const qint64 wanted = qMin<qint64>(qint64(sizeof buffer), limit - bytes.size());
        const ssize_t got = ::read(fd, buffer, size_t(wanted));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            failure = systemFailure(errno);
        else if (got == 0)
            break;
        else
            bytes.append(buffer, qsizetype(got));
    }
    ::close(fd);
    if (failure)
        return failure;
    out = bytes;
    return std::nullopt;
}
