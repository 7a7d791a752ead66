// The game session without any window: what the player does, through its public operations,
// with a socket and clock the test drives.
#include "common/failingreplacer.h"
#include "common/programfolder.h"
#include "common/testsession.h"
#include "model/stockcatalogue.h"
#include "sync/hostport.h"
#include "sync/quotesync.h"

#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>

namespace {
const QByteArray kGame = "10000\r\nAAPL\r\n0\r\nIBM\r\n15\r\nMSFT\r\n3\r\n";

void layOut(const TempProgramFolder &folder, const QByteArray &favorites = "LoadFavorites=No")
{
    folder.writeSettings("player", favorites);
    folder.write(QStringLiteral("player.qvn"), kGame);
    folder.write(QStringLiteral("player.fav"), "[Quorvane Favorites File]\r\nIBM\r\n");
}
} // namespace

class TestGameSession : public QObject
{
    Q_OBJECT

private slots:
    void startReadsTheDefaultGame();
    void startWithoutSettingsStartsEmptyAndWritesNothing();
    void startTakesTheFilesReadAhead_data();
    void startTakesTheFilesReadAhead();
    void filesReadAheadAreThoseOfTheWindowsStart();
    void sessionEndsWhileItsFilesAreReadAhead();
    void selectionFillsThePanelAndFetchesTheQuote();
    void selectionIsRefusedWhileTrading();
    void tradeRewritesTheFileThenCashAndPanel_data();
    void tradeRewritesTheFileThenCashAndPanel();
    void refusedTradeChangesNothing();
    void tradesAreRecordedInTheHistory();
    void failedHistoryWriteKeepsTheTrade();
    void newGameReplacesTheHistory();
    void loadSwapsTheGame_data();
    void loadSwapsTheGame();
    void failedLoadKeepsTheGame();
    void numbersUseTheSessionsSeparator();
    void proxyFromSettings_data();
    void proxyFromSettings();
};

void TestGameSession::startReadsTheDefaultGame()
{
    TempProgramFolder folder;
    layOut(folder);
    TestSession ts(folder.path());
    QVERIFY(!ts.session->start());
    QCOMPARE(ts.session->game().gameName, QStringLiteral("player"));
    QCOMPARE(ts.session->game().holdingCount(), 3);
    QCOMPARE(ts.session->cashText(), QStringLiteral("Cash : 10000$"));
    QCOMPARE(ts.session->stockList(), AllTickers());
    QVERIFY(ts.session->showsInfoPageAtStart());
    QCOMPARE(ts.session->market().infoPageUrl(), QUrl(QStringLiteral("http://127.0.0.1:8421/infos")));
    QVERIFY(ts.session->panel().lblQuote.isEmpty());
    QVERIFY(ts.socket->connects.isEmpty());
}

void TestGameSession::startWithoutSettingsStartsEmptyAndWritesNothing()
{
    TempProgramFolder folder;
    folder.write(QStringLiteral("player.qvn"), kGame);
    const auto before = folder.snapshot();
    TestSession ts(folder.path());
    const std::optional<FileError> problem = ts.session->start();
    QVERIFY(problem);
    QCOMPARE(problem->path, folder.file(QStringLiteral("options.cfg")));
    QVERIFY(!ts.session->game().gameName);
    QCOMPARE(ts.session->game().holdingCount(), 0);
    QCOMPARE(ts.session->cashText(), QStringLiteral("Cash : 0$"));
    QCOMPARE(ts.session->stockList(), AllTickers());
    QCOMPARE(folder.snapshot(), before);
}

