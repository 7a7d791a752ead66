// The quote, the chart image and the information page take one route: the proxy the settings
// give, read by one rule, or no request at all when the proxy has nowhere to connect.
#include "app/program.h"
#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "game/frmmain.h"
#include "game/gamesession.h"
#include "platform/webpane.h"
#include "sync/quotesync.h"

#include <QListWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <algorithm>

namespace {
// A proxy that never answers: it only records the first line of every request it is sent.
class SilentProxy : public QTcpServer
{
public:
    SilentProxy()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *peer = nextPendingConnection()) {
                connect(peer, &QTcpSocket::readyRead, peer, [this, peer] {
                    if (!peer->canReadLine())
                        return;
                    requestLines.append(QString::fromLatin1(peer->readLine().trimmed()));
                    peer->disconnect(this);
                });
            }
        });
    }
    bool saw(const QString &start) const
    {
        return std::any_of(requestLines.begin(), requestLines.end(),
                           [&start](const QString &line) { return line.startsWith(start); });
    }

    QStringList requestLines;
};
} // namespace

class TestProxyRoute : public QObject
{
    Q_OBJECT

private slots:
    void everyFetchTakesTheSameRoute_data();
    void everyFetchTakesTheSameRoute();
};

void TestProxyRoute::everyFetchTakesTheSameRoute_data()
{
    QTest::addColumn<bool>("hostHasPort");
    QTest::addColumn<QString>("portLine");
    QTest::addColumn<bool>("reachesProxy");

    // Which port lines count is pinned in test_gamesession; here every fetch follows the one rule.
    QTest::addRow("port line alone") << false << QString() << true;
    QTest::addRow("host port, bad port line") << true << QStringLiteral("+8080") << true;
    QTest::addRow("no host port, bad port line") << false << QStringLiteral("abc") << false;
    QTest::addRow("host port beats a good port line") << true << QStringLiteral("8080") << true;
}

void TestProxyRoute::everyFetchTakesTheSameRoute()
{
    QFETCH(bool, hostHasPort);
    QFETCH(QString, portLine);
    QFETCH(bool, reachesProxy);

    SilentProxy proxy;
    QVERIFY(proxy.listen(QHostAddress::LocalHost));
    const QString port = QString::number(proxy.serverPort());
    const QString host = hostHasPort ? QStringLiteral("127.0.0.1:") + port : QStringLiteral("127.0.0.1");
    if (portLine.isEmpty())
        portLine = port;

    TempProgramFolder folder;
    folder.write(QStringLiteral("options.cfg"),
                 "[Quorvane Settings]\r\nplayer\r\nLoadFavorites=No\r\nEnableMusic=No\r\nUseProxy=Yes\r\n" +
                     host.toLatin1() + "\r\n" + portLine.toLatin1() + "\r\n");
    folder.write(QStringLiteral("player.qvn"), "10000\r\nIBM\r\n0\r\n");
    folder.write(QStringLiteral("infos.html"), "<p>shipped page</p>");
    MessageRecorder messages;
    Program program(folder.path());
    FrmMain &w = program.window();
    w.show(); // the information page waits for the first paint
    auto *pane = w.findChild<WebPane *>(QStringLiteral("WebBrowser"));
    auto *list = w.findChild<QListWidget *>(QStringLiteral("LstStocks"));
    const auto selectIbm = [list] {
        list->setCurrentItem(list->findItems(QStringLiteral("IBM"), Qt::MatchExactly).first());
    };

    if (reachesProxy) {
        // The information page first: a selection would replace it before it is asked for.
        QTRY_VERIFY(proxy.saw(QStringLiteral("GET http://127.0.0.1:8421/infos ")));
        selectIbm();
        QTRY_VERIFY(proxy.saw(QStringLiteral("GET http://127.0.0.1:8421/servlet/ChartEngine?symbol=IBM&")));
        QTRY_VERIFY(proxy.saw(QStringLiteral("GET http://127.0.0.1:8421/d/quotes.csv?s=IBM&")));
        QVERIFY(messages.shown.isEmpty());
        return;
    }
    // Nothing goes direct: the information page is the shipped copy, the quote fails attempt
    // after attempt, the chart is a placeholder.
    QTRY_VERIFY(pane->html().contains(QLatin1String("shipped page")));
    selectIbm();
    QTRY_COMPARE(messages.texts(), QStringList{QuoteSync::retriesExhaustedMessage()});
    QTRY_VERIFY(pane->html().contains(QLatin1String("Not available right now.")));
    QVERIFY(!proxy.hasPendingConnections());
    QCOMPARE(proxy.requestLines, QStringList());
}

QTEST_MAIN(TestProxyRoute)
#include "test_proxyroute.moc"
