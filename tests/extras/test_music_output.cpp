// Real sound: a private PulseAudio daemon with a null sink, the game started on a program
// folder, and the sink's monitor recorded. Music on is heard; music off is silence; closing the
// window silences it. Skipped when PulseAudio cannot be started here.
#include "common/programfolder.h"
#include "common/testsession.h"
#include "game/frmmain.h"
#include "platform/librarymusicplayer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {
constexpr int kRate = 48000;
constexpr int kFrameBytes = 4;

// Root mean square of 16-bit stereo samples, 0 to 1.
double rms(const QByteArray &pcm)
{
    const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
    const qsizetype count = pcm.size() / 2;
    double squares = 0;
    for (qsizetype i = 0; i < count; ++i)
        squares += double(samples[i]) * samples[i];
    return count ? std::sqrt(squares / double(count)) / 32768.0 : 0.0;
}
} // namespace

class TestMusicOutput : public QObject
{
    Q_OBJECT

    QTemporaryDir m_runtime;
    QProcess m_daemon;
    QString m_server;

private slots:

    void initTestCase()
    {
        const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (pulseaudio.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty())
            QSKIP(
                "pulseaudio or parec is not installed (Debian pulseaudio, pulseaudio-utils): no real-output "
                "test");
        const QString socket = m_runtime.filePath(QStringLiteral("native"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_runtime.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        m_daemon.setProcessEnvironment(env);
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.start(pulseaudio,
                       {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                        QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                        QStringLiteral("--log-level=error"), QStringLiteral("-L"),
                        QStringLiteral("module-null-sink sink_name=qvnull rate=48000"), QStringLiteral("-L"),
                        QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + socket});
        if (!m_daemon.waitForStarted(5000))
            QSKIP("PulseAudio could not be started here");
        if (!QTest::qWaitFor(
                [&] { return QFileInfo::exists(socket) || m_daemon.state() == QProcess::NotRunning; },
                10000) ||
            m_daemon.state() == QProcess::NotRunning)
            QSKIP("PulseAudio started but offers no socket here");
        // Read by the audio library when the game first opens a device, after this point.
        m_server = QStringLiteral("unix:") + socket;
        qputenv("PULSE_SERVER", m_server.toLocal8Bit());
    }

    void cleanupTestCase()
    {
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(5000))
                m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }

    void musicIsHeardOnlyWhenOn_data()
    {
        QTest::addColumn<QByteArray>("musicLine");
        QTest::addColumn<bool>("heard");
        QTest::addRow("music on") << QByteArray("EnableMusic=Yes") << true;
        QTest::addRow("music off") << QByteArray("EnableMusic=No") << false;
    }

    void musicIsHeardOnlyWhenOn()
    {
        QFETCH(QByteArray, musicLine);
        QFETCH(bool, heard);
        TempProgramFolder folder;
        folder.writeSettings("player", "LoadFavorites=No", musicLine);
        folder.write(QStringLiteral("player.qvn"), "100000\r\n");
        // Nothing outside this test answers: the services point at a closed port.
        folder.write(
            QStringLiteral("services.cfg"),
            "QuoteHost=127.0.0.1:9\r\nChartHost=127.0.0.1:9\r\nInfoPage=http://127.0.0.1:9/infos\r\n");
        QFile module(qEnvironmentVariable("QUORVANE_PROGRAM_DIR") + QStringLiteral("/music/girlfrom.mod"));
        QVERIFY(module.open(QIODevice::ReadOnly));
        folder.write(QStringLiteral("music/girlfrom.mod"), module.readAll());

        QProcess recorder;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PULSE_SERVER"), m_server);
        recorder.setProcessEnvironment(env);
        recorder.start(QStringLiteral("parec"),
                       {QStringLiteral("--device=qvnull.monitor"), QStringLiteral("--raw"),
                        QStringLiteral("--format=s16le"), QStringLiteral("--rate=48000"),
                        QStringLiteral("--channels=2")});
        QVERIFY(recorder.waitForStarted(5000));
        QByteArray recorded;
        const auto recordUntil = [&](qsizetype bytes) {
            return QTest::qWaitFor(
                [&] {
                    recorded += recorder.readAllStandardOutput();
                    return recorded.size() >= bytes;
                },
                20000);
        };

        // The window's own player: the music library beside the game, loaded after start-up.
        TestSession ts(folder.path());
        BackgroundMusic music(std::make_unique<LibraryMusicPlayer>(
            qEnvironmentVariable("QUORVANE_PROGRAM_DIR") + QStringLiteral("/libquorvane_music.so")));
        MainWindowExtras extras;
        extras.music = &music;
        auto window = std::make_unique<FrmMain>(ts.release(), std::move(extras));
        window->show();
        // Three seconds of what the sink played while the game ran.
        QVERIFY(recordUntil(3 * kRate * kFrameBytes));
        const double playing = rms(recorded);
        if (heard)
            QVERIFY2(playing > 0.01, qPrintable(QString::number(playing)));
        else
            QCOMPARE(playing, 0.0);

        // Closing stops the sound: after a moment for the device to drain, only silence.
        window->close();
        window.reset();
        const qsizetype closedAt = recorded.size();
        QVERIFY(recordUntil(closedAt + kRate * kFrameBytes));
        const double afterClose = rms(recorded.mid(closedAt + kRate * kFrameBytes / 2));
        QCOMPARE(afterClose, 0.0);
        recorder.terminate();
        recorder.waitForFinished(5000);
    }
};

QTEST_MAIN(TestMusicOutput)
#include "test_music_output.moc"
