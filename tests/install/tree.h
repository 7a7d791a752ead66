#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringList>

#include <unistd.h>

// Where a link points, as written in it; empty for anything but a link.
inline QString linkText(const QString &path)
{
    char target[4096];
    const ssize_t size = ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
    return size < 0 ? QString() : QFile::decodeName(QByteArray(target, int(size)));
}

// Every file and link under a folder, relative to it and sorted, a link as "name -> target".
inline QStringList installedTree(const QString &root)
{
    QStringList tree;
    QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString link = linkText(path);
        tree << QDir(root).relativeFilePath(path) +
                    (link.isEmpty() ? QString() : QStringLiteral(" -> ") + link);
    }
    tree.sort();
    return tree;
}
