#include "common/failingreplacer.h"
#include "common/notafile.h"
#include "model/atomicfile.h"
#include "model/fieldreader.h"
#include "model/gamefileformat.h"
#include "model/gamefiles.h"
#include "model/numbertext.h"
#include "model/stockcatalogue.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Every file of a folder with its bytes, to prove that a failed operation left it as it was.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        files.insert(name, readBytes(folder + u'/' + name));
    return files;
}

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
    return GameState{QStringLiteral("Demo"), Money::fromDollars(42), {{QStringLiteral("IBM"), 7}}, 1};
}

} // namespace

class TestGameFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString folder() const { return m_dir->path(); }
    QString gamePath(const char *name = "Demo") const
    {
        return savedGamePath(folder(), QString::fromLatin1(name));
    }
    QString favPath() const { return favoritesPath(folder(), QStringLiteral("Demo")); }

    GameState loadDemo()
    {
        GameState state;
        state.gameName = QStringLiteral("Demo");
        if (const FileStatus error = ReadSavedGame(folder(), *state.gameName, state))
            qWarning() << error->text();
        return state;
    }

    void checkWriteError(const FileStatus &error, const QString &path)
    {
        QVERIFY(error);
        QCOMPARE(error->path, path);
        QCOMPARE(error->action, FileAction::Write);
        QVERIFY2(error->text().contains(u"\""_s + path + u"\""_s), qPrintable(error->text()));
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
        ::chmod(QFile::encodeName(folder()).constData(), 0700);
        delete m_dir;
    }

    // Each step of a script reads one thing: L a whole line, T a text field, N a number field.
    // The results are "text@line", or "<end>" when nothing was left to read.
    void fieldReader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("results");
        QTest::addRow("blanks before a field skipped")
            << QByteArray("   IBM\r\n") << "T" << QStringList{u"IBM@1"_s};
        QTest::addRow("blanks after text kept")
            << QByteArray("IBM  \r\n") << "T" << QStringList{u"IBM  @1"_s};
        QTest::addRow("comma ends a field")
            << QByteArray("A,B\r\n") << "TT" << QStringList{u"A@1"_s, u"B@1"_s};
        QTest::addRow("number ends at a blank")
            << QByteArray("12 34\r\n") << "NN" << QStringList{u"12@1"_s, u"34@1"_s};
        QTest::addRow("blanks then comma after number")
            << QByteArray(" 5 ,X\r\n") << "NT" << QStringList{u"5@1"_s, u"X@1"_s};
        QTest::addRow("quoted field holds a comma")
            << QByteArray("\"A,B\" junk,C\r\n") << "TT" << QStringList{u"A,B@1"_s, u"C@1"_s};
        QTest::addRow("quoted field spans lines")
            << QByteArray("\"A\r\nB\"\r\nC\r\n") << "TT" << QStringList{u"A\r\nB@1"_s, u"C@3"_s};
        QTest::addRow("unterminated quote runs to the end")
            << QByteArray("\"ABC") << "TT" << QStringList{u"ABC@1"_s, u"<end>"_s};
        QTest::addRow("LF line ends") << QByteArray("A\nB\n") << "TT" << QStringList{u"A@1"_s, u"B@2"_s};
        QTest::addRow("CR line ends")
            << QByteArray("A\rB\r") << "TTT" << QStringList{u"A@1"_s, u"B@2"_s, u"<end>"_s};
        QTest::addRow("whole line keeps blanks and commas")
            << QByteArray("  a, b \r\nx") << "LL" << QStringList{u"  a, b @1"_s, u"x@2"_s};
        QTest::addRow("nothing to read") << QByteArray() << "TN" << QStringList{u"<end>"_s, u"<end>"_s};
        QTest::addRow("number without a line end") << QByteArray("7") << "N" << QStringList{u"7@1"_s};
        QTest::addRow("blanks only before the end") << QByteArray("   ") << "N" << QStringList{u"@1"_s};
        QTest::addRow("line then fields") << QByteArray("100000\r\nA\r\n0\r\n") << "LTNT"
                                          << QStringList{u"100000@1"_s, u"A@2"_s, u"0@3"_s, u"<end>"_s};
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
            else if (step == u'T')
                value = reader.readField();
            else
                value = reader.readNumberField();
            got.append(value ? QString::fromLatin1(*value) + u'@' + QString::number(reader.fieldLine())
                             : QStringLiteral("<end>"));
        }
        QCOMPARE(got, results);
    }

    void newGame()
    {
        QVERIFY(!CreateSavedGame(folder(), QStringLiteral("Demo"), QStringLiteral("100000"), {}));
        const QByteArray game = readBytes(gamePath());
        QCOMPARE(game, gameBytes("100000", {}, "0"));
        QCOMPARE(game.count("\r\n"), 457);
        QVERIFY(game.startsWith("100000\r\nA\r\n0\r\nAAPL\r\n0\r\n"));
        QCOMPARE(readBytes(favPath()), QByteArray("[Quorvane Favorites File]\r\n"));

        GameState state = someState();
        QVERIFY(!ReadSavedGame(folder(), QStringLiteral("Demo"), state));
        QCOMPARE(state.cash, Money::fromDollars(100000));
        QCOMPARE(state.holdingCount(), 228);
        QCOMPARE(state.holdings.last(), (Holding{QStringLiteral("ZQK"), 0}));
        QCOMPARE(state.openTradeDialogs, 1);

        // The game shipped with the program is such a new game.
        const QString source = qEnvironmentVariable("QUORVANE_SOURCE_DIR");
        if (source.isEmpty())
            QSKIP("QUORVANE_SOURCE_DIR is not set; run through ctest");
        QCOMPARE(readBytes(source + u"/assets/player.qvn"_s), game);
        QCOMPARE(readBytes(source + u"/assets/player.fav"_s), QByteArray("[Quorvane Favorites File]\r\n"));
    }

    void rewriteAfterTrade_data()
    {
        QTest::addColumn<qint32>("held");
        QTest::addColumn<qint64>("change");
        QTest::addColumn<QByteArray>("printed");
        QTest::addRow("buy 10") << 0 << qint64(10) << QByteArray(" 10 ");
        QTest::addRow("sell all keeps the row") << 10 << qint64(-10) << QByteArray(" 0 ");
        QTest::addRow("negative holding") << 0 << qint64(-5) << QByteArray("-5 ");
        QTest::addRow("up to the largest") << 2147483640 << qint64(7) << QByteArray(" 2147483647 ");
        QTest::addRow("down to the smallest") << -2147483647 << qint64(-1) << QByteArray("-2147483648 ");
    }
    void rewriteAfterTrade()
    {
        QFETCH(qint32, held);
        QFETCH(qint64, change);
        QFETCH(QByteArray, printed);
        writeBytes(gamePath(), gameBytes("5000", {{u"AAPL"_s, quantityText(held)}}));
        GameState state = loadDemo();
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("4123.5"), QStringLiteral("AAPL"),
                                            change));
        QCOMPARE(readBytes(gamePath()), gameBytes("4123.5", {{u"AAPL"_s, printed}}));
        QCOMPARE(state.cash, Money::fromUnits(41235000));
        QCOMPARE(state.holdings[1].quantity, qint32(held + change));
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{u"Demo.qvn"_s});
    }

    void rewriteRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("holdingCount");
        QTest::addColumn<QString>("cashText");
        QTest::addColumn<qint64>("change");
        QTest::addColumn<int>("line");
        auto row = [](const char *tag, const QByteArray &file, int count, const char *cash, qint64 change,
                      int line) {
            QTest::newRow(tag) << file << count << QString::fromLatin1(cash) << change << line;
        };
        const QByteArray game = gameBytes("5000", {{u"AAPL"_s, " 2147483647 "}, {u"ABX"_s, "-2147483648 "}});
        row("above the largest quantity", game, 228, "4000", 1, 0);
        row("below the smallest quantity", gameBytes("5000", {{u"AAPL"_s, "-2147483648 "}}), 228, "4000", -1,
            0);
        row("second row of a ticker above the largest",
            gameBytes("5000", {{u"AAPL"_s, " 0 "}, {u"ABX"_s, " 1 "}, {u"AAPL"_s, " 2147483647 "}}), 228,
            "4000", 1, 0);
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
        writeBytes(gamePath(), file);
        GameState state = someState();
        state.holdings.clear();
        for (int i = 0; i < holdingCount; ++i)
            state.holdings.append({i == 0 ? QStringLiteral("AAPL") : QStringLiteral("X%1").arg(i), 1});
        const GameState before = state;
        const FileStatus error =
            RewriteSavedGameAfterTrade(folder(), state, cashText, QStringLiteral("AAPL"), change);
        checkWriteError(error, gamePath());
        QCOMPARE(error->line, line);
        QCOMPARE(readBytes(gamePath()), file);
        QCOMPARE(state.cash, before.cash);
        QCOMPARE(state.holdings, before.holdings);
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{u"Demo.qvn"_s});
    }

    void rewriteWalksTheFile()
    {
        // A ticker listed twice changes twice; rows beyond the holding count are dropped;
        // a ticker the file lacks changes only the cash.
        writeBytes(gamePath(), "100\r\nIBM\r\n1\r\nDELL\r\n2\r\nIBM\r\n 3 \r\nHPQ\r\n4\r\n");
        GameState state = someState();
        state.holdings = {{u"IBM"_s, 1}, {u"DELL"_s, 2}, {u"IBM"_s, 3}};
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("90"), QStringLiteral("IBM"), 5));
        const QByteArray rewritten("90\r\nIBM\r\n 6 \r\nDELL\r\n 2 \r\nIBM\r\n 8 \r\n");
        QCOMPARE(readBytes(gamePath()), rewritten);
        QCOMPARE(state.holdings, (QList<Holding>{{u"IBM"_s, 6}, {u"DELL"_s, 2}, {u"IBM"_s, 8}}));
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("80"), QStringLiteral("ibm"), 5));
        QCOMPARE(readBytes(gamePath()), QByteArray("80" + rewritten.mid(2)));
        QCOMPARE(state.cash, Money::fromDollars(80));
    }

    void decimalCommaRoundTrip()
    {
        const GameFolder comma(folder(), u',');
        QVERIFY(!CreateSavedGame(comma, QStringLiteral("Demo"), QStringLiteral("2000"), {}));
        GameState state = loadDemo();
        QVERIFY(!RewriteSavedGameAfterTrade(comma, state, QStringLiteral("1234,5"), QStringLiteral("A"), 1));
        QVERIFY(readBytes(gamePath()).startsWith("1234,5\r\nA\r\n 1 \r\n"));
        QVERIFY(ReadSavedGame(folder(), QStringLiteral("Demo"), state)); // not a number with the point
        QVERIFY(!ReadSavedGame(comma, QStringLiteral("Demo"), state));
        QCOMPARE(state.cash, Money::fromUnits(12345000));
        Money cash;
        QVERIFY(!ReadSavedGameCash(comma, QStringLiteral("Demo.qvn"), cash));
        QCOMPARE(cash, Money::fromUnits(12345000));
    }

    void tradingLeavesAGameNamedWithA2Alone()
    {
        QVERIFY(!CreateSavedGame(folder(), QStringLiteral("X2"), QStringLiteral("2000"), {}));
        QVERIFY(!CreateSavedGame(folder(), QStringLiteral("X"), QStringLiteral("100000"), {}));
        const QByteArray other = readBytes(gamePath("X2"));
        GameState state;
        state.gameName = QStringLiteral("X");
        QVERIFY(!ReadSavedGame(folder(), *state.gameName, state));
        QVERIFY(
            !RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("99000"), QStringLiteral("IBM"), 10));
        QVERIFY(!AddFavorite(folder(), QStringLiteral("X"), QStringLiteral("IBM")));
        QCOMPARE(readBytes(gamePath("X2")), other);
        QCOMPARE(QDir(folder()).entryList(QDir::Files),
                 (QStringList{u"X.fav"_s, u"X.qvh"_s, u"X.qvn"_s, u"X2.fav"_s, u"X2.qvh"_s, u"X2.qvn"_s}));
    }

    void settingsSwitches_data()
    {
        QTest::addColumn<QByteArray>("switches");
        QTest::addColumn<bool>("favorites");
        QTest::addColumn<bool>("music");
        QTest::addColumn<bool>("proxy");
        auto row = [](const char *tag, const char *switches, bool favorites, bool music, bool proxy) {
            QTest::newRow(tag) << QByteArray(switches) << favorites << music << proxy;
        };
        row("exact Yes and No, last line without a line end",
            "LoadFavorites=Yes\r\nEnableMusic=No\r\nUseProxy=Yes\r\nh\r\n1", true, false, true);
        row("trailing blanks turn switches off, music on",
            "LoadFavorites=Yes \r\nEnableMusic=No \r\nUseProxy=Yes \r\nh\r\n1\r\n", false, true, false);
        row("case matters", "loadfavorites=yes\r\nENABLEMUSIC=NO\r\nUseProxy=yes\r\nh\r\n1\r\n", false, true,
            false);
    }
    void settingsSwitches()
    {
        QFETCH(QByteArray, switches);
        QFETCH(bool, favorites);
        QFETCH(bool, music);
        QFETCH(bool, proxy);
        writeBytes(settingsPath(folder()), "Q\r\nDemo\r\n" + switches);
        Settings settings;
        QVERIFY(!ReadSettings(folder(), settings));
        QCOMPARE(settings.loadFavorites(), favorites);
        QCOMPARE(settings.musicEnabled(), music);
        QCOMPARE(settings.useProxy(), proxy);
    }

    void writeSettings()
    {
        Settings settings;
        checkWriteError(WriteSettings(folder(), SettingsChoice{}, settings), settingsPath(folder()));
        QVERIFY(QDir(folder()).entryList(QDir::Files).isEmpty()); // the first line comes from the file

        const QByteArray firstLine("[Quorvane Options] \xe9t\xe9 ");
        writeBytes(
            settingsPath(folder()),
            firstLine +
                "\r\nOld\r\nLoadFavorites=No\r\nEnableMusic=Yes\r\nUseProxy=Yes\r\nproxy.lan\r\n3128\r\n");
        QVERIFY(!ReadSettings(folder(), settings));
        SettingsChoice off{QStringLiteral("Demo"), true, false, false, QStringLiteral("ignored"),
                           QStringLiteral("1")};
        QVERIFY(!WriteSettings(folder(), off, settings));
        QCOMPARE(readBytes(settingsPath(folder())),
                 firstLine +
                     "\r\nDemo\r\nLoadFavorites=Yes\r\nEnableMusic=No\r\nUseProxy=No\r\nnull\r\nnull\r\n");
        QCOMPARE(settings.favoritesLine, QStringLiteral("LoadFavorites=Yes"));
        QVERIFY(!settings.useProxy());
        QCOMPARE(settings.proxyHost, QStringLiteral("proxy.lan")); // kept in memory, unused
        QCOMPARE(settings.defaultGame, QStringLiteral("Old"));     // takes effect at the next start

        SettingsChoice on{QStringLiteral("Demo"), false, true, true, QStringLiteral(" 10.0.0.1 "),
                          QStringLiteral("8080")};
        QVERIFY(!WriteSettings(folder(), on, settings));
        QCOMPARE(
            readBytes(settingsPath(folder())),
            firstLine +
                "\r\nDemo\r\nLoadFavorites=No\r\nEnableMusic=Yes\r\nUseProxy=Yes\r\n 10.0.0.1 \r\n8080\r\n");
        QVERIFY(settings.useProxy());

        // A value that cannot be stored on one 8-bit line is refused and changes nothing.
        const QMap<QString, QByteArray> before = snapshot(folder());
        for (const QString &host : {QStringLiteral("a\r\nb"), QStringLiteral("\u0141\u00f3d\u017a")}) {
            on.proxyHost = host;
            checkWriteError(WriteSettings(folder(), on, settings), settingsPath(folder()));
            QCOMPARE(snapshot(folder()), before);
            QCOMPARE(settings.proxyHost, QStringLiteral(" 10.0.0.1 "));
        }
    }

    void favorites()
    {
        const QString game = QStringLiteral("Demo");
        const QByteArray header = "[Quorvane Favorites File]\r\n";
        QVERIFY(!AddFavorite(folder(), game, QStringLiteral("IBM"))); // a missing file counts as the header
        QCOMPARE(readBytes(favPath()), header + "IBM\r\n");
        writeBytes(favPath(), QByteArray()); // so does an empty one
        for (const char *ticker : {"DELL", "AAPL", "IBM", "AAPL"})
            QVERIFY(!AddFavorite(folder(), game, QString::fromLatin1(ticker)));
        QStringList tickers;
        QVERIFY(!ReadFavorites(folder(), game, tickers));
        QCOMPARE(tickers, (QStringList{u"DELL"_s, u"AAPL"_s, u"IBM"_s, u"AAPL"_s}));
        QVERIFY(!RemoveFavorite(folder(), game, QStringLiteral("aapl"))); // case matters
        QVERIFY(!RemoveFavorite(folder(), game, QStringLiteral("AAPL")));
        QVERIFY(!RemoveFavorite(folder(), game, QString::fromLatin1(kFavoritesHeader))); // not a ticker
        QCOMPARE(readBytes(favPath()), header + "DELL\r\nIBM\r\n");
        // A ticker that would read back as other fields is refused.
        checkWriteError(AddFavorite(folder(), game, QStringLiteral("A,B")), favPath());
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{u"Demo.fav"_s});

        writeBytes(favPath(), header + "IBM\r\n\r\n");
        QVERIFY(!ReadFavorites(folder(), game, tickers));
        QCOMPARE(tickers, (QStringList{u"IBM"_s, u""_s}));
    }

    void holdingsForStatistics()
    {
        writeBytes(gamePath(), "  12.5 \r\nIBM\r\n 3 \r\nDELL\r\n-1 \r\nHPQ\r\nbad\r\n");
        SavedHoldings out;
        QVERIFY(!ReadHoldingsFromFile(folder(), QStringLiteral("Demo"), 2, out));
        QCOMPARE(out.cashLine, QStringLiteral("  12.5 "));
        QCOMPARE(out.holdings, (QList<Holding>{{u"IBM"_s, 3}, {u"DELL"_s, -1}}));
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
        auto row = [](const char *tag, const char *kind, const QByteArray &bytes, int line,
                      const char *reason) {
            QTest::newRow(tag) << QString::fromLatin1(kind) << bytes << line << QString::fromLatin1(reason);
        };
        QByteArray tooMany("1\r\n");
        for (int i = 0; i <= 32767; ++i)
            tooMany += "A\r\n0\r\n";
        row("game missing", "game", QByteArray(), 0, "does not exist");
        row("game empty", "game", "", 1, "empty");
        row("cash not a number", "game", "lots\r\nA\r\n0\r\n", 1, "cash line is not a number");
        row("cash beyond Money's range", "game", "1e15\r\nA\r\n0\r\n", 1,
            "the cash line \"1e15\" is beyond what a game can hold "
            "(from -922337203685477.5808 to 922337203685477.5807)");
        row("cash preview beyond Money's range", "cash", "-1000000000000000\r\n", 1,
            "the cash line \"-1000000000000000\" is beyond what a game can hold");
        row("long cash beyond Money's range cut short", "game", QByteArray(60, '9') + "\r\n", 1,
            ("the cash line \"" + QByteArray(40, '9') + "...\" is beyond").constData());
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
        row("favourites junk", "favorites", "[Quorvane Favorites File]\r\nIBM\r\n\x1b[2J", 3,
            "not a text file");
    }
    void malformedFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QFETCH(QString, reason);
        const QString game = QStringLiteral("Demo"), path = kind == u"settings"_s    ? settingsPath(folder())
                                                            : kind == u"favorites"_s ? favPath()
                                                                                     : gamePath();
        if (!bytes.isNull())
            writeBytes(path, bytes);

        GameState state = someState();
        Settings settings{
            u"first"_s, u"Demo"_s, u"LoadFavorites=Yes"_s, u"EnableMusic=Yes"_s, u"UseProxy=No"_s,
            u"null"_s,  u"null"_s};
        QStringList favorites{QStringLiteral("IBM")};
        Money cash = Money::fromDollars(5);
        const FileStatus error = kind == u"game"_s       ? ReadSavedGame(folder(), game, state)
                                 : kind == u"cash"_s     ? ReadSavedGameCash(folder(), game + u".qvn"_s, cash)
                                 : kind == u"settings"_s ? ReadSettings(folder(), settings)
                                                         : ReadFavorites(folder(), game, favorites);
        QVERIFY(error);
        QCOMPARE(error->path, path);
        QCOMPARE(error->line, line);
        QCOMPARE(error->action, FileAction::Read);
        QVERIFY2(error->reason.contains(reason), qPrintable(error->reason));
        QVERIFY2(error->text().contains(u"\""_s + path + u"\""_s), qPrintable(error->text()));
        // Nothing in memory or on disk changed.
        QCOMPARE(state.cash, someState().cash);
        QCOMPARE(state.holdings, someState().holdings);
        QCOMPARE(settings.firstLine, QStringLiteral("first"));
        QCOMPARE(favorites, QStringList{u"IBM"_s});
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

    void unusableNameOrFolder()
    {
        QVERIFY(CreateSavedGame(folder(), QStringLiteral("../Demo"), QStringLiteral("2000"), {}));
        QVERIFY(!QFile::exists(folder() + u"/../Demo.qvn"_s));
        const QString file = folder() + u"/plain"_s;
        writeBytes(file, QByteArray());
        const FileStatus error = CreateSavedGame(file, QStringLiteral("Demo"), QStringLiteral("2000"), {});
        QVERIFY(error && error->path.startsWith(file + u"/Demo."_s));
        QVERIFY(
            CreateSavedGame(folder() + u"/missing"_s, QStringLiteral("Demo"), QStringLiteral("2000"), {}));
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{u"plain"_s});
    }

    // Each operation that replaces a file, failing in each way a disk can fail.
    void failedReplaceKeepsEverything_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("failure");
        for (const char *row :
             {"rewrite/halfway", "rewrite/rename", "rewrite/read-only", "rewrite/size limit", "create/write",
              "create/rename", "favorite/write", "favorite/read-only", "settings/write", "settings/rename"}) {
            const QList<QByteArray> parts = QByteArray(row).split('/');
            QTest::newRow(row) << QString::fromLatin1(parts[0]) << QString::fromLatin1(parts[1]);
        }
    }
    void failedReplaceKeepsEverything()
    {
        QFETCH(QString, operation);
        QFETCH(QString, failure);
        QVERIFY(!CreateSavedGame(folder(), QStringLiteral("Demo"), QStringLiteral("100000"), {}));
        writeBytes(settingsPath(folder()),
                   "Q\r\nDemo\r\nLoadFavorites=No\r\nEnableMusic=Yes\r\nUseProxy=No\r\nnull\r\nnull\r\n");
        GameState state = loadDemo();
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("5"), QStringLiteral("IBM"), 3));
        const GameState stateBefore = state;
        const QMap<QString, QByteArray> before = snapshot(folder());

        const qint64 failAt = failure == u"halfway"_s ? 1024 : 0;
        FailingReplacer failing;
        if (failure == u"halfway"_s || failure == u"write"_s)
            failing.failWriteFrom = failAt;
        if (failure == u"rename"_s)
            failing.failCommitFrom = 0;
        const GameFolder disk(folder(), u'.', failing);
        if (failure == u"read-only"_s) {
            QCOMPARE(::chmod(QFile::encodeName(folder()).constData(), 0555), 0);
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
        if (failure == u"size limit"_s)
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        Settings settings;
        const QString path = operation == u"rewrite"_s    ? gamePath()
                             : operation == u"settings"_s ? settingsPath(folder())
                                                          : favPath(); // a new game writes its .fav first
        const FileStatus error =
            operation == u"rewrite"_s
                ? RewriteSavedGameAfterTrade(disk, state, QStringLiteral("99000"), QStringLiteral("AAPL"), 10)
            : operation == u"create"_s
                ? CreateSavedGame(disk, QStringLiteral("Demo"), QStringLiteral("2000"), {})
            : operation == u"favorite"_s
                ? AddFavorite(disk, QStringLiteral("Demo"), QStringLiteral("IBM"))
                : WriteSettings(disk, SettingsChoice{QStringLiteral("Other"), true, false, false, {}, {}},
                                settings);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        ::setfsuid(::geteuid());

        checkWriteError(error, path);
        if (failure == u"read-only"_s)
            QVERIFY2(error->reason.contains(u"permission"_s, Qt::CaseInsensitive), qPrintable(error->reason));
        if (failAt > 0)
            QVERIFY(failing.writes > 1);      // the write really failed part way
        QCOMPARE(snapshot(folder()), before); // old files byte for byte, no temporary file left
        QCOMPARE(state.cash, stateBefore.cash);
        QCOMPARE(state.holdings, stateBefore.holdings);
    }

    // A pair of files whose second rename fails: the first is put back as it was, or the error
    // says exactly what could not be.
    void secondRenameFails_data()
    {
        QTest::addColumn<bool>("oldFavorites");
        QTest::addColumn<QString>("failure"); // of the step after the failed rename
        QTest::addRow("old favourites put back") << true << "";
        QTest::addRow("new favourites removed") << false << "";
        QTest::addRow("old favourites cannot be put back") << true << "put back";
        QTest::addRow("new favourites cannot be removed") << false << "put back";
        QTest::addRow("old favourites cannot be kept aside") << true << "keep";
    }
    void secondRenameFails()
    {
        QFETCH(bool, oldFavorites);
        QFETCH(QString, failure);
        const QString fav = favoritesPath(folder(), QStringLiteral("New"));
        const QString game = savedGamePath(folder(), QStringLiteral("New"));
        if (oldFavorites)
            writeBytes(fav, "old favourites\r\n");
        FailingReplacer failing;
        failing.failCommitFrom = 1;
        failing.failPutBack = failure == u"put back"_s;
        failing.failKeepOld = failure == u"keep"_s;
        const FileStatus error = CreateSavedGame(GameFolder(folder(), u'.', failing), QStringLiteral("New"),
                                                 QStringLiteral("2000"), {});
        const QStringList files = QDir(folder()).entryList(QDir::Files | QDir::Hidden);
        QVERIFY(error);
        QCOMPARE(error->action, FileAction::Write);
        if (failure == u"keep"_s) {
            // Nothing was renamed: the favourites file could not be kept, so it was not replaced.
            checkWriteError(error, fav);
            QVERIFY2(error->reason.contains(u"could not be kept aside"_s), qPrintable(error->reason));
            QCOMPARE(failing.commits, 0);
            QCOMPARE(readBytes(fav), QByteArray("old favourites\r\n"));
            QCOMPARE(files, QStringList{u"New.fav"_s});
            return;
        }
        QCOMPARE(error->path, game);
        QVERIFY2(error->reason.contains(u"permission"_s, Qt::CaseInsensitive), qPrintable(error->reason));
        QCOMPARE(failing.commits, 2);
        if (failure.isEmpty()) {
            QVERIFY(error->changed.isEmpty());
            QVERIFY2(error->text().endsWith(u"; nothing was changed."_s), qPrintable(error->text()));
            QCOMPARE(readBytes(fav),
                     oldFavorites ? QByteArray("old favourites\r\n") : QByteArray("<missing>"));
            // No half-made game, no kept copy and no temporary file stays behind.
            QCOMPARE(files, oldFavorites ? QStringList{u"New.fav"_s} : QStringList());
            return;
        }
        // The favourites file holds the new game's header and the message says so.
        QCOMPARE(readBytes(fav), QByteArray("[Quorvane Favorites File]\r\n"));
        QCOMPARE(error->changed.size(), 1);
        QCOMPARE(error->changed[0].path, fav);
        QVERIFY2(!error->text().contains(u"nothing was changed"_s), qPrintable(error->text()));
        if (oldFavorites) {
            const QString kept = error->changed[0].keptAs;
            QVERIFY(kept.startsWith(folder() + u"/.New.fav."_s) && kept.endsWith(u".old"_s));
            QCOMPARE(readBytes(kept), QByteArray("old favourites\r\n"));
            QCOMPARE(error->text(),
                     QStringLiteral(
                         "Cannot write the saved game \"%1\" (permission denied). The favourites file "
                         "\"%2\" was already replaced and could not be put back; its old content is kept "
                         "in \"%3\". Solve the problem, then do the same again.")
                         .arg(game, fav, kept));
            QCOMPARE(files, (QStringList{QFileInfo(kept).fileName(), u"New.fav"_s}));
        } else {
            QVERIFY(error->changed[0].keptAs.isEmpty());
            QCOMPARE(
                error->text(),
                QStringLiteral("Cannot write the saved game \"%1\" (permission denied). The favourites file "
                               "\"%2\" was already written and could not be removed again. Solve the "
                               "problem, then do the same again.")
                    .arg(game, fav));
            QCOMPARE(files, QStringList{u"New.fav"_s});
        }
    }

    // A rewrite never gives an existing file the defaults: when its permissions cannot be read,
    // it is left alone. A new file gets the defaults.
    void unreadablePermissionsStopTheRewrite()
    {
        QVERIFY(!CreateSavedGame(folder(), QStringLiteral("Demo"), QStringLiteral("2000"), {}));
        GameState state = loadDemo();
        QCOMPARE(::chmod(QFile::encodeName(gamePath()).constData(), 0640), 0);
        const QMap<QString, QByteArray> before = snapshot(folder());
        FailingReplacer failing;
        failing.failReadMode = true;
        const GameFolder disk(folder(), u'.', failing);
        const FileStatus error =
            RewriteSavedGameAfterTrade(disk, state, QStringLiteral("1"), QStringLiteral("A"), 1);
        checkWriteError(error, gamePath());
        QCOMPARE(error->reason, QStringLiteral("its permissions could not be read: input/output error"));
        QCOMPARE(snapshot(folder()), before);
        QCOMPARE(state.cash, Money::fromDollars(2000));
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(gamePath()).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 07777), 0640);

        const mode_t mask = ::umask(022);
        ::umask(mask);
        QVERIFY(!CreateSavedGame(disk, QStringLiteral("Fresh"), QStringLiteral("2000"), {}));
        QCOMPARE(::stat(QFile::encodeName(gamePath("Fresh")).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 07777), int(0666 & ~mask));
    }

    // Something other than a file where a game file should be: every read says what it is at
    // once (a FIFO would block open() for ever), and a rewrite leaves it alone.
    void notAFile_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("thing");
        for (const char *operation :
             {"game", "cash", "settings", "favourites", "statistics", "add favourite", "rewrite settings"}) {
            for (const char *thing : {"named pipe", "folder", "device"})
                QTest::addRow("%s is a %s", operation, thing)
                    << QString::fromLatin1(operation) << QString::fromLatin1(thing);
        }
    }
    void notAFile()
    {
        QFETCH(QString, operation);
        QFETCH(QString, thing);
        const QString path = operation.contains(u"settings"_s)    ? settingsPath(folder())
                             : operation.contains(u"favourite"_s) ? favPath()
                                                                  : gamePath();
        if (!putNotAFile(path, thing))
            QSKIP("a device node needs root");

        GameState state = someState();
        Settings settings;
        QStringList favorites;
        Money cash;
        SavedHoldings holdings;
        const FileStatus error =
            operation == u"game"_s         ? ReadSavedGame(folder(), QStringLiteral("Demo"), state)
            : operation == u"cash"_s       ? ReadSavedGameCash(folder(), QStringLiteral("Demo.qvn"), cash)
            : operation == u"settings"_s   ? ReadSettings(folder(), settings)
            : operation == u"favourites"_s ? ReadFavorites(folder(), QStringLiteral("Demo"), favorites)
            : operation == u"statistics"_s
                ? ReadHoldingsFromFile(folder(), QStringLiteral("Demo"), 1, holdings)
            : operation == u"add favourite"_s
                ? AddFavorite(folder(), QStringLiteral("Demo"), QStringLiteral("IBM"))
                : WriteSettings(folder(), SettingsChoice{QStringLiteral("Demo"), true, true, false, {}, {}},
                                settings);
        QVERIFY(error);
        QCOMPARE(error->path, path);
        QCOMPARE(
            error->reason,
            QStringLiteral("it is a %1, not a file: remove it or put the real file in its place").arg(thing));
        QVERIFY2(error->text().contains(u"\""_s + path + u"\""_s), qPrintable(error->text()));
        // Left as it was, and nothing written beside it.
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(S_ISCHR(info.st_mode), thing == u"device"_s);
        QCOMPARE(QFileInfo(path).isDir(), thing == u"folder"_s);
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 thing == u"folder"_s ? QStringList() : QStringList{QFileInfo(path).fileName()});
        QCOMPARE(state.cash, someState().cash);
    }

    // A path the system cannot look at is not a missing file: the message says why.
    void systemErrorsAreNotMissingFiles_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("reason");
        QTest::addRow("link to itself") << "loop"
                                        << "too many levels of symbolic links";
        QTest::addRow("folder is a file") << "file as folder"
                                          << "not a directory";
        QTest::addRow("name too long") << "long name"
                                       << "file name too long";
    }
    void systemErrorsAreNotMissingFiles()
    {
        QFETCH(QString, setup);
        QFETCH(QString, reason);
        QString where = folder();
        QString game = QStringLiteral("Demo");
        if (setup == u"loop"_s) {
            QVERIFY(QFile::link(gamePath(), gamePath()));
            QVERIFY(QFile::link(favPath(), favPath()));
        } else if (setup == u"file as folder"_s) {
            where = folder() + u"/plain"_s;
            writeBytes(where, "x");
        } else {
            game = QString(300, u'x');
        }
        GameState state = someState();
        QStringList favorites;
        for (const FileStatus &error :
             {ReadSavedGame(where, game, state), ReadFavorites(where, game, favorites),
              AddFavorite(where, game, QStringLiteral("IBM"))}) {
            QVERIFY(error);
            QCOMPARE(error->reason, reason);
        }
        // A favourites link that leads nowhere is not replaced by a new file.
        if (setup == u"loop"_s)
            QVERIFY(QFileInfo(favPath()).isSymLink());
    }

    // A leading UTF-8 byte order mark is no part of a saved game or favourites file.
    void byteOrderMarkIsSkipped()
    {
        const QByteArray mark = "\xEF\xBB\xBF";
        writeBytes(gamePath(), mark + "1234.5\r\nIBM\r\n 7 \r\n");
        writeBytes(favPath(), mark + "[Quorvane Favorites File]\r\nIBM\r\n");
        GameState state;
        QVERIFY(!ReadSavedGame(folder(), QStringLiteral("Demo"), state));
        QCOMPARE(state.cash, Money::fromUnits(12345000));
        QCOMPARE(state.holdings, (QList<Holding>{{QStringLiteral("IBM"), 7}}));
        // A trade's rewrite reads the pairs after the mark and writes the file without it.
        state.gameName = QStringLiteral("Demo");
        QVERIFY(
            !RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("1000"), QStringLiteral("IBM"), 2));
        QCOMPARE(readBytes(gamePath()), QByteArray("1000\r\nIBM\r\n 9 \r\n"));
        writeBytes(gamePath(), mark + "1234.5\r\nIBM\r\n 7 \r\n");
        Money cash;
        QVERIFY(!ReadSavedGameCash(folder(), QStringLiteral("Demo.qvn"), cash));
        QCOMPARE(cash, Money::fromUnits(12345000));
        QStringList favorites;
        QVERIFY(!ReadFavorites(folder(), QStringLiteral("Demo"), favorites));
        QCOMPARE(favorites, QStringList{u"IBM"_s});
        // A rewrite writes the file as the game does, header first.
        QVERIFY(!AddFavorite(folder(), QStringLiteral("Demo"), QStringLiteral("MSFT")));
        QCOMPARE(readBytes(favPath()), QByteArray("[Quorvane Favorites File]\r\nIBM\r\nMSFT\r\n"));
    }

    // An old file's mode is kept, no temporary file stays, and a link stays a link.
    void replacementDetails()
    {
        QVERIFY(!CreateSavedGame(folder(), QStringLiteral("Demo"), QStringLiteral("2000"), {}));
        GameState state = loadDemo();
        QCOMPARE(::chmod(QFile::encodeName(gamePath()).constData(), 0640), 0);
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("1"), QStringLiteral("A"), 1));
        QVERIFY(readBytes(gamePath()).startsWith("1\r\nA\r\n 1 \r\n"));
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{u"Demo.fav"_s, u"Demo.qvh"_s, u"Demo.qvn"_s}));
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(gamePath()).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 07777), 0640);

        QVERIFY(QDir(folder()).mkdir(u"real"_s));
        const QString real = folder() + u"/real/Linked.qvn"_s;
        QVERIFY(QFile::rename(gamePath(), real));
        QVERIFY(QFile::link(real, gamePath("Linked")));
        state.gameName = QStringLiteral("Linked");
        QVERIFY(!RewriteSavedGameAfterTrade(folder(), state, QStringLiteral("2"), QStringLiteral("A"), 1));
        QVERIFY(QFileInfo(gamePath("Linked")).isSymLink());
        QVERIFY(readBytes(real).startsWith("2\r\nA\r\n 2 \r\n"));

        QVERIFY(!FileReplacer::onDisk().replace(folder() + u"/empty.txt"_s, QByteArray()));
        QCOMPARE(readBytes(folder() + u"/empty.txt"_s), QByteArray(""));

        // A folder in the way of the second file stops the pair before the first is touched.
        QVERIFY(QDir(folder()).mkdir(u"Dir.qvn"_s));
        const QString dir = folder() + u"/Dir.qvn"_s;
        checkWriteError(FileReplacer::onDisk().replace({{folder() + u"/empty.txt"_s, "new"}, {dir, "x"}}),
                        dir);
        QCOMPARE(readBytes(folder() + u"/empty.txt"_s), QByteArray(""));
        QVERIFY(QFileInfo(dir).isDir());
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{u"Demo.fav"_s, u"Demo.qvh"_s, u"empty.txt"_s, u"Linked.qvn"_s}));
    }
};

QTEST_GUILESS_MAIN(TestGameFiles)
#include "test_gamefiles.moc"
