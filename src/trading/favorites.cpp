#include "favorites.h"

#include "model/gamefiles.h"

#include <QFileInfo>
#include <QStringList>

std::optional<FavoriteMenuState> favoriteMenuState(const GameFolder &programFolder, const GameState &state,
                                                   const QuotePanel &panel, Qt::MouseButton button,
                                                   FileStatus *problem)
{
    if (panel.lblQuote.isEmpty() || button != Qt::RightButton)
        return std::nullopt;

    QStringList favorites;
    // A missing or empty file lists nothing; the add command writes it anew with its header.
    const QFileInfo file(favoritesPath(programFolder.path, state.gameName));
    if (file.exists() && !(file.isFile() && file.size() == 0)) {
        if (FileStatus error = ReadFavorites(programFolder, state.gameName, favorites)) {
            if (problem)
                *problem = error;
            return std::nullopt;
        }
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
    if (panel.lblQuote.isEmpty())
        return std::nullopt;
    return AddFavorite(programFolder, state.gameName, panel.lblQuote);
}

FileStatus removeSelectedFromFavorites(const GameFolder &programFolder, const GameState &state,
                                       const QuotePanel &panel)
{
    if (panel.lblQuote.isEmpty())
        return std::nullopt;
    return RemoveFavorite(programFolder, state.gameName, panel.lblQuote);
}
