// The game's own market: started when nothing answers on the default port, moved to another
// port when something else holds it, reused when a market already runs, left alone when
// services.cfg names one, and stopped with the game (that it dies with a killed game: test_install).
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
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
QString marketProgram()
{
    return qEnvironmentVariable("QUORVANE_PROGRAM_DIR") + u"/quorvane-market"_s;
}

// The game on a real socket and clock, with its own market beside it.
struct Game
{
    explicit Game(const QByteArray &services = {})
    {
        folder.writeSettings("player", "LoadFavorites=No", "EnableMusic=No");
        folder.write(u"player.qvn"_s, "10000\r\nIBM\r\n15\r\n");
        if (!services.isEmpty())
            folder.write(u"services.cfg"_s, services);
        auto session = std::make_unique<GameSession>(folder.path(), std::make_unique<TcpSocket>(),
                                                     std::make_unique<SystemClock>(), NumberFormat{});
        session->market().setLocalMarket(std::make_unique<LocalMarket>(marketProgram()));
        market = session->market().localMarket();
        window = std::make_unique<FrmMain>(std::move(session));
        window->show();
    }
    void click(const QString &ticker) const
    {
        auto *list = window->findChild<QListWidget *>(u"LstStocks"_s);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          rowCentre(list, list->findItems(ticker, Qt::MatchExactly).value(0)));
    }
    // The first click waits for the market instead of failing.
    double tradeOfIbm() const
    {
        click(u"IBM"_s);
        QLabel *trade = window->findChild<QLabel *>(u"lblTrade"_s);
        if (!QTest::qWaitFor([trade] { return !trade->text().isEmpty(); }, 15000))
            return 0;
        return trade->text().toDouble();
    }
    // Closes the window; the market it started, if any.
    qint64 close()
    {
        const qint64 pid = market->startedProcessId();
        window->close();
        window.reset();
        return pid;
    }

    TempProgramFolder folder;
    std::unique_ptr<FrmMain> window;
    LocalMarket *market = nullptr;
};
} // namespace

class TestLocalMarket : public QObject
{
    Q_OBJECT

    MessageRecorder m_messages;

private slots:
    void init()
    {
        if (!portIsFree(LocalMarket::kDefaultPort))
            QSKIP("something already listens on 127.0.0.1:8421");
        m_messages.shown.clear();
    }

    void startsItsOwnMarketAndStopsItAtExit()
    {
        Game game;
        QVERIFY(game.tradeOfIbm() > 0);
        QVERIFY2(m_messages.shown.isEmpty(), qPrintable(m_messages.texts().join(u'|')));
        QCOMPARE(game.market->host(), u"127.0.0.1:8421"_s);
        const qint64 pid = game.close();
        QVERIFY(pid > 0 && !processExists(pid));
        QVERIFY(portIsFree(LocalMarket::kDefaultPort));
    }

    void movesOffAPortHeldByAnotherServer()
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
        Game game;
        QVERIFY(game.tradeOfIbm() > 0);
        const QString host = game.market->host();
        QVERIFY(host != u"127.0.0.1:8421"_s);
        // The chart follows the market to its port.
        QVERIFY(
            game.folder.read(u"tips/web.html"_s).contains((u"http://"_s + host + u"/servlet/"_s).toLatin1()));
        const qint64 pid = game.close();
        QVERIFY(pid > 0 && !processExists(pid));
    }

    void reusesARunningMarketAndLeavesItRunning()
    {
        QProcess running;
        running.start(marketProgram(), {u"--quiet"_s});
        QVERIFY(running.waitForStarted(10000));
        QVERIFY(QTest::qWaitFor([] { return answersQuotes(LocalMarket::kDefaultPort); }, 15000));
        {
            Game game;
            QVERIFY(game.tradeOfIbm() > 0);
            QCOMPARE(game.close(), 0);
        }
        QVERIFY(running.state() == QProcess::Running && answersQuotes(LocalMarket::kDefaultPort));
        running.terminate();
        QVERIFY(running.waitForFinished(10000));
    }

    // Every service named elsewhere, its quote host not answering: the game tells so and starts
    // nothing. (A service left out keeps the game's own market: test_servicesconfig.)
    void startsNothingWhenServicesNameAHost()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        Game game(u"QuoteHost=127.0.0.1:%1\r\nChartHost=127.0.0.1:%1\r\nInfoPage=http://127.0.0.1:%1/\r\n"_s
                      .arg(port)
                      .toLatin1());
        QVERIFY(!game.window->session().market().isWaitingForMarket());
        game.click(u"IBM"_s);
        QVERIFY(QTest::qWaitFor([this] { return !m_messages.shown.isEmpty(); }, 15000));
        QVERIFY(m_messages.texts().value(0).startsWith(u"Synchronization failed after 10 retries."));
        QCOMPARE(game.close(), 0);
        QVERIFY(portIsFree(LocalMarket::kDefaultPort));
    }
};

QTEST_MAIN(TestLocalMarket)
#include "test_localmarket.moc"
