#pragma once

#include <QString>

#include <optional>

// Whether the failed operation was reading the file or replacing it.
enum class FileAction { Read, Write };

// Why a game file could not be read or written. Logic returns it; windows show it.
struct FileError
{
    QString path;   // the file concerned, as the player would look for it
    int line = 0;   // 1-based line for a malformed file, 0 when not about a line
    QString reason; // short, e.g. "the cash line is not a number"
    FileAction action = FileAction::Read;

    // One sentence for a message box, naming the file (and the line when known).
    QString text() const;
};

// A message from the system ("Permission denied") shaped to sit inside a sentence.
QString reasonFromSystem(const QString &message);

// An operation that may fail: nothing on success.
using FileStatus = std::optional<FileError>;
