#include "program.h"

#include "extras/music.h"
#include "game/frmmain.h"
#include "game/gamesession.h"
#include "platform/librarymusicplayer.h"
#include "platform/tcpsocket.h"
#include "sync/localmarket.h"
#include "sync/marketconnection.h"
#include "sync/systemclock.h"

#include <QCoreApplication>
#include <QDir>

std::unique_ptr<GameSession> Program::session(const QString &programFolder)
{
    auto session = std::make_unique<GameSession>(
        QDir::cleanPath(programFolder), std::make_unique<TcpSocket>(), std::make_unique<SystemClock>());
    session->market().setLocalMarket(std::make_unique<LocalMarket>(QCoreApplication::applicationDirPath() +
                                                                   QStringLiteral("/quorvane-market")));
    return session;
}

Program::Program(const QString &programFolder)
    : m_music(std::make_unique<BackgroundMusic>(std::make_unique<LibraryMusicPlayer>(
          QCoreApplication::applicationDirPath() + QStringLiteral("/libquorvane_music.so"))))
{
    MainWindowExtras extras;
    extras.music = m_music.get();
    m_window = std::make_unique<FrmMain>(session(programFolder), std::move(extras));
}

Program::~Program() = default;
