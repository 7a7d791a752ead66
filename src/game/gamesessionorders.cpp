// The game session's limit and stop orders: placing and cancelling them, asking the market when
// they filled, and applying the fills through the same rewrite as a BUY or SELL.
#include "gamesession.h"

#include "model/gamefiles.h"
#include "model/stockcatalogue.h"
#include "model/tradejournal.h"
#include "sync/fillquery.h"
#include "sync/marketconnection.h"
#include "sync/marketdata.h"
#include "trading/orderfills.h"

#include <QLocale>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

QString whenText(const QDateTime &at)
{
    const QLocale c = QLocale::c();
    return c.toString(at, QStringLiteral("M/d/yyyy")) + QStringLiteral(" at ") +
           c.toString(at, QStringLiteral("h:mmap")).toLower();
}

// "your order to buy 50 IBM at 25.00"
QString orderWords(const Order &order)
{
    return QStringLiteral("your order to %1 %2 %3 at %4")
        .arg(isBuy(order.kind) ? QStringLiteral("buy") : QStringLiteral("sell"))
        .arg(order.quantity)
        .arg(order.ticker, QString::fromLatin1(centsText(order.price)));
}

Order *findOrder(OrderBook &book, int id)
{
    for (Order &order : book.orders)
        if (order.id == id)
            return &order;
    return nullptr;
}

TradeMessage orderMessage(const QString &text)
{
    return TradeMessage{text, QStringLiteral("Place Order"), TradeMessage::Icon::Warning};
}

// The journal's line of a filled order: its kind, quantity and price at the fill's time.
bool journalHolds(const Journal &journal, const Order &order)
{
    for (const JournalEntry &t : journal.trades)
        if (t.at == order.closed && t.ticker == order.ticker && t.quantity == order.quantity &&
            (t.kind == JournalEntry::Kind::Buy) == isBuy(order.kind))
            return true;
    return false;
}

} // namespace

std::optional<TradeMessage> GameSession::orderRefusal() const
{
    if (!m_game.isLoaded())
        return TradeMessage{noGameLoadedText(), QString(), TradeMessage::Icon::Information};
    if (m_panel.lblQuote.isEmpty())
        return TradeMessage{
            QStringLiteral("Pick a stock in the list first: an order is placed for the selected stock."),
            QString(), TradeMessage::Icon::Information};
    return std::nullopt;
}

std::optional<TradeMessage> GameSession::placeOrder(const OrderDraft &draft)
{
    if (std::optional<TradeMessage> refusal = orderRefusal())
        return refusal;
    if (!AllTickers().contains(draft.ticker))
        return orderMessage(QStringLiteral("%1 is not in the stock list.").arg(draft.ticker));
    bool whole = false;
    const qint64 quantity = draft.quantityText.trimmed().toLongLong(&whole);
    if (!whole || quantity < 1 || quantity > kMaxOrderQuantity)
        return orderMessage(
            QStringLiteral("Quantity: type a whole number of shares from 1 to %1.").arg(kMaxOrderQuantity));
    QString priceText = draft.priceText.trimmed();
    priceText.replace(m_numbers.decimal, u'.');
    const std::optional<Money> price = centsFromText(priceText.toLatin1());
    if (!price || *price <= Money() || *price > kMaxOrderPrice)
        return orderMessage(
            QStringLiteral("Price (USD): type an amount in dollars with at most two decimals, "
                           "such as 25.50, up to 999999.99."));
    const QDateTime now = m_now();
    if (draft.goodUntil && *draft.goodUntil < now.date())
        return orderMessage(QStringLiteral("Good until: the last day cannot be before today."));

    Order order;
    order.id = m_orders.nextId();
    order.ticker = draft.ticker;
    order.kind = draft.kind;
    order.quantity = qint32(quantity);
    order.price = *price;
    order.placed = now;
    order.checkedUntil = now;
    order.goodUntil = draft.goodUntil;
    OrderBook next = m_orders;
    next.orders.append(order);
    if (FileStatus error = WriteOrders(m_folder, *m_game.gameName, next))
        return orderMessage(error->text());
    m_orders = next;
    emit ordersChanged();
    checkOrders(order.ticker);
    return std::nullopt;
}

FileStatus GameSession::cancelOrder(int id)
{
    if (!m_game.isLoaded())
        return noGameLoaded(FileAction::Write);
    OrderBook next = m_orders;
    Order *order = findOrder(next, id);
    if (!order || !order->isOpen())
        return std::nullopt;
    order->state = OrderState::Cancelled;
    order->closed = m_now();
    order->reason = QStringLiteral("by the player");
    if (FileStatus error = WriteOrders(m_folder, *m_game.gameName, next))
        return error;
    m_orders = next;
    emit ordersChanged();
    return std::nullopt;
}

