#pragma once

#include "extras/music.h"

#include <QLibrary>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

// The music player lives in a library of its own (libopenmpt and the audio stack with it) that is
// loaded a moment after start-up, so the first paint never waits for it. Calls made before then
// are kept and replayed in order; a library that is missing or refuses to load means silence.
class LibraryMusicPlayer final : public QObject, public MusicPlayer
{
public:
    explicit LibraryMusicPlayer(const QString &libraryPath, int delayMs = 300);
    ~LibraryMusicPlayer() override;

    void create(const QString &parameters) override;
    void bind() override;
    void stop() override;
    void load(const QString &path) override;
    void play() override;
    void destroy() override;

    // The library's entry point: a new player, owned by the caller.
    static constexpr const char *kFactory = "quorvane_new_music_player";

private:
    void forward(std::function<void(MusicPlayer &)> call);
    void loadLibrary();

    QLibrary m_library;
    QTimer m_delay;
    std::unique_ptr<MusicPlayer> m_player;
    QList<std::function<void(MusicPlayer &)>> m_pending;
    bool m_done = false;
};