// The window reads the start-up files on a worker thread while it builds its widgets; start()
// must then come to the same game, list and problem as reading them itself.
void TestGameSession::startTakesTheFilesReadAhead_data()
{
    QTest::addColumn<bool>("readAhead");
    QTest::addColumn<QByteArray>("favoritesLine");
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QByteArray>("favorites");
    QTest::addColumn<QString>("problemFile"); // empty: none
    QTest::addColumn<int>("holdings");
    QTest::addColumn<QStringList>("stockList");
    const QByteArray good = "[Quorvane Favorites File]\r\nIBM\r\n";
    for (const bool ahead : {false, true}) {
        const char *how = ahead ? "read ahead" : "read at start";
        QTest::addRow("%s: whole catalogue", how)
            << ahead << QByteArray("LoadFavorites=No") << QString() << good << QString() << 3 << AllTickers();
        QTest::addRow("%s: favourites", how) << ahead << QByteArray("LoadFavorites=Yes") << QString() << good
                                             << QString() << 3 << QStringList{QStringLiteral("IBM")};
        QTest::addRow("%s: no settings", how)
            << ahead << QByteArray("LoadFavorites=Yes") << QStringLiteral("options.cfg") << good
            << QStringLiteral("options.cfg") << 0 << AllTickers();
        QTest::addRow("%s: no saved game", how)
            << ahead << QByteArray("LoadFavorites=Yes") << QStringLiteral("player.qvn") << good
            << QStringLiteral("player.qvn") << 0 << AllTickers();
        QTest::addRow("%s: binary favourites", how) << ahead << QByteArray("LoadFavorites=Yes") << QString()
                                                    << QByteArray("[Quorvane Favorites File]\r\n\x01\r\n")
                                                    << QStringLiteral("player.fav") << 0 << AllTickers();
    }
}

void TestGameSession::startTakesTheFilesReadAhead()
{
    QFETCH(bool, readAhead);
    QFETCH(QByteArray, favoritesLine);
    QFETCH(QString, missing);
    QFETCH(QByteArray, favorites);
    QFETCH(QString, problemFile);
    QFETCH(int, holdings);
    QFETCH(QStringList, stockList);
    TempProgramFolder folder;
    layOut(folder, favoritesLine);
    folder.write(QStringLiteral("player.fav"), favorites);
    if (!missing.isEmpty())
        QVERIFY(QFile::remove(folder.file(missing)));
    const auto before = folder.snapshot();
    TestSession ts(folder.path());
    if (readAhead)
        ts.session->readStartupFilesAhead();
    const std::optional<FileError> problem = ts.session->start();
    QCOMPARE(problem ? problem->path : QString(),
             problemFile.isEmpty() ? QString() : folder.file(problemFile));
    QCOMPARE(ts.session->game().holdingCount(), holdings);
    QCOMPARE(ts.session->game().gameName.has_value(), problemFile.isEmpty());
    QCOMPARE(ts.session->stockList(), stockList);
    QCOMPARE(folder.snapshot(), before);
}

// What the game shows is the saved game as it was when the files were read ahead, once: start()
// does not read it a second time.
void TestGameSession::filesReadAheadAreThoseOfTheWindowsStart()
{
    TempProgramFolder folder;
    layOut(folder);
    TestSession ts(folder.path());
    ts.session->readStartupFilesAhead();
    QThreadPool::globalInstance()->waitForDone();
    folder.write(QStringLiteral("player.qvn"), "500\r\n");
    QVERIFY(!ts.session->start());
    QCOMPARE(ts.session->game().holdingCount(), 3);
    QCOMPARE(ts.session->cashText(), QStringLiteral("Cash : 10000$"));
}

// A window closed before its start-up ran leaves no worker behind reading a folder that is gone.
void TestGameSession::sessionEndsWhileItsFilesAreReadAhead()
{
    QByteArray game = "10000\r\n";
    for (int i = 0; i < 20000; ++i)
        game += "T" + QByteArray::number(i) + "\r\n1\r\n";
    auto folder = std::make_unique<TempProgramFolder>();
    layOut(*folder);
    folder->write(QStringLiteral("player.qvn"), game);
    {
        TestSession ts(folder->path());
        ts.session->readStartupFilesAhead();
    }
    QCOMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
    folder.reset();
}

