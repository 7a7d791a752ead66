// Which player call happens when: start-up, the options' music choice, closing.
#include "common/casetable.h"
#include "common/recordingplayer.h"
#include "extras/music.h"
#include "platform/librarymusicplayer.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
struct MusicCase
{
    const char *tag;
    QString steps; // start with the music line "EnableMusic=Yes", "EnableMusic=No" or "" (Yes, No, -);
                   // options saved with the box ticked (on) or not (off); the window closing (shut)
    QString calls;
};
const QString kSilent = u"create loop|false, bind, stop"_s;
const QString kPlaying = kSilent + u", load /p/music/girlfrom.mod, play"_s;
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

    // Nothing was loaded after a silent start: "on" has nothing to play until the next start, as
    // the box says. Destroying the music closes the player once.
    void callsInOrder_data()
    {
        caseRows<MusicCase>({
            {"music line Yes", u"Yes"_s, kPlaying + u", destroy"_s},
            {"music line No", u"No"_s, kSilent + u", destroy"_s},
            {"no music line plays", u"-"_s, kPlaying + u", destroy"_s},
            {"started once", u"- -"_s, kPlaying + u", destroy"_s},
            {"options off", u"Yes off"_s, kPlaying + u", stop, destroy"_s},
            {"options on", u"Yes on"_s, kPlaying + u", stop, play, destroy"_s},
            {"on after a silent start", u"No on"_s, kSilent + u", stop, play, destroy"_s},
            {"options before start", u"on shut"_s, QString()},
            {"nothing after closing", u"No shut on"_s, kSilent + u", destroy"_s},
        });
    }
    void callsInOrder()
    {
        QFETCH(MusicCase, c);
        QStringList calls;
        {
            BackgroundMusic music(std::make_unique<RecordingPlayer>(calls));
            for (const QString &step : c.steps.split(u' ')) {
                Settings settings;
                settings.musicLine = step == u"-" ? QString() : u"EnableMusic="_s + step;
                if (step == u"on" || step == u"off")
                    music.ApplyMusicOption(step == u"on");
                else if (step == u"shut")
                    music.ShutDownMusic();
                else
                    music.StartMusic(u"/p"_s, settings);
            }
        }
        QCOMPARE(calls.join(u", "), c.calls);
    }
};

QTEST_GUILESS_MAIN(TestMusic)
#include "test_music.moc"
