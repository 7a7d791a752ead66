// The game's own market: started when nothing answers on the default port, moved to another
// port when something else holds it, reused when a market already runs, left alone when
// services.cfg names one, and gone with the game, also when the game dies.
#include "common/listrows.h"
#include "common/marketprocess.h"
#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "game/frmmain.h"
#include "game/gamesession.h"
#include "platform/tcpsocket.h"
#include "sync/localmarket.h"
#include "sync/marketconnection.h"
#include "sync/systemclock.h"

#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <unistd.h>

namespace {

QString marketProgram()
{
    return qEnvironmentVariable("QUORVANE_PROGRAM_DIR") + QStringLiteral("/quorvane-market");
}

} // namespace

class TestLocalMarket : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void startsItsOwnMarketAndStopsItAtExit();
    void movesOffAPortHeldByAnotherServer();
    void reusesARunningMarketAndLeavesItRunning();
    void startsNothingWhenServicesNameAHost();
    void marketEndsWhenTheGameDies();

private:
    struct Game
    {
        std::unique_ptr<FrmMain> window;
        LocalMarket *market = nullptr;
    };
    static Game startGame(const TempProgramFolder &folder)
    {
        auto session = std::make_unique<GameSession>(folder.path(), std::make_unique<TcpSocket>(),
                                                     std::make_unique<SystemClock>(), NumberFormat{});
        session->market().setLocalMarket(std::make_unique<LocalMarket>(marketProgram()));
        Game game;
        game.market = session->market().localMarket();
        game.window = std::make_unique<FrmMain>(std::move(session));
        game.window->show();
        return game;
    }
    static void click(FrmMain &w, const QString &ticker)
    {
        auto *list = w.findChild<QListWidget *>(QStringLiteral("LstStocks"));
        const auto rows = list->findItems(ticker, Qt::MatchExactly);
        QVERIFY(!rows.isEmpty());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, rows.first()));
    }
    static QString tradeAfterClicking(FrmMain &w, const QString &ticker)
    {
        click(w, ticker);
        QLabel *trade = w.findChild<QLabel *>(QStringLiteral("lblTrade"));
        if (!QTest::qWaitFor([trade] { return !trade->text().isEmpty(); }, 15000))
            return {};
        return trade->text();
    }
    static void layOut(TempProgramFolder &folder)
    {
        folder.writeSettings("player", "LoadFavorites=No", "EnableMusic=No");
        folder.write(QStringLiteral("player.qvn"), "10000\r\nIBM\r\n15\r\n");
        folder.write(QStringLiteral("player.fav"), "[Quorvane Favorites File]\r\n");
    }

    MessageRecorder m_messages;
};

void TestLocalMarket::init()
{
    if (!portIsFree(LocalMarket::kDefaultPort))
        QSKIP("something already listens on 127.0.0.1:8421");
    m_messages.shown.clear();
}

void TestLocalMarket::startsItsOwnMarketAndStopsItAtExit()
{
    TempProgramFolder folder;
    layOut(folder);
    Game game = startGame(folder);

    // The first click waits for the market instead of failing.
    const QString trade = tradeAfterClicking(*game.window, QStringLiteral("IBM"));
    QVERIFY2(trade.toDouble() > 0, qPrintable(trade));
    QVERIFY2(m_messages.shown.isEmpty(), qPrintable(m_messages.texts().join(u'|')));
    const qint64 pid = game.market->startedProcessId();
    QVERIFY(pid > 0);
    QVERIFY(processExists(pid));
    QCOMPARE(game.market->host(), QStringLiteral("127.0.0.1:8421"));

    game.window->close();
    game.window.reset();
    QVERIFY(!processExists(pid));
    QVERIFY(portIsFree(LocalMarket::kDefaultPort));
}

void TestLocalMarket::movesOffAPortHeldByAnotherServer()
{
    // Something that is not a market holds the default port and answers 404.
    QTcpServer other;
    QVERIFY(other.listen(QHostAddress::LocalHost, LocalMarket::kDefaultPort));
    connect(&other, &QTcpServer::newConnection, &other, [&other] {
        QTcpSocket *client = other.nextPendingConnection();
        connect(client, &QTcpSocket::readyRead, client, [client] {
            client->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            client->disconnectFromHost();
        });
    });
    TempProgramFolder folder;
    layOut(folder);
    Game game = startGame(folder);

    const QString trade = tradeAfterClicking(*game.window, QStringLiteral("IBM"));
    QVERIFY2(trade.toDouble() > 0, qPrintable(trade));
    const QString host = game.market->host();
    QVERIFY(host != QStringLiteral("127.0.0.1:8421"));
    // The chart follows the market to its port.
    QVERIFY(folder.read(QStringLiteral("tips/web.html"))
                .contains((QStringLiteral("http://") + host + QStringLiteral("/servlet/")).toLatin1()));
    const qint64 pid = game.market->startedProcessId();
    game.window->close();
    game.window.reset();
    QVERIFY(pid > 0 && !processExists(pid));
}

void TestLocalMarket::reusesARunningMarketAndLeavesItRunning()
{
    QProcess running;
    running.start(marketProgram(), {QStringLiteral("--quiet")});
    QVERIFY(running.waitForStarted(10000));
    QVERIFY(QTest::qWaitFor([] { return answersQuotes(LocalMarket::kDefaultPort); }, 15000));

    TempProgramFolder folder;
    layOut(folder);
    {
        Game game = startGame(folder);
        const QString trade = tradeAfterClicking(*game.window, QStringLiteral("IBM"));
        QVERIFY2(trade.toDouble() > 0, qPrintable(trade));
        QCOMPARE(game.market->startedProcessId(), 0);
        game.window->close();
    }
    QCOMPARE(running.state(), QProcess::Running);
    QVERIFY(answersQuotes(LocalMarket::kDefaultPort));
    running.terminate();
    QVERIFY(running.waitForFinished(10000));
}

void TestLocalMarket::startsNothingWhenServicesNameAHost()
{
    // A named quote host that does not answer: the game tells so and starts nothing.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    TempProgramFolder folder;
    layOut(folder);
    folder.write(QStringLiteral("services.cfg"),
                 QStringLiteral("QuoteHost=127.0.0.1:%1\r\n").arg(port).toLatin1());
    Game game = startGame(folder);
    QVERIFY(!game.window->session().market().isWaitingForMarket());
    click(*game.window, QStringLiteral("IBM"));
    QVERIFY(QTest::qWaitFor([this] { return !m_messages.shown.isEmpty(); }, 15000));
    QVERIFY(
        m_messages.texts().value(0).startsWith(QStringLiteral("Synchronization failed after 10 retries.")));
    QCOMPARE(game.market->startedProcessId(), 0);
    QVERIFY(portIsFree(LocalMarket::kDefaultPort));
}

void TestLocalMarket::marketEndsWhenTheGameDies()
{
    // A stand-in for the game starts the market on a free port and then aborts.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const QString port = QString::number(probe.serverPort());
    probe.close();
    QProcess game;
    game.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    game.start(QStringLiteral(LOCALMARKET_CRASHER), {marketProgram(), port});
    QVERIFY(game.waitForFinished(20000));
    QCOMPARE(game.exitStatus(), QProcess::CrashExit);
    const qint64 pid = game.readAllStandardOutput().trimmed().toLongLong();
    QVERIFY(pid > 0);
    QVERIFY2(waitForExit(pid, 10000), "the market outlived the game");
}

QTEST_MAIN(TestLocalMarket)
#include "test_localmarket.moc"
