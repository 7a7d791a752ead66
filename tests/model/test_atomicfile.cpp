#include "model/atomicfile.h"
#include "model/gamefiles.h"
#include "model/numbertext.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Every file of a folder with its bytes, to prove that a failed operation left it as it was.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        files.insert(name, readBytes(folder + '/' + name));
    return files;
}

// Root ignores folder permissions; lowering this thread's effective capabilities makes the
// kernel check them again, until the guard goes out of scope.
class PermissionChecks
{
public:
    PermissionChecks()
    {
        if (::geteuid() != 0)
            return;
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            lowered[cap / 32].effective &= ~(1u << (cap % 32));
        m_lowered = ::syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~PermissionChecks()
    {
        if (m_lowered)
            ::syscall(SYS_capset, &m_header, m_saved);
    }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] = {};
    bool m_lowered = false;
};

} // namespace

class TestAtomicFile : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString folder() const { return m_dir->path(); }
    QString gamePath() const { return savedGamePath(folder(), QStringLiteral("Demo")); }

    // A game and its settings on disk, and the state loaded from them.
    GameState prepareGame()
    {
        if (CreateSavedGame(folder(), QStringLiteral("Demo"), QStringLiteral("100000")))
            qFatal("cannot create the test game");
        QFile settings(settingsPath(folder()));
        if (!settings.open(QIODevice::WriteOnly))
            qFatal("cannot create the test settings");
        settings.write("Q\r\nDemo\r\nLoadFavorites=No\r\nEnableMusic=Yes\r\nUseProxy=No\r\nnull\r\nnull\r\n");
        settings.close();
        GameState state;
        state.gameName = QStringLiteral("Demo");
        if (ReadSavedGame(folder(), state.gameName, state))
            qFatal("cannot read the test game");
        return state;
    }

    // Runs one operation of each kind; returns its error and the path it should name.
    FileStatus runOperation(const QString &operation, GameState &state, QString &path)
    {
        if (operation == "rewrite") {
            path = gamePath();
            return RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("99000"),
                                              QStringLiteral("AAPL"), 10);
        }
        if (operation == "create") {
            path = favoritesPath(folder(), QStringLiteral("Demo")); // written first
            return CreateSavedGame(folder(), QStringLiteral("Demo"), QStringLiteral("2000"));
        }
        if (operation == "favorite") {
            path = favoritesPath(folder(), QStringLiteral("Demo"));
            return AddFavorite(folder(), QStringLiteral("Demo"), QStringLiteral("IBM"));
        }
        path = settingsPath(folder());
        Settings settings;
        return WriteSettings(folder(), SettingsChoice{QStringLiteral("Other"), true, false, false, {}, {}},
                             settings);
    }

    void checkNothingChanged(const FileStatus &error, const QString &path,
                             const QMap<QString, QByteArray> &before, const GameState &state,
                             const GameState &stateBefore)
    {
        QVERIFY(error);
        QCOMPARE(error->path, path);
        QCOMPARE(error->action, FileAction::Write);
        QVERIFY(!error->reason.isEmpty());
        QVERIFY2(error->text().contains("\"" + path + "\""), qPrintable(error->text()));
        QCOMPARE(snapshot(folder()), before); // old files byte for byte, no temporary file left
        QCOMPARE(state.cash, stateBefore.cash);
        QCOMPARE(state.holdings, stateBefore.holdings);
    }

