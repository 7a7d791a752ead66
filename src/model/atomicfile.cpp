#include "atomicfile.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

// Small enough that a test can fail a write in the middle of a game file.
constexpr qint64 kChunkSize = 1024;

FileError writeError(const QString &path, const QString &reason)
{
    return FileError{path, 0, reason, FileAction::Write};
}

// The folder whose entry the rename changed: a symbolic link's target is what gets replaced.
QString folderOf(const QString &path)
{
    const QFileInfo info(path);
    return info.isSymLink() ? QFileInfo(info.symLinkTarget()).absolutePath() : info.absolutePath();
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
    for (const FileReplacement &file : files) {
        if (QFileInfo(file.path).isDir())
            return writeError(file.path, reasonFromSystem(qt_error_string(EISDIR)));
        auto save = std::make_unique<QSaveFile>(file.path);
        if (!save->open(QIODevice::WriteOnly))
            return writeError(file.path, reasonFromSystem(save->errorString()));
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
    }

    QSet<QString> folders;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString folder = folderOf(files[i].path);
        const std::optional<QString> reason = commit(*written[size_t(i)]);
        if (reason) {
            // The files before this one are replaced already; make that durable too.
            for (const QString &done : std::as_const(folders))
                syncFolder(done);
            return writeError(files[i].path, *reason);
        }
        folders.insert(folder);
    }
    for (const QString &folder : std::as_const(folders))
        syncFolder(folder);
    return std::nullopt;
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
