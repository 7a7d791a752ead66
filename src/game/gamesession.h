#pragma once

#include "extras/music.h"
#include "extras/tips.h"
#include "game/gamenames.h"
#include "game/startup.h"
#include "model/fileerror.h"
#include "model/gamefolder.h"
#include "model/gamestate.h"
#include "model/numbertext.h"
#include "model/settings.h"
#include "model/stockcatalogue.h"
#include "model/tradejournal.h"
#include "sync/clock.h"
#include "sync/downloadsocket.h"
#include "sync/proxysetting.h"
#include "sync/servicesconfig.h"
#include "trading/favorites.h"
#include "trading/holdingsstatistics.h"
#include "trading/quotepanel.h"
#include "trading/trade.h"

#include <QDateTime>
#include <QFuture>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class LocalMarket;
class MarketData;
class QuoteSync;

// The running game behind the windows. It owns the game state, the settings, the quote
// panel's texts, the services and proxy, the quote synchronisation and the number format;
// its operations are what the player does, and its signals say what changed so the windows
// redraw from its state. Errors come back as values; the windows decide how to tell them.
class GameSession : public QObject
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
    // The window is closing: the download stops and nothing more is reported.
    void shutDown();

    const QString &programFolder() const { return m_folder.path; }
    const GameFolder &folder() const { return m_folder; }
    const NumberFormat &numbers() const { return m_numbers; }
    const GameState &game() const { return m_game; }
    const Settings &settings() const { return m_settings; }
    const ServicesConfig &services() const { return m_services; }
    const ProxySetting &proxy() const { return m_proxy; }
    const QuotePanel &panel() const { return m_panel; }
    // The rows of the stock list, in the order they were given; the list sorts them itself.
    const QStringList &stockList() const { return m_stockList; }
    QuoteSync &quoteSync() { return *m_sync; }
    // Batch quotes and price histories for the statistics and the evaluation, from the quote
    // host through the proxy; exists once start() ran.
    MarketData &marketData() { return *m_marketData; }
    // The tips panel, drawing from a clock-seeded generator unless a test hands in its own
    // (before the window shows the first tip).
    TipsOfTheDay &tips() { return *m_tips; }
    void setTipRandom(std::unique_ptr<TipRandom> random);
    // The background music, silent unless a window hands in a real player before start-up.
    BackgroundMusic &music() { return *m_music; }
    void setMusicPlayer(std::unique_ptr<MusicPlayer> player);
    // The local time the trade history records; tests hand in their own.
    void setWallClock(std::function<QDateTime()> now) { m_now = std::move(now); }
    // The market the game starts itself when services.cfg names no quote service; handed in
    // before start(). Without one, the configured addresses are used as they are.
    void setLocalMarket(std::unique_ptr<LocalMarket> market);
    LocalMarket *localMarket() const { return m_localMarket.get(); }
    // The game's own market is still being looked for or started: a selection made meanwhile
    // fetches its quote, chart and page as soon as it answers.
    bool isWaitingForMarket() const { return m_waitingForMarket; }

    // "Cash : 100000$", the banner over the stock list.
    QString cashText() const;
    bool isSyncEnabled() const;
    // The selected stock's logo file and chart image; empty before the first selection.
    QString logoPath() const;
    QUrl chartUrl() const;
    // The information page shown at start when the favourites are not loaded, and the copy
    // shipped with the game for when the market service cannot be reached.
    bool showsInfoPageAtStart() const { return m_showInfoPage; }
    QUrl infoPageUrl() const;
    QUrl localInfoPageUrl() const;

    // A click on a row of the stock list: the panel shows the stock, the chart page is written
    // and its quote is fetched. While a trade dialog is open, only the refusal comes back.
    std::optional<QString> selectStock(const QString &ticker);
    // "Synchronize": fetches the quote of the selected stock again.
    void synchronize();
    // Ticks of the download's two timers (10 ms and 1000 ms) while timersEnabledChanged says so.
    void percentTimerTick();
    void secondsTimerTick();

    // "Load Player": the saved game `fileName` becomes the running game. On error nothing changed.
    FileStatus loadGame(const QString &fileName);
    bool savedGameExists(const QString &gameName) const;
    // Writes the files of a new game, its trade history included; the running game stays as it is.
    FileStatus createGame(const QString &gameName, GameLevel level);

    // Why BUY or SELL must not open its dialog, or nothing.
    std::optional<TradeMessage> tradeRefusal(TradeKind kind) const;
    // A trade dialog opens: the stock list is locked until the matching endTrade.
    TradeOpening beginTrade(TradeKind kind);
    void endTrade();
    bool isTrading() const { return m_game.isTrading(); }
    TradeAmounts tradeAmounts(TradeKind kind, const QString &quantityText) const;
    // A confirmed trade: the saved game is rewritten first, then cash and panel change, then
    // the trade history gets its line (a failure there comes back as `notice`).
    TradeOutcome trade(TradeKind kind, const QString &quantityText, const QString &payText);

    // The stock list's favourites menu for a press of `button`; nothing when no menu is due.
    std::optional<FavoriteMenuState> favoriteMenu(Qt::MouseButton button, FileStatus *problem) const;
    FileStatus addFavorite();
    FileStatus removeFavorite();

    // The statistics panel's figures, read from the saved game on disk.
    FileStatus statistics(HoldingsStatistics &out) const;
    // The running game's trade history; without a loaded game nothing is read and the error says so.
    FileStatus tradeHistory(Journal &out) const;

    // The sector filter's "Apply": the favourites, or the ticked sectors' stocks. The
    // favourites are read before the list changes, so on error the list keeps its rows.
    FileStatus applyFilter(bool favoritesOnly, const QList<Sector> &tickedSectors);

    // "Save and Close" in the options: checks the choice, rewrites options.cfg, takes the new
    // proxy for the next download and applies the music choice. A refusal or failure comes back
    // as the message to show, and then nothing was written and nothing changed.
    std::optional<TradeMessage> saveOptions(const SettingsChoice &choice);

