#include "atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Small enough that a test can fail a write in the middle of a game file.
constexpr qint64 kChunkSize = 1024;

FileError writeError(const QString &path, const QString &reason)
{
    return FileError{path, 0, reason, FileAction::Write};
}

QString systemReason(int error)
{
    return reasonFromSystem(qt_error_string(error));
}

// The file a rename really replaces: QSaveFile follows a chain of symbolic links the same way.
QString targetOf(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 128 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

// The folder whose entry the rename changed.
QString folderOf(const QString &path)
{
    return QFileInfo(targetOf(path)).absolutePath();
}

// A hidden name beside `target` for its old content while a pair of files is being replaced.
// It ends in neither ".qvn" nor ".fav", so no list of games ever shows it.
QString keptName(const QString &target)
{
    const QFileInfo info(target);
    const quint64 random = QRandomGenerator::global()->generate64();
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + u'.' + QString::number(random, 36) +
           QStringLiteral(".old");
}

void syncFolder(const QString &folder)
{
    const QByteArray name = QFile::encodeName(folder);
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    // The rename has already happened, so the new content is in place either way; a failing
    // folder sync only weakens the guarantee against a power cut and is not reported.
    (void)::fsync(fd);
    ::close(fd);
}

// An old file kept while the files after it are renamed; `keep` is empty for a file that is new.
struct KeptFile
{
    QString target;
    QString keep;
};

void dropKept(const std::vector<KeptFile> &kept, size_t from = 0)
{
    for (size_t i = from; i < kept.size(); ++i) {
        if (!kept[i].keep.isEmpty())
            (void)::unlink(QFile::encodeName(kept[i].keep).constData());
    }
}

} // namespace

FileReplacer &FileReplacer::onDisk()
{
    static FileReplacer replacer;
    return replacer;
}

FileStatus FileReplacer::replace(const QString &path, const QByteArray &content)
{
    return replace(QList<FileReplacement>{FileReplacement{path, content}});
}

FileStatus FileReplacer::replace(const QList<FileReplacement> &files)
{
    // An unfinished QSaveFile removes its temporary file when it goes, so every early return
    // below leaves the folder as it was.
    std::vector<std::unique_ptr<QSaveFile>> written;
    std::vector<bool> existed;
    for (const FileReplacement &file : files) {
        if (QFileInfo(file.path).isDir())
            return writeError(file.path, systemReason(EISDIR));
        // QSaveFile copies the old permissions itself, but takes a file it cannot examine for a
        // new one and gives it the defaults: such a file is better left alone.
        std::optional<uint> mode;
        if (const std::optional<QString> reason = readMode(file.path, mode))
            return writeError(file.path,
                              QStringLiteral("its permissions could not be read: %1").arg(*reason));
        auto save = std::make_unique<QSaveFile>(file.path);
        if (!save->open(QIODevice::WriteOnly))
            return writeError(file.path, reasonFromSystem(save->errorString()));
        if (mode && ::fchmod(save->handle(), mode_t(*mode)) != 0)
            return writeError(file.path, systemReason(errno));
        for (qint64 done = 0; done < file.content.size(); done += kChunkSize) {
            const qint64 size = qMin(kChunkSize, file.content.size() - done);
            if (const std::optional<QString> reason =
                    writeChunk(*save, file.content.constData() + done, size))
                return writeError(file.path, *reason);
        }
        // Qt 6.4 takes a short write (a full disk, the file size limit) for success and would
        // commit a cut file: the temporary file must hold every byte before it replaces anything.
        if (!save->flush())
            return writeError(file.path, reasonFromSystem(save->errorString()));
        if (save->size() != file.content.size())
            return writeError(file.path, QStringLiteral("only %1 of its %2 bytes could be written")
                                             .arg(save->size())
                                             .arg(file.content.size()));
        written.push_back(std::move(save));
        existed.push_back(mode.has_value());
    }

    // Every file but the last may have to be put back when a later rename fails.
    std::vector<KeptFile> kept;
    for (qsizetype i = 0; i + 1 < files.size(); ++i) {
        KeptFile file{targetOf(files[i].path), QString()};
        if (existed[size_t(i)]) {
            file.keep = keptName(file.target);
            if (const std::optional<QString> reason = keepOld(file.target, file.keep)) {
                dropKept(kept);
                return writeError(files[i].path,
                                  QStringLiteral("its old content could not be kept aside while it is "
                                                 "replaced: %1")
                                      .arg(*reason));
            }
        }
        kept.push_back(file);
    }

    QSet<QString> folders;
    for (qsizetype i = 0; i < files.size(); ++i) {
        folders.insert(folderOf(files[i].path));
        const std::optional<QString> reason = commit(*written[size_t(i)]);
        if (!reason)
            continue;
        FileError error = writeError(files[i].path, *reason);
        for (qsizetype j = i - 1; j >= 0; --j) {
            const KeptFile &file = kept[size_t(j)];
            // What cannot be put back keeps its old content under the second name, for the player.
            if (putBack(file.target, file.keep))
                error.changed.prepend(ChangedFile{files[j].path, file.keep});
        }
        dropKept(kept, size_t(i));
        for (const QString &done : std::as_const(folders))
            syncFolder(done);
        return error;
    }
    dropKept(kept);
    for (const QString &folder : std::as_const(folders))
        syncFolder(folder);
    return std::nullopt;
}

std::optional<QString> FileReplacer::readMode(const QString &path, std::optional<uint> &mode)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
        mode = uint(info.st_mode & 07777);
        return std::nullopt;
    }
    // No file there (or no folder for it): a new file, which gets the defaults.
    if (errno == ENOENT || errno == ENOTDIR) {
        mode.reset();
        return std::nullopt;
    }
    return systemReason(errno);
}

std::optional<QString> FileReplacer::writeChunk(QSaveFile &file, const char *data, qint64 size)
{
    if (file.write(data, size) != size)
        return reasonFromSystem(file.errorString());
    return std::nullopt;
}

std::optional<QString> FileReplacer::commit(QSaveFile &file)
{
    // QSaveFile flushes, fsyncs and renames over the old file here.
    if (!file.commit())
        return reasonFromSystem(file.errorString());
    return std::nullopt;
}

std::optional<QString> FileReplacer::keepOld(const QString &target, const QString &keep)
{
    // A second link is the old file itself, mode and owner included; a file system without
    // hard links gets a copy.
    if (::link(QFile::encodeName(target).constData(), QFile::encodeName(keep).constData()) == 0)
        return std::nullopt;
    const int linkError = errno;
    if (QFile::copy(target, keep))
        return std::nullopt;
    return systemReason(linkError);
}

std::optional<QString> FileReplacer::putBack(const QString &target, const QString &keep)
{
    const QByteArray targetName = QFile::encodeName(target);
    const int result = keep.isEmpty() ? ::unlink(targetName.constData())
                                      : ::rename(QFile::encodeName(keep).constData(), targetName.constData());
    if (result != 0)
        return systemReason(errno);
    return std::nullopt;
}
