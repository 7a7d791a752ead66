#pragma once

#include "gamenames.h"
#include "model/fileerror.h"
#include "model/gamefolder.h"
#include "model/gamestate.h"

#include <QString>

// What the new game and load game dialogs may do with the saved games.
class SavedGamesDesk
{
public:
    virtual ~SavedGamesDesk() = default;

    virtual const GameFolder &folder() const = 0;
    // Loading a game fills the stock list with its favourites.
    virtual bool loadsFavorites() const = 0;
    // "Load Player": the saved game `fileName` becomes the running game. On error nothing changed.
    virtual FileStatus loadGame(const QString &fileName) = 0;
    virtual bool savedGameExists(const QString &gameName) const = 0;
    // Writes the files of a new game, its trade history included; the running game stays as it is.
    virtual FileStatus createGame(const QString &gameName, GameLevel level) = 0;
};
