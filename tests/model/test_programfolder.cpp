// Where the game keeps its files: the program folder, or a per-user copy of the installation.
#include "common/files.h"
#include "common/rows.h"
#include "model/programfolder.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// Lays a file out; `executable` marks it as a program.
void put(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QVERIFY(writeBytes(path, bytes));
    if (executable)
        QVERIFY(setModeBits(path, modeBits(path) | 0100));
}
} // namespace

class TestProgramFolder : public QObject
{
    Q_OBJECT

private slots:
    void ownFolderWhenItHoldsSettings()
    {
        QTemporaryDir installed, home;
        const QString perUser = home.filePath(u"Quorvane"_s);
        put(installed.filePath(u"player.qvn"_s), "100000\r\n");

        // No settings beside the executable: not a program folder, so the player gets a copy.
        ProgramFolderChoice choice = chooseProgramFolder(installed.path(), perUser);
        QCOMPARE(choice.path, perUser);
        QCOMPARE(choice.problems, QStringList());
        QCOMPARE(readBytes(perUser + u"/player.qvn"_s), QByteArray("100000\r\n"));

        put(installed.filePath(u"options.cfg"_s), "[Quorvane Settings]\r\n");
        QDir(perUser).removeRecursively();
        choice = chooseProgramFolder(installed.path() + u"/"_s, perUser);
        QCOMPARE(choice.path, installed.path());
        QVERIFY(!QFileInfo::exists(perUser));
    }

    void refresh_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("shipped");
        QTest::addColumn<QByteArray>("copy"); // "<missing>": not in the copy yet
        QTest::addColumn<bool>("sameTime");   // the copy carries the installed file's time
        QTest::addColumn<QByteArray>("after");

        auto row = [](const char *tag, const char *name, const char *shipped, const char *copy, bool sameTime,
                      const char *after) {
            ::row(tag, QString::fromLatin1(name), QByteArray(shipped), QByteArray(copy), sameTime,
                  QByteArray(after));
        };
        // The player's files: copied when missing, never replaced.
        row("settings missing", "options.cfg", "new", "<missing>", false, "new");
        row("settings kept", "options.cfg", "new", "mine", false, "mine");
        row("saved game kept", "player.qvn", "100000", "523.5", false, "523.5");
        row("favourites kept", "player.fav", "MSFT", "", false, "");
        row("tip kept", "tips/tip01.txt", "shipped", "edited", false, "edited");
        // Shipped files follow the installation when size or time differ.
        row("logo missing", "data/MSFT.gif", "GIF89a1", "<missing>", false, "GIF89a1");
        row("logo resized", "data/MSFT.gif", "GIF89a-new", "GIF89a", true, "GIF89a-new");
        row("help upgraded, same size", "help/index.html", "<p>v2</p>", "<p>v1</p>", false, "<p>v2</p>");
        row("page current", "infos.html", "same", "same", true, "same");
    }

    void refresh()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, shipped);
        QFETCH(QByteArray, copy);
        QFETCH(bool, sameTime);
        QFETCH(QByteArray, after);

        QTemporaryDir installed, perUser;
        const QDateTime shippedAt = QDateTime::currentDateTimeUtc().addDays(-30);
        put(installed.filePath(name), shipped);
        QVERIFY(stampFile(installed.filePath(name), shippedAt));
        // Programs stay in the installation.
        put(installed.filePath(u"quorvane-market"_s), "\177ELF", true);
        put(installed.filePath(u"libquorvane_music.so"_s), "\177ELF");
        if (copy != "<missing>") {
            put(perUser.filePath(name), copy);
            QVERIFY(stampFile(perUser.filePath(name), sameTime ? shippedAt : shippedAt.addSecs(-3600)));
        }

        QCOMPARE(refreshPerUserCopy(installed.path(), perUser.path()), QStringList());
        QCOMPARE(readBytes(perUser.filePath(name)), after);
        // A second refresh replaces nothing (a replaced file would have a new inode): the copy's
        // stamped time marks it current.
        const ino_t inode = statOf(perUser.filePath(name)).st_ino;
        QCOMPARE(refreshPerUserCopy(installed.path(), perUser.path()), QStringList());
        QCOMPARE(statOf(perUser.filePath(name)).st_ino, inode);
        QVERIFY(!QFileInfo::exists(perUser.filePath(u"quorvane-market"_s)));
        QVERIFY(!QFileInfo::exists(perUser.filePath(u"libquorvane_music.so"_s)));
    }

    void unwritableCopyIsReportedAndTheRestCopied()
    {
        QTemporaryDir installed, perUser;
        put(installed.filePath(u"data/IBM.gif"_s), "GIF89a");
        put(installed.filePath(u"player.qvn"_s), "100000");
        put(perUser.filePath(u"data"_s), "a file where the logos' folder belongs");

        const QStringList problems = refreshPerUserCopy(installed.path(), perUser.path());
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems.first().startsWith(u"data/IBM.gif: "_s), qPrintable(problems.first()));
        QCOMPARE(readBytes(perUser.filePath(u"player.qvn"_s)), QByteArray("100000"));
    }
};

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "test_programfolder.moc"
