#pragma once

#include "common/files.h"

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
        if (!writeBytes(file(name), bytes))
            qWarning("cannot lay out %s", qPrintable(name));
    }

    // Empty when the file cannot be read.
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

    // Every file with its bytes: compare two snapshots to prove nothing was written.
    QMap<QString, QByteArray> snapshot() const { return snapshotFiles(path()); }

private:
    QTemporaryDir m_dir;
};