void GameSession::readOrders()
{
    ++m_orderRound;
    m_orders = OrderBook();
    m_awayPending = true;
    if (m_game.isLoaded()) {
        if (FileStatus error = ReadOrders(m_folder, *m_game.gameName, m_orders))
            emit orderNews(error->text());
        else if (m_orders.skippedLines() > 0)
            emit orderNews(QStringLiteral("%1 damaged line(s) of the orders file were left out.")
                               .arg(m_orders.skippedLines()));
        // A fill marked in the orders file whose trade history line is missing was cut short:
        // when the saved game still has the cash of the last recorded trade, the trade never
        // happened and the order is asked about again from just before its fill; otherwise the
        // trade happened and only its history line is written. Never a second trade.
        Journal journal;
        bool reopened = false;
        if (!ReadJournal(m_folder, *m_game.gameName, journal)) {
            const bool recorded = !journal.trades.isEmpty() || journal.start.has_value();
            const Money lastCash = !journal.trades.isEmpty() ? journal.trades.last().cash
                                   : journal.start           ? journal.start->cash
                                                             : Money();
            for (Order &order : m_orders.orders) {
                if (order.state != OrderState::Filled || journalHolds(journal, order) || !recorded)
                    continue;
                if (m_game.cash == lastCash) {
                    order.state = OrderState::Open;
                    order.checkedUntil = order.closed.addSecs(-1);
                    order.closed = QDateTime();
                    order.fillPrice = Money();
                    reopened = true;
                } else {
                    JournalEntry entry;
                    entry.at = order.closed;
                    entry.kind = isBuy(order.kind) ? JournalEntry::Kind::Buy : JournalEntry::Kind::Sell;
                    entry.ticker = order.ticker;
                    entry.quantity = order.quantity;
                    entry.priceText = moneyToText(order.fillPrice, m_numbers.decimal);
                    entry.cash = m_game.cash;
                    AppendToJournal(m_folder, *m_game.gameName, entry);
                }
            }
        }
        if (reopened)
            WriteOrders(m_folder, *m_game.gameName, m_orders);
    }
    emit ordersChanged();
    // At start-up the window asks once it is on screen, so a long list of orders never delays
    // the first paint; a game opened later is asked about at once.
    if (m_orderTimer->isActive())
        checkOrders();
}

void GameSession::askAboutOrders()
{
    // One more turn of the event loop: the questions' network set-up (about 15 ms for the
    // first) never lands between the window's first paint and its being shown.
    QTimer::singleShot(0, this, [this] { checkOrders(); });
}

void GameSession::checkOrders(const QString &onlyTicker)
{
    const auto asked = [&onlyTicker](const Order &o) {
        return o.isOpen() && (onlyTicker.isEmpty() || o.ticker == onlyTicker);
    };
    if (!m_game.isLoaded() || std::none_of(m_orders.orders.cbegin(), m_orders.orders.cend(), asked)) {
        if (onlyTicker.isEmpty())
            m_awayPending = false;
        return;
    }
    if (m_fillsOnlyWhileRunning) {
        fillFromQuote();
        return;
    }
    struct Round
    {
        int waiting = 0;
        QHash<int, OrderFill> fills;
        QHash<int, QDateTime> checked;
        QSet<int> unlisted;
    };
    auto round = std::make_shared<Round>();
    const int generation = m_orderRound;
    const bool away = m_awayPending;
    const QDateTime now = m_now();
    for (const Order &order : std::as_const(m_orders.orders)) {
        if (!asked(order))
            continue;
        const FillQuestion question = fillQuestion(order, now);
        // A clock that went back, or nothing new to ask.
        if (!(question.from < question.to))
            continue;
        ++round->waiting;
        const int id = order.id;
        marketData().fetchRaw(fillRequestPath(question), this,
                              [this, round, generation, away, id,
                               question](int status, const QByteArray &type, const QByteArray &body) {
                                  if (generation != m_orderRound)
                                      return;
                                  const FillAnswer answer = readFillAnswer(question, status, type, body);
                                  switch (answer.kind) {
                                  case FillAnswer::Kind::Crossed:
                                      round->fills.insert(id, OrderFill{answer.at, answer.price});
                                      break;
                                  case FillAnswer::Kind::NotCrossed:
                                      round->checked.insert(id, answer.at);
                                      break;
                                  case FillAnswer::Kind::UnknownTicker:
                                      round->unlisted.insert(id);
                                      break;
                                  case FillAnswer::Kind::NoEndpoint:
                                      if (!m_fillsOnlyWhileRunning) {
                                          m_fillsOnlyWhileRunning = true;
                                          emit ordersChanged();
                                      }
                                      break;
                                  case FillAnswer::Kind::Unusable:
                                      break;
                                  }
                                  if (--round->waiting > 0)
                                      return;
                                  bool moved = false;
                                  for (auto it = round->checked.cbegin(); it != round->checked.cend(); ++it)
                                      if (Order *o = findOrder(m_orders, it.key());
                                          o && o->isOpen() && o->checkedUntil < it.value()) {
                                          o->checkedUntil = it.value();
                                          moved = true;
                                      }
                                  for (const int unlistedId : std::as_const(round->unlisted))
                                      if (Order *o = findOrder(m_orders, unlistedId); o && o->isOpen()) {
                                          o->state = OrderState::Cancelled;
                                          o->closed = m_now();
                                          o->reason =
                                              QStringLiteral("the market does not list %1").arg(o->ticker);
                                          moved = true;
                                      }
                                  if (moved)
                                      WriteOrders(m_folder, *m_game.gameName, m_orders);
                                  applyFills(round->fills, away);
                                  if (away)
                                      m_awayPending = false;
                              });
    }
    if (round->waiting == 0 && away)
        m_awayPending = false;
}

