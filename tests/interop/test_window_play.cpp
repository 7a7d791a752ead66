// The whole game through its main window, against real servers: nginx serving a fixed quote
// line, and the bundled market service started from the build.
#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "game/frmmain.h"
#include "game/gamesession.h"
#include "model/gamefiles.h"
#include "model/numbertext.h"
#include "peerdaemon.h"
#include "platform/tcpsocket.h"
#include "platform/webpane.h"
#include "sync/systemclock.h"
#include "trading/frmbuy.h"
#include "trading/frmstats.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
const QByteArray kQuote("\"IBM\",85.5,\"6/1/2004\",\"4:00pm\",-1.25,86.1,87,85,4200\r\n");
} // namespace

class TestWindowPlay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void synchronizeFillsThePanelFromNginx();
    void playAgainstTheMarketService();

private:
    void layOutGame(TempProgramFolder &folder, quint16 quotePort, quint16 chartPort) const;
    static QLabel *label(QWidget &w, const char *name) { return w.findChild<QLabel *>(QLatin1String(name)); }
    static QWidget *client(FrmMain &w) { return w.centralWidget(); }
    // The game as a player starts it, with the point as decimal separator whatever the locale.
    static std::unique_ptr<FrmMain> startGame(const TempProgramFolder &folder)
    {
        return std::make_unique<FrmMain>(std::make_unique<GameSession>(
            folder.path(), std::make_unique<TcpSocket>(), std::make_unique<SystemClock>(), NumberFormat{}));
    }
    static void select(FrmMain &w, const QString &ticker)
    {
        auto *list = w.findChild<QListWidget *>(QStringLiteral("LstStocks"));
        const auto rows = list->findItems(ticker, Qt::MatchExactly);
        QVERIFY(!rows.isEmpty());
        list->setCurrentItem(rows.first());
    }

    QTemporaryDir m_peerDir;
    PeerDaemon m_nginx;
    quint16 m_nginxPort = 0;
    QProcess m_market;
    quint16 m_marketPort = 0;
};

