#include "model/stockcatalogue.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

class TestStockCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void companyNameOf_data()
    {
        QTest::addColumn<QString>("ticker");
        QTest::addColumn<QString>("name");
        auto row = [](const char *tag, const char *ticker, const char *name) {
            QTest::newRow(tag) << QString::fromLatin1(ticker) << QString::fromLatin1(name);
        };
        row("known ticker", "MSFT", "Microsoft Corp");
        row("lower case is unknown", "msft", "N/A");
        row("empty text", "", "N/A");
        row("ticker the catalogue lacks", "ZZZZ", "N/A");
        row("surrounding blanks", " MSFT ", "N/A");
        row("blank inside the name kept", "LOGI", "Logitech International S A");
        row("single ampersand", "HRB", "H&R Block Inc");
        row("capitals as listed", "AMR", "AMR CORP");
        row("longest name", "TSM", "Taiwan Semiconductor Manufacturing Co Ltd");
    }
    void companyNameOf()
    {
        QFETCH(QString, ticker);
        QFETCH(QString, name);
        QCOMPARE(CompanyNameOf(ticker), name);
    }

    void wholeCatalogue()
    {
        const QStringList all = AllTickers();
        QCOMPARE(all.size(), 228);
        // Each block: its name, size, first and last ticker.
        QStringList blocks, concatenated;
        for (Sector sector : allSectors()) {
            const QStringList block = TickersOfSector(sector);
            blocks << QStringLiteral("%1 %2 %3-%4")
                          .arg(sectorName(sector))
                          .arg(block.size())
                          .arg(block.first(), block.last());
            for (const QString &ticker : block)
                QCOMPARE(SectorOf(ticker), std::optional<Sector>(sector));
            concatenated += block;
        }
        QCOMPARE(blocks, (QStringList{"Capital Goods 6 LM-LR", "Technology 37 CSCO-SAP",
                                      "Financial 30 AXP-BCS", "Raw Materials 8 X-YZC", "Energy 14 TOT-DYN",
                                      "Services 65 HAVS-WMI", "Consumer Cyclical 18 SKX-SPAR",
                                      "Consumer Non-Cyclical 16 DEO-PG", "Healthcare 19 AMGN-BAX",
                                      "Conglomerates 5 GE-UTX", "Transportation 10 FDX-YELL"}));
        QCOMPARE(concatenated, all); // catalogue order is block order, each ticker in one block
        QCOMPARE(QSet<QString>(all.begin(), all.end()).size(), 228);
        for (const QString &ticker : all) {
            QVERIFY(CompanyNameOf(ticker) != QLatin1String("N/A"));
            QVERIFY2(QRegularExpression("^[A-Z]{1,5}$").match(ticker).hasMatch(), qPrintable(ticker));
        }

        const QStringList sorted = AllTickersAlphabetical();
        QCOMPARE(sorted.mid(0, 4), (QStringList{"A", "AAPL", "ABX", "ACN"}));
        QCOMPARE(sorted.mid(225), (QStringList{"YZC", "ZMH", "ZQK"}));
        QCOMPARE(QSet<QString>(sorted.begin(), sorted.end()), QSet<QString>(all.begin(), all.end()));
        for (int i = 1; i < sorted.size(); ++i)
            QVERIFY2(sorted[i - 1] < sorted[i], qPrintable(sorted[i - 1] + " before " + sorted[i]));
    }
};

QTEST_GUILESS_MAIN(TestStockCatalogue)
#include "test_stockcatalogue.moc"
