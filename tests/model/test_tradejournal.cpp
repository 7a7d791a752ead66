// The trade history file: the bytes of its lines, what reading makes of damaged lines, and
// a missing file. A failed append: test_gamefiles; something other than a file: test_readers.
#include "common/programfolder.h"
#include "common/rows.h"
#include "model/tradejournal.h"

#include <QtTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(JournalEntry)

namespace {
JournalEntry trade(JournalEntry::Kind kind, const QString &ticker, qint64 quantity, const QString &price,
                   qint64 cashUnits, const QDateTime &at)
{
    JournalEntry e;
    e.at = at;
    e.kind = kind;
    e.ticker = ticker;
    e.quantity = quantity;
    e.priceText = price;
    e.cash = Money::fromUnits(cashUnits);
    return e;
}

QDateTime local(int offsetSeconds)
{
    return QDateTime(QDate(2026, 12, 8), QTime(9, 15, 2), QTimeZone(offsetSeconds));
}
} // namespace

class TestTradeJournal : public QObject
{
    Q_OBJECT

private slots:
    void lineBytes_data()
    {
        QTest::addColumn<JournalEntry>("entry");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QByteArray>("line");
        JournalEntry start;
        start.at = local(3600);
        start.kind = JournalEntry::Kind::Start;
        start.level = u"Easy"_s;
        start.cash = Money::fromDollars(100000);
        row("start", start, ".", QByteArray("2026-12-08T09:15:02+01:00;START;Easy;100000\r\n"));
        row("buy, UTC", trade(JournalEntry::Kind::Buy, u"IBM"_s, 15, u"123.45"_s, 981482500, local(0)), ".",
            QByteArray("2026-12-08T09:15:02+00:00;BUY;IBM;15;123.45;98148.25\r\n"));
        row("sell, west of UTC, comma",
            trade(JournalEntry::Kind::Sell, u"BRK.B"_s, 2, u"0,5"_s, -5, local(-(3 * 3600 + 1800))), ",",
            QByteArray("2026-12-08T09:15:02-03:30;SELL;BRK.B;2;0,5;-0,0005\r\n"));
    }
    void lineBytes()
    {
        QFETCH(JournalEntry, entry);
        QFETCH(QString, decimal);
        QFETCH(QByteArray, line);
        QCOMPARE(journalLine(entry, decimal.front()), line);
        // What is written reads back as the same moment and figures.
        const Journal back = parseJournal(line, decimal.front());
        QCOMPARE(back.skippedLines, 0);
        const JournalEntry read =
            entry.isTrade() ? back.trades.value(0) : back.start.value_or(JournalEntry());
        QCOMPARE(read.at, entry.at);
        QCOMPARE(read.at.offsetFromUtc(), entry.at.offsetFromUtc());
        QCOMPARE(read.cash, entry.cash);
        QCOMPARE(read.quantity, entry.quantity);
        QCOMPARE(read.ticker, entry.ticker);
    }

    void damagedLinesAreCounted_data()
    {
        QTest::addColumn<QByteArray>("line");
        row("no time", QByteArray("yesterday;BUY;IBM;1;10;90"));
        row("unknown action", QByteArray("2026-12-08T09:15:02+01:00;HOLD;IBM;1;10;90"));
        row("field missing", QByteArray("2026-12-08T09:15:02+01:00;BUY;IBM;1;10"));
        row("field too many", QByteArray("2026-12-08T09:15:02+01:00;BUY;IBM;1;10;90;x"));
        row("quantity 0", QByteArray("2026-12-08T09:15:02+01:00;BUY;IBM;0;10;90"));
        row("quantity negative", QByteArray("2026-12-08T09:15:02+01:00;SELL;IBM;-4;10;90"));
        row("quantity past 32 bits", QByteArray("2026-12-08T09:15:02+01:00;BUY;IBM;2147483648;10;90"));
        row("price N/A", QByteArray("2026-12-08T09:15:02+01:00;BUY;IBM;1;N/A;90"));
        row("price 0", QByteArray("2026-12-08T09:15:02+01:00;BUY;IBM;1;0;90"));
        row("cash no number", QByteArray("2026-12-08T09:15:02+01:00;BUY;IBM;1;10;lots"));
        row("empty ticker", QByteArray("2026-12-08T09:15:02+01:00;BUY;;1;10;90"));
        row("start after a trade", QByteArray("2026-12-08T09:15:02+01:00;START;Easy;100000"));
    }
    void damagedLinesAreCounted()
    {
        QFETCH(QByteArray, line);
        const QByteArray good = "2026-12-08T09:00:00+01:00;BUY;IBM;1;10;90\r\n";
        const Journal j = parseJournal(good + line + "\r\n\r\n" + good.trimmed(), u'.');
        QCOMPARE(j.skippedLines, 1);
        QCOMPARE(j.trades.size(), 2);
        QVERIFY(!j.start);
    }

    void missingHistoryIsEmpty()
    {
        TempProgramFolder folder;
        Journal j;
        QVERIFY(!ReadJournal(GameFolder(folder.path()), u"Missing"_s, j));
        QVERIFY(j.trades.isEmpty() && !j.start && j.skippedLines == 0);
    }
};

QTEST_GUILESS_MAIN(TestTradeJournal)
#include "test_tradejournal.moc"
