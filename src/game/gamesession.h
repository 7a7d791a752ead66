#pragma once

#include "extras/optionsdesk.h"
#include "extras/stockfilterdesk.h"
#include "game/savedgamesdesk.h"
#include "game/startup.h"
#include "model/numbertext.h"
#include "model/orders.h"
#include "model/quotepanel.h"
#include "trading/favorites.h"
#include "trading/orderdesk.h"
#include "trading/portfoliosource.h"
#include "trading/tradedesk.h"

#include <QDateTime>
#include <QFuture>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class DownloadSocket;
class MarketConnection;

// The running game behind the main window: the game state, the settings, the quote panel, the
// stock list, and what the player does with them. The network side is its MarketConnection.
// Each dialog reaches the game through a door of its own (tradeDesk(), portfolio(), ...); its
// signals say what changed so the window redraws. Errors come back as values.
class GameSession : public QObject,
                    private TradeDesk,
                    private PortfolioSource,
                    private SavedGamesDesk,
                    private OptionsDesk,
                    private StockFilterDesk,
                    private OrderDesk
{
    Q_OBJECT

public:
    // The socket and clock drive the quote download; tests hand in fakes, a number format of
    // their own and a replacer that fails.
    GameSession(const QString &programFolder, std::unique_ptr<DownloadSocket> socket,
                std::unique_ptr<Clock> clock, const NumberFormat &numbers = NumberFormat::system(),
                FileReplacer &replacer = FileReplacer::onDisk(), QObject *parent = nullptr);
    ~GameSession() override;

    // Begins reading the start-up files (settings, default game, favourites) on a worker thread,
    // so that a large saved game is parsed while the window builds its widgets. Optional; call
    // before start(), which then takes what was read instead of reading it again.
    void readStartupFilesAhead();
    // Reads the settings, the services, the default game and, when asked for, its favourites.
    // The first file that cannot be read is returned: the game then starts empty with the whole
    // catalogue, and nothing is written. Call once, before anything else.
    std::optional<FileError> start();
    // The window is on screen and the quote host answers: the market is asked about the open
    // orders, for the time the game was closed (then every minute by itself).
    void askAboutOrders();
    // The window is closing: the download stops and nothing more is reported.
    void shutDown();

    const GameFolder &folder() const override { return m_folder; }
    const GameState &game() const override { return m_game; }
    const Settings &settings() const override { return m_settings; }
    const QuotePanel &panel() const { return m_panel; }
    // The rows of the stock list, in the order they were given; the list sorts them itself.
    const QStringList &stockList() const { return m_stockList; }
    MarketConnection &market() { return *m_market; }
    // The local time the trade history records; tests hand in their own.
    void setWallClock(std::function<QDateTime()> now) { m_now = std::move(now); }

    // "Cash : 100000$", the banner over the stock list.
    QString cashText() const;
    // The selected stock's logo file; empty before the first selection.
    QString logoPath() const;
    // The information page is shown at start when the favourites are not loaded.
    bool showsInfoPageAtStart() const { return m_showInfoPage; }

    // A click on a row of the stock list: the panel shows the stock, its quote is fetched and
    // its chart page written. While a trade dialog is open, only the refusal comes back.
    std::optional<QString> selectStock(const QString &ticker);

    // The doors of the dialogs.
    TradeDesk &tradeDesk() { return *this; }
    PortfolioSource &portfolio() { return *this; }
    SavedGamesDesk &savedGames() { return *this; }
    OptionsDesk &options() { return *this; }
    StockFilterDesk &stockFilter() { return *this; }
    OrderDesk &orderDesk() { return *this; }

    // The stock list's favourites menu for a press of `button`; nothing when no menu is due.
    std::optional<FavoriteMenuState> favoriteMenu(Qt::MouseButton button, FileStatus *problem) const;
    FileStatus addFavorite();
    FileStatus removeFavorite();

signals:
    // The quote panel's texts or arrows changed (the quote download reports through market()).
    void panelChanged();
    // The cash changed: the banner shows it again.
    void cashChanged();
    // The stock list holds other rows now.
    void stockListChanged();
    // The game's orders changed: placed, cancelled, filled, or another game's.
    void ordersChanged();
    // A fill or cancel while playing, in one line.
    void orderNews(const QString &text);
    // Once after start-up: what the orders did while the game was closed.
    void awayReport(const QString &text);

private:
    std::optional<TradeMessage> tradeRefusal(TradeKind kind) const override;
    TradeOpening beginTrade(TradeKind kind) override;
    void endTrade() override;
    TradeAmounts tradeAmounts(TradeKind kind, const QString &quantityText) const override;
    TradeOutcome trade(TradeKind kind, const QString &quantityText, const QString &payText) override;

    QChar decimal() const override { return m_numbers.decimal; }
    FileStatus statistics(HoldingsStatistics &out) const override;
    FileStatus tradeHistory(Journal &out) const override;
    MarketData &marketData() override;
    FileStatus exportFile(const QString &path, const QByteArray &bytes) override;

    bool loadsFavorites() const override { return m_settings.loadFavorites(); }
    FileStatus loadGame(const QString &fileName) override;
    bool savedGameExists(const QString &gameName) const override;
    FileStatus createGame(const QString &gameName, GameLevel level) override;

    std::optional<TradeMessage> saveOptions(const SettingsChoice &choice) override;
    FileStatus applyFilter(bool favoritesOnly, const QList<Sector> &tickedSectors) override;

    QList<Order> orders() const override { return m_orders.orders; }
    QString selectedTicker() const override { return m_panel.lblQuote; }
    std::optional<TradeMessage> orderRefusal() const override;
    std::optional<TradeMessage> placeOrder(const OrderDraft &draft) override;
    FileStatus cancelOrder(int id) override;
    bool fillsOnlyWhileRunning() const override { return m_fillsOnlyWhileRunning; }

    // Orders: the loaded game's file read again; the market asked about every open order (or
    // those of one stock); the answers applied in time order.
    void readOrders();
    void checkOrders(const QString &onlyTicker = QString());
    void applyFills(const QHash<int, OrderFill> &fills, bool whileAway);
    void fillFromQuote();

    GameFolder m_folder;
    QFuture<StartupState> m_startupFiles; // valid from readStartupFilesAhead() until start()
    NumberFormat m_numbers;
    GameState m_game;
    Settings m_settings;
    QuotePanel m_panel;
    QStringList m_stockList;
    bool m_showInfoPage = false;
    MarketConnection *m_market;
    std::function<QDateTime()> m_now;
    OrderBook m_orders;
    bool m_fillsOnlyWhileRunning = false;
    int m_orderRound = 0;      // answers of an older round (another game, a newer check) are dropped
    bool m_awayPending = true; // the first check after start-up tells what happened while away
    class QTimer *m_orderTimer = nullptr;
};
