// The orders file: the bytes of each kind and state, damaged lines kept aside and counted, a
// game without orders left without a file, and what stands in the file's way.
#include "common/failingreplacer.h"
#include "common/files.h"
#include "common/notafile.h"
#include "common/rows.h"
#include "model/orders.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/fsuid.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Order)

namespace {
const QByteArray kHeader = QByteArray(kOrdersHeader) + "\r\n";
// A valid open order's line; the damage table spoils one field of it at a time.
const QByteArray kGood =
    "1;OPEN;LIMIT BUY;IBM;50;25.00;2026-12-09T10:15:00+01:00;2026-12-09T10:15:00+01:00;;;;";

QDateTime at(int hour, int minute, int offsetSeconds = 3600)
{
    return QDateTime(QDate(2026, 12, 9), QTime(hour, minute), QTimeZone(offsetSeconds));
}

Order order(int id, OrderKind kind, const char *ticker, qint32 quantity, qint64 cents, int offset = 3600)
{
    Order o;
    o.id = id;
    o.kind = kind;
    o.ticker = QString::fromLatin1(ticker);
    o.quantity = quantity;
    o.price = Money::fromUnits(cents * 100);
    o.placed = at(10, 15, offset);
    o.checkedUntil = at(10, 45, offset);
    return o;
}

Order closed(Order o, OrderState state, QDateTime when, qint64 fillCents, const QString &reason)
{
    o.state = state;
    o.closed = when;
    o.fillPrice = Money::fromUnits(fillCents * 100);
    o.reason = reason;
    return o;
}
} // namespace

class TestOrders : public QObject
{
    Q_OBJECT

private slots:
    void lineBytes_data()
    {
        QTest::addColumn<Order>("order");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("reasonBack");
        Order limitBuy = order(7, OrderKind::LimitBuy, "IBM", 50, 2500);
        limitBuy.goodUntil = QDate(2026, 12, 31);
        row("open limit buy, good until a day", limitBuy,
            QByteArray("7;OPEN;LIMIT BUY;IBM;50;25.00;2026-12-09T10:15:00+01:00;2026-12-09T10:45:00+01:00;"
                       "2026-12-31;;;\r\n"),
            u""_s);
        row("open stop buy, west of UTC",
            order(2147483647, OrderKind::StopBuy, "^QVC", 2147483647, 99999999, -(3 * 3600 + 1800)),
            QByteArray("2147483647;OPEN;STOP BUY;^QVC;2147483647;999999.99;2026-12-09T10:15:00-03:30;"
                       "2026-12-09T10:45:00-03:30;;;;\r\n"),
            u""_s);
        row("filled stop-loss sell",
            closed(order(3, OrderKind::StopLossSell, "MSFT", 20, 4000, 0), OrderState::Filled, at(11, 2, 0),
                   3995, {}),
            QByteArray(
                "3;FILLED;STOP-LOSS SELL;MSFT;20;40.00;2026-12-09T10:15:00+00:00;2026-12-09T10:45:00+00:00;;"
                "2026-12-09T11:02:00+00:00;39.95;\r\n"),
            u""_s);
        row("cancelled limit sell, reason made safe",
            closed(order(4, OrderKind::LimitSell, "BRK.B", 1, 5), OrderState::Cancelled, at(12, 0), 0,
                   u"not enough shares; only\r\n3"_s),
            QByteArray(
                "4;CANCELLED;LIMIT SELL;BRK.B;1;0.05;2026-12-09T10:15:00+01:00;2026-12-09T10:45:00+01:00;;"
                "2026-12-09T12:00:00+01:00;;not enough shares, only  3\r\n"),
            u"not enough shares, only  3"_s);
    }
    void lineBytes()
    {
        QFETCH(Order, order);
        QFETCH(QByteArray, line);
        QFETCH(QString, reasonBack);
        QCOMPARE(ordersFileBytes(OrderBook{{order}, {}}), kHeader + line);
        const OrderBook back = parseOrders(kHeader + line);
        QCOMPARE(back.skippedLines(), 0);
        Order expected = order;
        expected.reason = reasonBack;
        QCOMPARE(back.orders, QList<Order>{expected});
        // Same offsets, too: the line written again is the same.
        QCOMPARE(orderLine(back.orders.front()), line);
    }

