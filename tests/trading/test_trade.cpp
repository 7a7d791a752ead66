#include "common/programfolder.h"
#include "model/atomicfile.h"
#include "model/gamefiles.h"
#include "model/numbertext.h"
#include "trading/trade.h"

#include <QtTest>

#include <limits>

namespace {
Money money(const char *text)
{
    return *moneyFromText(QString::fromLatin1(text), QLatin1Char('.'));
}

QuotePanel panelFor(const QString &ticker, const QString &trade, const QString &owned)
{
    QuotePanel panel;
    panel.lblQuote = ticker;
    panel.lblTrade = trade;
    panel.lblOwned = owned;
    return panel;
}

GameState stateWith(const char *cash, const QList<Holding> &holdings = {{"AAPL", 0}, {"IBM", 5}, {"MSFT", 3}})
{
    GameState state;
    state.gameName = QStringLiteral("player");
    state.cash = money(cash);
    state.holdings = holdings;
    return state;
}

// The saved game the state stands for, as the game writes it.
QByteArray savedGame(const QByteArray &cash, const QList<Holding> &holdings)
{
    QByteArray bytes = cash + "\r\n";
    for (const Holding &h : holdings)
        bytes += h.ticker.toLatin1() + "\r\n" + QByteArray::number(h.quantity) + "\r\n";
    return bytes;
}
} // namespace

class TestTrade : public QObject
{
    Q_OBJECT

private slots:
    void init() { setDecimalSeparator(QLatin1Char('.')); }
    void cleanup()
    {
        resetDecimalSeparator();
        setAtomicWriteHook({});
    }

    void largestAffordableQuantity_data()
    {
        QTest::addColumn<QString>("cash");
        QTest::addColumn<double>("price");
        QTest::addColumn<qint64>("largest");

        QTest::addRow("392 at 25.5 with 10000") << "10000" << 25.5 << qint64(392);
        QTest::addRow("400 at 25 leaves exactly 0") << "10000" << 25.0 << qint64(400);
        QTest::addRow("2 at 33.34 with 100") << "100" << 33.34 << qint64(2);
        QTest::addRow("10.45 with 10.40 offers 0") << "10.4" << 10.45 << qint64(0);
        QTest::addRow("no cash") << "0" << 1.0 << qint64(0);
        QTest::addRow("debt") << "-5" << 1.0 << qint64(0);
        QTest::addRow("price under 0.5") << "1" << 0.3 << qint64(3);
        // 100005 x 0.00001 = 1.00005 rounds to 1.0000 (ties to even)
        QTest::addRow("cost rounding down in money") << "1" << 0.00001 << qint64(100005);
        QTest::addRow("tiny price stops at 32-bit") << "100000" << 0.00001 << qint64(2147483647);
        QTest::addRow("above the scroll bar") << "100000" << 1.5 << qint64(66666);
        QTest::addRow("cost rounds to the same money") << "0.0001" << 0.00004 << qint64(3);
        QTest::addRow("largest cash") << "922337203685477.5807" << 1000000.0 << qint64(922337203);
    }
    void largestAffordableQuantity()
    {
        QFETCH(QString, cash);
        QFETCH(double, price);
        QFETCH(qint64, largest);
        const Money c = money(cash.toLatin1().constData());
        const qint64 n = ::largestAffordableQuantity(c, price);
        QCOMPARE(n, largest);
        // The definition itself: n is affordable, n + 1 is not (unless capped).
        if (c >= Money())
            QVERIFY(c.units() - moneyFromDouble(price * double(n))->units() >= 0);
        if (n < std::numeric_limits<qint32>::max() && c >= Money())
            QVERIFY(!moneyFromDouble(price * double(n + 1)) ||
                    c.units() - moneyFromDouble(price * double(n + 1))->units() < 0);
    }

    void largestAffordableLeavesRoomInTheHolding()
    {
        QCOMPARE(::largestAffordableQuantity(money("1000"), 1.0, 10), qint64(10));
        QCOMPARE(::largestAffordableQuantity(money("1000"), 1.0, 0), qint64(0));
        GameState state = stateWith("1000", {{"IBM", std::numeric_limits<qint32>::max() - 4}});
        QCOMPARE(tradeOpening(TradeKind::Buy, panelFor("IBM", "1", "2147483643"), state).largestQuantity,
                 qint64(4));
    }

