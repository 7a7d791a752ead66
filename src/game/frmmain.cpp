#include "frmmain.h"

#include "extras/frmabout.h"
#include "extras/frmfilter.h"
#include "extras/frmoptions.h"
#include "extras/helpviewer.h"
#include "extras/music.h"
#include "extras/tipspanel.h"
#include "game/frmload.h"
#include "game/frmnewplayer.h"
#include "game/gamesession.h"
#include "game/mainwindowparts.h"
#include "platform/desktop.h"
#include "platform/layoutscale.h"
#include "platform/messages.h"
#include "platform/webpane.h"
#include "sync/marketconnection.h"
#include "trading/frmbuy.h"
#include "trading/frmorder.h"
#include "trading/frmorders.h"
#include "trading/frmsell.h"
#include "trading/frmstats.h"
#include "trading/stockstory.h"
#include "trading/trade.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <utility>

FrmMain::FrmMain(std::unique_ptr<GameSession> session, MainWindowExtras extras, QWidget *parent)
    : QMainWindow(parent), m_session(session.release()), m_music(extras.music)
{
    m_session->setParent(this);
    // The saved game and favourites are read while the widgets are built; Form_Load takes them.
    m_session->readStartupFilesAhead();
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(Messages::programTitle());
    buildMenus();
    buildClientArea(m_session->folder().path, std::move(extras.tipRandom));
    // The border cannot resize the window; minimise and restore keep this size.
    setFixedSize(centralWidget()->width(), centralWidget()->height() + menuBar()->sizeHint().height());
    connectSession();
    Form_Load();
}

FrmMain::~FrmMain() = default;

void FrmMain::connectSession()
{
    MarketConnection &market = m_session->market();
    connect(m_session, &GameSession::panelChanged, this, &FrmMain::renderQuotePanel);
    connect(m_session, &GameSession::cashChanged, this, &FrmMain::showCash);
    connect(m_session, &GameSession::stockListChanged, this, &FrmMain::fillStockList);
    connect(m_session, &GameSession::ordersChanged, this, [this] {
        showHistoryBox();
        if (m_frmOrders)
            m_frmOrders->refresh();
    });
    connect(m_session, &GameSession::orderNews, this, [this](const QString &text) {
        m_orderNews = text;
        m_newsTicker = m_session->panel().lblQuote;
        showHistoryBox();
    });
    // The orders are asked about only after the first paint, so this opens over a shown window.
    connect(m_session, &GameSession::awayReport, this,
            [this](const QString &text) { Messages::inform(this, text); });
    connect(&market, &MarketConnection::chartChanged, this, &FrmMain::showChart);
    connect(&market, &MarketConnection::syncEnabledChanged, cmdSync, &QPushButton::setEnabled);
    connect(&market, &MarketConnection::proxyChanged, this,
            [this] { WebBrowser->setProxy(m_session->market().proxy()); });
    connect(&market, &MarketConnection::messageRequested, this,
            [this](const QString &text) { Messages::inform(this, text); });
}

void FrmMain::Form_Load()
{
    m_tips->ShowStartupTip();
    const std::optional<FileError> problem = m_session->start();
    // Chart images and the information page go through the player's proxy like the quotes.
    WebBrowser->setProxy(m_session->market().proxy());
    if (m_music)
        m_music->StartMusic(m_session->folder().path, m_session->settings());
    showCash();
    fillStockList();
    m_infoPageDue = m_session->showsInfoPageAtStart();
    renderQuotePanel();
    if (problem)
        Messages::inform(this, problem->text(), QMessageBox::Warning);
    emit loadFinished();
}

void FrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (std::exchange(m_firstPaintWatched, true) || !windowHandle())
        return;
    // Widgets paint while the first expose event is handled.
    windowHandle()->installEventFilter(this);
}

void FrmMain::afterFirstPaint()
{
    // What the orders did while the game was closed, once the quote host can answer.
    if (m_session->market().isWaitingForMarket())
        connect(&m_session->market(), &MarketConnection::servicesReady, m_session,
                &GameSession::askAboutOrders, Qt::SingleShotConnection);
    else
        m_session->askAboutOrders();
    if (!std::exchange(m_infoPageDue, false))
        return;
    if (m_session->market().isWaitingForMarket())
        connect(&m_session->market(), &MarketConnection::servicesReady, this, &FrmMain::showInfoPage,
                Qt::SingleShotConnection);
    else
        showInfoPage();
}

