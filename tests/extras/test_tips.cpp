// The tips ring, the random pick and what a damaged tips folder does.
#include "common/notafile.h"
#include "common/programfolder.h"
#include "common/scriptedrandom.h"
#include "extras/tips.h"

#include <QtTest>

namespace {
void layOutTips(const TempProgramFolder &folder, const QByteArray &count, int files)
{
    folder.write(QStringLiteral("tips/0.txt"), count);
    for (int n = 1; n <= files; ++n)
        folder.write(QStringLiteral("tips/%1.txt").arg(n), "Tip " + QByteArray::number(n) + "\r\nmore\r\n");
}

// `files` tips under a count file holding `count` (no folder at all for -1), drawn from `draws`;
// the start-up tip is shown.
struct Panel
{
    Panel(const QByteArray &count, int files, QList<float> draws)
        : random(std::move(draws)), tips(folder.path(), random)
    {
        if (files >= 0)
            layOutTips(folder, count, files);
        tips.ShowStartupTip();
    }
    TempProgramFolder folder;
    ScriptedRandom random;
    TipsOfTheDay tips;
};

QString captionOf(int n)
{
    return QStringLiteral("Tip of the Day - #%1\r\n\r\nTip %1").arg(n);
}
} // namespace

class TestTips : public QObject
{
    Q_OBJECT

private slots:
    void countFromText_data();
    void countFromText();
    void firstLineOnly();
    void randomNumberIsFloorOfProductPlusOne_data();
    void randomNumberIsFloorOfProductPlusOne();
    void ringWrapsBothWays();
    void randomNeverShowsTheCurrentTip();
    void stuckGeneratorStillMoves();
    void tipFilesThatAreNoFiles_data();
    void tipFilesThatAreNoFiles();
    void damagedFolders_data();
    void damagedFolders();
    void clockSeededValuesStayBelowOne();
};

void TestTips::countFromText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("count"); // -1: no count

    QTest::addRow("later lines unread") << QByteArray("12\r\n99\r\n") << 12;
    QTest::addRow("blanks before") << QByteArray("  7") << 7;
    QTest::addRow("text after the digits") << QByteArray("34 tips") << 34;
    QTest::addRow("largest 16-bit") << QByteArray("32767") << 32767;
    QTest::addRow("beyond 16 bits") << QByteArray("32768") << -1;
    QTest::addRow("negative") << QByteArray("-3") << -1;
    QTest::addRow("not a number") << QByteArray("ten\r\n") << -1;
    QTest::addRow("number on line 2") << QByteArray("\r\n5") << -1;
    QTest::addRow("empty") << QByteArray() << -1;
}

void TestTips::countFromText()
{
    QFETCH(QByteArray, text);
    QFETCH(int, count);
    const std::optional<qint16> got = tipCountFromText(text);
    QCOMPARE(got ? int(*got) : -1, count);
}

void TestTips::firstLineOnly()
{
    QCOMPARE(tipTextFromBytes("Buy low.\r\nSell high."), QStringLiteral("Buy low."));
    QCOMPARE(tipTextFromBytes("Unix line\nsecond"), QStringLiteral("Unix line"));
    QCOMPARE(tipTextFromBytes("Old Mac\rsecond"), QStringLiteral("Old Mac"));
    QCOMPARE(tipTextFromBytes("no end of line"), QStringLiteral("no end of line"));
    QCOMPARE(tipTextFromBytes("caf\xc3\xa9"), QStringLiteral("caf\u00e9"));
}

void TestTips::randomNumberIsFloorOfProductPlusOne_data()
{
    QTest::addColumn<float>("r");
    QTest::addColumn<int>("tip");

    QTest::addRow("zero") << 0.0f << 1;
    QTest::addRow("just below a step") << 0.0999f << 1;
    QTest::addRow("on a step") << 0.1f << 2;
    QTest::addRow("half") << 0.5f << 6;
    QTest::addRow("largest float below 1") << std::nextafter(1.0f, 0.0f) << 10;
    QTest::addRow("a broken generator's 1") << 1.0f << 10;
}

void TestTips::randomNumberIsFloorOfProductPlusOne()
{
    QFETCH(float, r);
    QFETCH(int, tip);
    Panel p("10\r\n", 10, {r});
    TipsOfTheDay &tips = p.tips;
    QCOMPARE(tips.current(), tip);
    QCOMPARE(tips.caption(), captionOf(tip));
    QCOMPARE(p.random.reseeds, 0);
}

