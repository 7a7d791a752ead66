#include "common/failingreplacer.h"
#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "common/testsession.h"
#include "model/gamefiles.h"
#include "model/numbertext.h"
#include "model/stockcatalogue.h"
#include "trading/favorites.h"
#include "trading/frmbuy.h"
#include "trading/frmsell.h"
#include "trading/frmstats.h"
#include "trading/stockselection.h"

#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <limits>

using namespace Qt::StringLiterals;

namespace {
// How the player picks the quantity and confirms in the dialog; None runs the logic alone.
enum class Entry { None, Typed, ScrollBar, Enter };

// One trade of IBM: the game before, the dialog's opening figures, the quantity with the amount
// and cash shown for it, then the refusal or the holding and panel value afterwards.
struct TradeCase
{
    const char *name;
    Entry entry;
    bool buy;
    const char *cash, *trade;
    int held;
    qint64 largest;
    int scrollMaximum, largeStep;
    const char *quantity, *pay, *after, *message; // message empty when the trade goes through
    int newHeld = 0;
    const char *value = "";
    char separator = '.';
};
} // namespace
Q_DECLARE_METATYPE(TradeCase)

namespace {
const char *const kPoor = "You don't have enough money to do such an operation.";
const char *const kNotThatMany = "You don't have that many auctions to sell !";
const char *const kWhole = "Please enter a whole number of shares, 1 or more.";
const char *const kTooMany = "A holding cannot exceed 2147483647 shares.";
const QByteArray kHeader = "[Quorvane Favorites File]\r\n";
const QByteArray kNoFile = "-";
const QList<Holding> kThreeHoldings = {{u"AAPL"_s, 0}, {u"IBM"_s, 15}, {u"MSFT"_s, 3}};
constexpr qint64 kAll = std::numeric_limits<qint32>::max();

// A running game on disk and in its session with `held` shares of IBM between two other stocks,
// IBM selected and quoted at `trade` (an empty trade: selected, its quote not in yet).
struct TradingGame
{
    TempProgramFolder folder;
    FailingReplacer disk;
    std::unique_ptr<TestSession> ts;

    TradingGame(const QByteArray &cash, int held, const QString &trade, QChar decimal = u'.')
    {
        folder.writeSettings();
        folder.write(QStringLiteral("player.qvn"),
                     cash + "\r\nAAPL\r\n0\r\nIBM\r\n" + QByteArray::number(held) + "\r\nMSFT\r\n3\r\n");
        ts = std::make_unique<TestSession>(folder.path(), NumberFormat::withDecimal(decimal), disk);
        if (const auto problem = ts->session->start())
            qFatal("%s", qPrintable(problem->text()));
        session().selectStock(QStringLiteral("IBM"));
        if (!trade.isEmpty())
            ts->answerPrice(QStringLiteral("IBM"), trade.toLatin1());
    }
    GameSession &session() { return *ts->session; }
    const GameState &state() const { return ts->session->game(); }
    const QuotePanel &panel() const { return ts->session->panel(); }
    // A new answer to "Synchronize" for the selected stock.
    void requote(const QByteArray &trade)
    {
        session().synchronize();
        ts->answerPrice(QStringLiteral("IBM"), trade);
    }
    QByteArray saved() const { return folder.read(QStringLiteral("player.qvn")); }
    // What the folder holds besides the saved game: the settings and the quote download.
    static QStringList filesAfterATrade()
    {
        return {u"options.cfg"_s, u"player.qvh"_s, u"player.qvn"_s, u"quote.cfg"_s};
    }
    // The saved game as a trade rewrites it.
    static QByteArray fileWith(const QString &cash, int held)
    {
        return cash.toLatin1() + "\r\nAAPL\r\n 0 \r\nIBM\r\n " + QByteArray::number(held) +
               " \r\nMSFT\r\n 3 \r\n";
    }
};

GameState gameWith(const QList<Holding> &holdings)
{
    GameState state;
    state.gameName = QStringLiteral("player");
    state.holdings = holdings;
    return state;
}

QuotePanel selected(const QString &ticker)
{
    QuotePanel panel;
    panel.lblQuote = ticker;
    return panel;
}

template <typename T = QLineEdit> T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("no child %s", name);
    return c;
}

void enterQuantity(TradeDialog &dialog, Entry entry, const QString &quantity, bool buy)
{
    auto *txtQty = child(dialog, "txtQty");
    if (entry == Entry::ScrollBar) {
        child<QScrollBar>(dialog, buy ? "SliderBuy" : "SliderSell")->setValue(quantity.toInt());
        QCOMPARE(txtQty->text(), quantity);
    } else {
        QTest::keyClicks(txtQty, quantity);
    }
    if (entry == Entry::Enter)
        QTest::keyClick(txtQty, Qt::Key_Return);
    else
        QTest::mouseClick(child<QPushButton>(dialog, buy ? "cmdBuy" : "cmdSell"), Qt::LeftButton);
}

