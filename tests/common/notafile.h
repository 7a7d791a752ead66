#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#include <sys/stat.h>
#include <sys/sysmacros.h>

// Puts something other than a file at `path`: "named pipe", "folder" or "device". The device is
// a null device node of the test's own, never a link to /dev/null: code that wrongly replaced
// it would replace the system's. False when it cannot be made (a device needs root).
inline bool putNotAFile(const QString &path, const QString &thing)
{
    const QByteArray name = QFile::encodeName(path);
    if (thing == QLatin1String("named pipe"))
        return ::mkfifo(name.constData(), 0600) == 0;
    if (thing == QLatin1String("folder"))
        return QDir().mkdir(path);
    return ::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 3)) == 0;
}
