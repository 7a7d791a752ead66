// The game session without any window: what the player does, through its public operations and
// its doors, with a socket and clock the test drives. Every rule behind a window is pinned here.
#include "common/failingreplacer.h"
#include "common/programfolder.h"
#include "common/testsession.h"
#include "extras/sectorfilter.h"
#include "model/stockcatalogue.h"
#include "sync/quotesync.h"

#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
const QByteArray kGame = "10000\r\nAAPL\r\n0\r\nIBM\r\n15\r\nMSFT\r\n3\r\n";
const QByteArray kHeader = "[Quorvane Favorites File]\r\n";

void layOut(const TempProgramFolder &folder, const QByteArray &favorites = "LoadFavorites=No")
{
    folder.writeSettings("player", favorites);
    folder.write(u"player.qvn"_s, kGame);
    folder.write(u"player.fav"_s, kHeader + "IBM\r\n");
}

// A started session on a laid-out folder, its trades recorded at 9:00, 9:01, ... of a fixed day.
struct Started : TempProgramFolder, TestSession
{
    explicit Started(const QByteArray &favorites = "LoadFavorites=No",
                     FileReplacer &r = FileReplacer::onDisk())
        : TestSession((layOut(*this, favorites), path()), NumberFormat{}, r)
    {
        session->setWallClock(
            [this] { return QDateTime(QDate(2026, 12, 8), QTime(9, minute++), QTimeZone(3600)); });
        if (session->start())
            qFatal("the laid-out game did not start");
    }
    int minute = 0;
};

struct StartCase
{
    const char *tag;
    bool ahead;
    QByteArray line, favorites;
    QString missing, problem;
    QStringList list;
};
struct ProxyCase
{
    const char *tag;
    QByteArray use, host, port;
    QString connectHost;
    int connectPort; // 0: nowhere
};
} // namespace

class TestGameSession : public QObject
{
    Q_OBJECT

private slots:
    // The window reads the start-up files on a worker thread while it builds its widgets; start()
    // must then come to the same game, list and problem as reading them itself, and write nothing.
    void start_data()
    {
        QTest::addColumn<StartCase>("c");
        const QByteArray good = kHeader + "IBM\r\n", yes = "LoadFavorites=Yes";
        for (const bool a : {false, true}) {
            for (const StartCase &c :
                 {StartCase{"whole catalogue", a, "LoadFavorites=No", good, {}, {}, AllTickers()},
                  StartCase{"favourites", a, yes, good, {}, {}, {u"IBM"_s}},
                  StartCase{"no settings", a, yes, good, u"options.cfg"_s, u"options.cfg"_s, AllTickers()},
                  StartCase{"no saved game", a, yes, good, u"player.qvn"_s, u"player.qvn"_s, AllTickers()},
                  StartCase{
                      "binary favourites", a, yes, kHeader + "\x01\r\n", {}, u"player.fav"_s, AllTickers()}})
                QTest::addRow("%s%s", a ? "ahead: " : "", c.tag) << c;
        }
    }
    void start()
    {
        QFETCH(StartCase, c);
        TempProgramFolder folder;
        layOut(folder, c.line);
        folder.write(u"player.fav"_s, c.favorites);
        if (!c.missing.isEmpty())
            QVERIFY(QFile::remove(folder.file(c.missing)));
        const auto before = folder.snapshot();
        TestSession ts(folder.path());
        if (c.ahead)
            ts.session->readStartupFilesAhead();
        const std::optional<FileError> problem = ts.session->start();
        QCOMPARE(problem ? problem->path : QString(),
                 c.problem.isEmpty() ? QString() : folder.file(c.problem));
        const bool loaded = c.problem.isEmpty();
        QCOMPARE(ts.session->game().holdingCount(), loaded ? 3 : 0);
        QCOMPARE(ts.session->game().gameName.value_or(u"-"_s), loaded ? u"player"_s : u"-"_s);
        QCOMPARE(ts.session->cashText(), loaded ? u"Cash : 10000$"_s : u"Cash : 0$"_s);
        QCOMPARE(ts.session->stockList(), c.list);
        QCOMPARE(ts.session->showsInfoPageAtStart(), c.list == AllTickers());
        QCOMPARE(ts.session->market().infoPageUrl(), QUrl(u"http://127.0.0.1:8421/infos"_s));
        QVERIFY(ts.session->panel().lblQuote.isEmpty() && ts.socket->connects.isEmpty());
        QCOMPARE(folder.snapshot(), before);
    }

