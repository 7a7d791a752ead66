// services.cfg: where quotes, charts and the information page come from. Something other than a
// file in its place: test_readers.
#include "common/files.h"
#include "sync/servicesconfig.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestServicesConfig : public QObject
{
    Q_OBJECT

    // The file (null: none), then whether quotes come from the bundled market and the three
    // addresses, after the bundled market moved to `port` when one is given.
    static QString hosts(const QByteArray &file, int port = 0)
    {
        QTemporaryDir dir;
        if (!file.isNull() && !writeBytes(dir.filePath(u"services.cfg"_s), file))
            return u"not written"_s;
        ServicesConfig config = readServicesConfig(dir.path());
        const bool bundled = config.usesBundledMarket();
        if (port)
            config.moveBundledMarket(u"127.0.0.1:%1"_s.arg(port));
        return QString::fromLatin1(file) + u" -> "_s + (bundled ? u"bundled "_s : u""_s) + config.quoteHost +
               u' ' + config.chartHost + u' ' + config.infoPage;
    }
    static QString as(const QByteArray &file, const char *expected)
    {
        return QString::fromLatin1(file) + u" -> "_s + QLatin1String(expected);
    }

private slots:
    void read()
    {
        const char *none = "bundled 127.0.0.1:8421 127.0.0.1:8421 http://127.0.0.1:8421/infos";
        // Unknown and malformed lines are ignored, blanks around key and value dropped, the last
        // of repeated lines counts; an empty value keeps the default, keys are case-sensitive.
        for (const auto &[file, expected] :
             {std::pair{QByteArray("QuoteHost=quotes.example\r\nChartHost=charts.example:8080\r\nInfoPage="
                                   "http://w.example/i\r\n"),
                        "quotes.example charts.example:8080 http://w.example/i"},
              {QByteArray("QuoteHost=10.0.0.2:9000\n"),
               "bundled 10.0.0.2:9000 127.0.0.1:8421 http://127.0.0.1:8421/infos"},
              {QByteArray("# comment\r\nProxy=x\r\n=y\r\nno equals sign\r\nChartHost=c:1\r\n"),
               "bundled 127.0.0.1:8421 c:1 http://127.0.0.1:8421/infos"},
              {QByteArray("  QuoteHost =  q:2  \r\n"),
               "bundled q:2 127.0.0.1:8421 http://127.0.0.1:8421/infos"},
              {QByteArray("QuoteHost=a\r\nQuoteHost=b\r\nChartHost=c\r\n"),
               "bundled b c http://127.0.0.1:8421/infos"},
              {QByteArray("QuoteHost=\r\n"), none},
              {QByteArray("quotehost=q\r\n"), none},
              {QByteArray(""), none},
              {QByteArray(), none}})
            QCOMPARE(hosts(file), as(file, expected));
    }

    // The game's own market came up on port 40000: what still names the default follows it.
    void followsTheBundledMarket()
    {
        const char *moved = "bundled 127.0.0.1:40000 127.0.0.1:40000 http://127.0.0.1:40000/infos";
        for (const auto &[file, expected] :
             {std::pair{QByteArray(), moved},
              {QByteArray("QuoteHost=127.0.0.1:8421\r\n"), moved},
              {QByteArray("ChartHost=c:1\r\nInfoPage=http://w/i\r\n"),
               "bundled 127.0.0.1:40000 c:1 http://w/i"},
              {QByteArray("QuoteHost=localhost:8421\r\n"),
               "bundled localhost:8421 127.0.0.1:40000 http://127.0.0.1:40000/infos"}})
            QCOMPARE(hosts(file, 40000), as(file, expected));
    }
};

QTEST_GUILESS_MAIN(TestServicesConfig)
#include "test_servicesconfig.moc"
