// The tips ring, the random pick and what a damaged tips folder does.
#include "common/casetable.h"
#include "common/programfolder.h"
#include "common/rows.h"
#include "common/scriptedrandom.h"
#include "extras/tips.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
// `files` tips "Tip N" under a count file (no tips folder for -1), drawn from `draws`; `shown`:
// the start-up tip, then one per click of Random, Next or Previous.
struct PanelCase
{
    const char *tag;
    QByteArray count;
    int files;
    QList<float> draws;
    QString clicks, shown;
    int reseeds, drawn;
};

// "7" for tip 7 with its text "Tip 7", "7:" for its number alone, "-" for nothing; else the caption.
QString brief(const QString &caption)
{
    static const QRegularExpression shape(u"^Tip of the Day - #(\\d+)\r\n\r\n(Tip \\1)?\\z"_s);
    const QRegularExpressionMatch m = shape.match(caption);
    if (caption.isEmpty() || !m.hasMatch())
        return caption.isEmpty() ? u"-"_s : caption;
    return m.captured(1) + (m.hasCaptured(2) ? QString() : u":"_s);
}
} // namespace

class TestTips : public QObject
{
    Q_OBJECT

private slots:
    void firstLineOfAFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("count"); // -1: no count
        QTest::addColumn<QString>("text");
        row("count, then more", QByteArray("12\r\n99\r\n"), 12, u"12"_s);
        row("blanks before", QByteArray("  7"), 7, u"  7"_s);
        row("words after", QByteArray("34 tips"), 34, u"34 tips"_s);
        row("largest count", QByteArray("32767"), 32767, u"32767"_s);
        row("too large", QByteArray("32768"), -1, u"32768"_s);
        row("negative", QByteArray("-3"), -1, u"-3"_s);
        row("a word", QByteArray("ten\r\n"), -1, u"ten"_s);
        row("empty first line", QByteArray("\r\n5"), -1, QString());
        row("empty", QByteArray(), -1, QString());
        row("Unix line end", QByteArray("Unix line\nsecond"), -1, u"Unix line"_s);
        row("old Mac line end", QByteArray("Old Mac\rsecond"), -1, u"Old Mac"_s);
        row("UTF-8", QByteArray("caf\xc3\xa9"), -1, u"caf\u00e9"_s);
    }
    void firstLineOfAFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, count);
        QFETCH(QString, text);
        QCOMPARE(int(tipCountFromText(bytes).value_or(-1)), count);
        QCOMPARE(tipTextFromBytes(bytes), text);
    }

    // floor(draw * count) + 1: zero, just below a step, on a step, half, the largest float below 1
    // and a broken generator's 1; then the ring, the random pick and damaged folders.
    void panel_data()
    {
        const QByteArray ten("10\r\n");
        const QList<float> some{0.0f, 0.9f}, skips{0.65f, 0.61f, 0.69f, 0.15f, 0.1f, 0.6f};
        caseRows<PanelCase>({
            {"draw 0", ten, 10, {0.0f}, {}, u"1"_s, 0, 1},
            {"below a step", ten, 10, {0.0999f}, {}, u"1"_s, 0, 1},
            {"on a step", ten, 10, {0.1f}, {}, u"2"_s, 0, 1},
            {"half", ten, 10, {0.5f}, {}, u"6"_s, 0, 1},
            {"below 1", ten, 10, {std::nextafter(1.0f, 0.0f)}, {}, u"10"_s, 0, 1},
            {"broken 1", ten, 10, {1.0f}, {}, u"10"_s, 0, 1},
            {"ring wraps both ways", ten, 10, {0.95f}, u"NPP"_s, u"10 1 10 9"_s, 0, 1},
            // Start on 7; the click draws 7, 7 and then 2; the next click draws 2 and then 7 again.
            {"random skips the current tip", ten, 10, skips, u"RR"_s, u"7 2 7"_s, 2, 6},
            {"a stuck generator moves on", "3\r\n", 3, {0.0f}, u"R"_s, u"1 2"_s, 1, 1001},
            {"no tips folder", {}, -1, some, u"RN"_s, u"- - -"_s, 0, 0},
            {"count not a number", "many", 3, some, u"RN"_s, u"- - -"_s, 0, 0},
            {"count 0", "0\r\n", 3, some, u"RN"_s, u"- - -"_s, 0, 0},
            {"count 1", "1\r\n", 3, some, u"RN"_s, u"1 1 1"_s, 1, 2},
            {"tip files missing", "2\r\n", 0, some, u"RN"_s, u"1: 2: 1:"_s, 1, 2},
        });
    }
    void panel()
    {
        QFETCH(PanelCase, c);
        TempProgramFolder folder;
        if (c.files >= 0)
            folder.write(u"tips/0.txt"_s, c.count);
        for (int n = 1; n <= c.files; ++n)
            folder.write(u"tips/%1.txt"_s.arg(n), "Tip " + QByteArray::number(n) + "\r\nmore\r\n");
        ScriptedRandom random(c.draws);
        TipsOfTheDay tips(folder.path(), random);
        tips.ShowStartupTip();
        QStringList seen{brief(tips.caption())};
        for (const QChar click : c.clicks) {
            if (click == u'R')
                tips.cmdRandomTip_Click();
            else if (click == u'N')
                tips.cmdNextTip_Click();
            else
                tips.cmdPreviousTip_Click();
            seen.append(brief(tips.caption()));
        }
        QCOMPARE(seen.join(u' '), c.shown);
        QCOMPARE(random.reseeds, c.reseeds);
        QCOMPARE(random.draws, c.drawn);
    }

    void clockSeededValuesStayBelowOne()
    {
        ClockSeededRandom random;
        float lowest = 1.0f, highest = 0.0f;
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
