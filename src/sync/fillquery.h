#pragma once

#include "model/money.h"
#include "model/orders.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// The question the market's /fill answers: did a trade of `ticker` happen at or beyond `price`
// between `from` and `to`, and if so, which was the first?
struct FillQuestion
{
    QString ticker;
    bool below = true; // at or below the price, else at or above
    Money price;
    QDateTime from;
    QDateTime to;
};

// For an open order: from where the market was last asked up to `now`, or to the end of its
// good-until day when that came first.
FillQuestion fillQuestion(const Order &order, const QDateTime &now);

// "/fill?s=IBM&when=below&price=25.00&from=2026-12-09T10%3A15%3A00%2B01%3A00&to=..."
QString fillRequestPath(const FillQuestion &question);

// What an answer of the market says. It is one CR LF ended text/csv line:
//   "IBM",24.95,"2026-12-09T10:15:05+01:00"   the first trade that crossed, and when
//   "IBM",N/A,"2026-12-09T11:00:00+01:00"     none up to that time (the market's present at most)
//   "XYZ",N/A,N/A                             the market does not list the stock
struct FillAnswer
{
    enum class Kind {
        Crossed,       // `at`, `price`: the trade
        NotCrossed,    // `at`: the market searched up to here
        UnknownTicker, // the market does not list it
        NoEndpoint,    // 404: a quote host without /fill; ask crossingFromQuote instead
        Unusable,      // anything else: ask again later, never fill from it
    };

    Kind kind = Kind::Unusable;
    QDateTime at;
    Money price;
};

// The answer to `question` from its HTTP status, Content-Type and body. A time outside the
// range asked, a price that does not cross or has more than two decimals, another ticker, or
// any other shape is Unusable.
FillAnswer readFillAnswer(const FillQuestion &question, int status, const QByteArray &contentType,
                          const QByteArray &body);

// Where the host has no /fill: the plain quote's last trade, when it was made at or after the
// order was last checked and crosses its price.
std::optional<OrderFill> crossingFromQuote(const Order &order, Money lastTrade, const QDateTime &quoteTime);
