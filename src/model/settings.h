#pragma once

#include <QString>

// The seven lines of options.cfg, kept exactly as read.
struct Settings
{
    QString firstLine;
    QString defaultGame;
    QString favoritesLine;
    QString musicLine;
    QString proxyLine;
    QString proxyHost;
    QString proxyPort;

    // Switches are on only for their exact text; music is off only for exactly "EnableMusic=No".
    bool loadFavorites() const { return favoritesLine == QLatin1String("LoadFavorites=Yes"); }
    bool musicEnabled() const { return musicLine != QLatin1String("EnableMusic=No"); }
    bool useProxy() const { return proxyLine == QLatin1String("UseProxy=Yes"); }
};

// What the options dialog hands to WriteSettings.
struct SettingsChoice
{
    QString defaultGame;
    bool loadFavorites = false;
    bool enableMusic = true;
    bool useProxy = false;
    QString proxyHost;
    QString proxyPort;
};
