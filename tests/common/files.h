#pragma once

// Whole files in and out of a test's folder, listings, permission bits and times: one copy for
// every test that lays files out or proves what was written.
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringList>

#include <sys/stat.h>

// The bytes of a file, or "<missing>" when it cannot be opened.
inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("<missing>");
}

// Writes a file whole, making its folder first; false when any step fails.
[[nodiscard]] inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The names of the plain files of a folder, hidden ones too, sorted by name without regard to
// case (FIFOs, devices and folders are not listed).
inline QStringList fileNames(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

// "a b c" as {"a", "b", "c"}: lists of file names written on one line ("" is the empty list).
inline QStringList words(const char *spaced)
{
    return QString::fromUtf8(spaced).split(u' ', Qt::SkipEmptyParts);
}

// Every plain file under a folder (relative path) with its bytes, to prove that a failed
// operation left it as it was. FIFOs and devices are never opened.
inline QMap<QString, QByteArray> snapshotFiles(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), readBytes(path));
    }
    return files;
}

// What `stat` says of a path (mode, inode, ...); st_mode is 0 when nothing is there.
inline struct stat statOf(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        info = {};
    return info;
}

// The permission bits (07777) of a path, -1 when nothing is there.
inline int modeBits(const QString &path)
{
    const mode_t mode = statOf(path).st_mode;
    return mode == 0 ? -1 : int(mode & 07777);
}

[[nodiscard]] inline bool setModeBits(const QString &path, int bits)
{
    return ::chmod(QFile::encodeName(path).constData(), mode_t(bits)) == 0;
}

// Sets a file's modification time.
[[nodiscard]] inline bool stampFile(const QString &path, const QDateTime &when)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(when, QFileDevice::FileModificationTime);
}