void FrmMain::showInfoPage()
{
    const QUrl page = m_session->market().infoPageUrl();
    WebBrowser->navigate(page);
    // Without the market service the player still gets the page shipped with the game.
    connect(
        WebBrowser, &WebPane::loaded, this,
        [this, page](bool ok) {
            if (!ok && WebBrowser->currentUrl() == page)
                WebBrowser->navigate(m_session->market().localInfoPageUrl());
        },
        Qt::SingleShotConnection);
}

void FrmMain::showCash()
{
    lblTicker->setText(m_session->cashText());
}

void FrmMain::fillStockList()
{
    // Sorted once here rather than row by row in the list (which compares through QVariant):
    // the same order, as the list compares plain texts, at a fraction of the cost.
    QStringList rows = m_session->stockList();
    std::sort(rows.begin(), rows.end());
    const QSignalBlocker quiet(LstStocks);
    LstStocks->clear();
    LstStocks->addItems(rows);
}

void FrmMain::renderQuotePanel()
{
    const QuotePanel &panel = m_session->panel();
    lblFullName->setText(panel.lblFullName);
    lblQuote->setText(panel.lblQuote);
    lblTrade->setText(panel.lblTrade);
    lblVariation->setText(panel.lblVariation);
    lblTime->setText(panel.lblTime);
    lblVolume->setText(panel.lblVolume);
    lblOwned->setText(panel.lblOwned);
    lblValue->setText(panel.lblValue);
    PicUp->setVisible(panel.picUpVisible);
    PicDown->setVisible(panel.picDownVisible);
    layOutTradeRow();
    showStockStory();
}

void FrmMain::showStockStory()
{
    const GameState &game = m_session->game();
    const QuotePanel &panel = m_session->panel();
    if (panel.lblQuote != m_newsTicker)
        m_orderNews.clear();
    // Read again only when what the box tells of can have changed: another game, stock, position
    // or price (a trade changes the position).
    const QString key = game.gameName.value_or(QString()) + u'\n' + panel.lblQuote + u'\n' + panel.lblOwned +
                        u'\n' + panel.lblTrade + u'\n' + m_session->cashText();
    if (key != m_storyShown) {
        m_storyShown = key;
        PortfolioSource &portfolio = m_session->portfolio();
        Journal journal;
        FileStatus problem;
        if (game.isLoaded() && !panel.lblQuote.isEmpty())
            problem = portfolio.tradeHistory(journal);
        m_storyText = problem ? problem->text()
                              : storyText(stockStory(journal, game, panel.lblQuote,
                                                     priceFromText(panel.lblTrade, portfolio.decimal())),
                                          game.isLoaded(), portfolio.decimal());
    }
    showHistoryBox();
}

void FrmMain::showHistoryBox()
{
    QList<HistoryBox::OpenOrder> open;
    const QString ticker = m_session->panel().lblQuote;
    if (!ticker.isEmpty())
        for (const Order &o : m_session->orderDesk().orders())
            if (o.isOpen() && o.ticker == ticker)
                open.append({o.id, openOrderText(o)});
    m_history->draw(m_orderNews, open, m_storyText);
}

void FrmMain::cancelOrder(int id)
{
    if (FileStatus error = m_session->orderDesk().cancelOrder(id))
        Messages::inform(this, error->text(), QMessageBox::Warning);
}

void FrmMain::layOutTradeRow()
{
    // The arrows follow the price and the change takes the rest of the row, so neither a long
    // price nor a long change is cut.
    const int gap = LayoutScale::scaled(2);
    const int priceWidth =
        std::max(LayoutScale::scaled(20), lblTrade->fontMetrics().horizontalAdvance(lblTrade->text()) + gap);
    lblTrade->resize(priceWidth, lblTrade->height());
    const int arrowX = lblTrade->x() + priceWidth + gap;
    PicUp->move(arrowX, PicUp->y());
    PicDown->move(arrowX, PicDown->y());
    const int changeX = arrowX + PicUp->width() + 2 * gap;
    lblVariation->setGeometry(changeX, lblVariation->y(),
                              lblVariation->parentWidget()->width() - gap - changeX, lblVariation->height());
}

void FrmMain::showChart()
{
    picLogo->setPixmap(QPixmap(m_session->logoPath()));
    WebBrowser->navigate(m_session->market().chartUrl());
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    // Every trade already rewrote the saved game: nothing to save, never refuse.
    m_session->shutDown();
    if (m_music)
        m_music->ShutDownMusic();
    event->accept();
}

namespace {
void bringToFront(QWidget *dialog)
{
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}
} // namespace

void FrmMain::mnuNewGame_Click()
{
    if (!m_frmNewPlayer)
        m_frmNewPlayer = new frmNewPlayer(m_session->savedGames(), this);
    bringToFront(m_frmNewPlayer);
}

