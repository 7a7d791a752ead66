// The evaluation's arithmetic: average cost, realised and unrealised gains to the
// ten-thousandth, the index comparison, the net-worth series and the exported CSV; and the
// reading of the quote service's batch and history answers.
#include "sync/marketdata.h"
#include "trading/evaluation.h"
#include "trading/stockstory.h"

#include <QtTest>

namespace {
QDateTime at(int day, int hour)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, 0), QTimeZone(3600));
}

Journal journal(std::optional<qint64> startDollars, const QByteArray &trades)
{
    QByteArray text;
    if (startDollars)
        text = "2026-12-02T09:00:00+01:00;START;Easy;" + QByteArray::number(*startDollars) + "\r\n";
    return parseJournal(text + trades, u'.');
}
} // namespace

class TestEvaluation : public QObject
{
    Q_OBJECT

private slots:
    // The history box's text for the selected stock: nothing loaded, nothing picked, never traded,
    // a position with its cost and gain (newest trade first, five at most), a sold-out position.
    void stockStoryText_data()
    {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QString>("ticker");
        QTest::addColumn<int>("held");
        QTest::addColumn<double>("lastTrade");
        QTest::addColumn<QString>("text");
        const QString five =
            QStringLiteral("10 shares held\nAverage cost 81.41\nGain -14.06\n\nLast trades:\n"
                           "12/3 10:00am\nSELL 6 at 90\n12/2 11:00am\nBUY 5 at 86.5\n"
                           "12/2 10:00am\nBUY 10 at 80\n12/2 9:30am\nSELL 1 at 70\n"
                           "12/2 9:15am\nBUY 1 at 70");
        QTest::newRow("no game") << false << "IBM" << 9 << 80.0
                                 << "No game is loaded. Your trades show here once you open a game.";
        QTest::newRow("no stock") << true << "" << 0 << 0.0 << "Pick a stock to see your trades in it.";
        QTest::newRow("never traded")
            << true << "MSFT" << 0 << 20.0 << "You have not traded MSFT in this game yet.";
        QTest::newRow("position") << true << "IBM" << 10 << 80.0 << five;
        QTest::newRow("sold out") << true << "AAPL" << 0 << 50.0
                                  << "0 shares held\n\nLast trades:\n12/3 2:05pm\nSELL 3 at 52.25\n"
                                     "12/2 10:00am\nBUY 3 at 40";
    }
    void stockStoryText()
    {
        QFETCH(bool, loaded);
        QFETCH(QString, ticker);
        QFETCH(int, held);
        QFETCH(double, lastTrade);
        QFETCH(QString, text);
        const Journal j = journal(10000, "2026-12-02T09:00:00+01:00;BUY;IBM;1;70;9930\r\n"
                                         "2026-12-02T09:15:00+01:00;BUY;IBM;1;70;9860\r\n"
                                         "2026-12-02T09:30:00+01:00;SELL;IBM;1;70;9930\r\n"
                                         "2026-12-02T10:00:00+01:00;BUY;AAPL;3;40;9810\r\n"
                                         "2026-12-02T10:00:00+01:00;BUY;IBM;10;80;9010\r\n"
                                         "2026-12-02T11:00:00+01:00;BUY;IBM;5;86.5;8577.5\r\n"
                                         "2026-12-03T10:00:00+01:00;SELL;IBM;6;90;9117.5\r\n"
                                         "2026-12-03T14:05:00+01:00;SELL;AAPL;3;52.25;9274.25\r\n");
        GameState game{QStringLiteral("Demo"), Money::fromDollars(9274), {{ticker, held}}, 0};
        if (!loaded)
            game.gameName.reset();
        QCOMPARE(storyText(stockStory(j, game, ticker, lastTrade), loaded, u'.'), text);
    }

