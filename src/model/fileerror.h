#pragma once

#include <QString>

#include <optional>

// Why a game file could not be read or written. Logic returns it; windows show it.
struct FileError
{
    QString path;   // the file concerned, as the player would look for it
    int line = 0;   // 1-based line for a malformed file, 0 when not about a line
    QString reason; // short, e.g. "the cash line is not a number"

    // One sentence for a message box, naming the file (and the line when known).
    QString text() const;
};

// An operation that may fail: nothing on success.
using FileStatus = std::optional<FileError>;