    // The game is the saved game as it was when the files were read ahead, read once; and a
    // session that ends first leaves no worker behind reading a folder that is gone.
    void filesReadAhead()
    {
        TempProgramFolder folder;
        layOut(folder);
        TestSession ts(folder.path());
        ts.session->readStartupFilesAhead();
        QThreadPool::globalInstance()->waitForDone();
        folder.write(u"player.qvn"_s, "500\r\n");
        QVERIFY(!ts.session->start());
        QCOMPARE(ts.session->cashText(), u"Cash : 10000$"_s);

        QByteArray game = "10000\r\n";
        for (int i = 0; i < 20000; ++i)
            game += "T" + QByteArray::number(i) + "\r\n1\r\n";
        auto big = std::make_unique<TempProgramFolder>();
        layOut(*big);
        big->write(u"player.qvn"_s, game);
        // Ended while its read runs: the worker must touch nothing of it (the sanitizer run watches).
        // The pool's own count of busy threads lags the read's end, so it is not a measure of the wait.
        std::make_unique<TestSession>(big->path())->session->readStartupFilesAhead();
        QThreadPool::globalInstance()->waitForDone();
        big.reset();
    }

    void selectionFillsThePanelAndFetchesTheQuote()
    {
        Started s;
        QSignalSpy panel(s.session, &GameSession::panelChanged);
        QSignalSpy chart(&s.session->market(), &MarketConnection::chartChanged);
        QSignalSpy sync(&s.session->market(), &MarketConnection::syncEnabledChanged);
        // The quote is asked for before the chart page touches the disk.
        const QString page = s.file(u"tips/web.html"_s);
        QFile::remove(page);
        std::optional<bool> pageAtConnect;
        s.socket->onConnect = [&] { pageAtConnect = QFile::exists(page); };
        QVERIFY(!s.session->selectStock(u"IBM"_s));
        QCOMPARE(pageAtConnect, std::optional<bool>(false));
        const QuotePanel &p = s.session->panel();
        QCOMPARE(QStringList({p.lblQuote, p.lblFullName, p.lblOwned, p.lblTrade}),
                 QStringList({u"IBM"_s, u"International Business Machines"_s, u"15"_s, QString()}));
        QCOMPARE(panel.count() + chart.count() + sync.count(), 3);
        QCOMPARE(s.session->logoPath(), s.file(u"data/null.gif"_s));
        const QByteArray chartUrl = s.session->market().chartUrl().toString().toLatin1();
        QVERIFY(chartUrl.startsWith("http://127.0.0.1:8421/servlet/ChartEngine?symbol=IBM&ticker=IBM&"));
        QVERIFY(s.read(u"tips/web.html"_s).endsWith("<img src=" + chartUrl + ">\r\n"));
        QVERIFY(!s.session->market().isSyncEnabled());
        QCOMPARE(s.socket->connects, (QList<QPair<QString, quint16>>{{u"127.0.0.1"_s, 8421}}));

        s.answerQuote("\"IBM\",85.5,\"6/1/2004\",\"4:00pm\",-1.25,86.1,87,85,4200\r\n");
        QVERIFY(s.socket->sent.startsWith("GET /d/quotes.csv?s=IBM&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\n"));
        // The panel's texts from a quote are pinned in test_quotesync; here the answer reaches it.
        QCOMPARE(p.lblTrade + u"|"_s + p.lblValue, u"85.5|1282.5"_s);
        QVERIFY(p.picDownVisible && !p.picUpVisible && s.session->market().isSyncEnabled());
        QCOMPARE(panel.count(), 2);
    }

