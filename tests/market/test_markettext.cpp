#include "infopage.h"
#include "markettext.h"
#include "querystring.h"
#include "quotecsv.h"
#include "serviceoptions.h"

#include <QTest>

class TestMarketText : public QObject
{
    Q_OBJECT

private slots:
    void prices_data();
    void prices();
    void percent_data();
    void percent();
    void clockTime_data();
    void clockTime();
    void dates();
    void query_data();
    void query();
    void tags_data();
    void tags();
    void tickers_data();
    void tickers();
    void htmlEscaping();
    void options_data();
    void options();
};

void TestMarketText::prices_data()
{
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("signedText");
    QTest::addRow("two decimals kept") << qint64(2710) << "27.10"
                                       << "+27.10";
    QTest::addRow("zero is a rise") << qint64(0) << "0.00"
                                    << "+0.00";
    QTest::addRow("below one dollar") << qint64(5) << "0.05"
                                      << "+0.05";
    QTest::addRow("a fall") << qint64(-125) << "-1.25"
                            << "-1.25";
    QTest::addRow("a small fall") << qint64(-3) << "-0.03"
                                  << "-0.03";
    QTest::addRow("large") << qint64(123456789) << "1234567.89"
                           << "+1234567.89";
}

void TestMarketText::prices()
{
    QFETCH(qint64, cents);
    QFETCH(QString, plain);
    QFETCH(QString, signedText);
    QCOMPARE(QString::fromStdString(MarketText::price(cents)), plain);
    QCOMPARE(QString::fromStdString(MarketText::signedPrice(cents)), signedText);
}

void TestMarketText::percent_data()
{
    QTest::addColumn<qint64>("change");
    QTest::addColumn<qint64>("base");
    QTest::addColumn<QString>("text");
    QTest::addRow("rounds to hundredths") << qint64(35) << qint64(2677) << "+1.31%";
    QTest::addRow("half rounds away from zero") << qint64(1) << qint64(20000) << "+0.01%";
    QTest::addRow("negative half away from zero") << qint64(-1) << qint64(20000) << "-0.01%";
    QTest::addRow("tiny fall rounds to zero, shown as rise") << qint64(-1) << qint64(100000) << "+0.00%";
    QTest::addRow("doubling") << qint64(500) << qint64(500) << "+100.00%";
    QTest::addRow("no base") << qint64(10) << qint64(0) << "+0.00%";
}

void TestMarketText::percent()
{
    QFETCH(qint64, change);
    QFETCH(qint64, base);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(MarketText::signedPercent(change, base)), text);
}

void TestMarketText::clockTime_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("text");
    QTest::addRow("after midnight") << QTime(0, 5) << "12:05am";
    QTest::addRow("morning") << QTime(9, 30, 59) << "9:30am";
    QTest::addRow("noon") << QTime(12, 0) << "12:00pm";
    QTest::addRow("afternoon") << QTime(16, 0) << "4:00pm";
    QTest::addRow("last minute") << QTime(23, 59, 55) << "11:59pm";
}

void TestMarketText::clockTime()
{
    QFETCH(QTime, time);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(MarketText::clockTime(time)), text);
}

void TestMarketText::dates()
{
    QCOMPARE(MarketText::shortDate(QDate(2004, 6, 1)), std::string("6/1/2004"));
    QCOMPARE(MarketText::shortDate(QDate(2026, 12, 31)), std::string("12/31/2026"));
    QCOMPARE(MarketText::longDate(QDate(2004, 6, 1)), std::string("Tuesday, June 1, 2004"));
    QCOMPARE(MarketText::groupedNumber(12345678), std::string("12,345,678"));
    QCOMPARE(MarketText::groupedNumber(999), std::string("999"));
}

void TestMarketText::query_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("s"); // "<none>" when absent
    QTest::addRow("the game's request") << QByteArray("s=MSFT&f=sl1d1t1c1ohgv&e=.csv") << true << "MSFT";
    QTest::addRow("plus is a space") << QByteArray("s=MSFT+IBM") << true << "MSFT IBM";
    QTest::addRow("percent escapes") << QByteArray("s=%5EDJI%2cA") << true << "^DJI,A";
    QTest::addRow("first of a repeated key") << QByteArray("s=A&s=B") << true << "A";
    QTest::addRow("key without value") << QByteArray("s&f=x") << true << "";
    QTest::addRow("empty items skipped") << QByteArray("&&s=A&") << true << "A";
    QTest::addRow("no query") << QByteArray() << true << "<none>";
    QTest::addRow("bad escape") << QByteArray("s=%zz") << false << "";
    QTest::addRow("cut escape") << QByteArray("s=A%4") << false << "";
    QTest::addRow("control byte") << QByteArray("s=A\x01") << false << "";
    QTest::addRow("raw non-ASCII") << QByteArray("s=\xc3\xa9") << false << "";
}

