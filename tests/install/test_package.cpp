// The Debian package: it builds, holds the expected files, passes lintian without an error, its
// desktop entry and metainfo validate, and unpacked into a scratch root the game starts for a
// player who cannot write there, with a folder of the player's own under XDG_DATA_HOME.
#include "common/commandrun.h"
#include "common/marketprocess.h"

#include <QDir>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

namespace {

// Root runs the player's side as nobody, who cannot write to the unpacked root.
QStringList asPlayer()
{
    if (::geteuid() != 0)
        return {};
    return {QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
            QStringLiteral("--clear-groups")};
}

void giveToPlayer(const QString &path)
{
    if (const passwd *nobody = ::getpwnam("nobody"); nobody && ::geteuid() == 0)
        QVERIFY(::chown(QFile::encodeName(path).constData(), nobody->pw_uid, gid_t(-1)) == 0);
}

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void holdsTheExpectedFiles_data();
    void holdsTheExpectedFiles();
    void dependsOnTheLibrariesItLinks();
    void lintianFindsNoError();
    void desktopFilesValidate();
    void startsWithAFolderOfThePlayersOwn();
    void cleanupTestCase();

private:
    QTemporaryDir m_work;
    QString m_deb;
    QString m_root;
};

void TestPackage::initTestCase()
{
    // Readable by the player's side too.
    QVERIFY(QFile::setPermissions(m_work.path(), QFileDevice::Permissions(0x7755)));
    const QString package = m_work.filePath(QStringLiteral("package"));
    CommandResult r =
        runCommand(QStringLiteral(CMAKE_COMMAND),
                   {QStringLiteral("-S"), QStringLiteral(QUORVANE_SOURCE "/packaging"), QStringLiteral("-B"),
                    package, QStringLiteral("-DQUORVANE_BUILD=" QUORVANE_BUILD_DIR)});
    QVERIFY2(r.ok, r.tail().constData());
    r = runCommand(QStringLiteral(CPACK_COMMAND), {}, package);
    QVERIFY2(r.ok, r.tail().constData());
    const QStringList debs = QDir(package).entryList({QStringLiteral("quorvane_*.deb")});
    QCOMPARE(debs.size(), 1);
    m_deb = package + u'/' + debs.first();
    QVERIFY(QFile::setPermissions(package, QFileDevice::Permissions(0x7755)));
    QVERIFY(QFile::setPermissions(m_deb, QFileDevice::Permissions(0x6644)));
    m_root = m_work.filePath(QStringLiteral("root"));
    r = runCommand(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_deb, m_root});
    QVERIFY2(r.ok, r.tail().constData());
}

void TestPackage::holdsTheExpectedFiles_data()
{
    QTest::addColumn<QString>("path");
    for (const char *path : {"/usr/games/quorvane",
                             "/usr/games/quorvane-market",
                             "/usr/lib/quorvane/quorvane",
                             "/usr/lib/quorvane/quorvane-market",
                             "/usr/lib/quorvane/libquorvane_music.so",
                             "/usr/lib/quorvane/options.cfg",
                             "/usr/lib/quorvane/player.qvn",
                             "/usr/lib/quorvane/player.fav",
                             "/usr/lib/quorvane/infos.html",
                             "/usr/lib/quorvane/tips/0.txt",
                             "/usr/lib/quorvane/data/IBM.gif",
                             "/usr/lib/quorvane/help/index.html",
                             "/usr/lib/quorvane/music/girlfrom.mod",
                             "/usr/lib/quorvane/pictures/chick.png",
                             "/usr/share/applications/org.example.Quorvane.desktop",
                             "/usr/share/metainfo/org.example.Quorvane.metainfo.xml",
                             "/usr/share/icons/hicolor/16x16/apps/quorvane.png",
                             "/usr/share/icons/hicolor/22x22/apps/quorvane.png",
                             "/usr/share/icons/hicolor/256x256/apps/quorvane.png",
                             "/usr/share/icons/hicolor/scalable/apps/quorvane.svg",
                             "/usr/share/man/man6/quorvane.6.gz",
                             "/usr/share/man/man6/quorvane-market.6.gz",
                             "/usr/share/doc/quorvane/copyright",
                             "/usr/share/doc/quorvane/changelog.gz"})
        QTest::newRow(path) << QString::fromLatin1(path);
}

void TestPackage::holdsTheExpectedFiles()
{
    static const QString listing =
        runCommand(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), m_deb}).output;
    QFETCH(QString, path);
    QVERIFY2(listing.contains(u'.' + path + u'\n') || listing.contains(u'.' + path + QStringLiteral(" -> ")),
             qPrintable(path));
}