    void averageCostAcrossBuysAndAPartialSale()
    {
        const Journal j = journal(10000, "2026-12-02T10:00:00+01:00;BUY;IBM;10;80;9200\r\n"
                                         "2026-12-02T11:00:00+01:00;BUY;IBM;5;86.5;8767.5\r\n"
                                         "2026-12-03T10:00:00+01:00;SELL;IBM;6;90;9307.5\r\n");
        const Evaluation e =
            evaluate(j, Money::fromUnits(93075000), {{QStringLiteral("AAPL"), 0}, {QStringLiteral("IBM"), 9}},
                     {{QStringLiteral("IBM"), 88.0}});
        QCOMPARE(e.positions.size(), 1);
        const PositionFigures &ibm = e.positions.front();
        QCOMPARE(ibm.quantity, 9);
        QCOMPARE(*ibm.averageCost, 739.5 / 9);
        // value, unrealised, realised, starting cash, net worth, gain in ten-thousandths
        QCOMPARE((QList<qint64>{ibm.value->units(), ibm.unrealisedGain->units(), e.realisedGain.units(),
                                e.startingCash->units(), e.netWorth->units(), e.gain->units()}),
                 (QList<qint64>{7920000, 525000, 470000, 100000000, 100995000, 995000}));
        QCOMPARE(*e.gainPercent, 0.995);
        QVERIFY(!e.historyIncomplete);
    }

    // A sale takes its share of the cost to the nearest ten-thousandth, ties to the even unit.
    void costShareRoundsHalfToEven()
    {
        // cost shares 5000.5 down to 5000, 5001.5 up to 5002, 5000.25 down
        for (const auto &[price, realised] :
             {std::pair{"0.50005", 5000}, {"0.50015", 4998}, {"0.500025", 5000}}) {
            const Journal j = journal(100, "2026-12-02T10:00:00+01:00;BUY;X;2;" + QByteArray(price) +
                                               ";99\r\n2026-12-02T11:00:00+01:00;SELL;X;1;1;100\r\n");
            QCOMPARE(
                evaluate(j, Money::fromDollars(100), {{QStringLiteral("X"), 1}}, {}).realisedGain.units(),
                qint64(realised));
        }
    }

    void whatIsNotKnownStaysUnknown()
    {
        // IBM was held before the history began; MSFT has no price.
        const Journal j = journal(std::nullopt, "2026-12-02T10:00:00+01:00;BUY;MSFT;10;80;9200\r\n"
                                                "2026-12-02T11:00:00+01:00;SELL;IBM;5;100;9700\r\n");
        const Evaluation e =
            evaluate(j, Money::fromDollars(9700), {{QStringLiteral("IBM"), 5}, {QStringLiteral("MSFT"), 10}},
                     {{QStringLiteral("IBM"), 100.0}});
        QCOMPARE(*e.startingCash, Money::fromDollars(10000)); // the cash before the first trade
        QVERIFY(e.historyIncomplete);
        QCOMPARE(e.realisedGain, Money());
        QVERIFY(!e.positions[0].averageCost && !e.positions[0].unrealisedGain);
        QCOMPARE(*e.positions[0].value, Money::fromDollars(500));
        QCOMPARE(*e.positions[1].averageCost, 80.0);
        QVERIFY(!e.positions[1].value && !e.holdingsValue && !e.netWorth && !e.gain);
    }

