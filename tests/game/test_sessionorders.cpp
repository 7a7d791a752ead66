// Orders in the running game: fills found by the market while the game was closed are applied
// once, through the saved game; junk never fills; a cut-short fill is mended without a second
// trade; the order door's checks. The file, the plan and the answers' reading: tests/model,
// tests/trading and tests/sync.
#include "common/failingreplacer.h"
#include "common/fakequoteservice.h"
#include "common/marketprocess.h"
#include "common/programfolder.h"
#include "common/testsession.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
const QByteArray kGame = "10000\r\nAAPL\r\n0\r\nIBM\r\n15\r\nMSFT\r\n3\r\n";
const QByteArray kOrdersFileHeader = "[Quorvane Orders File]\r\n";
const QByteArray kPlaced = "2026-12-08T18:00:00+01:00;2026-12-08T18:00:00+01:00;";
const QByteArray kBuy = "1;OPEN;LIMIT BUY;IBM;10;25.00;" + kPlaced + ";;;\r\n";
const QByteArray kCrossed = "\"IBM\",24.95,\"2026-12-09T10:15:05+01:00\"\r\n";
const QDateTime kNow(QDate(2026, 12, 9), QTime(12, 0), QTimeZone(3600));

// A game holding `orders` (and `journal`), its quote host the test's market, started at noon.
struct Night
{
    explicit Night(const QByteArray &orders, FileReplacer &r = FileReplacer::onDisk(),
                   const QByteArray &journal = {}, const QByteArray &game = kGame)
    {
        market.listen();
        folder.writeSettings();
        folder.write(u"player.qvn"_s, game);
        folder.write(u"player.ord"_s, kOrdersFileHeader + orders);
        if (!journal.isEmpty())
            folder.write(u"player.qvh"_s, journal);
        folder.write(u"services.cfg"_s, "QuoteHost=" + market.host().toLatin1() + "\r\n");
        test = std::make_unique<TestSession>(folder.path(), NumberFormat{}, r);
        test->session->setWallClock([this] { return now; });
    }
    GameSession &s() const { return *test->session; }
    void start()
    {
        away = std::make_unique<QSignalSpy>(test->session, &GameSession::awayReport);
        QVERIFY(!s().start());
        s().askAboutOrders();
    }
    QByteArray orders() const { return folder.read(u"player.ord"_s).mid(kOrdersFileHeader.size()); }

    FakeQuoteService market;
    TempProgramFolder folder;
    QDateTime now = kNow;
    std::unique_ptr<TestSession> test;
    std::unique_ptr<QSignalSpy> away;
};
} // namespace

