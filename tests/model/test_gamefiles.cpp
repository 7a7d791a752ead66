// The game's files: their exact bytes, what reading makes of damaged ones, and replacing them
// whole, failing in each way a disk can. Something other than a file in their place: test_readers.
#include "common/casetable.h"
#include "common/failingreplacer.h"
#include "common/files.h"
#include "common/rows.h"
#include "model/atomicfile.h"
#include "model/fieldreader.h"
#include "model/gamefileformat.h"
#include "model/gamefiles.h"
#include "model/numbertext.h"
#include "model/stockcatalogue.h"

#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kHeader("[Quorvane Favorites File]\r\n");

// A saved game built by hand: every catalogue ticker alphabetically, with its quantity text.
QByteArray gameBytes(const QByteArray &cash, const QHash<QString, QByteArray> &quantities = {},
                     const QByteArray &otherwise = " 0 ")
{
    QByteArray bytes = cash + "\r\n";
    for (const QString &ticker : AllTickersAlphabetical())
        bytes += ticker.toLatin1() + "\r\n" + quantities.value(ticker, otherwise) + "\r\n";
    return bytes;
}

GameState someState()
{
    return GameState{u"Demo"_s, Money::fromDollars(42), {{u"IBM"_s, 7}}, 1};
}

// A trade's rewrite of `file` for a game of `count` holdings: the file afterwards, or a null
// `after` when it is refused, with the error's line.
struct Rewrite
{
    const char *tag;
    QByteArray file;
    int count;
    const char *cash, *ticker;
    qint64 change;
    QByteArray after;
    int line;
};

} // namespace

Q_DECLARE_METATYPE(Rewrite)

class TestGameFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString folder() const { return m_dir->path(); }
    QString gamePath(const QString &name = u"Demo"_s) const { return savedGamePath(folder(), name); }
    QString favPath() const { return favoritesPath(folder(), u"Demo"_s); }

    GameState loadDemo()
    {
        GameState state;
        state.gameName = u"Demo"_s;
        if (const FileStatus error = ReadSavedGame(folder(), *state.gameName, state))
            qWarning() << error->text();
        return state;
    }

    void checkWriteError(const FileStatus &error, const QString &path)
    {
        QVERIFY(error);
        QCOMPARE(error->path, path);
        QCOMPARE(error->action, FileAction::Write);
        QVERIFY2(error->text().contains(u'"' + path + u'"'), qPrintable(error->text()));
    }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        ::setfsuid(::geteuid());
        (void)setModeBits(folder(), 0700);
        delete m_dir;
    }

    // Each step of a script reads one thing: L a whole line, T a text field, N a number field.
    // The results are "text@line", or "<end>" when nothing was left to read.
    void fieldReader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("results");
        auto row = [](const char *tag, const QByteArray &bytes, const char *script, const char *results) {
            ::row(tag, bytes, QString::fromLatin1(script), QString::fromLatin1(results).split(u'|'));
        };
        row("blanks before a field skipped", "   IBM\r\n", "T", "IBM@1");
        row("blanks after text kept", "IBM  \r\n", "T", "IBM  @1");
        row("comma ends a field", "A,B\r\n", "TT", "A@1|B@1");
        row("number ends at a blank", "12 34\r\n", "NN", "12@1|34@1");
        row("blanks then comma after number", " 5 ,X\r\n", "NT", "5@1|X@1");
        row("quoted field holds a comma", "\"A,B\" junk,C\r\n", "TT", "A,B@1|C@1");
        row("quoted field spans lines", "\"A\r\nB\"\r\nC\r\n", "TT", "A\r\nB@1|C@3");
        row("unterminated quote runs to the end", "\"ABC", "TT", "ABC@1|<end>");
        row("LF line ends", "A\nB\n", "TT", "A@1|B@2");
        row("CR line ends", "A\rB\r", "TTT", "A@1|B@2|<end>");
        row("whole line keeps blanks and commas", "  a, b \r\nx", "LL", "  a, b @1|x@2");
        row("nothing to read", QByteArray(), "TN", "<end>|<end>");
        row("number without a line end", "7", "N", "7@1");
        row("blanks only before the end", "   ", "N", "@1");
        row("line then fields", "100000\r\nA\r\n0\r\n", "LTNT", "100000@1|A@2|0@3|<end>");
    }
    void fieldReader()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, script);
        QFETCH(QStringList, results);
        FieldReader reader(bytes);
        QStringList got;
        for (QChar step : script) {
            std::optional<QByteArrayView> value;
            if (step == u'L')
                value = reader.atEnd() ? std::nullopt : std::optional<QByteArrayView>(reader.readLine());
            else
                value = step == u'T' ? reader.readField() : reader.readNumberField();
            got.append(value ? QString::fromLatin1(*value) + u'@' + QString::number(reader.fieldLine())
                             : u"<end>"_s);
        }
        QCOMPARE(got, results);
    }

    // A new game, played: a game whose name starts with this one's is left alone.
    void newGame()
    {
        QVERIFY(!CreateSavedGame(folder(), u"Demo2"_s, u"2000"_s, {}));
        const QByteArray other = readBytes(gamePath(u"Demo2"_s));
        QVERIFY(!CreateSavedGame(folder(), u"Demo"_s, u"100000"_s, {}));
        const QByteArray game = readBytes(gamePath());
        QCOMPARE(game, gameBytes("100000", {}, "0"));
        QCOMPARE(readBytes(favPath()), kHeader);
        GameState state = someState();
        QVERIFY(!ReadSavedGame(folder(), u"Demo"_s, state));
        QCOMPARE(state.cash, Money::fromDollars(100000));
        QCOMPARE(state.holdingCount(), 228);
        QCOMPARE(state.holdings.last(), (Holding{u"ZQK"_s, 0}));
        QCOMPARE(state.openTradeDialogs, 1);
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, u"99000"_s, u"IBM"_s, 10));
        QVERIFY(!AddFavorite(folder(), u"Demo"_s, u"IBM"_s));
        QCOMPARE(readBytes(gamePath(u"Demo2"_s)), other);
        QCOMPARE(fileNames(folder()), words("Demo.fav Demo.qvh Demo.qvn Demo2.fav Demo2.qvh Demo2.qvn"));
        // The game shipped with the program is such a new game.
        const QString source = qEnvironmentVariable("QUORVANE_SOURCE_DIR");
        if (source.isEmpty())
            QSKIP("QUORVANE_SOURCE_DIR is not set; run through ctest");
        QCOMPARE(readBytes(source + u"/assets/player.qvn"_s), game);
        QCOMPARE(readBytes(source + u"/assets/player.fav"_s), kHeader);
    }

    void rewrite_data()
    {
        const QByteArray top = gameBytes("5000", {{u"AAPL"_s, " 2147483647 "}, {u"ABX"_s, "-2147483648 "}});
        const QByteArray walk("100\r\nIBM\r\n1\r\nDELL\r\n2\r\nIBM\r\n 3 \r\nHPQ\r\n4\r\n");
        const qint64 huge = std::numeric_limits<qint64>::max();
        caseRows<Rewrite>({
            {"buy 10", gameBytes("5000"), 228, "4123.5", "AAPL", 10,
             gameBytes("4123.5", {{u"AAPL"_s, " 10 "}}), 0},
            {"sell all keeps the row", gameBytes("5000", {{u"AAPL"_s, "10"}}), 228, "1", "AAPL", -10,
             gameBytes("1"), 0},
            {"negative holding", gameBytes("5000"), 228, "1", "AAPL", -5,
             gameBytes("1", {{u"AAPL"_s, "-5 "}}), 0},
            {"up to the largest", gameBytes("5000", {{u"AAPL"_s, "2147483640"}}), 228, "1", "AAPL", 7,
             gameBytes("1", {{u"AAPL"_s, " 2147483647 "}}), 0},
            {"down to the smallest", gameBytes("5000", {{u"AAPL"_s, "-2147483647"}}), 228, "1", "AAPL", -1,
             gameBytes("1", {{u"AAPL"_s, "-2147483648 "}}), 0},
            // A ticker listed twice changes twice, rows past the game's holdings are dropped, and
            // a ticker the file lacks (case counts) changes only the cash.
            {"walks the file", walk, 3, "90", "IBM", 5, "90\r\nIBM\r\n 6 \r\nDELL\r\n 2 \r\nIBM\r\n 8 \r\n",
             0},
            {"other case", walk, 3, "80", "ibm", 5, "80\r\nIBM\r\n 1 \r\nDELL\r\n 2 \r\nIBM\r\n 3 \r\n", 0},
            {"above the largest quantity", top, 228, "4000", "AAPL", 1, {}, 0},
            {"below the smallest quantity", top, 228, "4000", "ABX", -1, {}, 0},
            {"change beyond 64 bits", top, 228, "4000", "AAPL", huge, {}, 0},
            {"cash text not a number", top, 228, "lots", "AAPL", 1, {}, 0},
            {"file shorter than the game", "5000\r\nAAPL\r\n 3 \r\n", 2, "4000", "AAPL", 1, {}, 4},
            {"file with a bad quantity", "5000\r\nAAPL\r\nmany\r\n", 1, "4000", "AAPL", 1, {}, 3},
        });
    }
    void rewrite()
    {
        QFETCH(Rewrite, c);
        QVERIFY(writeBytes(gamePath(), c.file));
        GameState state = someState();
        SavedGameContent content;
        (void)parseSavedGame(c.file, gamePath(), u'.', content, c.count);
        state.holdings = content.holdings;
        state.holdings.resize(c.count, Holding{u"X"_s, 1});
        const GameState before = state;
        const FileStatus error = RewriteSavedGameAfterTrade(folder(), state, QString::fromLatin1(c.cash),
                                                            QString::fromLatin1(c.ticker), c.change);
        QCOMPARE(fileNames(folder()), words("Demo.qvn"));
        if (c.after.isNull()) {
            checkWriteError(error, gamePath());
            QCOMPARE(error ? error->line : -1, c.line);
            QCOMPARE(readBytes(gamePath()), c.file);
            QCOMPARE(state.cash, before.cash);
            QCOMPARE(state.holdings, before.holdings);
            return;
        }
        QVERIFY(!error);
        QCOMPARE(readBytes(gamePath()), c.after);
        GameState back; // the game in memory is the file as written
        QVERIFY(!ReadSavedGame(folder(), u"Demo"_s, back));
        QCOMPARE(state.cash, back.cash);
        QCOMPARE(state.holdings, back.holdings);
    }

    void decimalCommaRoundTrip()
    {
        const GameFolder comma(folder(), u',');
        QVERIFY(!CreateSavedGame(comma, u"Demo"_s, u"2000"_s, {}));
        GameState state = loadDemo();
        QVERIFY(!RewriteSavedGameAfterTrade(comma, state, u"1234,5"_s, u"A"_s, 1));
        QVERIFY(readBytes(gamePath()).startsWith("1234,5\r\nA\r\n 1 \r\n"));
        QVERIFY(ReadSavedGame(folder(), u"Demo"_s, state)); // not a number with the point
        QVERIFY(!ReadSavedGame(comma, u"Demo"_s, state));
        QCOMPARE(state.cash, Money::fromUnits(12345000));
        Money cash;
        QVERIFY(!ReadSavedGameCash(comma, u"Demo.qvn"_s, cash));
        QCOMPARE(cash, Money::fromUnits(12345000));
    }

    void settingsSwitches_data()
    {
        QTest::addColumn<QByteArray>("switches");
        QTest::addColumn<QString>("expected"); // favourites, music, proxy
        row("exact Yes and No, last line without a line end",
            QByteArray("LoadFavorites=Yes\r\nEnableMusic=No\r\nUseProxy=Yes\r\nh\r\n1"), "101");
        row("trailing blanks turn switches off, music on",
            QByteArray("LoadFavorites=Yes \r\nEnableMusic=No \r\nUseProxy=Yes \r\nh\r\n1\r\n"), "010");
        row("case matters", QByteArray("loadfavorites=yes\r\nENABLEMUSIC=NO\r\nUseProxy=yes\r\nh\r\n1\r\n"),
            "010");
    }
    void settingsSwitches()
    {
        QFETCH(QByteArray, switches);
        QFETCH(QString, expected);
        QVERIFY(writeBytes(settingsPath(folder()), "Q\r\nDemo\r\n" + switches));
        Settings s;
        QVERIFY(!ReadSettings(folder(), s));
        QCOMPARE(u"%1%2%3"_s.arg(int(s.loadFavorites())).arg(int(s.musicEnabled())).arg(int(s.useProxy())),
                 expected);
    }

    void writeSettings()
    {
        Settings settings;
        checkWriteError(WriteSettings(folder(), SettingsChoice{}, settings), settingsPath(folder()));
        QVERIFY(fileNames(folder()).isEmpty()); // the first line comes from the file

        const QByteArray firstLine("[Quorvane Options] \xe9t\xe9 ");
        QVERIFY(writeBytes(settingsPath(folder()), firstLine +
                                                       "\r\nOld\r\nLoadFavorites=No\r\nEnableMusic=Yes\r\n"
                                                       "UseProxy=Yes\r\nproxy.lan\r\n3128\r\n"));
        QVERIFY(!ReadSettings(folder(), settings));
        SettingsChoice off{u"Demo"_s, true, false, false, u"ignored"_s, u"1"_s};
        QVERIFY(!WriteSettings(folder(), off, settings));
        QCOMPARE(readBytes(settingsPath(folder())),
                 firstLine +
                     "\r\nDemo\r\nLoadFavorites=Yes\r\nEnableMusic=No\r\nUseProxy=No\r\nnull\r\nnull\r\n");
        QCOMPARE(settings.favoritesLine, u"LoadFavorites=Yes"_s);
        QVERIFY(!settings.useProxy());
        QCOMPARE(settings.proxyHost, u"proxy.lan"_s); // kept in memory, unused
        QCOMPARE(settings.defaultGame, u"Demo"_s);    // shown next time; only start-up loads it

        SettingsChoice on{u"Demo"_s, false, true, true, u" 10.0.0.1 "_s, u"8080"_s};
        QVERIFY(!WriteSettings(folder(), on, settings));
        QCOMPARE(
            readBytes(settingsPath(folder())),
            firstLine +
                "\r\nDemo\r\nLoadFavorites=No\r\nEnableMusic=Yes\r\nUseProxy=Yes\r\n 10.0.0.1 \r\n8080\r\n");
        QVERIFY(settings.useProxy());

        // A value that cannot be stored on one 8-bit line is refused and changes nothing.
        const QMap<QString, QByteArray> before = snapshotFiles(folder());
        for (const QString &host : {u"a\r\nb"_s, u"\u0141\u00f3d\u017a"_s}) {
            on.proxyHost = host;
            checkWriteError(WriteSettings(folder(), on, settings), settingsPath(folder()));
            QCOMPARE(snapshotFiles(folder()), before);
            QCOMPARE(settings.proxyHost, u" 10.0.0.1 "_s);
        }
    }

    void favorites()
    {
        const QString game = u"Demo"_s;
        QVERIFY(!AddFavorite(folder(), game, u"IBM"_s)); // a missing file counts as the header
        QCOMPARE(readBytes(favPath()), kHeader + "IBM\r\n");
        QVERIFY(writeBytes(favPath(), QByteArray())); // so does an empty one
        for (const QString &ticker : words("DELL AAPL IBM AAPL"))
            QVERIFY(!AddFavorite(folder(), game, ticker));
        QStringList tickers;
        QVERIFY(!ReadFavorites(folder(), game, tickers));
        QCOMPARE(tickers, words("DELL AAPL IBM AAPL"));
        QVERIFY(!RemoveFavorite(folder(), game, u"aapl"_s)); // case matters
        QVERIFY(!RemoveFavorite(folder(), game, u"AAPL"_s));
        QVERIFY(!RemoveFavorite(folder(), game, QString::fromLatin1(kFavoritesHeader))); // not a ticker
        QCOMPARE(readBytes(favPath()), kHeader + "DELL\r\nIBM\r\n");
        // A ticker that would read back as other fields is refused.
        checkWriteError(AddFavorite(folder(), game, u"A,B"_s), favPath());
        QCOMPARE(fileNames(folder()), words("Demo.fav"));

        QVERIFY(writeBytes(favPath(), kHeader + "IBM\r\n\r\n"));
        QVERIFY(!ReadFavorites(folder(), game, tickers));
        QCOMPARE(tickers, (QStringList{u"IBM"_s, QString()}));
    }

    void holdingsForStatistics()
    {
        QVERIFY(writeBytes(gamePath(), "  12.5 \r\nIBM\r\n 3 \r\nDELL\r\n-1 \r\nHPQ\r\nbad\r\n"));
        SavedHoldings out;
        QVERIFY(!ReadHoldingsFromFile(folder(), u"Demo"_s, 2, out));
        QCOMPARE(out.cashLine, u"  12.5 "_s);
        QCOMPARE(out.holdings, (QList<Holding>{{u"IBM"_s, 3}, {u"DELL"_s, -1}}));
        const FileStatus error = ReadHoldingsFromFile(folder(), u"Demo"_s, 4, out);
        QCOMPARE(error ? error->line : -1, 7);
        QCOMPARE(out.holdings.size(), 2);
    }

    void malformedFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("bytes"); // a null array: no file at all
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");
        auto row = [](const char *tag, const char *kind, const QByteArray &bytes, int line,
                      const QByteArray &reason) {
            ::row(tag, QString::fromLatin1(kind), bytes, line, QString::fromLatin1(reason));
        };
        QByteArray tooMany("1\r\n");
        for (int i = 0; i <= 32767; ++i)
            tooMany += "A\r\n0\r\n";
        row("game missing", "game", QByteArray(), 0, "does not exist");
        row("game empty", "game", "", 1, "empty");
        row("cash not a number", "game", "lots\r\nA\r\n0\r\n", 1, "cash line is not a number");
        row("cash beyond Money's range", "game", "1e15\r\nA\r\n0\r\n", 1,
            "the cash line \"1e15\" is beyond what a game can hold (from -922337203685477.5808 to "
            "922337203685477.5807)");
        row("cash preview beyond Money's range", "cash", "-1000000000000000\r\n", 1,
            "the cash line \"-1000000000000000\" is beyond what a game can hold");
        row("long cash beyond Money's range cut short", "game", QByteArray(60, '9') + "\r\n", 1,
            "the cash line \"" + QByteArray(40, '9') + "...\" is beyond");
        row("quantity not a number", "game", "100\r\nA\r\nx\r\n", 3, "not a whole number");
        row("quantity with a fraction", "game", "100\r\nA\r\n 2.5 \r\n", 3, "not a whole number");
        row("quantity beyond 32 bits", "game", "100\r\nA\r\n2147483648\r\n", 3, "beyond what a holding");
        row("ends after a ticker", "game", "100\r\nA\r\n0\r\nB\r\n", 4, "ends between");
        row("extra empty line at the end", "game", gameBytes("100000", {}, "0") + "\r\n", 458,
            "ends between");
        row("binary junk", "game", QByteArray("100\r\nA\r\n\x00\x01\x02", 10), 3, "not a text file");
        row("more than 32767 pairs", "game", tooMany, 65536, "more than 32767");
        row("cash preview of junk", "cash", "\177ELF", 1, "not a text file");
        row("settings of six lines", "settings", "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\n", 7,
            "after 6 of its seven lines");
        row("favourites empty", "favorites", "", 1, "empty");
        row("favourites junk", "favorites", kHeader + "IBM\r\n\x1b[2J", 3, "not a text file");
    }
    void malformedFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QFETCH(QString, reason);
        const QString game = u"Demo"_s;
        const QString path = kind == u"settings"    ? settingsPath(folder())
                             : kind == u"favorites" ? favPath()
                                                    : gamePath();
        if (!bytes.isNull())
            QVERIFY(writeBytes(path, bytes));

        GameState state = someState();
        Settings settings;
        settings.firstLine = u"first"_s;
        QStringList favorites{u"IBM"_s};
        Money cash = Money::fromDollars(5);
        const FileStatus error = kind == u"game"       ? ReadSavedGame(folder(), game, state)
                                 : kind == u"cash"     ? ReadSavedGameCash(folder(), game + u".qvn"_s, cash)
                                 : kind == u"settings" ? ReadSettings(folder(), settings)
                                                       : ReadFavorites(folder(), game, favorites);
        QVERIFY(error);
        QCOMPARE(error->path, path);
        QCOMPARE(error->line, line);
        QCOMPARE(error->action, FileAction::Read);
        QVERIFY2(error->reason.contains(reason), qPrintable(error->reason));
        QVERIFY2(error->text().contains(u'"' + path + u'"'), qPrintable(error->text()));
        QCOMPARE(error->text().contains(u"\" (line %1: "_s.arg(line)), line > 0);
        // Nothing in memory or on disk changed.
        QCOMPARE(state.cash, someState().cash);
        QCOMPARE(state.holdings, someState().holdings);
        QCOMPARE(settings.firstLine, u"first"_s);
        QCOMPARE(favorites, words("IBM"));
        QCOMPARE(cash, Money::fromDollars(5));
        QCOMPARE(readBytes(path), bytes.isNull() ? QByteArray("<missing>") : bytes);
        QCOMPARE(fileNames(folder()).size(), bytes.isNull() ? 0 : 1);
    }

    void unusableNameOrFolder()
    {
        QVERIFY(CreateSavedGame(folder(), u"../Demo"_s, u"2000"_s, {}));
        QVERIFY(!QFile::exists(folder() + u"/../Demo.qvn"_s));
        const QString file = folder() + u"/plain"_s;
        QVERIFY(writeBytes(file, QByteArray()));
        const FileStatus error = CreateSavedGame(file, u"Demo"_s, u"2000"_s, {});
        QVERIFY(error && error->path.startsWith(file + u"/Demo."_s));
        QVERIFY(CreateSavedGame(folder() + u"/missing"_s, u"Demo"_s, u"2000"_s, {}));
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
                 words("plain"));
    }

    // Each operation that replaces a file, failing in each way a disk can fail.
    void failedReplaceKeepsEverything_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("failure");
        for (const QString &name :
             words("rewrite/halfway rewrite/rename rewrite/read-only rewrite/size-limit "
                   "create/write create/rename favorite/write favorite/read-only "
                   "settings/write settings/rename"))
            row(qPrintable(name), name.section(u'/', 0, 0), name.section(u'/', 1));
    }
    void failedReplaceKeepsEverything()
    {
        QFETCH(QString, operation);
        QFETCH(QString, failure);
        QVERIFY(!CreateSavedGame(folder(), u"Demo"_s, u"100000"_s, {}));
        QVERIFY(writeBytes(
            settingsPath(folder()),
            "Q\r\nDemo\r\nLoadFavorites=No\r\nEnableMusic=Yes\r\nUseProxy=No\r\nnull\r\nnull\r\n"));
        GameState state = loadDemo();
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, u"5"_s, u"IBM"_s, 3));
        const GameState stateBefore = state;
        const QMap<QString, QByteArray> before = snapshotFiles(folder());

        const qint64 failAt = failure == u"halfway" ? 1024 : 0;
        FailingReplacer failing;
        if (failure == u"halfway" || failure == u"write")
            failing.failWriteFrom = failAt;
        if (failure == u"rename")
            failing.failCommitFrom = 0;
        const GameFolder disk(folder(), u'.', failing);
        if (failure == u"read-only") {
            QVERIFY(setModeBits(folder(), 0555));
            // Root ignores folder permissions; as nobody the kernel checks them.
            ::setfsuid(::geteuid() == 0 ? 65534 : ::geteuid());
            if (QFile(folder() + u"/probe"_s).open(QIODevice::WriteOnly))
                QSKIP("folder permissions are not enforced for this user");
        }
        // A real failing write from the kernel: the file size limit stops the temporary file.
        rlimit old;
        ::getrlimit(RLIMIT_FSIZE, &old);
        const rlimit small{2000, old.rlim_max};
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (failure == u"size-limit")
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        Settings settings;
        const QString path = operation == u"rewrite"    ? gamePath()
                             : operation == u"settings" ? settingsPath(folder())
                                                        : favPath(); // a new game writes its .fav first
        const FileStatus error =
            operation == u"rewrite"  ? RewriteSavedGameAfterTrade(disk, state, u"99000"_s, u"AAPL"_s, 10)
            : operation == u"create" ? CreateSavedGame(disk, u"Demo"_s, u"2000"_s, {})
            : operation == u"favorite"
                ? AddFavorite(disk, u"Demo"_s, u"IBM"_s)
                : WriteSettings(disk, SettingsChoice{u"Other"_s, true, false, false, {}, {}}, settings);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        ::setfsuid(::geteuid());

        checkWriteError(error, path);
        if (failure == u"read-only")
            QVERIFY2(error->reason.contains(u"permission"_s, Qt::CaseInsensitive), qPrintable(error->reason));
        if (failAt > 0)
            QVERIFY(failing.writes > 1);           // the write really failed part way
        QCOMPARE(snapshotFiles(folder()), before); // old files byte for byte, no temporary file left
        QCOMPARE(state.cash, stateBefore.cash);
        QCOMPARE(state.holdings, stateBefore.holdings);
    }

    // A pair of files whose second rename fails: the first is put back as it was, or the error
    // says exactly what could not be.
    void secondRenameFails_data()
    {
        QTest::addColumn<bool>("oldFavorites");
        QTest::addColumn<QString>("failure"); // of the step after the failed rename
        QTest::addColumn<int>("commits");
        QTest::addColumn<QByteArray>("favorites"); // afterwards
        QTest::addColumn<QString>("text");
        const QByteArray old("old favourites\r\n");
        const QString denied = u"Cannot write the saved game \"<game>\" (permission denied)"_s;
        const QString already = denied + u". The favourites file \"<fav>\" was already "_s;
        const QString again = u" Solve the problem, then do the same again."_s;
        row("old favourites put back", true, "", 2, old, denied + u"; nothing was changed."_s);
        row("new favourites removed", false, "", 2, QByteArray("<missing>"),
            denied + u"; nothing was changed."_s);
        row("old favourites cannot be put back", true, "put back", 2, kHeader,
            already + u"replaced and could not be put back; its old content is kept in \"<kept>\"."_s +
                again);
        row("new favourites cannot be removed", false, "put back", 2, kHeader,
            already + u"written and could not be removed again."_s + again);
        // Nothing was renamed: the favourites file could not be kept, so it was not replaced.
        row("old favourites cannot be kept aside", true, "keep", 0, old,
            u"Cannot write the favourites file \"<fav>\" (its old content could not be kept aside while it "
            "is replaced: too many links); nothing was changed."_s);
    }
    void secondRenameFails()
    {
        QFETCH(bool, oldFavorites);
        QFETCH(QString, failure);
        QFETCH(int, commits);
        QFETCH(QByteArray, favorites);
        QFETCH(QString, text);
        const QString fav = favoritesPath(folder(), u"New"_s), game = savedGamePath(folder(), u"New"_s);
        if (oldFavorites)
            QVERIFY(writeBytes(fav, "old favourites\r\n"));
        FailingReplacer failing;
        failing.failCommitFrom = 1;
        failing.failPutBack = failure == u"put back";
        failing.failKeepOld = failure == u"keep";
        const FileStatus error =
            CreateSavedGame(GameFolder(folder(), u'.', failing), u"New"_s, u"2000"_s, {});
        QCOMPARE(error ? error->action : FileAction::Read, FileAction::Write);
        const QString kept = error->changed.value(0).keptAs;
        QCOMPARE(error->text(),
                 text.replace(u"<game>"_s, game).replace(u"<fav>"_s, fav).replace(u"<kept>"_s, kept));
        QCOMPARE(failing.commits, commits);
        QCOMPARE(readBytes(fav), favorites);
        // Only a copy the error names stays beside the favourites: no half-made game, no
        // temporary file.
        QStringList files = kept.isEmpty() ? QStringList() : QStringList{QFileInfo(kept).fileName()};
        if (favorites != "<missing>")
            files << u"New.fav"_s;
        QCOMPARE(fileNames(folder()), files);
        if (!kept.isEmpty()) {
            QVERIFY(kept.startsWith(folder() + u"/.New.fav."_s) && kept.endsWith(u".old"_s));
            QCOMPARE(readBytes(kept), QByteArray("old favourites\r\n"));
        }
    }

    // An old file's mode is kept (and when it cannot be read the file is left alone rather than
    // given the defaults), a new file gets the defaults, and a link stays a link.
    void replacementDetails()
    {
        QVERIFY(!CreateSavedGame(folder(), u"Demo"_s, u"2000"_s, {}));
        GameState state = loadDemo();
        QVERIFY(setModeBits(gamePath(), 0640));
        const QMap<QString, QByteArray> before = snapshotFiles(folder());
        FailingReplacer failing;
        failing.failReadMode = true;
        const GameFolder disk(folder(), u'.', failing);
        const FileStatus error = RewriteSavedGameAfterTrade(disk, state, u"1"_s, u"A"_s, 1);
        checkWriteError(error, gamePath());
        QCOMPARE(error->reason, u"its permissions could not be read: input/output error"_s);
        QCOMPARE(snapshotFiles(folder()), before);
        QCOMPARE(state.cash, Money::fromDollars(2000));
        const mode_t mask = ::umask(022);
        ::umask(mask);
        QVERIFY(!CreateSavedGame(disk, u"Fresh"_s, u"2000"_s, {}));
        QCOMPARE(modeBits(gamePath(u"Fresh"_s)), int(0666 & ~mask));
        for (const char *name : {"Fresh.qvn", "Fresh.fav", "Fresh.qvh"})
            QVERIFY(QFile::remove(folder() + u'/' + QLatin1String(name)));

        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, u"1"_s, u"A"_s, 1));
        QVERIFY(readBytes(gamePath()).startsWith("1\r\nA\r\n 1 \r\n"));
        QCOMPARE(fileNames(folder()), words("Demo.fav Demo.qvh Demo.qvn"));
        QCOMPARE(modeBits(gamePath()), 0640);

        QVERIFY(QDir(folder()).mkdir(u"real"_s));
        const QString real = folder() + u"/real/Linked.qvn"_s;
        QVERIFY(QFile::rename(gamePath(), real));
        QVERIFY(QFile::link(real, gamePath(u"Linked"_s)));
        state.gameName = u"Linked"_s;
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, u"2"_s, u"A"_s, 1));
        QVERIFY(QFileInfo(gamePath(u"Linked"_s)).isSymLink());
        QVERIFY(readBytes(real).startsWith("2\r\nA\r\n 2 \r\n"));

        const QString empty = folder() + u"/empty.txt"_s;
        QVERIFY(!FileReplacer::onDisk().replace(empty, QByteArray()));
        QCOMPARE(readBytes(empty), QByteArray(""));
        // A folder in the way of the second file stops the pair before the first is touched.
        const QString dir = folder() + u"/Dir.qvn"_s;
        QVERIFY(QDir().mkdir(dir));
        checkWriteError(FileReplacer::onDisk().replace({{empty, "new"}, {dir, "x"}}), dir);
        QCOMPARE(readBytes(empty), QByteArray(""));
        QVERIFY(QFileInfo(dir).isDir());
        QCOMPARE(fileNames(folder()), words("Demo.fav Demo.qvh empty.txt Linked.qvn"));
    }

    // A leading UTF-8 byte order mark is no part of a saved game or favourites file.
    void byteOrderMarkIsSkipped()
    {
        const QByteArray game = "\xEF\xBB\xBF"
                                "1234.5\r\nIBM\r\n 7 \r\n";
        QVERIFY(writeBytes(gamePath(), game));
        QVERIFY(writeBytes(favPath(), "\xEF\xBB\xBF" + kHeader + "IBM\r\n"));
        GameState state;
        QVERIFY(!ReadSavedGame(folder(), u"Demo"_s, state));
        QCOMPARE(state.cash, Money::fromUnits(12345000));
        QCOMPARE(state.holdings, (QList<Holding>{{u"IBM"_s, 7}}));
        Money cash;
        QVERIFY(!ReadSavedGameCash(folder(), u"Demo.qvn"_s, cash));
        QCOMPARE(cash, Money::fromUnits(12345000));
        // A trade's rewrite reads the pairs after the mark and writes the file without it.
        state.gameName = u"Demo"_s;
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, u"1000"_s, u"IBM"_s, 2));
        QCOMPARE(readBytes(gamePath()), QByteArray("1000\r\nIBM\r\n 9 \r\n"));
        QStringList favorites;
        QVERIFY(!ReadFavorites(folder(), u"Demo"_s, favorites));
        QCOMPARE(favorites, words("IBM"));
        QVERIFY(!AddFavorite(folder(), u"Demo"_s, u"MSFT"_s));
        QCOMPARE(readBytes(favPath()), kHeader + "IBM\r\nMSFT\r\n");
    }
};

QTEST_GUILESS_MAIN(TestGameFiles)
#include "test_gamefiles.moc"
