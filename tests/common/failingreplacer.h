#pragma once

#include "model/atomicfile.h"

#include <QSaveFile>

#include <cerrno>

// Replaces files as on disk, except for the step a test makes fail the way the system would:
// a write that starts at or past `failWriteFrom` bytes of a file runs out of space, and with
// `failCommits` every rename over the old file is refused.
class FailingReplacer : public FileReplacer
{
public:
    qint64 failWriteFrom = -1;
    bool failCommits = false;
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
        ++commits;
        if (failCommits)
            return reasonFromSystem(qt_error_string(EACCES));
        return FileReplacer::commit(file);
    }
};