private slots:
    void init()
    {
        setDecimalSeparator(u'.');
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        setAtomicWriteHook({});
        setAtomicRenameHook({});
        ::chmod(QFile::encodeName(folder()).constData(), 0700);
        delete m_dir;
    }

    void failedWriteKeepsEverything_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<qint64>("failAt");
        QTest::addRow("trade fails halfway") << "rewrite" << qint64(1024);
        QTest::addRow("trade fails at once") << "rewrite" << qint64(0);
        QTest::addRow("new game over an old one") << "create" << qint64(0);
        QTest::addRow("favourite") << "favorite" << qint64(0);
        QTest::addRow("settings") << "settings" << qint64(0);
    }
    void failedWriteKeepsEverything()
    {
        QFETCH(QString, operation);
        QFETCH(qint64, failAt);
        GameState state = prepareGame();
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("5"), QStringLiteral("IBM"), 3));
        const GameState stateBefore = state;
        const QMap<QString, QByteArray> before = snapshot(folder());
        qint64 calls = 0;
        setAtomicWriteHook([&](qint64 written) {
            ++calls;
            return written < failAt;
        });
        QString path;
        const FileStatus error = runOperation(operation, state, path);
        checkNothingChanged(error, path, before, state, stateBefore);
        QVERIFY(calls > failAt / 1024); // the write really failed part way
    }

    void failedRenameKeepsEverything_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addRow("trade") << "rewrite";
        QTest::addRow("new game") << "create";
        QTest::addRow("favourite") << "favorite";
        QTest::addRow("settings") << "settings";
    }
    void failedRenameKeepsEverything()
    {
        QFETCH(QString, operation);
        GameState state = prepareGame();
        const GameState stateBefore = state;
        const QMap<QString, QByteArray> before = snapshot(folder());
        setAtomicRenameHook([](const QString &) { return false; });
        QString path;
        const FileStatus error = runOperation(operation, state, path);
        checkNothingChanged(error, path, before, state, stateBefore);
    }

    void readOnlyFolder()
    {
        GameState state = prepareGame();
        const GameState stateBefore = state;
        const QMap<QString, QByteArray> before = snapshot(folder());
        QCOMPARE(::chmod(QFile::encodeName(folder()).constData(), 0555), 0);
        PermissionChecks enforced;
        QFile probe(folder() + "/probe");
        if (probe.open(QIODevice::WriteOnly))
            QSKIP("folder permissions are not enforced for this user");
        QString path;
        const FileStatus error = runOperation(QStringLiteral("rewrite"), state, path);
        checkNothingChanged(error, path, before, state, stateBefore);
        QVERIFY2(error->reason.contains("permission", Qt::CaseInsensitive), qPrintable(error->reason));
        QVERIFY(AddFavorite(folder(), QStringLiteral("Demo"), QStringLiteral("IBM")));
        QCOMPARE(snapshot(folder()), before);
    }

    void fileSizeLimit()
    {
        // A real failing write from the kernel: the file size limit stops the temporary file.
        GameState state = prepareGame();
        const GameState stateBefore = state;
        const QMap<QString, QByteArray> before = snapshot(folder());
        struct rlimit old;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 2000;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        QString path;
        const FileStatus error = runOperation(QStringLiteral("rewrite"), state, path);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        checkNothingChanged(error, path, before, state, stateBefore);
    }

    void folderThatIsAFile()
    {
        const QString file = folder() + "/plain";
        QFile plain(file);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const FileStatus error = CreateSavedGame(file, QStringLiteral("Demo"), QStringLiteral("2000"));
        QVERIFY(error);
        QVERIFY(error->path.startsWith(file + "/Demo."));
        QCOMPARE(QDir(folder()).entryList(QDir::Files), QStringList{"plain"});
        QVERIFY(CreateSavedGame(folder() + "/missing", QStringLiteral("Demo"), QStringLiteral("2000")));
    }

    void staleTemporaryReplaced()
    {
        GameState state = prepareGame();
        QFile stale(temporaryPathFor(gamePath()));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("junk from a crash");
        stale.close();
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("1"), QStringLiteral("A"), 1));
        QVERIFY(!QFile::exists(temporaryPathFor(gamePath())));
        QVERIFY(readBytes(gamePath()).startsWith("1\r\nA\r\n 1 \r\n"));
    }

    void replacementKeepsPermissionsAndLinks()
    {
        GameState state = prepareGame();
        QCOMPARE(::chmod(QFile::encodeName(gamePath()).constData(), 0640), 0);
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("1"), QStringLiteral("A"), 1));
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(gamePath()).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 07777), 0640);

        // A saved game kept elsewhere through a link: the link stays, its target is replaced.
        QVERIFY(QDir(folder()).mkdir("real"));
        const QString real = folder() + "/real/Linked.qvn";
        QVERIFY(QFile::rename(gamePath(), real));
        QVERIFY(QFile::link(real, savedGamePath(folder(), QStringLiteral("Linked"))));
        state.gameName = QStringLiteral("Linked");
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("2"), QStringLiteral("A"), 1));
        QVERIFY(QFileInfo(savedGamePath(folder(), QStringLiteral("Linked"))).isSymLink());
        QVERIFY(readBytes(real).startsWith("2\r\nA\r\n 2 \r\n"));
    }

    void emptyContent()
    {
        const QString path = folder() + "/empty.txt";
        QVERIFY(!replaceFileAtomically(path, QByteArray()));
        QVERIFY(QFile::exists(path));
        QCOMPARE(QFileInfo(path).size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "test_atomicfile.moc"
