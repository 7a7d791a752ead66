// The download panel's texts: sizes, times and the percentage bar. Each check names its input.
#include "model/numbertext.h"
#include "sync/progressformat.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestProgressFormat : public QObject
{
    Q_OBJECT

private slots:
    void formatSize()
    {
        // Ties round to even (1152, 1408); 1 024 000 is still KB and ungrouped; 2^31 - 1 fits.
        for (const auto &[bytes, text] : {std::pair<qint64, const char *>{0, "0 Bytes"},
                                          {1023, "1023 Bytes"},
                                          {1024, "1.00 KB"},
                                          {1536, "1.50 KB"},
                                          {1152, "1.12 KB"},
                                          {1408, "1.38 KB"},
                                          {1024000, "1000.00 KB"},
                                          {1024001, "1.00 MB"},
                                          {2048000, "2.00 MB"},
                                          {1536000000, "1,500.00 MB"},
                                          {2147483647, "2,097.15 MB"}})
            QCOMPARE(u"%1: "_s.arg(bytes) + Format_Size(bytes, NumberFormat{}),
                     u"%1: "_s.arg(bytes) + QLatin1String(text));
        const NumberFormat comma = NumberFormat::withDecimal(u',');
        QCOMPARE(comma.thousands, QChar(u'.'));
        QCOMPARE(Format_Size(1536, comma), u"1,50 KB"_s);
        QCOMPARE(Format_Size(1536000000, comma), u"1.500,00 MB"_s);
        QCOMPARE(Format_Size(1536000000, NumberFormat{u'.', u'\''}), u"1'500.00 MB"_s);
        // The user's own format never groups with its decimal separator.
        const NumberFormat mine = NumberFormat::system();
        QVERIFY(mine.thousands != mine.decimal);
    }

    void formatTime()
    {
        // A day and more keeps counting hours; negative shows zero.
        for (const auto &[seconds, text] : {std::pair<qint64, const char *>{5, "00:00:05"},
                                            {59, "00:00:59"},
                                            {60, "00:01:00"},
                                            {90, "00:01:30"},
                                            {3725, "01:02:05"},
                                            {90061, "25:01:01"},
                                            {-4, "00:00:00"}})
            QCOMPARE(u"%1: "_s.arg(seconds) + Format_Time(seconds),
                     u"%1: "_s.arg(seconds) + QLatin1String(text));
    }

    void percent()
    {
        // stored, total, percent: halves round to even, 999/1000 to 100, no total is 0.
        const struct
        {
            qint64 stored, total;
            int percent;
        } cases[] = {{2500, 10000, 25},
                     {0, 10000, 0},
                     {120, 120, 100},
                     {1, 200, 0},
                     {3, 200, 2},
                     {999, 1000, 100},
                     {2147483646, 2147483647, 100},
                     {5, 0, 0}};
        for (const auto &c : cases) {
            const QString of = u"%1/%2: "_s.arg(c.stored).arg(c.total);
            ProgressPicture picture;
            Draw_Progress(picture, progressPercent(c.stored, c.total));
            const QString label = c.percent ? QString::number(c.percent) + u'%' : u"%"_s;
            QCOMPARE(of + picture.label + u' ' + QString::number(picture.fill),
                     of + label + u' ' + QString::number(c.percent));
        }
    }
};

QTEST_GUILESS_MAIN(TestProgressFormat)
#include "test_progressformat.moc"
