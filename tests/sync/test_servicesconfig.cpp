// services.cfg: where quotes, charts and the information page come from. Something other than a
// file in its place: test_readers.
#include "common/files.h"
#include "common/rows.h"
#include "sync/servicesconfig.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestServicesConfig : public QObject
{
    Q_OBJECT

    // The three addresses read from `file` (null: no file), after the bundled market moved to
    // `port` when one is given.
    static QString hosts(const QByteArray &file, bool *bundled = nullptr, int port = 0)
    {
        QTemporaryDir dir;
        if (!file.isNull() && !writeBytes(dir.filePath(u"services.cfg"_s), file))
            return u"not written"_s;
        ServicesConfig config = readServicesConfig(dir.path());
        if (bundled)
            *bundled = config.quotesFromBundledMarket();
        if (port)
            config.moveBundledMarket(u"127.0.0.1:%1"_s.arg(port));
        return config.quoteHost + u' ' + config.chartHost + u' ' + config.infoPage;
    }

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected"); // quote host, chart host, info page
        const QString none = u"127.0.0.1:8421 127.0.0.1:8421 http://127.0.0.1:8421/infos"_s;
        row("all three",
            QByteArray("QuoteHost=quotes.example\r\nChartHost=charts.example:"
                       "8080\r\nInfoPage=http://w.example/i\r\n"),
            "quotes.example charts.example:8080 http://w.example/i");
        row("missing lines keep the bundled service", QByteArray("QuoteHost=10.0.0.2:9000\n"),
            "10.0.0.2:9000 127.0.0.1:8421 http://127.0.0.1:8421/infos");
        row("unknown and malformed lines ignored",
            QByteArray("# comment\r\nProxy=x\r\n=y\r\nno equals sign\r\nChartHost=c:1\r\n"),
            "127.0.0.1:8421 c:1 http://127.0.0.1:8421/infos");
        row("blanks around key and value dropped", QByteArray("  QuoteHost =  q:2  \r\n"),
            "q:2 127.0.0.1:8421 http://127.0.0.1:8421/infos");
        row("the last of repeated lines counts", QByteArray("QuoteHost=a\r\nQuoteHost=b\r\n"),
            "b 127.0.0.1:8421 http://127.0.0.1:8421/infos");
        row("empty value keeps the default", QByteArray("QuoteHost=\r\n"), none);
        row("keys are case-sensitive", QByteArray("quotehost=q\r\n"), none);
        row("empty file", QByteArray(""), none);
        row("no file", QByteArray(), none);
    }
    void read()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QCOMPARE(hosts(file), expected);
    }

    // The game's own market came up on port 40000: what still names the default follows it.
    void followsTheBundledMarket_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("bundled");
        QTest::addColumn<QString>("expected");
        const QString moved = u"127.0.0.1:40000 127.0.0.1:40000 http://127.0.0.1:40000/infos"_s;
        row("no file", QByteArray(), true, moved);
        row("default named", QByteArray("QuoteHost=127.0.0.1:8421\r\n"), true, moved);
        row("chart and page elsewhere stay", QByteArray("ChartHost=c:1\r\nInfoPage=http://w/i\r\n"), true,
            "127.0.0.1:40000 c:1 http://w/i");
        row("quotes elsewhere", QByteArray("QuoteHost=localhost:8421\r\n"), false,
            "localhost:8421 127.0.0.1:40000 http://127.0.0.1:40000/infos");
    }
    void followsTheBundledMarket()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, bundled);
        QFETCH(QString, expected);
        bool fromBundled = !bundled;
        QCOMPARE(hosts(file, &fromBundled, 40000), expected);
        QCOMPARE(fromBundled, bundled);
    }
};

QTEST_GUILESS_MAIN(TestServicesConfig)
#include "test_servicesconfig.moc"