// The pie's slices as "label=value", the list lines, then the three figures.
QStringList statistics(FrmStats &panel)
{
    QStringList s;
    const auto *series =
        qobject_cast<QPieSeries *>(child<QChartView>(panel, "Pie")->chart()->series().value(0));
    for (QPieSlice *slice : series->slices())
        s.append(slice->label() + QLatin1Char('=') + QString::number(slice->value(), 'f', 0));
    auto *list = child<QListWidget>(panel, "lstStats");
    for (int i = 0; i < list->count(); ++i)
        s.append(list->item(i)->text());
    // The fortune waits for the quote service; test_frmevaluate follows it.
    for (const char *figure : {"lblTotalShares", "lblCompanies"})
        s.append(child<QLabel>(panel, figure)->text());
    return s;
}

const TradeCase kTradeCases[] = {
    {"buy 10 at 80 with 5 held", Entry::Typed, true, "10000", "80", 5, 125, 125, 1, "10", "800", "9200", "",
     15, "1200"},
    {"buy 392 at 25.5", Entry::ScrollBar, true, "10000", "25.5", 0, 392, 392, 1, "392", "9996", "4", "", 392,
     "9996"},
    {"buy 400 at 25 leaves 0", Entry::Enter, true, "10000", "25", 0, 400, 400, 1, "400", "10000", "0", "",
     400, "10000"},
    {"buy 2 at 33.34", Entry::None, true, "100", "33.34", 0, 2, 2, 1, "2", "66.68", "33.32", "", 2, "66.68"},
    {"buy 3 at 33.34 overdraws", Entry::None, true, "100", "33.34", 0, 2, 2, 1, "3", "100.02", "-0.02",
     kPoor},
    {"buy 1 at 10.45 with 10.40", Entry::Typed, true, "10.4", "10.45", 0, 0, 0, 1, "1", "10.45", "-0.05",
     kPoor},
    {"buy typed beyond the scroll bar", Entry::Typed, true, "100000", "1", 0, 100000, 32767, 1, "40000",
     "40000", "60000", "", 40000, "40000"},
    {"cost rounded to ten-thousandths", Entry::None, true, "1", "0.33333", 0, 3, 3, 1, "3", "0.99999", "0",
     "", 3, "0.99999"},
    {"decimal comma, price with a point", Entry::None, true, "10000", "25.5", 0, 392, 392, 1, "3", "76,5",
     "9923,5", "", 3, "76,5", ','},
    {"buy 2.0", Entry::None, true, "100", "1", 0, 100, 100, 1, "2.0", "2", "98", "", 2, "2"},
    {"buy empty", Entry::None, true, "10000", "80", 5, 125, 125, 1, "", "0", "10000", kWhole},
    {"buy ten", Entry::None, true, "10000", "80", 5, 125, 125, 1, "ten", "0", "10000", kWhole},
    {"buy 0", Entry::None, true, "10000", "80", 5, 125, 125, 1, "0", "0", "10000", kWhole},
    {"buy -3 would mint cash", Entry::None, true, "10000", "80", 5, 125, 125, 1, "-3", "-240", "10240",
     kWhole},
    {"buy 2.5", Entry::Enter, true, "10000", "80", 5, 125, 125, 1, "2.5", "200", "9800", kWhole},
    {"buy past the largest holding", Entry::None, true, "922337203685477", "80", 2147483600, 47, 47, 1, "48",
     "3840", "922337203681637", kTooMany},
    {"buy beyond money", Entry::None, true, "10000", "2", 0, 5000, 5000, 1, "9000000000000000", "1.8e+16", "",
     kTooMany},
    {"price gone", Entry::None, true, "10000", "N/A", 5, 0, 0, 1, "3", "", "",
     "There is no price to trade at: the last trade reads \"N/A\". Please synchronize again."},
    {"sell 5 of 15 at 80", Entry::ScrollBar, false, "9200", "80", 15, 15, 15, 1, "5", "400", "9600", "", 10,
     "800"},
    {"sell 5 of 25, large step 2", Entry::Enter, false, "0", "80", 25, 25, 25, 2, "5", "400", "400", "", 20,
     "1600"},
    {"sell all 9, large step 1", Entry::None, false, "0", "80", 9, 9, 9, 1, "9", "720", "720", "", 0, "0"},
    {"sell beyond the scroll bar", Entry::None, false, "0", "80", 40000, 40000, 32767, 3276, "40000",
     "3200000", "3200000", "", 0, "0"},
    {"sell 11 of 10", Entry::Enter, false, "0", "80", 10, 10, 10, 1, "11", "880", "880", kNotThatMany},
    {"sell beyond 32 bits", Entry::None, false, "0", "80", 10, 10, 10, 1, "3000000000", "240000000000",
     "240000000000", kNotThatMany},
    {"sell -3", Entry::None, false, "0", "80", 10, 10, 10, 1, "-3", "-240", "-240", kWhole},
    {"sell a negative holding", Entry::None, false, "0", "80", -4, 0, 0, 1, "1", "80", "80", kNotThatMany},
    {"sell into too much cash", Entry::None, false, "922337203685477", "80", 10, 10, 10, 1, "10", "800", "",
     "The cash after this operation would be too large to keep."},
};
} // namespace

