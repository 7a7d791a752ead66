#pragma once

#include "model/atomicfile.h"

#include <QSaveFile>

#include <cerrno>

// Replaces files as on disk, except for the step a test makes fail the way the system would:
// a write that starts at or past `failWriteFrom` bytes of a file runs out of space, and the
// rename over the old file is refused from commit number `failCommitFrom` on (counting from 0
// over this replacer's life, so 1 lets the first file of a pair through). `failReadMode` makes
// reading an existing file's permissions an I/O error, `failKeepOld` refuses the second name
// an old file is kept under, and `failPutBack` refuses to undo a rename.
class FailingReplacer : public FileReplacer
{
public:
    qint64 failWriteFrom = -1;
    int failCommitFrom = -1;
    bool failReadMode = false;
    bool failKeepOld = false;
    bool failPutBack = false;
    int writes = 0;
    int commits = 0;

protected:
    std::optional<QString> readMode(const QString &path, std::optional<uint> &mode) override
    {
        const std::optional<QString> reason = FileReplacer::readMode(path, mode);
        if (failReadMode && !reason && mode)
            return reasonFromSystem(qt_error_string(EIO));
        return reason;
    }
    std::optional<QString> writeChunk(QSaveFile &file, const char *data, qint64 size) override
    {
        ++writes;
        if (failWriteFrom >= 0 && file.pos() >= failWriteFrom)
            return reasonFromSystem(qt_error_string(ENOSPC));
        return FileReplacer::writeChunk(file, data, size);
    }
    std::optional<QString> commit(QSaveFile &file) override
    {
        const int number = commits++;
        if (failCommitFrom >= 0 && number >= failCommitFrom)
            return reasonFromSystem(qt_error_string(EACCES));
        return FileReplacer::commit(file);
    }
    std::optional<QString> keepOld(const QString &target, const QString &keep) override
    {
        if (failKeepOld)
            return reasonFromSystem(qt_error_string(EMLINK));
        return FileReplacer::keepOld(target, keep);
    }
    std::optional<QString> putBack(const QString &target, const QString &keep) override
    {
        if (failPutBack)
            return reasonFromSystem(qt_error_string(EIO));
        return FileReplacer::putBack(target, keep);
    }
};