void TestPackage::dependsOnTheLibrariesItLinks()
{
    const CommandResult r =
        runCommand(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_deb, QStringLiteral("Depends")});
    QVERIFY2(r.ok, r.tail().constData());
    for (const char *library : {"libqt6widgets6", "libqt6network6", "libqt6charts6", "libopenmpt0", "libc6"})
        QVERIFY2(r.output.contains(QLatin1String(library)), r.tail().constData());
}

void TestPackage::lintianFindsNoError()
{
    // lintian refuses to run as root.
    const QStringList command = asPlayer() << QStringLiteral("lintian") << QStringLiteral("--fail-on")
                                           << QStringLiteral("error") << m_deb;
    const CommandResult r = runCommand(command.first(), command.mid(1));
    qInfo().noquote() << r.output;
    QVERIFY2(r.ok, r.tail().constData());
}

void TestPackage::desktopFilesValidate()
{
    CommandResult r =
        runCommand(QStringLiteral("desktop-file-validate"),
                   {m_root + QStringLiteral("/usr/share/applications/org.example.Quorvane.desktop")});
    QVERIFY2(r.ok && !r.output.contains(QLatin1String("warning")), r.tail().constData());
    r = runCommand(QStringLiteral("appstreamcli"),
                   {QStringLiteral("validate"), QStringLiteral("--no-net"),
                    m_root + QStringLiteral("/usr/share/metainfo/org.example.Quorvane.metainfo.xml")});
    QVERIFY2(r.ok, r.tail().constData());
}

void TestPackage::startsWithAFolderOfThePlayersOwn()
{
    if (!portIsFree(8421))
        QSKIP("something already listens on 127.0.0.1:8421");
    const QString home = m_work.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(home));
    giveToPlayer(home);
    QVERIFY(QFile::setPermissions(home, QFileDevice::Permissions(0x7700)));

    QProcess game;
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    game.setProcessEnvironment(env);
    game.setProcessChannelMode(QProcess::ForwardedChannels);
    // A player who is not root owns the unpacked files: take away the write permission they
    // would not have on a system installation.
    if (::geteuid() != 0) {
        const CommandResult r =
            runCommand(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("a-w"),
                                                 m_root + QStringLiteral("/usr/lib/quorvane")});
        QVERIFY2(r.ok, r.tail().constData());
    }
    const QString launcher = m_root + QStringLiteral("/usr/games/quorvane");
    if (asPlayer().isEmpty())
        game.start(launcher, {});
    else
        game.start(asPlayer().first(), asPlayer().mid(1) << launcher);
    QVERIFY(game.waitForStarted(10000));

    QVERIFY2(QTest::qWaitFor([] { return answersQuotes(8421); }, 20000),
             "the packaged game started no market");
    // setpriv execs the game, so the game is the process we started.
    const qint64 market = readOrMissing(QStringLiteral("/proc/%1/task/%1/children").arg(game.processId()))
                              .trimmed()
                              .toLongLong();
    QVERIFY(market > 0);
    QCOMPARE(QFileInfo(QStringLiteral("/proc/%1/exe").arg(market)).symLinkTarget(),
             m_root + QStringLiteral("/usr/lib/quorvane/quorvane-market"));

    const QString copy = home + QStringLiteral("/data/Quorvane/");
    const QString installed = m_root + QStringLiteral("/usr/lib/quorvane/");
    for (const char *name : {"options.cfg", "player.qvn", "player.fav", "infos.html", "tips/0.txt",
                             "help/index.html", "data/IBM.gif", "music/girlfrom.mod", "pictures/chick.png"})
        QVERIFY2(readOrMissing(copy + QLatin1String(name)) == readOrMissing(installed + QLatin1String(name)),
                 name);
    for (const char *program : {"quorvane", "quorvane-market", "libquorvane_music.so"})
        QVERIFY2(!QFileInfo::exists(copy + QLatin1String(program)), program);
    QVERIFY(!QFileInfo::exists(installed + QStringLiteral("tips/web.html")));

    game.kill();
    QVERIFY(game.waitForFinished(10000));
    QVERIFY2(waitForExit(market, 10000), "the market outlived the game");
}

void TestPackage::cleanupTestCase()
{
    // So that the scratch folder can be removed.
    runCommand(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("u+w"), m_root});
}

QTEST_GUILESS_MAIN(TestPackage)
#include "test_package.moc"
