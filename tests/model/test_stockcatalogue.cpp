#include "model/stockcatalogue.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

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
        QCOMPARE(blocks,
                 (QStringList{u"Capital Goods 6 LM-LR"_s, u"Technology 37 CSCO-SAP"_s,
                              u"Financial 30 AXP-BCS"_s, u"Raw Materials 8 X-YZC"_s, u"Energy 14 TOT-DYN"_s,
                              u"Services 65 HAVS-WMI"_s, u"Consumer Cyclical 18 SKX-SPAR"_s,
                              u"Consumer Non-Cyclical 16 DEO-PG"_s, u"Healthcare 19 AMGN-BAX"_s,
                              u"Conglomerates 5 GE-UTX"_s, u"Transportation 10 FDX-YELL"_s}));
        QCOMPARE(concatenated, all); // catalogue order is block order, each ticker in one block
        QCOMPARE(QSet<QString>(all.begin(), all.end()).size(), 228);
        for (const QString &ticker : all) {
            QVERIFY(CompanyNameOf(ticker) != QLatin1String("N/A"));
            QVERIFY2(QRegularExpression(u"^[A-Z]{1,5}$"_s).match(ticker).hasMatch(), qPrintable(ticker));
        }

        const QStringList sorted = AllTickersAlphabetical();
        QCOMPARE(sorted.mid(0, 4), (QStringList{u"A"_s, u"AAPL"_s, u"ABX"_s, u"ACN"_s}));
        QCOMPARE(sorted.mid(225), (QStringList{u"YZC"_s, u"ZMH"_s, u"ZQK"_s}));
        QCOMPARE(QSet<QString>(sorted.begin(), sorted.end()), QSet<QString>(all.begin(), all.end()));
        for (int i = 1; i < sorted.size(); ++i)
            QVERIFY2(sorted[i - 1] < sorted[i], qPrintable(sorted[i - 1] + u" before "_s + sorted[i]));
    }
};

QTEST_GUILESS_MAIN(TestStockCatalogue)
#include "test_stockcatalogue.moc"
