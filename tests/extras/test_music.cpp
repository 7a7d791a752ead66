// Which player call happens when: start-up, the options' music choice, closing.
#include "common/recordingplayer.h"
#include "extras/music.h"

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
    void startUpFollowsTheMusicLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("plays");
        QTest::newRow("Yes") << u"EnableMusic=Yes"_s << true;
        QTest::newRow("No") << u"EnableMusic=No"_s << false;
        QTest::newRow("empty line") << QString() << true;
    }
    void startUpFollowsTheMusicLine()
    {
        QFETCH(QString, line);
        QFETCH(bool, plays);
        QStringList calls;
        BackgroundMusic music(std::make_unique<RecordingPlayer>(calls));
        music.StartMusic(u"/games/qv"_s, withMusicLine(line));
        QStringList expected = {u"create loop|false"_s, u"bind"_s, u"stop"_s};
        if (plays)
            expected << u"load /games/qv/music/girlfrom.mod"_s << u"play"_s;
        QCOMPARE(calls, expected);
    }

    // Nothing was loaded after a silent start: play has nothing to play until the next start, as
    // the box says.
    void optionsStopAndReplay_data()
    {
        QTest::addColumn<QString>("startLine");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("cleared") << u"EnableMusic=Yes"_s << false << QStringList{u"stop"_s};
        QTest::newRow("ticked after music at start")
            << u"EnableMusic=Yes"_s << true << QStringList{u"stop"_s, u"play"_s};
        QTest::newRow("ticked after a silent start")
            << u"EnableMusic=No"_s << true << QStringList{u"stop"_s, u"play"_s};
    }
    void optionsStopAndReplay()
    {
        QFETCH(QString, startLine);
        QFETCH(bool, ticked);
        QFETCH(QStringList, after);
        QStringList calls;
        BackgroundMusic music(std::make_unique<RecordingPlayer>(calls));
        music.StartMusic(u"/p"_s, withMusicLine(startLine));
        const qsizetype atStart = calls.size();
        music.ApplyMusicOption(ticked);
        QCOMPARE(calls.mid(atStart), after);
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
