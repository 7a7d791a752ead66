// The tips ring, the random pick and what a damaged tips folder does.
#include "common/programfolder.h"
#include "common/rows.h"
#include "common/scriptedrandom.h"
#include "extras/tips.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
// `files` tips under a count file holding `count` (no folder at all for -1), drawn from `draws`;
// the start-up tip is shown.
struct Panel
{
    Panel(const QByteArray &count, int files, QList<float> draws)
        : random(std::move(draws)), tips(folder.path(), random)
    {
        if (files >= 0)
            folder.write(u"tips/0.txt"_s, count);
        for (int n = 1; n <= files; ++n)
            folder.write(u"tips/%1.txt"_s.arg(n), "Tip " + QByteArray::number(n) + "\r\nmore\r\n");
        tips.ShowStartupTip();
    }
    TempProgramFolder folder;
    ScriptedRandom random;
    TipsOfTheDay tips;
};

QString captionOf(int n)
{
    return u"Tip of the Day - #%1\r\n\r\nTip %1"_s.arg(n);
}
} // namespace

class TestTips : public QObject
{
    Q_OBJECT

private slots:
    void countFromText()
    {
        for (const auto &[text, count] : // -1: no count
             {std::pair(QByteArray("12\r\n99\r\n"), 12), std::pair(QByteArray("  7"), 7),
              std::pair(QByteArray("34 tips"), 34), std::pair(QByteArray("32767"), 32767),
              std::pair(QByteArray("32768"), -1), std::pair(QByteArray("-3"), -1),
              std::pair(QByteArray("ten\r\n"), -1), std::pair(QByteArray("\r\n5"), -1),
              std::pair(QByteArray(), -1)})
            QCOMPARE(int(tipCountFromText(text).value_or(-1)), count);
    }

    void firstLineOnly()
    {
        QCOMPARE(tipTextFromBytes("Buy low.\r\nSell high."), u"Buy low."_s);
        QCOMPARE(tipTextFromBytes("Unix line\nsecond"), u"Unix line"_s);
        QCOMPARE(tipTextFromBytes("Old Mac\rsecond"), u"Old Mac"_s);
        QCOMPARE(tipTextFromBytes("no end of line"), u"no end of line"_s);
        QCOMPARE(tipTextFromBytes("caf\xc3\xa9"), u"caf\u00e9"_s);
    }

    // Zero, just below a step, on a step, half, the largest float below 1 and a broken generator's 1.
    void randomNumberIsFloorOfProductPlusOne()
    {
        for (const auto &[r, tip] :
             {std::pair(0.0f, 1), std::pair(0.0999f, 1), std::pair(0.1f, 2), std::pair(0.5f, 6),
              std::pair(std::nextafter(1.0f, 0.0f), 10), std::pair(1.0f, 10)}) {
            Panel p("10\r\n", 10, {r});
            QCOMPARE(p.tips.current(), tip);
            QCOMPARE(p.tips.caption(), captionOf(tip));
            QCOMPARE(p.random.reseeds, 0);
        }
    }

    void ringWrapsBothWays()
    {
        Panel p("10\r\n", 10, {0.95f});
        QCOMPARE(p.tips.current(), 10);
        p.tips.cmdNextTip_Click();
        QCOMPARE(p.tips.caption(), captionOf(1));
        p.tips.cmdPreviousTip_Click();
        QCOMPARE(p.tips.caption(), captionOf(10));
        p.tips.cmdPreviousTip_Click();
        QCOMPARE(p.tips.caption(), captionOf(9));
    }

    void randomNeverShowsTheCurrentTip()
    {
        // Start on 7; the click draws 7, 7 and then 2; the next click draws 2 and then 7 again.
        Panel p("10\r\n", 10, {0.65f, 0.61f, 0.69f, 0.15f, 0.1f, 0.6f});
        QCOMPARE(p.tips.current(), 7);
        p.tips.cmdRandomTip_Click();
        QCOMPARE(p.tips.current(), 2);
        QCOMPARE(p.random.draws, 4);
        p.tips.cmdRandomTip_Click();
        QCOMPARE(p.tips.caption(), captionOf(7));
        QCOMPARE(p.random.reseeds, 2);
        // A stuck generator still moves on.
        Panel stuck("3\r\n", 3, {0.0f});
        stuck.tips.cmdRandomTip_Click();
        QCOMPARE(stuck.tips.current(), 2);
    }

    void damagedFolders_data()
    {
        QTest::addColumn<QByteArray>("count");
        QTest::addColumn<int>("files");
        QTest::addColumn<QStringList>("captions"); // at start, after Random, after Next
        const QStringList none(3, QString());
        const auto bare = [](int n) { return u"Tip of the Day - #%1\r\n\r\n"_s.arg(n); };
        row("no tips folder", QByteArray(), -1, none);
        row("count not a number", QByteArray("many"), 3, none);
        row("count 0", QByteArray("0\r\n"), 3, none);
        row("count 1", QByteArray("1\r\n"), 3, QStringList(3, captionOf(1)));
        row("tip files missing", QByteArray("2\r\n"), 0, QStringList{bare(1), bare(2), bare(1)});
    }
    void damagedFolders()
    {
        QFETCH(QByteArray, count);
        QFETCH(int, files);
        QFETCH(QStringList, captions);
        Panel p(count, files, {0.0f, 0.9f});
        QStringList seen{p.tips.caption()};
        p.tips.cmdRandomTip_Click();
        seen.append(p.tips.caption());
        p.tips.cmdNextTip_Click();
        seen.append(p.tips.caption());
        QCOMPARE(seen, captions);
    }

    void clockSeededValuesStayBelowOne()
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
};

QTEST_GUILESS_MAIN(TestTips)
#include "test_tips.moc"
