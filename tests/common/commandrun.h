#pragma once

// Running the tools the install and package tests call, reading the files they leave, and
// playing the installed game against the market it starts.
#include "common/marketprocess.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

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

// The game just started: its one child is `market`, which answers quotes on the default port
// and, the game killed without a chance to stop it, ends by itself.
inline void checkGameTakesItsMarketAlong(QProcess &game, const QString &market)
{
    QVERIFY(game.waitForStarted(10000));
    QVERIFY2(QTest::qWaitFor([] { return answersQuotes(8421); }, 20000), "the game started no market");
    // The launcher execs the game, so the game is the process started.
    const QList<QByteArray> children =
        readOrMissing(QStringLiteral("/proc/%1/task/%1/children").arg(game.processId())).trimmed().split(' ');
    QCOMPARE(children.size(), 1);
    const qint64 pid = children.first().toLongLong();
    QCOMPARE(QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget(), market);
    game.kill();
    QVERIFY(game.waitForFinished(10000));
    QVERIFY2(waitForExit(pid, 10000), "the market outlived the game");
}