    void indexAndNetWorthSeries()
    {
        const Journal j = journal(1000, "2026-12-03T10:00:00+01:00;BUY;A;10;10;900\r\n");
        QList<DailyClose> a, index;
        for (const auto &[day, close, level] :
             {std::tuple{1, 9, 100}, {2, 10, 100}, {3, 11, 110}, {4, 12, 120}}) {
            a.append({QDate(2026, 12, day), double(close)});
            index.append({QDate(2026, 12, day), double(level)});
        }
        const std::optional<IndexComparison> c = compareWithIndex(index, at(2, 9));
        QVERIFY(c && c->startLevel == 100.0);
        QCOMPARE(c->changePercent, 20.0);
        QVERIFY(!compareWithIndex(index, at(1, 9)));

        const QList<WorthPoint> points =
            netWorthSeries(j, Money::fromDollars(900), {{QStringLiteral("A"), 10}},
                           {{QStringLiteral("A"), a}}, index, at(5, 12), Money::fromDollars(1030));
        QList<double> worth;
        QList<double> scaled;
        for (const WorthPoint &p : points) {
            worth << p.worth;
            scaled << p.index.value_or(-1);
        }
        QCOMPARE(worth, (QList<double>{1000, 1000, 1010, 1020, 1030}));
        QCOMPARE(scaled, (QList<double>{1000, 1000, 1100, 1200, 1200}));
        QCOMPARE(points.front().at, at(2, 9));
        QCOMPARE(points.back().at, at(5, 12));

        // A day without a close of a held stock is left out rather than valued at 0.
        const QList<WorthPoint> gap =
            netWorthSeries(j, Money::fromDollars(900), {{QStringLiteral("A"), 10}},
                           {{QStringLiteral("A"), a.mid(0, 3)}}, index, at(5, 12), std::nullopt);
        QCOMPARE(gap.size(), 3);
        // Without the index's closes the worth is still drawn, with no index beside it.
        const QList<WorthPoint> alone =
            netWorthSeries(j, Money::fromDollars(900), {{QStringLiteral("A"), 10}},
                           {{QStringLiteral("A"), a}}, {}, at(5, 12), Money::fromDollars(1030));
        QVERIFY(alone.size() == 5 && std::none_of(alone.begin(), alone.end(),
                                                  [](const WorthPoint &p) { return p.index.has_value(); }));
    }

    void exportedCsv()
    {
        const Journal j = parseJournal("2026-12-02T09:00:00+01:00;START;Easy;1000\r\n"
                                       "2026-12-03T10:00:00+01:00;BUY;A;10;10,5;895\r\n"
                                       "2026-12-03T11:00:00-05:00;SELL;A;1;12;907\r\n",
                                       u',');
        QCOMPARE(historyCsv(j, u','), QByteArray("Time,Action,Ticker,Quantity,Price,Cash\r\n"
                                                 "2026-12-02T09:00:00+01:00,START,,,,1000\r\n"
                                                 "2026-12-03T10:00:00+01:00,BUY,A,10,\"10,5\",895\r\n"
                                                 "2026-12-03T11:00:00-05:00,SELL,A,1,12,907\r\n"));
    }

    void batchQuotes()
    {
        const QByteArray body = "\"IBM\",88.5,\"12/7/2026\",\"4:00pm\",+0.5,88,89,87,1200\r\n"
                                "\"NOPE\",N/A,N/A,N/A,N/A,N/A,N/A,N/A,N/A\r\n"
                                "garbage\r\n";
        const BatchQuotes q =
            parseBatchQuotes(body, {QStringLiteral("ibm"), QStringLiteral("NOPE"), QStringLiteral("MSFT")});
        QCOMPARE(q.prices, (QHash<QString, double>{{QStringLiteral("ibm"), 88.5}}));
        QCOMPARE(q.unknown, (QStringList{QStringLiteral("NOPE"), QStringLiteral("MSFT")}));
    }

    void priceHistory()
    {
        QVERIFY(!parsePriceHistory("<html>not found</html>"));
        const std::optional<QList<DailyClose>> h =
            parsePriceHistory("Date,Open,High,Low,Close,Volume,Adj Close\r\n"
                              "2026-12-04,1,2,1,1.5,100,1.5\r\n"
                              "2026-12-03,1,2,1,x,100,1.5\r\n"
                              "2026-12-02,1,2,1,1.25,100,1.25\r\n");
        QVERIFY(h && h->size() == 2);
        QCOMPARE(h->front().date, QDate(2026, 12, 2));
        QCOMPARE(h->back().close, 1.5);
    }
};

QTEST_GUILESS_MAIN(TestEvaluation)
#include "test_evaluation.moc"
