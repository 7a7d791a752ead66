#pragma once

#include "fileerror.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class QSaveFile;

struct FileReplacement
{
    QString path;
    QByteArray content;
};

// Replaces a file's whole content without ever leaving it half written: the bytes go to a
// QSaveFile beside it (flushed, fsynced, renamed over the old file, whose permission bits it
// keeps; a symbolic link is followed), then the folder is fsynced. On any failure the old file
// is untouched and no temporary file stays behind. An existing file whose permissions cannot
// be read is not replaced at all: the defaults are for new files only.
//
// The game receives one replacer and writes every file a player would miss through it. Its
// steps are virtual so that a test can make one of them fail the way the system would.
class FileReplacer
{
public:
    virtual ~FileReplacer() = default;

    FileStatus replace(const QString &path, const QByteArray &content);
    // Several files at once: every file is written before the first rename, so a failed write
    // changes none of them. The renames happen in list order; each old file is kept under a
    // second name until the last rename is done, so a failed rename puts the earlier files back.
    // Only what could not be put back is listed in the error's `changed`.
    FileStatus replace(const QList<FileReplacement> &files);

    // The replacer that writes to disk and fails only when the system does.
    static FileReplacer &onDisk();

protected:
    // The permission bits of the file at `path` (a link followed), or nothing when there is no
    // file yet; on failure, why.
    virtual std::optional<QString> readMode(const QString &path, std::optional<uint> &mode);
    // Writes one piece of a file's new content; on failure, why.
    virtual std::optional<QString> writeChunk(QSaveFile &file, const char *data, qint64 size);
    // Syncs and renames the written file over the old one; on failure, why.
    virtual std::optional<QString> commit(QSaveFile &file);
    // Gives the old file `target` the second name `keep`; on failure, why.
    virtual std::optional<QString> keepOld(const QString &target, const QString &keep);
    // Undoes a rename: `keep` goes back over `target`, or `target` is removed when there was no
    // old file (`keep` empty); on failure, why.
    virtual std::optional<QString> putBack(const QString &target, const QString &keep);
};
