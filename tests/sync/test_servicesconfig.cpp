#include "common/notafile.h"
#include "sync/servicesconfig.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A null file means none at all.
void writeServices(const QTemporaryDir &dir, const QByteArray &file)
{
    if (file.isNull())
        return;
    QFile out(dir.filePath(QStringLiteral("services.cfg")));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file);
}

} // namespace

class TestServicesConfig : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void notAFileKeepsTheBundledService_data();
    void notAFileKeepsTheBundledService();
    void followsTheBundledMarket_data();
    void followsTheBundledMarket();
};

void TestServicesConfig::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected"); // quote host, chart host, info page

    const QString local = QStringLiteral("127.0.0.1:8421");
    const QString info = QStringLiteral("http://127.0.0.1:8421/infos");
    QTest::addRow("all three")
        << QByteArray(
               "QuoteHost=quotes.example\r\nChartHost=charts.example:8080\r\nInfoPage=http://w.example/i\r\n")
        << QStringList{u"quotes.example"_s, u"charts.example:8080"_s, u"http://w.example/i"_s};
    QTest::addRow("missing lines keep the bundled service")
        << QByteArray("QuoteHost=10.0.0.2:9000\n") << QStringList{u"10.0.0.2:9000"_s, local, info};
    QTest::addRow("unknown and malformed lines ignored")
        << QByteArray("# comment\r\nProxy=x\r\n=y\r\nno equals sign\r\nChartHost=c:1\r\n")
        << QStringList{local, u"c:1"_s, info};
    QTest::addRow("blanks around key and value dropped")
        << QByteArray("  QuoteHost =  q:2  \r\n") << QStringList{u"q:2"_s, local, info};
    QTest::addRow("empty value keeps the default")
        << QByteArray("QuoteHost=\r\n") << QStringList{local, local, info};
    QTest::addRow("keys are case-sensitive")
        << QByteArray("quotehost=q\r\n") << QStringList{local, local, info};
    QTest::addRow("the last of repeated lines counts")
        << QByteArray("QuoteHost=a\r\nQuoteHost=b\r\n") << QStringList{u"b"_s, local, info};
    QTest::addRow("empty file") << QByteArray("") << QStringList{local, local, info};
    QTest::addRow("no file") << QByteArray() << QStringList{local, local, info};
}

void TestServicesConfig::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    writeServices(dir, file);
    const ServicesConfig config = readServicesConfig(dir.path());
    QCOMPARE((QStringList{config.quoteHost, config.chartHost, config.infoPage}), expected);
}

void TestServicesConfig::notAFileKeepsTheBundledService_data()
{
    QTest::addColumn<QString>("thing");
    for (const char *thing : {"named pipe", "folder", "device"})
        QTest::newRow(thing) << QString::fromLatin1(thing);
}

void TestServicesConfig::notAFileKeepsTheBundledService()
{
    QFETCH(QString, thing);
    QTemporaryDir dir;
    // A pipe would block start-up for ever in open() if it were waited on.
    if (!putNotAFile(dir.filePath(QStringLiteral("services.cfg")), thing))
        QSKIP("cannot make one here");
    const ServicesConfig config = readServicesConfig(dir.path());
    QVERIFY(config.quotesFromBundledMarket());
    QCOMPARE(config.infoPage, QStringLiteral("http://127.0.0.1:8421/infos"));
}

void TestServicesConfig::followsTheBundledMarket_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("bundled");
    QTest::addColumn<QStringList>("expected"); // after the market came up on port 40000

    const QString moved = QStringLiteral("127.0.0.1:40000");
    const QString movedInfo = QStringLiteral("http://127.0.0.1:40000/infos");
    QTest::addRow("no file") << QByteArray() << true << QStringList{moved, moved, movedInfo};
    QTest::addRow("default named") << QByteArray("QuoteHost=127.0.0.1:8421\r\n") << true
                                   << QStringList{moved, moved, movedInfo};
    QTest::addRow("chart and page elsewhere stay") << QByteArray("ChartHost=c:1\r\nInfoPage=http://w/i\r\n")
                                                   << true << QStringList{moved, u"c:1"_s, u"http://w/i"_s};
    QTest::addRow("quotes elsewhere") << QByteArray("QuoteHost=localhost:8421\r\n") << false
                                      << QStringList{u"localhost:8421"_s, moved, movedInfo};
}

void TestServicesConfig::followsTheBundledMarket()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, bundled);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    writeServices(dir, file);
    ServicesConfig config = readServicesConfig(dir.path());
    QCOMPARE(config.quotesFromBundledMarket(), bundled);
    config.moveBundledMarket(QStringLiteral("127.0.0.1:40000"));
    QCOMPARE((QStringList{config.quoteHost, config.chartHost, config.infoPage}), expected);
}

QTEST_GUILESS_MAIN(TestServicesConfig)
#include "test_servicesconfig.moc"