    void tradesAreRecordedInTheHistory()
    {
        Started s;
        // A line cut short by an editor: the next trade still starts a line of its own.
        s.write(u"player.qvh"_s, "2026-12-07T10:00:00+01:00;BUY;IBM;15;70;10000");
        s.quote(u"IBM"_s, "80.5");
        QSignalSpy panel(s.session, &GameSession::panelChanged);
        QVERIFY(!s.session->tradeDesk().trade(TradeKind::Buy, u"10"_s, u"805"_s).refusal);
        QCOMPARE(panel.count(), 1);
        s.quote(u"MSFT"_s, "20");
        const TradeOutcome sold = s.session->tradeDesk().trade(TradeKind::Sell, u"3"_s, u"60"_s);
        QVERIFY(!sold.refusal && !sold.notice);
        QCOMPARE(s.read(u"player.qvh"_s), QByteArray("2026-12-07T10:00:00+01:00;BUY;IBM;15;70;10000\r\n"
                                                     "2026-12-08T09:00:00+01:00;BUY;IBM;10;80.5;9195\r\n"
                                                     "2026-12-08T09:01:00+01:00;SELL;MSFT;3;20;9255\r\n"));
        Journal journal;
        QVERIFY(!s.session->portfolio().tradeHistory(journal));
        QCOMPARE(journal.trades.size() + journal.skippedLines, 3);

        // The saved game's rewrite goes through, the history's does not: the trade stands.
        FailingReplacer failing;
        failing.failCommitFrom = 1;
        Started f("LoadFavorites=No", failing);
        f.quote(u"IBM"_s, "80");
        const TradeOutcome outcome = f.session->tradeDesk().trade(TradeKind::Buy, u"10"_s, u"800"_s);
        QVERIFY(!outcome.refusal && outcome.notice);
        QVERIFY2(
            outcome.notice->text.startsWith(u"The trade was made and the saved game holds it, but it could "
                                            u"not be recorded in the trade history"_s) &&
                outcome.notice->text.contains(f.file(u"player.qvh"_s)),
            qPrintable(outcome.notice->text));
        QCOMPARE(f.read(u"player.qvn"_s),
                 QByteArray("9200\r\nAAPL\r\n 0 \r\nIBM\r\n 25 \r\nMSFT\r\n 3 \r\n"));
        QCOMPARE(f.session->cashText(), u"Cash : 9200$"_s);
        QVERIFY(!QFile::exists(f.file(u"player.qvh"_s)));
    }

    void newGameReplacesTheHistory()
    {
        Started s;
        s.write(u"player.qvh"_s, "2026-12-07T10:00:00+01:00;BUY;IBM;15;70;10000\r\n");
        s.minute = 30;
        SavedGamesDesk &desk = s.session->savedGames();
        QVERIFY(desk.savedGameExists(u"player"_s) && !desk.savedGameExists(u"Player"_s));
        QVERIFY(!desk.createGame(u"player"_s, GameLevel::Medium));
        QCOMPARE(s.read(u"player.qvh"_s), QByteArray("2026-12-08T09:30:00+01:00;START;Medium;10000\r\n"));
        QVERIFY(s.read(u"player.qvn"_s).startsWith("10000\r\nA\r\n0\r\n"));
        QCOMPARE(s.session->game().holdingCount(), 3); // the running game stays as it is

        // Should the history's rename fail, the old game comes back whole, history included.
        FailingReplacer failing;
        failing.failCommitFrom = 2;
        Started f("LoadFavorites=No", failing);
        f.write(u"player.qvh"_s, "old\r\n");
        const auto before = f.snapshot();
        QVERIFY(f.session->savedGames().createGame(u"player"_s, GameLevel::Hard));
        QCOMPARE(f.snapshot(), before);
    }

