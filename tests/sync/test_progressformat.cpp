// The download panel's texts: sizes, times and the percentage bar.
#include "common/rows.h"
#include "model/numbertext.h"
#include "sync/progressformat.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestProgressFormat : public QObject
{
    Q_OBJECT

private slots:
    void formatSize_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        auto row = [](const char *tag, qint64 bytes, const char *text) { ::row(tag, bytes, text); };
        row("0", 0, "0 Bytes");
        row("1023", 1023, "1023 Bytes");
        row("1024", 1024, "1.00 KB");
        row("1536", 1536, "1.50 KB");
        row("tie rounds to even, down", 1152, "1.12 KB");
        row("tie rounds to even, up", 1408, "1.38 KB");
        row("1 024 000 is still KB, no separator", 1024000, "1000.00 KB");
        row("1 024 001", 1024001, "1.00 MB");
        row("2 048 000", 2048000, "2.00 MB");
        row("1 536 000 000 with thousands separator", 1536000000, "1,500.00 MB");
        row("largest 32-bit count", 2147483647, "2,097.15 MB");
    }
    void formatSize()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(Format_Size(bytes, NumberFormat{}), text);
    }

    void formatSizeUsesTheFormatsSeparators()
    {
        const NumberFormat comma = NumberFormat::withDecimal(u',');
        QCOMPARE(comma.thousands, QChar(u'.'));
        QCOMPARE(Format_Size(1536, comma), u"1,50 KB"_s);
        QCOMPARE(Format_Size(1536000000, comma), u"1.500,00 MB"_s);
        QCOMPARE(Format_Size(1536000000, NumberFormat{u'.', u'\''}), u"1'500.00 MB"_s);
        // The user's own format never groups with its decimal separator.
        const NumberFormat mine = NumberFormat::system();
        QVERIFY(mine.thousands != mine.decimal);
    }

    void formatTime_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        auto row = [](const char *tag, qint64 seconds, const char *text) { ::row(tag, seconds, text); };
        row("5", 5, "00:00:05");
        row("59", 59, "00:00:59");
        row("60", 60, "00:01:00");
        row("90", 90, "00:01:30");
        row("3725", 3725, "01:02:05");
        row("a day and more keeps counting hours", 90061, "25:01:01");
        row("negative shows zero", -4, "00:00:00");
    }
    void formatTime()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(Format_Time(seconds), text);
    }

    void percent_data()
    {
        QTest::addColumn<qint64>("stored");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<int>("percent");
        QTest::addColumn<QString>("label");
        auto row = [](const char *tag, qint64 stored, qint64 total, int percent, const char *label) {
            ::row(tag, stored, total, percent, label);
        };
        row("2500 of 10000", 2500, 10000, 25, "25%");
        row("nothing yet", 0, 10000, 0, "%");
        row("complete", 120, 120, 100, "100%");
        row("half a percent to even", 1, 200, 0, "%");
        row("one and a half to even", 3, 200, 2, "2%");
        row("just under complete rounds to 100", 999, 1000, 100, "100%");
        row("largest sizes do not overflow", 2147483646, 2147483647, 100, "100%");
        row("no total", 5, 0, 0, "%");
    }
    void percent()
    {
        QFETCH(qint64, stored);
        QFETCH(qint64, total);
        QFETCH(int, percent);
        QFETCH(QString, label);
        QCOMPARE(progressPercent(stored, total), percent);
        ProgressPicture picture;
        Draw_Progress(picture, progressPercent(stored, total));
        QCOMPARE(picture.label, label);
        QCOMPARE(picture.fill, percent);
    }
};

QTEST_GUILESS_MAIN(TestProgressFormat)
#include "test_progressformat.moc"