void TestGameSession::selectionFillsThePanelAndFetchesTheQuote()
{
    TempProgramFolder folder;
    layOut(folder);
    TestSession ts(folder.path());
    ts.session->start();
    QSignalSpy panel(ts.session, &GameSession::panelChanged);
    QSignalSpy chart(&ts.session->market(), &MarketConnection::chartChanged);
    QSignalSpy sync(&ts.session->market(), &MarketConnection::syncEnabledChanged);
    // The quote is asked for before the chart page touches the disk.
    QFile::remove(folder.file(QStringLiteral("tips/web.html")));
    std::optional<bool> pageAtConnect;
    ts.socket->onConnect = [&] {
        pageAtConnect = QFile::exists(folder.file(QStringLiteral("tips/web.html")));
    };

    QVERIFY(!ts.session->selectStock(QStringLiteral("IBM")));
    QCOMPARE(pageAtConnect, std::optional<bool>(false));
    QCOMPARE(ts.session->panel().lblQuote, QStringLiteral("IBM"));
    QCOMPARE(ts.session->panel().lblFullName, QStringLiteral("International Business Machines"));
    QCOMPARE(ts.session->panel().lblOwned, QStringLiteral("15"));
    QVERIFY(ts.session->panel().lblTrade.isEmpty());
    QCOMPARE(panel.count(), 1);
    QCOMPARE(chart.count(), 1);
    QCOMPARE(ts.session->logoPath(), folder.file(QStringLiteral("data/null.gif")));
    QVERIFY(ts.session->market().chartUrl().toString().startsWith(
        QLatin1String("http://127.0.0.1:8421/servlet/ChartEngine?symbol=IBM&ticker=IBM&")));
    QVERIFY(folder.read(QStringLiteral("tips/web.html"))
                .endsWith("<img src=" + ts.session->market().chartUrl().toString().toLatin1() + ">\r\n"));
    QVERIFY(!ts.session->market().isSyncEnabled());
    QCOMPARE(sync.count(), 1);
    QCOMPARE(ts.socket->connects, (QList<QPair<QString, quint16>>{{QStringLiteral("127.0.0.1"), 8421}}));

    ts.answerQuote("\"IBM\",85.5,\"6/1/2004\",\"4:00pm\",-1.25,86.1,87,85,4200\r\n");
    QVERIFY(ts.socket->sent.startsWith("GET /d/quotes.csv?s=IBM&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\n"));
    const QuotePanel &shown = ts.session->panel();
    QCOMPARE(shown.lblTrade, QStringLiteral("85.5"));
    QCOMPARE(shown.lblTime, QStringLiteral("6/1/2004 at 4:00pm"));
    QCOMPARE(shown.lblVolume, QStringLiteral("4200"));
    QCOMPARE(shown.lblVariation, QStringLiteral("-1.25 (opened at 86.1$)"));
    QCOMPARE(shown.lblValue, QStringLiteral("1282.5"));
    QVERIFY(shown.picDownVisible && !shown.picUpVisible);
    QVERIFY(ts.session->market().isSyncEnabled());
    QCOMPARE(panel.count(), 2);
}

void TestGameSession::selectionIsRefusedWhileTrading()
{
    TempProgramFolder folder;
    layOut(folder);
    TestSession ts(folder.path());
    ts.session->start();
    ts.quote(QStringLiteral("IBM"), "80");
    ts.session->tradeDesk().beginTrade(TradeKind::Sell);
    QSignalSpy panel(ts.session, &GameSession::panelChanged);
    const std::optional<QString> refusal = ts.session->selectStock(QStringLiteral("MSFT"));
    QVERIFY(refusal);
    QVERIFY(refusal->startsWith(QLatin1String("You can't browse stocks when trading")));
    QCOMPARE(ts.session->panel().lblQuote, QStringLiteral("IBM"));
    QCOMPARE(panel.count(), 0);
    QCOMPARE(ts.socket->connects.size(), 1);
    ts.session->tradeDesk().endTrade();
    QVERIFY(!ts.session->selectStock(QStringLiteral("MSFT")));
    QCOMPARE(ts.session->panel().lblQuote, QStringLiteral("MSFT"));
}

