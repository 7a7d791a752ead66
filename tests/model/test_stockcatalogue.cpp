#include "model/stockcatalogue.h"

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
        QTest::addRow("known ticker") << "MSFT"
                                      << "Microsoft Corp";
        QTest::addRow("lower case is unknown") << "msft"
                                               << "N/A";
        QTest::addRow("empty text") << ""
                                    << "N/A";
        QTest::addRow("ticker the catalogue lacks") << "ZZZZ"
                                                    << "N/A";
        QTest::addRow("surrounding blanks") << " MSFT "
                                            << "N/A";
        QTest::addRow("blank inside the name kept") << "LOGI"
                                                    << "Logitech International S A";
        QTest::addRow("single ampersand T") << "T"
                                            << "AT&T Corp";
        QTest::addRow("single ampersand HRB") << "HRB"
                                              << "H&R Block Inc";
        QTest::addRow("capitals as listed") << "AMR"
                                            << "AMR CORP";
        QTest::addRow("longest name") << "TSM"
                                      << "Taiwan Semiconductor Manufacturing Co Ltd";
    }
    void companyNameOf()
    {
        QFETCH(QString, ticker);
        QFETCH(QString, name);
        QCOMPARE(CompanyNameOf(ticker), name);
    }

    void sectorBlocks_data()
    {
        QTest::addColumn<int>("sector");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("name");
        const struct
        {
            Sector sector;
            int size;
            const char *first, *last, *name;
        } rows[] = {
            {Sector::CapitalGoods, 6, "LM", "LR", "Capital Goods"},
            {Sector::Technology, 37, "CSCO", "SAP", "Technology"},
            {Sector::Financial, 30, "AXP", "BCS", "Financial"},
            {Sector::RawMaterials, 8, "X", "YZC", "Raw Materials"},
            {Sector::Energy, 14, "TOT", "DYN", "Energy"},
            {Sector::Services, 65, "HAVS", "WMI", "Services"},
            {Sector::ConsumerCyclical, 18, "SKX", "SPAR", "Consumer Cyclical"},
            {Sector::ConsumerNonCyclical, 16, "DEO", "PG", "Consumer Non-Cyclical"},
            {Sector::Healthcare, 19, "AMGN", "BAX", "Healthcare"},
            {Sector::Conglomerates, 5, "GE", "UTX", "Conglomerates"},
            {Sector::Transportation, 10, "FDX", "YELL", "Transportation"},
        };
        for (const auto &row : rows)
            QTest::addRow("%s", row.name) << int(row.sector) << row.size << row.first << row.last << row.name;
    }
    void sectorBlocks()
    {
        QFETCH(int, sector);
        QFETCH(int, size);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QString, name);
        const QStringList block = TickersOfSector(Sector(sector));
        QCOMPARE(block.size(), size);
        QCOMPARE(block.first(), first);
        QCOMPARE(block.last(), last);
        QCOMPARE(sectorName(Sector(sector)), name);
        for (const QString &ticker : block)
            QCOMPARE(SectorOf(ticker), std::optional<Sector>(Sector(sector)));
    }

    void blocksPartitionTheCatalogue()
    {
        const QStringList all = AllTickers();
        QCOMPARE(all.size(), 228);
        QStringList concatenated;
        QSet<QString> seen;
        for (Sector sector : allSectors()) {
            for (const QString &ticker : TickersOfSector(sector)) {
                QVERIFY2(!seen.contains(ticker), qPrintable(ticker + " is in two blocks"));
                seen.insert(ticker);
                concatenated.append(ticker);
            }
        }
        QCOMPARE(concatenated, all); // catalogue order is block order
        for (const QString &ticker : all) {
            QVERIFY(CompanyNameOf(ticker) != QLatin1String("N/A"));
            QVERIFY(ticker.size() >= 1 && ticker.size() <= 5);
            for (QChar c : ticker)
                QVERIFY(c >= u'A' && c <= u'Z');
        }
    }

    void alphabeticalOrder()
    {
        const QStringList sorted = AllTickersAlphabetical();
        QCOMPARE(sorted.size(), 228);
        QCOMPARE(sorted.mid(0, 4), (QStringList{"A", "AAPL", "ABX", "ACN"}));
        QCOMPARE(sorted.mid(225), (QStringList{"YZC", "ZMH", "ZQK"}));
        const QStringList all = AllTickers();
        QCOMPARE(QSet<QString>(sorted.begin(), sorted.end()), QSet<QString>(all.begin(), all.end()));
        for (int i = 1; i < sorted.size(); ++i)
            QVERIFY2(sorted[i - 1] < sorted[i], qPrintable(sorted[i - 1] + " before " + sorted[i]));
        // Single-letter tickers come before every longer ticker starting with their letter.
        for (const QString letter : {"A", "C", "D", "F", "K", "S", "T", "V", "X"}) {
            const qsizetype at = sorted.indexOf(letter);
            QVERIFY(at >= 0);
            QVERIFY(at == 0 || sorted[at - 1][0] != letter[0]);
        }
    }
};

QTEST_GUILESS_MAIN(TestStockCatalogue)
#include "test_stockcatalogue.moc"
