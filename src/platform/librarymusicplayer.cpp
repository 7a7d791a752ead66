#include "librarymusicplayer.h"

#include <mutex>

namespace {
QtMessageHandler nextHandler = nullptr;

// Without a sound server Qt's PulseAudio backend says so on the terminal; the music is silent
// then by design, so those lines are dropped and every other message goes on as before.
void dropSoundServerWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("PulseAudioService: ")))
        return;
    nextHandler(type, context, message);
}
} // namespace

LibraryMusicPlayer::LibraryMusicPlayer(const QString &libraryPath, int delayMs) : m_library(libraryPath)
{
    static std::once_flag installed;
    std::call_once(installed, [] { nextHandler = qInstallMessageHandler(dropSoundServerWarnings); });
    m_delay.setSingleShot(true);
    m_delay.setInterval(delayMs);
    connect(&m_delay, &QTimer::timeout, this, &LibraryMusicPlayer::loadLibrary);
}

LibraryMusicPlayer::~LibraryMusicPlayer()
{
    destroy();
}

void LibraryMusicPlayer::forward(std::function<void(MusicPlayer &)> call)
{
    if (m_done)
        return;
    if (m_player)
        call(*m_player);
    else
        m_pending.append(std::move(call));
}

void LibraryMusicPlayer::create(const QString &parameters)
{
    forward([parameters](MusicPlayer &p) { p.create(parameters); });
    if (!m_player && !m_done)
        m_delay.start();
}

void LibraryMusicPlayer::bind()
{
    forward([](MusicPlayer &p) { p.bind(); });
}

void LibraryMusicPlayer::stop()
{
    forward([](MusicPlayer &p) { p.stop(); });
}

void LibraryMusicPlayer::load(const QString &path)
{
    forward([path](MusicPlayer &p) { p.load(path); });
}

void LibraryMusicPlayer::play()
{
    forward([](MusicPlayer &p) { p.play(); });
}

void LibraryMusicPlayer::destroy()
{
    m_delay.stop();
    m_pending.clear();
    if (m_player)
        m_player->destroy();
    m_player.reset();
    m_done = true;
}

void LibraryMusicPlayer::loadLibrary()
{
    using Factory = MusicPlayer *(*)();
    const auto factory = reinterpret_cast<Factory>(m_library.resolve(kFactory));
    if (!factory) {
        m_pending.clear();
        m_done = true;
        return;
    }
    m_player.reset(factory());
    for (const auto &call : std::as_const(m_pending))
        call(*m_player);
    m_pending.clear();
}