void FrmMain::mnuLoadSaved_Click()
{
    if (!m_frmLoad)
        m_frmLoad = new frmLoad(m_session->savedGames(), this);
    bringToFront(m_frmLoad);
}

void FrmMain::cmdSync_Click()
{
    m_session->market().synchronize();
}

void FrmMain::LstStocks_Click()
{
    const QString ticker = LstStocks->currentItem() ? LstStocks->currentItem()->text() : QString();
    if (const std::optional<QString> refusal = m_session->selectStock(ticker))
        Messages::inform(this, *refusal);
}

bool FrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
        windowHandle()->removeEventFilter(this);
        QTimer::singleShot(0, this, &FrmMain::afterFirstPaint);
        return false;
    }
    if (watched == LstStocks->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            LstStocks_MouseDown(mouse->button(), mouse->globalPosition().toPoint());
            return true;
        }
    }
    // The menu key offers the same menu, beside the selected row.
    if (watched == LstStocks && event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard) {
        const QListWidgetItem *row = LstStocks->currentItem();
        const QPoint at = row ? LstStocks->visualItemRect(row).bottomLeft() : QPoint();
        LstStocks_MouseDown(Qt::RightButton, LstStocks->viewport()->mapToGlobal(at));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmMain::LstStocks_MouseDown(Qt::MouseButton button, const QPoint &globalPos)
{
    FileStatus problem;
    const auto state = m_session->favoriteMenu(button, &problem);
    if (problem) {
        Messages::inform(this, problem->text(), QMessageBox::Warning);
        return;
    }
    if (!state)
        return;
    mnuFavAdd->setEnabled(state->addEnabled);
    mnuFavDel->setEnabled(state->removeEnabled);
    mnuContextMenu->popup(globalPos);
}

void FrmMain::mnuFavAdd_Click()
{
    if (FileStatus error = m_session->addFavorite())
        Messages::inform(this, error->text(), QMessageBox::Warning);
}

void FrmMain::mnuFavDel_Click()
{
    if (FileStatus error = m_session->removeFavorite())
        Messages::inform(this, error->text(), QMessageBox::Warning);
}

template <class Dialog> void FrmMain::openTradeDialog(QPointer<Dialog> &dialog, TradeKind kind)
{
    if (const std::optional<TradeMessage> refusal = m_session->tradeDesk().tradeRefusal(kind)) {
        showTradeMessage(this, *refusal);
        return;
    }
    if (!dialog)
        dialog = new Dialog(m_session->tradeDesk(), this);
    dialog->openTrade();
}

void FrmMain::cmdBuy_Click()
{
    openTradeDialog(m_frmBuy, TradeKind::Buy);
}

void FrmMain::cmdSell_Click()
{
    openTradeDialog(m_frmSell, TradeKind::Sell);
}

void FrmMain::mnuPlaceOrder_Click()
{
    if (const std::optional<TradeMessage> refusal = m_session->orderDesk().orderRefusal()) {
        showTradeMessage(this, *refusal);
        return;
    }
    if (!m_frmOrder)
        m_frmOrder = new FrmOrder(m_session->orderDesk(), this);
    m_frmOrder->openOrder();
}

void FrmMain::mnuOrders_Click()
{
    if (!m_frmOrders) {
        m_frmOrders = new FrmOrders(m_session->orderDesk(), this);
        Desktop::placeBeside(m_frmOrders, this);
    }
    m_frmOrders->refresh();
    bringToFront(m_frmOrders);
}

void FrmMain::mnuStats_Click()
{
    frmStats->showFor(m_session->portfolio());
}

void FrmMain::mnuEnd_Click()
{
    close();
}

void FrmMain::cmdFilter_Click()
{
    if (!m_frmFilter)
        m_frmFilter = new frmFilter(m_session->stockFilter(), this);
    bringToFront(m_frmFilter);
}

void FrmMain::mnuAbout_Click()
{
    if (!m_frmAbout)
        m_frmAbout = new frmAbout(m_session->folder().path, this);
    bringToFront(m_frmAbout);
}

void FrmMain::mnuContent_Click()
{
    openManual(m_session->folder().path, this, m_helpViewer);
}

void FrmMain::MnuProxy_Click()
{
    if (!m_frmOptions) {
        m_frmOptions = new frmOptions(m_session->options(), this);
        connect(m_frmOptions, &frmOptions::saved, this, [this](const SettingsChoice &choice) {
            if (m_music)
                m_music->ApplyMusicOption(choice.enableMusic);
        });
    }
    bringToFront(m_frmOptions);
}