    void buttons_data()
    {
        QTest::addColumn<bool>("buy");
        QTest::addColumn<QString>("trade");
        QTest::addColumn<QString>("cash");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");

        const QString notAPrice = QStringLiteral(
            "There is no price to trade at: the last trade reads \"%1\". Please synchronize again.");
        const QString poor = QStringLiteral("You don't have enough money to buy at least one share.");
        QTest::addRow("buy before a quote") << true << ""
                                            << "10000"
                                            << "You must synchronize before buying !"
                                            << "";
        QTest::addRow("buy at N/A") << true << "N/A"
                                    << "10000" << notAPrice.arg("N/A") << "";
        QTest::addRow("buy at 0") << true << "0"
                                  << "10000" << notAPrice.arg("0") << "";
        QTest::addRow("buy at -3") << true << "-3"
                                   << "10000" << notAPrice.arg("-3") << "";
        QTest::addRow("buy at a blank") << true << " "
                                        << "10000" << notAPrice.arg(" ") << "";
        QTest::addRow("buy with enough") << true << "25.5"
                                         << "10000"
                                         << ""
                                         << "";
        QTest::addRow("whole-number test passes 10.45 with 10.40") << true << "10.45"
                                                                   << "10.4"
                                                                   << ""
                                                                   << "";
        QTest::addRow("100 by 33.34") << true << "33.34"
                                      << "100"
                                      << ""
                                      << "";
        QTest::addRow("rounded cash below rounded price") << true << "11"
                                                          << "10.4" << poor << "Unable to buy";
        QTest::addRow("no cash") << true << "1"
                                 << "0" << poor << "Unable to buy";
        QTest::addRow("under 0.5, affordable") << true << "0.3"
                                               << "0.4"
                                               << ""
                                               << "";
        QTest::addRow("under 0.5, not affordable") << true << "0.3"
                                                   << "0.2" << poor << "Unable to buy";
        QTest::addRow("price beyond the cash") << true << "99999999999"
                                               << "10000" << poor << "Unable to buy";
        QTest::addRow("sell before a quote") << false << ""
                                             << "0"
                                             << "You must synchronize before selling !"
                                             << "";
        QTest::addRow("sell at N/A") << false << "N/A"
                                     << "0" << notAPrice.arg("N/A") << "";
        QTest::addRow("sell whatever the cash") << false << "80"
                                                << "0"
                                                << ""
                                                << "";
    }
    void buttons()
    {
        QFETCH(bool, buy);
        QFETCH(QString, trade);
        QFETCH(QString, cash);
        QFETCH(QString, message);
        QFETCH(QString, title);
        const QuotePanel panel = panelFor("IBM", trade, "5");
        const std::optional<TradeMessage> refusal =
            buy ? buyRefusal(panel, stateWith(cash.toLatin1().constData())) : sellRefusal(panel);
        QCOMPARE(refusal ? refusal->text : QString(), message);
        if (refusal) {
            QCOMPARE(refusal->title, title);
            QCOMPARE(refusal->icon,
                     title.isEmpty() ? TradeMessage::Icon::None : TradeMessage::Icon::Information);
        }
    }