void TestGameSession::tradeRewritesTheFileThenCashAndPanel_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("pay");
    QTest::addColumn<QString>("cash");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("owned");
    QTest::addColumn<QString>("value");

    QTest::addRow("buy 10 at 80") << int(TradeKind::Buy) << "10"
                                  << "800"
                                  << "9200"
                                  << QByteArray("9200\r\nAAPL\r\n 0 \r\nIBM\r\n 25 \r\nMSFT\r\n 3 \r\n")
                                  << "25"
                                  << "2000";
    QTest::addRow("sell all 15 at 80")
        << int(TradeKind::Sell) << "15"
        << "1200"
        << "11200" << QByteArray("11200\r\nAAPL\r\n 0 \r\nIBM\r\n 0 \r\nMSFT\r\n 3 \r\n") << "0"
        << "0";
}

void TestGameSession::tradeRewritesTheFileThenCashAndPanel()
{
    QFETCH(int, kind);
    QFETCH(QString, quantity);
    QFETCH(QString, pay);
    QFETCH(QString, cash);
    QFETCH(QByteArray, file);
    QFETCH(QString, owned);
    QFETCH(QString, value);
    const auto trade = TradeKind(kind);

    TempProgramFolder folder;
    layOut(folder);
    TestSession ts(folder.path());
    ts.session->start();
    ts.quote(QStringLiteral("IBM"), "80");
    QVERIFY(!ts.session->tradeDesk().tradeRefusal(trade));
    ts.session->tradeDesk().beginTrade(trade);
    QVERIFY(ts.session->game().isTrading());
    const TradeAmounts amounts = ts.session->tradeDesk().tradeAmounts(trade, quantity);
    QCOMPARE(amounts.txtPay, pay);
    QCOMPARE(amounts.txtCash, cash);

    QSignalSpy cashChanged(ts.session, &GameSession::cashChanged);
    QSignalSpy panelChanged(ts.session, &GameSession::panelChanged);
    const TradeOutcome outcome = ts.session->tradeDesk().trade(trade, quantity, amounts.txtPay);
    QVERIFY(!outcome.refusal);
    QCOMPARE(folder.read(QStringLiteral("player.qvn")), file);
    QCOMPARE(ts.session->cashText(), QStringLiteral("Cash : ") + cash + QStringLiteral("$"));
    QCOMPARE(ts.session->panel().lblOwned, owned);
    QCOMPARE(ts.session->panel().lblValue, value);
    QCOMPARE(cashChanged.count(), 1);
    QCOMPARE(panelChanged.count(), 1);
    ts.session->tradeDesk().endTrade();
    QVERIFY(!ts.session->game().isTrading());
}

void TestGameSession::refusedTradeChangesNothing()
{
    TempProgramFolder folder;
    layOut(folder);
    TestSession ts(folder.path());
    ts.session->start();
    ts.quote(QStringLiteral("IBM"), "80");
    const auto before = folder.snapshot();
    QSignalSpy cashChanged(ts.session, &GameSession::cashChanged);

    // 200 shares cost 16000 of the 10000 held.
    const TradeOutcome outcome =
        ts.session->tradeDesk().trade(TradeKind::Buy, QStringLiteral("200"), QStringLiteral("16000"));
    QVERIFY(outcome.refusal);
    QCOMPARE(outcome.refusal->text, QStringLiteral("You don't have enough money to do such an operation."));
    QCOMPARE(folder.snapshot(), before);
    QCOMPARE(ts.session->cashText(), QStringLiteral("Cash : 10000$"));
    QCOMPARE(ts.session->panel().lblOwned, QStringLiteral("15"));
    QCOMPARE(cashChanged.count(), 0);
}

namespace {
QDateTime at(int minute)
{
    return QDateTime(QDate(2026, 12, 8), QTime(9, minute), QTimeZone(3600));
}
} // namespace

