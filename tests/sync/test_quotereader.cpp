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

    // Which items read as numbers ("N" then the number shown, "T" then the text kept); a quoted
    // number, an exponent, two points, a sign alone or a thousands separator is text.
    void numberOrText()
    {
        for (const auto &[item, expected] : {std::pair{"27.10", "N 27.1"},
                                             {"12345678", "N 12345678"},
                                             {".5", "N 0.5"},
                                             {"5.", "N 5"},
                                             {"-3.25", "N -3.25"},
                                             {"N/A", "T N/A"},
                                             {"\"27.10\"", "T 27.10"},
                                             {"1e5", "T 1e5"},
                                             {"1.2.3", "T 1.2.3"},
                                             {"-", "T -"},
                                             {"\"1,234\"", "T 1,234"},
                                             {"", "T "}}) {
            const QuoteRecord r = parseQuoteRecord("S," + QByteArray(item) + ",d,t,c,1,h,l," + item);
            QCOMPARE(r.volume.number.has_value(), r.lastTrade.number.has_value());
            QCOMPARE(QLatin1String(item) + (r.lastTrade.number ? u" N "_s : u" T "_s) +
                         r.lastTrade.toText(u'.'),
                     QLatin1String(item) + u' ' + QLatin1String(expected));
        }
        // More digits than a double holds is still a number.
        QVERIFY(parseQuoteRecord("S,123456789012345678,d").lastTrade.number);
    }

    // The opening price in ten-thousandths: rounded to four places, ties to even; 0 for N/A, empty
    // or a number that does not fit.
    void open()
    {
        for (const auto &[item, units] : {std::pair<const char *, qint64>{"26.80", 268000},
                                          {"1.23456", 12346},
                                          {"0.00005", 0},
                                          {"-2.5", -25000},
                                          {"N/A", 0},
                                          {"\"3.5\"", 35000},
                                          {"99999999999999999999999", 0},
                                          {"", 0}})
            QCOMPARE(QLatin1String(item) + u' ' +
                         QString::number(
                             parseQuoteRecord("S,1,d,t,c," + QByteArray(item) + ",h,l,v").open.units()),
                     QLatin1String(item) + u' ' + QString::number(units));
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
