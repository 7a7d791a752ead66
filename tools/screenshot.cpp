// Renders the real main window offscreen into a PNG, for the README and the manual.
// With a ticker, that stock is selected first and its quote and chart awaited. With
// --dialog filter, about or options, that dialog is opened and drawn instead of the window.
// --points N draws at a desktop font of N points, --dark with a dark palette.
// With --dialog evaluate, a scratch game makes a few trades at the market's prices and the
// evaluation window is drawn; the scratch game's files are removed afterwards. With --dialog
// orders, a scratch game buys IBM, places a stop-loss on it, places and cancels a limit sell,
// places two limit buys of MSFT, one of them above the market so that it fills, and the orders
// window is drawn. --dialog order draws the Place Order
// dialog for the selected stock.
#include "app/program.h"
#include "game/frmmain.h"
#include "game/gamesession.h"
#include "model/gamefiles.h"
#include "model/orders.h"
#include "model/tradejournal.h"
#include "platform/webpane.h"
#include "trading/frmevaluate.h"
#include "trading/frmstats.h"
#include "trading/orderdesk.h"
#include "trading/portfoliovaluation.h"

#include <QApplication>
#include <QHoverEvent>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {

const QString kScratchGame = QStringLiteral("Screenshot game");

// Selects `ticker` in the list and waits for its quote.
bool select(FrmMain &window, const QString &ticker)
{
    GameSession &session = window.session();
    auto *list = window.findChild<QListWidget *>(QStringLiteral("LstStocks"));
    const auto rows = list->findItems(ticker, Qt::MatchExactly);
    if (rows.isEmpty())
        return false;
    list->setCurrentItem(rows.first());
    return QTest::qWaitFor(
        [&] { return session.panel().lblQuote == ticker && !session.panel().lblTrade.isEmpty(); }, 5000);
}

bool trade(FrmMain &window, TradeKind kind, const QString &ticker, const QString &quantity)
{
    GameSession &session = window.session();
    if (!select(window, ticker))
        return false;
    session.tradeDesk().beginTrade(kind);
    const TradeOutcome outcome =
        session.tradeDesk().trade(kind, quantity, session.tradeDesk().tradeAmounts(kind, quantity).txtPay);
    session.tradeDesk().endTrade();
    return !outcome.refusal && !outcome.notice;
}

void removeScratchGame(const GameFolder &folder)
{
    for (const QString &path :
         {savedGamePath(folder.path, kScratchGame), favoritesPath(folder.path, kScratchGame),
          journalPath(folder.path, kScratchGame), ordersPath(folder.path, kScratchGame)})
        QFile::remove(path);
}

QWidget *evaluationAfterTrades(FrmMain &window)
{
    GameSession &session = window.session();
    const GameFolder &folder = session.folder();
    const bool made = !session.savedGames().createGame(kScratchGame, GameLevel::Easy) &&
                      !session.savedGames().loadGame(kScratchGame + QStringLiteral(".qvn")) &&
                      trade(window, TradeKind::Buy, QStringLiteral("IBM"), QStringLiteral("120")) &&
                      trade(window, TradeKind::Buy, QStringLiteral("MSFT"), QStringLiteral("300")) &&
                      trade(window, TradeKind::Buy, QStringLiteral("AAPL"), QStringLiteral("150")) &&
                      trade(window, TradeKind::Sell, QStringLiteral("IBM"), QStringLiteral("40"));
    QWidget *shown = nullptr;
    if (made) {
        window.mnuStats_Click();
        auto *stats = window.findChild<FrmStats *>(QStringLiteral("frmStats"));
        stats->Command2_Click();
        FrmEvaluate *evaluation = stats->evaluationWindow();
        if (!QTest::qWaitFor([&] { return evaluation->valuation().pendingRequests() == 0; }, 10000))
            std::fprintf(stderr, "the evaluation's requests did not all come back within 10 s\n");
        shown = evaluation;
    } else {
        std::fprintf(stderr, "the scratch game's trades did not go through\n");
    }
    removeScratchGame(folder);
    return shown;
}

// An order at `percent` of the selected stock's last trade; its id, 0 when refused.
int place(GameSession &session, OrderKind kind, const QString &quantity, int percent,
          std::optional<QDate> goodUntil = std::nullopt)
{
    const std::optional<double> last = priceFromText(session.panel().lblTrade, session.portfolio().decimal());
    if (!last)
        return 0;
    OrderDraft draft{session.panel().lblQuote, kind, quantity, QString::number(*last * percent / 100, 'f', 2),
                     goodUntil};
    if (session.orderDesk().placeOrder(draft))
        return 0;
    return session.orderDesk().orders().last().id;
}

