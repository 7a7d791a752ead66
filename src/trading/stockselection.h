#pragma once

#include "model/fileerror.h"
#include "model/gamestate.h"
#include "quotepanel.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// What selecting a row of the stock list does to the quote panel and the files around it.

// The message to show instead of a selection while a buy or sell dialog is open.
std::optional<QString> browseRefusal(const GameState &state);

// Makes `ticker` the selected stock: its ticker, company name and shares owned, with every
// quote field cleared until the synchronisation fills them again.
void selectStock(QuotePanel &panel, const GameState &state, const QString &ticker);

// The shares owned as "Owned :" shows them: the first holding of the ticker, "0" when the game
// holds other stocks only, and empty for a game without holdings.
QString ownedText(const GameState &state, const QString &ticker);

// The stock's own logo when the program folder has one, otherwise the stand-in logo.
QString logoPath(const QString &programFolder, const QString &ticker);

// The chart page shown for a stock: two CR LF lines naming the chart image, whose service
// runs on `chartHost` ("host" or "host:port").
QByteArray chartPageBytes(const QString &chartHost, const QString &ticker);
// The chart image the page names, for a view that shows it directly.
QString chartImageAddress(const QString &chartHost, const QString &ticker);
QUrl chartImageUrl(const QString &chartHost, const QString &ticker);
QString chartPagePath(const QString &programFolder);
// Replaces the chart page with the one for `ticker`, creating its folder when needed.
FileStatus writeChartPage(const QString &programFolder, const QString &chartHost, const QString &ticker);