    void opening_data()
    {
        QTest::addColumn<bool>("buy");
        QTest::addColumn<QString>("trade");
        QTest::addColumn<QString>("cash");
        QTest::addColumn<QString>("owned");
        QTest::addColumn<qint64>("largest");
        QTest::addColumn<int>("scrollMaximum");
        QTest::addColumn<int>("largeStep");

        QTest::addRow("buy 392") << true << "25.5"
                                 << "10000"
                                 << "5" << qint64(392) << 392 << 1;
        QTest::addRow("buy 400") << true << "25"
                                 << "10000"
                                 << "5" << qint64(400) << 400 << 1;
        QTest::addRow("buy 2") << true << "33.34"
                               << "100"
                               << "5" << qint64(2) << 2 << 1;
        QTest::addRow("buy 0") << true << "10.45"
                               << "10.4"
                               << "5" << qint64(0) << 0 << 1;
        QTest::addRow("buy beyond the scroll bar") << true << "1"
                                                   << "50000"
                                                   << "5" << qint64(50000) << 32767 << 1;
        QTest::addRow("buy without a price") << true << "N/A"
                                             << "50000"
                                             << "5" << qint64(0) << 0 << 1;
        QTest::addRow("sell 25, step 2") << false << "80"
                                         << "0"
                                         << "25" << qint64(25) << 25 << 2;
        QTest::addRow("sell 15, step 1") << false << "80"
                                         << "0"
                                         << "15" << qint64(15) << 15 << 1;
        QTest::addRow("sell 9, step at least 1") << false << "80"
                                                 << "0"
                                                 << "9" << qint64(9) << 9 << 1;
        QTest::addRow("sell none") << false << "80"
                                   << "0"
                                   << "0" << qint64(0) << 0 << 1;
        QTest::addRow("sell without holdings") << false << "80"
                                               << "0"
                                               << "" << qint64(0) << 0 << 1;
        QTest::addRow("sell negative holding") << false << "80"
                                               << "0"
                                               << "-4" << qint64(0) << 0 << 1;
        QTest::addRow("sell beyond the scroll bar") << false << "80"
                                                    << "0"
                                                    << "40000" << qint64(40000) << 32767 << 3276;
    }
    void opening()
    {
        QFETCH(bool, buy);
        QFETCH(QString, trade);
        QFETCH(QString, cash);
        QFETCH(QString, owned);
        QFETCH(qint64, largest);
        QFETCH(int, scrollMaximum);
        QFETCH(int, largeStep);
        const TradeOpening o =
            tradeOpening(buy ? TradeKind::Buy : TradeKind::Sell, panelFor("IBM", trade, owned),
                         stateWith(cash.toLatin1().constData()));
        QCOMPARE(o.largestQuantity, largest);
        QCOMPARE(o.scrollMaximum, scrollMaximum);
        QCOMPARE(o.largeStep, largeStep);
        QCOMPARE(o.lblPrice, QStringLiteral("x") + trade);
        QCOMPARE(o.lblAlert, QStringLiteral("You're about to %1 IBM stocks at %2$ (USD) per unit.")
                                 .arg(buy ? QStringLiteral("buy") : QStringLiteral("sell"), trade));
    }

    void amounts_data()
    {
        QTest::addColumn<bool>("buy");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("trade");
        QTest::addColumn<QString>("cash");
        QTest::addColumn<QString>("pay");
        QTest::addColumn<QString>("after");

        QTest::addRow("3 at 25.5") << true << "3"
                                   << "25.5"
                                   << "10000"
                                   << "76.5"
                                   << "9923.5";
        QTest::addRow("cleared") << true << ""
                                 << "25.5"
                                 << "10000"
                                 << "0"
                                 << "10000";
        QTest::addRow("not a number") << true << "abc"
                                      << "25.5"
                                      << "10000"
                                      << "0"
                                      << "10000";
        QTest::addRow("392 at 25.5") << true << "392"
                                     << "25.5"
                                     << "10000"
                                     << "9996"
                                     << "4";
        QTest::addRow("400 at 25") << true << "400"
                                   << "25"
                                   << "10000"
                                   << "10000"
                                   << "0";
        QTest::addRow("3 at 33.34 overdraws") << true << "3"
                                              << "33.34"
                                              << "100"
                                              << "100.02"
                                              << "-0.02";
        QTest::addRow("1 at 10.45") << true << "1"
                                    << "10.45"
                                    << "10.4"
                                    << "10.45"
                                    << "-0.05";
        QTest::addRow("sell 5 at 80") << false << "5"
                                      << "80"
                                      << "9200"
                                      << "400"
                                      << "9600";
        QTest::addRow("sell cleared") << false << ""
                                      << "80"
                                      << "9200"
                                      << "0"
                                      << "9200";
        QTest::addRow("price gone") << true << "3"
                                    << "N/A"
                                    << "10000"
                                    << ""
                                    << "";
        QTest::addRow("amount beyond money") << true << "9000000000000000"
                                             << "2"
                                             << "10000"
                                             << "*"
                                             << "";
        QTest::addRow("rounded to ten-thousandths") << true << "3"
                                                    << "0.33333"
                                                    << "1"
                                                    << "0.99999"
                                                    << "0";
    }
    void amounts()
    {
        QFETCH(bool, buy);
        QFETCH(QString, quantity);
        QFETCH(QString, trade);
        QFETCH(QString, cash);
        QFETCH(QString, pay);
        QFETCH(QString, after);
        const TradeAmounts a = tradeAmounts(buy ? TradeKind::Buy : TradeKind::Sell, quantity, trade,
                                            money(cash.toLatin1().constData()));
        if (pay != QLatin1String("*"))
            QCOMPARE(a.txtPay, pay);
        QCOMPARE(a.txtCash, after);
    }

