#pragma once

#include "model/fileerror.h"
#include "model/gamestate.h"
#include "model/quotepanel.h"

#include <QString>

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
