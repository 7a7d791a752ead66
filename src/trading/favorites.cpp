#include "favorites.h"

#include "model/gamefiles.h"

#include <QStringList>

std::optional<FavoriteMenuState> favoriteMenuState(const GameFolder &programFolder, const GameState &state,
                                                   const QuotePanel &panel, Qt::MouseButton button,
                                                   FileStatus *problem)
{
    if (panel.lblQuote.isEmpty() || button != Qt::RightButton)
        return std::nullopt;

    if (!state.gameName) {
        if (problem)
            *problem = noGameLoaded(FileAction::Read);
        return std::nullopt;
    }
    QStringList favorites;
    if (FileStatus error = ReadFavoritesIfAny(programFolder, *state.gameName, favorites)) {
        if (problem)
            *problem = error;
        return std::nullopt;
    }
    FavoriteMenuState menu;
    if (favorites.contains(panel.lblQuote)) {
        menu.addEnabled = false;
        menu.removeEnabled = true;
    }
    return menu;
}

FileStatus addSelectedToFavorites(const GameFolder &programFolder, const GameState &state,
                                  const QuotePanel &panel)
{
    if (!state.gameName)
        return noGameLoaded(FileAction::Write);
    if (panel.lblQuote.isEmpty())
        return std::nullopt;
    return AddFavorite(programFolder, *state.gameName, panel.lblQuote);
}

FileStatus removeSelectedFromFavorites(const GameFolder &programFolder, const GameState &state,
                                       const QuotePanel &panel)
{
    if (!state.gameName)
        return noGameLoaded(FileAction::Write);
    if (panel.lblQuote.isEmpty())
        return std::nullopt;
    return RemoveFavorite(programFolder, *state.gameName, panel.lblQuote);
}
