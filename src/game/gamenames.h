#pragma once

#include "model/fileerror.h"
#include "model/gamefolder.h"
#include "model/gamestate.h"

#include <QString>
#include <QStringList>

#include <optional>

// Game names, the files they stand for, and the steps of switching the running game.

// The name box keeps only this many characters, the last ones.
inline constexpr int kMaxGameNameLength = 16;

enum class GameLevel { Easy, Medium, Hard };

// The last kMaxGameNameLength characters of a typed or pasted name; a character made of a
// surrogate pair is never cut in half.
QString limitGameName(const QString &text);
// The new game dialog's file-name preview.
QString newGamePreviewText(const QString &gameName);
// The cash line a new game starts with.
QString startingCashText(GameLevel level);
// "Easy", "Medium" or "Hard", as the trade history records a new game.
QString gameLevelName(GameLevel level);
// Why a name cannot become the base of the game's file names (it would reach outside the
// program folder or is no file name on some platform), or nothing. The empty name is allowed.
std::optional<QString> gameNameProblem(const QString &gameName);
QString replaceQuestionText(const QString &gameName);

// The file names of the saved games in `folder`, sorted without regard to case.
QStringList listSavedGames(const QString &folder);
// A listed file's game name: the file name without ".qvn".
QString gameNameOfFile(const QString &fileName);

// The two preview labels of the load dialog.
struct SavedGamePreview
{
    QString moneyText = QStringLiteral("Available Money : <> USD");
    QString ownerText = QStringLiteral("Property of <>");
};
// Reads only the cash line; a file that cannot be read says so instead of showing a number.
SavedGamePreview previewSavedGame(const GameFolder &folder, const QString &fileName);

// Makes the saved game `fileName` of `folder` the running game: its name, cash and holdings
// go into `state`; with `withFavorites`, its favourites file must exist too and its tickers go
// into `favorites`. Everything is read before anything is stored, so on error neither `state`
// nor `favorites` changes.
FileStatus switchGame(const GameFolder &folder, const QString &fileName, bool withFavorites, GameState &state,
                      QStringList &favorites);
