#pragma once

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

// A throw-away program folder for window tests, with helpers to lay files into it and to
// prove afterwards that nothing was written.
class TempProgramFolder
{
public:
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile f(file(name));
        QDir().mkpath(QFileInfo(f).absolutePath());
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }

    QByteArray read(const QString &name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The standard settings with the given favourites and music lines.
    void writeSettings(const QByteArray &game = "player", const QByteArray &favorites = "LoadFavorites=No",
                       const QByteArray &music = "EnableMusic=No") const
    {
        write(QStringLiteral("options.cfg"), "[Quorvane Settings]\r\n" + game + "\r\n" + favorites + "\r\n" +
                                                 music + "\r\nUseProxy=No\r\nnull\r\nnull\r\n");
    }

    // Every file's name and content hash: compare two snapshots to prove nothing was written.
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString name = it.next();
            QFile f(name);
            if (f.open(QIODevice::ReadOnly))
                files.insert(QDir(path()).relativeFilePath(name),
                             QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256));
        }
        return files;
    }

private:
    QTemporaryDir m_dir;
};