void TestGameSession::tradesAreRecordedInTheHistory()
{
    TempProgramFolder folder;
    layOut(folder);
    // A line cut short by an editor: the next trade still starts a line of its own.
    folder.write(QStringLiteral("player.qvh"), "2026-12-07T10:00:00+01:00;BUY;IBM;15;70;10000");
    TestSession ts(folder.path());
    int minute = 0;
    ts.session->setWallClock([&] { return at(minute++); });
    ts.session->start();
    ts.quote(QStringLiteral("IBM"), "80.5");
    QVERIFY(
        !ts.session->tradeDesk().trade(TradeKind::Buy, QStringLiteral("10"), QStringLiteral("805")).refusal);
    ts.quote(QStringLiteral("MSFT"), "20");
    const TradeOutcome sold =
        ts.session->tradeDesk().trade(TradeKind::Sell, QStringLiteral("3"), QStringLiteral("60"));
    QVERIFY(!sold.refusal);
    QVERIFY(!sold.notice);
    QCOMPARE(folder.read(QStringLiteral("player.qvh")),
             QByteArray("2026-12-07T10:00:00+01:00;BUY;IBM;15;70;10000\r\n"
                        "2026-12-08T09:00:00+01:00;BUY;IBM;10;80.5;9195\r\n"
                        "2026-12-08T09:01:00+01:00;SELL;MSFT;3;20;9255\r\n"));
    Journal journal;
    QVERIFY(!ts.session->portfolio().tradeHistory(journal));
    QCOMPARE(journal.trades.size(), 3);
    QCOMPARE(journal.skippedLines, 0);
}

void TestGameSession::failedHistoryWriteKeepsTheTrade()
{
    TempProgramFolder folder;
    layOut(folder);
    FailingReplacer failing;
    failing.failCommitFrom = 1; // the saved game's rewrite goes through, the history's does not
    TestSession ts(folder.path(), NumberFormat{}, failing);
    ts.session->start();
    ts.quote(QStringLiteral("IBM"), "80");
    const TradeOutcome outcome =
        ts.session->tradeDesk().trade(TradeKind::Buy, QStringLiteral("10"), QStringLiteral("800"));
    QVERIFY(!outcome.refusal);
    QVERIFY(outcome.notice);
    QVERIFY2(
        outcome.notice->text.startsWith(QStringLiteral("The trade was made and the saved game holds it, but "
                                                       "it could not be recorded in the trade history")),
        qPrintable(outcome.notice->text));
    QVERIFY(outcome.notice->text.contains(folder.file(QStringLiteral("player.qvh"))));
    QCOMPARE(folder.read(QStringLiteral("player.qvn")),
             QByteArray("9200\r\nAAPL\r\n 0 \r\nIBM\r\n 25 \r\nMSFT\r\n 3 \r\n"));
    QCOMPARE(ts.session->cashText(), QStringLiteral("Cash : 9200$"));
    QVERIFY(!QFile::exists(folder.file(QStringLiteral("player.qvh"))));
}

void TestGameSession::newGameReplacesTheHistory()
{
    TempProgramFolder folder;
    layOut(folder);
    folder.write(QStringLiteral("player.qvh"), "2026-12-07T10:00:00+01:00;BUY;IBM;15;70;10000\r\n");
    TestSession ts(folder.path());
    ts.session->setWallClock([] { return at(30); });
    ts.session->start();
    QVERIFY(!ts.session->savedGames().createGame(QStringLiteral("player"), GameLevel::Medium));
    QCOMPARE(folder.read(QStringLiteral("player.qvh")),
             QByteArray("2026-12-08T09:30:00+01:00;START;Medium;10000\r\n"));

    // Should the history's rename fail, the old game comes back whole, history included.
    FailingReplacer failing;
    failing.failCommitFrom = 2;
    folder.write(QStringLiteral("player.qvh"), "old\r\n");
    const auto before = folder.snapshot();
    TestSession other(folder.path(), NumberFormat{}, failing);
    other.session->start();
    QVERIFY(other.session->savedGames().createGame(QStringLiteral("player"), GameLevel::Hard));
    QCOMPARE(folder.snapshot(), before);
}