QWidget *ordersAfterPlacing(FrmMain &window)
{
    GameSession &session = window.session();
    const GameFolder &folder = session.folder();
    bool made = !session.savedGames().createGame(kScratchGame, GameLevel::Easy) &&
                !session.savedGames().loadGame(kScratchGame + QStringLiteral(".qvn")) &&
                trade(window, TradeKind::Buy, QStringLiteral("IBM"), QStringLiteral("100"));
    int takeProfit = 0;
    if (made) {
        made = place(session, OrderKind::StopLossSell, QStringLiteral("100"), 90,
                     QDate::currentDate().addDays(30)) != 0;
        takeProfit = place(session, OrderKind::LimitSell, QStringLiteral("50"), 125);
        made = made && takeProfit != 0 && !session.orderDesk().cancelOrder(takeProfit) &&
               trade(window, TradeKind::Buy, QStringLiteral("MSFT"), QStringLiteral("10")) &&
               place(session, OrderKind::LimitBuy, QStringLiteral("50"), 95) != 0 &&
               place(session, OrderKind::LimitBuy, QStringLiteral("20"), 105) != 0;
    }
    // The last one is above the market's price: it fills at the next price tick (5 s), once the
    // market is asked again, which selecting the stock does.
    const auto filled = [&session] {
        const QList<Order> orders = session.orderDesk().orders();
        return std::any_of(orders.cbegin(), orders.cend(),
                           [](const Order &o) { return o.state == OrderState::Filled; });
    };
    for (int tries = 0; made && tries < 4 && !QTest::qWaitFor(filled, 3000); ++tries)
        made = select(window, QStringLiteral("IBM")) && select(window, QStringLiteral("MSFT"));
    if (made && !filled())
        std::fprintf(stderr, "no order filled within 12 s; taking the picture anyway\n");
    QWidget *shown = nullptr;
    if (made) {
        window.mnuOrders_Click();
        shown = window.findChild<QWidget *>(QStringLiteral("frmOrders"));
    } else {
        std::fprintf(stderr, "the scratch game's trades or orders did not go through\n");
    }
    removeScratchGame(folder);
    return shown;
}

// Dark window and base colours with light text, and greyed text a step darker.
QPalette darkPalette()
{
    QPalette p(QColor(53, 53, 53));
    p.setColor(QPalette::Base, QColor(35, 35, 35));
    p.setColor(QPalette::AlternateBase, QColor(45, 45, 45));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(role, QColor(230, 230, 230));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(120, 120, 120));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    return p;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString dialog;
    if (const qsizetype at = args.indexOf(QStringLiteral("--dialog")); at >= 0 && at + 1 < args.size()) {
        dialog = args.takeAt(at + 1);
        args.removeAt(at);
    }
    // A desktop's font size and a dark palette, as a player's desktop may set them.
    if (const qsizetype at = args.indexOf(QStringLiteral("--points")); at >= 0 && at + 1 < args.size()) {
        QFont font = QApplication::font();
        font.setPointSizeF(args.takeAt(at + 1).toDouble());
        args.removeAt(at);
        QApplication::setFont(font);
    }
    if (args.removeAll(QStringLiteral("--dark")) > 0)
        QApplication::setPalette(darkPalette());
    if (args.isEmpty() ||
        (!dialog.isEmpty() && dialog != QStringLiteral("filter") && dialog != QStringLiteral("about") &&
         dialog != QStringLiteral("options") && dialog != QStringLiteral("evaluate") &&
         dialog != QStringLiteral("orders") && dialog != QStringLiteral("order"))) {
        std::fprintf(stderr,
                     "usage: quorvane-screenshot OUTPUT.png [TICKER]"
                     " [--dialog filter|about|options|evaluate|orders|order] [--points N] [--dark]\n");
        return 2;
    }
    Program program(QCoreApplication::applicationDirPath());
    FrmMain &window = program.window();
    window.show();
    auto *pane = window.findChild<WebPane *>(QStringLiteral("WebBrowser"));
    QSignalSpy loaded(pane, &WebPane::loaded);
    if (!pane->currentUrl().isLocalFile())
        loaded.wait(3000);

    if (args.size() > 1) {
        auto *list = window.findChild<QListWidget *>(QStringLiteral("LstStocks"));
        const auto rows = list->findItems(args[1], Qt::MatchExactly);
        if (rows.isEmpty()) {
            std::fprintf(stderr, "no row %s in the stock list\n", qPrintable(args[1]));
            return 1;
        }
        loaded.clear();
        list->setCurrentItem(rows.first());
        list->scrollToItem(rows.first());
        auto *trade = window.findChild<QLabel *>(QStringLiteral("lblTrade"));
        if (!QTest::qWaitFor([&] { return !trade->text().isEmpty() && loaded.count() > 0; }, 5000))
            std::fprintf(stderr, "no quote or chart within 5 s; taking the picture anyway\n");
    }
    QWidget *shown = &window;
    if (dialog == QStringLiteral("filter")) {
        window.cmdFilter_Click();
        shown = window.findChild<QWidget *>(QStringLiteral("frmFilter"));
        // The description of a sector, as the pointer over it shows.
        if (auto *energy = shown->findChild<QWidget *>(QStringLiteral("Check6"))) {
            QHoverEvent over(QEvent::HoverEnter, QPointF(4, 4), QPointF(4, 4), QPointF(-1, -1));
            QCoreApplication::sendEvent(energy, &over);
        }
    } else if (dialog == QStringLiteral("options")) {
        window.MnuProxy_Click();
        shown = window.findChild<QWidget *>(QStringLiteral("frmOptions"));
    } else if (dialog == QStringLiteral("evaluate")) {
        shown = evaluationAfterTrades(window);
        if (!shown)
            return 1;
    } else if (dialog == QStringLiteral("orders")) {
        shown = ordersAfterPlacing(window);
        if (!shown)
            return 1;
    } else if (dialog == QStringLiteral("order")) {
        window.mnuPlaceOrder_Click();
        shown = window.findChild<QWidget *>(QStringLiteral("frmOrder"));
        if (!shown || !shown->isVisible()) {
            std::fprintf(stderr, "the Place Order dialog did not open: select a stock of a loaded game\n");
            return 1;
        }
    } else if (dialog == QStringLiteral("about")) {
        window.mnuAbout_Click();
        shown = window.findChild<QWidget *>(QStringLiteral("frmAbout"));
    }
    QCoreApplication::processEvents();
    if (!shown->grab().save(args[0])) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args[0]));
        return 1;
    }
    return 0;
}
