// Trades, their refusals and the saved game's bytes through the session's TradeDesk; the buy and
// sell dialogs only for their wiring, on a fake desk. Then selection, logos, favourites and the
// statistics figures (the panel that draws them: test_frmevaluate).
#include "common/casetable.h"
#include "common/failingreplacer.h"
#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "common/rows.h"
#include "common/testsession.h"
#include "model/numbertext.h"
#include "model/stockcatalogue.h"
#include "trading/favorites.h"
#include "trading/frmbuy.h"
#include "trading/frmsell.h"
#include "trading/holdingsstatistics.h"
#include "trading/stockselection.h"

#include <QLabel>
#include <QLineEdit>
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
    const char *tag;
    bool buy;
    const char *cash, *trade;
    int held;
    qint64 largest, scrollMaximum, largeStep;
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
        ts->session->selectStock(u"IBM"_s);
        if (!trade.isEmpty())
            ts->answerPrice(u"IBM"_s, trade);
    }
    TradeDesk &desk() { return ts->session->tradeDesk(); }
    const GameState &state() const { return ts->session->game(); }
    const QuotePanel &panel() const { return ts->session->panel(); }
    // The saved game as a trade rewrites it.
    QByteArray savedIs(const QByteArray &cash, int held) const
    {
        return cash + "\r\nAAPL\r\n 0 \r\nIBM\r\n " + QByteArray::number(held) + " \r\nMSFT\r\n 3 \r\n";
    }
};

// A desk that writes down what the dialog asks and answers as told.
struct FakeDesk : TradeDesk
{
    std::optional<TradeMessage> tradeRefusal(TradeKind) const override { return {}; }
    TradeOpening beginTrade(TradeKind kind) override
    {
        calls << (kind == TradeKind::Buy ? u"begin B"_s : u"begin S"_s);
        return opening;
    }
    void endTrade() override { calls << u"end"_s; }
    TradeAmounts tradeAmounts(TradeKind, const QString &q) const override { return {u"p"_s + q, u"c"_s + q}; }
    TradeOutcome trade(TradeKind kind, const QString &q, const QString &pay) override
    {
        calls << u"trade %1 %2 %3"_s.arg(kind == TradeKind::Buy ? u"B"_s : u"S"_s, q, pay);
        return outcome;
    }
    TradeOpening opening{u"alert"_s, u"x9"_s, 40000, 32767, 7};
    TradeOutcome outcome;
    QStringList calls;
};

GameState gameWith(const QList<Holding> &holdings)
{
    GameState state;
    state.gameName = u"player"_s;
    state.holdings = holdings;
    return state;
}

template <typename T = QLineEdit> T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("no child %s", name);
    return c;
}
} // namespace

class TestTrading : public QObject
{
    Q_OBJECT

private slots:
    void largestAffordableQuantity()
    {
        const struct
        {
            const char *cash;
            double price;
            qint64 room, largest;
        } cases[] = {{"-5", 1.0, kAll, 0},
                     {"1", 0.3, kAll, 3},          // a price under 0.5
                     {"1", 0.00001, kAll, 100005}, // 1.00005 rounds to 1.0000, ties to even
                     {"100000", 0.00001, kAll, kAll},
                     {"922337203685477.5807", 1000000.0, kAll, 922337203},
                     {"1000", 1.0, 0, 0}};
        for (const auto &c : cases)
            QCOMPARE(
                ::largestAffordableQuantity(*moneyFromText(QLatin1String(c.cash), u'.'), c.price, c.room),
                c.largest);
    }

    // What BUY and SELL say instead of opening their dialog; only the lack of money has its own
    // title and icon.
    void refusals()
    {
        const QString noPrice =
            u"There is no price to trade at: the last trade reads \"%1\". Please synchronize again."_s;
        const QString poor = u"You don't have enough money to buy at least one share."_s;
        const struct
        {
            bool buy;
            const char *trade, *cash;
            QString message;
        } cases[] = {
            {true, "", "10000", u"You must synchronize before buying !"_s},
            {true, "N/A", "10000", noPrice.arg(u"N/A"_s)},
            {true, "0", "10000", noPrice.arg(u"0"_s)},
            {true, "10.45", "10.4", {}}, // a whole-number test: passes, and the dialog offers 0
            {true, "11", "10.4", poor},
            {true, "0.3", "0.4", {}}, // under 0.5 the price is not rounded
            {true, "0.3", "0.2", poor},
            {false, "", "0", u"You must synchronize before selling !"_s},
            {false, "N/A", "0", noPrice.arg(u"N/A"_s)},
            {false, "80", "0", {}},
        };
        for (const auto &c : cases) {
            TradingGame game(c.cash, 5, c.trade);
            const auto refusal = game.desk().tradeRefusal(c.buy ? TradeKind::Buy : TradeKind::Sell);
            QCOMPARE(refusal ? refusal->text : QString(), c.message);
            const bool isPoor = c.message == poor;
            QVERIFY(!refusal || refusal->title == (isPoor ? u"Unable to buy"_s : QString()));
            QVERIFY(!refusal ||
                    refusal->icon == (isPoor ? TradeMessage::Icon::Information : TradeMessage::Icon::None));
        }
    }