void TestGameSession::loadSwapsTheGame_data()
{
    QTest::addColumn<QByteArray>("favoritesLine");
    QTest::addColumn<QStringList>("stockList");
    QTest::addColumn<QString>("owned");
    QTest::addRow("favourites off: whole list, owned 0")
        << QByteArray("LoadFavorites=No") << AllTickers() << "0";
    QTest::addRow("favourites on: the game's favourites, owned kept")
        << QByteArray("LoadFavorites=Yes") << QStringList{QStringLiteral("MSFT"), QStringLiteral("AAPL")}
        << "15";
}

void TestGameSession::loadSwapsTheGame()
{
    QFETCH(QByteArray, favoritesLine);
    QFETCH(QStringList, stockList);
    QFETCH(QString, owned);

    TempProgramFolder folder;
    layOut(folder, favoritesLine);
    folder.write(QStringLiteral("rich.qvn"), "1000000\r\nMSFT\r\n7\r\n");
    folder.write(QStringLiteral("rich.fav"), "[Quorvane Favorites File]\r\nMSFT\r\nAAPL\r\n");
    TestSession ts(folder.path());
    ts.session->start();
    ts.quote(QStringLiteral("IBM"), "80");
    QSignalSpy cash(ts.session, &GameSession::cashChanged);
    QSignalSpy list(ts.session, &GameSession::stockListChanged);

    QVERIFY(!ts.session->savedGames().loadGame(QStringLiteral("rich.qvn")));
    QCOMPARE(ts.session->game().gameName, QStringLiteral("rich"));
    QCOMPARE(ts.session->game().holdings, (QList<Holding>{{QStringLiteral("MSFT"), 7}}));
    QCOMPARE(ts.session->cashText(), QStringLiteral("Cash : 1000000$"));
    QCOMPARE(cash.count(), 1);
    QCOMPARE(ts.session->stockList(), stockList);
    QCOMPARE(list.count(), favoritesLine.endsWith("Yes") ? 1 : 0);
    QCOMPARE(ts.session->panel().lblOwned, owned);
}

void TestGameSession::failedLoadKeepsTheGame()
{
    TempProgramFolder folder;
    layOut(folder, "LoadFavorites=Yes");
    folder.write(QStringLiteral("rich.qvn"), "1000000\r\nMSFT\r\n7\r\n"); // no rich.fav
    TestSession ts(folder.path());
    ts.session->start();
    QSignalSpy cash(ts.session, &GameSession::cashChanged);
    const FileStatus error = ts.session->savedGames().loadGame(QStringLiteral("rich.qvn"));
    QVERIFY(error);
    QCOMPARE(error->path, folder.file(QStringLiteral("rich.fav")));
    QCOMPARE(ts.session->game().gameName, QStringLiteral("player"));
    QCOMPARE(ts.session->cashText(), QStringLiteral("Cash : 10000$"));
    QCOMPARE(ts.session->stockList(), QStringList{QStringLiteral("IBM")});
    QCOMPARE(cash.count(), 0);
}

void TestGameSession::numbersUseTheSessionsSeparator()
{
    TempProgramFolder folder;
    folder.writeSettings();
    folder.write(QStringLiteral("player.qvn"), "1234,5\r\nIBM\r\n4\r\n");
    TestSession ts(folder.path(), NumberFormat::withDecimal(u','));
    QVERIFY(!ts.session->start());
    QCOMPARE(ts.session->cashText(), QStringLiteral("Cash : 1234,5$"));
    ts.quote(QStringLiteral("IBM"), "25.5");
    QCOMPARE(ts.session->panel().lblTrade, QStringLiteral("25,5"));
    QCOMPARE(ts.session->panel().lblValue, QStringLiteral("102"));
    const TradeOutcome outcome =
        ts.session->tradeDesk().trade(TradeKind::Buy, QStringLiteral("1"), QStringLiteral("25,5"));
    QVERIFY(!outcome.refusal);
    QCOMPARE(folder.read(QStringLiteral("player.qvn")), QByteArray("1209\r\nIBM\r\n 5 \r\n"));
}

