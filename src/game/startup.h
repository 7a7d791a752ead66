#pragma once

#include "model/fileerror.h"
#include "model/gamefolder.h"
#include "model/gamestate.h"
#include "model/settings.h"

#include <QStringList>

#include <optional>

// What the main window shows once its start-up has read the settings, the default game
// and, when asked for, its favourites.
struct StartupState
{
    Settings settings;
    GameState game;
    QStringList stockList; // rows for the stock list, in insertion order
    bool openInfoPage = false;
    // The first file that could not be read: the window names it in one message and the
    // game starts empty with the whole catalogue. Nothing is ever written here.
    std::optional<FileError> problem;
};

StartupState loadStartup(const GameFolder &programFolder);