    void sellCannotOverflowTheCash()
    {
        TempProgramFolder folder;
        folder.write(QStringLiteral("player.qvn"), savedGame("922337203685477", {{"IBM", 10}}));
        GameState state = stateWith("922337203685477", {{"IBM", 10}});
        QuotePanel panel = panelFor("IBM", "80", "10");
        const TradeAmounts amounts = tradeAmounts(TradeKind::Sell, "10", "80", state.cash);
        QCOMPARE(amounts.txtCash, QString());
        const TradeOutcome outcome =
            commitTrade(TradeKind::Sell, folder.path(), state, panel, "10", amounts.txtPay);
        QVERIFY(outcome.refusal);
        QCOMPARE(outcome.refusal->text,
                 QStringLiteral("The cash after this operation would be too large to keep."));
        QCOMPARE(state.holdings.at(0).quantity, 10);
    }

    void priceLostAfterTypingIsRefused()
    {
        TempProgramFolder folder;
        folder.write(QStringLiteral("player.qvn"), savedGame("10000", {{"IBM", 0}}));
        GameState state = stateWith("10000", {{"IBM", 0}});
        QuotePanel panel = panelFor("IBM", "N/A", "0");
        const TradeAmounts amounts = tradeAmounts(TradeKind::Buy, "3", panel.lblTrade, state.cash);
        const TradeOutcome outcome =
            commitTrade(TradeKind::Buy, folder.path(), state, panel, "3", amounts.txtPay);
        QVERIFY(outcome.refusal);
        QVERIFY(outcome.refusal->text.contains(QStringLiteral("\"N/A\"")));
        QCOMPARE(state.cash, money("10000"));
    }

    // The cash box was filled before the other dialog changed the cash: the trade counts the cash of now.
    void cashChangedSinceTheAmountWasShown()
    {
        TempProgramFolder folder;
        folder.write(QStringLiteral("player.qvn"), savedGame("10400", {{"IBM", 10}}));
        GameState state = stateWith("10000", {{"IBM", 10}});
        QuotePanel panel = panelFor("IBM", "80", "10");
        const TradeAmounts amounts = tradeAmounts(TradeKind::Buy, "10", "80", state.cash);
        QCOMPARE(amounts.txtCash, QStringLiteral("9200"));
        state.cash = money("10400"); // a sale of 5 at 80 meanwhile
        const TradeOutcome outcome =
            commitTrade(TradeKind::Buy, folder.path(), state, panel, "10", amounts.txtPay);
        QVERIFY(!outcome.refusal);
        QCOMPARE(outcome.cashText, QStringLiteral("9600"));
        QCOMPARE(state.cash, money("9600"));
    }

    // The user's separator everywhere, except that prices come from the quote service with a point.
    void decimalCommaThroughout()
    {
        setDecimalSeparator(QLatin1Char(','));
        QCOMPARE(priceFromText(QStringLiteral("25,5")), std::optional<double>(25.5));
        QVERIFY(!priceFromText(QStringLiteral("N/A")));
        TempProgramFolder folder;
        folder.write(QStringLiteral("player.qvn"), savedGame("10000", {{"IBM", 0}}));
        GameState state = stateWith("10000", {{"IBM", 0}});
        QuotePanel panel = panelFor("IBM", "25.5", "0");
        QCOMPARE(tradeOpening(TradeKind::Buy, panel, state).largestQuantity, qint64(392));
        const TradeAmounts amounts = tradeAmounts(TradeKind::Buy, "3", panel.lblTrade, state.cash);
        QCOMPARE(amounts.txtPay, QStringLiteral("76,5"));
        QCOMPARE(amounts.txtCash, QStringLiteral("9923,5"));
        const TradeOutcome outcome =
            commitTrade(TradeKind::Buy, folder.path(), state, panel, "3", amounts.txtPay);
        QVERIFY(!outcome.refusal);
        QCOMPARE(folder.read(QStringLiteral("player.qvn")), QByteArray("9923,5\r\nIBM\r\n 3 \r\n"));
        QCOMPARE(panel.lblValue, QStringLiteral("76,5"));
    }
};

QTEST_GUILESS_MAIN(TestTrade)
#include "test_trade.moc"
