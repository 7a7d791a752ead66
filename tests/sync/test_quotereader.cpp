// The quote record: the nine items of the service's answer, and which of them read as numbers.
// Something other than a file in quote.cfg's place: test_readers.
#include "common/rows.h"
#include "model/numbertext.h"
#include "sync/quotereader.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestQuoteReader : public QObject
{
    Q_OBJECT

private slots:
    void record_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("fields"); // symbol|trade|date|time|change|open|high|low|volume
        auto row = [](const char *tag, const QByteArray &bytes, const char *fields) {
            ::row(tag, bytes, QString::fromUtf8(fields));
        };
        row("the service's example line",
            "\"MSFT\",27.12,\"6/1/2004\",\"4:00pm\",+0.35,26.80,27.20,26.70,12345678\r\n",
            "MSFT|27.12|6/1/2004|4:00pm|+0.35|26.8|27.20|26.70|12345678");
        row("unknown ticker with N/A items", "\"ZZZZ\",0.00,\"N/A\",\"N/A\",N/A,N/A,N/A,N/A,N/A\r\n",
            "ZZZZ|0|N/A|N/A|N/A|0|N/A|N/A|N/A");
        row("quoted item holding commas is one item",
            "\"IBM, Inc.\",85.5,\"6/1/2004\",\"4:00pm\",-1.25,86.1,87,85,100\r\n",
            "IBM, Inc.|85.5|6/1/2004|4:00pm|-1.25|86.1|87|85|100");
        row("several lines yield the first record",
            "\"IBM\",1,a,b,+1,2,3,4,5\r\n\"MSFT\",9,c,d,-9,8,7,6,5\r\n", "IBM|1|a|b|+1|2|3|4|5");
        row("a record split over lines is still nine items", "\"IBM\",1\r\na,b\n+1,2\r3,4,5",
            "IBM|1|a|b|+1|2|3|4|5");
        row("fewer than nine items keep their initial values", "\"IBM\",85.5,\"6/1/2004\"",
            "IBM|85.5|6/1/2004|||0|||");
        row("spaces around items dropped, inside quotes kept",
            "  \"IBM\" ,  85.5  , \" x y \" ,t,c,1,h,l,  7  ", "IBM|85.5| x y |t|c|1|h|l|7");
        row("quotes inside an unquoted item are dropped", "IB\"M\",1,d\"d,t,c,1,h,l,v",
            "IBM|1|dd|t|c|1|h|l|v");
        row("unterminated quote runs to the end", "\"IBM,1,2", "IBM,1,2|||||0|||");
        row("empty answer", QByteArray(), "|||||0|||");
        row("html page is read as items", "<html><body>Not Found</body></html>",
            "<html><body>Not Found</body></html>|||||0|||");
        row("blank first line is an empty symbol", "\r\n\"IBM\",1", "|IBM|1|||0|||");
        row("Latin-1 bytes kept one per character", "\"SOCI\xc9T\xc9\",1", "SOCI\u00c9T\u00c9|1||||0|||");
    }
    void record()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, fields);
        const QuoteRecord r = parseQuoteRecord(bytes);
        QCOMPARE((QStringList{r.symbol, r.lastTrade.toText(u'.'), r.tradeDate, r.tradeTime, r.change,
                              moneyToText(r.open, u'.'), r.dayHigh, r.dayLow, r.volume.toText(u'.')}
                      .join(u'|')),
                 fields);
    }

    void numberOrText_data()
    {
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<QString>("shown"); // null: not compared
        row("plain decimal", QByteArray("27.10"), true, "27.1");
        row("whole number", QByteArray("12345678"), true, "12345678");
        row("leading point", QByteArray(".5"), true, "0.5");
        row("trailing point", QByteArray("5."), true, "5");
        row("signed", QByteArray("-3.25"), true, "-3.25");
        row("N/A", QByteArray("N/A"), false, "N/A");
        row("quoted number is text", QByteArray("\"27.10\""), false, "27.10");
        row("exponent is text", QByteArray("1e5"), false, "1e5");
        row("two points is text", QByteArray("1.2.3"), false, "1.2.3");
        row("sign alone is text", QByteArray("-"), false, "-");
        row("thousands separator is text", QByteArray("\"1,234\""), false, "1,234");
        row("empty item", QByteArray(""), false, "");
        row("more digits than a double holds", QByteArray("123456789012345678"), true, QString());
    }
    void numberOrText()
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

    void open_data()
    {
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<qint64>("units");
        row("26.80", QByteArray("26.80"), qint64(268000));
        row("rounded to four places", QByteArray("1.23456"), qint64(12346));
        row("tie to even", QByteArray("0.00005"), qint64(0));
        row("negative", QByteArray("-2.5"), qint64(-25000));
        row("N/A gives 0", QByteArray("N/A"), qint64(0));
        row("quoted number", QByteArray("\"3.5\""), qint64(35000));
        row("does not fit gives 0", QByteArray("99999999999999999999999"), qint64(0));
        row("empty gives 0", QByteArray(""), qint64(0));
    }
    void open()
    {
        QFETCH(QByteArray, item);
        QFETCH(qint64, units);
        QCOMPARE(parseQuoteRecord("S,1,d,t,c," + item + ",h,l,v").open.units(), units);
    }

    void shownNumbersFollowTheSeparator()
    {
        const QuoteRecord r = parseQuoteRecord("\"MSFT\",27.12,d,t,+0.35,26.80,h,l,5");
        QCOMPARE(r.lastTrade.toText(u','), u"27,12"_s);
        QCOMPARE(moneyToText(r.open, u','), u"26,8"_s);
        QCOMPARE(doubleFromText(r.lastTrade.toText(u','), u','), std::optional<double>(27.12));
    }
};

QTEST_GUILESS_MAIN(TestQuoteReader)
#include "test_quotereader.moc"
