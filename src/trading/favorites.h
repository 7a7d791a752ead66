#pragma once

#include "model/fileerror.h"
#include "model/gamefolder.h"
#include "model/gamestate.h"
#include "model/quotepanel.h"

#include <Qt>

#include <optional>

// The stock list's right-click menu and its two commands, acting on the selected stock.

struct FavoriteMenuState
{
    bool addEnabled = true;
    bool removeEnabled = false;
};

// Which entry the menu enables for the selected stock, or nothing when no menu is due (no
// stock selected yet, or not the right button). A missing or empty favourites file lists
// nothing; one that cannot be read, or no game loaded, is reported in `problem` and no menu is due.
std::optional<FavoriteMenuState> favoriteMenuState(const GameFolder &programFolder, const GameState &state,
                                                   const QuotePanel &panel, Qt::MouseButton button,
                                                   FileStatus *problem = nullptr);

// "Add to Favorites" and "Remove from Favorites" for the selected stock. A missing favourites
// file is created with its header. The stock list is left as it is. Without a loaded game
// nothing is written and the error says so.
FileStatus addSelectedToFavorites(const GameFolder &programFolder, const GameState &state,
                                  const QuotePanel &panel);
FileStatus removeSelectedFromFavorites(const GameFolder &programFolder, const GameState &state,
                                       const QuotePanel &panel);