    // Every case through the session's desk; the saved game is read back byte for byte.
    void trades_data()
    {
        // clang-format off
        caseRows<TradeCase>({
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
        });
        // clang-format on
    }
    void trades()
    {
        QFETCH(TradeCase, c);
        const TradeKind kind = c.buy ? TradeKind::Buy : TradeKind::Sell;
        const QChar decimal = QLatin1Char(c.separator);
        TradingGame game(c.cash, c.held, c.trade, decimal);
        const TradeOpening o = game.desk().beginTrade(kind);
        QCOMPARE((QList<qint64>{o.largestQuantity, o.scrollMaximum, o.largeStep}),
                 (QList<qint64>{c.largest, c.scrollMaximum, c.largeStep}));
        const auto filesBefore = game.folder.snapshot();
        const GameState before = game.state();
        const QString valueBefore = game.panel().lblValue;
        QSignalSpy cashChanged(game.ts->session, &GameSession::cashChanged);
        const QString quantity = QString::fromLatin1(c.quantity);
        const TradeAmounts a = game.desk().tradeAmounts(kind, quantity);
        QCOMPARE(a.txtPay + u'|' + a.txtCash,
                 QString::fromLatin1(c.pay) + u'|' + QString::fromLatin1(c.after));
        const TradeOutcome outcome = game.desk().trade(kind, quantity, a.txtPay);
        QCOMPARE(outcome.refusal ? outcome.refusal->text : QString(), QString::fromLatin1(c.message));
        QCOMPARE(cashChanged.count(), outcome.refusal ? 0 : 1);
        if (outcome.refusal) {
            QVERIFY(outcome.refusal->title.isEmpty()); // the program's name
            QCOMPARE(game.folder.snapshot(), filesBefore);
            QVERIFY(game.state().cash == before.cash && game.state().holdings == before.holdings);
            QCOMPARE(game.panel().lblOwned + u'|' + game.panel().lblValue,
                     QString::number(c.held) + u'|' + valueBefore);
            return;
        }
        QCOMPARE(outcome.cashText, a.txtCash);
        QCOMPARE(game.folder.read(u"player.qvn"_s), game.savedIs(c.after, c.newHeld));
        QCOMPARE(QDir(game.folder.path()).entryList(QDir::Files),
                 (QStringList{u"options.cfg"_s, u"player.qvh"_s, u"player.qvn"_s, u"quote.cfg"_s}));
        QCOMPARE(moneyToText(game.state().cash, decimal), a.txtCash);
        QCOMPARE(game.state().holdings.at(1).quantity, c.newHeld);
        QCOMPARE(game.panel().lblOwned + u'|' + game.panel().lblValue,
                 QString::number(c.newHeld) + u'|' + QString::fromLatin1(c.value));
    }

    // The opening's texts, the count of open dialogs, the cash of now rather than of the shown
    // amount, and a saved game that cannot be rewritten.
    void sessionAroundTheTrade()
    {
        TradingGame game("10400", 10, "80");
        const TradeOpening sell = game.desk().beginTrade(TradeKind::Sell);
        QCOMPARE(sell.lblAlert + sell.lblPrice,
                 u"You're about to sell IBM stocks at 80$ (USD) per unit.x80"_s);
        QCOMPARE(game.desk().beginTrade(TradeKind::Buy).lblAlert.left(20), u"You're about to buy "_s);
        QVERIFY(game.state().isTrading() && game.state().openTradeDialogs == 2);
        for (int i = 0; i < 3; ++i)
            game.desk().endTrade();
        QCOMPARE(game.state().openTradeDialogs, 0);
        // The other dialog changed the cash after the amount was shown: the trade counts the cash of now.
        const TradeAmounts stale =
            tradeAmounts(TradeKind::Buy, u"10"_s, u"80"_s, *moneyFromText(u"10000"_s, u'.'), u'.');
        QCOMPARE(game.desk().trade(TradeKind::Buy, u"10"_s, stale.txtPay).cashText, u"9600"_s);
        QCOMPARE(game.folder.read(u"player.qvn"_s), game.savedIs("9600", 20));

        game.disk.failWriteFrom = 0;
        const auto filesBefore = game.folder.snapshot();
        const TradeOutcome failed = game.desk().trade(TradeKind::Sell, u"1"_s, u"80"_s);
        QVERIFY(failed.refusal && failed.refusal->text.contains(u"player.qvn"_s));
        QVERIFY(failed.refusal->icon == TradeMessage::Icon::Warning);
        QCOMPARE(game.folder.snapshot(), filesBefore);
        QCOMPARE(moneyToText(game.state().cash, u'.') + u'|' + game.panel().lblOwned, u"9600|20"_s);
    }

