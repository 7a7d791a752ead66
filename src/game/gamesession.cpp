#include "gamesession.h"

#include "extras/sectorfilter.h"
#include "game/startup.h"
#include "model/gamefiles.h"
#include "model/tradejournal.h"
#include "sync/hostport.h"
#include "sync/localmarket.h"
#include "sync/marketdata.h"
#include "sync/quotesync.h"
#include "trading/stockselection.h"

#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <utility>

GameSession::GameSession(const QString &programFolder, std::unique_ptr<DownloadSocket> socket,
                         std::unique_ptr<Clock> clock, const NumberFormat &numbers, FileReplacer &replacer,
                         QObject *parent)
    : QObject(parent), m_folder(programFolder, numbers.decimal, replacer), m_numbers(numbers),
      m_socket(std::move(socket)), m_clock(std::move(clock)),
      // Seeded from the clock before anything else of the start-up happens.
      m_tipRandom(std::make_unique<ClockSeededRandom>()),
      m_tips(std::make_unique<TipsOfTheDay>(m_folder.path, *m_tipRandom)),
      m_music(std::make_unique<BackgroundMusic>(std::make_unique<SilentPlayer>())),
      m_now([] { return QDateTime::currentDateTime(); })
{}

GameSession::~GameSession()
{
    // The worker reads into its own copy of the folder; it only has to end before the program does.
    if (m_startupFiles.isValid())
        m_startupFiles.waitForFinished();
}

void GameSession::readStartupFilesAhead()
{
    if (!m_startupFiles.isValid())
        m_startupFiles = QtConcurrent::run([folder = m_folder] { return loadStartup(folder); });
}

std::optional<FileError> GameSession::start()
{
    // Taking the result leaves the future empty.
    StartupState start = m_startupFiles.isValid() ? m_startupFiles.takeResult() : loadStartup(m_folder);
    m_settings = start.settings;
    m_services = readServicesConfig(m_folder.path);
    m_proxy = proxyFromSettings(m_settings);

    m_sync = new QuoteSync(m_panel, m_proxy, m_numbers, m_folder.path, m_services.quoteHost,
                           std::move(m_socket), std::move(m_clock), this);
    connect(m_sync, &QuoteSync::panelChanged, this, &GameSession::panelChanged);
    connect(m_sync, &QuoteSync::syncEnabledChanged, this, &GameSession::syncEnabledChanged);
    connect(m_sync, &QuoteSync::timersEnabledChanged, this, &GameSession::timersEnabledChanged);
    connect(m_sync, &QuoteSync::messageRequested, this, &GameSession::messageRequested);
    m_marketData = new MarketData(m_services.quoteHost, m_proxy, this);

    m_game = start.game;
    m_stockList = start.stockList;
    m_showInfoPage = start.openInfoPage;
    m_panel = QuotePanel();
    if (m_localMarket && m_services.quotesFromBundledMarket()) {
        m_waitingForMarket = true;
        connect(m_localMarket.get(), &LocalMarket::settled, this, &GameSession::marketSettled,
                Qt::SingleShotConnection);
        m_localMarket->ensure();
    }
    return start.problem;
}

void GameSession::setLocalMarket(std::unique_ptr<LocalMarket> market)
{
    m_localMarket = std::move(market);
}

void GameSession::marketSettled()
{
    m_waitingForMarket = false;
    if (m_localMarket->isReady()) {
        m_services.moveBundledMarket(m_localMarket->host());
        m_sync->setQuoteHost(m_services.quoteHost);
        m_marketData->setQuoteHost(m_services.quoteHost);
    }
    emit servicesReady();
    if (std::exchange(m_selectionWaiting, false))
        fetchSelection();
}

void GameSession::shutDown()
{
    if (m_sync)
        m_sync->abandon();
    if (m_localMarket)
        m_localMarket->stop();
}

QString GameSession::cashText() const
{
    return QStringLiteral("Cash : ") + moneyToText(m_game.cash, m_numbers.decimal) + QStringLiteral("$");
}

bool GameSession::isSyncEnabled() const
{
    return !m_sync || m_sync->isSyncEnabled();
}

QString GameSession::logoPath() const
{
    return m_panel.lblQuote.isEmpty() ? QString() : ::logoPath(m_folder.path, m_panel.lblQuote);
}