// Buying and selling in logic and dialogs, selecting a stock, favourites and statistics.
class TestTrading : public QObject
{
    Q_OBJECT

private slots:
    void largestAffordableQuantity_data()
    {
        QTest::addColumn<QString>("cash");
        QTest::addColumn<double>("price");
        QTest::addColumn<qint64>("room");
        QTest::addColumn<qint64>("largest");
        QTest::addRow("debt") << "-5" << 1.0 << kAll << qint64(0);
        QTest::addRow("price under 0.5") << "1" << 0.3 << kAll << qint64(3);
        // 100005 x 0.00001 = 1.00005 rounds to 1.0000 (ties to even)
        QTest::addRow("cost tie rounds to even") << "1" << 0.00001 << kAll << qint64(100005);
        QTest::addRow("tiny price stops at 32 bits") << "100000" << 0.00001 << kAll << kAll;
        QTest::addRow("largest cash") << "922337203685477.5807" << 1000000.0 << kAll << qint64(922337203);
        QTest::addRow("holding full") << "1000" << 1.0 << qint64(0) << qint64(0);
    }
    void largestAffordableQuantity()
    {
        QFETCH(QString, cash);
        QFETCH(double, price);
        QFETCH(qint64, room);
        QFETCH(qint64, largest);
        QCOMPARE(::largestAffordableQuantity(*moneyFromText(cash, QLatin1Char('.')), price, room), largest);
    }

