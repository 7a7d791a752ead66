// Real sound: a private PulseAudio daemon with a null sink, the game started on a program
// folder, and the sink's monitor recorded. Music on is heard, music off is silence, and closing
// the window silences it. Skipped when PulseAudio cannot be started here.
#include "common/programfolder.h"
#include "common/testsession.h"
#include "game/frmmain.h"
#include "platform/librarymusicplayer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {
constexpr qsizetype kSecond = 48000 * 4; // 16-bit stereo at 48 kHz

// Root mean square of 16-bit samples, 0 to 1.
double rms(const QByteArray &pcm)
{
    const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
    double squares = 0;
    for (qsizetype i = 0; i < pcm.size() / 2; ++i)
        squares += double(samples[i]) * samples[i];
    return pcm.size() < 2 ? 0.0 : std::sqrt(squares / double(pcm.size() / 2)) / 32768.0;
}
} // namespace

class TestMusicOutput : public QObject
{
    Q_OBJECT

    QTemporaryDir m_runtime;
    QProcess m_daemon;

private slots:
    void initTestCase()
    {
        const QString pulseaudio = QStandardPaths::findExecutable(u"pulseaudio"_s);
        if (pulseaudio.isEmpty() || QStandardPaths::findExecutable(u"parec"_s).isEmpty())
            QSKIP("pulseaudio or parec is not installed (Debian pulseaudio, pulseaudio-utils)");
        const QString socket = m_runtime.filePath(u"native"_s);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, m_runtime.path());
        env.insert(u"XDG_RUNTIME_DIR"_s, m_runtime.path());
        m_daemon.setProcessEnvironment(env);
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.start(pulseaudio,
                       {u"-n"_s, u"--daemonize=no"_s, u"--exit-idle-time=-1"_s, u"--use-pid-file=no"_s,
                        u"--log-level=error"_s, u"-L"_s, u"module-null-sink sink_name=qvnull rate=48000"_s,
                        u"-L"_s, u"module-native-protocol-unix auth-anonymous=1 socket="_s + socket});
        const auto up = [&] { return QFileInfo::exists(socket) || m_daemon.state() == QProcess::NotRunning; };
        if (!m_daemon.waitForStarted(5000) || !QTest::qWaitFor(up, 10000) ||
            m_daemon.state() == QProcess::NotRunning)
            QSKIP("PulseAudio could not be started here");
        // Read by the game's audio library and by parec when they first connect, after this point.
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(socket));
    }

    void cleanupTestCase()
    {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000))
            m_daemon.kill();
    }

    void musicIsHeardOnlyWhenOn_data()
    {
        QTest::addColumn<QByteArray>("musicLine");
        QTest::addRow("music on") << QByteArray("EnableMusic=Yes");
        QTest::addRow("music off") << QByteArray("EnableMusic=No");
    }
    void musicIsHeardOnlyWhenOn()
    {
        QFETCH(QByteArray, musicLine);
        const QString programDir = qEnvironmentVariable("QUORVANE_PROGRAM_DIR");
        TempProgramFolder folder;
        folder.writeSettings("player", "LoadFavorites=No", musicLine);
        folder.write(u"player.qvn"_s, "100000\r\n");
        // Nothing outside this test answers: the services point at a closed port.
        folder.write(
            u"services.cfg"_s,
            "QuoteHost=127.0.0.1:9\r\nChartHost=127.0.0.1:9\r\nInfoPage=http://127.0.0.1:9/infos\r\n");
        QFile module(programDir + u"/music/girlfrom.mod"_s);
        QVERIFY(module.open(QIODevice::ReadOnly));
        folder.write(u"music/girlfrom.mod"_s, module.readAll());

        QProcess recorder;
        recorder.start(u"parec"_s, {u"--device=qvnull.monitor"_s, u"--raw"_s, u"--format=s16le"_s,
                                    u"--rate=48000"_s, u"--channels=2"_s});
        QVERIFY(recorder.waitForStarted(5000));
        QByteArray recorded;
        const auto recordUntil = [&](qsizetype bytes) {
            return QTest::qWaitFor(
                [&] { return (recorded += recorder.readAllStandardOutput()).size() >= bytes; }, 20000);
        };

        // The window's own player: the music library beside the game, loaded after start-up.
        TestSession ts(folder.path());
        BackgroundMusic music(std::make_unique<LibraryMusicPlayer>(programDir + u"/libquorvane_music.so"_s));
        MainWindowExtras extras;
        extras.music = &music;
        auto window = std::make_unique<FrmMain>(ts.release(), std::move(extras));
        window->show();
        QVERIFY(recordUntil(3 * kSecond));
        const double playing = rms(recorded);
        if (musicLine == "EnableMusic=Yes")
            QVERIFY2(playing > 0.01, qPrintable(QString::number(playing)));
        else
            QCOMPARE(playing, 0.0);

        // Closing stops the sound: after half a second for the device to drain, only silence.
        window->close();
        window.reset();
        const qsizetype closedAt = recorded.size();
        QVERIFY(recordUntil(closedAt + kSecond));
        QCOMPARE(rms(recorded.mid(closedAt + kSecond / 2)), 0.0);
        recorder.terminate();
        recorder.waitForFinished(5000);
    }
};

QTEST_MAIN(TestMusicOutput)
#include "test_music_output.moc"
