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

    void buyButton_data()
    {
        QTest::addColumn<QString>("trade");
        QTest::addColumn<QString>("cash");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");

        const QString notAPrice = QStringLiteral(
            "There is no price to trade at: the last trade reads \"%1\". Please synchronize again.");
        const QString poor = QStringLiteral("You don't have enough money to buy at least one share.");
        QTest::addRow("no quote yet") << ""
                                      << "10000"
                                      << "You must synchronize before buying !"
                                      << "";
        QTest::addRow("N/A") << "N/A"
                             << "10000" << notAPrice.arg("N/A") << "";
        QTest::addRow("zero") << "0"
                              << "10000" << notAPrice.arg("0") << "";
        QTest::addRow("negative") << "-3"
                                  << "10000" << notAPrice.arg("-3") << "";
        QTest::addRow("blank") << " "
                               << "10000" << notAPrice.arg(" ") << "";
        QTest::addRow("enough") << "25.5"
                                << "10000"
                                << ""
                                << "";
        QTest::addRow("whole-number test passes 10.45 with 10.40") << "10.45"
                                                                   << "10.4"
                                                                   << ""
                                                                   << "";
        QTest::addRow("100 by 33.34") << "33.34"
                                      << "100"
                                      << ""
                                      << "";
        QTest::addRow("rounded cash below rounded price") << "11"
                                                          << "10.4" << poor << "Unable to buy";
        QTest::addRow("no cash") << "1"
                                 << "0" << poor << "Unable to buy";
        QTest::addRow("under 0.5, affordable") << "0.3"
                                               << "0.4"
                                               << ""
                                               << "";
        QTest::addRow("under 0.5, not affordable") << "0.3"
                                                   << "0.2" << poor << "Unable to buy";
        QTest::addRow("price beyond the cash") << "99999999999"
                                               << "10000" << poor << "Unable to buy";
    }
    void buyButton()
    {
        QFETCH(QString, trade);
        QFETCH(QString, cash);
        QFETCH(QString, message);
        QFETCH(QString, title);
        const std::optional<TradeMessage> refusal =
            buyRefusal(panelFor("IBM", trade, "5"), stateWith(cash.toLatin1().constData()));
        QCOMPARE(refusal ? refusal->text : QString(), message);
        if (refusal) {
            QCOMPARE(refusal->title, title);
            QCOMPARE(refusal->icon,
                     title.isEmpty() ? TradeMessage::Icon::None : TradeMessage::Icon::Information);
        }
    }

    void sellButton_data()
    {
        QTest::addColumn<QString>("trade");
        QTest::addColumn<QString>("owned");
        QTest::addColumn<QString>("message");
        QTest::addRow("no quote yet") << ""
                                      << "15"
                                      << "You must synchronize before selling !";
        QTest::addRow("N/A")
            << "N/A"
            << "15"
            << "There is no price to trade at: the last trade reads \"N/A\". Please synchronize "
               "again.";
        QTest::addRow("opens with nothing held") << "80"
                                                 << "0"
                                                 << "";
        QTest::addRow("opens without holdings") << "80"
                                                << ""
                                                << "";
    }
    void sellButton()
    {
        QFETCH(QString, trade);
        QFETCH(QString, owned);
        QFETCH(QString, message);
        const std::optional<TradeMessage> refusal = sellRefusal(panelFor("IBM", trade, owned));
        QCOMPARE(refusal ? refusal->text : QString(), message);
    }

    void priceAcceptsThePointWithAnySeparator()
    {
        setDecimalSeparator(QLatin1Char(','));
        QCOMPARE(priceFromText(QStringLiteral("25.5")), std::optional<double>(25.5));
        QCOMPARE(priceFromText(QStringLiteral("25,5")), std::optional<double>(25.5));
        QVERIFY(!priceFromText(QStringLiteral("N/A")));
        QVERIFY(!priceFromText(QString()));
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

    // A confirmed trade: the file read back, the game and the panel.
    void commit_data()
    {
        QTest::addColumn<bool>("buy");
        QTest::addColumn<QString>("cash");
        QTest::addColumn<QString>("trade");
        QTest::addColumn<int>("held");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QByteArray>("cashLine");
        QTest::addColumn<int>("newHolding");
        QTest::addColumn<QString>("value");

        QTest::addRow("buy 10 at 80 with 5 held") << true << "10000"
                                                  << "80" << 5 << "10" << QByteArray("9200") << 15 << "1200";
        QTest::addRow("sell 5 of 15 at 80") << false << "9200"
                                            << "80" << 15 << "5" << QByteArray("9600") << 10 << "800";
        QTest::addRow("buy 400 at 25, nothing left")
            << true << "10000"
            << "25" << 0 << "400" << QByteArray("0") << 400 << "10000";
        QTest::addRow("buy 392 at 25.5") << true << "10000"
                                         << "25.5" << 0 << "392" << QByteArray("4") << 392 << "9996";
        QTest::addRow("buy 2 at 33.34") << true << "100"
                                        << "33.34" << 0 << "2" << QByteArray("33.32") << 2 << "66.68";
        QTest::addRow("sell everything") << false << "0"
                                         << "80" << 10 << "10" << QByteArray("800") << 0 << "0";
        QTest::addRow("sell 9 of 10") << false << "0"
                                      << "80" << 10 << "9" << QByteArray("720") << 1 << "80";
        QTest::addRow("whole number written with a point")
            << true << "100"
            << "1" << 0 << "2.0" << QByteArray("98") << 2 << "2";
        QTest::addRow("typed beyond the scroll bar")
            << true << "100000"
            << "1" << 0 << "40000" << QByteArray("60000") << 40000 << "40000";
    }
    void commit()
    {
        QFETCH(bool, buy);
        QFETCH(QString, cash);
        QFETCH(QString, trade);
        QFETCH(int, held);
        QFETCH(QString, quantity);
        QFETCH(QByteArray, cashLine);
        QFETCH(int, newHolding);
        QFETCH(QString, value);

        TempProgramFolder folder;
        const QList<Holding> before = {{"AAPL", 0}, {"IBM", held}, {"MSFT", 3}};
        folder.write(QStringLiteral("player.qvn"), savedGame(cash.toLatin1(), before));
        GameState state = stateWith(cash.toLatin1().constData(), before);
        QuotePanel panel = panelFor("IBM", trade, QString::number(held));
        const TradeKind kind = buy ? TradeKind::Buy : TradeKind::Sell;

        const TradeAmounts amounts = tradeAmounts(kind, quantity, trade, state.cash);
        const TradeOutcome outcome = commitTrade(kind, folder.path(), state, panel, quantity, amounts.txtPay);
        QVERIFY2(!outcome.refusal, qPrintable(outcome.refusal ? outcome.refusal->text : QString()));
        QCOMPARE(outcome.cashText.toLatin1(), cashLine);

        QCOMPARE(folder.read(QStringLiteral("player.qvn")), cashLine + "\r\nAAPL\r\n 0 \r\nIBM\r\n " +
                                                                QByteArray::number(newHolding) +
                                                                " \r\nMSFT\r\n 3 \r\n");
        GameState reread;
        QVERIFY(!ReadSavedGame(folder.path(), QStringLiteral("player"), reread));
        QCOMPARE(reread.cash, state.cash);
        QCOMPARE(reread.holdings, state.holdings);
        QCOMPARE(moneyToText(state.cash).toLatin1(), cashLine);
        QCOMPARE(state.holdings.at(1), (Holding{"IBM", newHolding}));
        QCOMPARE(panel.lblOwned, QString::number(newHolding));
        QCOMPARE(panel.lblValue, value);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"player.qvn"});
    }

    // Refused trades change nothing: not the file, the game or the panel.
    void refusal_data()
    {
        QTest::addColumn<bool>("buy");
        QTest::addColumn<QString>("cash");
        QTest::addColumn<int>("held");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("message");

        const QString whole = QStringLiteral("Please enter a whole number of shares, 1 or more.");
        const QString poor = QStringLiteral("You don't have enough money to do such an operation.");
        const QString tooMany = QStringLiteral("You don't have that many auctions to sell !");
        for (bool buy : {true, false}) {
            const char *side = buy ? "buy" : "sell";
            QTest::addRow("%s empty", side) << buy << "10000" << 15 << "" << whole;
            QTest::addRow("%s not a number", side) << buy << "10000" << 15 << "ten" << whole;
            QTest::addRow("%s zero", side) << buy << "10000" << 15 << "0" << whole;
            QTest::addRow("%s negative", side) << buy << "10000" << 15 << "-3" << whole;
            QTest::addRow("%s fractional", side) << buy << "10000" << 15 << "2.5" << whole;
            QTest::addRow("%s beyond 32 bits", side)
                << buy << "10000" << 15 << "3000000000"
                << (buy ? "A holding cannot exceed 2147483647 shares." : tooMany);
        }
        QTest::addRow("buy 1 at 10.45 with 10.40") << true << "10.4" << 0 << "1" << poor;
        QTest::addRow("buy 3 at 33.34 with 100") << true << "100" << 0 << "3" << poor;
        QTest::addRow("buy beyond the cash") << true << "10000" << 0 << "126" << poor;
        QTest::addRow("sell 11 of 10") << false << "0" << 10 << "11" << tooMany;
        QTest::addRow("sell with none held") << false << "0" << 0 << "1" << tooMany;
        QTest::addRow("buy past the largest holding") << true << "922337203685477" << 2147483600 << "48"
                                                      << "A holding cannot exceed 2147483647 shares.";
    }
    void refusal()
    {
        QFETCH(bool, buy);
        QFETCH(QString, cash);
        QFETCH(int, held);
        QFETCH(QString, quantity);
        QFETCH(QString, message);

        const QString trade = cash == QLatin1String("10.4")  ? QStringLiteral("10.45")
                              : cash == QLatin1String("100") ? QStringLiteral("33.34")
                                                             : QStringLiteral("80");
        TempProgramFolder folder;
        const QList<Holding> holdings = {{"IBM", held}};
        folder.write(QStringLiteral("player.qvn"), savedGame(cash.toLatin1(), holdings));
        const auto files = folder.snapshot();
        GameState state = stateWith(cash.toLatin1().constData(), holdings);
        const GameState stateBefore = state;
        QuotePanel panel = panelFor("IBM", trade, QString::number(held));
        panel.lblValue = QStringLiteral("old value");
        const TradeKind kind = buy ? TradeKind::Buy : TradeKind::Sell;

        const TradeAmounts amounts = tradeAmounts(kind, quantity, trade, state.cash);
        const TradeOutcome outcome = commitTrade(kind, folder.path(), state, panel, quantity, amounts.txtPay);
        QVERIFY(outcome.refusal);
        QCOMPARE(outcome.refusal->text, message);
        QCOMPARE(folder.snapshot(), files);
        QCOMPARE(state.cash, stateBefore.cash);
        QCOMPARE(state.holdings, stateBefore.holdings);
        QCOMPARE(panel.lblOwned, QString::number(held));
        QCOMPARE(panel.lblValue, QStringLiteral("old value"));
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

    void failedRewriteChangesNothing_data()
    {
        QTest::addColumn<bool>("buy");
        QTest::addColumn<bool>("missingFile");
        QTest::addRow("buy, write fails") << true << false;
        QTest::addRow("sell, write fails") << false << false;
        QTest::addRow("buy, saved game gone") << true << true;
    }
    void failedRewriteChangesNothing()
    {
        QFETCH(bool, buy);
        QFETCH(bool, missingFile);
        TempProgramFolder folder;
        if (!missingFile)
            folder.write(QStringLiteral("player.qvn"), savedGame("10000", {{"IBM", 15}}));
        const auto files = folder.snapshot();
        setAtomicWriteHook([](qint64) { return false; });
        GameState state = stateWith("10000", {{"IBM", 15}});
        QuotePanel panel = panelFor("IBM", "80", "15");
        panel.lblValue = QStringLiteral("1200");
        const TradeKind kind = buy ? TradeKind::Buy : TradeKind::Sell;
        const TradeAmounts amounts = tradeAmounts(kind, "5", "80", state.cash);
        const TradeOutcome outcome = commitTrade(kind, folder.path(), state, panel, "5", amounts.txtPay);
        QVERIFY(outcome.refusal);
        QVERIFY2(outcome.refusal->text.contains(QStringLiteral("player.qvn")),
                 qPrintable(outcome.refusal->text));
        QCOMPARE(outcome.refusal->icon, TradeMessage::Icon::Warning);
        QCOMPARE(folder.snapshot(), files);
        QCOMPARE(state.cash, money("10000"));
        QCOMPARE(state.holdings.at(0).quantity, 15);
        QCOMPARE(panel.lblOwned, QStringLiteral("15"));
        QCOMPARE(panel.lblValue, QStringLiteral("1200"));
    }

    void decimalCommaThroughout()
    {
        setDecimalSeparator(QLatin1Char(','));
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