    void loadGame_data()
    {
        QTest::addColumn<QByteArray>("favoritesLine");
        QTest::addColumn<bool>("favoritesFile");
        QTest::addColumn<QStringList>("list"); // empty: the load fails on rich.fav
        QTest::addColumn<QString>("owned");
        QTest::newRow("favourites off: whole list")
            << QByteArray("LoadFavorites=No") << false << AllTickers() << u"0"_s;
        QTest::newRow("favourites on: the game's")
            << QByteArray("LoadFavorites=Yes") << true << QStringList{u"MSFT"_s, u"AAPL"_s} << u"15"_s;
        QTest::newRow("favourites on, none: game kept")
            << QByteArray("LoadFavorites=Yes") << false << QStringList() << u"15"_s;
    }
    void loadGame()
    {
        QFETCH(QByteArray, favoritesLine);
        QFETCH(bool, favoritesFile);
        QFETCH(QStringList, list);
        QFETCH(QString, owned);
        Started s(favoritesLine);
        s.write(u"rich.qvn"_s, "1000000\r\nMSFT\r\n7\r\n");
        if (favoritesFile)
            s.write(u"rich.fav"_s, kHeader + "MSFT\r\nAAPL\r\n");
        s.quote(u"IBM"_s, "80");
        const QStringList listBefore = s.session->stockList();
        QSignalSpy cash(s.session, &GameSession::cashChanged);
        QSignalSpy listChanged(s.session, &GameSession::stockListChanged);
        const bool favorites = favoritesLine.endsWith("Yes"), fails = list.isEmpty();
        QCOMPARE(s.session->savedGames().loadsFavorites(), favorites);
        const FileStatus error = s.session->savedGames().loadGame(u"rich.qvn"_s);
        QCOMPARE(error ? error->path : QString(), fails ? s.file(u"rich.fav"_s) : QString());
        QCOMPARE(s.session->cashText(), fails ? u"Cash : 10000$"_s : u"Cash : 1000000$"_s);
        QCOMPARE(s.session->game().holdings.first().ticker, fails ? u"AAPL"_s : u"MSFT"_s);
        QCOMPARE(cash.count(), fails ? 0 : 1);
        QCOMPARE(s.session->stockList(), fails ? listBefore : list);
        QCOMPARE(listChanged.count(), !fails && favorites ? 1 : 0);
        QCOMPARE(s.session->panel().lblOwned, owned);
    }

    void numbersUseTheSessionsSeparator()
    {
        TempProgramFolder folder;
        folder.writeSettings();
        folder.write(u"player.qvn"_s, "1234,5\r\nIBM\r\n4\r\n");
        TestSession ts(folder.path(), NumberFormat::withDecimal(u','));
        QVERIFY(!ts.session->start());
        QCOMPARE(ts.session->portfolio().decimal(), QChar(u','));
        ts.quote(u"IBM"_s, "25.5");
        QCOMPARE(
            QStringList({ts.session->cashText(), ts.session->panel().lblTrade, ts.session->panel().lblValue}),
            QStringList({u"Cash : 1234,5$"_s, u"25,5"_s, u"102"_s}));
    }

