#include "model/numbertext.h"
#include "sync/progressformat.h"

#include <QTest>

class TestProgressFormat : public QObject
{
    Q_OBJECT

private slots:
    void formatSize_data();
    void formatSize();
    void formatSizeUsesTheFormatsSeparators();
    void formatTime_data();
    void formatTime();
    void percent_data();
    void percent();
};

void TestProgressFormat::formatSize_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");

    QTest::addRow("0") << qint64(0) << "0 Bytes";
    QTest::addRow("1023") << qint64(1023) << "1023 Bytes";
    QTest::addRow("1024") << qint64(1024) << "1.00 KB";
    QTest::addRow("1536") << qint64(1536) << "1.50 KB";
    QTest::addRow("tie rounds to even, down") << qint64(1152) << "1.12 KB";
    QTest::addRow("tie rounds to even, up") << qint64(1408) << "1.38 KB";
    QTest::addRow("1 024 000 is still KB, no separator") << qint64(1024000) << "1000.00 KB";
    QTest::addRow("1 024 001") << qint64(1024001) << "1.00 MB";
    QTest::addRow("2 048 000") << qint64(2048000) << "2.00 MB";
    QTest::addRow("1 536 000 000 with thousands separator") << qint64(1536000000) << "1,500.00 MB";
    QTest::addRow("largest 32-bit count") << qint64(2147483647) << "2,097.15 MB";
}

void TestProgressFormat::formatSize()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(Format_Size(bytes, NumberFormat{}), text);
}

void TestProgressFormat::formatSizeUsesTheFormatsSeparators()
{
    const NumberFormat comma = NumberFormat::withDecimal(u',');
    QCOMPARE(comma.thousands, QChar(u'.'));
    QCOMPARE(Format_Size(1536, comma), QStringLiteral("1,50 KB"));
    QCOMPARE(Format_Size(1536000000, comma), QStringLiteral("1.500,00 MB"));
    QCOMPARE(Format_Size(1536000000, NumberFormat{u'.', u'\''}), QStringLiteral("1'500.00 MB"));
    // The user's own format never groups with its decimal separator.
    const NumberFormat mine = NumberFormat::system();
    QVERIFY(mine.thousands != mine.decimal);
}

void TestProgressFormat::formatTime_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");

    QTest::addRow("5") << qint64(5) << "00:00:05";
    QTest::addRow("59") << qint64(59) << "00:00:59";
    QTest::addRow("60") << qint64(60) << "00:01:00";
    QTest::addRow("90") << qint64(90) << "00:01:30";
    QTest::addRow("3725") << qint64(3725) << "01:02:05";
    QTest::addRow("a day and more keeps counting hours") << qint64(90061) << "25:01:01";
    QTest::addRow("negative shows zero") << qint64(-4) << "00:00:00";
}

void TestProgressFormat::formatTime()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(Format_Time(seconds), text);
}

void TestProgressFormat::percent_data()
{
    QTest::addColumn<qint64>("stored");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("label");

    QTest::addRow("2500 of 10000") << qint64(2500) << qint64(10000) << 25 << "25%";
    QTest::addRow("nothing yet") << qint64(0) << qint64(10000) << 0 << "%";
    QTest::addRow("complete") << qint64(120) << qint64(120) << 100 << "100%";
    QTest::addRow("half a percent to even") << qint64(1) << qint64(200) << 0 << "%";
    QTest::addRow("one and a half to even") << qint64(3) << qint64(200) << 2 << "2%";
    QTest::addRow("just under complete rounds to 100") << qint64(999) << qint64(1000) << 100 << "100%";
    QTest::addRow("largest sizes do not overflow")
        << qint64(2147483646) << qint64(2147483647) << 100 << "100%";
    QTest::addRow("no total") << qint64(5) << qint64(0) << 0 << "%";
}

void TestProgressFormat::percent()
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

QTEST_GUILESS_MAIN(TestProgressFormat)
#include "test_progressformat.moc"
