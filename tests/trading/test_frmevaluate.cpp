// How the evaluation window and the statistics panel render the valuation, against a quote
// service of the test's own on 127.0.0.1 and without any; the valuation's own logic is pinned in
// test_portfoliovaluation, its arithmetic in test_evaluation.
#include "common/fakequoteservice.h"
#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "common/rows.h"
#include "common/testsession.h"
#include "trading/frmevaluate.h"
#include "trading/frmstats.h"
#include "trading/portfoliovaluation.h"

#include <QChartView>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QTableWidget>
#include <QValueAxis>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

void layOut(const TempProgramFolder &folder, const QString &host)
{
    folder.writeSettings("player");
    folder.write(u"player.qvn"_s, "9307.5\r\nAAPL\r\n0\r\nIBM\r\n9\r\n");
    folder.write(u"player.qvh"_s, "2026-12-02T09:00:00+01:00;START;Medium;10000\r\n"
                                  "2026-12-02T10:00:00+01:00;BUY;IBM;10;80;9200\r\n"
                                  "2026-12-02T11:00:00+01:00;BUY;IBM;5;86.5;8767.5\r\n"
                                  "this line was damaged\r\n"
                                  "2026-12-03T10:00:00+01:00;SELL;IBM;6;90;9307.5\r\n");
    folder.write(u"services.cfg"_s,
                 "QuoteHost=" + host.toLatin1() + "\r\nChartHost=" + host.toLatin1() + "\r\n");
}

// The named labels' texts, '|' between them.
QString texts(const QWidget &w, std::initializer_list<const char *> names)
{
    QStringList s;
    for (const char *name : names) {
        const auto *l = w.findChild<QLabel *>(QLatin1String(name));
        s << (l ? l->text() : u"<no %1>"_s.arg(QLatin1String(name)));
    }
    return s.join(u'|');
}

// The pie's slices as "label=value", the list lines, then the two figures.
QStringList statistics(FrmStats &panel)
{
    QStringList s;
    const auto *pie =
        qobject_cast<QPieSeries *>(panel.findChild<QChartView *>(u"Pie"_s)->chart()->series().value(0));
    for (QPieSlice *slice : pie->slices())
        s.append(slice->label() + u'=' + QString::number(slice->value(), 'f', 0));
    auto *list = panel.findChild<QListWidget *>(u"lstStats"_s);
    for (int i = 0; i < list->count(); ++i)
        s.append(list->item(i)->text());
    return s << texts(panel, {"lblTotalShares", "lblCompanies"});
}

} // namespace

class TestFrmEvaluate : public QObject
{
    Q_OBJECT

private slots:
    // Shown at once from the files, then what the answers, or their absence, let be known.
    void figuresChartTradesAndExport_data()
    {
        QTest::addColumn<bool>("answers");
        QTest::addColumn<QString>("figures");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("points"); // without closes only the start is known
        row("answered", true,
            u"10095 $|10000 $|+95 $ (+0.95 %)|+47 $|+1.00 % since 2026-12-02|The market beat you by 0.05 points"_s,
            u"1 unreadable line(s)"_s, 5);
        row("no service", false, u"N/A|10000 $|N/A|+47 $|N/A|N/A"_s, u"did not answer"_s, 1);
    }
    void figuresChartTradesAndExport()
    {
        QFETCH(bool, answers);
        QFETCH(QString, figures);
        QFETCH(QString, status);
        QFETCH(int, points);
        FakeQuoteService service;
        QVERIFY(service.listen());
        service.prices.insert(u"IBM"_s, "87.5");
        const auto days = [](const char *a, const char *b, const char *c, const char *d) {
            return FakeQuoteService::history(
                {{"2026-12-04", a}, {"2026-12-03", b}, {"2026-12-02", c}, {"2026-12-01", d}});
        };
        service.histories.insert(u"IBM"_s, days("88", "90", "80", "80"));
        service.histories.insert(u"^QVC"_s, days("1010", "1005", "1000", "1000"));
        TempProgramFolder folder;
        layOut(folder, answers ? service.host() : FakeQuoteService::closedHost());
        TestSession ts(folder.path());
        QVERIFY(!ts.session->start());

        FrmEvaluate w(ts.session->portfolio(), nullptr);
        w.refresh();
        w.show();
        QCOMPARE(texts(w, {"lblNetWorth"}), u"\u2026"_s);
        QCOMPARE(w.findChild<QTableWidget *>(u"tblTrades"_s)->rowCount(), 3);
        QVERIFY(QTest::qWaitFor([&] { return w.valuation().pendingRequests() == 0; }, 10000));
        QCOMPARE(w.windowTitle(), u"Portfolio Evaluation"_s);
        QCOMPARE(
            texts(w, {"lblNetWorth", "lblStartCash", "lblGain", "lblRealised", "lblIndex", "lblVerdict"}),
            figures);
        QVERIFY2(texts(w, {"lblStatus"}).contains(status), qPrintable(texts(w, {"lblStatus"})));
        QCOMPARE(w.worthSeries()->count(), points);
        QCOMPARE(w.worthSeries()->at(0).y(), 10000.0);
        if (!answers)
            return;

        const auto *holdings = w.findChild<QTableWidget *>(u"tblHoldings"_s);
        QStringList cells;
        for (int r = 0; r < holdings->rowCount(); ++r)
            for (int c = 0; c < holdings->columnCount(); ++c)
                cells << holdings->item(r, c)->text();
        QCOMPARE(cells.join(u'|'), u"IBM|9|82.17|87.50|787.50|48.00"_s);

        QCOMPARE(w.indexSeries()->count(), 5);
        QCOMPARE(w.worthSeries()->at(2).y(), 10117.5);
        QCOMPARE(w.indexSeries()->at(3).y(), 10100.0);
        // The worth axis steps in round figures; the time axis ends at the last point.
        const QChart *chart = w.worthSeries()->chart();
        const auto *worthAxis = qobject_cast<QValueAxis *>(chart->axes(Qt::Vertical).front());
        const double step = (worthAxis->max() - worthAxis->min()) / (worthAxis->tickCount() - 1);
        QCOMPARE(QList<double>({step, std::fmod(worthAxis->min(), step)}), QList<double>({100, 0}));
        QCOMPARE(
            qobject_cast<QDateTimeAxis *>(chart->axes(Qt::Horizontal).front())->max().toMSecsSinceEpoch(),
            qint64(w.worthSeries()->at(4).x()));

        // Quantities sort by number, not by text.
        auto *trades = w.findChild<QTableWidget *>(u"tblTrades"_s);
        trades->sortByColumn(3, Qt::DescendingOrder);
        QCOMPARE(trades->item(0, 3)->text() + trades->item(2, 3)->text(), u"105"_s);
        QCOMPARE(trades->item(0, 4)->text() + u'|' + trades->item(0, 5)->text(), u"80.00|9200.00"_s);

        const QString exported = folder.file(u"out/trades.csv"_s);
        QDir().mkpath(QFileInfo(exported).path());
        FrmEvaluate::setExportChooser([&](QWidget *, const QString &suggested) {
            return suggested.endsWith(u"player trades.csv"_s) ? exported : QString();
        });
        w.cmdExport_Click();
        const QByteArray csv = folder.read(u"out/trades.csv"_s);
        QVERIFY(csv.startsWith("Time,Action,Ticker,Quantity,Price,Cash\r\n") && csv.count("\r\n") == 5);
    }

