#pragma once

#include "fileerror.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Replaces a file's whole content without ever leaving it half written: the bytes go to a
// temporary file beside it (a name ending ".tmp", which no game, favourites or settings
// file can have), are flushed and fsynced, renamed over the old file, then the folder is
// fsynced. On any failure the old file is untouched and the temporary file is removed.
FileStatus replaceFileAtomically(const QString &path, const QByteArray &content);

// Fault injection for tests: called before each chunk is written to the temporary file,
// with the number of bytes written so far; returning false makes that write fail.
// Pass an empty function to restore normal writing.
void setAtomicWriteHook(std::function<bool(qint64 writtenSoFar)> hook);