void TestGameSession::proxyFromSettings_data()
{
    QTest::addColumn<QString>("useProxy");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("connectHost");
    QTest::addColumn<int>("connectPort");

    QTest::addRow("host's own port wins") << "UseProxy=Yes"
                                          << "proxy1:3128"
                                          << "8080"
                                          << "proxy1" << 3128;
    QTest::addRow("port line") << "UseProxy=Yes"
                               << " proxy1 "
                               << " 8080 "
                               << "proxy1" << 8080;
    for (const char *bad : {"+8080", "0", "65536", "abc", "", "80 80", "-1"}) {
        QTest::addRow("port \"%s\" alone: nowhere", bad) << "UseProxy=Yes"
                                                         << "proxy1" << bad << "" << 0;
        QTest::addRow("port \"%s\" under a host port", bad) << "UseProxy=Yes"
                                                            << "proxy1:3128" << bad << "proxy1" << 3128;
    }
    QTest::addRow("host port out of range") << "UseProxy=Yes"
                                            << "proxy1:65536"
                                            << "8080"
                                            << "" << 0;
    QTest::addRow("bracketed IPv6 with port") << "UseProxy=Yes"
                                              << "[::1]:3128"
                                              << "8080"
                                              << "::1" << 3128;
    QTest::addRow("yes in lower case is off") << "UseProxy=yes"
                                              << "proxy1"
                                              << "8080"
                                              << "127.0.0.1" << 8421;
}

// One rule for every request: the proxy the settings give is where the quote client connects.
void TestGameSession::proxyFromSettings()
{
    QFETCH(QString, useProxy);
    QFETCH(QString, host);
    QFETCH(QString, port);
    QFETCH(QString, connectHost);
    QFETCH(int, connectPort);

    TempProgramFolder folder;
    folder.write(QStringLiteral("options.cfg"),
                 "[Quorvane Settings]\r\nplayer\r\nLoadFavorites=No\r\nEnableMusic=No\r\n" +
                     useProxy.toLatin1() + "\r\n" + host.toLatin1() + "\r\n" + port.toLatin1() + "\r\n");
    folder.write(QStringLiteral("player.qvn"), kGame);
    TestSession ts(folder.path());
    QVERIFY(!ts.session->start());
    const ProxySetting &proxy = ts.session->market().proxy();
    QCOMPARE(proxy.enabled, useProxy == QLatin1String("UseProxy=Yes"));
    if (proxy.enabled) {
        QCOMPARE(proxy.host, connectHost);
        QCOMPARE(int(proxy.port), connectPort);
        QCOMPARE(proxy.isBroken(), connectPort == 0);
    }

    QSignalSpy messages(&ts.session->market(), &MarketConnection::messageRequested);
    ts.session->selectStock(QStringLiteral("IBM"));
    if (connectPort == 0) {
        // Nowhere to connect: every attempt fails at once, none goes direct.
        QTRY_COMPARE(messages.count(), 1);
        QCOMPARE(messages.first().first().toString(), QuoteSync::retriesExhaustedMessage());
        QVERIFY(ts.socket->connects.isEmpty());
        return;
    }
    QCOMPARE(ts.socket->connects.size(), 1);
    QCOMPARE(ts.socket->connects.first(), qMakePair(connectHost, quint16(connectPort)));
    ts.socket->accept();
    const QByteArray requestLine =
        proxy.enabled ? "GET http://127.0.0.1:8421/d/quotes.csv?s=IBM&" : "GET /d/quotes.csv?s=IBM&";
    QVERIFY2(ts.socket->sent.startsWith(requestLine), ts.socket->sent.constData());
}

QTEST_GUILESS_MAIN(TestGameSession)
#include "test_gamesession.moc"
