#pragma once

#include <QString>
#include <QStringList>

// Where the game keeps its files, in this order: the executable's own folder when it holds
// options.cfg and the player may write there (the build folder, an older flat install); the
// shipped data folder when the same holds for it (an install into a prefix of the player's own);
// otherwise (a system package, read-only for players) a per-user copy of the shipped data folder.
struct ProgramFolderChoice
{
    QString path;
    // Where the game's shipped files are: the executable's folder, or <prefix>/share/games/quorvane
    // for programs installed in <prefix>/lib/games/quorvane.
    QString shipped;
    // Files of the installation that could not be brought into the per-user copy, one line each.
    QStringList problems;
};

ProgramFolderChoice chooseProgramFolder(const QString &executableFolder, const QString &perUserFolder);

// Brings the per-user copy up to date with the installation. Files the player owns (settings,
// saved games, favourites, tips) are copied only when missing. The other shipped files are
// copied when missing or when they differ in size or time from the installed ones, so an
// upgraded package reaches the copy. Programs and libraries stay where they were installed.
QStringList refreshPerUserCopy(const QString &installed, const QString &copy);
