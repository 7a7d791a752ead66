#pragma once

#include "fileerror.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// Replaces a file's whole content without ever leaving it half written: the bytes go to a
// temporary file beside it (a name ending ".tmp", which no game, favourites or settings
// file can have), are flushed and fsynced, renamed over the old file, then the folder is
// fsynced. On any failure the old file is untouched and the temporary file is removed.
FileStatus replaceFileAtomically(const QString &path, const QByteArray &content);

struct FileReplacement
{
    QString path;
    QByteArray content;
};
// Several files at once: every temporary file is written and synced before the first rename,
// so a failed write changes none of them. The renames happen in list order.
FileStatus replaceFilesAtomically(const QList<FileReplacement> &files);

// The temporary file used while replacing `path`.
QString temporaryPathFor(const QString &path);

// Fault injection for tests: called before each chunk is written to the temporary file,
// with the number of bytes written so far; returning false makes that write fail.
// Pass an empty function to restore normal writing.
void setAtomicWriteHook(std::function<bool(qint64 writtenSoFar)> hook);
// Fault injection for tests: called before the temporary file is renamed over `path`;
// returning false makes the rename fail. Pass an empty function to restore normal renaming.
void setAtomicRenameHook(std::function<bool(const QString &path)> hook);
// For benchmarks only: skips the fsync calls so their cost can be measured apart.
void setAtomicFsyncEnabled(bool enabled);
