#include "atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::function<bool(qint64)> g_writeHook;
std::function<bool(const QString &)> g_renameHook;
bool g_fsyncEnabled = true;

// Small enough that a test can fail a write in the middle of a game file.
constexpr qint64 kChunkSize = 1024;

struct PendingFile
{
    QString path;      // as the caller named it, for errors
    QByteArray target; // the file actually replaced (a symbolic link is followed)
    QByteArray temporary;
    bool written = false;
};

FileError writeError(const QString &path, int error)
{
    return FileError{path, 0, reasonFromSystem(qt_error_string(error)), FileAction::Write};
}

QByteArray folderOf(const QByteArray &file)
{
    const qsizetype slash = file.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : file.left(slash);
}

FileStatus writeTemporary(PendingFile &file, const QByteArray &content)
{
    // A temporary file left by a crash is stale; a fresh one is created below.
    if (::unlink(file.temporary.constData()) != 0 && errno != ENOENT)
        return writeError(file.path, errno);

    struct stat old;
    const bool replacing = ::stat(file.target.constData(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode))
        return writeError(file.path, EISDIR);

    const int fd = ::open(file.temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return writeError(file.path, errno);
    file.written = true;
    if (replacing)
        (void)::fchmod(fd, old.st_mode & 07777); // the new file keeps the old one's permissions

    int error = 0;
    qint64 done = 0;
    while (error == 0 && done < content.size()) {
        if (g_writeHook && !g_writeHook(done)) {
            error = ENOSPC;
            break;
        }
        const ssize_t n =
            ::write(fd, content.constData() + done, size_t(qMin(kChunkSize, content.size() - done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = errno;
        else
            done += n;
    }
    if (error == 0 && g_fsyncEnabled && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        return writeError(file.path, error);
    return std::nullopt;
}

void removeTemporaries(QList<PendingFile> &files, qsizetype from)
{
    for (qsizetype i = from; i < files.size(); ++i) {
        if (files[i].written)
            ::unlink(files[i].temporary.constData());
    }
}

void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    // The rename has already happened, so the new content is in place either way; a failing
    // folder sync only weakens the guarantee against a power cut and is not reported.
    (void)::fsync(fd);
    ::close(fd);
}

void syncFolders(const QSet<QByteArray> &folders)
{
    if (!g_fsyncEnabled)
        return;
    for (const QByteArray &folder : folders)
        syncFolder(folder);
}

} // namespace

QString temporaryPathFor(const QString &path)
{
    return path + QStringLiteral(".tmp");
}

FileStatus replaceFileAtomically(const QString &path, const QByteArray &content)
{
    return replaceFilesAtomically({FileReplacement{path, content}});
}

FileStatus replaceFilesAtomically(const QList<FileReplacement> &files)
{
    QList<PendingFile> pending;
    for (const FileReplacement &file : files) {
        PendingFile p;
        p.path = file.path;
        QString target = file.path;
        const QFileInfo info(file.path);
        if (info.isSymLink())
            target = info.symLinkTarget();
        p.target = QFile::encodeName(target);
        p.temporary = QFile::encodeName(temporaryPathFor(target));
        pending.append(p);
    }

    for (qsizetype i = 0; i < pending.size(); ++i) {
        if (FileStatus failed = writeTemporary(pending[i], files[i].content)) {
            removeTemporaries(pending, 0);
            return failed;
        }
    }

    QSet<QByteArray> folders;
    for (qsizetype i = 0; i < pending.size(); ++i) {
        PendingFile &file = pending[i];
        int error = 0;
        if (g_renameHook && !g_renameHook(file.path))
            error = EACCES;
        else if (::rename(file.temporary.constData(), file.target.constData()) != 0)
            error = errno;
        if (error != 0) {
            removeTemporaries(pending, i);
            syncFolders(folders);
            return writeError(file.path, error);
        }
        folders.insert(folderOf(file.target));
    }
    syncFolders(folders);
    return std::nullopt;
}

void setAtomicWriteHook(std::function<bool(qint64 writtenSoFar)> hook)
{
    g_writeHook = std::move(hook);
}

void setAtomicRenameHook(std::function<bool(const QString &path)> hook)
{
    g_renameHook = std::move(hook);
}

void setAtomicFsyncEnabled(bool enabled)
{
    g_fsyncEnabled = enabled;
}
