#include "stockselection.h"

#include "model/fileerror.h"
#include "model/stockcatalogue.h"

#include <QFileInfo>

namespace {
// A ticker names a file of the data folder only when it cannot climb out of it; the list may
// come from a favourites file edited by hand.
bool isPlainFileName(const QString &ticker)
{
    return !ticker.isEmpty() && ticker != QLatin1String(".") && ticker != QLatin1String("..") &&
           !ticker.contains(QLatin1Char('/')) && !ticker.contains(QLatin1Char('\\')) &&
           !ticker.contains(QChar(0));
}
} // namespace

std::optional<QString> browseRefusal(const GameState &state)
{
    if (!state.isTrading())
        return std::nullopt;
    return QStringLiteral(
        "You can't browse stocks when trading [buy/sell]\nPlease finish your operation first.");
}

void selectStock(QuotePanel &panel, const GameState &state, const QString &ticker)
{
    panel.lblQuote = ticker;
    panel.lblFullName = CompanyNameOf(ticker);
    panel.clearQuoteFields();
    panel.lblOwned = ownedText(state, ticker);
}

QString ownedText(const GameState &state, const QString &ticker)
{
    if (state.holdings.isEmpty())
        return QString();
    for (const Holding &h : state.holdings) {
        if (h.ticker == ticker)
            return QString::number(h.quantity);
    }
    return QStringLiteral("0");
}

QString logoPath(const QString &programFolder, const QString &ticker)
{
    const QString data = programFolder + QStringLiteral("/data/");
    if (isPlainFileName(ticker)) {
        QString own = data + ticker + QStringLiteral(".gif");
        if (QFileInfo(own).isFile())
            return own;
    }
    return data + QStringLiteral("null.gif");
}
