#pragma once

#include <QString>

#include <memory>

class BackgroundMusic;
class FrmMain;
class GameSession;

// The game as it ships, assembled: a session that reaches the quote service over TCP with the
// system clock and starts the game's own market beside the executable, the music library, and
// the main window over them.
class Program
{
public:
    explicit Program(const QString &programFolder);
    ~Program();

    FrmMain &window() { return *m_window; }

    // The session alone, on the real socket, clock and market (tools and tests build windows
    // of their own on it).
    static std::unique_ptr<GameSession> session(const QString &programFolder);

private:
    // Declared first: the window plays it until it closes.
    std::unique_ptr<BackgroundMusic> m_music;
    std::unique_ptr<FrmMain> m_window;
};
