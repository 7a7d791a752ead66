// The game's files: their exact bytes, what reading makes of damaged ones, and replacing them
// whole, failing in each way a disk can. Something other than a file in their place: test_readers.
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

} // namespace

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

    void newGame()
    {
        QVERIFY(!CreateSavedGame(folder(), u"Demo"_s, u"100000"_s, {}));
        const QByteArray game = readBytes(gamePath());
        QCOMPARE(game, gameBytes("100000", {}, "0"));
        QCOMPARE(game.count("\r\n"), 457);
        QVERIFY(game.startsWith("100000\r\nA\r\n0\r\nAAPL\r\n0\r\n"));
        QCOMPARE(readBytes(favPath()), kHeader);
        GameState state = someState();
        QVERIFY(!ReadSavedGame(folder(), u"Demo"_s, state));
        QCOMPARE(state.cash, Money::fromDollars(100000));
        QCOMPARE(state.holdingCount(), 228);
        QCOMPARE(state.holdings.last(), (Holding{u"ZQK"_s, 0}));
        QCOMPARE(state.openTradeDialogs, 1);
        // The game shipped with the program is such a new game.
        const QString source = qEnvironmentVariable("QUORVANE_SOURCE_DIR");
        if (source.isEmpty())
            QSKIP("QUORVANE_SOURCE_DIR is not set; run through ctest");
        QCOMPARE(readBytes(source + u"/assets/player.qvn"_s), game);
        QCOMPARE(readBytes(source + u"/assets/player.fav"_s), kHeader);
    }

    void rewriteAfterTrade_data()
    {
        QTest::addColumn<qint32>("held");
        QTest::addColumn<qint64>("change");
        QTest::addColumn<QByteArray>("printed");
        row("buy 10", 0, qint64(10), QByteArray(" 10 "));
        row("sell all keeps the row", 10, qint64(-10), QByteArray(" 0 "));
        row("negative holding", 0, qint64(-5), QByteArray("-5 "));
        row("up to the largest", 2147483640, qint64(7), QByteArray(" 2147483647 "));
        row("down to the smallest", -2147483647, qint64(-1), QByteArray("-2147483648 "));
    }
    void rewriteAfterTrade()
    {
        QFETCH(qint32, held);
        QFETCH(qint64, change);
        QFETCH(QByteArray, printed);
        QVERIFY(writeBytes(gamePath(), gameBytes("5000", {{u"AAPL"_s, quantityText(held)}})));
        GameState state = loadDemo();
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, u"4123.5"_s, u"AAPL"_s, change));
        QCOMPARE(readBytes(gamePath()), gameBytes("4123.5", {{u"AAPL"_s, printed}}));
        QCOMPARE(state.cash, Money::fromUnits(41235000));
        QCOMPARE(state.holdings[1].quantity, qint32(held + change));
        QCOMPARE(fileNames(folder()), words("Demo.qvn"));
    }

    void rewriteRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("holdingCount");
        QTest::addColumn<QString>("cashText");
        QTest::addColumn<qint64>("change");
        QTest::addColumn<int>("line");
        auto row = [](const char *tag, const QByteArray &file, int count, const char *cash, qint64 change,
                      int line) { ::row(tag, file, count, QString::fromLatin1(cash), change, line); };
        const QByteArray game = gameBytes("5000", {{u"AAPL"_s, " 2147483647 "}, {u"ABX"_s, "-2147483648 "}});
        row("above the largest quantity", game, 228, "4000", 1, 0);
        row("below the smallest quantity", gameBytes("5000", {{u"AAPL"_s, "-2147483648 "}}), 228, "4000", -1,
            0);
        row("change beyond 64 bits", game, 228, "4000", std::numeric_limits<qint64>::max(), 0);
        row("cash text not a number", game, 228, "lots", 1, 0);
        row("file shorter than the game", "5000\r\nAAPL\r\n 3 \r\n", 2, "4000", 1, 4);
        row("file with a bad quantity", "5000\r\nAAPL\r\nmany\r\n", 1, "4000", 1, 3);
    }
    void rewriteRefused()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, holdingCount);
        QFETCH(QString, cashText);
        QFETCH(qint64, change);
        QFETCH(int, line);
        QVERIFY(writeBytes(gamePath(), file));
        GameState state = someState();
        state.holdings.clear();
        for (int i = 0; i < holdingCount; ++i)
            state.holdings.append({i == 0 ? u"AAPL"_s : u"X%1"_s.arg(i), 1});
        const GameState before = state;
        const FileStatus error = RewriteSavedGameAfterTrade(folder(), state, cashText, u"AAPL"_s, change);
        checkWriteError(error, gamePath());
        QCOMPARE(error->line, line);
        QCOMPARE(readBytes(gamePath()), file);
        QCOMPARE(state.cash, before.cash);
        QCOMPARE(state.holdings, before.holdings);
        QCOMPARE(fileNames(folder()), words("Demo.qvn"));
    }

    void rewriteWalksTheFile()
    {
        // A ticker listed twice changes twice; rows beyond the holding count are dropped;
        // a ticker the file lacks changes only the cash.
        QVERIFY(writeBytes(gamePath(), "100\r\nIBM\r\n1\r\nDELL\r\n2\r\nIBM\r\n 3 \r\nHPQ\r\n4\r\n"));
        GameState state = someState();
        state.holdings = {{u"IBM"_s, 1}, {u"DELL"_s, 2}, {u"IBM"_s, 3}};
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, u"90"_s, u"IBM"_s, 5));
        const QByteArray rewritten("90\r\nIBM\r\n 6 \r\nDELL\r\n 2 \r\nIBM\r\n 8 \r\n");
        QCOMPARE(readBytes(gamePath()), rewritten);
        QCOMPARE(state.holdings, (QList<Holding>{{u"IBM"_s, 6}, {u"DELL"_s, 2}, {u"IBM"_s, 8}}));
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, u"80"_s, u"ibm"_s, 5));
        QCOMPARE(readBytes(gamePath()), QByteArray("80" + rewritten.mid(2)));
        QCOMPARE(state.cash, Money::fromDollars(80));
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

    void tradingLeavesAGameNamedWithA2Alone()
    {
        QVERIFY(!CreateSavedGame(folder(), u"X2"_s, u"2000"_s, {}));
        QVERIFY(!CreateSavedGame(folder(), u"X"_s, u"100000"_s, {}));
        const QByteArray other = readBytes(gamePath(u"X2"_s));
        GameState state;
        state.gameName = u"X"_s;
        QVERIFY(!ReadSavedGame(folder(), *state.gameName, state));
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, u"99000"_s, u"IBM"_s, 10));
        QVERIFY(!AddFavorite(folder(), u"X"_s, u"IBM"_s));
        QCOMPARE(readBytes(gamePath(u"X2"_s)), other);
        QCOMPARE(fileNames(folder()), words("X.fav X.qvh X.qvn X2.fav X2.qvh X2.qvn"));
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
        QCOMPARE(settings.defaultGame, u"Old"_s);     // takes effect at the next start

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
        QVERIFY(error);
        QCOMPARE(error->line, 7);
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
        Settings settings{
            u"first"_s, u"Demo"_s, u"LoadFavorites=Yes"_s, u"EnableMusic=Yes"_s, u"UseProxy=No"_s,
            u"null"_s,  u"null"_s};
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
        // Nothing in memory or on disk changed.
        QCOMPARE(state.cash, someState().cash);
        QCOMPARE(state.holdings, someState().holdings);
        QCOMPARE(settings.firstLine, u"first"_s);
        QCOMPARE(favorites, words("IBM"));
        QCOMPARE(cash, Money::fromDollars(5));
        QCOMPARE(readBytes(path), bytes.isNull() ? QByteArray("<missing>") : bytes);
        QCOMPARE(fileNames(folder()).size(), bytes.isNull() ? 0 : 1);
    }

    void errorSentence()
    {
        const FileError read{u"/games/Demo.qvn"_s, 3, u"the quantity is not a whole number"_s};
        QCOMPARE(
            read.text(),
            u"Cannot read the saved game \"/games/Demo.qvn\" (line 3: the quantity is not a whole number)."_s);
        const FileError write{u"/games/options.cfg"_s, 0, u"no space left on device"_s, FileAction::Write};
        QCOMPARE(write.text(),
                 u"Cannot write the settings file \"/games/options.cfg\" (no space left on device); "
                 "nothing was changed."_s);
        const FileError percent{u"/g/%1.fav"_s, 2, u"%2"_s};
        QCOMPARE(percent.text(), u"Cannot read the favourites file \"/g/%1.fav\" (line 2: %2)."_s);
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
        row("old favourites put back", true, "");
        row("new favourites removed", false, "");
        row("old favourites cannot be put back", true, "put back");
        row("new favourites cannot be removed", false, "put back");
        row("old favourites cannot be kept aside", true, "keep");
    }
    void secondRenameFails()
    {
        QFETCH(bool, oldFavorites);
        QFETCH(QString, failure);
        const QString fav = favoritesPath(folder(), u"New"_s), game = savedGamePath(folder(), u"New"_s);
        const QByteArray old("old favourites\r\n");
        if (oldFavorites)
            QVERIFY(writeBytes(fav, old));
        FailingReplacer failing;
        failing.failCommitFrom = 1;
        failing.failPutBack = failure == u"put back";
        failing.failKeepOld = failure == u"keep";
        const FileStatus error =
            CreateSavedGame(GameFolder(folder(), u'.', failing), u"New"_s, u"2000"_s, {});
        const QStringList files = fileNames(folder());
        QVERIFY(error);
        QCOMPARE(error->action, FileAction::Write);
        if (failure == u"keep") {
            // Nothing was renamed: the favourites file could not be kept, so it was not replaced.
            checkWriteError(error, fav);
            QVERIFY2(error->reason.contains(u"could not be kept aside"_s), qPrintable(error->reason));
            QCOMPARE(failing.commits, 0);
            QCOMPARE(readBytes(fav), old);
            QCOMPARE(files, words("New.fav"));
            return;
        }
        QCOMPARE(error->path, game);
        QVERIFY2(error->reason.contains(u"permission"_s, Qt::CaseInsensitive), qPrintable(error->reason));
        QCOMPARE(failing.commits, 2);
        if (failure.isEmpty()) {
            QVERIFY(error->changed.isEmpty());
            QVERIFY2(error->text().endsWith(u"; nothing was changed."_s), qPrintable(error->text()));
            QCOMPARE(readBytes(fav), oldFavorites ? old : QByteArray("<missing>"));
            // No half-made game, no kept copy and no temporary file stays behind.
            QCOMPARE(files, oldFavorites ? words("New.fav") : QStringList());
            return;
        }
        // The favourites file holds the new game's header and the message says so.
        QCOMPARE(readBytes(fav), kHeader);
        QCOMPARE(error->changed.size(), 1);
        QCOMPARE(error->changed[0].path, fav);
        const QString kept = error->changed[0].keptAs;
        const QString start =
            u"Cannot write the saved game \"%1\" (permission denied). The favourites file \"%2\""_s;
        if (oldFavorites) {
            QVERIFY(kept.startsWith(folder() + u"/.New.fav."_s) && kept.endsWith(u".old"_s));
            QCOMPARE(readBytes(kept), old);
            QCOMPARE(error->text(),
                     (start + u" was already replaced and could not be put back; its old content is "
                              "kept in \"%3\". Solve the problem, then do the same again."_s)
                         .arg(game, fav, kept));
            QCOMPARE(files, (QStringList{QFileInfo(kept).fileName(), u"New.fav"_s}));
        } else {
            QVERIFY(kept.isEmpty());
            QCOMPARE(error->text(),
                     (start + u" was already written and could not be removed again. Solve the "
                              "problem, then do the same again."_s)
                         .arg(game, fav));
            QCOMPARE(files, words("New.fav"));
        }
    }

    // A rewrite never gives an existing file the defaults: when its permissions cannot be read,
    // it is left alone. A new file gets the defaults.
    void unreadablePermissionsStopTheRewrite()
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
        QCOMPARE(modeBits(gamePath()), 0640);

        const mode_t mask = ::umask(022);
        ::umask(mask);
        QVERIFY(!CreateSavedGame(disk, u"Fresh"_s, u"2000"_s, {}));
        QCOMPARE(modeBits(gamePath(u"Fresh"_s)), int(0666 & ~mask));
    }

    // A path the system cannot look at is not a missing file: the message says why.
    void systemErrorsAreNotMissingFiles_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("reason");
        row("link to itself", "loop", "too many levels of symbolic links");
        row("folder is a file", "file as folder", "not a directory");
        row("name too long", "long name", "file name too long");
    }
    void systemErrorsAreNotMissingFiles()
    {
        QFETCH(QString, setup);
        QFETCH(QString, reason);
        QString where = folder(), game = u"Demo"_s;
        if (setup == u"loop") {
            QVERIFY(QFile::link(gamePath(), gamePath()));
            QVERIFY(QFile::link(favPath(), favPath()));
        } else if (setup == u"file as folder") {
            where = folder() + u"/plain"_s;
            QVERIFY(writeBytes(where, "x"));
        } else {
            game = QString(300, u'x');
        }
        GameState state = someState();
        QStringList favorites;
        for (const FileStatus &error :
             {ReadSavedGame(where, game, state), ReadFavorites(where, game, favorites),
              AddFavorite(where, game, u"IBM"_s)}) {
            QVERIFY(error);
            QCOMPARE(error->reason, reason);
        }
        // A favourites link that leads nowhere is not replaced by a new file.
        if (setup == u"loop")
            QVERIFY(QFileInfo(favPath()).isSymLink());
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
        // A trade's rewrite reads the pairs after the mark and writes the file without it.
        state.gameName = u"Demo"_s;
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, u"1000"_s, u"IBM"_s, 2));
        QCOMPARE(readBytes(gamePath()), QByteArray("1000\r\nIBM\r\n 9 \r\n"));
        QVERIFY(writeBytes(gamePath(), game));
        Money cash;
        QVERIFY(!ReadSavedGameCash(folder(), u"Demo.qvn"_s, cash));
        QCOMPARE(cash, Money::fromUnits(12345000));
        QStringList favorites;
        QVERIFY(!ReadFavorites(folder(), u"Demo"_s, favorites));
        QCOMPARE(favorites, words("IBM"));
        // A rewrite writes the file as the game does, header first.
        QVERIFY(!AddFavorite(folder(), u"Demo"_s, u"MSFT"_s));
        QCOMPARE(readBytes(favPath()), kHeader + "IBM\r\nMSFT\r\n");
    }

    // An old file's mode is kept, no temporary file stays, and a link stays a link.
    void replacementDetails()
    {
        QVERIFY(!CreateSavedGame(folder(), u"Demo"_s, u"2000"_s, {}));
        GameState state = loadDemo();
        QVERIFY(setModeBits(gamePath(), 0640));
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
};

QTEST_GUILESS_MAIN(TestGameFiles)
#include "test_gamefiles.moc"
