#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "model/gamefiles.h"
#include "trading/frmstats.h"
#include "trading/trade.h"

#include <QChartView>
#include <QLabel>
#include <QListWidget>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QtTest>

namespace {
// A saved game of the given rows; quantities in the rewrite's numeric form.
QByteArray savedGame(const QList<QPair<QByteArray, int>> &rows)
{
    QByteArray bytes = "10000\r\n";
    for (const auto &[ticker, quantity] : rows)
        bytes += ticker + "\r\n " + QByteArray::number(quantity) + " \r\n";
    return bytes;
}

GameState loaded(const TempProgramFolder &folder)
{
    GameState state;
    state.gameName = QStringLiteral("player");
    ReadSavedGame(folder.path(), state.gameName, state);
    return state;
}
} // namespace

class TestFrmStats : public QObject
{
    Q_OBJECT

private:
    static QStringList slices(FrmStats &panel, QList<double> *values = nullptr)
    {
        auto *series = qobject_cast<QPieSeries *>(
            panel.findChild<QChartView *>(QStringLiteral("Pie"))->chart()->series().value(0));
        QStringList labels;
        for (QPieSlice *slice : series->slices()) {
            labels.append(slice->label());
            if (values)
                values->append(slice->value());
        }
        return labels;
    }
    static QStringList lines(FrmStats &panel)
    {
        auto *list = panel.findChild<QListWidget *>(QStringLiteral("lstStats"));
        QStringList l;
        for (int i = 0; i < list->count(); ++i)
            l.append(list->item(i)->text());
        return l;
    }
    static QString text(FrmStats &panel, const char *name)
    {
        return panel.findChild<QLabel *>(QLatin1String(name))->text();
    }

private slots:
    void figuresFollowTheSavedGame_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("holdingCount"); // -1: as read from the file
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<QStringList>("listLines");
        QTest::addColumn<QString>("total");

