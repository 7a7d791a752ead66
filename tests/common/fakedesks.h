#pragma once

#include "extras/optionsdesk.h"
#include "extras/stockfilterdesk.h"
#include "game/savedgamesdesk.h"
#include "trading/orderdesk.h"

#include <QStringList>

// Doors of a few lines for the dialog tests: each writes down what the dialog asked of it and
// answers what the test set. The logic behind the real doors is pinned in test_gamesession.

class FakeSavedGames final : public SavedGamesDesk
{
public:
    explicit FakeSavedGames(const QString &path) : m_folder(path) {}
    const GameFolder &folder() const override { return m_folder; }
    bool loadsFavorites() const override { return favorites; }
    FileStatus loadGame(const QString &fileName) override
    {
        calls.append(QStringLiteral("load ") + fileName);
        return failure;
    }
    bool savedGameExists(const QString &gameName) const override { return existing.contains(gameName); }
    FileStatus createGame(const QString &gameName, GameLevel level) override
    {
        calls.append(QStringLiteral("create ") + gameName + QLatin1Char(' ') + gameLevelName(level));
        return failure;
    }

    bool favorites = false;
    QStringList existing;
    FileStatus failure;
    QStringList calls;

private:
    GameFolder m_folder;
};

class FakeOptions final : public OptionsDesk
{
public:
    const Settings &settings() const override { return inForce; }
    std::optional<TradeMessage> saveOptions(const SettingsChoice &choice) override
    {
        saved.append(choice);
        return refusal;
    }

    Settings inForce;
    std::optional<TradeMessage> refusal;
    QList<SettingsChoice> saved;
};

class FakeStockFilter final : public StockFilterDesk
{
public:
    FileStatus applyFilter(bool favoritesOnly, const QList<Sector> &tickedSectors) override
    {
        applied.append({favoritesOnly, tickedSectors});
        return failure;
    }

    FileStatus failure;
    QList<std::pair<bool, QList<Sector>>> applied;
};

class FakeOrderDesk final : public OrderDesk
{
public:
    QList<Order> orders() const override { return book; }
    QString selectedTicker() const override { return selected; }
    std::optional<TradeMessage> orderRefusal() const override { return refusal; }
    std::optional<TradeMessage> placeOrder(const OrderDraft &draft) override
    {
        placed.append(draft);
        return refusal;
    }
    FileStatus cancelOrder(int id) override
    {
        cancelled.append(id);
        return failure;
    }
    bool fillsOnlyWhileRunning() const override { return plainHost; }

    QList<Order> book;
    QString selected;
    std::optional<TradeMessage> refusal;
    FileStatus failure;
    bool plainHost = false;
    QList<OrderDraft> placed;
    QList<int> cancelled;
};
