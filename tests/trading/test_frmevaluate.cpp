// How the evaluation window and the statistics panel's fortune render the valuation, against a
// quote service of the test's own on 127.0.0.1 and without any; the valuation's own logic is
// pinned in test_portfoliovaluation.
#include "common/fakequoteservice.h"
#include "common/programfolder.h"
#include "common/testsession.h"
#include "trading/frmevaluate.h"
#include "trading/frmstats.h"
#include "trading/portfoliovaluation.h"

#include <QChartView>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QTableWidget>
#include <QtTest>

namespace {

const QByteArray kJournal = "2026-12-02T09:00:00+01:00;START;Medium;10000\r\n"
                            "2026-12-02T10:00:00+01:00;BUY;IBM;10;80;9200\r\n"
                            "2026-12-02T11:00:00+01:00;BUY;IBM;5;86.5;8767.5\r\n"
                            "this line was damaged\r\n"
                            "2026-12-03T10:00:00+01:00;SELL;IBM;6;90;9307.5\r\n";

void layOut(const TempProgramFolder &folder, const QString &host)
{
    folder.writeSettings("player");
    folder.write(QStringLiteral("player.qvn"), "9307.5\r\nAAPL\r\n0\r\nIBM\r\n9\r\n");
    folder.write(QStringLiteral("player.qvh"), kJournal);
    folder.write(QStringLiteral("services.cfg"),
                 "QuoteHost=" + host.toLatin1() + "\r\nChartHost=" + host.toLatin1() + "\r\n");
}

QString text(const QWidget &w, const char *name)
{
    const auto *l = w.findChild<QLabel *>(QString::fromLatin1(name));
    return l ? l->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

} // namespace

class TestFrmEvaluate : public QObject
{
    Q_OBJECT

private slots:
    void figuresChartTradesAndExport()
    {
        FakeQuoteService service;
        QVERIFY(service.listen());
        service.prices.insert(QStringLiteral("IBM"), "87.5");
        service.histories.insert(
            QStringLiteral("IBM"),
            FakeQuoteService::history(
                {{"2026-12-04", "88"}, {"2026-12-03", "90"}, {"2026-12-02", "80"}, {"2026-12-01", "80"}}));
        service.histories.insert(QStringLiteral("^QVC"), FakeQuoteService::history({{"2026-12-04", "1010"},
                                                                                    {"2026-12-03", "1005"},
                                                                                    {"2026-12-02", "1000"},
                                                                                    {"2026-12-01", "1000"}}));
        TempProgramFolder folder;
        layOut(folder, service.host());
        TestSession ts(folder.path());
        QVERIFY(!ts.session->start());

        FrmEvaluate w(ts.session->portfolio(), nullptr);
        w.refresh();
        w.show();
        // Shown at once from the files, before any answer.
        QCOMPARE(text(w, "lblNetWorth"), QStringLiteral("\u2026"));
        QCOMPARE(w.findChild<QTableWidget *>(QStringLiteral("tblTrades"))->rowCount(), 3);
        QVERIFY(QTest::qWaitFor([&] { return w.valuation().pendingRequests() == 0; }, 10000));

        QCOMPARE(w.windowTitle(), QStringLiteral("Portfolio Evaluation"));
        QCOMPARE(text(w, "lblNetWorth"), QStringLiteral("10095 $"));
        QCOMPARE(text(w, "lblStartCash"), QStringLiteral("10000 $"));
        QCOMPARE(text(w, "lblGain"), QStringLiteral("+95 $ (+0.95 %)"));
        QCOMPARE(text(w, "lblRealised"), QStringLiteral("+47 $"));
        QCOMPARE(text(w, "lblIndex"), QStringLiteral("+1.00 % since 2026-12-02"));
        QCOMPARE(text(w, "lblVerdict"), QStringLiteral("The market beat you by 0.05 points"));
        QVERIFY2(text(w, "lblStatus").contains(QStringLiteral("1 unreadable line(s)")),
                 qPrintable(text(w, "lblStatus")));

        const auto *holdings = w.findChild<QTableWidget *>(QStringLiteral("tblHoldings"));
        QCOMPARE(holdings->rowCount(), 1);
        QStringList cells;
        for (int c = 0; c < holdings->columnCount(); ++c)
            cells << holdings->item(0, c)->text();
        QCOMPARE(cells.join(u'|'), QStringLiteral("IBM|9|82.1667|87.5|787.5|48"));

        QCOMPARE(w.worthSeries()->count(), 5);
        QCOMPARE(w.indexSeries()->count(), 5);
        QCOMPARE(w.worthSeries()->at(2).y(), 10117.5);
        QCOMPARE(w.indexSeries()->at(3).y(), 10100.0);

        auto *trades = w.findChild<QTableWidget *>(QStringLiteral("tblTrades"));
        trades->sortByColumn(3, Qt::DescendingOrder);
        QCOMPARE(trades->item(0, 3)->text(), QStringLiteral("10"));
        QCOMPARE(trades->item(2, 3)->text(), QStringLiteral("5"));

        const QString exported = folder.file(QStringLiteral("out/trades.csv"));
        QDir().mkpath(QFileInfo(exported).path());
        FrmEvaluate::setExportChooser([&](QWidget *, const QString &suggested) {
            return suggested.endsWith(QStringLiteral("player trades.csv")) ? exported : QString();
        });
        w.cmdExport_Click();
        QCOMPARE(folder.read(QStringLiteral("out/trades.csv")),
                 QByteArray("Time,Action,Ticker,Quantity,Price,Cash\r\n"
                            "2026-12-02T09:00:00+01:00,START,,,,10000\r\n"
                            "2026-12-02T10:00:00+01:00,BUY,IBM,10,80,9200\r\n"
                            "2026-12-02T11:00:00+01:00,BUY,IBM,5,86.5,8767.5\r\n"
                            "2026-12-03T10:00:00+01:00,SELL,IBM,6,90,9307.5\r\n"));
    }