void TestWindowPlay::initTestCase()
{
    QVERIFY(m_peerDir.isValid());
    const QString root = m_peerDir.path();
    QDir().mkpath(root + QStringLiteral("/www/d"));
    QDir().mkpath(root + QStringLiteral("/temp"));
    QFile quote(root + QStringLiteral("/www/d/quotes.csv"));
    QVERIFY(quote.open(QIODevice::WriteOnly));
    quote.write(kQuote);
    quote.close();

    m_nginxPort = PeerDaemon::freePort();
    const QString conf =
        QStringLiteral("%1daemon on;\nworker_processes 1;\npid %2/nginx.pid;\n"
                       "error_log %2/error.log warn;\nevents { worker_connections 16; }\n"
                       "http {\n  types { text/csv csv; }\n"
                       "  client_body_temp_path %2/temp/body;\n  proxy_temp_path %2/temp/proxy;\n"
                       "  fastcgi_temp_path %2/temp/fcgi;\n  uwsgi_temp_path %2/temp/uwsgi;\n"
                       "  scgi_temp_path %2/temp/scgi;\n"
                       "  server { listen 127.0.0.1:%3; root %2/www; access_log off; }\n}\n")
            .arg(PeerDaemon::isRoot() ? QStringLiteral("user root root;\n") : QString(), root)
            .arg(m_nginxPort);
    QFile confFile(root + QStringLiteral("/nginx.conf"));
    QVERIFY(confFile.open(QIODevice::WriteOnly));
    confFile.write(conf.toLocal8Bit());
    confFile.close();
    QString error;
    QVERIFY2(m_nginx.start(QStringLiteral("/usr/sbin/nginx"),
                           {u"-p"_s, root, u"-e"_s, root + u"/error.log"_s, u"-c"_s, root + u"/nginx.conf"_s},
                           root + QStringLiteral("/nginx.pid"), m_nginxPort, &error),
             qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(m_nginx.isReady(), 15000);

    const QString market = qEnvironmentVariable("QUORVANE_PROGRAM_DIR") + QStringLiteral("/quorvane-market");
    QVERIFY2(QFileInfo(market).isExecutable(), qPrintable(market));
    m_marketPort = PeerDaemon::freePort();
    m_market.start(market, {u"--port"_s, QString::number(m_marketPort), u"--seed"_s, u"7"_s, u"--quiet"_s});
    QVERIFY(m_market.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(
        [this] {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, m_marketPort);
            return s.waitForConnected(500);
        }(),
        15000);
}

void TestWindowPlay::cleanupTestCase()
{
    m_nginx.stop();
    m_market.terminate();
    QVERIFY(m_market.waitForFinished(10000));
    QTRY_VERIFY_WITH_TIMEOUT(!m_nginx.isRunning(), 15000);
}

void TestWindowPlay::layOutGame(TempProgramFolder &folder, quint16 quotePort, quint16 chartPort) const
{
    folder.writeSettings("player", "LoadFavorites=No", "EnableMusic=No");
    folder.write(QStringLiteral("player.qvn"), "10000\r\nIBM\r\n15\r\nMSFT\r\n0\r\n");
    folder.write(QStringLiteral("player.fav"), "[Quorvane Favorites File]\r\n");
    folder.write(QStringLiteral("services.cfg"),
                 QStringLiteral("QuoteHost=127.0.0.1:%1\r\nChartHost=127.0.0.1:%2\r\n"
                                "InfoPage=http://127.0.0.1:%2/infos\r\n")
                     .arg(quotePort)
                     .arg(chartPort)
                     .toLatin1());
}

void TestWindowPlay::synchronizeFillsThePanelFromNginx()
{
    TempProgramFolder folder;
    layOutGame(folder, m_nginxPort, m_marketPort);
    MessageRecorder messages;
    const auto window = startGame(folder);
    FrmMain &w = *window;

    // Synchronize fetches the selected stock again; the first answer may still be on its way.
    select(w, QStringLiteral("IBM"));
    QTest::mouseClick(client(w)->findChild<QPushButton *>(QStringLiteral("cmdSync")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(label(w, "lblTrade")->text(), QStringLiteral("85.5"), 10000);
    QCOMPARE(label(w, "lblTime")->text(), QStringLiteral("6/1/2004 at 4:00pm"));
    QCOMPARE(label(w, "lblVolume")->text(), QStringLiteral("4200"));
    QCOMPARE(label(w, "lblVariation")->text(), QStringLiteral("-1.25 (opened at 86.1$)"));
    QCOMPARE(label(w, "lblValue")->text(), QStringLiteral("1282.5"));
    QVERIFY(!label(w, "PicDown")->isHidden());
    QVERIFY(label(w, "PicUp")->isHidden());
    QVERIFY(client(w)->findChild<QPushButton *>(QStringLiteral("cmdSync"))->isEnabled());
    QCOMPARE(folder.read(QStringLiteral("quote.cfg")), kQuote);
    QVERIFY(messages.shown.isEmpty());
}

void TestWindowPlay::playAgainstTheMarketService()
{
    TempProgramFolder folder;
    layOutGame(folder, m_marketPort, m_marketPort);
    MessageRecorder messages;
    auto window = startGame(folder);
    FrmMain &w = *window;

    // Selecting a row fills the panel, writes the chart page and fetches the quote.
    select(w, QStringLiteral("IBM"));
    QCOMPARE(label(w, "lblQuote")->text(), QStringLiteral("IBM"));
    QCOMPARE(label(w, "lblFullName")->text(), QStringLiteral("International Business Machines"));
    QCOMPARE(label(w, "lblOwned")->text(), QStringLiteral("15"));
    const QByteArray page = folder.read(QStringLiteral("tips/web.html"));
    QVERIFY2(page.contains(
                 QStringLiteral("<img src=http://127.0.0.1:%1/servlet/ChartEngine?symbol=IBM&ticker=IBM&")
                     .arg(m_marketPort)
                     .toLatin1()),
             page.constData());
    QTRY_VERIFY_WITH_TIMEOUT(!label(w, "lblTrade")->text().isEmpty(), 10000);
    const auto price = doubleFromText(label(w, "lblTrade")->text(), u'.');
    QVERIFY2(price && *price > 0, qPrintable(label(w, "lblTrade")->text()));
    QCOMPARE(label(w, "lblValue")->text(), doubleToText(*price * 15, u'.'));
    QVERIFY(label(w, "PicUp")->isHidden() != label(w, "PicDown")->isHidden());
    auto *pane = w.findChild<WebPane *>(QStringLiteral("WebBrowser"));
    QTRY_VERIFY_WITH_TIMEOUT(pane->html().contains(QLatin1String("pane:image")), 10000);

    // Buy 10 at the last trade: cash, panel, banner and the saved game move together.
    QTest::mouseClick(client(w)->findChild<QPushButton *>(QStringLiteral("cmdBuy")), Qt::LeftButton);
    auto *buy = w.findChild<frmBuy *>();
    QVERIFY(buy && buy->isVisible());
    QVERIFY(w.session().isTrading());
    buy->findChild<QLineEdit *>(QStringLiteral("txtQty"))->setText(QStringLiteral("10"));
    QTest::mouseClick(buy->findChild<QPushButton *>(QStringLiteral("cmdBuy")), Qt::LeftButton);
    QVERIFY(!w.session().isTrading());
    const Money expectedCash =
        Money::fromUnits(Money::fromDollars(10000).units() - moneyFromDouble(*price * 10)->units());
    QCOMPARE(w.session().game().cash, expectedCash);
    QCOMPARE(label(w, "lblTicker")->text(),
             QStringLiteral("Cash : ") + moneyToText(expectedCash, u'.') + u"$"_s);
    QCOMPARE(label(w, "lblOwned")->text(), QStringLiteral("25"));
    QCOMPARE(folder.read(QStringLiteral("player.qvn")),
             moneyToText(expectedCash, u'.').toLatin1() + "\r\nIBM\r\n 25 \r\nMSFT\r\n 0 \r\n");

    // While a trade dialog is open the list refuses to browse.
    QTest::mouseClick(client(w)->findChild<QPushButton *>(QStringLiteral("cmdSell")), Qt::LeftButton);
    QVERIFY(w.session().isTrading());
    select(w, QStringLiteral("MSFT"));
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown.first().text,
             QStringLiteral(
                 "You can't browse stocks when trading [buy/sell]\nPlease finish your operation first."));
    QCOMPARE(label(w, "lblQuote")->text(), QStringLiteral("IBM"));

    // The statistics read the saved game on disk.
    w.mnuStats_Click();
    auto *stats = w.findChild<FrmStats *>();
    QVERIFY(!stats->isHidden());
    QCOMPARE(stats->findChild<QListWidget *>(QStringLiteral("lstStats"))->item(0)->text(),
             QStringLiteral("IBM - 25"));

    // A restart finds the same game.
    window.reset();
    const auto again = startGame(folder);
    QCOMPARE(again->session().game().cash, expectedCash);
    QCOMPARE(again->session().game().holdings.first(), (Holding{QStringLiteral("IBM"), 25}));
}

QTEST_MAIN(TestWindowPlay)
#include "test_window_play.moc"
