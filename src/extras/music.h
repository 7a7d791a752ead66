#pragma once

#include "model/settings.h"

#include <QString>

#include <memory>

// Something that plays one tracker module in the background. Calls come from the GUI thread
// and return at once; failures are swallowed and leave the game silent.
class MusicPlayer
{
public:
    virtual ~MusicPlayer() = default;
    // `parameters` is "name|value"; "loop|false" plays the module once to its end.
    virtual void create(const QString &parameters) = 0;
    // Binds the player to its host; players that need none do nothing.
    virtual void bind() = 0;
    virtual void stop() = 0;
    virtual void load(const QString &path) = 0;
    virtual void play() = 0;
    // Releases everything; the sound stops at once.
    virtual void destroy() = 0;
};

// A player that plays nothing, for sessions that were given none.
class SilentPlayer final : public MusicPlayer
{
public:
    void create(const QString &) override {}
    void bind() override {}
    void stop() override {}
    void load(const QString &) override {}
    void play() override {}
    void destroy() override {}
};

// The background music: when the player is made, loaded, started, stopped and destroyed.
class BackgroundMusic
{
public:
    explicit BackgroundMusic(std::unique_ptr<MusicPlayer> player);
    ~BackgroundMusic();

    // Start-up, once the settings are read: plays music/girlfrom.mod unless the music line is
    // exactly "EnableMusic=No".
    void StartMusic(const QString &programFolder, const Settings &settings);
    // The options were saved: the music stops, and plays again when `enabled`. Only a module
    // loaded at start-up can play.
    void ApplyMusicOption(bool enabled);
    // The main window is closing.
    void ShutDownMusic();

private:
    std::unique_ptr<MusicPlayer> m_player;
    bool m_created = false;
};