    void withoutAServiceShowsWhatIsKnown()
    {
        TempProgramFolder folder;
        const QString host = FakeQuoteService::closedHost();
        QVERIFY(!host.isEmpty());
        layOut(folder, host);
        TestSession ts(folder.path());
        QVERIFY(!ts.session->start());
        FrmEvaluate w(ts.session->portfolio(), nullptr);
        w.refresh();
        QVERIFY(QTest::qWaitFor([&] { return w.valuation().pendingRequests() == 0; }, 10000));
        QCOMPARE(text(w, "lblNetWorth"), QStringLiteral("N/A"));
        QCOMPARE(text(w, "lblStartCash"), QStringLiteral("10000 $"));
        QCOMPARE(text(w, "lblRealised"), QStringLiteral("+47 $"));
        QCOMPARE(text(w, "lblIndex"), QStringLiteral("N/A"));
        QVERIFY2(text(w, "lblStatus").contains(QStringLiteral("did not answer")),
                 qPrintable(text(w, "lblStatus")));
        QCOMPARE(w.findChild<QTableWidget *>(QStringLiteral("tblTrades"))->rowCount(), 3);
        // Only the start is known without closes.
        QCOMPARE(w.worthSeries()->count(), 1);
        QCOMPARE(w.worthSeries()->at(0).y(), 10000.0);
    }

    void fortuneOfTheStatisticsPanel_data()
    {
        QTest::addColumn<bool>("answers");
        QTest::addColumn<QByteArray>("price");
        QTest::addColumn<QString>("fortune");
        QTest::addColumn<QString>("tip");
        QTest::addRow("valued") << true << QByteArray("87.5") << "10095"
                                << "";
        QTest::addRow("no last trade") << true << QByteArray("N/A") << "N/A"
                                       << "No last trade is known for IBM";
        QTest::addRow("no service") << false << QByteArray() << "N/A"
                                    << "did not answer";
    }
    void fortuneOfTheStatisticsPanel()
    {
        QFETCH(bool, answers);
        QFETCH(QByteArray, price);
        QFETCH(QString, fortune);
        QFETCH(QString, tip);
        FakeQuoteService service;
        QVERIFY(service.listen());
        service.prices.insert(QStringLiteral("IBM"), price);
        TempProgramFolder folder;
        layOut(folder, answers ? service.host() : FakeQuoteService::closedHost());
        TestSession ts(folder.path());
        QVERIFY(!ts.session->start());
        QWidget main;
        FrmStats stats(&main);
        QVERIFY(stats.showFor(ts.session->portfolio()));
        auto *label = stats.findChild<QLabel *>(QStringLiteral("lblFortune"));
        QCOMPARE(label->text(), QStringLiteral("\u2026"));
        QVERIFY(QTest::qWaitFor([&] { return label->text() != QStringLiteral("\u2026"); }, 10000));
        QCOMPARE(label->text(), fortune);
        QVERIFY2(label->toolTip().contains(tip), qPrintable(label->toolTip()));

        // One evaluation window, brought forward again.
        stats.Command2_Click();
        FrmEvaluate *first = stats.evaluationWindow();
        QVERIFY(first && first->isVisible());
        stats.Command2_Click();
        QCOMPARE(stats.evaluationWindow(), first);
        QCOMPARE(main.findChildren<FrmEvaluate *>().size(), 1);
    }
};

QTEST_MAIN(TestFrmEvaluate)
#include "test_frmevaluate.moc"