    void damagedLinesAreKeptAndCounted_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("nextId");
        const auto field = [](int index, const char *text) {
            QList<QByteArray> f = QByteArray("9" + kGood.mid(1)).split(';');
            f[index] = text;
            return f.join(';');
        };
        row("field missing", QByteArray("9" + kGood.mid(1).chopped(1)), 10);
        row("field too many", QByteArray("9" + kGood.mid(1) + ";"), 10);
        row("id 0", field(0, "0"), 9);
        row("id not a number", field(0, "x9"), 9);
        row("id repeated", field(0, "8"), 9);
        row("unknown state", field(1, "DONE"), 10);
        row("unknown kind", field(2, "MARKET BUY"), 10);
        row("ticker empty", field(3, ""), 10);
        row("ticker with a blank", field(3, "I M"), 10);
        row("quantity 0", field(4, "0"), 10);
        row("quantity past 32 bits", field(4, "2147483648"), 10);
        row("price 0", field(5, "0.00"), 10);
        row("price with 3 decimals", field(5, "24.955"), 10);
        row("price a million", field(5, "1000000.00"), 10);
        row("price with a comma", field(5, "25,00"), 10);
        row("time without offset", field(6, "2026-12-09T10:15:00"), 10);
        row("checked before placed", field(7, "2026-12-09T10:14:59+01:00"), 10);
        row("good until not a day", field(8, "2026-02-30"), 10);
        row("open with a fill price", field(10, "24.95"), 10);
        row("filled without time", field(1, "FILLED").replace(";;;;", ";;;24.95;"), 10);
        row("filled without price", field(1, "FILLED").replace(";;;;", ";;2026-12-09T11:00:00+01:00;;"), 10);
        row("cancelled with a fill price",
            field(1, "CANCELLED").replace(";;;;", ";;2026-12-09T11:00:00+01:00;24.95;expired"), 10);
    }
    void damagedLinesAreKeptAndCounted()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, nextId);
        const QByteArray first = "8" + kGood.mid(1) + "\r\n", last = kGood;
        const OrderBook book = parseOrders(kHeader + first + line + "\r\n\r\n" + last);
        QCOMPARE(book.skippedLines(), 1);
        QCOMPARE(book.orders.size(), 2);
        QCOMPARE(book.nextId(), nextId);
        // Written back after the readable orders, as it was.
        QCOMPARE(ordersFileBytes(book), kHeader + first + last + "\r\n" + line + "\r\n");
    }

    // What a write leaves on disk: no file for a game that never had orders, the whole file
    // otherwise, and the old bytes when the replacement fails.
    void write_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<bool>("withOrder");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QByteArray>("after");
        const QByteArray line = kGood + "\r\n";
        row("no orders, no file", QByteArray("<missing>"), false, u""_s, QByteArray("<missing>"));
        row("no orders left", kHeader + line, false, u""_s, kHeader);
        row("first order", QByteArray("<missing>"), true, u""_s, kHeader + line);
        row("write fails", QByteArray("old\r\n"), true, u"write"_s, QByteArray("old\r\n"));
        row("rename fails", QByteArray("old\r\n"), true, u"rename"_s, QByteArray("old\r\n"));
    }
    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, withOrder);
        QFETCH(QString, failure);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = ordersPath(dir.path(), u"Demo"_s);
        if (before != "<missing>")
            QVERIFY(writeBytes(path, before));
        FailingReplacer failing;
        failing.failWriteFrom = failure == u"write" ? 0 : -1;
        failing.failCommitFrom = failure == u"rename" ? 0 : -1;
        const OrderBook book = withOrder ? parseOrders(kGood) : OrderBook();
        const FileStatus error = WriteOrders(GameFolder(dir.path(), u'.', failing), u"Demo"_s, book);
        QCOMPARE(error.has_value(), !failure.isEmpty());
        QCOMPARE(readBytes(path), after);
        QCOMPARE(fileNames(dir.path()), after == "<missing>" ? QStringList() : QStringList{u"Demo.ord"_s});
        OrderBook read;
        QVERIFY(!ReadOrders(dir.path(), u"Demo"_s, read));
        QCOMPARE(read.orders, failure.isEmpty() ? book.orders : QList<Order>());
    }

    void notAFile_data()
    {
        QTest::addColumn<QString>("thing");
        QTest::addColumn<QString>("readError");
        QTest::addColumn<QString>("writeError");
        const QString refused =
            u"the file \"%1\" (it is a %2, not a file: remove it or put the real file in its place)"_s;
        for (const char *thing : {"named pipe", "folder", "device"})
            row(thing, QString::fromLatin1(thing), u"Cannot read "_s + refused + u'.',
                u"Cannot write "_s + refused + u"; nothing was changed."_s);
        row("unreadable", u"unreadable"_s, u"Cannot read the file \"%1\" (permission denied)."_s, QString());
    }
    void notAFile()
    {
        QFETCH(QString, thing);
        QFETCH(QString, readError);
        QFETCH(QString, writeError);
        QTemporaryDir dir;
        const QString path = ordersPath(dir.path(), u"Demo"_s);
        if (thing == u"unreadable") {
            QVERIFY(writeBytes(path, kHeader) && setModeBits(path, 0));
            // Root reads anything; as nobody the kernel checks the bits.
            ::setfsuid(::geteuid() == 0 ? 65534 : ::geteuid());
        } else if (!putNotAFile(path, thing)) {
            QSKIP("a device node needs root");
        }
        OrderBook book;
        const FileStatus read = ReadOrders(dir.path(), u"Demo"_s, book);
        ::setfsuid(::geteuid());
        QVERIFY(read);
        QCOMPARE(read->text(), readError.arg(path, thing));
        if (writeError.isNull())
            return;
        const QMap<QString, QByteArray> before = snapshotFiles(dir.path());
        const FileStatus written = WriteOrders(dir.path(), u"Demo"_s, parseOrders(kGood));
        QVERIFY(written);
        QCOMPARE(written->text(), writeError.arg(path, thing));
        QCOMPARE(snapshotFiles(dir.path()), before);
    }
};

QTEST_GUILESS_MAIN(TestOrders)
#include "test_orders.moc"
