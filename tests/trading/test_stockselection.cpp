#include "common/programfolder.h"
#include "model/stockcatalogue.h"
#include "trading/stockselection.h"

#include <QtTest>

Q_DECLARE_METATYPE(Holding)

namespace {
GameState gameWith(const QList<Holding> &holdings)
{
    GameState state;
    state.gameName = QStringLiteral("player");
    state.holdings = holdings;
    return state;
}

const QList<Holding> kThreeHoldings = {{"AAPL", 0}, {"IBM", 15}, {"MSFT", 3}};
} // namespace

class TestStockSelection : public QObject
{
    Q_OBJECT

private slots:
    void chartPageIsByteExact_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("ticker");
        QTest::addColumn<QByteArray>("imageLine");

        QTest::addRow("IBM on a local service")
            << "127.0.0.1:8765"
            << "IBM"
            << QByteArray(
                   "<img src=http://127.0.0.1:8765/servlet/ChartEngine?symbol=IBM&ticker=IBM&pri=&type=2"
                   "&freq=6&CD=&TC=&width=415&height=240&dur=1y&intr=&indicator=0,,,;&vol=1&nodata=&skin=>");
        QTest::addRow("one-letter ticker, host without port")
            << "charts.quorvane.test"
            << "A"
            << QByteArray(
                   "<img src=http://charts.quorvane.test/servlet/ChartEngine?symbol=A&ticker=A&pri=&type=2"
                   "&freq=6&CD=&TC=&width=415&height=240&dur=1y&intr=&indicator=0,,,;&vol=1&nodata=&skin=>");
        QTest::addRow("ticker inserted unencoded")
            << "h:1"
            << "BRK B"
            << QByteArray(
                   "<img src=http://h:1/servlet/ChartEngine?symbol=BRK B&ticker=BRK B&pri=&type=2"
                   "&freq=6&CD=&TC=&width=415&height=240&dur=1y&intr=&indicator=0,,,;&vol=1&nodata=&skin=>");
    }
    void chartPageIsByteExact()
    {
        QFETCH(QString, host);
        QFETCH(QString, ticker);
        QFETCH(QByteArray, imageLine);
        const QByteArray body =
            "<body oncontextmenu=window.event.returnValue=false onkeypress=window.event.returnValue=false "
            "onkeydown=window.event.returnValue=false onkeyup=window.event.returnValue=false "
            "ondragstart=window.event.returnValue=false onselectstart=event.returnValue=false topmargin=0 "
            "leftmargin=0 marginwidth=0 marginheight=0>";
        const QByteArray expected = body + "\r\n" + imageLine + "\r\n";
        QCOMPARE(chartPageBytes(host, ticker), expected);

        // The view shows the image the page names.
        QCOMPARE(QByteArray("<img src=") + chartImageAddress(host, ticker).toLatin1() + ">", imageLine);

        TempProgramFolder folder;
        QVERIFY(!writeChartPage(folder.path(), host, ticker));
        QCOMPARE(folder.read(QStringLiteral("tips/web.html")), expected);
    }

    void chartPageReplacesTheLastOne()
    {
        TempProgramFolder folder;
        folder.write(QStringLiteral("tips/web.html"), QByteArray(5000, 'x'));
        QVERIFY(!writeChartPage(folder.path(), QStringLiteral("h"), QStringLiteral("MSFT")));
        QVERIFY(!writeChartPage(folder.path(), QStringLiteral("h"), QStringLiteral("IBM")));
        QCOMPARE(folder.read(QStringLiteral("tips/web.html")), chartPageBytes("h", "IBM"));
        QCOMPARE(QDir(folder.file(QStringLiteral("tips"))).entryList(QDir::Files), QStringList{"web.html"});
    }

    void chartPageFailureIsReported()
    {
        TempProgramFolder folder;
        // A file where the tips folder should be.
        folder.write(QStringLiteral("tips"), "not a folder");
        const FileStatus error = writeChartPage(folder.path(), QStringLiteral("h"), QStringLiteral("IBM"));
        QVERIFY(error);
        QVERIFY(error->text().contains(QStringLiteral("web.html")));
    }

    void chartImageUrlKeepsTheQuery()
    {
        const QUrl url = chartImageUrl(QStringLiteral("127.0.0.1:8765"), QStringLiteral("IBM"));
        QCOMPARE(url.host(), QStringLiteral("127.0.0.1"));
        QCOMPARE(url.port(), 8765);
        QCOMPARE(url.path(), QStringLiteral("/servlet/ChartEngine"));
        const QUrlQuery query(url);
        QCOMPARE(query.queryItemValue(QStringLiteral("symbol")), QStringLiteral("IBM"));
        QCOMPARE(query.queryItemValue(QStringLiteral("ticker")), QStringLiteral("IBM"));
        QCOMPARE(query.queryItemValue(QStringLiteral("indicator")), QStringLiteral("0,,,;"));
        QCOMPARE(query.queryItemValue(QStringLiteral("dur")), QStringLiteral("1y"));
    }

    void ownedFollowsTheFirstMatchingHolding_data()
    {
        QTest::addColumn<QList<Holding>>("holdings");
        QTest::addColumn<QString>("ticker");
        QTest::addColumn<QString>("owned");

        QTest::addRow("held") << kThreeHoldings << "IBM"
                              << "15";
        QTest::addRow("held last") << kThreeHoldings << "MSFT"
                                   << "3";
        QTest::addRow("listed with none") << kThreeHoldings << "AAPL"
                                          << "0";
        QTest::addRow("not listed") << kThreeHoldings << "DELL"
                                    << "0";
        QTest::addRow("case differs") << kThreeHoldings << "ibm"
                                      << "0";
        QTest::addRow("no holdings") << QList<Holding>() << "IBM"
                                     << "";
        QTest::addRow("first of two rows") << QList<Holding>{{"IBM", 7}, {"IBM", 9}} << "IBM"
                                           << "7";
        QTest::addRow("negative") << QList<Holding>{{"IBM", -4}} << "IBM"
                                  << "-4";
        QTest::addRow("largest") << QList<Holding>{{"IBM", 2147483647}} << "IBM"
                                 << "2147483647";
    }
    void ownedFollowsTheFirstMatchingHolding()
    {
        QFETCH(QList<Holding>, holdings);
        QFETCH(QString, ticker);
        QFETCH(QString, owned);
        QCOMPARE(ownedText(gameWith(holdings), ticker), owned);
    }

    void selectionFillsThePanel()
    {
        QuotePanel panel;
        panel.lblQuote = QStringLiteral("MSFT");
        panel.lblTrade = QStringLiteral("27.1");
        panel.lblTime = QStringLiteral("1/2/2004 at 4:00pm");
        panel.lblVolume = QStringLiteral("1000");
        panel.lblValue = QStringLiteral("81.3");
        panel.lblVariation = QStringLiteral("+0.1 (opened at 27$)");
        panel.lblOwned = QStringLiteral("3");
        panel.picUpVisible = true;

        selectStock(panel, gameWith(kThreeHoldings), QStringLiteral("IBM"));
        QCOMPARE(panel.lblQuote, QStringLiteral("IBM"));
        QCOMPARE(panel.lblFullName, CompanyNameOf(QStringLiteral("IBM")));
        QCOMPARE(panel.lblOwned, QStringLiteral("15"));
        for (const QString &field :
             {panel.lblTrade, panel.lblTime, panel.lblVolume, panel.lblValue, panel.lblVariation})
            QVERIFY(field.isEmpty());
        QVERIFY(!panel.picUpVisible);
        QVERIFY(!panel.picDownVisible);

        selectStock(panel, gameWith(kThreeHoldings), QStringLiteral("NOPE"));
        QCOMPARE(panel.lblFullName, QStringLiteral("N/A"));
        QCOMPARE(panel.lblOwned, QStringLiteral("0"));
    }

    void browsingIsRefusedWhileTrading_data()
    {
        QTest::addColumn<int>("openDialogs");
        QTest::addColumn<bool>("refused");
        QTest::addRow("no dialog") << 0 << false;
        QTest::addRow("one dialog") << 1 << true;
        QTest::addRow("both dialogs") << 2 << true;
    }
    void browsingIsRefusedWhileTrading()
    {
        QFETCH(int, openDialogs);
        QFETCH(bool, refused);
        GameState state;
        state.openTradeDialogs = openDialogs;
        const std::optional<QString> message = browseRefusal(state);
        QCOMPARE(bool(message), refused);
        if (message)
            QCOMPARE(*message, QStringLiteral("You can't browse stocks when trading [buy/sell]\n"
                                              "Please finish your operation first."));
    }

    void logoFallsBackToNull_data()
    {
        QTest::addColumn<QString>("ticker");
        QTest::addColumn<QString>("expected");
        QTest::addRow("own logo") << "IBM"
                                  << "data/IBM.gif";
        QTest::addRow("no logo") << "DELL"
                                 << "data/null.gif";
        QTest::addRow("case differs") << "ibm2"
                                      << "data/null.gif";
        QTest::addRow("climbs out of data") << "../secret"
                                            << "data/null.gif";
        QTest::addRow("backslash") << "..\\secret"
                                   << "data/null.gif";
        QTest::addRow("empty") << ""
                               << "data/null.gif";
        QTest::addRow("a folder named like a ticker") << "DIR"
                                                      << "data/null.gif";
    }
    void logoFallsBackToNull()
    {
        QFETCH(QString, ticker);
        QFETCH(QString, expected);
        TempProgramFolder folder;
        folder.write(QStringLiteral("data/IBM.gif"), "GIF87a");
        folder.write(QStringLiteral("data/null.gif"), "GIF87a");
        folder.write(QStringLiteral("secret.gif"), "GIF87a");
        folder.write(QStringLiteral("data/DIR.gif/inside"), "x");
        QCOMPARE(logoPath(folder.path(), ticker), folder.path() + QLatin1Char('/') + expected);
    }
};

QTEST_GUILESS_MAIN(TestStockSelection)
#include "test_stockselection.moc"
