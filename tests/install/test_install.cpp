// `cmake --install` into a folder of the player's own: the folder plays on its own, a second
// install keeps what the player changed, and its menu entry passes the desktop's validator.
#include "common/commandrun.h"

#include <QDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_prefix = m_root.filePath(u"my games/quorvane"_s); // with a space, as a player's may have
    QString file(const QString &name) const { return m_prefix + u'/' + name; }
    // Generated files come from the build folder; the rest from the sources, since the player
    // may have played in the build folder and changed its saved game or settings.
    QByteArray built(const QString &name) const
    {
        return readOrMissing(qEnvironmentVariable("QUORVANE_PROGRAM_DIR") + u'/' + name);
    }
    static QByteArray source(const QString &name)
    {
        return readOrMissing(QUORVANE_SOURCE "/assets/"_L1 + name);
    }
    void install()
    {
        const CommandResult r =
            runCommand(QStringLiteral(CMAKE_COMMAND),
                       {u"--install"_s, QStringLiteral(QUORVANE_BUILD_DIR), u"--prefix"_s, m_prefix});
        QVERIFY2(r.ok, r.tail().constData());
    }

private slots:
    void initTestCase() { install(); }

    void laysOutACompleteFolder()
    {
        for (const QString &program : {u"quorvane"_s, u"quorvane-market"_s})
            QVERIFY2(QFileInfo(file(program)).isExecutable() && QFileInfo(file(program)).size() > 0,
                     qPrintable(program));
        QVERIFY(QFileInfo(file(u"libquorvane_music.so"_s)).size() > 0);
        // What was shipped, byte for byte (programs are rewritten for their new place).
        for (const QString &name :
             u"options.cfg player.qvn player.fav infos.html tips/0.txt help/index.html"_s.split(u' '))
            QVERIFY2(readOrMissing(file(name)) == source(name) && QFileInfo(file(name)).size() > 0,
                     qPrintable(name));
        for (const QString &name :
             u"data/null.gif data/IBM.gif pictures/chick.png music/girlfrom.mod "
             u"icons/quorvane-16.png icons/quorvane-256.png icons/quorvane.svg"_s.split(u' '))
            QVERIFY2(readOrMissing(file(name)) == built(name) && QFileInfo(file(name)).size() > 0,
                     qPrintable(name));
    }

    void installedGameStartsItsMarketAndTakesItAlong()
    {
        if (!portIsFree(8421))
            QSKIP("something already listens on 127.0.0.1:8421");
        QProcess game;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        game.setProcessEnvironment(env);
        game.setWorkingDirectory(m_root.path());
        game.start(file(u"quorvane"_s), {});
        checkGameTakesItsMarketAlong(game, file(u"quorvane-market"_s));
    }

    void secondInstallKeepsThePlayersFiles()
    {
        const QStringList mine = {u"player.qvn"_s, u"player.fav"_s, u"options.cfg"_s, u"tips/0.txt"_s};
        for (const QString &name : mine + QStringList{u"infos.html"_s}) {
            QFile f(file(name));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    f.write("the player's " + name.toUtf8()) > 0);
        }
        install();
        for (const QString &name : mine)
            QCOMPARE(readOrMissing(file(name)), "the player's " + name.toUtf8());
        // A shipped file is the installation's again.
        QCOMPARE(readOrMissing(file(u"infos.html"_s)), source(u"infos.html"_s));
    }

    void menuEntryIsValid()
    {
        const QString data = m_root.filePath(u"share"_s);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_DATA_HOME"_s, data);
        const CommandResult r =
            runCommand(QStringLiteral(QUORVANE_SOURCE "/scripts/install-desktop-entry"), {m_prefix}, {}, env);
        QVERIFY2(r.ok, r.tail().constData());

        const QString entry = data + u"/applications/org.example.Quorvane.desktop"_s;
        const CommandResult valid = runCommand(u"desktop-file-validate"_s, {entry});
        QVERIFY2(valid.ok, valid.tail().constData());
        // The path holds a space, so the program is quoted; a Qt game, as menus group them.
        QVERIFY2(readOrMissing(entry).contains("\nExec=\"" + file(u"quorvane"_s).toUtf8() + "\"\n") &&
                     readOrMissing(entry).contains("\nCategories=Game;StrategyGame;Qt;\n"),
                 readOrMissing(entry).constData());
        for (const char *size : {"16", "22", "24", "32", "48", "64", "128", "256"})
            QCOMPARE(
                readOrMissing(data + u"/icons/hicolor/%1x%1/apps/quorvane.png"_s.arg(QLatin1String(size))),
                readOrMissing(file(u"icons/quorvane-%1.png"_s.arg(QLatin1String(size)))));
        QVERIFY(QFileInfo(data + u"/icons/hicolor/scalable/apps/quorvane.svg"_s).isFile());
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
