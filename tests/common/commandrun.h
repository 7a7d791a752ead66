#pragma once

// Running the tools the install and package tests call, and reading the files they leave.
#include <QFile>
#include <QProcess>

struct CommandResult
{
    bool ok = false;
    QString output;
    // The end is where a tool says what went wrong.
    QByteArray tail() const { return output.right(4000).toLocal8Bit(); }
};

// Runs `program` to its end (four minutes at most), in `folder` and `env` when given.
inline CommandResult runCommand(const QString &program, const QStringList &args, const QString &folder = {},
                                const QProcessEnvironment &env = {})
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    p.start(program, args);
    const bool ended = p.waitForFinished(240000);
    const QString output = QString::fromLocal8Bit(p.readAll());
    return {ended && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
            program + u' ' + args.join(u' ') + QStringLiteral(":\n") + output};
}

inline QByteArray readOrMissing(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
