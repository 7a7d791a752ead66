#include "programfolder.h"

#include "atomicfile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <unistd.h>

namespace {

bool writableFolder(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}

// Saved games, favourites, settings and tips: the player's, never replaced once there.
bool ownedByPlayer(const QString &relative)
{
    if (relative == QLatin1String("options.cfg"))
        return true;
    if (!relative.contains(u'/'))
        return relative.endsWith(QLatin1String(".qvn")) || relative.endsWith(QLatin1String(".fav"));
    return relative.startsWith(QLatin1String("tips/")) && relative.endsWith(QLatin1String(".txt"));
}

// Executables and shared libraries are run from the installation, never copied.
bool isProgram(const QFileInfo &file)
{
    return file.isExecutable() || file.suffix() == QLatin1String("so");
}

std::optional<QByteArray> readAll(const QString &path, QString &why)
{
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly)) {
        why = source.errorString();
        return std::nullopt;
    }
    QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError) {
        why = source.errorString();
        return std::nullopt;
    }
    return bytes;
}

// A shipped file that can be fetched again: whole or not at all, stamped with the source's
// time so the next start sees it as current.
std::optional<QString> copyShipped(const QFileInfo &source, const QString &target)
{
    QString why;
    const std::optional<QByteArray> bytes = readAll(source.filePath(), why);
    if (!bytes)
        return why;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(*bytes) != bytes->size() || !out.commit())
        return out.errorString();
    QFile stamped(target);
    if (stamped.open(QIODevice::ReadWrite))
        stamped.setFileTime(source.lastModified(), QFileDevice::FileModificationTime);
    return std::nullopt;
}

// An install into a prefix puts the programs in <prefix>/lib/games/quorvane and what they read in
// <prefix>/share/games/quorvane; the build folder holds both.
QString shippedDataFolder(const QString &executableFolder)
{
    const QString data = QDir::cleanPath(executableFolder + QStringLiteral("/../../../share/games/quorvane"));
    return QFileInfo(data).isDir() ? data : executableFolder;
}

} // namespace

QStringList refreshPerUserCopy(const QString &installed, const QString &copy)
{
    QStringList problems;
    const QDir from(installed);
    QDirIterator it(installed, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo source = it.fileInfo();
        if (isProgram(source))
            continue;
        const QString relative = from.relativeFilePath(source.filePath());
        const QString target = copy + u'/' + relative;
        const QFileInfo existing(target);
        const bool player = ownedByPlayer(relative);
        if (existing.exists() && (player || (existing.size() == source.size() &&
                                             existing.lastModified() == source.lastModified())))
            continue;
        if (!QDir().mkpath(existing.absolutePath())) {
            problems << QStringLiteral("%1: the folder %2 cannot be created")
                            .arg(relative, existing.absolutePath());
            continue;
        }
        std::optional<QString> failure;
        if (player) {
            // Copied once and then the player's alone: on disk for good before the game reads it.
            QString why;
            if (const std::optional<QByteArray> bytes = readAll(source.filePath(), why)) {
                if (const FileStatus status = FileReplacer::onDisk().replace(target, *bytes))
                    failure = status->reason;
            } else {
                failure = why;
            }
        } else {
            failure = copyShipped(source, target);
        }
        if (failure)
            problems << QStringLiteral("%1: %2").arg(relative, *failure);
    }
    return problems;
}

ProgramFolderChoice chooseProgramFolder(const QString &executableFolder, const QString &perUserFolder)
{
    const auto playable = [](const QString &folder) {
        return QFileInfo(folder + QStringLiteral("/options.cfg")).isFile() && writableFolder(folder);
    };
    const QString own = QDir::cleanPath(executableFolder);
    if (playable(own))
        return {own, own, {}};
    const QString shipped = shippedDataFolder(own);
    if (playable(shipped))
        return {shipped, shipped, {}};
    const QString copy = QDir::cleanPath(perUserFolder);
    if (!QDir().mkpath(copy))
        return {copy, shipped, {QStringLiteral("the folder %1 cannot be created").arg(copy)}};
    return {copy, shipped, refreshPerUserCopy(shipped, copy)};
}
