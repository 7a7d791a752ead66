// The Debian package: it builds, holds what `cmake --install` puts under a prefix, passes lintian
// without an error, its desktop entry and metainfo validate, and unpacked into a scratch root the
// game starts for a player who cannot write there, with a folder of the player's own under
// XDG_DATA_HOME.
#include "common/commandrun.h"
#include "install/tree.h"

#include <QDir>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
// Root runs the player's side as nobody, who cannot write to the unpacked root.
QStringList asPlayer()
{
    if (::geteuid() != 0)
        return {};
    return {u"setpriv"_s, u"--reuid=nobody"_s, u"--regid=nogroup"_s, u"--clear-groups"_s};
}
} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_work;
    QString m_deb;
    QString m_root;

private slots:
    void initTestCase()
    {
        // Readable by the player's side too.
        QVERIFY(QFile::setPermissions(m_work.path(), QFileDevice::Permissions(0x7755)));
        const QString package = m_work.filePath(u"package"_s);
        CommandResult r = runCommand(QStringLiteral(CMAKE_COMMAND),
                                     {u"-S"_s, QStringLiteral(QUORVANE_SOURCE "/packaging"), u"-B"_s, package,
                                      QStringLiteral("-DQUORVANE_BUILD=" QUORVANE_BUILD_DIR)});
        QVERIFY2(r.ok, r.tail().constData());
        r = runCommand(QStringLiteral(CPACK_COMMAND), {}, package);
        QVERIFY2(r.ok, r.tail().constData());
        const QStringList debs = QDir(package).entryList({u"quorvane_*.deb"_s});
        QCOMPARE(debs.size(), 1);
        m_deb = package + u'/' + debs.first();
        QVERIFY(QFile::setPermissions(package, QFileDevice::Permissions(0x7755)));
        QVERIFY(QFile::setPermissions(m_deb, QFileDevice::Permissions(0x6644)));
        m_root = m_work.filePath(u"root"_s);
        r = runCommand(u"dpkg-deb"_s, {u"-x"_s, m_deb, m_root});
        QVERIFY2(r.ok, r.tail().constData());
    }
    void cleanupTestCase()
    {
        // So that the scratch folder can be removed.
        runCommand(u"chmod"_s, {u"-R"_s, u"u+w"_s, m_root});
    }

    void holdsWhatCmakeInstalls()
    {
        const QString prefix = m_work.filePath(u"prefix"_s);
        const CommandResult r =
            runCommand(QStringLiteral(CMAKE_COMMAND),
                       {u"--install"_s, QStringLiteral(QUORVANE_BUILD_DIR), u"--prefix"_s, prefix});
        QVERIFY2(r.ok, r.tail().constData());
        const QStringList installed = installedTree(prefix);
        QVERIFY(installed.contains(u"games/quorvane -> ../lib/games/quorvane/quorvane"_s));
        QCOMPARE(installedTree(m_root + u"/usr"_s), installed);
        QCOMPARE(QDir(m_root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"usr"_s});
    }

    void dependsOnTheLibrariesItLinks()
    {
        const CommandResult r = runCommand(u"dpkg-deb"_s, {u"-f"_s, m_deb, u"Depends"_s});
        QVERIFY2(r.ok, r.tail().constData());
        for (const char *library :
             {"libqt6widgets6", "libqt6network6", "libqt6charts6", "libopenmpt0", "libc6"})
            QVERIFY2(r.output.contains(QLatin1String(library)), r.tail().constData());
    }

    // Built hardened: relocations read-only and bound at start.
    void programsAreHardened()
    {
#ifdef QUORVANE_SANITIZED
        QSKIP("the sanitizer build is not the players' hardened one");
#endif
        for (const QString &program : {u"quorvane"_s, u"quorvane-market"_s}) {
            const CommandResult r = runCommand(
                u"readelf"_s, {u"-d"_s, u"-l"_s, m_root + u"/usr/lib/games/quorvane/"_s + program});
            QVERIFY2(r.ok && r.output.contains(u"BIND_NOW"_s) && r.output.contains(u"GNU_RELRO"_s),
                     qPrintable(program));
        }
    }

    void lintianAndValidatorsFindNoError()
    {
        // lintian refuses to run as root.
        const QStringList lintian = asPlayer() << u"lintian"_s << u"--fail-on"_s << u"error"_s << m_deb;
        CommandResult r = runCommand(lintian.first(), lintian.mid(1));
        QVERIFY2(r.ok, r.tail().constData());
        r = runCommand(u"desktop-file-validate"_s,
                       {m_root + u"/usr/share/applications/org.example.Quorvane.desktop"_s});
        QVERIFY2(r.ok && !r.output.contains(QLatin1String("warning")), r.tail().constData());
        r = runCommand(u"appstreamcli"_s,
                       {u"validate"_s, u"--no-net"_s,
                        m_root + u"/usr/share/metainfo/org.example.Quorvane.metainfo.xml"_s});
        QVERIFY2(r.ok, r.tail().constData());
    }

    void startsWithAFolderOfThePlayersOwn()
    {
        if (!portIsFree(8421))
            QSKIP("something already listens on 127.0.0.1:8421");
        const QString home = m_work.filePath(u"home"_s), programs = m_root + u"/usr/lib/games/quorvane/"_s,
                      data = m_root + u"/usr/share/games/quorvane/"_s;
        QVERIFY(QDir().mkpath(home));
        if (const passwd *nobody = ::getpwnam("nobody"); nobody && ::geteuid() == 0)
            QVERIFY(::chown(QFile::encodeName(home).constData(), nobody->pw_uid, gid_t(-1)) == 0);
        QVERIFY(QFile::setPermissions(home, QFileDevice::Permissions(0x7700)));
        // A player who is not root owns the unpacked files: take away the write permission they
        // would not have on a system installation.
        if (::geteuid() != 0) {
            const CommandResult r = runCommand(u"chmod"_s, {u"-R"_s, u"a-w"_s, m_root + u"/usr"_s});
            QVERIFY2(r.ok, r.tail().constData());
        }

        QProcess game;
        QProcessEnvironment env;
        for (const auto &[name, value] : {std::pair{u"PATH"_s, qEnvironmentVariable("PATH")},
                                          {u"HOME"_s, home},
                                          {u"XDG_DATA_HOME"_s, home + u"/data"_s},
                                          {u"XDG_RUNTIME_DIR"_s, home},
                                          {u"QT_QPA_PLATFORM"_s, u"offscreen"_s}})
            env.insert(name, value);
        game.setProcessEnvironment(env);
        game.setProcessChannelMode(QProcess::ForwardedChannels);
        const QStringList command = asPlayer() << m_root + u"/usr/games/quorvane"_s;
        game.start(command.first(), command.mid(1));
        checkGameTakesItsMarketAlong(game, programs + u"quorvane-market"_s);

        const QString copy = home + u"/data/Quorvane/"_s;
        for (const QString &name :
             u"options.cfg player.qvn tips/0.txt help/index.html data/IBM.gif"_s.split(u' '))
            QVERIFY2(readOrMissing(copy + name) == readOrMissing(data + name), qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "test_package.moc"
