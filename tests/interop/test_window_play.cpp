// The whole game through its main window against the game's own market process, started from
// the build: the quote, the chart image, a trade and a restart. The window's wiring with fakes is
// in test_frmmain, the download against nginx in test_peers.
#include "common/marketprocess.h"
#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "game/frmmain.h"
#include "game/gamesession.h"
#include "model/numbertext.h"
#include "platform/tcpsocket.h"
#include "platform/webpane.h"
#include "sync/marketconnection.h"
#include "sync/systemclock.h"
#include "trading/frmbuy.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestWindowPlay : public QObject
{
    Q_OBJECT

    QLabel *label(QWidget &w, const char *name) { return w.findChild<QLabel *>(QLatin1String(name)); }
    // The game as a player starts it, with the point as decimal separator whatever the locale.
    std::unique_ptr<FrmMain> startGame(const TempProgramFolder &folder)
    {
        return std::make_unique<FrmMain>(std::make_unique<GameSession>(
            folder.path(), std::make_unique<TcpSocket>(), std::make_unique<SystemClock>(), NumberFormat{}));
    }

    QProcess m_market;
    int m_port = 0;

private slots:
    void initTestCase()
    {
        m_port = startMarketOnFreePort(m_market, {u"--seed"_s, u"7"_s, u"--quiet"_s}, 15000);
        QVERIFY(m_port > 0);
    }
    void cleanupTestCase()
    {
        m_market.terminate();
        QVERIFY(m_market.waitForFinished(10000));
    }

    void playAgainstTheMarketService()
    {
        TempProgramFolder folder;
        folder.writeSettings("player", "LoadFavorites=No", "EnableMusic=No");
        folder.write(u"player.qvn"_s, "10000\r\nIBM\r\n15\r\nMSFT\r\n0\r\n");
        folder.write(u"player.fav"_s, "[Quorvane Favorites File]\r\n");
        const QByteArray host = "127.0.0.1:" + QByteArray::number(m_port);
        folder.write(u"services.cfg"_s, "QuoteHost=" + host + "\r\nChartHost=" + host +
                                            "\r\nInfoPage=http://" + host + "/infos\r\n");
        MessageRecorder messages;
        auto window = startGame(folder);
        FrmMain &w = *window;

        // Selecting a row fills the panel, writes the chart page and fetches the quote.
        auto *list = w.findChild<QListWidget *>(u"LstStocks"_s);
        list->setCurrentItem(list->findItems(u"IBM"_s, Qt::MatchExactly).value(0));
        QVERIFY(folder.read(u"tips/web.html"_s)
                    .contains("<img src=http://" + host + "/servlet/ChartEngine?symbol=IBM&"));
        QTRY_VERIFY_WITH_TIMEOUT(!label(w, "lblTrade")->text().isEmpty(), 10000);
        const double price = doubleFromText(label(w, "lblTrade")->text(), u'.').value_or(0);
        QVERIFY2(price > 0, qPrintable(label(w, "lblTrade")->text()));
        auto *pane = w.findChild<WebPane *>(u"WebBrowser"_s);
        QTRY_VERIFY_WITH_TIMEOUT(pane->html().contains(QLatin1String("pane:image")), 10000);

        // Buy 10 at the last trade: cash, panel, banner and the saved game move together.
        QTest::mouseClick(w.centralWidget()->findChild<QPushButton *>(u"cmdBuy"_s), Qt::LeftButton);
        auto *buy = w.findChild<frmBuy *>();
        QVERIFY(buy && buy->isVisible());
        buy->findChild<QLineEdit *>(u"txtQty"_s)->setText(u"10"_s);
        QTest::mouseClick(buy->findChild<QPushButton *>(u"cmdBuy"_s), Qt::LeftButton);
        QVERIFY(!w.session().game().isTrading());
        const Money cash =
            Money::fromUnits(Money::fromDollars(10000).units() - moneyFromDouble(price * 10)->units());
        QCOMPARE(w.session().game().cash, cash);
        QCOMPARE(label(w, "lblTicker")->text(), u"Cash : "_s + moneyToText(cash, u'.') + u'$');
        QCOMPARE(label(w, "lblOwned")->text(), u"25"_s);
        QCOMPARE(folder.read(u"player.qvn"_s),
                 moneyToText(cash, u'.').toLatin1() + "\r\nIBM\r\n 25 \r\nMSFT\r\n 0 \r\n");
        QVERIFY(messages.shown.isEmpty());

        // A restart finds the same game.
        window.reset();
        const auto again = startGame(folder);
        QCOMPARE(again->session().game().cash, cash);
        QCOMPARE(again->session().game().holdings.first(), (Holding{u"IBM"_s, 25}));
    }
};

QTEST_MAIN(TestWindowPlay)
#include "test_window_play.moc"