        QByteArray game = newSavedGameBytes(QStringLiteral("10000"));
        game.replace("\r\nIBM\r\n0\r\n", "\r\nIBM\r\n 15 \r\n");
        game.replace("\r\nMSFT\r\n0\r\n", "\r\nMSFT\r\n 3 \r\n");
        QTest::addRow("15 IBM and 3 MSFT in a new game")
            << game << -1 << QStringList{"IBM", "MSFT"} << QList<double>{15, 3}
            << QStringList{"IBM - 15", "MSFT - 3"} << "18";
        QTest::addRow("saved-game order, not alphabetical")
            << savedGame({{"MSFT", 3}, {"AAPL", 0}, {"IBM", 15}}) << -1 << QStringList{"MSFT", "IBM"}
            << QList<double>{3, 15} << QStringList{"MSFT - 3", "IBM - 15"} << "18";
        QTest::addRow("negative and zero left out")
            << savedGame({{"IBM", 15}, {"DELL", -2}, {"MSFT", 0}}) << -1 << QStringList{"IBM"}
            << QList<double>{15} << QStringList{"IBM - 15"} << "15";
        QTest::addRow("nothing held") << savedGame({{"IBM", 0}, {"MSFT", 0}}) << -1 << QStringList()
                                      << QList<double>() << QStringList() << "0";
        QTest::addRow("only the game's holding count is read")
            << savedGame({{"IBM", 15}, {"MSFT", 3}}) << 1 << QStringList{"IBM"} << QList<double>{15}
            << QStringList{"IBM - 15"} << "15";
        QTest::addRow("total beyond 32 bits")
            << savedGame({{"IBM", 2147483647}, {"MSFT", 2147483647}}) << -1 << QStringList{"IBM", "MSFT"}
            << QList<double>{2147483647.0, 2147483647.0}
            << QStringList{"IBM - 2147483647", "MSFT - 2147483647"} << "4294967294";
    }
    void figuresFollowTheSavedGame()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, holdingCount);
        QFETCH(QStringList, labels);
        QFETCH(QList<double>, values);
        QFETCH(QStringList, listLines);
        QFETCH(QString, total);

        TempProgramFolder folder;
        folder.write(QStringLiteral("player.qvn"), file);
        GameState state = loaded(folder);
        if (holdingCount >= 0)
            state.holdings.resize(holdingCount);
        MessageRecorder messages;
        QWidget client;
        client.resize(669, 430);
        FrmStats panel(&client);
        QVERIFY(panel.isHidden());

        QVERIFY(panel.showFor(folder.path(), state));
        QVERIFY(messages.shown.isEmpty());
        QVERIFY(!panel.isHidden());
        QCOMPARE(panel.geometry(), QRect(0, 0, 669, 430));
        QList<double> shownValues;
        QCOMPARE(slices(panel, &shownValues), labels);
        QCOMPARE(shownValues, values);
        QCOMPARE(lines(panel), listLines);
        QCOMPARE(text(panel, "lblTotalShares"), total);
        QCOMPARE(text(panel, "lblCompanies"), QString::number(labels.size()));
        QCOMPARE(text(panel, "lblFortune"), QStringLiteral("0"));
    }

    void reopeningAfterSellingEveryMsft()
    {
        TempProgramFolder folder;
        folder.write(QStringLiteral("player.qvn"), savedGame({{"AAPL", 0}, {"IBM", 15}, {"MSFT", 3}}));
        GameState state = loaded(folder);
        QWidget client;
        FrmStats panel(&client);
        QVERIFY(panel.showFor(folder.path(), state));
        QCOMPARE(slices(panel), (QStringList{"IBM", "MSFT"}));
        QCOMPARE(text(panel, "lblTotalShares"), QStringLiteral("18"));

        QTest::mouseClick(panel.findChild<QPushButton *>(QStringLiteral("cmdCloseStats")), Qt::LeftButton);
        QVERIFY(panel.isHidden());

        QuotePanel quote;
        quote.lblQuote = QStringLiteral("MSFT");
        quote.lblTrade = QStringLiteral("80");
        quote.lblOwned = QStringLiteral("3");
        const TradeAmounts amounts = tradeAmounts(TradeKind::Sell, "3", quote.lblTrade, state.cash);
        QVERIFY(!commitTrade(TradeKind::Sell, folder.path(), state, quote, "3", amounts.txtPay).refusal);

        QVERIFY(panel.showFor(folder.path(), state));
        QCOMPARE(slices(panel), QStringList{"IBM"});
        QCOMPARE(lines(panel), QStringList{"IBM - 15"});
        QCOMPARE(text(panel, "lblTotalShares"), QStringLiteral("15"));
        QCOMPARE(text(panel, "lblCompanies"), QStringLiteral("1"));
    }

    void captionsAndButtons()
    {
        QWidget client;
        FrmStats panel(&client);
        QStringList captions;
        for (QLabel *label : panel.findChildren<QLabel *>())
            captions.append(label->text());
        for (const char *caption :
             {"Statistics for Player", "Your current shares repartition :", "Global Statistics :",
              "Total shares owned :", "Companies involved :", "Financial Fortune (USD) :"})
            QVERIFY2(captions.contains(QLatin1String(caption)), caption);
        QCOMPARE(panel.findChild<QPushButton *>(QStringLiteral("cmdCloseStats"))->text(),
                 QStringLiteral("Close"));
        QCOMPARE(panel.findChild<QPushButton *>(QStringLiteral("Command2"))->text(),
                 QStringLiteral("Evaluate..."));
        auto *series = qobject_cast<QPieSeries *>(
            panel.findChild<QChartView *>(QStringLiteral("Pie"))->chart()->series().value(0));
        QCOMPARE(series->name(), QStringLiteral("Owned Shares"));
    }

    void unreadableSavedGameIsReported_data()
    {
        QTest::addColumn<QByteArray>("file"); // "-" for no file
        QTest::addColumn<int>("holdingCount");
        QTest::addRow("missing") << QByteArray("-") << 2;
        QTest::addRow("fewer pairs than the game holds") << savedGame({{"IBM", 15}}) << 2;
        QTest::addRow("quantity not a number") << QByteArray("10000\r\nIBM\r\nmany\r\n") << 1;
    }
    void unreadableSavedGameIsReported()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, holdingCount);
        TempProgramFolder folder;
        if (file != "-")
            folder.write(QStringLiteral("player.qvn"), file);
        GameState state;
        state.gameName = QStringLiteral("player");
        state.holdings.resize(holdingCount);
        MessageRecorder messages;
        QWidget client;
        FrmStats panel(&client);
        QVERIFY(!panel.showFor(folder.path(), state));
        QVERIFY(panel.isHidden());
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(messages.shown.at(0).text.contains(QStringLiteral("player.qvn")));
        QCOMPARE(messages.shown.at(0).title, QStringLiteral("Quorvane"));
    }
};

QTEST_MAIN(TestFrmStats)
#include "test_frmstats.moc"
