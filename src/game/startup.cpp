#include "startup.h"

#include "model/gamefiles.h"
#include "model/stockcatalogue.h"

StartupState loadStartup(const GameFolder &programFolder)
{
    StartupState s;
    auto startEmpty = [&s](const FileError &error) {
        s.problem = error;
        // No game at all: nothing that follows may rewrite a file we could not read.
        s.game.gameName.reset();
        s.game.cash = Money();
        s.game.holdings.clear();
        s.stockList = AllTickers();
        s.openInfoPage = true;
        return s;
    };

    if (FileStatus error = ReadSettings(programFolder, s.settings))
        return startEmpty(*error);
    const QString gameName = s.settings.defaultGame;
    if (FileStatus error = ReadSavedGame(programFolder, gameName, s.game))
        return startEmpty(*error);

    if (s.settings.loadFavorites()) {
        if (FileStatus error = ReadFavorites(programFolder, gameName, s.stockList))
            return startEmpty(*error);
        s.openInfoPage = false;
    } else {
        s.stockList = AllTickers();
        s.openInfoPage = true;
    }
    s.game.gameName = gameName;
    return s;
}