class TestSessionOrders : public QObject
{
    Q_OBJECT

private slots:
    // The market's answer for the night's open order: the saved game, the order and the one
    // message about the night.
    void closedNight_data()
    {
        QTest::addColumn<QByteArray>("order");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("game");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("report");
        const QByteArray kept = kBuy;
        QTest::newRow("limit buy fills")
            << kBuy << QByteArray("200 OK") << QByteArray("text/csv") << kCrossed
            << QByteArray("9750.5\r\nAAPL\r\n 0 \r\nIBM\r\n 25 \r\nMSFT\r\n 3 \r\n")
            << "1;FILLED;LIMIT BUY;IBM;10;25.00;" + kPlaced + ";2026-12-09T10:15:05+01:00;24.95;\r\n"
            << u"While you were away: your order to buy 10 IBM at 25.00 filled at 24.95 on 12/9/2026 at "
               "10:15am."_s;
        QTest::newRow("stop-loss sells")
            << QByteArray("1;OPEN;STOP-LOSS SELL;MSFT;3;20.00;" + kPlaced + ";;;\r\n") << QByteArray("200 OK")
            << QByteArray("text/csv") << QByteArray("\"MSFT\",19.90,\"2026-12-09T08:00:00+01:00\"\r\n")
            << QByteArray("10059.7\r\nAAPL\r\n 0 \r\nIBM\r\n 15 \r\nMSFT\r\n 0 \r\n")
            << "1;FILLED;STOP-LOSS SELL;MSFT;3;20.00;" + kPlaced + ";2026-12-09T08:00:00+01:00;19.90;\r\n"
            << u"While you were away: your order to sell 3 MSFT at 20.00 filled at 19.90 on 12/9/2026 at 8:00am."_s;
        QTest::newRow("cash short")
            << QByteArray("1;OPEN;LIMIT BUY;IBM;1000;25.00;" + kPlaced + ";;;\r\n") << QByteArray("200 OK")
            << QByteArray("text/csv") << kCrossed << kGame
            << "1;CANCELLED;LIMIT BUY;IBM;1000;25.00;" + kPlaced +
                   ";2026-12-09T10:15:05+01:00;;not enough cash at 24.95\r\n"
            << u"While you were away: your order to buy 1000 IBM at 25.00 was cancelled: not enough cash at 24.95."_s;
        QTest::newRow("not crossed") << kBuy << QByteArray("200 OK") << QByteArray("text/csv")
                                     << QByteArray("\"IBM\",N/A,\"2026-12-09T11:59:55+01:00\"\r\n") << kGame
                                     << QByteArray("1;OPEN;LIMIT BUY;IBM;10;25.00;2026-12-08T18:00:00+01:00;"
                                                   "2026-12-09T11:59:55+01:00;;;;\r\n")
                                     << QString();
        QTest::newRow("html page") << kBuy << QByteArray("200 OK") << QByteArray("text/html")
                                   << QByteArray("<html>" + kCrossed + "</html>") << kGame << kept
                                   << QString();
        QTest::newRow("junk") << kBuy << QByteArray("200 OK") << QByteArray("text/csv")
                              << QByteArray("IBM 24.95\r\n") << kGame << kept << QString();
        QTest::newRow("server error") << kBuy << QByteArray("500 Internal Server Error")
                                      << QByteArray("text/csv") << kCrossed << kGame << kept << QString();
    }
    void closedNight()
    {
        QFETCH(QByteArray, order);
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, game);
        QFETCH(QByteArray, after);
        QFETCH(QString, report);
        Night n(order);
        n.market.fills.insert(QString::fromLatin1(order.split(';').value(3)), {status, type, answer});
        n.start();
        QTRY_COMPARE_WITH_TIMEOUT(n.market.asked.size(), 1, 5000);
        QTRY_COMPARE(n.orders(), after);
        QCOMPARE(n.folder.read(u"player.qvn"_s), game);
        QCOMPARE(n.away->size(), report.isEmpty() ? 0 : 1);
        if (!report.isEmpty())
            QCOMPARE(n.away->first().first().toString(), report);
        QCOMPARE(n.s().orderDesk().fillsOnlyWhileRunning(), false);
    }

    // A host without /fill: nothing fills from the 404, and the orders window is told.
    void plainHostFillsOnlyWhileRunning()
    {
        Night n(kBuy);
        n.start();
        QTRY_VERIFY_WITH_TIMEOUT(n.s().orderDesk().fillsOnlyWhileRunning(), 5000);
        QCOMPARE(n.orders(), kBuy);
    }

    // The saved game cannot be rewritten: the order is open again and the next check fills it,
    // once.
    void failedRewriteIsRetried()
    {
        FailingReplacer replacer;
        replacer.failCommitFrom = 1; // the order's mark goes through, the saved game does not
        Night n(kBuy, replacer);
        n.market.fills.insert(u"IBM"_s, {"200 OK", "text/csv", kCrossed});
        n.start();
        QTRY_COMPARE_WITH_TIMEOUT(n.market.asked.size(), 1, 5000);
        // The order's mark, the refused rewrite and the refused putting back of the mark.
        QTRY_COMPARE(replacer.commits, 3);
        QVERIFY(n.s().orderDesk().orders().value(0).isOpen());
        QCOMPARE(n.folder.read(u"player.qvn"_s), kGame);
        replacer.failCommitFrom = -1;
        QSignalSpy news(&n.s(), &GameSession::orderNews);
        n.s().selectStock(u"IBM"_s);
        QTRY_COMPARE_WITH_TIMEOUT(n.folder.read(u"player.qvn"_s).left(8), QByteArray("9750.5\r\n"), 5000);
        QCOMPARE(n.s().game().holdings.value(1).quantity, 25);
        // Filled while playing: one line for the history box, no message.
        QCOMPARE(news.size(), 1);
        QCOMPARE(news.first().first().toString(),
                 u"Your order to buy 10 IBM at 25.00 filled at 24.95 on 12/9/2026 at 10:15am."_s);
        QCOMPARE(n.away->size(), 0);
    }

    // A fill marked in the orders file without its history line: with the cash of the last
    // recorded trade the trade never happened and the order is asked again; with other cash it
    // happened and only the history line is written. Never a second trade.
    void cutShortFillIsMended_data()
    {
        QTest::addColumn<QByteArray>("game");
        QTest::addColumn<bool>("asksAgain");
        QTest::newRow("trade not made") << kGame << true;
        QTest::newRow("trade made") << QByteArray("9750.5\r\nAAPL\r\n0\r\nIBM\r\n25\r\nMSFT\r\n3\r\n")
                                    << false;
    }
    void cutShortFillIsMended()
    {
        QFETCH(QByteArray, game);
        QFETCH(bool, asksAgain);
        const QByteArray journal = "2026-12-08T09:00:00+01:00;START;Easy;10000\r\n";
        Night n("1;FILLED;LIMIT BUY;IBM;10;25.00;" + kPlaced + ";2026-12-09T10:15:05+01:00;24.95;\r\n",
                FileReplacer::onDisk(), journal, game);
        n.market.fills.insert(u"IBM"_s, {"200 OK", "text/csv", kCrossed});
        n.start();
        if (asksAgain) {
            QTRY_COMPARE_WITH_TIMEOUT(n.market.asked, QStringList{u"/fill IBM"_s}, 5000);
            QTRY_COMPARE(n.folder.read(u"player.qvn"_s).left(8), QByteArray("9750.5\r\n"));
        } else {
            QCOMPARE(n.folder.read(u"player.qvh"_s),
                     journal + "2026-12-09T10:15:05+01:00;BUY;IBM;10;24.95;9750.5\r\n");
            QCOMPARE(n.market.asked, QStringList());
        }
        QCOMPARE(n.s().game().holdings.value(1).quantity, 25);
    }

    // A clock behind the order's last check asks nothing; a game loaded while an answer is on its
    // way never takes that answer.
    void clockBackAndGameSwitch()
    {
        Night back(kBuy);
        back.now = kNow.addDays(-2);
        back.start();
        back.s().selectStock(u"IBM"_s);
        QCOMPARE(back.market.asked, QStringList());

        Night n(kBuy);
        n.market.holding = true;
        n.market.fills.insert(u"IBM"_s, {"200 OK", "text/csv", kCrossed});
        n.folder.write(u"other.qvn"_s, kGame);
        // The other game's order 1 must not take the answer about this game's order 1.
        const QByteArray others =
            kOrdersFileHeader + "1;OPEN;STOP-LOSS SELL;MSFT;3;20.00;" + kPlaced + ";;;\r\n";
        n.folder.write(u"other.ord"_s, others);
        n.start();
        QTRY_COMPARE_WITH_TIMEOUT(n.market.asked.size(), 1, 5000);
        QVERIFY(!n.s().savedGames().loadGame(u"other.qvn"_s));
        auto *network = n.s().findChild<QNetworkAccessManager *>();
        QSignalSpy answered(network, &QNetworkAccessManager::finished);
        n.market.release();
        QTRY_COMPARE_WITH_TIMEOUT(answered.size(), 2, 5000);
        QCOMPARE(n.s().game().cash, Money::fromDollars(10000));
        QCOMPARE(n.folder.read(u"other.qvn"_s), kGame);
        QCOMPARE(n.folder.read(u"other.ord"_s), others);
        QCOMPARE(n.orders(), kBuy);
    }

    // Against the real market the first tick after the order's last check fills it, at that
    // tick's price: the game and the market read each other's times and prices alike.
    void realMarketFillsTheNextTick()
    {
        QProcess market;
        const int port = startMarketOnFreePort(market, {u"--quiet"_s}, 10000);
        QVERIFY(port > 0);
        const QDateTime since = QDateTime::currentDateTime().addSecs(-3600);
        const QByteArray at = timeWithOffsetText(since);
        Night n("1;OPEN;LIMIT BUY;IBM;1;999999.00;" + at + ';' + at + ";;;;\r\n");
        n.folder.write(u"services.cfg"_s, "QuoteHost=127.0.0.1:" + QByteArray::number(port) + "\r\n");
        n.now = QDateTime::currentDateTime();
        n.start();
        QTRY_VERIFY_WITH_TIMEOUT(!n.s().orderDesk().orders().value(0).isOpen(), 10000);
        const Order filled = n.s().orderDesk().orders().value(0);
        QCOMPARE(filled.state, OrderState::Filled);
        QVERIFY(filled.closed > since && filled.closed <= since.addSecs(5));
        QCOMPARE(n.s().game().cash.units(), Money::fromDollars(10000).units() - filled.fillPrice.units());
        market.terminate();
        QVERIFY(market.waitForFinished(5000));
    }

    // The order door checks what was typed and names the field; a good order is written at once.
    void placeOrder()
    {
        Night n({});
        n.start();
        OrderDesk &desk = n.s().orderDesk();
        QVERIFY(desk.orderRefusal());
        n.s().selectStock(u"IBM"_s);
        QVERIFY(!desk.orderRefusal());
        const QDate today = kNow.date();
        for (const auto &[quantity, price, until, field] :
             {std::tuple(u""_s, u"25"_s, today, u"Quantity"_s),
              std::tuple(u"1.5"_s, u"25"_s, today, u"Quantity"_s),
              std::tuple(u"2147483648"_s, u"25"_s, today, u"Quantity"_s),
              std::tuple(u"10"_s, u"25.505"_s, today, u"Price"_s),
              std::tuple(u"10"_s, u"0"_s, today, u"Price"_s),
              std::tuple(u"10"_s, u"abc"_s, today, u"Price"_s),
              std::tuple(u"10"_s, u"25"_s, today.addDays(-1), u"Good until"_s)}) {
            const std::optional<TradeMessage> refusal =
                desk.placeOrder(OrderDraft{u"IBM"_s, OrderKind::StopBuy, quantity, price, until});
            QVERIFY2(refusal && refusal->text.startsWith(field), qPrintable(quantity + u' ' + price));
        }
        QCOMPARE(n.folder.read(u"player.ord"_s), kOrdersFileHeader);
        QVERIFY(!desk.placeOrder(OrderDraft{u"IBM"_s, OrderKind::StopBuy, u" 10 "_s, u"25.5"_s, today}));
        QCOMPARE(n.orders(),
                 "1;OPEN;STOP BUY;IBM;10;25.50;2026-12-09T12:00:00+01:00;2026-12-09T12:00:00+01:00;"
                 "2026-12-09;;;\r\n");
        QVERIFY(!desk.cancelOrder(1));
        QVERIFY(n.orders().contains(";CANCELLED;") && n.orders().endsWith(";by the player\r\n"));
    }
};

QTEST_MAIN(TestSessionOrders)
#include "test_sessionorders.moc"