    // What BUY and SELL say instead of opening their dialog, as the player sees it.
    void buttons_data()
    {
        QTest::addColumn<bool>("buy");
        QTest::addColumn<QString>("trade");
        QTest::addColumn<QByteArray>("cash");
        QTest::addColumn<QString>("message");
        const QString notAPrice = QStringLiteral(
            "There is no price to trade at: the last trade reads \"%1\". Please synchronize again.");
        const QString poor = QStringLiteral("You don't have enough money to buy at least one share.");
        const auto row = [](const char *name, bool buy, const char *trade, const char *cash,
                            const QString &message) {
            QTest::addRow("%s", name) << buy << QString::fromLatin1(trade) << QByteArray(cash) << message;
        };
        row("buy before a quote", true, "", "10000", QStringLiteral("You must synchronize before buying !"));
        row("buy at N/A", true, "N/A", "10000", notAPrice.arg(u"N/A"_s));
        row("buy at 0", true, "0", "10000", notAPrice.arg(u"0"_s));
        // A whole-number test: 10.40 against 10.45 passes and the dialog offers 0.
        row("10.45 with 10.40 passes", true, "10.45", "10.4", QString());
        row("rounded cash below rounded price", true, "11", "10.4", poor);
        row("under 0.5, affordable", true, "0.3", "0.4", QString());
        row("under 0.5, not affordable", true, "0.3", "0.2", poor);
        row("sell before a quote", false, "", "0", QStringLiteral("You must synchronize before selling !"));
        row("sell at N/A", false, "N/A", "0", notAPrice.arg(u"N/A"_s));
        row("sell whatever the cash", false, "80", "0", QString());
    }
    void buttons()
    {
        QFETCH(bool, buy);
        QFETCH(QString, trade);
        QFETCH(QByteArray, cash);
        QFETCH(QString, message);
        TradingGame game(cash, 5, trade);
        const std::optional<TradeMessage> refusal =
            game.session().tradeRefusal(buy ? TradeKind::Buy : TradeKind::Sell);
        QCOMPARE(refusal ? refusal->text : QString(), message);
        if (!refusal)
            return;
        MessageRecorder messages;
        showTradeMessage(nullptr, *refusal);
        // Only the lack of money has its own title and icon.
        const bool poor = message.startsWith(QLatin1String("You don't have"));
        QCOMPARE(messages.shown.at(0).title,
                 poor ? QStringLiteral("Unable to buy") : QStringLiteral("Quorvane"));
        QCOMPARE(messages.shown.at(0).icon, poor ? QMessageBox::Information : QMessageBox::NoIcon);
        QCOMPARE(messages.shown.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    // Every case through the logic, or through the dialog when it names a way of entering the
    // quantity; the saved game is read back byte for byte.
    void trades_data()
    {
        QTest::addColumn<TradeCase>("c");
        for (const TradeCase &c : kTradeCases)
            QTest::addRow("%s", c.name) << c;
    }
    void trades()
    {
        QFETCH(TradeCase, c);
        const TradeKind kind = c.buy ? TradeKind::Buy : TradeKind::Sell;
        const QChar decimal = QLatin1Char(c.separator);
        TradingGame game(c.cash, c.held, QString::fromLatin1(c.trade), decimal);
        // The panel shows the quote service's price with the player's separator.
        const QString trade = game.panel().lblTrade;
        const TradeOpening o = tradeOpening(kind, game.panel(), game.state(), decimal);
        QCOMPARE(o.largestQuantity, c.largest);
        const auto filesBefore = game.folder.snapshot();
        const GameState stateBefore = game.state();
        const QuotePanel panelBefore = game.panel();
        QSignalSpy cashChanged(&game.session(), &GameSession::cashChanged);
        QString pay, after, refusal;
        if (c.entry == Entry::None) {
            QCOMPARE(o.scrollMaximum, c.scrollMaximum);
            QCOMPARE(o.largeStep, c.largeStep);
            const TradeAmounts a = game.session().tradeAmounts(kind, QString::fromLatin1(c.quantity));
            pay = a.txtPay;
            after = a.txtCash;
            const TradeOutcome outcome =
                game.session().trade(kind, QString::fromLatin1(c.quantity), a.txtPay);
            refusal = outcome.refusal ? outcome.refusal->text : QString();
            if (!outcome.refusal)
                QCOMPARE(outcome.cashText, after);
        } else {
            MessageRecorder messages;
            const std::unique_ptr<TradeDialog> dialog(
                c.buy ? static_cast<TradeDialog *>(new frmBuy(game.session())) : new frmSell(game.session()));
            dialog->openTrade();
            QCOMPARE(dialog->windowTitle(), c.buy ? QStringLiteral("Buy") : QStringLiteral("Sell"));
            auto *slider = child<QScrollBar>(*dialog, c.buy ? "SliderBuy" : "SliderSell");
            QCOMPARE(slider->maximum(), c.scrollMaximum);
            QCOMPARE(slider->pageStep(), c.largeStep);
            QCOMPARE(slider->value(), 0);
            for (const char *box : {"txtQty", "txtPay", "txtCash"})
                QVERIFY2(child(*dialog, box)->text().isEmpty(), box);
            // The amount is paid as it stands: the player must not be able to type it.
            QVERIFY(child(*dialog, "txtPay")->isReadOnly() && child(*dialog, "txtCash")->isReadOnly());
            QCOMPARE(child<QLabel>(*dialog, "lblPrice")->text(), QStringLiteral("x") + trade);
            QCOMPARE(child<QLabel>(*dialog, "lblAlert")->text(),
                     QStringLiteral("You're about to %1 IBM stocks at %2$ (USD) per unit.")
                         .arg(c.buy ? QStringLiteral("buy") : QStringLiteral("sell"), trade));

            enterQuantity(*dialog, c.entry, QString::fromLatin1(c.quantity), c.buy);
            pay = child(*dialog, "txtPay")->text();
            after = child(*dialog, "txtCash")->text();
            refusal = messages.texts().join(QLatin1Char('|'));
            if (!refusal.isEmpty())
                QCOMPARE(messages.shown.at(0).title, QStringLiteral("Quorvane"));
            // A refusal leaves the dialog open and the stock list locked.
            QCOMPARE(dialog->isVisible(), !refusal.isEmpty());
            QCOMPARE(game.state().openTradeDialogs, refusal.isEmpty() ? 0 : 1);
        }
        QCOMPARE(cashChanged.count(), refusal.isEmpty() ? 1 : 0);
        QCOMPARE(pay, QString::fromLatin1(c.pay));
        QCOMPARE(after, QString::fromLatin1(c.after));
        QCOMPARE(refusal, QString::fromLatin1(c.message));
        if (!refusal.isEmpty()) {
            QCOMPARE(game.folder.snapshot(), filesBefore);
            QCOMPARE(game.state().cash, stateBefore.cash);
            QCOMPARE(game.state().holdings, stateBefore.holdings);
            QCOMPARE(game.panel().lblOwned, QString::number(c.held));
            QCOMPARE(game.panel().lblOwned + game.panel().lblValue,
                     panelBefore.lblOwned + panelBefore.lblValue);
            return;
        }
        QCOMPARE(game.saved(), TradingGame::fileWith(QString::fromLatin1(c.after), c.newHeld));
        QCOMPARE(QDir(game.folder.path()).entryList(QDir::Files), TradingGame::filesAfterATrade());
        QCOMPARE(moneyToText(game.state().cash, decimal), after);
        QCOMPARE(game.state().holdings.at(1).quantity, c.newHeld);
        QCOMPARE(game.panel().lblOwned, QString::number(c.newHeld));
        QCOMPARE(game.panel().lblValue, QString::fromLatin1(c.value));
    }

    // The other dialog changed the cash after the amount was shown: the trade counts the cash of now.
    void cashChangedSinceTheAmountWasShown()
    {
        TradingGame game("10400", 10, QStringLiteral("80"));
        const TradeAmounts stale = tradeAmounts(TradeKind::Buy, u"10"_s, u"80"_s,
                                                *moneyFromText(QStringLiteral("10000"), u'.'), u'.');
        const TradeOutcome outcome = game.session().trade(TradeKind::Buy, u"10"_s, stale.txtPay);
        QCOMPARE(outcome.cashText, QStringLiteral("9600"));
        QCOMPARE(game.saved(), TradingGame::fileWith(u"9600"_s, 20));
    }

    // Whatever closes a dialog, it stops counting exactly once; the list stays locked while the
    // other dialog is open.
    void bothDialogsKeepTheListLocked_data()
    {
        QTest::addColumn<QString>("howBuyCloses");
        for (const char *how : {"Cancel", "close box", "completed"})
            QTest::addRow("%s", how) << QString::fromLatin1(how);
    }
    void bothDialogsKeepTheListLocked()
    {
        QFETCH(QString, howBuyCloses);
        TradingGame game("10000", 5, QStringLiteral("80"));
        MessageRecorder messages;
        frmBuy buyDialog(game.session());
        frmSell sellDialog(game.session());
        buyDialog.openTrade();
        sellDialog.openTrade();
        QTest::keyClicks(child(buyDialog, "txtQty"), QStringLiteral("1"));
        // Opening again only raises the dialog, as it stands.
        game.requote("90");
        buyDialog.openTrade();
        QCOMPARE(game.state().openTradeDialogs, 2);
        QCOMPARE(child(buyDialog, "txtQty")->text(), QStringLiteral("1"));
        QCOMPARE(child<QLabel>(buyDialog, "lblPrice")->text(), QStringLiteral("x80"));

        if (howBuyCloses == QLatin1String("Cancel"))
            QTest::mouseClick(child<QPushButton>(buyDialog, "cmdCancel"), Qt::LeftButton);
        else if (howBuyCloses == QLatin1String("close box"))
            buyDialog.close();
        else
            QTest::mouseClick(child<QPushButton>(buyDialog, "cmdBuy"), Qt::LeftButton);
        QVERIFY(messages.shown.isEmpty());
        QVERIFY(!buyDialog.isVisible());
        QVERIFY(game.state().isTrading());
        buyDialog.close();
        QCOMPARE(game.state().openTradeDialogs, 1);
        sellDialog.close();
        sellDialog.close();
        QCOMPARE(game.state().openTradeDialogs, 0);

        // The next opening starts empty, at the price of the moment.
        buyDialog.openTrade();
        QVERIFY(child(buyDialog, "txtQty")->text().isEmpty() && child(buyDialog, "txtPay")->text().isEmpty());
        QCOMPARE(child<QLabel>(buyDialog, "lblPrice")->text(), QStringLiteral("x90"));
    }

    void failedRewriteKeepsTheDialogOpen()
    {
        TradingGame game("10000", 15, QStringLiteral("80"));
        game.disk.failWriteFrom = 0;
        const auto filesBefore = game.folder.snapshot();
        const GameState stateBefore = game.state();
        const QuotePanel panelBefore = game.panel();
        MessageRecorder messages;
        frmBuy dialog(game.session());
        dialog.openTrade();
        enterQuantity(dialog, Entry::Typed, QStringLiteral("5"), true);
        // Refused like any other trade: the dialog stays open.
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(messages.shown.at(0).text.contains(QStringLiteral("player.qvn")));
        QVERIFY(dialog.isVisible());
        QCOMPARE(game.folder.snapshot(), filesBefore);
        QCOMPARE(game.state().cash, stateBefore.cash);
        QCOMPARE(game.state().holdings, stateBefore.holdings);
        QCOMPARE(game.panel().lblOwned + game.panel().lblValue, QStringLiteral("151200"));
        QCOMPARE(game.panel().lblValue, panelBefore.lblValue);
    }

    void chartPageIsByteExact_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("ticker");
        QTest::addColumn<QByteArray>("address");
        QTest::addRow("IBM on a local service")
            << "127.0.0.1:8765"
            << "IBM" << QByteArray("http://127.0.0.1:8765/servlet/ChartEngine?symbol=IBM&ticker=IBM");
        QTest::addRow("host without port, ticker unencoded")
            << "charts.quorvane.test"
            << "BRK B"
            << QByteArray("http://charts.quorvane.test/servlet/ChartEngine?symbol=BRK B&ticker=BRK B");
    }
    void chartPageIsByteExact()
    {
        QFETCH(QString, host);
        QFETCH(QString, ticker);
        QFETCH(QByteArray, address);
        const QByteArray image = address + "&pri=&type=2&freq=6&CD=&TC=&width=415&height=240&dur=1y&intr="
                                           "&indicator=0,,,;&vol=1&nodata=&skin=";
        const QByteArray expected =
            "<body oncontextmenu=window.event.returnValue=false onkeypress=window.event.returnValue=false "
            "onkeydown=window.event.returnValue=false onkeyup=window.event.returnValue=false "
            "ondragstart=window.event.returnValue=false onselectstart=event.returnValue=false topmargin=0 "
            "leftmargin=0 marginwidth=0 marginheight=0>\r\n<img src=" +
            image + ">\r\n";
        QCOMPARE(chartPageBytes(host, ticker), expected);
        // The view fetches the same address with its query intact.
        QCOMPARE(chartImageAddress(host, ticker).toLatin1(), image);
        const QUrl url = chartImageUrl(host, ticker);
        QCOMPARE(url.authority(), host);
        QCOMPARE(QUrlQuery(url).queryItemValue(QStringLiteral("ticker")), ticker);
        QCOMPARE(QUrlQuery(url).queryItemValue(QStringLiteral("indicator")), QStringLiteral("0,,,;"));

        // A longer page from before is replaced whole, with no temporary file left.
        TempProgramFolder folder;
        folder.write(QStringLiteral("tips/web.html"), QByteArray(5000, 'x'));
        QVERIFY(!writeChartPage(folder.path(), host, ticker));
        QCOMPARE(folder.read(QStringLiteral("tips/web.html")), expected);
        QCOMPARE(QDir(folder.file(QStringLiteral("tips"))).entryList(QDir::Files),
                 QStringList{u"web.html"_s});
        // A file where the tips folder should be.
        QVERIFY(QFile::remove(folder.file(QStringLiteral("tips/web.html"))) &&
                QDir(folder.path()).rmdir(u"tips"_s));
        folder.write(QStringLiteral("tips"), "not a folder");
        const FileStatus error = writeChartPage(folder.path(), host, ticker);
        QVERIFY(error && error->text().contains(QStringLiteral("web.html")));
    }

    void selectionFillsThePanel()
    {
        QuotePanel panel;
        panel.lblTrade = panel.lblTime = panel.lblVolume = panel.lblValue = panel.lblVariation =
            QStringLiteral("stale");
        panel.picUpVisible = panel.picDownVisible = true;
        selectStock(panel, gameWith(kThreeHoldings), QStringLiteral("IBM"));
        QCOMPARE(panel.lblQuote, QStringLiteral("IBM"));
        QCOMPARE(panel.lblFullName, CompanyNameOf(QStringLiteral("IBM")));
        QCOMPARE(panel.lblOwned, QStringLiteral("15"));
        QCOMPARE(panel.lblTrade + panel.lblTime + panel.lblVolume + panel.lblValue + panel.lblVariation,
                 QString());
        QVERIFY(!panel.picUpVisible && !panel.picDownVisible);
        selectStock(panel, gameWith(kThreeHoldings), QStringLiteral("NOPE"));
        QCOMPARE(panel.lblFullName, QStringLiteral("N/A"));
        // "Owned :" is the first matching holding, "0" for a stock not held, empty without holdings.
        QCOMPARE(ownedText(gameWith(kThreeHoldings), QStringLiteral("AAPL")), QStringLiteral("0"));
        QCOMPARE(ownedText(gameWith(kThreeHoldings), QStringLiteral("NOPE")), QStringLiteral("0"));
        QCOMPARE(ownedText(gameWith({}), QStringLiteral("IBM")), QString());
        QCOMPARE(ownedText(gameWith({{u"IBM"_s, 7}, {u"IBM"_s, 9}}), QStringLiteral("IBM")),
                 QStringLiteral("7"));

        GameState trading;
        QVERIFY(!browseRefusal(trading));
        trading.openTradeDialogs = 2;
        QCOMPARE(browseRefusal(trading),
                 std::optional<QString>(QStringLiteral("You can't browse stocks when trading [buy/sell]\n"
                                                       "Please finish your operation first.")));
    }

    void logoFallsBackToNull_data()
    {
        QTest::addColumn<QString>("ticker");
        QTest::addColumn<QString>("expected");
        const QString null = QStringLiteral("data/null.gif");
        QTest::addRow("own logo") << "IBM" << QStringLiteral("data/IBM.gif");
        QTest::addRow("no logo") << "DELL" << null;
        QTest::addRow("climbs out of data") << "../secret" << null;
        QTest::addRow("backslash") << "..\\secret" << null;
        QTest::addRow("empty") << "" << null;
        QTest::addRow("a folder named like a ticker") << "DIR" << null;
    }
    void logoFallsBackToNull()
    {
        QFETCH(QString, ticker);
        QFETCH(QString, expected);
        TempProgramFolder folder;
        for (const char *file : {"data/IBM.gif", "data/null.gif", "secret.gif", "data/DIR.gif/inside"})
            folder.write(QLatin1String(file), "GIF87a");
        QCOMPARE(logoPath(folder.path(), ticker), folder.path() + QLatin1Char('/') + expected);
    }

    // Add and remove sequences: the file afterwards, and the right-click menu it then gives for IBM.
    void favorites_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("steps"); // "+T" adds T, "-T" removes T
        QTest::addColumn<QByteArray>("expected");
        QTest::addRow("add then remove keeps the order")
            << kHeader + "IBM\r\nDELL\r\n"
            << QStringList{u"+AAPL"_s, u"-IBM"_s} << kHeader + "DELL\r\nAAPL\r\n";
        QTest::addRow("remove then add back") << kHeader + "IBM\r\n"
                                              << QStringList{u"-IBM"_s, u"+IBM"_s} << kHeader + "IBM\r\n";
        QTest::addRow("remove drops every copy") << kHeader + "IBM\r\nDELL\r\nIBM\r\n"
                                                 << QStringList{u"-IBM"_s} << kHeader + "DELL\r\n";
        QTest::addRow("remove respects case") << kHeader + "ibm\r\n"
                                              << QStringList{u"-IBM"_s} << kHeader + "ibm\r\n";
        QTest::addRow("missing file is created with its header")
            << kNoFile << QStringList{u"+IBM"_s} << kHeader + "IBM\r\n";
        QTest::addRow("remove from a missing file") << kNoFile << QStringList{u"-IBM"_s} << kHeader;
        QTest::addRow("line ends mended")
            << kHeader + "DELL" << QStringList{u"+IBM"_s} << kHeader + "DELL\r\nIBM\r\n";
        QTest::addRow("nothing selected writes nothing") << kHeader << QStringList{u"+"_s, u"-"_s} << kHeader;
        QTest::addRow("last line without line end") << kHeader + "IBM" << QStringList() << kHeader + "IBM";
        QTest::addRow("missing file lists nothing") << kNoFile << QStringList() << kNoFile;
        QTest::addRow("empty file lists nothing") << QByteArray() << QStringList() << QByteArray();
    }
    void favorites()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, steps);
        QFETCH(QByteArray, expected);
        TempProgramFolder folder;
        if (file != kNoFile)
            folder.write(QStringLiteral("player.fav"), file);
        const GameState game = gameWith({});
        for (const QString &step : steps) {
            const QuotePanel panel = selected(step.mid(1));
            const FileStatus error = step.startsWith(QLatin1Char('+'))
                                         ? addSelectedToFavorites(folder.path(), game, panel)
                                         : removeSelectedFromFavorites(folder.path(), game, panel);
            QVERIFY2(!error, qPrintable(error ? error->text() : QString()));
        }
        // Nothing else is written, no temporary file stays behind.
        const QStringList files = QDir(folder.path()).entryList(QDir::Files);
        QCOMPARE(files, expected == kNoFile ? QStringList() : QStringList{u"player.fav"_s});
        if (expected != kNoFile)
            QCOMPARE(folder.read(QStringLiteral("player.fav")), expected);
        FileStatus problem;
        const auto menu =
            favoriteMenuState(folder.path(), game, selected(u"IBM"_s), Qt::RightButton, &problem);
        QVERIFY(menu && !problem);
        const QList<QByteArray> lines = expected.split('\n');
        const bool listed = lines.contains("IBM\r") || lines.contains("IBM");
        QCOMPARE(menu->removeEnabled, listed);
        QCOMPARE(menu->addEnabled, !listed);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), files);
    }

    void favoriteMenuNeedsARightClickOnAReadableList()
    {
        TempProgramFolder folder;
        QVERIFY(!favoriteMenuState(folder.path(), gameWith({}), selected(u"IBM"_s), Qt::LeftButton));
        // A folder where the favourites file should be.
        QDir().mkpath(folder.file(QStringLiteral("player.fav")));
        FileStatus problem;
        QVERIFY(
            !favoriteMenuState(folder.path(), gameWith({}), selected(u"IBM"_s), Qt::RightButton, &problem));
        QVERIFY(problem && problem->text().contains(QStringLiteral("player.fav")));
    }

    // 15 IBM and 3 MSFT over the whole client area, then again after selling every MSFT.
    void statisticsAfterSellingEveryMsft()
    {
        TradingGame game("10000", 15, QStringLiteral("80"));
        QWidget client;
        client.resize(669, 430);
        FrmStats panel(&client);
        QVERIFY(panel.isHidden());
        QVERIFY(panel.showFor(game.session()));
        QCOMPARE(panel.geometry(), QRect(0, 0, 669, 430));
        QCOMPARE(statistics(panel),
                 (QStringList{u"IBM=15"_s, u"MSFT=3"_s, u"IBM - 15"_s, u"MSFT - 3"_s, u"18"_s, u"2"_s}));
        QStringList captions;
        for (QLabel *label : panel.findChildren<QLabel *>())
            captions.append(label->text());
        for (const char *caption :
             {"Statistics for Player", "Your current shares repartition :", "Global Statistics :",
              "Total shares owned :", "Companies involved :", "Financial Fortune (USD) :"})
            QVERIFY2(captions.contains(QLatin1String(caption)), caption);
        QCOMPARE(child<QPushButton>(panel, "Command2")->text(), QStringLiteral("Evaluate..."));
        QCOMPARE(child<QPushButton>(panel, "cmdCloseStats")->text(), QStringLiteral("Close"));
        QTest::mouseClick(child<QPushButton>(panel, "cmdCloseStats"), Qt::LeftButton);
        QVERIFY(panel.isHidden());

        game.ts->quote(QStringLiteral("MSFT"), "80");
        QCOMPARE(game.panel().lblOwned, QStringLiteral("3"));
        QVERIFY(!game.session().trade(TradeKind::Sell, u"3"_s, u"240"_s).refusal);
        QVERIFY(panel.showFor(game.session()));
        QCOMPARE(statistics(panel), (QStringList{u"IBM=15"_s, u"IBM - 15"_s, u"15"_s, u"1"_s}));
    }

    // The figures of the saved game on disk; an unreadable one is reported and the panel stays hidden.
    void statisticsFigures_data()
    {
        QTest::addColumn<QByteArray>("holdings"); // "-" for no saved game
        QTest::addColumn<int>("holdingCount");    // -1: as read from the file
        QTest::addColumn<QStringList>("shown");   // empty when refused
        QTest::addRow("saved-game order, none or negative left out")
            << QByteArray("MSFT\r\n 3 \r\nDELL\r\n -2 \r\nAAPL\r\n 0 \r\nIBM\r\n 15 \r\n") << -1
            << QStringList{u"MSFT=3"_s, u"IBM=15"_s, u"MSFT - 3"_s, u"IBM - 15"_s, u"18"_s, u"2"_s};
        QTest::addRow("nothing held") << QByteArray("IBM\r\n0\r\n") << -1 << QStringList{u"0"_s, u"0"_s};
        QTest::addRow("only the game's holding count is read")
            << QByteArray("IBM\r\n15\r\nMSFT\r\n3\r\n") << 1
            << QStringList{u"IBM=15"_s, u"IBM - 15"_s, u"15"_s, u"1"_s};
        QTest::addRow("total beyond 32 bits")
            << QByteArray("IBM\r\n2147483647\r\nMSFT\r\n2147483647\r\n") << -1
            << QStringList{u"IBM=2147483647"_s,    u"MSFT=2147483647"_s, u"IBM - 2147483647"_s,
                           u"MSFT - 2147483647"_s, u"4294967294"_s,      u"2"_s};
        QTest::addRow("missing") << QByteArray("-") << 2 << QStringList();
    }
    void statisticsFigures()
    {
        QFETCH(QByteArray, holdings);
        QFETCH(int, holdingCount);
        QFETCH(QStringList, shown);
        TempProgramFolder folder;
        folder.writeSettings();
        // The game in play holds `holdingCount` pairs; the file on disk may have changed since.
        QByteArray inPlay = holdings;
        if (holdingCount >= 0) {
            inPlay.clear();
            for (int i = 0; i < holdingCount; ++i)
                inPlay += "A\r\n0\r\n";
        }
        folder.write(QStringLiteral("player.qvn"), "10000\r\n" + inPlay);
        TestSession ts(folder.path());
        QVERIFY(!ts.session->start());
        QFile::remove(folder.file(QStringLiteral("player.qvn")));
        if (holdings != "-")
            folder.write(QStringLiteral("player.qvn"), "10000\r\n" + holdings);
        MessageRecorder messages;
        QWidget client;
        FrmStats panel(&client);
        QCOMPARE(panel.showFor(*ts.session), !shown.isEmpty());
        QCOMPARE(panel.isHidden(), shown.isEmpty());
        if (!shown.isEmpty()) {
            QVERIFY(messages.shown.isEmpty());
            QCOMPARE(statistics(panel), shown);
            return;
        }
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(messages.shown.at(0).text.contains(QStringLiteral("player.qvn")));
        QCOMPARE(messages.shown.at(0).title, QStringLiteral("Quorvane"));
    }
};

QTEST_MAIN(TestTrading)
#include "test_trading.moc"