signals:
    // The proxy changed: the chart image and the information page take it from now on.
    void proxyChanged();
    // The services are where they will stay (the game's own market answers, or could not be
    // started): the information page may be fetched.
    void servicesReady();
    // The quote panel's texts or arrows changed.
    void panelChanged();
    // The cash changed: the banner shows it again.
    void cashChanged();
    // The stock list holds other rows now.
    void stockListChanged();
    // Another stock was selected: its logo and chart are due.
    void chartChanged();
    void syncEnabledChanged(bool enabled);
    // Timer_Seconde and Timer_Percent should run or stop.
    void timersEnabledChanged(bool enabled);
    // A message for the player that no operation returned (an OK box with the program's title).
    void messageRequested(const QString &text);

private:
    GameFolder m_folder;
    QFuture<StartupState> m_startupFiles; // valid from readStartupFilesAhead() until start()
    NumberFormat m_numbers;
    GameState m_game;
    Settings m_settings;
    ServicesConfig m_services;
    ProxySetting m_proxy;
    QuotePanel m_panel;
    QStringList m_stockList;
    bool m_showInfoPage = false;
    std::unique_ptr<DownloadSocket> m_socket;
    std::unique_ptr<Clock> m_clock;
    QuoteSync *m_sync = nullptr;
    MarketData *m_marketData = nullptr;
    // The one random source of the game; only the tips draw from it.
    std::unique_ptr<TipRandom> m_tipRandom;
    std::unique_ptr<TipsOfTheDay> m_tips;
    std::unique_ptr<BackgroundMusic> m_music;
    std::unique_ptr<LocalMarket> m_localMarket;
    bool m_waitingForMarket = false;
    bool m_selectionWaiting = false;
    std::function<QDateTime()> m_now;

    void marketSettled();
    void fetchSelection();
};
