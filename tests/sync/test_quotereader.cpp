#include "common/fakes.h"
#include "common/notafile.h"
#include "model/numbertext.h"
#include "sync/quotereader.h"
#include "sync/quotesync.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestQuoteReader : public QObject
{
    Q_OBJECT

private slots:

    void record_data();
    void record();
    void numberOrText_data();
    void numberOrText();
    void open_data();
    void open();
    void shownNumbersFollowTheSeparator();
    void quoteFileThatIsNoFile_data();
    void quoteFileThatIsNoFile();
};

void TestQuoteReader::record_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fields"); // symbol, trade, date, time, change, open, high, low, volume

    QTest::addRow("the service's example line")
        << QByteArray("\"MSFT\",27.12,\"6/1/2004\",\"4:00pm\",+0.35,26.80,27.20,26.70,12345678\r\n")
        << QStringList{u"MSFT"_s, u"27.12"_s, u"6/1/2004"_s, u"4:00pm"_s,  u"+0.35"_s,
                       u"26.8"_s, u"27.20"_s, u"26.70"_s,    u"12345678"_s};
    QTest::addRow("unknown ticker with N/A items")
        << QByteArray("\"ZZZZ\",0.00,\"N/A\",\"N/A\",N/A,N/A,N/A,N/A,N/A\r\n")
        << QStringList{u"ZZZZ"_s, u"0"_s, u"N/A"_s, u"N/A"_s, u"N/A"_s, u"0"_s, u"N/A"_s, u"N/A"_s, u"N/A"_s};
    QTest::addRow("quoted item holding commas is one item")
        << QByteArray("\"IBM, Inc.\",85.5,\"6/1/2004\",\"4:00pm\",-1.25,86.1,87,85,100\r\n")
        << QStringList{u"IBM, Inc."_s, u"85.5"_s, u"6/1/2004"_s, u"4:00pm"_s, u"-1.25"_s,
                       u"86.1"_s,      u"87"_s,   u"85"_s,       u"100"_s};
    QTest::addRow("several lines yield the first record")
        << QByteArray("\"IBM\",1,a,b,+1,2,3,4,5\r\n\"MSFT\",9,c,d,-9,8,7,6,5\r\n")
        << QStringList{u"IBM"_s, u"1"_s, u"a"_s, u"b"_s, u"+1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s};
    QTest::addRow("a record split over lines is still nine items")
        << QByteArray("\"IBM\",1\r\na,b\n+1,2\r3,4,5")
        << QStringList{u"IBM"_s, u"1"_s, u"a"_s, u"b"_s, u"+1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s};
    QTest::addRow("fewer than nine items keep their initial values")
        << QByteArray("\"IBM\",85.5,\"6/1/2004\"")
        << QStringList{u"IBM"_s, u"85.5"_s, u"6/1/2004"_s, u""_s, u""_s, u"0"_s, u""_s, u""_s, u""_s};
    QTest::addRow("spaces around items dropped, inside quotes kept")
        << QByteArray("  \"IBM\" ,  85.5  , \" x y \" ,t,c,1,h,l,  7  ")
        << QStringList{u"IBM"_s, u"85.5"_s, u" x y "_s, u"t"_s, u"c"_s, u"1"_s, u"h"_s, u"l"_s, u"7"_s};
    QTest::addRow("quotes inside an unquoted item are dropped")
        << QByteArray("IB\"M\",1,d\"d,t,c,1,h,l,v")
        << QStringList{u"IBM"_s, u"1"_s, u"dd"_s, u"t"_s, u"c"_s, u"1"_s, u"h"_s, u"l"_s, u"v"_s};
    QTest::addRow("unterminated quote runs to the end")
        << QByteArray("\"IBM,1,2")
        << QStringList{u"IBM,1,2"_s, u""_s, u""_s, u""_s, u""_s, u"0"_s, u""_s, u""_s, u""_s};
    QTest::addRow("empty answer") << QByteArray() << QStringList{u""_s,  u""_s, u""_s, u""_s, u""_s,
                                                                 u"0"_s, u""_s, u""_s, u""_s};
    QTest::addRow("html page is read as items") << QByteArray("<html><body>Not Found</body></html>")
                                                << QStringList{u"<html><body>Not Found</body></html>"_s,
                                                               u""_s,
                                                               u""_s,
                                                               u""_s,
                                                               u""_s,
                                                               u"0"_s,
                                                               u""_s,
                                                               u""_s,
                                                               u""_s};
    QTest::addRow("blank first line is an empty symbol")
        << QByteArray("\r\n\"IBM\",1")
        << QStringList{u""_s, u"IBM"_s, u"1"_s, u""_s, u""_s, u"0"_s, u""_s, u""_s, u""_s};
    QTest::addRow("Latin-1 bytes kept one per character")
        << QByteArray("\"SOCI\xc9T\xc9\",1")
        << QStringList{u"SOCI\u00c9T\u00c9"_s, u"1"_s, u""_s, u""_s, u""_s, u"0"_s, u""_s, u""_s, u""_s};
}

void TestQuoteReader::record()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fields);
    const QuoteRecord r = parseQuoteRecord(bytes);
    const QStringList got{r.symbol,
                          r.lastTrade.toText(u'.'),
                          r.tradeDate,
                          r.tradeTime,
                          r.change,
                          moneyToText(r.open, u'.'),
                          r.dayHigh,
                          r.dayLow,
                          r.volume.toText(u'.')};
    QCOMPARE(got, fields);
}

