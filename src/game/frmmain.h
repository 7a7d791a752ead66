#pragma once

#include "extras/tips.h"
#include "trading/trade.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class BackgroundMusic;
class GameSession;
class HistoryBox;
class TipsPanel;
class WebPane;
class FrmStats;
class FrmOrder;
class FrmOrders;
class frmBuy;
class frmLoad;
class frmNewPlayer;
class frmSell;
class frmFilter;
class frmAbout;
class frmOptions;
class HelpViewer;

// What the main window plays with beside the game. Both may be left out: the window is then
// silent and draws its tips with a clock-seeded generator.
struct MainWindowExtras
{
    BackgroundMusic *music = nullptr; // outlives the window
    std::unique_ptr<TipRandom> tipRandom;
};

// The game's one main window: start-up, menus, the stock list, the quote panel and shutdown.
// It lays out the controls, forwards the player's actions to the game session and redraws
// from the session's state when it signals a change.
class FrmMain : public QMainWindow
{
    Q_OBJECT
public:
    // The client area the game is laid out for, in logical pixels.
    static constexpr int kClientWidth = 669;
    static constexpr int kClientHeight = 430;

    // The window takes the session over; src/app/ assembles the real one, tests hand in fakes.
    explicit FrmMain(std::unique_ptr<GameSession> session, MainWindowExtras extras = {},
                     QWidget *parent = nullptr);
    ~FrmMain() override;

    GameSession &session() { return *m_session; }

    // Handlers, named after their controls.
    void mnuNewGame_Click();
    void mnuLoadSaved_Click();
    void mnuEnd_Click();
    void mnuStats_Click();
    void mnuOrders_Click();
    void MnuProxy_Click();
    void mnuContent_Click();
    void mnuAbout_Click();
    void LstStocks_Click();
    void cmdSync_Click();
    void cmdBuy_Click();
    void cmdSell_Click();
    void cmdFilter_Click();
    void mnuFavAdd_Click();
    void mnuFavDel_Click();
    void mnuPlaceOrder_Click();

signals:
    // Start-up is over and the window is ready (for tools and tests).
    void loadFinished();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildClientArea(const QString &programFolder, std::unique_ptr<TipRandom> tipRandom);
    void connectSession();
    void Form_Load();
    // Redraw what the session changed.
    void renderQuotePanel();
    void layOutTradeRow();
    void showStockStory();
    // The box again: the last order news, the selected stock's open orders and its story.
    void showHistoryBox();
    void cancelOrder(int id);
    void showCash();
    void fillStockList();
    void showChart();
    template <class Dialog> void openTradeDialog(QPointer<Dialog> &dialog, TradeKind kind);
    void LstStocks_MouseDown(Qt::MouseButton button, const QPoint &globalPos);
    void showInfoPage();
    // What the first paint does not need waits until it is on screen.
    void afterFirstPaint();

    GameSession *m_session;
    BackgroundMusic *m_music;
    bool m_infoPageDue = false;
    bool m_firstPaintWatched = false;

    // Each dialog exists at most once; opening it again brings it to the front.
    QPointer<frmNewPlayer> m_frmNewPlayer;
    QPointer<frmLoad> m_frmLoad;
    QPointer<frmBuy> m_frmBuy;
    QPointer<frmSell> m_frmSell;
    QPointer<frmFilter> m_frmFilter;
    QPointer<frmAbout> m_frmAbout;
    QPointer<frmOptions> m_frmOptions;
    QPointer<HelpViewer> m_helpViewer;
    QPointer<FrmOrder> m_frmOrder;
    QPointer<FrmOrders> m_frmOrders;
    FrmStats *frmStats = nullptr;

    QMenu *mnuContextMenu = nullptr;
    QAction *mnuNewGame = nullptr;
    QAction *mnuLoadSaved = nullptr;
    QAction *mnuEnd = nullptr;
    QAction *mnuStats = nullptr;
    QAction *mnuOrders = nullptr;
    QAction *MnuProxy = nullptr;
    QAction *mnuContent = nullptr;
    QAction *mnuAbout = nullptr;
    QAction *mnuFavAdd = nullptr;
    QAction *mnuFavDel = nullptr;
    QAction *mnuPlaceOrder = nullptr;

    QLabel *lblTicker = nullptr;
    QListWidget *LstStocks = nullptr;
    QPushButton *cmdFilter = nullptr;
    QLabel *picLogo = nullptr;
    QLabel *lblFullName = nullptr;
    QLabel *lblQuote = nullptr;
    QLabel *lblTrade = nullptr;
    QLabel *PicUp = nullptr;
    QLabel *PicDown = nullptr;
    QLabel *lblVariation = nullptr;
    QLabel *lblTime = nullptr;
    QLabel *lblVolume = nullptr;
    QLabel *lblOwned = nullptr;
    QLabel *lblValue = nullptr;
    WebPane *WebBrowser = nullptr;
    QPushButton *cmdSync = nullptr;
    QPushButton *cmdBuy = nullptr;
    QPushButton *cmdSell = nullptr;
    TipsPanel *m_tips = nullptr;
    HistoryBox *m_history = nullptr;
    QString m_storyShown; // what the history box's story was last read for
    QString m_storyText;
    // The last fill or cancel while playing, shown until another stock is selected.
    QString m_orderNews;
    QString m_newsTicker;
};