    // The dialogs' wiring: the opening's figures, the quantity by scroll bar or keys, the amounts
    // from the desk, BUY/SELL or Enter confirming; a refusal is shown and keeps the dialog open.
    void dialogs_data()
    {
        QTest::addColumn<bool>("buy");
        QTest::addColumn<QString>("how"); // "slider" or "typed" (then the button), "enter" (typed)
        QTest::addColumn<QString>("result");
        row("buy by scroll bar", true, u"slider"_s, u"made"_s);
        row("buy on Enter, with a notice", true, u"enter"_s, u"notice"_s);
        row("buy typed, refused", true, u"typed"_s, u"refused"_s);
        row("sell by scroll bar, refused", false, u"slider"_s, u"refused"_s);
        row("sell on Enter", false, u"enter"_s, u"made"_s);
    }
    void dialogs()
    {
        QFETCH(bool, buy);
        QFETCH(QString, how);
        QFETCH(QString, result);
        FakeDesk desk;
        if (result != u"made"_s)
            (result == u"notice"_s ? desk.outcome.notice : desk.outcome.refusal) =
                TradeMessage{result, result == u"notice"_s ? u"T"_s : QString(), TradeMessage::Icon::Warning};
        desk.outcome.cashText = u"left"_s;
        MessageRecorder messages;
        const std::unique_ptr<TradeDialog> dialog(buy ? static_cast<TradeDialog *>(new frmBuy(desk))
                                                      : new frmSell(desk));
        dialog->openTrade();
        QCOMPARE(dialog->windowTitle(), buy ? u"Buy"_s : u"Sell"_s);
        auto *slider = child<QScrollBar>(*dialog, buy ? "SliderBuy" : "SliderSell");
        QCOMPARE((QList<int>{slider->maximum(), slider->pageStep(), slider->value()}),
                 (QList<int>{32767, 7, 0}));
        QCOMPARE(child<QLabel>(*dialog, "lblAlert")->text() + child<QLabel>(*dialog, "lblPrice")->text(),
                 u"alertx9"_s);
        QVERIFY(child(*dialog, "txtQty")->text().isEmpty() && child(*dialog, "txtPay")->text().isEmpty());
        // The amount is paid as it stands: the player must not be able to type it.
        QVERIFY(child(*dialog, "txtPay")->isReadOnly() && child(*dialog, "txtCash")->isReadOnly());

        if (how == u"slider"_s) {
            QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
            QTest::keyClick(dialog.get(), Qt::Key_Backtab);
            QVERIFY(slider->hasFocus());
            slider->setValue(35);
        } else
            QTest::keyClicks(child(*dialog, "txtQty"), u"35"_s);
        QCOMPARE(child(*dialog, "txtQty")->text() + child(*dialog, "txtPay")->text() +
                     child(*dialog, "txtCash")->text(),
                 u"35p35c35"_s);
        if (how == u"enter"_s)
            QTest::keyClick(child(*dialog, "txtQty"), Qt::Key_Return);
        else
            QTest::mouseClick(child<QPushButton>(*dialog, buy ? "cmdBuy" : "cmdSell"), Qt::LeftButton);
        const QString k = buy ? u"B"_s : u"S"_s;
        QCOMPARE(desk.calls.join(u','),
                 u"begin %1,trade %1 35 p35"_s.arg(k) + (result == u"refused"_s ? u""_s : u",end"_s));
        QCOMPARE(child(*dialog, "txtCash")->text(), u"left"_s);
        QCOMPARE(dialog->isVisible(), result == u"refused"_s);
        QCOMPARE(messages.shown.size(), result == u"made"_s ? 0 : 1);
        if (result == u"made"_s)
            return;
        const MessageRequest &shown = messages.shown.at(0);
        QCOMPARE(shown.text + u'|' + shown.title,
                 result + (result == u"notice"_s ? u"|T"_s : u"|Quorvane"_s));
        QCOMPARE(shown.icon, QMessageBox::Warning);
        QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    // Whatever closes a dialog, it ends its trade exactly once; opening it again while open only
    // raises it.
    void dialogOpensAndClosesOnce()
    {
        FakeDesk desk;
        frmSell dialog(desk);
        dialog.openTrade();
        QTest::keyClicks(child(dialog, "txtQty"), u"1"_s);
        desk.opening.lblPrice = u"x10"_s;
        dialog.openTrade();
        QCOMPARE(child(dialog, "txtQty")->text() + child<QLabel>(dialog, "lblPrice")->text(), u"1x9"_s);
        QTest::mouseClick(child<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        dialog.close();
        // The next opening starts empty, at the price of the moment.
        dialog.openTrade();
        QVERIFY(child(dialog, "txtQty")->text().isEmpty() && child(dialog, "txtPay")->text().isEmpty());
        QCOMPARE(child<QLabel>(dialog, "lblPrice")->text(), u"x10"_s);
        dialog.close();
        dialog.openTrade();
        dialog.hide(); // hidden without closing: counted once when opened again
        dialog.openTrade();
        QCOMPARE(desk.calls.join(u','), u"begin S,end,begin S,end,begin S,end,begin S"_s);
    }

    void selectionFillsThePanel()
    {
        const QList<Holding> three = {{u"AAPL"_s, 0}, {u"IBM"_s, 15}, {u"MSFT"_s, 3}};
        QuotePanel panel;
        panel.lblTrade = panel.lblTime = panel.lblVolume = panel.lblValue = panel.lblVariation = u"stale"_s;
        panel.picUpVisible = panel.picDownVisible = true;
        selectStock(panel, gameWith(three), u"IBM"_s);
        QCOMPARE(panel.lblQuote + panel.lblFullName + panel.lblOwned,
                 u"IBM"_s + CompanyNameOf(u"IBM"_s) + u"15"_s);
        QCOMPARE(panel.lblTrade + panel.lblTime + panel.lblVolume + panel.lblValue + panel.lblVariation,
                 QString());
        QVERIFY(!panel.picUpVisible && !panel.picDownVisible);
        selectStock(panel, gameWith(three), u"NOPE"_s);
        QCOMPARE(panel.lblFullName, u"N/A"_s);
        // "Owned :" is the first matching holding, "0" for a stock not held, empty without holdings.
        QCOMPARE(ownedText(gameWith(three), u"AAPL"_s) + ownedText(gameWith(three), u"NOPE"_s), u"00"_s);
        QCOMPARE(ownedText(gameWith({}), u"IBM"_s), QString());
        QCOMPARE(ownedText(gameWith({{u"IBM"_s, 7}, {u"IBM"_s, 9}}), u"IBM"_s), u"7"_s);
        GameState trading;
        QVERIFY(!browseRefusal(trading));
        trading.openTradeDialogs = 2;
        QCOMPARE(browseRefusal(trading).value_or(QString()),
                 u"You can't browse stocks when trading [buy/sell]\nPlease finish your operation first."_s);
    }

    void logoFallsBackToNull()
    {
        TempProgramFolder folder;
        for (const char *file : {"data/IBM.gif", "data/null.gif", "secret.gif", "data/DIR.gif/inside"})
            folder.write(QLatin1String(file), "GIF87a");
        QCOMPARE(logoPath(folder.path(), u"IBM"_s), folder.file(u"data/IBM.gif"_s));
        // No logo, climbing out of data, empty, a folder named like a ticker.
        for (const char *ticker : {"DELL", "../secret", "..\\secret", "", "DIR"})
            QCOMPARE(logoPath(folder.path(), QLatin1String(ticker)), folder.path() + u"/data/null.gif"_s);
    }

    // Add and remove sequences ("+T" adds T, "-T" removes it; null file: none): the file afterwards,
    // and the right-click menu it then gives for IBM. Case, copies and a missing file on adding:
    // test_gamefiles.
    void favorites_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray none;
        row("add then remove keeps the order", kHeader + "IBM\r\nDELL\r\n", u"+AAPL -IBM"_s,
            kHeader + "DELL\r\nAAPL\r\n");
        row("remove then add back", kHeader + "IBM\r\n", u"-IBM +IBM"_s, kHeader + "IBM\r\n");
        row("remove from a missing file", none, u"-IBM"_s, kHeader);
        row("line ends mended", kHeader + "DELL", u"+IBM"_s, kHeader + "DELL\r\nIBM\r\n");
        row("nothing selected writes nothing", kHeader, u"+ -"_s, kHeader);
        row("last line without line end", kHeader + "IBM", QString(), kHeader + "IBM");
        row("missing file lists nothing", none, QString(), none);
        row("empty file lists nothing", QByteArray(""), QString(), QByteArray(""));
    }
    void favorites()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, steps);
        QFETCH(QByteArray, expected);
        TempProgramFolder folder;
        if (!file.isNull())
            folder.write(u"player.fav"_s, file);
        const GameState game = gameWith({});
        QuotePanel panel;
        for (const QString &step : steps.split(u' ', Qt::SkipEmptyParts)) {
            panel.lblQuote = step.mid(1);
            const FileStatus error = step.startsWith(u'+')
                                         ? addSelectedToFavorites(folder.path(), game, panel)
                                         : removeSelectedFromFavorites(folder.path(), game, panel);
            QVERIFY2(!error, qPrintable(error ? error->text() : QString()));
        }
        // Nothing else is written, no temporary file stays behind.
        const QStringList files = QDir(folder.path()).entryList(QDir::Files);
        QCOMPARE(files, expected.isNull() ? QStringList() : QStringList{u"player.fav"_s});
        QCOMPARE(folder.read(u"player.fav"_s), expected);
        FileStatus problem;
        panel.lblQuote = u"IBM"_s;
        const auto menu = favoriteMenuState(folder.path(), game, panel, Qt::RightButton, &problem);
        QVERIFY(menu && !problem);
        const QList<QByteArray> lines = expected.split('\n');
        const bool listed = lines.contains("IBM\r") || lines.contains("IBM");
        QVERIFY(menu->removeEnabled == listed && menu->addEnabled == !listed);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), files);

        // Only a right click opens the menu, and only on a readable list.
        QVERIFY(!favoriteMenuState(folder.path(), game, panel, Qt::LeftButton));
        QFile::remove(folder.file(u"player.fav"_s));
        QDir().mkpath(folder.file(u"player.fav"_s));
        QVERIFY(!favoriteMenuState(folder.path(), game, panel, Qt::RightButton, &problem));
        QVERIFY(problem && problem->text().contains(u"player.fav"_s));
    }

    // The figures of the saved game on disk: only as many pairs as the game in play holds.
    void statisticsFigures()
    {
        const struct
        {
            const char *disk; // null: no saved game
            int inPlay;       // holdings of the game in play; -1: as many as on disk
            const char *figures;
        } cases[] = {
            {"MSFT\r\n 3 \r\nDELL\r\n -2 \r\nAAPL\r\n 0 \r\nIBM\r\n 15 \r\n", -1, "MSFT - 3|IBM - 15|18|2"},
            {"IBM\r\n0\r\n", -1, "0|0"},
            {"IBM\r\n15\r\nMSFT\r\n3\r\n", 1, "IBM - 15|15|1"},
            {"IBM\r\n2147483647\r\nMSFT\r\n2147483647\r\n", -1,
             "IBM - 2147483647|MSFT - 2147483647|4294967294|2"},
            {nullptr, 2, ""},
        };
        for (const auto &c : cases) {
            TempProgramFolder folder;
            if (c.disk)
                folder.write(u"player.qvn"_s, "10000\r\n" + QByteArray(c.disk));
            const qsizetype held = c.inPlay >= 0 ? c.inPlay : QByteArray(c.disk).count('\n') / 2;
            HoldingsStatistics stats;
            const FileStatus error =
                readHoldingsStatistics(folder.path(), gameWith(QList<Holding>(held)), stats);
            QCOMPARE(bool(error), !c.disk);
            QVERIFY(!error || error->text().contains(u"player.qvn"_s));
            QStringList got;
            for (const Holding &h : stats.held)
                got << statisticsLine(h);
            if (!error)
                got << QString::number(stats.totalShares) << QString::number(stats.companies());
            QCOMPARE(got.join(u'|'), QLatin1String(c.figures));
        }
    }
};

QTEST_MAIN(TestTrading)
#include "test_trading.moc"
