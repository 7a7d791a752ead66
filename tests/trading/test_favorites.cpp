#include "common/programfolder.h"
#include "trading/favorites.h"

#include <QtTest>

namespace {
const QByteArray kHeader = "[Quorvane Favorites File]\r\n";

GameState player()
{
    GameState state;
    state.gameName = QStringLiteral("player");
    return state;
}

QuotePanel selected(const QString &ticker)
{
    QuotePanel panel;
    panel.lblQuote = ticker;
    return panel;
}
} // namespace

class TestFavorites : public QObject
{
    Q_OBJECT

private slots:
    void menuState_data()
    {
        QTest::addColumn<QByteArray>("file"); // "-" for no file at all
        QTest::addColumn<QString>("ticker");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("menu"); // "", "add" or "remove"

        const QByteArray withIbm = kHeader + "IBM\r\n";
        QTest::addRow("favourite selected") << withIbm << "IBM" << int(Qt::RightButton) << "remove";
        QTest::addRow("other selected") << withIbm << "DELL" << int(Qt::RightButton) << "add";
        QTest::addRow("case differs") << withIbm << "ibm" << int(Qt::RightButton) << "add";
        QTest::addRow("header alone") << kHeader << "IBM" << int(Qt::RightButton) << "add";
        QTest::addRow("header is no ticker")
            << kHeader << "[Quorvane Favorites File]" << int(Qt::RightButton) << "add";
        QTest::addRow("listed twice") << kHeader + "IBM\r\nIBM\r\n"
                                      << "IBM" << int(Qt::RightButton) << "remove";
        QTest::addRow("last line without line end") << kHeader + "DELL\r\nIBM"
                                                    << "IBM" << int(Qt::RightButton) << "remove";
        QTest::addRow("missing file counts as empty")
            << QByteArray("-") << "IBM" << int(Qt::RightButton) << "add";
        QTest::addRow("empty file") << QByteArray() << "IBM" << int(Qt::RightButton) << "add";
        QTest::addRow("nothing selected yet") << withIbm << "" << int(Qt::RightButton) << "";
        QTest::addRow("left button") << withIbm << "IBM" << int(Qt::LeftButton) << "";
        QTest::addRow("middle button") << withIbm << "IBM" << int(Qt::MiddleButton) << "";
    }
    void menuState()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, ticker);
        QFETCH(int, button);
        QFETCH(QString, menu);

        TempProgramFolder folder;
        if (file != "-")
            folder.write(QStringLiteral("player.fav"), file);
        const auto before = folder.snapshot();
        FileStatus problem;
        const std::optional<FavoriteMenuState> state =
            favoriteMenuState(folder.path(), player(), selected(ticker), Qt::MouseButton(button), &problem);
        QVERIFY(!problem);
        QCOMPARE(folder.snapshot(), before);
        if (menu.isEmpty()) {
            QVERIFY(!state);
            return;
        }
        QVERIFY(state);
        QCOMPARE(state->addEnabled, menu == QLatin1String("add"));
        QCOMPARE(state->removeEnabled, menu == QLatin1String("remove"));
    }

    void unreadableFileGivesNoMenu()
    {
        TempProgramFolder folder;
        // A folder where the favourites file should be.
        QDir().mkpath(folder.file(QStringLiteral("player.fav")));
        FileStatus problem;
        QVERIFY(!favoriteMenuState(folder.path(), player(), selected("IBM"), Qt::RightButton, &problem));
        QVERIFY(problem);
        QVERIFY(problem->text().contains(QStringLiteral("player.fav")));
    }

    void commands_data()
    {
        QTest::addColumn<QByteArray>("file");   // "-" for no file at all
        QTest::addColumn<QStringList>("steps"); // "+T" adds T, "-T" removes T
        QTest::addColumn<QByteArray>("expected");

        QTest::addRow("add then remove keeps the order")
            << kHeader + "IBM\r\nDELL\r\n"
            << QStringList{"+AAPL", "-IBM"} << kHeader + "DELL\r\nAAPL\r\n";
        QTest::addRow("add to the header alone") << kHeader << QStringList{"+IBM"} << kHeader + "IBM\r\n";
        QTest::addRow("remove drops every copy") << kHeader + "IBM\r\nDELL\r\nIBM\r\n"
                                                 << QStringList{"-IBM"} << kHeader + "DELL\r\n";
        QTest::addRow("remove respects case") << kHeader + "ibm\r\n"
                                              << QStringList{"-IBM"} << kHeader + "ibm\r\n";
        QTest::addRow("remove what is not there") << kHeader + "DELL\r\n"
                                                  << QStringList{"-IBM"} << kHeader + "DELL\r\n";
        QTest::addRow("add twice lists twice")
            << kHeader << QStringList{"+IBM", "+IBM"} << kHeader + "IBM\r\nIBM\r\n";
        QTest::addRow("missing file is created with its header")
            << QByteArray("-") << QStringList{"+IBM"} << kHeader + "IBM\r\n";
        QTest::addRow("remove from a missing file") << QByteArray("-") << QStringList{"-IBM"} << kHeader;
        QTest::addRow("remove everything") << kHeader + "IBM\r\n" << QStringList{"-IBM"} << kHeader;
        QTest::addRow("line ends mended")
            << kHeader + "DELL" << QStringList{"+IBM"} << kHeader + "DELL\r\nIBM\r\n";
    }
    void commands()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, steps);
        QFETCH(QByteArray, expected);

        TempProgramFolder folder;
        folder.write(QStringLiteral("player.qvn"), "100000\r\n");
        if (file != "-")
            folder.write(QStringLiteral("player.fav"), file);
        for (const QString &step : steps) {
            const QuotePanel panel = selected(step.mid(1));
            const FileStatus error = step.startsWith(QLatin1Char('+'))
                                         ? addSelectedToFavorites(folder.path(), player(), panel)
                                         : removeSelectedFromFavorites(folder.path(), player(), panel);
            QVERIFY2(!error, qPrintable(error ? error->text() : QString()));
        }
        QCOMPARE(folder.read(QStringLiteral("player.fav")), expected);
        // No temporary file stays behind.
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), (QStringList{"player.fav", "player.qvn"}));
    }

    void menuFollowsTheCommands()
    {
        TempProgramFolder folder;
        const QuotePanel ibm = selected("IBM");
        const auto menu = [&] { return favoriteMenuState(folder.path(), player(), ibm, Qt::RightButton); };
        QVERIFY(menu()->addEnabled);
        QVERIFY(!addSelectedToFavorites(folder.path(), player(), ibm));
        QVERIFY(menu()->removeEnabled);
        QVERIFY(!menu()->addEnabled);
        QVERIFY(!removeSelectedFromFavorites(folder.path(), player(), ibm));
        QVERIFY(menu()->addEnabled);
        QVERIFY(!menu()->removeEnabled);
    }

    void nothingSelectedWritesNothing()
    {
        TempProgramFolder folder;
        folder.write(QStringLiteral("player.fav"), kHeader);
        const auto before = folder.snapshot();
        QVERIFY(!addSelectedToFavorites(folder.path(), player(), selected(QString())));
        QVERIFY(!removeSelectedFromFavorites(folder.path(), player(), selected(QString())));
        QCOMPARE(folder.snapshot(), before);
    }
};

QTEST_GUILESS_MAIN(TestFavorites)
#include "test_favorites.moc"
