// The game session without any window: what the player does, through its public operations and
// its doors, with a socket and clock the test drives. The files' own rules are pinned in tests/model.
#include "common/failingreplacer.h"
#include "common/programfolder.h"
#include "common/testsession.h"
#include "extras/sectorfilter.h"
#include "model/stockcatalogue.h"

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

} // namespace

class TestGameSession : public QObject
{
    Q_OBJECT

private slots:
    // Files read ahead on a worker thread must give start() the same game, list and problem as
    // reading them itself, and nothing is written. Each reader's failures: tests/model.
    void start()
    {
        const QByteArray good = kHeader + "IBM\r\n", no = "LoadFavorites=No", yes = "LoadFavorites=Yes";
        const QString fav = u"player.fav"_s, qvn = u"player.qvn"_s; // (no file removed, problem)
        for (const bool ahead : {false, true})
            for (const auto &[line, favorites, missing, problem, list] :
                 {std::tuple(no, good, QString(), QString(), AllTickers()),
                  std::tuple(yes, good, QString(), QString(), QStringList{u"IBM"_s}),
                  std::tuple(yes, good, qvn, qvn, AllTickers()),
                  std::tuple(yes, QByteArray(kHeader + "\x01\r\n"), QString(), fav, AllTickers())}) {
                TempProgramFolder folder;
                layOut(folder, line);
                folder.write(fav, favorites);
                if (!missing.isEmpty())
                    QVERIFY(QFile::remove(folder.file(missing)));
                const auto before = folder.snapshot();
                TestSession ts(folder.path());
                if (ahead)
                    ts.session->readStartupFilesAhead();
                const std::optional<FileError> error = ts.session->start();
                QCOMPARE(error ? error->path : QString(),
                         problem.isEmpty() ? QString() : folder.file(problem));
                const bool loaded = problem.isEmpty();
                QCOMPARE(ts.session->game().holdingCount(), loaded ? 3 : 0);
                QCOMPARE(ts.session->game().gameName.value_or(u"-"_s), loaded ? u"player"_s : u"-"_s);
                QCOMPARE(ts.session->cashText(), loaded ? u"Cash : 10000$"_s : u"Cash : 0$"_s);
                QCOMPARE(ts.session->stockList(), list);
                QCOMPARE(ts.session->showsInfoPageAtStart(), list == AllTickers());
                QVERIFY(ts.session->panel().lblQuote.isEmpty() && ts.socket->connects.isEmpty());
                QCOMPARE(folder.snapshot(), before);
            }
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
        QCOMPARE(p.lblOwned + p.lblTrade, u"15"_s); // selectStock's texts: test_trading
        QCOMPARE(panel.count() + chart.count() + sync.count(), 3);
        QCOMPARE(s.session->logoPath(), s.file(u"data/null.gif"_s));
        // The page's bytes and the request's: test_quotesync; here the session's hosts reach them.
        QVERIFY(s.read(u"tips/web.html"_s)
                    .contains("<img src=http://127.0.0.1:8421/servlet/ChartEngine?symbol=IBM&"));
        QVERIFY(!s.session->market().isSyncEnabled());
        QCOMPARE(s.socket->connects, (QList<QPair<QString, quint16>>{{u"127.0.0.1"_s, 8421}}));
        s.answerQuote("\"IBM\",85.5,\"6/1/2004\",\"4:00pm\",-1.25,86.1,87,85,4200\r\n");
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
        QVERIFY2(outcome.notice->text.startsWith(u"The trade was made and the saved game holds it, but it "
                                                 u"could not be recorded in the trade history"_s) &&
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

    // Loading hands the cash and list on by signal; "Owned :" counts the new game's shares of the
    // selected stock, which the sell dialog trusts. Which files load: test_gamenames (switchGame).
    void loadGame()
    {
        const QByteArray no("LoadFavorites=No"), yes("LoadFavorites=Yes");
        for (const auto &[line, favoritesFile, list, owned] :
             {std::tuple(no, false, AllTickers(), u"4"_s),
              std::tuple(yes, true, QStringList{u"MSFT"_s, u"AAPL"_s}, u"4"_s),
              std::tuple(yes, false, QStringList(), u"15"_s)}) { // no list: the load fails on rich.fav
            Started s(line);
            s.write(u"rich.qvn"_s, "1000000\r\nMSFT\r\n7\r\nIBM\r\n4\r\n");
            if (favoritesFile)
                s.write(u"rich.fav"_s, kHeader + "MSFT\r\nAAPL\r\n");
            s.quote(u"IBM"_s, "80");
            const QStringList listBefore = s.session->stockList();
            QSignalSpy cash(s.session, &GameSession::cashChanged);
            QSignalSpy listChanged(s.session, &GameSession::stockListChanged);
            const bool favorites = line == yes, fails = list.isEmpty();
            QCOMPARE(s.session->savedGames().loadsFavorites(), favorites);
            const FileStatus error = s.session->savedGames().loadGame(u"rich.qvn"_s);
            QCOMPARE(error ? error->path : QString(), fails ? s.file(u"rich.fav"_s) : QString());
            QCOMPARE(s.session->cashText(), fails ? u"Cash : 10000$"_s : u"Cash : 1000000$"_s);
            QCOMPARE(cash.count(), fails ? 0 : 1);
            QCOMPARE(s.session->stockList(), fails ? listBefore : list);
            QCOMPARE(listChanged.count(), !fails && favorites ? 1 : 0);
            QCOMPARE(s.session->panel().lblOwned, owned);
        }
    }

    // "Save and Close": a refusal or a failed write changes neither the file nor the proxy in use;
    // a saved proxy takes the next quote, without a restart. The checks: test_options.
    void saveOptions()
    {
        FailingReplacer replacer;
        Started s("LoadFavorites=No", replacer);
        const auto before = s.snapshot();
        const auto save = [&](const QString &host) {
            return s.session->options().saveOptions(
                SettingsChoice{u"player"_s, true, true, true, host, u"8080"_s});
        };
        for (const auto &[host, failCommitFrom, says] :
             {std::tuple(u"proxy 1"_s, -1, u"\"Proxy Adress :\""_s),
              std::tuple(u"proxy1"_s, 0, u"options.cfg"_s)}) {
            replacer.failCommitFrom = failCommitFrom;
            const auto refusal = save(host);
            QVERIFY(refusal && refusal->text.contains(says) && refusal->icon == TradeMessage::Icon::Warning);
            QCOMPARE(s.snapshot(), before);
            QCOMPARE(s.session->options().settings().musicLine, u"EnableMusic=No"_s);
            QVERIFY(!s.session->market().proxy().enabled);
        }
        replacer.failCommitFrom = -1;
        QVERIFY(!save(u"proxy1"_s));
        QCOMPARE(s.read(u"options.cfg"_s),
                 QByteArray("[Quorvane Settings]\r\nplayer\r\nLoadFavorites=Yes\r\n"
                            "EnableMusic=Yes\r\nUseProxy=Yes\r\nproxy1\r\n8080\r\n"));
        s.session->selectStock(u"IBM"_s);
        QCOMPARE(s.socket->connects.last(), (QPair<QString, quint16>(u"proxy1"_s, 8080)));
        s.socket->accept();
        QVERIFY2(s.socket->sent.startsWith("GET http://"), s.socket->sent.constData());
    }

    // "Apply" of the sector filter; the favourites are read before the list changes.
    void applyFilter()
    {
        Started s;
        QFile::remove(s.file(u"player.fav"_s));
        const QList<Sector> two{Sector::Transportation, Sector::Conglomerates};
        QSignalSpy changed(s.session, &GameSession::stockListChanged);
        const FileStatus missing = s.session->stockFilter().applyFilter(true, two);
        QCOMPARE(missing ? missing->path : QString(), s.file(u"player.fav"_s));
        QCOMPARE(s.session->stockList(), AllTickers());
        QCOMPARE(changed.count(), 0);
        for (const auto &[favoritesOnly, favorites, rows] :
             {std::tuple(false, QByteArray(), tickersOfSectors(two)),
              std::tuple(true, QByteArray(kHeader + "MSFT\r\nZZZZ\r\n"),
                         QStringList{u"MSFT"_s, u"ZZZZ"_s}), // sectors ignored
              std::tuple(true, kHeader, QStringList())}) {
            if (!favorites.isNull())
                s.write(u"player.fav"_s, favorites);
            const auto before = s.snapshot();
            QVERIFY(!s.session->stockFilter().applyFilter(favoritesOnly, two));
            QCOMPARE(s.session->stockList(), rows);
            QCOMPARE(s.snapshot(), before);
        }
        QCOMPARE(changed.count(), 3);
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
};

QTEST_GUILESS_MAIN(TestGameSession)
#include "test_gamesession.moc"