void TestMarketText::query()
{
    QFETCH(QByteArray, query);
    QFETCH(bool, valid);
    QFETCH(QString, s);
    const auto parsed = QueryString::parse(std::string_view(query.constData(), std::size_t(query.size())));
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(QString::fromStdString(parsed->value("s").value_or("<none>")), s);
    QCOMPARE(QueryString::queryOf("/d/quotes.csv?s=A?b"), std::string_view("s=A?b"));
    QCOMPARE(QueryString::queryOf("/infos"), std::string_view());
}

void TestMarketText::tags_data()
{
    QTest::addColumn<QString>("f");
    QTest::addColumn<QStringList>("tags"); // empty: refused
    QTest::addRow("the nine fields") << "sl1d1t1c1ohgv"
                                     << QStringList{"s", "l1", "d1", "t1", "c1", "o", "h", "g", "v"};
    QTest::addRow("unknown tags kept for N/A") << "snc6" << QStringList{"s", "n", "c6"};
    QTest::addRow("digits must follow a letter") << "1s" << QStringList();
    QTest::addRow("punctuation") << "s,l1" << QStringList();
    QTest::addRow("empty") << "" << QStringList();
    QTest::addRow("too many") << QString("s").repeated(QuoteCsv::kMaxTags + 1) << QStringList();
}

void TestMarketText::tags()
{
    QFETCH(QString, f);
    QFETCH(QStringList, tags);
    const auto parsed = QuoteCsv::parseTags(f.toStdString());
    QStringList got;
    for (const std::string &tag : parsed.value_or(std::vector<std::string>()))
        got << QString::fromStdString(tag);
    QCOMPARE(got, tags);
}

void TestMarketText::tickers_data()
{
    QTest::addColumn<QString>("s");
    QTest::addColumn<QStringList>("tickers"); // empty: refused
    QTest::addRow("spaces and commas separate") << "MSFT IBM,A" << QStringList{"MSFT", "IBM", "A"};
    QTest::addRow("order and repeats kept") << "IBM  MSFT IBM" << QStringList{"IBM", "MSFT", "IBM"};
    QTest::addRow("symbols with punctuation") << "BRK.A ^DJI" << QStringList{"BRK.A", "^DJI"};
    QTest::addRow("a quote would break the CSV") << "MS\"FT" << QStringList();
    QTest::addRow("nothing but separators") << " , " << QStringList();
    QTest::addRow("too long") << QString("X").repeated(QuoteCsv::kMaxTickerLength + 1) << QStringList();
    QTest::addRow("tab") << "A\tB" << QStringList();
    QTest::addRow("too many") << QString("A ").repeated(QuoteCsv::kMaxTickers + 1) << QStringList();
}

void TestMarketText::tickers()
{
    QFETCH(QString, s);
    QFETCH(QStringList, tickers);
    const auto parsed = QuoteCsv::parseTickers(s.toStdString());
    QStringList got;
    for (const std::string &ticker : parsed.value_or(std::vector<std::string>()))
        got << QString::fromStdString(ticker);
    QCOMPARE(got, tickers);
}

void TestMarketText::htmlEscaping()
{
    QCOMPARE(InfoPage::escapeHtml("Marsh & McLennan <\"Co\">"),
             std::string("Marsh &amp; McLennan &lt;&quot;Co&quot;&gt;"));
}

void TestMarketText::options_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("summary"); // bind port seed speed quiet
    QTest::addRow("defaults") << QStringList() << true << "127.0.0.1 8421 1 1 0";
    QTest::addRow("separate values") << QStringList{"--bind", "0.0.0.0", "--port", "9000", "--seed", "77"}
                                     << true << "0.0.0.0 9000 77 1 0";
    QTest::addRow("joined values") << QStringList{"--speed=60", "--quiet", "--port=0"} << true
                                   << "127.0.0.1 0 1 60 1";
    QTest::addRow("port too high") << QStringList{"--port", "65536"} << false << "";
    QTest::addRow("negative port") << QStringList{"--port=-1"} << false << "";
    QTest::addRow("speed zero") << QStringList{"--speed", "0"} << false << "";
    QTest::addRow("speed not a number") << QStringList{"--speed", "fast"} << false << "";
    QTest::addRow("missing value") << QStringList{"--seed"} << false << "";
    QTest::addRow("unknown option") << QStringList{"--colour"} << false << "";
    QTest::addRow("value on a switch") << QStringList{"--quiet=yes"} << false << "";
}

void TestMarketText::options()
{
    QFETCH(QStringList, args);
    QFETCH(bool, valid);
    QFETCH(QString, summary);
    std::vector<std::string> list;
    for (const QString &a : args)
        list.push_back(a.toStdString());
    std::string error;
    const auto options = ServiceOptions::parse(list, &error);
    QCOMPARE(options.has_value(), valid);
    if (!valid) {
        QVERIFY(!error.empty());
        return;
    }
    QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5")
                 .arg(QString::fromStdString(options->bind))
                 .arg(options->port)
                 .arg(options->seed)
                 .arg(options->speed)
                 .arg(int(options->quiet)),
             summary);
}

QTEST_GUILESS_MAIN(TestMarketText)
#include "test_markettext.moc"
