// `cmake --install` into a prefix of the player's own: the games layout, the shipped files as
// built, the game playing from its data folder, a second install keeping what the player changed.
#include "common/commandrun.h"
#include "install/tree.h"

#include <QDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_prefix = m_root.filePath(u"my games"_s); // with a space, as a player's may have
    QString file(const QString &name) const { return m_prefix + u'/' + name; }
    QString data(const QString &name) const { return file(u"share/games/quorvane/"_s + name); }
    void install()
    {
        const CommandResult r =
            runCommand(QStringLiteral(CMAKE_COMMAND),
                       {u"--install"_s, QStringLiteral(QUORVANE_BUILD_DIR), u"--prefix"_s, m_prefix});
        QVERIFY2(r.ok, r.tail().constData());
    }

private slots:
    void initTestCase() { install(); }

    // Only the programs where programs go; the launchers point there from inside the prefix.
    void programsAndLaunchers()
    {
        QCOMPARE(installedTree(file(u"lib"_s)),
                 QStringList({u"games/quorvane/libquorvane_music.so"_s, u"games/quorvane/quorvane"_s,
                              u"games/quorvane/quorvane-market"_s}));
        for (const QString &program : {u"quorvane"_s, u"quorvane-market"_s}) {
            QVERIFY(QFileInfo(file(u"lib/games/quorvane/"_s + program)).isExecutable());
            QCOMPARE(linkText(file(u"games/"_s + program)), u"../lib/games/quorvane/"_s + program);
        }
    }

    void shippedFiles_data()
    {
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QString>("source"); // "src:" from the sources, "bin:" from the build folder
        QTest::addColumn<bool>("gzipped");
        const auto row = [](const char *installed, const char *source, bool gzipped = false) {
            QTest::newRow(installed) << QString::fromLatin1(installed) << QString::fromLatin1(source)
                                     << gzipped;
        };
        // The player's files come from the sources: the build folder's may have been played.
        row("share/games/quorvane/options.cfg", "src:assets/options.cfg");
        row("share/games/quorvane/player.qvn", "src:assets/player.qvn");
        row("share/games/quorvane/player.fav", "src:assets/player.fav");
        row("share/games/quorvane/tips/0.txt", "src:assets/tips/0.txt");
        row("share/games/quorvane/infos.html", "src:assets/infos.html");
        row("share/games/quorvane/help/index.html", "src:assets/help/index.html");
        row("share/games/quorvane/data/IBM.gif", "bin:data/IBM.gif");
        row("share/games/quorvane/pictures/chick.png", "bin:pictures/chick.png");
        row("share/games/quorvane/music/girlfrom.mod", "bin:music/girlfrom.mod");
        row("share/games/quorvane/icons/quorvane-16.png", "bin:icons/quorvane-16.png");
        row("share/icons/hicolor/16x16/apps/quorvane.png", "bin:icons/quorvane-16.png");
        row("share/icons/hicolor/256x256/apps/quorvane.png", "bin:icons/quorvane-256.png");
        row("share/icons/hicolor/scalable/apps/quorvane.svg", "src:assets/desktop/quorvane.svg");
        row("share/metainfo/org.example.Quorvane.metainfo.xml",
            "src:assets/desktop/org.example.Quorvane.metainfo.xml");
        row("share/man/man6/quorvane.6.gz", "src:assets/desktop/quorvane.6", true);
        row("share/man/man6/quorvane-market.6.gz", "src:assets/desktop/quorvane-market.6", true);
        row("share/doc/quorvane/changelog.gz", "src:packaging/changelog", true);
        row("share/doc/quorvane/copyright", "src:packaging/copyright");
    }

    void shippedFiles()
    {
        QFETCH(QString, installed);
        QFETCH(QString, source);
        QFETCH(bool, gzipped);
        const QString from = source.startsWith(u"src:"_s)
                                 ? QUORVANE_SOURCE "/"_L1 + source.mid(4)
                                 : qEnvironmentVariable("QUORVANE_PROGRAM_DIR") + u'/' + source.mid(4);
        QByteArray bytes = readOrMissing(file(installed));
        if (gzipped) {
            QProcess gunzip;
            gunzip.start(u"gzip"_s, {u"-dc"_s, file(installed)});
            QVERIFY(gunzip.waitForFinished(30000));
            QCOMPARE(gunzip.exitCode(), 0);
            bytes = gunzip.readAllStandardOutput();
        }
        QVERIFY(!bytes.isEmpty());
        QCOMPARE(bytes, readOrMissing(from));
    }

    // Started through its launcher, the game plays from the data folder: no per-user copy is made.
    void gamePlaysFromItsDataFolder()
    {
        if (!portIsFree(8421))
            QSKIP("something already listens on 127.0.0.1:8421");
        const QString perUser = m_root.filePath(u"xdg"_s);
        QProcess game;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"XDG_DATA_HOME"_s, perUser);
        game.setProcessEnvironment(env);
        game.setWorkingDirectory(m_root.path());
        game.start(file(u"games/quorvane"_s), {});
        checkGameTakesItsMarketAlong(game, file(u"lib/games/quorvane/quorvane-market"_s));
        QVERIFY(!QFileInfo::exists(perUser + u"/Quorvane"_s));
    }

    void secondInstallKeepsThePlayersFiles()
    {
        const QStringList mine = {u"player.qvn"_s, u"player.fav"_s, u"options.cfg"_s, u"tips/0.txt"_s};
        for (const QString &name : mine + QStringList{u"infos.html"_s}) {
            QFile f(data(name));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    f.write("the player's " + name.toUtf8()) > 0);
        }
        install();
        for (const QString &name : mine)
            QCOMPARE(readOrMissing(data(name)), "the player's " + name.toUtf8());
        // A shipped file is the installation's again.
        QCOMPARE(readOrMissing(data(u"infos.html"_s)),
                 readOrMissing(QUORVANE_SOURCE "/assets/infos.html"_L1));
    }

    // The menu starts the launcher by its absolute path, quoted for the space.
    void desktopEntryIsValid()
    {
        const QString entry = file(u"share/applications/org.example.Quorvane.desktop"_s);
        const CommandResult valid = runCommand(u"desktop-file-validate"_s, {entry});
        QVERIFY2(valid.ok, valid.tail().constData());
        QVERIFY2(readOrMissing(entry).contains("\nExec=\"" + file(u"games/quorvane"_s).toUtf8() + "\"\n"),
                 readOrMissing(entry).constData());
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
