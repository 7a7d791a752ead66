#include "gamesession.h"

#include "extras/sectorfilter.h"
#include "game/optionschecks.h"
#include "model/gamefiles.h"
#include "sync/marketconnection.h"
#include "sync/proxysetting.h"
#include "trading/stockselection.h"

#include <QFileInfo>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <utility>

GameSession::GameSession(const QString &programFolder, std::unique_ptr<DownloadSocket> socket,
                         std::unique_ptr<Clock> clock, const NumberFormat &numbers, FileReplacer &replacer,
                         QObject *parent)
    : QObject(parent), m_folder(programFolder, numbers.decimal, replacer), m_numbers(numbers),
      m_market(
          new MarketConnection(m_folder.path, m_panel, m_numbers, std::move(socket), std::move(clock), this)),
      m_now([] { return QDateTime::currentDateTime(); })
{
    connect(m_market, &MarketConnection::panelChanged, this, &GameSession::panelChanged);
    // Open orders are asked about at least once a minute; a quote host without fill answers
    // fills them from the quotes it sends while the game runs.
    m_orderTimer = new QTimer(this);
    m_orderTimer->setInterval(60 * 1000);
    connect(m_orderTimer, &QTimer::timeout, this, [this] { checkOrders(); });
    connect(m_market, &MarketConnection::panelChanged, this, [this] {
        if (m_fillsOnlyWhileRunning)
            fillFromQuote();
    });
}

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
    m_market->start(m_settings);
    m_game = start.game;
    m_stockList = start.stockList;
    m_showInfoPage = start.openInfoPage;
    m_panel = QuotePanel();
    readOrders();
    m_orderTimer->start();
    return start.problem;
}

void GameSession::shutDown()
{
    m_market->shutDown();
}

QString GameSession::cashText() const
{
    return QStringLiteral("Cash : ") + moneyToText(m_game.cash, m_numbers.decimal) + QStringLiteral("$");
}

QString GameSession::logoPath() const
{
    return m_panel.lblQuote.isEmpty() ? QString() : ::logoPath(m_folder.path, m_panel.lblQuote);
}

std::optional<QString> GameSession::selectStock(const QString &ticker)
{
    if (std::optional<QString> refusal = browseRefusal(m_game))
        return refusal;
    ::selectStock(m_panel, m_game, ticker);
    emit panelChanged();
    m_market->showSelection();
    checkOrders(ticker);
    return std::nullopt;
}

FileStatus GameSession::loadGame(const QString &fileName)
{
    const bool withFavorites = m_settings.loadFavorites();
    QStringList favorites;
    if (FileStatus error = switchGame(m_folder, fileName, withFavorites, m_game, favorites))
        return error;
    readOrders();
    emit cashChanged();
    if (withFavorites) {
        m_stockList = favorites;
        emit stockListChanged();
    }
    // The sell dialog takes its limit from "Owned :", so it must count the new game's shares,
    // not the old game's.
    if (!m_panel.lblQuote.isEmpty()) {
        const QString owned = ownedText(m_game, m_panel.lblQuote);
        m_panel.lblOwned = owned.isEmpty() ? QStringLiteral("0") : owned;
        emit panelChanged();
    } else if (!withFavorites) {
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

std::optional<TradeMessage> GameSession::saveOptions(const SettingsChoice &choice)
{
    if (std::optional<TradeMessage> refusal = optionsRefusal(choice, m_folder.path))
        return refusal;
    if (FileStatus error = WriteSettings(m_folder, choice, m_settings))
        return TradeMessage{error->text(), QString(), TradeMessage::Icon::Warning};
    m_market->setProxy(proxyFromSettings(m_settings));
    return std::nullopt;
}

MarketData &GameSession::marketData()
{
    return m_market->marketData();
}

FileStatus GameSession::exportFile(const QString &path, const QByteArray &bytes)
{
    return m_folder.replacer->replace(path, bytes);
}
