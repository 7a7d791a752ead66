#include "model/programfolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

void put(const QString &path, const QByteArray &bytes, QFileDevice::Permissions extra = {})
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    if (extra)
        f.setPermissions(f.permissions() | extra);
}

QByteArray get(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void stampAt(const QString &path, const QDateTime &when)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
}

ino_t inode(const QString &path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

class TestProgramFolder : public QObject
{
    Q_OBJECT

private slots:
    void ownFolderWhenItHoldsSettings();
    void refresh_data();
    void refresh();
    void secondRefreshRewritesNothing();
    void unwritableCopyIsReportedAndTheRestCopied();
};

void TestProgramFolder::ownFolderWhenItHoldsSettings()
{
    QTemporaryDir installed, home;
    const QString perUser = home.filePath(QStringLiteral("Quorvane"));
    put(installed.filePath(QStringLiteral("player.qvn")), "100000\r\n");

    // No settings beside the executable: not a program folder, so the player gets a copy.
    ProgramFolderChoice choice = chooseProgramFolder(installed.path(), perUser);
    QCOMPARE(choice.path, perUser);
    QCOMPARE(choice.problems, QStringList());
    QCOMPARE(get(perUser + QStringLiteral("/player.qvn")), QByteArray("100000\r\n"));

    put(installed.filePath(QStringLiteral("options.cfg")), "[Quorvane Settings]\r\n");
    QDir(perUser).removeRecursively();
    choice = chooseProgramFolder(installed.path() + QStringLiteral("/"), perUser);
    QCOMPARE(choice.path, installed.path());
    QVERIFY(!QFileInfo::exists(perUser));
}

void TestProgramFolder::refresh_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("shipped");
    QTest::addColumn<QByteArray>("copy"); // "<missing>": not in the copy yet
    QTest::addColumn<bool>("sameTime");   // the copy carries the installed file's time
    QTest::addColumn<QByteArray>("after");

    const QByteArray missing("<missing>");
    // The player's files: copied when missing, never replaced.
    QTest::newRow("settings missing")
        << "options.cfg" << QByteArray("new") << missing << false << QByteArray("new");
    QTest::newRow("settings kept") << "options.cfg" << QByteArray("new") << QByteArray("mine") << false
                                   << QByteArray("mine");
    QTest::newRow("saved game kept") << "player.qvn" << QByteArray("100000") << QByteArray("523.5") << false
                                     << QByteArray("523.5");
    QTest::newRow("favourites kept") << "player.fav" << QByteArray("MSFT") << QByteArray("") << false
                                     << QByteArray("");
    QTest::newRow("tip kept") << "tips/tip01.txt" << QByteArray("shipped") << QByteArray("edited") << false
                              << QByteArray("edited");
    // Shipped files follow the installation when size or time differ.
    QTest::newRow("logo missing") << "data/MSFT.gif" << QByteArray("GIF89a1") << missing << false
                                  << QByteArray("GIF89a1");
    QTest::newRow("logo resized") << "data/MSFT.gif" << QByteArray("GIF89a-new") << QByteArray("GIF89a")
                                  << true << QByteArray("GIF89a-new");
    QTest::newRow("help upgraded, same size") << "help/index.html" << QByteArray("<p>v2</p>")
                                              << QByteArray("<p>v1</p>") << false << QByteArray("<p>v2</p>");
    QTest::newRow("page current") << "infos.html" << QByteArray("same") << QByteArray("same") << true
                                  << QByteArray("same");
}

void TestProgramFolder::refresh()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, shipped);
    QFETCH(QByteArray, copy);
    QFETCH(bool, sameTime);
    QFETCH(QByteArray, after);

    QTemporaryDir installed, perUser;
    const QDateTime shippedAt = QDateTime::currentDateTimeUtc().addDays(-30);
    put(installed.filePath(name), shipped);
    stampAt(installed.filePath(name), shippedAt);
    // Programs stay in the installation.
    put(installed.filePath(QStringLiteral("quorvane-market")),
        "\x7f"
        "ELF",
        QFileDevice::ExeOwner);
    put(installed.filePath(QStringLiteral("libquorvane_music.so")), "\x7f"
                                                                    "ELF");
    if (copy != "<missing>") {
        put(perUser.filePath(name), copy);
        stampAt(perUser.filePath(name), sameTime ? shippedAt : shippedAt.addSecs(-3600));
    }

    QCOMPARE(refreshPerUserCopy(installed.path(), perUser.path()), QStringList());
    QCOMPARE(get(perUser.filePath(name)), after);
    QVERIFY(!QFileInfo::exists(perUser.filePath(QStringLiteral("quorvane-market"))));
    QVERIFY(!QFileInfo::exists(perUser.filePath(QStringLiteral("libquorvane_music.so"))));
}

void TestProgramFolder::secondRefreshRewritesNothing()
{
    QTemporaryDir installed, perUser;
    for (const QString &name :
         {QStringLiteral("data/IBM.gif"), QStringLiteral("options.cfg"), QStringLiteral("help/index.html")})
        put(installed.filePath(name), name.toUtf8());
    QCOMPARE(refreshPerUserCopy(installed.path(), perUser.path()), QStringList());
    const ino_t logo = inode(perUser.filePath(QStringLiteral("data/IBM.gif")));
    const ino_t help = inode(perUser.filePath(QStringLiteral("help/index.html")));
    QVERIFY(logo != 0 && help != 0);

    // A replaced file would have a new inode: the copy's stamped time marks it current.
    QCOMPARE(refreshPerUserCopy(installed.path(), perUser.path()), QStringList());
    QCOMPARE(inode(perUser.filePath(QStringLiteral("data/IBM.gif"))), logo);
    QCOMPARE(inode(perUser.filePath(QStringLiteral("help/index.html"))), help);
}

void TestProgramFolder::unwritableCopyIsReportedAndTheRestCopied()
{
    QTemporaryDir installed, perUser;
    put(installed.filePath(QStringLiteral("data/IBM.gif")), "GIF89a");
    put(installed.filePath(QStringLiteral("player.qvn")), "100000");
    put(perUser.filePath(QStringLiteral("data")), "a file where the logos' folder belongs");

    const QStringList problems = refreshPerUserCopy(installed.path(), perUser.path());
    QCOMPARE(problems.size(), 1);
    QVERIFY2(problems.first().startsWith(QStringLiteral("data/IBM.gif: ")), qPrintable(problems.first()));
    QCOMPARE(get(perUser.filePath(QStringLiteral("player.qvn"))), QByteArray("100000"));
}

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "test_programfolder.moc"
