#include "model/gamefileformat.h"
#include "model/gamefiles.h"
#include "model/numbertext.h"
#include "model/stockcatalogue.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The saved game a rewrite writes, built by hand: every quantity in the numeric print form.
QByteArray rewrittenGame(const QByteArray &cash, const QHash<QString, QByteArray> &quantities)
{
    QByteArray bytes = cash + "\r\n";
    for (const QString &ticker : AllTickersAlphabetical())
        bytes += ticker.toLatin1() + "\r\n" + quantities.value(ticker, " 0 ") + "\r\n";
    return bytes;
}

GameState someState()
{
    GameState state;
    state.gameName = QStringLiteral("Demo");
    state.cash = Money::fromDollars(42);
    state.holdings = {{QStringLiteral("IBM"), 7}};
    state.openTradeDialogs = 1;
    return state;
}

} // namespace

class TestGameFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString folder() const { return m_dir->path(); }

    GameState loadDemo()
    {
        GameState state;
        state.gameName = QStringLiteral("Demo");
        const FileStatus error = ReadSavedGame(folder(), state.gameName, state);
        if (error)
            qWarning() << error->text();
        return state;
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
        delete m_dir;
        resetDecimalSeparator();
    }

    void newGameBytes_data()
    {
        QTest::addColumn<QString>("cash");
        QTest::addRow("easy") << "100000";
        QTest::addRow("medium") << "10000";
        QTest::addRow("hard") << "2000";
    }
    void newGameBytes()
    {
        QFETCH(QString, cash);
        QVERIFY(!CreateSavedGame(folder(), QStringLiteral("Demo"), cash));
        const QByteArray game = readBytes(savedGamePath(folder(), QStringLiteral("Demo")));
        QCOMPARE(game, newSavedGameBytes(cash));
        QCOMPARE(game.count("\r\n"), 457);
        QCOMPARE(game.count('\n'), 457);
        QCOMPARE(game.count('\r'), 457);
        QVERIFY(game.startsWith(cash.toLatin1() + "\r\nA\r\n0\r\nAAPL\r\n0\r\nABX\r\n0\r\n"));
        QVERIFY(game.endsWith("\r\nZMH\r\n0\r\nZQK\r\n0\r\n"));
        QCOMPARE(readBytes(favoritesPath(folder(), QStringLiteral("Demo"))),
                 QByteArray("[Quorvane Favorites File]\r\n"));
        QCOMPARE(QDir(folder()).entryList(QDir::Files), (QStringList{"Demo.fav", "Demo.qvn"}));
    }

    void readNewGame()
    {
        QVERIFY(!CreateSavedGame(folder(), QStringLiteral("Demo"), QStringLiteral("100000")));
        GameState state = someState();
        QVERIFY(!ReadSavedGame(folder(), QStringLiteral("Demo"), state));
        QCOMPARE(state.cash, Money::fromDollars(100000));
        QCOMPARE(state.holdingCount(), 228);
        QCOMPARE(state.holdings.first(), (Holding{QStringLiteral("A"), 0}));
        QCOMPARE(state.holdings.last(), (Holding{QStringLiteral("ZQK"), 0}));
        QCOMPARE(state.openTradeDialogs, 1);
        QStringList favorites{QStringLiteral("stale")};
        QVERIFY(!ReadFavorites(folder(), QStringLiteral("Demo"), favorites));
        QVERIFY(favorites.isEmpty());
        Money cash;
        QVERIFY(!ReadSavedGameCash(folder(), QStringLiteral("Demo.qvn"), cash));
        QCOMPARE(cash, Money::fromDollars(100000));
    }

    void rewriteAfterTrade_data()
    {
        QTest::addColumn<qint32>("held");
        QTest::addColumn<qint64>("change");
        QTest::addColumn<QByteArray>("printed");
        QTest::addRow("buy 10") << 0 << qint64(10) << QByteArray(" 10 ");
        QTest::addRow("sell all keeps the row") << 10 << qint64(-10) << QByteArray(" 0 ");
        QTest::addRow("negative holding") << 0 << qint64(-5) << QByteArray("-5 ");
        QTest::addRow("up to the largest quantity") << 2147483640 << qint64(7) << QByteArray(" 2147483647 ");
        QTest::addRow("down to the smallest quantity")
            << -2147483647 << qint64(-1) << QByteArray("-2147483648 ");
    }
    void rewriteAfterTrade()
    {
        QFETCH(qint32, held);
        QFETCH(qint64, change);
        QFETCH(QByteArray, printed);
        const QString path = savedGamePath(folder(), QStringLiteral("Demo"));
        writeBytes(path, rewrittenGame("5000", {{"AAPL", quantityText(held)}}));
        GameState state = loadDemo();
        QCOMPARE(state.holdings[1].quantity, held);

        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("4123.5"), QStringLiteral("AAPL"),
                                            change));
        QCOMPARE(readBytes(path), rewrittenGame("4123.5", {{"AAPL", printed}}));
        QCOMPARE(state.cash, Money::fromUnits(41235000));
        QCOMPARE(state.holdings[1].quantity, qint32(held + change));
        const GameState reread = loadDemo();
        QCOMPARE(reread.cash, state.cash);
        QCOMPARE(reread.holdings, state.holdings);
        QVERIFY(!QFile::exists(path + ".tmp"));
    }

    void rewriteRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("holdingCount");
        QTest::addColumn<QString>("cashText");
        QTest::addColumn<qint64>("change");
        QTest::addColumn<int>("line");
        const QByteArray game = rewrittenGame("5000", {{"AAPL", " 2147483647 "}, {"ABX", "-2147483648 "}});
        QTest::addRow("above the largest quantity") << game << 228 << "4000" << qint64(1) << 0;
        QTest::addRow("below the smallest quantity")
            << rewrittenGame("5000", {{"AAPL", "-2147483648 "}}) << 228 << "4000" << qint64(-1) << 0;
        QTest::addRow("change beyond 64 bits")
            << game << 228 << "4000" << std::numeric_limits<qint64>::max() << 0;
        QTest::addRow("cash text not a number") << game << 228 << "lots" << qint64(1) << 0;
        QTest::addRow("file shorter than the game")
            << QByteArray("5000\r\nAAPL\r\n 3 \r\n") << 2 << "4000" << qint64(1) << 4;
        QTest::addRow("file with a bad quantity")
            << QByteArray("5000\r\nAAPL\r\nmany\r\n") << 1 << "4000" << qint64(1) << 3;
    }
    void rewriteRefused()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, holdingCount);
        QFETCH(QString, cashText);
        QFETCH(qint64, change);
        QFETCH(int, line);
        const QString path = savedGamePath(folder(), QStringLiteral("Demo"));
        writeBytes(path, file);
        GameState state = someState();
        state.holdings.clear();
        for (int i = 0; i < holdingCount; ++i)
            state.holdings.append({i == 0 ? QStringLiteral("AAPL") : QStringLiteral("X%1").arg(i), 1});
        const GameState before = state;

        const FileStatus error =
            RewriteSavedGameAfterTrade(folder(), state, cashText, QStringLiteral("AAPL"), change);
        QVERIFY(error);
        QCOMPARE(error->path, path);
        QCOMPARE(error->line, line);
        QCOMPARE(error->action, FileAction::Write);
        QVERIFY2(error->text().contains("\"" + path + "\""), qPrintable(error->text()));
        QCOMPARE(readBytes(path), file);
        QCOMPARE(state.cash, before.cash);
        QCOMPARE(state.holdings, before.holdings);
        QCOMPARE(QDir(folder()).entryList(QDir::Files), QStringList{"Demo.qvn"});
    }

    void rewriteWalksTheFile()
    {
        // A ticker listed twice changes twice; rows beyond the holding count are dropped;
        // a ticker the file lacks changes only the cash.
        const QString path = savedGamePath(folder(), QStringLiteral("Demo"));
        writeBytes(path, "100\r\nIBM\r\n1\r\nDELL\r\n2\r\nIBM\r\n 3 \r\nHPQ\r\n4\r\n");
        GameState state = someState();
        state.holdings = {{"IBM", 1}, {"DELL", 2}, {"IBM", 3}};
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("90"), QStringLiteral("IBM"), 5));
        QCOMPARE(readBytes(path), QByteArray("90\r\nIBM\r\n 6 \r\nDELL\r\n 2 \r\nIBM\r\n 8 \r\n"));
        QCOMPARE(state.holdings, (QList<Holding>{{"IBM", 6}, {"DELL", 2}, {"IBM", 8}}));

        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("80"), QStringLiteral("ibm"), 5));
        QCOMPARE(readBytes(path), QByteArray("80\r\nIBM\r\n 6 \r\nDELL\r\n 2 \r\nIBM\r\n 8 \r\n"));
        QCOMPARE(state.cash, Money::fromDollars(80));
    }

    void decimalCommaRoundTrip()
    {
        setDecimalSeparator(u',');
        QVERIFY(!CreateSavedGame(folder(), QStringLiteral("Demo"), QStringLiteral("2000")));
        GameState state = loadDemo();
        QVERIFY(
            !RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("1234,5"), QStringLiteral("A"), 1));
        QVERIFY(
            readBytes(savedGamePath(folder(), QStringLiteral("Demo"))).startsWith("1234,5\r\nA\r\n 1 \r\n"));
        QCOMPARE(loadDemo().cash, Money::fromUnits(12345000));
        Money cash;
        QVERIFY(!ReadSavedGameCash(folder(), QStringLiteral("Demo.qvn"), cash));
        QCOMPARE(cash, Money::fromUnits(12345000));
    }

    void tradingLeavesAGameNamedWithA2Alone()
    {
        QVERIFY(!CreateSavedGame(folder(), QStringLiteral("X2"), QStringLiteral("2000")));
        QVERIFY(!CreateSavedGame(folder(), QStringLiteral("X"), QStringLiteral("100000")));
        const QByteArray other = readBytes(savedGamePath(folder(), QStringLiteral("X2")));
        GameState state;
        state.gameName = QStringLiteral("X");
        QVERIFY(!ReadSavedGame(folder(), state.gameName, state));
        QVERIFY(
            !RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("99000"), QStringLiteral("IBM"), 10));
        QVERIFY(!AddFavorite(folder(), QStringLiteral("X"), QStringLiteral("IBM")));
        QCOMPARE(readBytes(savedGamePath(folder(), QStringLiteral("X2"))), other);
        QCOMPARE(QDir(folder()).entryList(QDir::Files), (QStringList{"X.fav", "X.qvn", "X2.fav", "X2.qvn"}));
    }

    void settingsSwitches_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("favorites");
        QTest::addColumn<bool>("music");
        QTest::addColumn<bool>("proxy");
        QTest::addRow("all on")
            << QByteArray(
                   "Q\r\nDemo\r\nLoadFavorites=Yes\r\nEnableMusic=Yes\r\nUseProxy=Yes\r\nh\r\n8080\r\n")
            << true << true << true;
        QTest::addRow("all off")
            << QByteArray(
                   "Q\r\nDemo\r\nLoadFavorites=No\r\nEnableMusic=No\r\nUseProxy=No\r\nnull\r\nnull\r\n")
            << false << false << false;
        QTest::addRow("trailing blanks turn switches off, music on")
            << QByteArray("Q\r\nDemo\r\nLoadFavorites=Yes \r\nEnableMusic=No \r\nUseProxy=Yes \r\nh\r\n1\r\n")
            << false << true << false;
        QTest::addRow("case matters")
            << QByteArray("Q\r\nDemo\r\nloadfavorites=yes\r\nENABLEMUSIC=NO\r\nUseProxy=yes\r\nh\r\n1\r\n")
            << false << true << false;
        QTest::addRow("last line without a line end")
            << QByteArray("Q\r\nDemo\r\nLoadFavorites=Yes\r\nEnableMusic=No\r\nUseProxy=Yes\r\nh\r\n1")
            << true << false << true;
    }
    void settingsSwitches()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, favorites);
        QFETCH(bool, music);
        QFETCH(bool, proxy);
        writeBytes(settingsPath(folder()), file);
        Settings settings;
        QVERIFY(!ReadSettings(folder(), settings));
        QCOMPARE(settings.defaultGame, QStringLiteral("Demo"));
        QCOMPARE(settings.loadFavorites(), favorites);
        QCOMPARE(settings.musicEnabled(), music);
        QCOMPARE(settings.useProxy(), proxy);
    }

    void writeSettings()
    {
        const QByteArray firstLine("[Quorvane Options] \xe9t\xe9 ");
        writeBytes(
            settingsPath(folder()),
            firstLine +
                "\r\nOld\r\nLoadFavorites=No\r\nEnableMusic=Yes\r\nUseProxy=Yes\r\nproxy.lan\r\n3128\r\n");
        Settings settings;
        QVERIFY(!ReadSettings(folder(), settings));

        SettingsChoice off{QStringLiteral("Demo"), true, false, false, QStringLiteral("ignored"),
                           QStringLiteral("1")};
        QVERIFY(!WriteSettings(folder(), off, settings));
        QCOMPARE(readBytes(settingsPath(folder())),
                 firstLine +
                     "\r\nDemo\r\nLoadFavorites=Yes\r\nEnableMusic=No\r\nUseProxy=No\r\nnull\r\nnull\r\n");
        QCOMPARE(settings.favoritesLine, QStringLiteral("LoadFavorites=Yes"));
        QCOMPARE(settings.musicLine, QStringLiteral("EnableMusic=No"));
        QVERIFY(!settings.useProxy());
        QCOMPARE(settings.proxyHost, QStringLiteral("proxy.lan")); // kept in memory, unused
        QCOMPARE(settings.proxyPort, QStringLiteral("3128"));
        QCOMPARE(settings.defaultGame, QStringLiteral("Old")); // takes effect at the next start

        SettingsChoice on{QStringLiteral("Demo"), false, true, true, QStringLiteral(" 10.0.0.1 "),
                          QStringLiteral("8080")};
        QVERIFY(!WriteSettings(folder(), on, settings));
        QCOMPARE(
            readBytes(settingsPath(folder())),
            firstLine +
                "\r\nDemo\r\nLoadFavorites=No\r\nEnableMusic=Yes\r\nUseProxy=Yes\r\n 10.0.0.1 \r\n8080\r\n");
        QCOMPARE(settings.proxyHost, QStringLiteral(" 10.0.0.1 "));
        QVERIFY(settings.useProxy());

        // A value that cannot be stored on one 8-bit line is refused and changes nothing.
        const QByteArray before = readBytes(settingsPath(folder()));
        const Settings kept = settings;
        for (const QString &host : {QStringLiteral("a\r\nb"), QString::fromUtf8("\xc5\x81\xc3\xb3"
                                                                                "d\xc5\xba")}) {
            SettingsChoice bad = on;
            bad.proxyHost = host;
            const FileStatus error = WriteSettings(folder(), bad, settings);
            QVERIFY(error);
            QCOMPARE(error->path, settingsPath(folder()));
            QCOMPARE(readBytes(settingsPath(folder())), before);
            QCOMPARE(settings.proxyLine, kept.proxyLine);
        }
    }

    void writeSettingsNeedsTheFile()
    {
        Settings settings;
        const FileStatus error = WriteSettings(folder(), SettingsChoice{}, settings);
        QVERIFY(error);
        QCOMPARE(error->action, FileAction::Write);
        QVERIFY(QDir(folder()).entryList(QDir::Files).isEmpty());
    }

    void favorites()
    {
        const QString game = QStringLiteral("Demo");
        const QString path = favoritesPath(folder(), game);
        writeBytes(path, "[Quorvane Favorites File]\r\nIBM\r\nDELL\r\n");
        QVERIFY(!AddFavorite(folder(), game, QStringLiteral("AAPL")));
        QCOMPARE(readBytes(path), QByteArray("[Quorvane Favorites File]\r\nIBM\r\nDELL\r\nAAPL\r\n"));
        QVERIFY(!RemoveFavorite(folder(), game, QStringLiteral("IBM")));
        QCOMPARE(readBytes(path), QByteArray("[Quorvane Favorites File]\r\nDELL\r\nAAPL\r\n"));

        QVERIFY(!AddFavorite(folder(), game, QStringLiteral("AAPL")));
        QStringList tickers;
        QVERIFY(!ReadFavorites(folder(), game, tickers));
        QCOMPARE(tickers, (QStringList{"DELL", "AAPL", "AAPL"}));
        QVERIFY(!RemoveFavorite(folder(), game, QStringLiteral("aapl"))); // case matters
        QVERIFY(!RemoveFavorite(folder(), game, QStringLiteral("AAPL")));
        QCOMPARE(readBytes(path), QByteArray("[Quorvane Favorites File]\r\nDELL\r\n"));

        // The header is never taken for a ticker.
        QVERIFY(!RemoveFavorite(folder(), game, QString::fromLatin1(kFavoritesHeader)));
        QCOMPARE(readBytes(path), QByteArray("[Quorvane Favorites File]\r\nDELL\r\n"));
        // A ticker that would read back as other fields is refused.
        QVERIFY(AddFavorite(folder(), game, QStringLiteral("A,B")));
        QCOMPARE(QDir(folder()).entryList(QDir::Files), QStringList{"Demo.fav"});
    }

    void favoritesFileRecreated_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addRow("missing file") << false;
        QTest::addRow("empty file") << true;
    }
    void favoritesFileRecreated()
    {
        QFETCH(bool, exists);
        const QString path = favoritesPath(folder(), QStringLiteral("Demo"));
        if (exists)
            writeBytes(path, QByteArray());
        QVERIFY(!AddFavorite(folder(), QStringLiteral("Demo"), QStringLiteral("IBM")));
        QCOMPARE(readBytes(path), QByteArray("[Quorvane Favorites File]\r\nIBM\r\n"));
    }

    void favoritesExtraEmptyLine()
    {
        writeBytes(favoritesPath(folder(), QStringLiteral("Demo")),
                   "[Quorvane Favorites File]\r\nIBM\r\n\r\n");
        QStringList tickers;
        QVERIFY(!ReadFavorites(folder(), QStringLiteral("Demo"), tickers));
        QCOMPARE(tickers, (QStringList{"IBM", ""}));
    }

    void holdingsForStatistics()
    {
        writeBytes(savedGamePath(folder(), QStringLiteral("Demo")),
                   "  12.5 \r\nIBM\r\n 3 \r\nDELL\r\n-1 \r\nHPQ\r\nbad\r\n");
        SavedHoldings out;
        QVERIFY(!ReadHoldingsFromFile(folder(), QStringLiteral("Demo"), 2, out));
        QCOMPARE(out.cashLine, QStringLiteral("  12.5 "));
        QCOMPARE(out.holdings, (QList<Holding>{{"IBM", 3}, {"DELL", -1}}));
        const FileStatus error = ReadHoldingsFromFile(folder(), QStringLiteral("Demo"), 4, out);
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
        const QByteArray newGame = newSavedGameBytes(QStringLiteral("100000"));
        QByteArray tooMany("1\r\n");
        for (int i = 0; i <= 32767; ++i)
            tooMany += "A\r\n0\r\n";
        QTest::addRow("game missing") << "game" << QByteArray() << 0 << "does not exist";
        QTest::addRow("game empty") << "game" << QByteArray("") << 1 << "empty";
        QTest::addRow("cash not a number") << "game" << QByteArray("lots\r\nA\r\n0\r\n") << 1 << "cash line";
        QTest::addRow("cash line blank") << "game" << QByteArray("\r\nA\r\n0\r\n") << 1 << "cash line";
        QTest::addRow("quantity not a number")
            << "game" << QByteArray("100\r\nA\r\nx\r\n") << 3 << "not a whole number";
        QTest::addRow("quantity with a fraction")
            << "game" << QByteArray("100\r\nA\r\n 2.5 \r\n") << 3 << "not a whole number";
        QTest::addRow("quantity missing")
            << "game" << QByteArray("100\r\nA\r\n\r\nB\r\n1\r\n") << 3 << "not a whole number";
        QTest::addRow("quantity beyond 32 bits")
            << "game" << QByteArray("100\r\nA\r\n2147483648\r\n") << 3 << "beyond what a holding";
        QTest::addRow("ends after a ticker")
            << "game" << QByteArray("100\r\nA\r\n0\r\nB\r\n") << 4 << "ends between";
        QTest::addRow("extra empty line at the end") << "game" << newGame + "\r\n" << 458 << "ends between";
        QTest::addRow("binary junk") << "game" << QByteArray("100\r\nA\r\n\x00\x01\x02", 10) << 3
                                     << "not a text file";
        QTest::addRow("more than 32767 pairs") << "game" << tooMany << 65536 << "more than 32767";
        QTest::addRow("cash preview of junk") << "cash"
                                              << QByteArray("\x7f"
                                                            "ELF")
                                              << 1 << "not a text file";
        QTest::addRow("cash preview missing") << "cash" << QByteArray() << 0 << "does not exist";
        QTest::addRow("settings missing") << "settings" << QByteArray() << 0 << "does not exist";
        QTest::addRow("settings empty") << "settings" << QByteArray("") << 1 << "empty";
        QTest::addRow("settings of six lines") << "settings" << QByteArray("a\r\nb\r\nc\r\nd\r\ne\r\nf\r\n")
                                               << 7 << "after 6 of its seven lines";
        QTest::addRow("favourites missing") << "favorites" << QByteArray() << 0 << "does not exist";
        QTest::addRow("favourites empty") << "favorites" << QByteArray("") << 1 << "empty";
        QTest::addRow("favourites junk")
            << "favorites" << QByteArray("[Quorvane Favorites File]\r\nIBM\r\n\x1b[2J") << 3
            << "not a text file";
    }
    void malformedFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QFETCH(QString, reason);
        const QString game = QStringLiteral("Demo");
        const QString path = kind == "settings"    ? settingsPath(folder())
                             : kind == "favorites" ? favoritesPath(folder(), game)
                                                   : savedGamePath(folder(), game);
        if (!bytes.isNull())
            writeBytes(path, bytes);

        GameState state = someState();
        Settings settings{"first", "Demo", "LoadFavorites=Yes", "EnableMusic=Yes", "UseProxy=No",
                          "null",  "null"};
        QStringList favorites{QStringLiteral("IBM")};
        Money cash = Money::fromDollars(5);
        FileStatus error;
        if (kind == "game")
            error = ReadSavedGame(folder(), game, state);
        else if (kind == "cash")
            error = ReadSavedGameCash(folder(), game + ".qvn", cash);
        else if (kind == "settings")
            error = ReadSettings(folder(), settings);
        else
            error = ReadFavorites(folder(), game, favorites);

        QVERIFY(error);
        QCOMPARE(error->path, path);
        QCOMPARE(error->line, line);
        QCOMPARE(error->action, FileAction::Read);
        QVERIFY2(error->reason.contains(reason), qPrintable(error->reason));
        const QString text = error->text();
        QVERIFY2(text.startsWith("Cannot read the ") && text.contains("\"" + path + "\"") &&
                     text.endsWith(")."),
                 qPrintable(text));
        if (line > 0)
            QVERIFY2(text.contains(QStringLiteral("(line %1: ").arg(line)), qPrintable(text));
        // Nothing in memory or on disk changed.
        QCOMPARE(state.cash, someState().cash);
        QCOMPARE(state.holdings, someState().holdings);
        QCOMPARE(settings.firstLine, QStringLiteral("first"));
        QCOMPARE(favorites, QStringList{"IBM"});
        QCOMPARE(cash, Money::fromDollars(5));
        QCOMPARE(readBytes(path), bytes.isNull() ? QByteArray("<missing>") : bytes);
        QCOMPARE(QDir(folder()).entryList(QDir::Files).size(), bytes.isNull() ? 0 : 1);
    }

    void errorSentence()
    {
        const FileError read{QStringLiteral("/games/Demo.qvn"), 3,
                             QStringLiteral("the quantity is not a whole number")};
        QCOMPARE(read.text(), QStringLiteral("Cannot read the saved game \"/games/Demo.qvn\" (line 3: the "
                                             "quantity is not a whole number)."));
        const FileError write{QStringLiteral("/games/options.cfg"), 0,
                              QStringLiteral("no space left on device"), FileAction::Write};
        QCOMPARE(write.text(), QStringLiteral("Cannot write the settings file \"/games/options.cfg\" (no "
                                              "space left on device); nothing was changed."));
        const FileError percent{QStringLiteral("/g/%1.fav"), 2, QStringLiteral("%2")};
        QCOMPARE(percent.text(),
                 QStringLiteral("Cannot read the favourites file \"/g/%1.fav\" (line 2: %2)."));
    }

    void gameNameWithASlashRefused()
    {
        const FileStatus error = CreateSavedGame(folder(), QStringLiteral("../Demo"), QStringLiteral("2000"));
        QVERIFY(error);
        QVERIFY(QDir(folder()).entryList(QDir::Files).isEmpty());
        QVERIFY(!QFile::exists(folder() + "/../Demo.qvn"));
    }

    void shippedDefaultGame()
    {
        const QString source = qEnvironmentVariable("QUORVANE_SOURCE_DIR");
        if (source.isEmpty())
            QSKIP("QUORVANE_SOURCE_DIR is not set; run through ctest");
        QCOMPARE(readBytes(source + "/assets/player.qvn"), newSavedGameBytes(QStringLiteral("100000")));
        QCOMPARE(readBytes(source + "/assets/player.fav"), QByteArray("[Quorvane Favorites File]\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestGameFiles)
#include "test_gamefiles.moc"
