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

    // The row name is the sector's name as shown.
    void sectorBlocks_data()
    {
        QTest::addColumn<int>("sector");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        auto row = [](const char *name, Sector sector, int size, const char *first, const char *last) {
            QTest::newRow(name) << int(sector) << size << QString::fromLatin1(first)
                                << QString::fromLatin1(last);
        };
        row("Capital Goods", Sector::CapitalGoods, 6, "LM", "LR");
        row("Technology", Sector::Technology, 37, "CSCO", "SAP");
        row("Financial", Sector::Financial, 30, "AXP", "BCS");
        row("Raw Materials", Sector::RawMaterials, 8, "X", "YZC");
        row("Energy", Sector::Energy, 14, "TOT", "DYN");
        row("Services", Sector::Services, 65, "HAVS", "WMI");
        row("Consumer Cyclical", Sector::ConsumerCyclical, 18, "SKX", "SPAR");
        row("Consumer Non-Cyclical", Sector::ConsumerNonCyclical, 16, "DEO", "PG");
        row("Healthcare", Sector::Healthcare, 19, "AMGN", "BAX");
        row("Conglomerates", Sector::Conglomerates, 5, "GE", "UTX");
        row("Transportation", Sector::Transportation, 10, "FDX", "YELL");
    }
    void sectorBlocks()
    {
        QFETCH(int, sector);
        QFETCH(int, size);
        QFETCH(QString, first);
        QFETCH(QString, last);
        const QStringList block = TickersOfSector(Sector(sector));
        QCOMPARE(block.size(), size);
        QCOMPARE(block.first(), first);
        QCOMPARE(block.last(), last);
        QCOMPARE(sectorName(Sector(sector)), QString::fromLatin1(QTest::currentDataTag()));
        for (const QString &ticker : block)
            QCOMPARE(SectorOf(ticker), std::optional<Sector>(Sector(sector)));
    }

    void wholeCatalogue()
    {
        const QStringList all = AllTickers();
        QCOMPARE(all.size(), 228);
        QStringList concatenated;
        for (Sector sector : allSectors())
            concatenated += TickersOfSector(sector);
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
