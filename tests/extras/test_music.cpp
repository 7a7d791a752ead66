// Which player call happens when: start-up, the options' music choice, closing.
#include "common/recordingplayer.h"
#include "extras/music.h"
#include "platform/librarymusicplayer.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
Settings withMusicLine(const QString &line)
{
    Settings s;
    s.musicLine = line;
    return s;
}
} // namespace

class TestMusic : public QObject
{
    Q_OBJECT

private slots:
    // The real player drops what Qt's audio backend says without a sound server (silence is
    // expected then) and passes every other message on.
    void soundServerWarningsAreDropped()
    {
        static QStringList seen;
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &m) { seen << m; });
        const LibraryMusicPlayer player(u"/nonexistent/libquorvane_music.so"_s);
        qWarning("PulseAudioService: pa_context_connect() failed");
        qWarning("something else");
        qInstallMessageHandler(nullptr);
        QCOMPARE(seen, QStringList{u"something else"_s});
    }

    void startUpFollowsTheMusicLine()
    {
        for (const auto &[line, plays] :
             {std::pair(u"EnableMusic=Yes"_s, true), std::pair(u"EnableMusic=No"_s, false),
              std::pair(QString(), true)}) {
            QStringList calls;
            BackgroundMusic music(std::make_unique<RecordingPlayer>(calls));
            music.StartMusic(u"/games/qv"_s, withMusicLine(line));
            QStringList expected = {u"create loop|false"_s, u"bind"_s, u"stop"_s};
            if (plays)
                expected << u"load /games/qv/music/girlfrom.mod"_s << u"play"_s;
            QCOMPARE(calls, expected);
        }
    }

    // Nothing was loaded after a silent start: play has nothing to play until the next start, as
    // the box says.
    void optionsStopAndReplay()
    {
        const QStringList stop{u"stop"_s}, replay{u"stop"_s, u"play"_s};
        for (const auto &[startLine, ticked, after] :
             {std::tuple(u"EnableMusic=Yes"_s, false, stop), std::tuple(u"EnableMusic=Yes"_s, true, replay),
              std::tuple(u"EnableMusic=No"_s, true, replay)}) {
            QStringList calls;
            BackgroundMusic music(std::make_unique<RecordingPlayer>(calls));
            music.StartMusic(u"/p"_s, withMusicLine(startLine));
            const qsizetype atStart = calls.size();
            music.ApplyMusicOption(ticked);
            QCOMPARE(calls.mid(atStart), after);
        }
    }

    void destroyedOnceAtClosing()
    {
        QStringList calls;
        {
            BackgroundMusic music(std::make_unique<RecordingPlayer>(calls));
            music.StartMusic(u"/p"_s, withMusicLine(u"EnableMusic=No"_s));
            music.ShutDownMusic();
            QCOMPARE(calls.last(), u"destroy"_s);
            music.ApplyMusicOption(true); // options saved after closing began touch nothing
        }
        QCOMPARE(calls.count(u"destroy"_s), 1);
        QCOMPARE(calls.size(), 4);
    }
};

QTEST_GUILESS_MAIN(TestMusic)
#include "test_music.moc"
