// The shipped background music, decoded as the game's player decodes it.
#include <QFile>
#include <QtTest>

#include <libopenmpt/libopenmpt.hpp>

#include <cmath>
#include <sstream>

class TestModule : public QObject
{
    Q_OBJECT

private slots:
    void soundsLikeMusicToItsEnd();

private:
    static QByteArray shipped()
    {
        QFile file(qEnvironmentVariable("QUORVANE_PROGRAM_DIR") + QStringLiteral("/music/girlfrom.mod"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

void TestModule::soundsLikeMusicToItsEnd()
{
    const QByteArray bytes = shipped();
    QVERIFY(!bytes.isEmpty());
    QCOMPARE(bytes.mid(1080, 4), QByteArray("M.K."));
    std::ostringstream log;
    openmpt::module module(std::vector<char>(bytes.begin(), bytes.end()), log);
    QCOMPARE(QString::fromStdString(module.get_metadata("type")), QStringLiteral("mod"));
    QCOMPARE(module.get_num_channels(), 4);
    QVERIFY2(module.get_duration_seconds() >= 90.0,
             qPrintable(QString::number(module.get_duration_seconds())));
    module.set_repeat_count(0);

    // Played once to its end: loud enough in every half minute, never at full scale.
    constexpr int kRate = 48000;
    std::vector<float> buffer(2 * 4800);
    double windowSquares = 0;
    qint64 windowFrames = 0;
    qint64 frames = 0;
    float peak = 0;
    int quietWindows = 0;
    int windows = 0;
    for (;;) {
        const std::size_t made = module.read_interleaved_stereo(kRate, buffer.size() / 2, buffer.data());
        if (made == 0)
            break;
        for (std::size_t i = 0; i < 2 * made; ++i) {
            peak = std::max(peak, std::fabs(buffer[i]));
            windowSquares += double(buffer[i]) * buffer[i];
        }
        windowFrames += qint64(made);
        frames += qint64(made);
        if (windowFrames >= 30 * kRate) {
            ++windows;
            if (std::sqrt(windowSquares / double(2 * windowFrames)) < 0.02)
                ++quietWindows;
            windowSquares = 0;
            windowFrames = 0;
        }
    }
    QVERIFY2(frames >= qint64(90) * kRate, qPrintable(QString::number(frames)));
    QVERIFY(windows >= 3);
    QCOMPARE(quietWindows, 0);
    QVERIFY2(peak < 0.99f, qPrintable(QString::number(peak)));
}

QTEST_GUILESS_MAIN(TestModule)
#include "test_module.moc"