void TestQuoteReader::numberOrText_data()
{
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<QString>("shown");

    QTest::addRow("plain decimal") << QByteArray("27.10") << true << "27.1";
    QTest::addRow("whole number") << QByteArray("12345678") << true << "12345678";
    QTest::addRow("leading point") << QByteArray(".5") << true << "0.5";
    QTest::addRow("trailing point") << QByteArray("5.") << true << "5";
    QTest::addRow("signed") << QByteArray("-3.25") << true << "-3.25";
    QTest::addRow("N/A") << QByteArray("N/A") << false << "N/A";
    QTest::addRow("quoted number is text") << QByteArray("\"27.10\"") << false << "27.10";
    QTest::addRow("exponent is text") << QByteArray("1e5") << false << "1e5";
    QTest::addRow("two points is text") << QByteArray("1.2.3") << false << "1.2.3";
    QTest::addRow("sign alone is text") << QByteArray("-") << false << "-";
    QTest::addRow("thousands separator is text") << QByteArray("\"1,234\"") << false << "1,234";
    QTest::addRow("empty item") << QByteArray("") << false << "";
    QTest::addRow("more digits than a double holds") << QByteArray("123456789012345678") << true << QString();
}

void TestQuoteReader::numberOrText()
{
    QFETCH(QByteArray, item);
    QFETCH(bool, isNumber);
    QFETCH(QString, shown);
    const QuoteRecord r = parseQuoteRecord("S," + item + ",d,t,c,1,h,l," + item);
    QCOMPARE(r.lastTrade.number.has_value(), isNumber);
    QCOMPARE(r.volume.number.has_value(), isNumber);
    if (!shown.isNull())
        QCOMPARE(r.lastTrade.toText(u'.'), shown);
}

void TestQuoteReader::open_data()
{
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<qint64>("units");

    QTest::addRow("26.80") << QByteArray("26.80") << qint64(268000);
    QTest::addRow("rounded to four places") << QByteArray("1.23456") << qint64(12346);
    QTest::addRow("tie to even") << QByteArray("0.00005") << qint64(0);
    QTest::addRow("negative") << QByteArray("-2.5") << qint64(-25000);
    QTest::addRow("N/A gives 0") << QByteArray("N/A") << qint64(0);
    QTest::addRow("quoted number") << QByteArray("\"3.5\"") << qint64(35000);
    QTest::addRow("does not fit gives 0") << QByteArray("99999999999999999999999") << qint64(0);
    QTest::addRow("empty gives 0") << QByteArray("") << qint64(0);
}

void TestQuoteReader::open()
{
    QFETCH(QByteArray, item);
    QFETCH(qint64, units);
    QCOMPARE(parseQuoteRecord("S,1,d,t,c," + item + ",h,l,v").open.units(), units);
}

void TestQuoteReader::shownNumbersFollowTheSeparator()
{
    const QuoteRecord r = parseQuoteRecord("\"MSFT\",27.12,d,t,+0.35,26.80,h,l,5");
    QCOMPARE(r.lastTrade.toText(u','), QStringLiteral("27,12"));
    QCOMPARE(moneyToText(r.open, u','), QStringLiteral("26,8"));
    QCOMPARE(doubleFromText(r.lastTrade.toText(u','), u','), std::optional<double>(27.12));
}

void TestQuoteReader::quoteFileThatIsNoFile_data()
{
    QTest::addColumn<QString>("thing");
    QTest::addRow("named pipe") << "named pipe";
    QTest::addRow("folder") << "folder";
    QTest::addRow("device") << "device";
}

// Reading never waits on a FIFO, and "Synchronize" says what is in the way instead of trying ten
// times and blaming the Internet connection.
void TestQuoteReader::quoteFileThatIsNoFile()
{
    QFETCH(QString, thing);
    QTemporaryDir dir;
    const QString path = quoteFilePath(dir.path());
    if (!putNotAFile(path, thing))
        QSKIP("a device node needs root");
    QVERIFY(readQuoteFile(dir.path()).symbol.isEmpty());

    QuotePanel panel;
    ProxySetting proxy;
    NumberFormat numbers;
    auto socket = std::make_unique<FakeSocket>();
    FakeSocket *fake = socket.get();
    QuoteSync sync(panel, proxy, numbers, dir.path(), QStringLiteral("quotes.test:8421"), std::move(socket),
                   std::make_unique<FakeClock>());
    QSignalSpy messages(&sync, &QuoteSync::messageRequested);
    panel.lblQuote = QStringLiteral("IBM");
    sync.cmdSync_Click();
    QCOMPARE(messages.count(), 1);
    QCOMPARE(
        messages.first().first().toString(),
        QStringLiteral("No quote can be downloaded: \"%1\", where the game stores each quote it receives, is "
                       "a %2, not a file. Remove or rename it, then click \"Synchronize\" again.")
            .arg(path, thing));
    QVERIFY(fake->connects.isEmpty());
    QVERIFY(sync.isSyncEnabled());
    QCOMPARE(QFileInfo(path).isDir(), thing == u"folder"_s);
}

QTEST_GUILESS_MAIN(TestQuoteReader)
#include "test_quotereader.moc"
