#pragma once

#include <QList>
#include <QString>

#include <optional>

// Whether the failed operation was reading the file or replacing it.
enum class FileAction { Read, Write };

// A file that a failed replacement of several files had already changed and could not put back.
struct ChangedFile
{
    QString path;
    QString keptAs; // where its old content still is; empty when it did not exist before
};

// Why a game file could not be read or written. Logic returns it; windows show it.
struct FileError
{
    QString path;   // the file concerned, as the player would look for it; empty when the command
                    // found no file to work on (no game loaded), and `reason` is then the message
    int line = 0;   // 1-based line for a malformed file, 0 when not about a line
    QString reason; // short, e.g. "the cash line is not a number"
    FileAction action = FileAction::Read;
    // Only for a failed write: the files it changed all the same. Empty means nothing changed.
    QList<ChangedFile> changed = {};

    // One sentence for a message box, naming the file (and the line when known).
    QString text() const;
};

// A message from the system ("Permission denied") shaped to sit inside a sentence.
QString reasonFromSystem(const QString &message);

// An operation that may fail: nothing on success.
using FileStatus = std::optional<FileError>;