    // The panel draws the figures and the fortune each time it is shown, opens one evaluation
    // window, and reports an unreadable game instead of showing.
    void statisticsPanel_data()
    {
        QTest::addColumn<bool>("answers");
        QTest::addColumn<QByteArray>("price");
        QTest::addColumn<QString>("fortune");
        QTest::addColumn<QString>("tip");
        row("valued", true, QByteArray("87.5"), u"10095"_s, QString());
        row("no last trade", true, QByteArray("N/A"), u"N/A"_s, u"No last trade is known for IBM"_s);
        row("no service", false, QByteArray(), u"N/A"_s, u"did not answer"_s);
    }
    void statisticsPanel()
    {
        QFETCH(bool, answers);
        QFETCH(QByteArray, price);
        QFETCH(QString, fortune);
        QFETCH(QString, tip);
        FakeQuoteService service;
        QVERIFY(service.listen());
        service.prices.insert(u"IBM"_s, price);
        TempProgramFolder folder;
        layOut(folder, answers ? service.host() : FakeQuoteService::closedHost());
        TestSession ts(folder.path());
        QVERIFY(!ts.session->start());
        QWidget main;
        main.resize(669, 430);
        FrmStats stats(&main);
        QVERIFY(stats.isHidden());
        QVERIFY(stats.showFor(ts.session->portfolio()));
        QCOMPARE(stats.geometry(), QRect(0, 0, 669, 430));
        QCOMPARE(statistics(stats), (QStringList{u"IBM=9"_s, u"IBM - 9"_s, u"9|1"_s}));
        auto *label = stats.findChild<QLabel *>(u"lblFortune"_s);
        QCOMPARE(label->text(), u"\u2026"_s);
        QVERIFY(QTest::qWaitFor([&] { return label->text() != u"\u2026"_s; }, 10000));
        QCOMPARE(label->text(), fortune);
        QVERIFY2(label->toolTip().contains(tip), qPrintable(label->toolTip()));

        // One evaluation window, brought forward again.
        stats.Command2_Click();
        FrmEvaluate *first = stats.evaluationWindow();
        QVERIFY(first && first->isVisible());
        stats.Command2_Click();
        QCOMPARE(stats.evaluationWindow(), first);
        QCOMPARE(main.findChildren<FrmEvaluate *>().size(), 1);

        QTest::mouseClick(stats.findChild<QPushButton *>(u"cmdCloseStats"_s), Qt::LeftButton);
        QVERIFY(stats.isHidden());
        // Drawn afresh from the door: fewer holdings leave no slice of before.
        folder.write(u"player.qvn"_s, "9307.5\r\nAAPL\r\n0\r\nIBM\r\n0\r\n");
        QVERIFY(stats.showFor(ts.session->portfolio()));
        QCOMPARE(statistics(stats), (QStringList{u"0|0"_s}));
        stats.hide();
        QVERIFY(QFile::remove(folder.file(u"player.qvn"_s)));
        MessageRecorder messages;
        QVERIFY(!stats.showFor(ts.session->portfolio()));
        QVERIFY(stats.isHidden());
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(messages.shown.at(0).text.contains(u"player.qvn"_s));
        QCOMPARE(messages.shown.at(0).title, u"Quorvane"_s);
    }
};

QTEST_MAIN(TestFrmEvaluate)
#include "test_frmevaluate.moc"