void TestTips::ringWrapsBothWays()
{
    Panel p("10\r\n", 10, {0.95f});
    TipsOfTheDay &tips = p.tips;
    QCOMPARE(tips.current(), 10);
    tips.cmdNextTip_Click();
    QCOMPARE(tips.caption(), captionOf(1));
    tips.cmdPreviousTip_Click();
    QCOMPARE(tips.caption(), captionOf(10));
    tips.cmdPreviousTip_Click();
    QCOMPARE(tips.caption(), captionOf(9));
}

void TestTips::randomNeverShowsTheCurrentTip()
{
    // Start on 7; the click draws 7, 7 and then 2; the next click draws 2 and then 7 again.
    Panel p("10\r\n", 10, {0.65f, 0.61f, 0.69f, 0.15f, 0.1f, 0.6f});
    TipsOfTheDay &tips = p.tips;
    QCOMPARE(tips.current(), 7);
    tips.cmdRandomTip_Click();
    QCOMPARE(tips.current(), 2);
    QCOMPARE(p.random.draws, 4);
    tips.cmdRandomTip_Click();
    QCOMPARE(tips.current(), 7);
    QCOMPARE(tips.caption(), captionOf(7));
    QCOMPARE(p.random.reseeds, 2);
}

void TestTips::stuckGeneratorStillMoves()
{
    Panel p("3\r\n", 3, {0.0f});
    TipsOfTheDay &tips = p.tips;
    tips.cmdRandomTip_Click();
    QCOMPARE(tips.current(), 2);
}

void TestTips::tipFilesThatAreNoFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("thing");
    for (const char *file : {"0.txt", "1.txt"}) {
        for (const char *thing : {"named pipe", "folder", "device"})
            QTest::addRow("%s is a %s", file, thing)
                << QString::fromLatin1(file) << QString::fromLatin1(thing);
    }
}

// The tips panel skips a FIFO or device in its folder instead of holding up the window.
void TestTips::tipFilesThatAreNoFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, thing);
    TempProgramFolder folder;
    layOutTips(folder, "1\r\n", 1);
    const QString path = folder.file(QStringLiteral("tips/") + file);
    QVERIFY(QFile::remove(path));
    if (!putNotAFile(path, thing))
        QSKIP("a device node needs root");
    ScriptedRandom random({0.5f});
    TipsOfTheDay tips(folder.path(), random);
    tips.ShowStartupTip();
    QCOMPARE(tips.count(), file == u"0.txt" ? 0 : 1);
    QCOMPARE(tips.caption(), file == u"0.txt" ? QString() : QStringLiteral("Tip of the Day - #1\r\n\r\n"));
}

void TestTips::damagedFolders_data()
{
    QTest::addColumn<QByteArray>("count");
    QTest::addColumn<int>("files");
    QTest::addColumn<QString>("startCaption");
    QTest::addColumn<QString>("afterRandom");
    QTest::addColumn<QString>("afterNext");

    const QString none;
    const QString one = captionOf(1);
    QTest::addRow("no tips folder") << QByteArray() << -1 << none << none << none;
    QTest::addRow("count not a number") << QByteArray("many") << 3 << none << none << none;
    QTest::addRow("count 0") << QByteArray("0\r\n") << 3 << none << none << none;
    QTest::addRow("count 1") << QByteArray("1\r\n") << 3 << one << one << one;
    QTest::addRow("tip files missing")
        << QByteArray("2\r\n") << 0 << QStringLiteral("Tip of the Day - #1\r\n\r\n")
        << QStringLiteral("Tip of the Day - #2\r\n\r\n") << QStringLiteral("Tip of the Day - #1\r\n\r\n");
}

void TestTips::damagedFolders()
{
    QFETCH(QByteArray, count);
    QFETCH(int, files);
    QFETCH(QString, startCaption);
    QFETCH(QString, afterRandom);
    QFETCH(QString, afterNext);
    Panel p(count, files, {0.0f, 0.9f});
    TipsOfTheDay &tips = p.tips;
    QCOMPARE(tips.caption(), startCaption);
    tips.cmdRandomTip_Click();
    QCOMPARE(tips.caption(), afterRandom);
    tips.cmdNextTip_Click();
    QCOMPARE(tips.caption(), afterNext);
}

void TestTips::clockSeededValuesStayBelowOne()
{
    ClockSeededRandom random;
    float lowest = 1.0f;
    float highest = 0.0f;
    for (int i = 0; i < 100000; ++i) {
        const float r = random.next();
        QVERIFY(r >= 0.0f && r < 1.0f);
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    // Spread over the whole range, not stuck in a corner of it.
    QVERIFY(lowest < 0.001f && highest > 0.999f);
}

QTEST_GUILESS_MAIN(TestTips)
#include "test_tips.moc"
