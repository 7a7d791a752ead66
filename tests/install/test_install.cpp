// `cmake --install` into a folder of the player's own: the folder plays on its own (its game
// starts its own market and quotes), a second install keeps what the player changed, and the
// menu entry written for it passes the desktop's validator.
#include "common/commandrun.h"
#include "common/marketprocess.h"
#include "sync/localmarket.h"

#include <QDir>
#include <QtTest>

#include <unistd.h>

namespace {

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The children of a process, from /proc.
QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> children;
    for (const QByteArray &word :
         readOrMissing(QStringLiteral("/proc/%1/task/%1/children").arg(pid)).split(' '))
        if (const qint64 child = word.trimmed().toLongLong(); child > 0)
            children << child;
    return children;
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void laysOutACompleteFolder_data();
    void laysOutACompleteFolder();
    void installedGameStartsItsMarketAndTakesItAlong();
    void secondInstallKeepsThePlayersFiles();
    void menuEntryIsValid();

private:
    void install()
    {
        const CommandResult r = runCommand(QStringLiteral(CMAKE_COMMAND),
                                           {QStringLiteral("--install"), QStringLiteral(QUORVANE_BUILD_DIR),
                                            QStringLiteral("--prefix"), m_prefix});
        QVERIFY2(r.ok, r.tail().constData());
    }
    QString file(const QString &name) const { return m_prefix + u'/' + name; }

    QTemporaryDir m_root;
    QString m_prefix; // with a space, as a player's folder may have
};

void TestInstall::initTestCase()
{
    m_prefix = m_root.filePath(QStringLiteral("my games/quorvane"));
    install();
}

void TestInstall::laysOutACompleteFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("executable");
    for (const char *name : {"quorvane", "quorvane-market"})
        QTest::newRow(name) << QString::fromLatin1(name) << true;
    for (const char *name :
         {"libquorvane_music.so", "options.cfg", "player.qvn", "player.fav", "infos.html", "tips/0.txt",
          "help/index.html", "data/null.gif", "data/IBM.gif", "pictures/chick.png", "music/girlfrom.mod",
          "icons/quorvane-16.png", "icons/quorvane-256.png", "icons/quorvane.svg"})
        QTest::newRow(name) << QString::fromLatin1(name) << false;
}

void TestInstall::laysOutACompleteFolder()
{
    QFETCH(QString, name);
    QFETCH(bool, executable);
    const QFileInfo installed(file(name));
    QVERIFY2(installed.isFile() && installed.size() > 0, qPrintable(name));
    if (executable)
        QVERIFY(installed.isExecutable());
    // What the build folder holds, byte for byte (programs are rewritten for their new place).
    if (!executable && !name.endsWith(QLatin1String(".so")))
        QCOMPARE(readOrMissing(file(name)),
                 readOrMissing(qEnvironmentVariable("QUORVANE_PROGRAM_DIR") + u'/' + name));
}

void TestInstall::installedGameStartsItsMarketAndTakesItAlong()
{
    if (!portIsFree(LocalMarket::kDefaultPort))
        QSKIP("something already listens on 127.0.0.1:8421");
    QProcess game;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    game.setProcessEnvironment(env);
    game.setWorkingDirectory(m_root.path());
    game.start(file(QStringLiteral("quorvane")), {});
    QVERIFY(game.waitForStarted(10000));

    QVERIFY2(QTest::qWaitFor([] { return answersQuotes(LocalMarket::kDefaultPort); }, 15000),
             "the installed game started no market");
    const QList<qint64> children = childrenOf(game.processId());
    QCOMPARE(children.size(), 1);
    QCOMPARE(QFileInfo(QStringLiteral("/proc/%1/exe").arg(children.first())).symLinkTarget(),
             file(QStringLiteral("quorvane-market")));

    // Killed, the game gets no chance to stop the market: the market goes by itself.
    game.kill();
    QVERIFY(game.waitForFinished(10000));
    QVERIFY2(waitForExit(children.first(), 10000), "the market outlived the game");
}

void TestInstall::secondInstallKeepsThePlayersFiles()
{
    const QByteArray game("523.25\r\nIBM\r\n40\r\n");
    const QByteArray favourites("[Quorvane Favorites File]\r\nIBM\r\n");
    const QByteArray settings("[Quorvane Settings]\r\nplayer\r\nLoadFavorites=Yes\r\nEnableMusic=No\r\n"
                              "UseProxy=No\r\nnull\r\nnull\r\n");
    write(file(QStringLiteral("player.qvn")), game);
    write(file(QStringLiteral("player.fav")), favourites);
    write(file(QStringLiteral("options.cfg")), settings);
    write(file(QStringLiteral("tips/0.txt")), "my own tip");
    write(file(QStringLiteral("infos.html")), "damaged");

    install();
    QCOMPARE(readOrMissing(file(QStringLiteral("player.qvn"))), game);
    QCOMPARE(readOrMissing(file(QStringLiteral("player.fav"))), favourites);
    QCOMPARE(readOrMissing(file(QStringLiteral("options.cfg"))), settings);
    QCOMPARE(readOrMissing(file(QStringLiteral("tips/0.txt"))), QByteArray("my own tip"));
    // A shipped file is the installation's again.
    QCOMPARE(readOrMissing(file(QStringLiteral("infos.html"))),
             readOrMissing(qEnvironmentVariable("QUORVANE_PROGRAM_DIR") + QStringLiteral("/infos.html")));
}

void TestInstall::menuEntryIsValid()
{
    const QString data = m_root.filePath(QStringLiteral("share"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), data);
    const CommandResult r =
        runCommand(QStringLiteral(QUORVANE_SOURCE "/scripts/install-desktop-entry"), {m_prefix}, {}, env);
    QVERIFY2(r.ok, r.tail().constData());

    const QString entry = data + QStringLiteral("/applications/org.example.Quorvane.desktop");
    const CommandResult valid = runCommand(QStringLiteral("desktop-file-validate"), {entry});
    QVERIFY2(valid.ok, valid.tail().constData());
    // The path holds a space, so the program is quoted.
    QVERIFY2(readOrMissing(entry).contains("\nExec=\"" + file(QStringLiteral("quorvane")).toUtf8() + "\"\n"),
             readOrMissing(entry).constData());
    for (const char *size : {"16x16", "22x22", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"}) {
        const QString icon =
            data + QStringLiteral("/icons/hicolor/%1/apps/quorvane.png").arg(QLatin1String(size));
        QCOMPARE(
            readOrMissing(icon),
            readOrMissing(file(
                QStringLiteral("icons/quorvane-%1.png").arg(QString::fromLatin1(size).section(u'x', 0, 0)))));
    }
    QVERIFY(QFileInfo(data + QStringLiteral("/icons/hicolor/scalable/apps/quorvane.svg")).isFile());
}

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