QUrl GameSession::chartUrl() const
{
    return m_panel.lblQuote.isEmpty() ? QUrl() : chartImageUrl(m_services.chartHost, m_panel.lblQuote);
}

QUrl GameSession::infoPageUrl() const
{
    return QUrl(m_services.infoPage);
}

QUrl GameSession::localInfoPageUrl() const
{
    return QUrl::fromLocalFile(m_folder.path + QStringLiteral("/infos.html"));
}

std::optional<QString> GameSession::selectStock(const QString &ticker)
{
    if (std::optional<QString> refusal = browseRefusal(m_game))
        return refusal;
    ::selectStock(m_panel, m_game, ticker);
    emit panelChanged();
    if (m_waitingForMarket)
        m_selectionWaiting = true;
    else
        fetchSelection();
    return std::nullopt;
}

void GameSession::fetchSelection()
{
    // The quote goes out before anything touches the disk, so a slow disk never delays it.
    synchronize();
    // The page is a scratch file the view does not need: a failed write only costs the file.
    (void)writeChartPage(m_folder.path, m_services.chartHost, m_panel.lblQuote);
    emit chartChanged();
}

void GameSession::synchronize()
{
    if (m_waitingForMarket)
        m_selectionWaiting = !m_panel.lblQuote.isEmpty();
    else if (m_sync)
        m_sync->cmdSync_Click();
}

void GameSession::percentTimerTick()
{
    if (m_sync)
        m_sync->Timer_Percent_Timer();
}

void GameSession::secondsTimerTick()
{
    if (m_sync)
        m_sync->Timer_Seconde_Timer();
}

FileStatus GameSession::loadGame(const QString &fileName)
{
    const bool withFavorites = m_settings.loadFavorites();
    QStringList favorites;
    if (FileStatus error = switchGame(m_folder, fileName, withFavorites, m_game, favorites))
        return error;
    emit cashChanged();
    if (withFavorites) {
        m_stockList = favorites;
        emit stockListChanged();
    } else {
        m_panel.lblOwned = QStringLiteral("0");
        emit panelChanged();
    }
    return std::nullopt;
}

bool GameSession::savedGameExists(const QString &gameName) const
{
    return QFileInfo::exists(savedGamePath(m_folder.path, gameName));
}

FileStatus GameSession::createGame(const QString &gameName, GameLevel level)
{
    JournalEntry start;
    start.at = m_now();
    start.kind = JournalEntry::Kind::Start;
    start.level = gameLevelName(level);
    start.cash = moneyFromText(startingCashText(level), u'.').value_or(Money());
    return CreateSavedGame(m_folder, gameName, startingCashText(level), journalLine(start, m_folder.decimal));
}

std::optional<TradeMessage> GameSession::tradeRefusal(TradeKind kind) const
{
    return kind == TradeKind::Buy ? buyRefusal(m_panel, m_game, m_numbers.decimal)
                                  : sellRefusal(m_panel, m_game, m_numbers.decimal);
}

TradeOpening GameSession::beginTrade(TradeKind kind)
{
    ++m_game.openTradeDialogs;
    return tradeOpening(kind, m_panel, m_game, m_numbers.decimal);
}

void GameSession::endTrade()
{
    if (m_game.openTradeDialogs > 0)
        --m_game.openTradeDialogs;
}

TradeAmounts GameSession::tradeAmounts(TradeKind kind, const QString &quantityText) const
{
    return ::tradeAmounts(kind, quantityText, m_panel.lblTrade, m_game.cash, m_numbers.decimal);
}

TradeOutcome GameSession::trade(TradeKind kind, const QString &quantityText, const QString &payText)
{
    TradeOutcome outcome = commitTrade(kind, m_folder, m_game, m_panel, quantityText, payText);
    if (outcome.refusal)
        return outcome;
    emit cashChanged();
    emit panelChanged();

    // Only once the saved game holds the trade: the history is a record, never the reason a
    // trade is undone.
    JournalEntry entry;
    entry.at = m_now();
    entry.kind = kind == TradeKind::Buy ? JournalEntry::Kind::Buy : JournalEntry::Kind::Sell;
    entry.ticker = m_panel.lblQuote;
    entry.quantity = outcome.quantity;
    entry.priceText = m_panel.lblTrade;
    entry.cash = m_game.cash;
    if (FileStatus failed = AppendToJournal(m_folder, *m_game.gameName, entry))
        outcome.notice = TradeMessage{
            QStringLiteral("The trade was made and the saved game holds it, but it could not be recorded "
                           "in the trade history: ") +
                failed->text(),
            QString(), TradeMessage::Icon::Warning};
    return outcome;
}

