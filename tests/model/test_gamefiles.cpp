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
#include "model/tradejournal.h"

#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kHeader("[Quorvane Favorites File]\r\n");
const QByteArray kBom("\xEF\xBB\xBF");
const QByteArray kOptions("[Quorvane Options] \xe9t\xe9 \r\nOld\r\nLoadFavorites=No\r\nEnableMusic=Yes\r\n"
                          "UseProxy=Yes\r\nproxy.lan\r\n3128\r\n");

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
    int line = 0;
    char decimal = '.';
};

// A file of `kind` ("game", "cash", "settings", "favorites", "holdings <count>"; a trailing ","
// reads with the decimal comma) read from `bytes` (null: none): what was read, or the error's
// reason (a part of it) and line.
struct Read
{
    const char *tag, *kind;
    QByteArray bytes;
    const char *result;
    int line = -1; // -1: read without error
};

// `op` ("add T", "remove T", "options game|favourites|music|proxy|host|port") on the file it
// concerns, holding `before` (null: none): the file afterwards, or null when refused.
struct Write
{
    const char *tag, *op;
    QByteArray before, after;
};

} // namespace

Q_DECLARE_METATYPE(Rewrite)
Q_DECLARE_METATYPE(Read)
Q_DECLARE_METATYPE(Write)

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
        GameState state = loadDemo();
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
             gameBytes("4123.5", {{u"AAPL"_s, " 10 "}})},
            {"sell all keeps the row", gameBytes("5000", {{u"AAPL"_s, "10"}}), 228, "1", "AAPL", -10,
             gameBytes("1")},
            {"negative holding", gameBytes("5000"), 228, "1", "AAPL", -5,
             gameBytes("1", {{u"AAPL"_s, "-5 "}})},
            {"up to the largest", gameBytes("5000", {{u"AAPL"_s, "2147483640"}}), 228, "1", "AAPL", 7,
             gameBytes("1", {{u"AAPL"_s, " 2147483647 "}})},
            {"down to the smallest", gameBytes("5000", {{u"AAPL"_s, "-2147483647"}}), 228, "1", "AAPL", -1,
             gameBytes("1", {{u"AAPL"_s, "-2147483648 "}})},
            // A ticker listed twice changes twice, rows past the game's holdings are dropped, and
            // a ticker the file lacks (case counts) changes only the cash.
            {"walks the file", walk, 3, "90", "IBM", 5, "90\r\nIBM\r\n 6 \r\nDELL\r\n 2 \r\nIBM\r\n 8 \r\n"},
            {"other case", walk, 3, "80", "ibm", 5, "80\r\nIBM\r\n 1 \r\nDELL\r\n 2 \r\nIBM\r\n 3 \r\n"},
            {"byte order mark dropped", kBom + "1234.5\r\nIBM\r\n 7 \r\n", 1, "1000", "IBM", 2,
             "1000\r\nIBM\r\n 9 \r\n"},
            {"decimal comma", "5000\r\nA\r\n0\r\n", 1, "1234,5", "A", 1, "1234,5\r\nA\r\n 1 \r\n", 0, ','},
            {"above the largest quantity", top, 228, "4000", "AAPL", 1, {}},
            {"below the smallest quantity", top, 228, "4000", "ABX", -1, {}},
            {"change beyond 64 bits", top, 228, "4000", "AAPL", huge, {}},
            {"cash text not a number", top, 228, "lots", "AAPL", 1, {}},
            {"point where the comma belongs", "5000\r\nA\r\n0\r\n", 1, "1234.5", "A", 1, {}, 0, ','},
            {"file shorter than the game", "5000\r\nAAPL\r\n 3 \r\n", 2, "4000", "AAPL", 1, {}, 4},
            {"file with a bad quantity", "5000\r\nAAPL\r\nmany\r\n", 1, "4000", "AAPL", 1, {}, 3},
        });
    }
    void rewrite()
    {
        QFETCH(Rewrite, c);
        const GameFolder disk(folder(), QChar::fromLatin1(c.decimal));
        QVERIFY(writeBytes(gamePath(), c.file));
        GameState state = someState();
        SavedGameContent content;
        (void)parseSavedGame(c.file, gamePath(), disk.decimal, content, c.count);
        state.holdings = content.holdings;
        state.holdings.resize(c.count, Holding{u"X"_s, 1});
        const GameState before = state;
        const FileStatus error = RewriteSavedGameAfterTrade(disk, state, QString::fromLatin1(c.cash),
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
        QVERIFY(!ReadSavedGame(disk, u"Demo"_s, back));
        QCOMPARE(state.cash, back.cash);
        QCOMPARE(state.holdings, back.holdings);
    }

    void read_data()
    {
        QByteArray tooMany("1\r\n");
        for (int i = 0; i <= 32767; ++i)
            tooMany += "A\r\n0\r\n";
        const QByteArray holdings("  12.5 \r\nIBM\r\n 3 \r\nDELL\r\n-1 \r\nHPQ\r\nbad\r\n");
        caseRows<Read>({
            {"new game", "game", gameBytes("100000", {}, "0"), "100000, 228, ZQK 0"},
            {"game after a byte order mark", "game", kBom + "1234.5\r\nIBM\r\n 7 \r\n", "1234.5, 1, IBM 7"},
            {"cash after a byte order mark", "cash", kBom + "1234.5\r\n", "1234.5"},
            {"game with the decimal comma", "game,", "1234,5\r\nA\r\n 1 \r\n", "1234.5, 1, A 1"},
            {"cash with the decimal comma", "cash,", "1234,5\r\n", "1234.5"},
            {"switches exact, last line without a line end", "settings",
             "Q\r\nDemo\r\nLoadFavorites=Yes\r\nEnableMusic=No\r\nUseProxy=Yes\r\nh\r\n1", "101"},
            {"trailing blanks turn switches off, music on", "settings",
             "Q\r\nDemo\r\nLoadFavorites=Yes \r\nEnableMusic=No \r\nUseProxy=Yes \r\nh\r\n1\r\n", "010"},
            {"switches' case matters", "settings",
             "Q\r\nDemo\r\nloadfavorites=yes\r\nENABLEMUSIC=NO\r\nUseProxy=yes\r\nh\r\n1\r\n", "010"},
            {"favourites after a byte order mark", "favorites", kBom + kHeader + "IBM\r\n", "IBM"},
            {"favourites keep an empty line", "favorites", kHeader + "IBM\r\n\r\n", "IBM|"},
            {"statistics read the first pairs", "holdings 2", holdings, "  12.5 |IBM 3|DELL -1"},
            {"game missing", "game", QByteArray(), "does not exist", 0},
            {"game empty", "game", "", "empty", 1},
            {"cash not a number", "game", "lots\r\nA\r\n0\r\n", "cash line is not a number", 1},
            {"comma where the point belongs", "game", "1234,5\r\nA\r\n 1 \r\n", "cash line is not a number",
             1},
            {"cash beyond Money's range", "game", "1e15\r\nA\r\n0\r\n",
             "the cash line \"1e15\" is beyond what a game can hold (from -922337203685477.5808 to "
             "922337203685477.5807)",
             1},
            {"cash preview beyond Money's range", "cash", "-1000000000000000\r\n",
             "the cash line \"-1000000000000000\" is beyond what a game can hold", 1},
            {"long cash beyond Money's range cut short", "game", QByteArray(60, '9') + "\r\n",
             "the cash line \"9999999999999999999999999999999999999999...\" is beyond", 1},
            {"quantity not a number", "game", "100\r\nA\r\nx\r\n", "not a whole number", 3},
            {"quantity with a fraction", "game", "100\r\nA\r\n 2.5 \r\n", "not a whole number", 3},
            {"quantity beyond 32 bits", "game", "100\r\nA\r\n2147483648\r\n", "beyond what a holding", 3},
            {"ends after a ticker", "game", "100\r\nA\r\n0\r\nB\r\n", "ends between", 4},
            {"extra empty line at the end", "game", gameBytes("100000", {}, "0") + "\r\n", "ends between",
             458},
            {"binary junk", "game", QByteArray("100\r\nA\r\n\x00\x01\x02", 10), "not a text file", 3},
            {"more than 32767 pairs", "game", tooMany, "more than 32767", 65536},
            {"cash preview of junk", "cash", "\177ELF", "not a text file", 1},
            {"statistics stop at a bad quantity", "holdings 4", holdings, "not a whole number", 7},
            {"settings of six lines", "settings", "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\n",
             "after 6 of its seven lines", 7},
            {"favourites empty", "favorites", "", "empty", 1},
            {"favourites junk", "favorites", kHeader + "IBM\r\n\x1b[2J", "not a text file", 3},
        });
    }
    void read()
    {
        QFETCH(Read, c);
        const QString kind = QString::fromLatin1(c.kind);
        const GameFolder disk(folder(), kind.endsWith(u',') ? u',' : u'.');
        const QString path = kind == u"settings"    ? settingsPath(folder())
                             : kind == u"favorites" ? favPath()
                                                    : gamePath();
        if (!c.bytes.isNull())
            QVERIFY(writeBytes(path, c.bytes));
        GameState state = someState();
        Settings settings;
        QStringList favorites{u"IBM"_s};
        Money cash = Money::fromDollars(5);
        SavedHoldings holdings{u"first"_s, {}};
        const auto shown = [&]() -> QString {
            if (kind.startsWith(u"game"))
                return u"%1, %2, %3 %4"_s.arg(moneyToText(state.cash, u'.'))
                    .arg(state.holdingCount())
                    .arg(state.holdings.last().ticker)
                    .arg(state.holdings.last().quantity);
            if (kind.startsWith(u"cash"))
                return moneyToText(cash, u'.');
            if (kind == u"settings")
                return settings.firstLine.isNull() ? QString()
                                                   : u"%1%2%3"_s.arg(int(settings.loadFavorites()))
                                                         .arg(int(settings.musicEnabled()))
                                                         .arg(int(settings.useProxy()));
            if (kind == u"favorites")
                return favorites.join(u'|');
            QStringList parts{holdings.cashLine};
            for (const Holding &h : holdings.holdings)
                parts << h.ticker + u' ' + QString::number(h.quantity);
            return parts.join(u'|');
        };
        const QString before = shown();
        const FileStatus error =
            kind.startsWith(u"game")   ? ReadSavedGame(disk, u"Demo"_s, state)
            : kind.startsWith(u"cash") ? ReadSavedGameCash(disk, u"Demo.qvn"_s, cash)
            : kind == u"settings"      ? ReadSettings(disk, settings)
            : kind == u"favorites"
                ? ReadFavorites(disk, u"Demo"_s, favorites)
                : ReadHoldingsFromFile(disk, u"Demo"_s, kind.section(u' ', 1).toInt(), holdings);
        QCOMPARE(state.gameName, someState().gameName); // never the file's to change
        QCOMPARE(state.openTradeDialogs, 1);
        QCOMPARE(readBytes(path), c.bytes.isNull() ? QByteArray("<missing>") : c.bytes);
        QCOMPARE(fileNames(folder()).size(), c.bytes.isNull() ? 0 : 1);
        if (c.line < 0) {
            QVERIFY2(!error, error ? qPrintable(error->text()) : "");
            QCOMPARE(shown(), QString::fromLatin1(c.result));
            return;
        }
        QVERIFY(error);
        QCOMPARE(error->path, path);
        QCOMPARE(error->line, c.line);
        QCOMPARE(error->action, FileAction::Read);
        QVERIFY2(error->reason.contains(QLatin1String(c.result)), qPrintable(error->reason));
        QVERIFY2(error->text().contains(u'"' + path + u'"'), qPrintable(error->text()));
        QCOMPARE(error->text().contains(u"\" (line %1: "_s.arg(c.line)), c.line > 0);
        QCOMPARE(shown(), before); // nothing in memory changed
    }

    void write_data()
    {
        const QByteArray four = kHeader + "DELL\r\nAAPL\r\nIBM\r\nAAPL\r\n";
        caseRows<Write>({
            {"add to a missing favourites file", "add IBM", {}, kHeader + "IBM\r\n"},
            {"add to an empty one", "add DELL", "", kHeader + "DELL\r\n"},
            {"add what is there", "add AAPL", kHeader + "AAPL\r\n", kHeader + "AAPL\r\nAAPL\r\n"},
            {"add after a byte order mark", "add MSFT", kBom + kHeader + "IBM\r\n",
             kHeader + "IBM\r\nMSFT\r\n"},
            {"remove drops every copy", "remove AAPL", four, kHeader + "DELL\r\nIBM\r\n"},
            {"remove minds the case", "remove aapl", four, four},
            {"remove never drops the header", "remove [Quorvane Favorites File]", four, four},
            // A ticker that would read back as other fields.
            {"add refuses a comma", "add A,B", kHeader, {}},
            {"options need the first line of a file", "options Demo|1|0|0||", {}, {}},
            {"options off keep the first line", "options Demo|1|0|0|ignored|1", kOptions,
             kOptions.first(kOptions.indexOf('\r')) +
                 "\r\nDemo\r\nLoadFavorites=Yes\r\nEnableMusic=No\r\nUseProxy=No\r\nnull\r\nnull\r\n"},
            {"options on keep the host as typed", "options Demo|0|1|1| 10.0.0.1 |8080", kOptions,
             kOptions.first(kOptions.indexOf('\r')) +
                 "\r\nDemo\r\nLoadFavorites=No\r\nEnableMusic=Yes\r\nUseProxy=Yes\r\n 10.0.0.1 \r\n8080\r\n"},
            // What cannot be stored on one 8-bit line.
            {"a host of two lines", "options Demo|0|1|1|a\r\nb|8080", kOptions, {}},
            {"a host beyond 8 bits",
             "options Demo|0|1|1|\xc5\x81\xc3\xb3"
             "d\xc5\xba|8080",
             kOptions,
             {}},
        });
    }
    void write()
    {
        QFETCH(Write, c);
        const QString op = QString::fromUtf8(c.op), verb = op.section(u' ', 0, 0), arg = op.section(u' ', 1);
        const QString path = verb == u"options" ? settingsPath(folder()) : favPath();
        if (!c.before.isNull())
            QVERIFY(writeBytes(path, c.before));
        Settings settings;
        (void)ReadSettings(folder(), settings);
        const Settings old = settings;
        const QMap<QString, QByteArray> files = snapshotFiles(folder());
        const QStringList f = arg.split(u'|');
        const FileStatus error =
            verb == u"add" ? AddFavorite(folder(), u"Demo"_s, arg)
            : verb == u"remove"
                ? RemoveFavorite(folder(), u"Demo"_s, arg)
                : WriteSettings(folder(),
                                SettingsChoice{f[0], f[1] == u"1", f[2] == u"1", f[3] == u"1", f[4], f[5]},
                                settings);
        const auto lines = [](const Settings &s, const Settings &proxy) {
            return QStringList{s.firstLine, s.defaultGame,   s.favoritesLine, s.musicLine,
                               s.proxyLine, proxy.proxyHost, proxy.proxyPort};
        };
        if (c.after.isNull()) {
            checkWriteError(error, path);
            QCOMPARE(snapshotFiles(folder()), files);
            QCOMPARE(lines(settings, settings), lines(old, old));
            return;
        }
        QVERIFY2(!error, error ? qPrintable(error->text()) : "");
        QCOMPARE(readBytes(path), c.after);
        QCOMPARE(fileNames(folder()).size(), 1);
        // Memory holds what was written; the address of a proxy turned off stays, unused.
        Settings back;
        if (verb == u"options" && !ReadSettings(folder(), back))
            QCOMPARE(lines(settings, settings), lines(back, back.useProxy() ? back : old));
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
             words("rewrite/halfway rewrite/rename rewrite/read-only rewrite/size-limit create/write "
                   "create/rename favorite/write favorite/read-only settings/write settings/rename "
                   "journal/write"))
            row(qPrintable(name), name.section(u'/', 0, 0), name.section(u'/', 1));
    }
    void failedReplaceKeepsEverything()
    {
        QFETCH(QString, operation);
        QFETCH(QString, failure);
        QVERIFY(!CreateSavedGame(folder(), u"Demo"_s, u"100000"_s, "old\r\n"));
        QVERIFY(writeBytes(settingsPath(folder()), kOptions));
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
                             : operation == u"journal"  ? folder() + u"/Demo.qvh"_s
                                                        : favPath(); // a new game writes its .fav first
        const FileStatus error =
            operation == u"rewrite"    ? RewriteSavedGameAfterTrade(disk, state, u"99000"_s, u"AAPL"_s, 10)
            : operation == u"create"   ? CreateSavedGame(disk, u"Demo"_s, u"2000"_s, {})
            : operation == u"favorite" ? AddFavorite(disk, u"Demo"_s, u"IBM"_s)
            : operation == u"journal"
                ? AppendToJournal(disk, u"Demo"_s, JournalEntry())
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
};

QTEST_GUILESS_MAIN(TestGameFiles)
#include "test_gamefiles.moc"