    // "Save and Close": a refusal or a failed write changes neither the file nor the proxy in use.
    void saveOptions_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("failCommitFrom");
        QTest::addColumn<bool>("removeFile");
        QTest::addColumn<QString>("says"); // empty: saved
        QTest::newRow("saved") << u"proxy1"_s << -1 << false << QString();
        QTest::newRow("refused") << u"proxy 1"_s << -1 << false << u"\"Proxy Adress :\""_s;
        QTest::newRow("rename refused") << u"proxy1"_s << 0 << false << u"options.cfg"_s;
        QTest::newRow("options.cfg removed meanwhile") << u"proxy1"_s << -1 << true << u"options.cfg"_s;
    }
    void saveOptions()
    {
        QFETCH(QString, host);
        QFETCH(int, failCommitFrom);
        QFETCH(bool, removeFile);
        QFETCH(QString, says);
        FailingReplacer replacer;
        replacer.failCommitFrom = failCommitFrom;
        Started s("LoadFavorites=No", replacer);
        if (removeFile)
            QVERIFY(QFile::remove(s.file(u"options.cfg"_s)));
        const auto before = s.snapshot();
        const auto refusal =
            s.session->options().saveOptions(SettingsChoice{u"player"_s, true, true, true, host, u"8080"_s});
        QCOMPARE(refusal ? refusal->text.contains(says) : says.isEmpty(), true);
        if (refusal) {
            QCOMPARE(refusal->icon, TradeMessage::Icon::Warning);
            QCOMPARE(s.snapshot(), before);
            QCOMPARE(s.session->options().settings().musicLine, u"EnableMusic=No"_s);
            QVERIFY(!s.session->market().proxy().enabled);
            return;
        }
        QCOMPARE(s.read(u"options.cfg"_s),
                 QByteArray("[Quorvane Settings]\r\nplayer\r\nLoadFavorites=Yes\r\n"
                            "EnableMusic=Yes\r\nUseProxy=Yes\r\nproxy1\r\n8080\r\n"));
        QVERIFY(!QFileInfo::exists(s.file(u"options2.cfg"_s)));
        // The next quote goes through the proxy, without a restart.
        s.session->selectStock(u"IBM"_s);
        QCOMPARE(s.socket->connects.last(), (QPair<QString, quint16>(u"proxy1"_s, 8080)));
        s.socket->accept();
        QVERIFY2(s.socket->sent.startsWith("GET http://"), s.socket->sent.constData());
    }

    // "Apply" of the sector filter; the favourites are read before the list changes.
    void applyFilter_data()
    {
        QTest::addColumn<bool>("favoritesOnly");
        QTest::addColumn<QByteArray>("favorites"); // null: no file
        QTest::addColumn<QStringList>("rows");     // empty with no favourites file: the list is kept
        const QList<Sector> two{Sector::Transportation, Sector::Conglomerates};
        QTest::newRow("sectors") << false << QByteArray() << tickersOfSectors(two);
        QTest::newRow("favourites, sectors ignored")
            << true << QByteArray(kHeader + "MSFT\r\nZZZZ\r\n") << QStringList{u"MSFT"_s, u"ZZZZ"_s};
        QTest::newRow("header-only favourites") << true << kHeader << QStringList();
        QTest::newRow("no favourites file") << true << QByteArray() << QStringList();
    }
    void applyFilter()
    {
        QFETCH(bool, favoritesOnly);
        QFETCH(QByteArray, favorites);
        QFETCH(QStringList, rows);
        Started s;
        QFile::remove(s.file(u"player.fav"_s));
        if (!favorites.isNull())
            s.write(u"player.fav"_s, favorites);
        const auto before = s.snapshot();
        const bool fails = favoritesOnly && favorites.isNull();
        QSignalSpy changed(s.session, &GameSession::stockListChanged);
        const FileStatus error = s.session->stockFilter().applyFilter(
            favoritesOnly, {Sector::Transportation, Sector::Conglomerates});
        QCOMPARE(error ? error->path : QString(), fails ? s.file(u"player.fav"_s) : QString());
        QCOMPARE(s.session->stockList(), fails ? AllTickers() : rows);
        QCOMPARE(changed.count(), fails ? 0 : 1);
        QCOMPARE(s.snapshot(), before);
    }

    // After a failed start no game is loaded, not the game named "" whose files are ".qvn" and
    // ".fav": every command that needs a game says so and writes nothing.
    void commandsWithoutAGame()
    {
        TempProgramFolder folder;
        folder.writeSettings("player", "LoadFavorites=Yes"); // player.qvn is missing
        folder.write(u".qvn"_s, "5000\r\nIBM\r\n 4 \r\n");
        folder.write(u".fav"_s, kHeader + "MSFT\r\n");
        TestSession ts(folder.path());
        QVERIFY(ts.session->start());
        ts.quote(u"IBM"_s, "80");
        QCOMPARE(ts.session->panel().lblQuote, u"IBM"_s);
        const auto before = folder.snapshot();
        GameSession &s = *ts.session;
        FileStatus problem;
        HoldingsStatistics statistics;
        Journal journal;
        const auto text = [](const FileStatus &e) { return e ? e->text() : QString(); };
        const auto said = [](const std::optional<TradeMessage> &m) { return m ? m->text : QString(); };
        const QStringList answers = {
            text(s.addFavorite()),
            text(s.removeFavorite()),
            s.favoriteMenu(Qt::RightButton, &problem) ? QString() : text(problem),
            text(s.portfolio().statistics(statistics)),
            text(s.portfolio().tradeHistory(journal)),
            said(s.tradeDesk().tradeRefusal(TradeKind::Buy)),
            said(s.tradeDesk().tradeRefusal(TradeKind::Sell)),
            text(s.stockFilter().applyFilter(true, {})),
        };
        QCOMPARE(answers, QStringList(answers.size(), noGameLoadedText()));
        QCOMPARE(folder.snapshot(), before);
        QCOMPARE(s.stockList(), AllTickers());
    }

    // One rule for every request: the proxy the settings give is where the quote client connects.
    void proxyFromSettings_data()
    {
        QTest::addColumn<ProxyCase>("c");
        const QByteArray yes = "UseProxy=Yes";
        for (const ProxyCase &c :
             {ProxyCase{"host's own port wins", yes, "proxy1:3128", "8080", u"proxy1"_s, 3128},
              ProxyCase{"port line", yes, " proxy1 ", " 8080 ", u"proxy1"_s, 8080},
              ProxyCase{"host port out of range", yes, "proxy1:65536", "8080", {}, 0},
              ProxyCase{"bracketed IPv6 with port", yes, "[::1]:3128", "8080", u"::1"_s, 3128},
              ProxyCase{"yes in lower case is off", "UseProxy=yes", "proxy1", "8080", u"127.0.0.1"_s, 8421}})
            QTest::newRow(c.tag) << c;
        for (const char *bad : {"+8080", "0", "65536", "abc", "", "80 80", "-1"}) {
            QTest::addRow("port \"%s\" alone: nowhere", bad) << ProxyCase{"", yes, "proxy1", bad, {}, 0};
            QTest::addRow("port \"%s\" under a host port", bad)
                << ProxyCase{"", yes, "proxy1:3128", bad, u"proxy1"_s, 3128};
        }
    }
    void proxyFromSettings()
    {
        QFETCH(ProxyCase, c);
        TempProgramFolder folder;
        folder.write(u"options.cfg"_s,
                     "[Quorvane Settings]\r\nplayer\r\nLoadFavorites=No\r\nEnableMusic=No\r\n" + c.use +
                         "\r\n" + c.host + "\r\n" + c.port + "\r\n");
        folder.write(u"player.qvn"_s, kGame);
        TestSession ts(folder.path());
        QVERIFY(!ts.session->start());
        const ProxySetting &proxy = ts.session->market().proxy();
        QCOMPARE(proxy.enabled, c.use == "UseProxy=Yes");
        if (proxy.enabled) {
            QCOMPARE(proxy.host, c.connectHost);
            QCOMPARE(int(proxy.port), c.connectPort);
            QCOMPARE(proxy.isBroken(), c.connectPort == 0);
        }
        QSignalSpy messages(&ts.session->market(), &MarketConnection::messageRequested);
        ts.session->selectStock(u"IBM"_s);
        if (c.connectPort == 0) {
            // Nowhere to connect: every attempt fails at once, none goes direct.
            QTRY_COMPARE(messages.count(), 1);
            QCOMPARE(messages.first().first().toString(), QuoteSync::retriesExhaustedMessage());
            QVERIFY(ts.socket->connects.isEmpty());
            return;
        }
        QCOMPARE(ts.socket->connects,
                 (QList<QPair<QString, quint16>>{{c.connectHost, quint16(c.connectPort)}}));
        ts.socket->accept();
        QVERIFY2(ts.socket->sent.startsWith(proxy.enabled ? "GET http://127.0.0.1:8421/d/quotes.csv?s=IBM&"
                                                          : "GET /d/quotes.csv?s=IBM&"),
                 ts.socket->sent.constData());
    }
};

QTEST_GUILESS_MAIN(TestGameSession)
#include "test_gamesession.moc"
