#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Why a file that should hold data could not be read.
struct ReadFailure
{
    enum class Kind {
        Missing,    // nothing at that path
        NotRegular, // a folder, FIFO, device or socket stands where the file should be
        System,     // the system refused (permissions, I/O error, a path through a file, ...)
    };
    Kind kind = Kind::System;
    QString reason; // shaped to sit inside a sentence, e.g. "the file does not exist"
    QString found;  // for NotRegular only: what stands there, e.g. "a folder"
};

// Whether a regular file (a symbolic link to one counts) stands at `path`; nothing when it does.
// Nothing is opened, so a FIFO or device in the way is never touched.
std::optional<ReadFailure> checkRegularFile(const QString &path);

// At most `limit` bytes of the regular file at `path`. A FIFO or device in its place is refused
// at once instead of blocking the game in open() or read(): the file is opened without waiting,
// and what was opened is checked again before anything is read. `out` is written only on success.
std::optional<ReadFailure> readRegularFile(const QString &path, qint64 limit, QByteArray &out);
