#include "music.h"

BackgroundMusic::BackgroundMusic(std::unique_ptr<MusicPlayer> player) : m_player(std::move(player))
{}

BackgroundMusic::~BackgroundMusic()
{
    ShutDownMusic();
}

void BackgroundMusic::StartMusic(const QString &programFolder, const Settings &settings)
{
    if (m_created)
        return;
    m_player->create(QStringLiteral("loop|false"));
    m_created = true;
    m_player->bind();
    m_player->stop();
    if (settings.musicEnabled()) {
        m_player->load(programFolder + QStringLiteral("/music/girlfrom.mod"));
        m_player->play();
    }
}

void BackgroundMusic::ApplyMusicOption(bool enabled)
{
    if (!m_created)
        return;
    m_player->stop();
    if (enabled)
        m_player->play();
}

void BackgroundMusic::ShutDownMusic()
{
    if (!m_created)
        return;
    m_player->destroy();
    m_created = false;
}
