// Which player call happens when: start-up, the options' music choice, closing.
#include "common/recordingplayer.h"
#include "extras/music.h"

#include <QtTest>

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
    void startUpFollowsTheMusicLine_data();
    void startUpFollowsTheMusicLine();
    void optionsStopAndReplay_data();
    void optionsStopAndReplay();
    void destroyedOnceAtClosing();
};

void TestMusic::startUpFollowsTheMusicLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("plays");

    QTest::addRow("Yes") << QStringLiteral("EnableMusic=Yes") << true;
    QTest::addRow("No") << QStringLiteral("EnableMusic=No") << false;
    QTest::addRow("no in another case") << QStringLiteral("EnableMusic=no") << true;
    QTest::addRow("trailing blank") << QStringLiteral("EnableMusic=No ") << true;
    QTest::addRow("empty line") << QString() << true;
    QTest::addRow("other text") << QStringLiteral("music off") << true;
}

void TestMusic::startUpFollowsTheMusicLine()
{
    QFETCH(QString, line);
    QFETCH(bool, plays);
    QStringList calls;
    BackgroundMusic music(std::make_unique<RecordingPlayer>(calls));
    music.StartMusic(QStringLiteral("/games/qv"), withMusicLine(line));
    QStringList expected = {QStringLiteral("create loop|false"), QStringLiteral("bind"),
                            QStringLiteral("stop")};
    if (plays)
        expected << QStringLiteral("load /games/qv/music/girlfrom.mod") << QStringLiteral("play");
    QCOMPARE(calls, expected);
}

void TestMusic::optionsStopAndReplay_data()
{
    QTest::addColumn<QString>("startLine");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QStringList>("after");

    QTest::addRow("cleared") << QStringLiteral("EnableMusic=Yes") << false
                             << QStringList{QStringLiteral("stop")};
    QTest::addRow("ticked after music at start")
        << QStringLiteral("EnableMusic=Yes") << true
        << QStringList{QStringLiteral("stop"), QStringLiteral("play")};
    // Nothing was loaded: play has nothing to play until the next start, as the box says.
    QTest::addRow("ticked after a silent start")
        << QStringLiteral("EnableMusic=No") << true
        << QStringList{QStringLiteral("stop"), QStringLiteral("play")};
}

void TestMusic::optionsStopAndReplay()
{
    QFETCH(QString, startLine);
    QFETCH(bool, ticked);
    QFETCH(QStringList, after);
    QStringList calls;
    BackgroundMusic music(std::make_unique<RecordingPlayer>(calls));
    music.StartMusic(QStringLiteral("/p"), withMusicLine(startLine));
    const qsizetype atStart = calls.size();
    music.ApplyMusicOption(ticked);
    QCOMPARE(calls.mid(atStart), after);
}

void TestMusic::destroyedOnceAtClosing()
{
    QStringList calls;
    {
        BackgroundMusic music(std::make_unique<RecordingPlayer>(calls));
        music.StartMusic(QStringLiteral("/p"), withMusicLine(QStringLiteral("EnableMusic=No")));
        music.ShutDownMusic();
        QCOMPARE(calls.last(), QStringLiteral("destroy"));
        // Options saved after closing began touch nothing.
        music.ApplyMusicOption(true);
    }
    QCOMPARE(calls.count(QStringLiteral("destroy")), 1);
    QCOMPARE(calls.size(), 4);
}

QTEST_GUILESS_MAIN(TestMusic)
#include "test_music.moc"
