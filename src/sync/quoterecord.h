#pragma once

#include "model/money.h"

#include <QString>

#include <optional>

// A quote item that is shown as a number when the service sent a plain decimal, and as the
// text it sent otherwise ("N/A", a quoted item).
struct QuoteValue
{
    std::optional<double> number;
    QString text;

    bool isEmpty() const { return !number && text.isEmpty(); }
    // As the quote panel shows it: a number in its shortest form with the given separator.
    QString toText(QChar separator) const;
};

// One stock's quote, the nine items asked for by "sl1d1t1c1ohgv", in that order.
struct QuoteRecord
{
    QString symbol;
    QuoteValue lastTrade;
    QString tradeDate;
    QString tradeTime;
    QString change; // kept as sent, sign included: the arrow is chosen by its first character
    Money open;
    QString dayHigh;
    QString dayLow;
    QuoteValue volume;
};