std::optional<FavoriteMenuState> GameSession::favoriteMenu(Qt::MouseButton button, FileStatus *problem) const
{
    return favoriteMenuState(m_folder, m_game, m_panel, button, problem);
}

FileStatus GameSession::addFavorite()
{
    return addSelectedToFavorites(m_folder, m_game, m_panel);
}

FileStatus GameSession::removeFavorite()
{
    return removeSelectedFromFavorites(m_folder, m_game, m_panel);
}

FileStatus GameSession::statistics(HoldingsStatistics &out) const
{
    return readHoldingsStatistics(m_folder, m_game, out);
}

FileStatus GameSession::tradeHistory(Journal &out) const
{
    if (!m_game.gameName)
        return noGameLoaded(FileAction::Read);
    return ReadJournal(m_folder, *m_game.gameName, out);
}

void GameSession::setTipRandom(std::unique_ptr<TipRandom> random)
{
    m_tipRandom = std::move(random);
    m_tips = std::make_unique<TipsOfTheDay>(m_folder.path, *m_tipRandom);
}

FileStatus GameSession::applyFilter(bool favoritesOnly, const QList<Sector> &tickedSectors)
{
    QStringList rows;
    if (!favoritesOnly)
        rows = tickersOfSectors(tickedSectors);
    else if (!m_game.gameName)
        return noGameLoaded(FileAction::Read);
    else if (FileStatus error = ReadFavorites(m_folder, *m_game.gameName, rows))
        return error;
    m_stockList = rows;
    emit stockListChanged();
    return std::nullopt;
}

void GameSession::setMusicPlayer(std::unique_ptr<MusicPlayer> player)
{
    m_music = std::make_unique<BackgroundMusic>(std::move(player));
}

namespace {
TradeMessage optionsWarning(const QString &text)
{
    return TradeMessage{text, QString(), TradeMessage::Icon::Warning};
}

std::optional<TradeMessage> optionsRefusal(const SettingsChoice &choice, const QString &programFolder)
{
    if (const std::optional<QString> problem = gameNameProblem(choice.defaultGame))
        return optionsWarning(QStringLiteral("The default game cannot be \"%1\": %2. Nothing was saved.")
                                  .arg(choice.defaultGame, *problem));
    // Exactly this name: no wildcards, and case counts as it does for the files.
    if (!QFileInfo(savedGamePath(programFolder, choice.defaultGame)).isFile())
        return TradeMessage{
            QStringLiteral("The savegame file ") + choice.defaultGame +
                QStringLiteral(" has not been found on your computer.\r\nCheck what you entered "
                               "carefully."),
            QStringLiteral("File not found !"), TradeMessage::Icon::Warning};
    if (!choice.useProxy)
        return std::nullopt;
    const QString host = choice.proxyHost.trimmed();
    if (host.isEmpty() || std::any_of(host.begin(), host.end(), [](QChar c) { return c.isSpace(); }))
        return optionsWarning(QStringLiteral("The \"Proxy Adress :\" box must hold a host name or address, "
                                             "without blanks. Nothing was saved."));
    if (!portFromText(choice.proxyPort))
        return optionsWarning(
            QStringLiteral("The \"Proxy Port :\" box must hold a whole number from 1 to 65535. "
                           "Nothing was saved."));
    return std::nullopt;
}
} // namespace

std::optional<TradeMessage> GameSession::saveOptions(const SettingsChoice &choice)
{
    if (std::optional<TradeMessage> refusal = optionsRefusal(choice, m_folder.path))
        return refusal;
    if (FileStatus error = WriteSettings(m_folder, choice, m_settings))
        return optionsWarning(error->text());
    const ProxySetting proxy = proxyFromSettings(m_settings);
    if (!(proxy == m_proxy)) {
        // The download holds on to this object: the next request goes the new way.
        m_proxy = proxy;
        if (m_marketData)
            m_marketData->setProxy(m_proxy);
        emit proxyChanged();
    }
    m_music->ApplyMusicOption(choice.enableMusic);
    return std::nullopt;
}
