// Trades, their refusals and the saved game's bytes through the session's TradeDesk; the buy and
// sell dialogs only for their wiring. Then selection, the chart page, logos, favourites and the
// statistics figures with the panel that shows them.
#include "common/failingreplacer.h"
#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "common/testsession.h"
#include "model/gamefiles.h"
#include "model/numbertext.h"
#include "model/stockcatalogue.h"
#include "sync/chartpage.h"
#include "trading/favorites.h"
#include "trading/frmbuy.h"
#include "trading/frmsell.h"
#include "trading/frmstats.h"
#include "trading/holdingsstatistics.h"
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
// One trade of IBM: the game before, the opening's figures, the quantity with the amount and
// cash shown for it, then the refusal or the holding and panel value afterwards.
struct TradeCase
{
    const char *name;
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
constexpr qint64 kAll = std::numeric_limits<qint32>::max();

// A running game on disk and in its session with `held` shares of IBM between two other stocks,
// IBM selected and quoted at `trade` (an empty trade: selected, its quote not in yet).
struct TradingGame
{
    TempProgramFolder folder;
    FailingReplacer disk;
    std::unique_ptr<TestSession> ts;

    TradingGame(const QByteArray &cash, int held, const QByteArray &trade, QChar decimal = u'.')
    {
        folder.writeSettings();
        folder.write(u"player.qvn"_s,
                     cash + "\r\nAAPL\r\n0\r\nIBM\r\n" + QByteArray::number(held) + "\r\nMSFT\r\n3\r\n");
        ts = std::make_unique<TestSession>(folder.path(), NumberFormat::withDecimal(decimal), disk);
        if (const auto problem = ts->session->start())
            qFatal("%s", qPrintable(problem->text()));
        session().selectStock(u"IBM"_s);
        if (!trade.isEmpty())
            ts->answerPrice(u"IBM"_s, trade);
    }
    GameSession &session() { return *ts->session; }
    TradeDesk &desk() { return ts->session->tradeDesk(); }
    const GameState &state() const { return ts->session->game(); }
    const QuotePanel &panel() const { return ts->session->panel(); }
    QByteArray saved() const { return folder.read(u"player.qvn"_s); }
    // The saved game as a trade rewrites it.
    static QByteArray fileWith(const QByteArray &cash, int held)
    {
        return cash + "\r\nAAPL\r\n 0 \r\nIBM\r\n " + QByteArray::number(held) + " \r\nMSFT\r\n 3 \r\n";
    }
};

GameState gameWith(const QList<Holding> &holdings)
{
    GameState state;
    state.gameName = u"player"_s;
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

// The pie's slices as "label=value", the list lines, then the two figures.
QStringList statistics(FrmStats &panel)
{
    QStringList s;
    const auto *series =
        qobject_cast<QPieSeries *>(child<QChartView>(panel, "Pie")->chart()->series().value(0));
    for (QPieSlice *slice : series->slices())
        s.append(slice->label() + u'=' + QString::number(slice->value(), 'f', 0));
    auto *list = child<QListWidget>(panel, "lstStats");
    for (int i = 0; i < list->count(); ++i)
        s.append(list->item(i)->text());
    for (const char *figure : {"lblTotalShares", "lblCompanies"})
        s.append(child<QLabel>(panel, figure)->text());
    return s;
}

// clang-format off
const TradeCase kTradeCases[] = {
    {"buy 10 at 80 with 5 held", true, "10000", "80", 5, 125, 125, 1, "10", "800", "9200", "", 15, "1200"},
    {"buy 392 at 25.5", true, "10000", "25.5", 0, 392, 392, 1, "392", "9996", "4", "", 392, "9996"},
    {"buy 400 at 25 leaves 0", true, "10000", "25", 0, 400, 400, 1, "400", "10000", "0", "", 400, "10000"},
    {"buy 2 at 33.34", true, "100", "33.34", 0, 2, 2, 1, "2", "66.68", "33.32", "", 2, "66.68"},
    {"buy 3 at 33.34 overdraws", true, "100", "33.34", 0, 2, 2, 1, "3", "100.02", "-0.02", kPoor},
    {"buy 1 at 10.45 with 10.40", true, "10.4", "10.45", 0, 0, 0, 1, "1", "10.45", "-0.05", kPoor},
    {"buy beyond the scroll bar", true, "100000", "1", 0, 100000, 32767, 1, "40000", "40000", "60000", "", 40000, "40000"},
    {"cost rounded to ten-thousandths", true, "1", "0.33333", 0, 3, 3, 1, "3", "0.99999", "0", "", 3, "0.99999"},
    {"decimal comma, price with a point", true, "10000", "25.5", 0, 392, 392, 1, "3", "76,5", "9923,5", "", 3, "76,5", ','},
    {"buy 2.0", true, "100", "1", 0, 100, 100, 1, "2.0", "2", "98", "", 2, "2"},
    {"buy empty", true, "10000", "80", 5, 125, 125, 1, "", "0", "10000", kWhole},
    {"buy ten", true, "10000", "80", 5, 125, 125, 1, "ten", "0", "10000", kWhole},
    {"buy 0", true, "10000", "80", 5, 125, 125, 1, "0", "0", "10000", kWhole},
    {"buy -3 would mint cash", true, "10000", "80", 5, 125, 125, 1, "-3", "-240", "10240", kWhole},
    {"buy 2.5", true, "10000", "80", 5, 125, 125, 1, "2.5", "200", "9800", kWhole},
    {"buy past the largest holding", true, "922337203685477", "80", 2147483600, 47, 47, 1, "48", "3840", "922337203681637", kTooMany},
    {"buy beyond money", true, "10000", "2", 0, 5000, 5000, 1, "9000000000000000", "1.8e+16", "", kTooMany},
    {"price gone", true, "10000", "N/A", 5, 0, 0, 1, "3", "", "", "There is no price to trade at: the last trade reads \"N/A\". Please synchronize again."},
    {"sell 5 of 15 at 80", false, "9200", "80", 15, 15, 15, 1, "5", "400", "9600", "", 10, "800"},
    {"sell 5 of 25, large step 2", false, "0", "80", 25, 25, 25, 2, "5", "400", "400", "", 20, "1600"},
    {"sell all 9, large step 1", false, "0", "80", 9, 9, 9, 1, "9", "720", "720", "", 0, "0"},
    {"sell beyond the scroll bar", false, "0", "80", 40000, 40000, 32767, 3276, "40000", "3200000", "3200000", "", 0, "0"},
    {"sell 11 of 10", false, "0", "80", 10, 10, 10, 1, "11", "880", "880", kNotThatMany},
    {"sell beyond 32 bits", false, "0", "80", 10, 10, 10, 1, "3000000000", "240000000000", "240000000000", kNotThatMany},
    {"sell -3", false, "0", "80", 10, 10, 10, 1, "-3", "-240", "-240", kWhole},
    {"sell a negative holding", false, "0", "80", -4, 0, 0, 1, "1", "80", "80", kNotThatMany},
    {"sell into too much cash", false, "922337203685477", "80", 10, 10, 10, 1, "10", "800", "", "The cash after this operation would be too large to keep."},
};
// clang-format on
} // namespace

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
        QTest::addRow("debt") << u"-5"_s << 1.0 << kAll << qint64(0);
        QTest::addRow("price under 0.5") << u"1"_s << 0.3 << kAll << qint64(3);
        // 100005 x 0.00001 = 1.00005 rounds to 1.0000 (ties to even)
        QTest::addRow("cost tie rounds to even") << u"1"_s << 0.00001 << kAll << qint64(100005);
        QTest::addRow("tiny price stops at 32 bits") << u"100000"_s << 0.00001 << kAll << kAll;
        QTest::addRow("largest cash") << u"922337203685477.5807"_s << 1000000.0 << kAll << qint64(922337203);
        QTest::addRow("holding full") << u"1000"_s << 1.0 << qint64(0) << qint64(0);
    }
    void largestAffordableQuantity()
    {
        QFETCH(QString, cash);
        QFETCH(double, price);
        QFETCH(qint64, room);
        QFETCH(qint64, largest);
        QCOMPARE(::largestAffordableQuantity(*moneyFromText(cash, u'.'), price, room), largest);
    }

    // What BUY and SELL say instead of opening their dialog, as the player sees it.
    void buttons_data()
    {
        QTest::addColumn<bool>("buy");
        QTest::addColumn<QByteArray>("trade");
        QTest::addColumn<QByteArray>("cash");
        QTest::addColumn<QString>("message");
        const QString notAPrice =
            u"There is no price to trade at: the last trade reads \"%1\". Please synchronize again."_s;
        const QString poor = u"You don't have enough money to buy at least one share."_s;
        const auto row = [](const char *name, bool buy, const char *trade, const char *cash,
                            const QString &message) {
            QTest::addRow("%s", name) << buy << QByteArray(trade) << QByteArray(cash) << message;
        };
        row("buy before a quote", true, "", "10000", u"You must synchronize before buying !"_s);
        row("buy at N/A", true, "N/A", "10000", notAPrice.arg(u"N/A"_s));
        row("buy at 0", true, "0", "10000", notAPrice.arg(u"0"_s));
        // A whole-number test: 10.40 against 10.45 passes and the dialog offers 0.
        row("10.45 with 10.40 passes", true, "10.45", "10.4", QString());
        row("rounded cash below rounded price", true, "11", "10.4", poor);
        row("under 0.5, affordable", true, "0.3", "0.4", QString());
        row("under 0.5, not affordable", true, "0.3", "0.2", poor);
        row("sell before a quote", false, "", "0", u"You must synchronize before selling !"_s);
        row("sell at N/A", false, "N/A", "0", notAPrice.arg(u"N/A"_s));
        row("sell whatever the cash", false, "80", "0", QString());
    }
    void buttons()
    {
        QFETCH(bool, buy);
        QFETCH(QByteArray, trade);
        QFETCH(QByteArray, cash);
        QFETCH(QString, message);
        TradingGame game(cash, 5, trade);
        const std::optional<TradeMessage> refusal =
            game.desk().tradeRefusal(buy ? TradeKind::Buy : TradeKind::Sell);
        QCOMPARE(refusal ? refusal->text : QString(), message);
        if (!refusal)
            return;
        MessageRecorder messages;
        showTradeMessage(nullptr, *refusal);
        // Only the lack of money has its own title and icon.
        const bool poor = message.startsWith(QLatin1String("You don't have"));
        QCOMPARE(messages.shown.at(0).title, poor ? u"Unable to buy"_s : u"Quorvane"_s);
        QCOMPARE(messages.shown.at(0).icon, poor ? QMessageBox::Information : QMessageBox::NoIcon);
        QCOMPARE(messages.shown.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    // Every case through the session's desk; the saved game is read back byte for byte.
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
        TradingGame game(c.cash, c.held, c.trade, decimal);
        const TradeOpening o = tradeOpening(kind, game.panel(), game.state(), decimal);
        QCOMPARE(o.largestQuantity, c.largest);
        QCOMPARE(o.scrollMaximum, c.scrollMaximum);
        QCOMPARE(o.largeStep, c.largeStep);
        const auto filesBefore = game.folder.snapshot();
        const GameState stateBefore = game.state();
        const QuotePanel panelBefore = game.panel();
        QSignalSpy cashChanged(&game.session(), &GameSession::cashChanged);
        const QString quantity = QString::fromLatin1(c.quantity);
        const TradeAmounts a = game.desk().tradeAmounts(kind, quantity);
        QCOMPARE(a.txtPay, QString::fromLatin1(c.pay));
        QCOMPARE(a.txtCash, QString::fromLatin1(c.after));
        const TradeOutcome outcome = game.desk().trade(kind, quantity, a.txtPay);
        QCOMPARE(outcome.refusal ? outcome.refusal->text : QString(), QString::fromLatin1(c.message));
        QCOMPARE(cashChanged.count(), outcome.refusal ? 0 : 1);
        if (outcome.refusal) {
            QVERIFY(outcome.refusal->title.isEmpty()); // the program's name
            QCOMPARE(game.folder.snapshot(), filesBefore);
            QCOMPARE(game.state().cash, stateBefore.cash);
            QCOMPARE(game.state().holdings, stateBefore.holdings);
            QCOMPARE(game.panel().lblOwned, QString::number(c.held));
            QCOMPARE(game.panel().lblOwned + game.panel().lblValue,
                     panelBefore.lblOwned + panelBefore.lblValue);
            return;
        }
        QCOMPARE(outcome.cashText, a.txtCash);
        QCOMPARE(game.saved(), TradingGame::fileWith(c.after, c.newHeld));
        QCOMPARE(QDir(game.folder.path()).entryList(QDir::Files),
                 (QStringList{u"options.cfg"_s, u"player.qvh"_s, u"player.qvn"_s, u"quote.cfg"_s}));
        QCOMPARE(moneyToText(game.state().cash, decimal), a.txtCash);
        QCOMPARE(game.state().holdings.at(1).quantity, c.newHeld);
        QCOMPARE(game.panel().lblOwned, QString::number(c.newHeld));
        QCOMPARE(game.panel().lblValue, QString::fromLatin1(c.value));
    }

    // The other dialog changed the cash after the amount was shown: the trade counts the cash of now.
    void cashChangedSinceTheAmountWasShown()
    {
        TradingGame game("10400", 10, "80");
        const TradeAmounts stale =
            tradeAmounts(TradeKind::Buy, u"10"_s, u"80"_s, *moneyFromText(u"10000"_s, u'.'), u'.');
        QCOMPARE(game.desk().trade(TradeKind::Buy, u"10"_s, stale.txtPay).cashText, u"9600"_s);
        QCOMPARE(game.saved(), TradingGame::fileWith("9600", 20));
    }

    // The dialogs' wiring: the opening figures, the quantity by scroll bar or keys, the amounts
    // from the desk, and BUY/SELL or Enter confirming; a refusal is shown and keeps it open.
    // The refusal column is part of the message.
    void dialogs_data()
    {
        QTest::addColumn<bool>("buy");
        QTest::addColumn<QString>("how"); // "slider", "typed" (then the button) or "enter"
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("refusal");
        QTest::addRow("buy by scroll bar") << true << u"slider"_s << u"3"_s << QString();
        QTest::addRow("buy typed") << true << u"typed"_s << u"10"_s << QString();
        QTest::addRow("buy typed beyond the scroll bar") << true << u"typed"_s << u"40000"_s << QString();
        QTest::addRow("buy refused on Enter")
            << true << u"enter"_s << u"2.5"_s << QString::fromLatin1(kWhole);
        QTest::addRow("sell by scroll bar") << false << u"slider"_s << u"5"_s << QString();
        QTest::addRow("sell on Enter") << false << u"enter"_s << u"2"_s << QString();
        QTest::addRow("sell refused") << false << u"typed"_s << u"11"_s << QString::fromLatin1(kNotThatMany);
        // The saved game cannot be rewritten: refused like any other trade, nothing changes.
        QTest::addRow("buy, rewrite fails") << true << u"typed"_s << u"1"_s << u"player.qvn"_s;
    }
    void dialogs()
    {
        QFETCH(bool, buy);
        QFETCH(QString, how);
        QFETCH(QString, quantity);
        QFETCH(QString, refusal);
        const TradeKind kind = buy ? TradeKind::Buy : TradeKind::Sell;
        TradingGame game("100000", 5, "1");
        if (refusal == u"player.qvn"_s)
            game.disk.failWriteFrom = 0;
        const auto filesBefore = game.folder.snapshot();
        const TradeOpening opening = tradeOpening(kind, game.panel(), game.state(), u'.');
        const TradeAmounts amounts = game.desk().tradeAmounts(kind, quantity);
        MessageRecorder messages;
        const std::unique_ptr<TradeDialog> dialog(buy ? static_cast<TradeDialog *>(new frmBuy(game.desk()))
                                                      : new frmSell(game.desk()));
        dialog->openTrade();
        QCOMPARE(game.state().openTradeDialogs, 1);
        QCOMPARE(dialog->windowTitle(), buy ? u"Buy"_s : u"Sell"_s);
        auto *slider = child<QScrollBar>(*dialog, buy ? "SliderBuy" : "SliderSell");
        QCOMPARE(slider->maximum(), opening.scrollMaximum);
        QCOMPARE(slider->pageStep(), opening.largeStep);
        QCOMPARE(slider->value(), 0);
        auto *txtQty = child(*dialog, "txtQty");
        for (const char *box : {"txtQty", "txtPay", "txtCash"})
            QVERIFY2(child(*dialog, box)->text().isEmpty(), box);
        // The amount is paid as it stands: the player must not be able to type it.
        QVERIFY(child(*dialog, "txtPay")->isReadOnly() && child(*dialog, "txtCash")->isReadOnly());
        QCOMPARE(child<QLabel>(*dialog, "lblPrice")->text(), u"x1"_s);
        QCOMPARE(child<QLabel>(*dialog, "lblAlert")->text(), opening.lblAlert);
        QCOMPARE(opening.lblAlert,
                 u"You're about to %1 IBM stocks at 1$ (USD) per unit."_s.arg(buy ? u"buy"_s : u"sell"_s));

        if (how == u"slider"_s) {
            slider->setValue(quantity.toInt());
            QCOMPARE(txtQty->text(), quantity);
        } else {
            QTest::keyClicks(txtQty, quantity);
        }
        QCOMPARE(child(*dialog, "txtPay")->text(), amounts.txtPay);
        QCOMPARE(child(*dialog, "txtCash")->text(), amounts.txtCash);
        if (how == u"enter"_s)
            QTest::keyClick(txtQty, Qt::Key_Return);
        else
            QTest::mouseClick(child<QPushButton>(*dialog, buy ? "cmdBuy" : "cmdSell"), Qt::LeftButton);
        // The desk's own refusal, shown as it is.
        QCOMPARE(messages.shown.size(), refusal.isEmpty() ? 0 : 1);
        if (!refusal.isEmpty()) {
            QVERIFY2(messages.shown.at(0).text.contains(refusal), qPrintable(messages.shown.at(0).text));
            QCOMPARE(messages.shown.at(0).title, u"Quorvane"_s);
            QCOMPARE(game.folder.snapshot(), filesBefore);
            QCOMPARE(moneyToText(game.state().cash, u'.') + game.panel().lblOwned + game.panel().lblValue,
                     u"10000055"_s); // 100000, 5 held worth 5
            QCOMPARE(game.state().holdings.at(1).quantity, 5);
        }
        // A refusal leaves the dialog open and the stock list locked.
        QCOMPARE(dialog->isVisible(), !refusal.isEmpty());
        QCOMPARE(game.state().openTradeDialogs, refusal.isEmpty() ? 0 : 1);
        if (refusal.isEmpty())
            QCOMPARE(moneyToText(game.state().cash, u'.'), amounts.txtCash);
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
        TradingGame game("10000", 5, "80");
        MessageRecorder messages;
        frmBuy buyDialog(game.desk());
        frmSell sellDialog(game.desk());
        buyDialog.openTrade();
        sellDialog.openTrade();
        QTest::keyClicks(child(buyDialog, "txtQty"), u"1"_s);
        // Opening again only raises the dialog, as it stands.
        game.session().market().synchronize();
        game.ts->answerPrice(u"IBM"_s, "90");
        buyDialog.openTrade();
        QCOMPARE(game.state().openTradeDialogs, 2);
        QCOMPARE(child(buyDialog, "txtQty")->text(), u"1"_s);
        QCOMPARE(child<QLabel>(buyDialog, "lblPrice")->text(), u"x80"_s);

        if (howBuyCloses == u"Cancel"_s)
            QTest::mouseClick(child<QPushButton>(buyDialog, "cmdCancel"), Qt::LeftButton);
        else if (howBuyCloses == u"close box"_s)
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
        QCOMPARE(child<QLabel>(buyDialog, "lblPrice")->text(), u"x90"_s);
    }

    void chartPageIsByteExact_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("ticker");
        QTest::addColumn<QByteArray>("address");
        QTest::addRow("IBM on a local service")
            << u"127.0.0.1:8765"_s << u"IBM"_s
            << QByteArray("http://127.0.0.1:8765/servlet/ChartEngine?symbol=IBM&ticker=IBM");
        QTest::addRow("host without port, ticker unencoded")
            << u"charts.quorvane.test"_s << u"BRK B"_s
            << QByteArray("http://charts.quorvane.test/servlet/ChartEngine?symbol=BRK B&ticker=BRK B");
    }
    void chartPageIsByteExact()
    {
        QFETCH(QString, host);
        QFETCH(QString, ticker);
        QFETCH(QByteArray, address);
        const QByteArray image = address + "&pri=&type=2&freq=6&CD=&TC=&width=415&height=240&dur=1y&intr=&"
                                           "indicator=0,,,;&vol=1&nodata=&skin=";
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
        QCOMPARE(QUrlQuery(url).queryItemValue(u"ticker"_s), ticker);
        QCOMPARE(QUrlQuery(url).queryItemValue(u"indicator"_s), u"0,,,;"_s);

        // A longer page from before is replaced whole, with no temporary file left.
        TempProgramFolder folder;
        folder.write(u"tips/web.html"_s, QByteArray(5000, 'x'));
        QVERIFY(!writeChartPage(folder.path(), host, ticker));
        QCOMPARE(folder.read(u"tips/web.html"_s), expected);
        QCOMPARE(QDir(folder.file(u"tips"_s)).entryList(QDir::Files), QStringList{u"web.html"_s});
        // A file where the tips folder should be.
        QVERIFY(QFile::remove(folder.file(u"tips/web.html"_s)) && QDir(folder.path()).rmdir(u"tips"_s));
        folder.write(u"tips"_s, "not a folder");
        const FileStatus error = writeChartPage(folder.path(), host, ticker);
        QVERIFY(error && error->text().contains(u"web.html"_s));
    }

    void selectionFillsThePanel()
    {
        const QList<Holding> three = {{u"AAPL"_s, 0}, {u"IBM"_s, 15}, {u"MSFT"_s, 3}};
        QuotePanel panel;
        panel.lblTrade = panel.lblTime = panel.lblVolume = panel.lblValue = panel.lblVariation = u"stale"_s;
        panel.picUpVisible = panel.picDownVisible = true;
        selectStock(panel, gameWith(three), u"IBM"_s);
        QCOMPARE(panel.lblQuote, u"IBM"_s);
        QCOMPARE(panel.lblFullName, CompanyNameOf(u"IBM"_s));
        QCOMPARE(panel.lblOwned, u"15"_s);
        QCOMPARE(panel.lblTrade + panel.lblTime + panel.lblVolume + panel.lblValue + panel.lblVariation,
                 QString());
        QVERIFY(!panel.picUpVisible && !panel.picDownVisible);
        selectStock(panel, gameWith(three), u"NOPE"_s);
        QCOMPARE(panel.lblFullName, u"N/A"_s);
        // "Owned :" is the first matching holding, "0" for a stock not held, empty without holdings.
        QCOMPARE(ownedText(gameWith(three), u"AAPL"_s), u"0"_s);
        QCOMPARE(ownedText(gameWith(three), u"NOPE"_s), u"0"_s);
        QCOMPARE(ownedText(gameWith({}), u"IBM"_s), QString());
        QCOMPARE(ownedText(gameWith({{u"IBM"_s, 7}, {u"IBM"_s, 9}}), u"IBM"_s), u"7"_s);

        GameState trading;
        QVERIFY(!browseRefusal(trading));
        trading.openTradeDialogs = 2;
        QCOMPARE(
            browseRefusal(trading),
            std::optional<QString>(
                u"You can't browse stocks when trading [buy/sell]\nPlease finish your operation first."_s));
    }

    void logoFallsBackToNull_data()
    {
        QTest::addColumn<QString>("ticker");
        QTest::addColumn<QString>("expected");
        const QString null = u"data/null.gif"_s;
        QTest::addRow("own logo") << u"IBM"_s << u"data/IBM.gif"_s;
        QTest::addRow("no logo") << u"DELL"_s << null;
        QTest::addRow("climbs out of data") << u"../secret"_s << null;
        QTest::addRow("backslash") << u"..\\secret"_s << null;
        QTest::addRow("empty") << QString() << null;
        QTest::addRow("a folder named like a ticker") << u"DIR"_s << null;
    }
    void logoFallsBackToNull()
    {
        QFETCH(QString, ticker);
        QFETCH(QString, expected);
        TempProgramFolder folder;
        for (const char *file : {"data/IBM.gif", "data/null.gif", "secret.gif", "data/DIR.gif/inside"})
            folder.write(QLatin1String(file), "GIF87a");
        QCOMPARE(logoPath(folder.path(), ticker), folder.path() + u'/' + expected);
    }

    // Add and remove sequences: the file afterwards, and the right-click menu it then gives for IBM.
    void favorites_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("steps"); // "+T" adds T, "-T" removes T
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char *name, const QByteArray &file, const char *steps,
                            const QByteArray &expected) {
            QTest::addRow("%s", name)
                << file << QString::fromLatin1(steps).split(u' ', Qt::SkipEmptyParts) << expected;
        };
        row("add then remove keeps the order", kHeader + "IBM\r\nDELL\r\n", "+AAPL -IBM",
            kHeader + "DELL\r\nAAPL\r\n");
        row("remove then add back", kHeader + "IBM\r\n", "-IBM +IBM", kHeader + "IBM\r\n");
        row("remove drops every copy", kHeader + "IBM\r\nDELL\r\nIBM\r\n", "-IBM", kHeader + "DELL\r\n");
        row("remove respects case", kHeader + "ibm\r\n", "-IBM", kHeader + "ibm\r\n");
        row("missing file is created with its header", kNoFile, "+IBM", kHeader + "IBM\r\n");
        row("remove from a missing file", kNoFile, "-IBM", kHeader);
        row("line ends mended", kHeader + "DELL", "+IBM", kHeader + "DELL\r\nIBM\r\n");
        row("nothing selected writes nothing", kHeader, "+ -", kHeader);
        row("last line without line end", kHeader + "IBM", "", kHeader + "IBM");
        row("missing file lists nothing", kNoFile, "", kNoFile);
        row("empty file lists nothing", QByteArray(), "", QByteArray());
    }
    void favorites()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, steps);
        QFETCH(QByteArray, expected);
        TempProgramFolder folder;
        if (file != kNoFile)
            folder.write(u"player.fav"_s, file);
        const GameState game = gameWith({});
        for (const QString &step : steps) {
            const QuotePanel panel = selected(step.mid(1));
            const FileStatus error = step.startsWith(u'+')
                                         ? addSelectedToFavorites(folder.path(), game, panel)
                                         : removeSelectedFromFavorites(folder.path(), game, panel);
            QVERIFY2(!error, qPrintable(error ? error->text() : QString()));
        }
        // Nothing else is written, no temporary file stays behind.
        const QStringList files = QDir(folder.path()).entryList(QDir::Files);
        QCOMPARE(files, expected == kNoFile ? QStringList() : QStringList{u"player.fav"_s});
        if (expected != kNoFile)
            QCOMPARE(folder.read(u"player.fav"_s), expected);
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
        QDir().mkpath(folder.file(u"player.fav"_s));
        FileStatus problem;
        QVERIFY(
            !favoriteMenuState(folder.path(), gameWith({}), selected(u"IBM"_s), Qt::RightButton, &problem));
        QVERIFY(problem && problem->text().contains(u"player.fav"_s));
    }

    // The figures of the saved game on disk, read through the session's door.
    void statisticsFigures_data()
    {
        QTest::addColumn<QByteArray>("holdings"); // on disk now; "-" for no saved game
        QTest::addColumn<int>("holdingCount");    // in the game in play; -1: as on disk
        QTest::addColumn<QStringList>("figures"); // "T - n" lines, then total and companies
        QTest::addRow("saved-game order, none or negative left out")
            << QByteArray("MSFT\r\n 3 \r\nDELL\r\n -2 \r\nAAPL\r\n 0 \r\nIBM\r\n 15 \r\n") << -1
            << QStringList{u"MSFT - 3"_s, u"IBM - 15"_s, u"18"_s, u"2"_s};
        QTest::addRow("nothing held") << QByteArray("IBM\r\n0\r\n") << -1 << QStringList{u"0"_s, u"0"_s};
        QTest::addRow("only the game's holding count is read")
            << QByteArray("IBM\r\n15\r\nMSFT\r\n3\r\n") << 1 << QStringList{u"IBM - 15"_s, u"15"_s, u"1"_s};
        QTest::addRow("total beyond 32 bits")
            << QByteArray("IBM\r\n2147483647\r\nMSFT\r\n2147483647\r\n") << -1
            << QStringList{u"IBM - 2147483647"_s, u"MSFT - 2147483647"_s, u"4294967294"_s, u"2"_s};
        QTest::addRow("missing") << QByteArray("-") << 2 << QStringList();
    }
    void statisticsFigures()
    {
        QFETCH(QByteArray, holdings);
        QFETCH(int, holdingCount);
        QFETCH(QStringList, figures);
        TempProgramFolder folder;
        folder.writeSettings();
        QByteArray inPlay = holdings;
        if (holdingCount >= 0)
            inPlay = QByteArray("A\r\n0\r\n").repeated(holdingCount);
        folder.write(u"player.qvn"_s, "10000\r\n" + inPlay);
        TestSession ts(folder.path());
        QVERIFY(!ts.session->start());
        QFile::remove(folder.file(u"player.qvn"_s));
        if (holdings != "-")
            folder.write(u"player.qvn"_s, "10000\r\n" + holdings);
        HoldingsStatistics stats;
        const FileStatus error = ts.session->portfolio().statistics(stats);
        QCOMPARE(bool(error), figures.isEmpty());
        if (error) {
            QVERIFY(error->text().contains(u"player.qvn"_s));
            return;
        }
        QStringList got;
        for (const Holding &h : stats.held)
            got << statisticsLine(h);
        QCOMPARE(got << QString::number(stats.totalShares) << QString::number(stats.companies()), figures);
    }

    // The panel draws the figures it is given and reports an unreadable game instead of showing.
    void statisticsPanel()
    {
        TradingGame game("10000", 15, "80");
        QWidget client;
        client.resize(669, 430);
        FrmStats panel(&client);
        QVERIFY(panel.isHidden());
        QVERIFY(panel.showFor(game.session().portfolio()));
        QCOMPARE(panel.geometry(), QRect(0, 0, 669, 430));
        QCOMPARE(statistics(panel),
                 (QStringList{u"IBM=15"_s, u"MSFT=3"_s, u"IBM - 15"_s, u"MSFT - 3"_s, u"18"_s, u"2"_s}));
        QTest::mouseClick(child<QPushButton>(panel, "cmdCloseStats"), Qt::LeftButton);
        QVERIFY(panel.isHidden());

        // Drawn afresh from the door each time it is shown.
        game.ts->quote(u"MSFT"_s, "80");
        QVERIFY(!game.desk().trade(TradeKind::Sell, u"3"_s, u"240"_s).refusal);
        QVERIFY(panel.showFor(game.session().portfolio()));
        QCOMPARE(statistics(panel), (QStringList{u"IBM=15"_s, u"IBM - 15"_s, u"15"_s, u"1"_s}));

        panel.hide();
        QVERIFY(QFile::remove(game.folder.file(u"player.qvn"_s)));
        MessageRecorder messages;
        QVERIFY(!panel.showFor(game.session().portfolio()));
        QVERIFY(panel.isHidden());
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(messages.shown.at(0).text.contains(u"player.qvn"_s));
        QCOMPARE(messages.shown.at(0).title, u"Quorvane"_s);
    }
};

QTEST_MAIN(TestTrading)
#include "test_trading.moc"