void GameSession::fillFromQuote()
{
    if (!m_game.isLoaded() || m_panel.lblQuote.isEmpty())
        return;
    const std::optional<double> last = priceFromText(m_panel.lblTrade, m_numbers.decimal);
    if (!last || *last <= 0)
        return;
    const Money price = Money::fromUnits(qRound64(*last * 100) * (Money::kUnitsPerDollar / 100));
    const bool waiting =
        std::any_of(m_orders.orders.cbegin(), m_orders.orders.cend(),
                    [this](const Order &o) { return o.isOpen() && o.ticker == m_panel.lblQuote; });
    if (!waiting)
        return;
    QHash<int, OrderFill> fills;
    const QDateTime now = m_now();
    for (const Order &order : std::as_const(m_orders.orders))
        if (order.ticker == m_panel.lblQuote)
            if (const std::optional<OrderFill> fill = crossingFromQuote(order, price, now))
                fills.insert(order.id, *fill);
    if (!fills.isEmpty())
        applyFills(fills, false);
}

void GameSession::applyFills(const QHash<int, OrderFill> &fills, bool whileAway)
{
    QSet<QString> catalogue;
    for (const QString &ticker : AllTickers())
        catalogue.insert(ticker);
    const QList<FillStep> steps =
        planFills(m_orders.orders, fills, m_game.cash, m_game.holdings, catalogue, m_now());
    QStringList told;
    for (const FillStep &step : steps) {
        Order *order = findOrder(m_orders, step.orderId);
        if (!order || !order->isOpen())
            continue;
        const Order before = *order;
        if (step.kind == FillStep::Kind::Cancel) {
            order->state = OrderState::Cancelled;
            order->closed = step.at;
            order->reason = step.reason;
            if (WriteOrders(m_folder, *m_game.gameName, m_orders)) {
                *order = before;
                continue;
            }
            told << orderWords(*order) + QStringLiteral(" was cancelled: ") + step.reason;
            continue;
        }
        const bool buy = isBuy(order->kind);
        const std::optional<Money> cash =
            buy ? minus(m_game.cash, step.amount) : plus(m_game.cash, step.amount);
        if (!cash)
            continue;
        // The order is marked filled first, so a crash after the saved game's rewrite can never
        // fill it twice; the start-up finds such a fill by its missing history line.
        order->state = OrderState::Filled;
        order->closed = step.at;
        order->fillPrice = step.price;
        if (WriteOrders(m_folder, *m_game.gameName, m_orders)) {
            *order = before;
            continue;
        }
        if (RewriteSavedGameAfterTrade(m_folder, m_game, moneyToText(*cash, m_numbers.decimal), order->ticker,
                                       buy ? step.quantity : -qint64(step.quantity))) {
            // Nothing half-applied: the order is open again and asked about at the next check.
            *order = before;
            WriteOrders(m_folder, *m_game.gameName, m_orders);
            continue;
        }
        if (m_panel.lblQuote == order->ticker) {
            qint64 owned = 0;
            for (const Holding &h : m_game.holdings)
                if (h.ticker == order->ticker) {
                    owned = h.quantity;
                    break;
                }
            m_panel.lblOwned = QString::number(owned);
            const std::optional<double> last = priceFromText(m_panel.lblTrade, m_numbers.decimal);
            m_panel.lblValue = last ? doubleToText(double(owned) * *last, m_numbers.decimal) : QString();
        }
        JournalEntry entry;
        entry.at = step.at;
        entry.kind = buy ? JournalEntry::Kind::Buy : JournalEntry::Kind::Sell;
        entry.ticker = order->ticker;
        entry.quantity = step.quantity;
        entry.priceText = moneyToText(step.price, m_numbers.decimal);
        entry.cash = m_game.cash;
        AppendToJournal(m_folder, *m_game.gameName, entry);
        told << orderWords(*order) + QStringLiteral(" filled at ") +
                    QString::fromLatin1(centsText(step.price)) + QStringLiteral(" on ") + whenText(step.at);
    }
    if (told.isEmpty())
        return;
    emit cashChanged();
    emit panelChanged();
    emit ordersChanged();
    if (whileAway)
        emit awayReport(QStringLiteral("While you were away: ") + told.join(QStringLiteral("; ")) +
                        QStringLiteral("."));
    else
        for (const QString &line : std::as_const(told))
            emit orderNews(line.left(1).toUpper() + line.mid(1) + u'.');
}
