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
    // A four-channel module played once to its end: at least 90 seconds, loud enough in every
    // half minute, never at full scale.
    void soundsLikeMusicToItsEnd()
    {
        QFile file(qEnvironmentVariable("QUORVANE_PROGRAM_DIR") + QStringLiteral("/music/girlfrom.mod"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        std::ostringstream log;
        openmpt::module module(std::vector<char>(bytes.begin(), bytes.end()), log);
        QCOMPARE(module.get_metadata("type"), std::string("mod"));
        QCOMPARE(module.get_num_channels(), 4);
        module.set_repeat_count(0);
        constexpr int kRate = 48000;
        std::vector<float> buffer(2 * 4800);
        double squares = 0;
        qint64 frames = 0;
        float peak = 0;
        while (const std::size_t made =
                   module.read_interleaved_stereo(kRate, buffer.size() / 2, buffer.data())) {
            for (std::size_t i = 0; i < 2 * made; ++i) {
                peak = std::max(peak, std::fabs(buffer[i]));
                squares += double(buffer[i]) * buffer[i];
            }
            frames += qint64(made);
            if (frames % (30 * kRate) < qint64(made)) { // a half minute is complete
                QVERIFY2(std::sqrt(squares / (2 * 30.0 * kRate)) >= 0.02,
                         qPrintable(QString::number(frames)));
                squares = 0;
            }
        }
        QVERIFY2(frames >= qint64(90) * kRate, qPrintable(QString::number(frames)));
        QVERIFY2(peak < 0.99f, qPrintable(QString::number(peak)));
    }
};

QTEST_GUILESS_MAIN(TestModule)
#include "test_module.moc"
