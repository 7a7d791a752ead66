#pragma once

#include "model/atomicfile.h"

#include <QSaveFile>

#include <cerrno>

// Replaces files as on disk, except for the step a test makes fail the way the system would:
// a write that starts at or past `failWriteFrom` bytes of a file runs out of space, and the
// rename over the old file is refused from commit number `failCommitFrom` on (counting from 0
// over this replacer's life, so 1 lets the first file of a pair through).
class FailingReplacer : public FileReplacer
{
public:
    qint64 failWriteFrom = -1;
    int failCommitFrom = -1;
    int writes = 0;
    int commits = 0;

protected:
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
};
