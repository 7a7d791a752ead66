#include "common/listrows.h"
#include "common/messagerecorder.h"
#include "common/notafile.h"
#include "common/programfolder.h"
#include "game/frmload.h"
#include "game/frmmain.h"
#include "game/frmnewplayer.h"
#include "game/gamesession.h"
#include "model/gamefiles.h"
#include "model/stockcatalogue.h"
#include "platform/webpane.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestFrmMain : public QObject
{
    Q_OBJECT

private:
    // Settings naming "player", and player.qvn as a new easy game.
    static void layOutNewGame(const TempProgramFolder &folder)
    {
        folder.writeSettings();
        folder.write(QStringLiteral("player.qvn"), newSavedGameBytes(QStringLiteral("100000")));
    }
    static QStringList rows(FrmMain &w)
    {
        QStringList r;
        auto *list = w.findChild<QListWidget *>(QStringLiteral("LstStocks"));
        for (int i = 0; i < list->count(); ++i)
            r.append(list->item(i)->text());
        return r;
    }
    static QString noGame()
    {
        return QStringLiteral(
            "No game is loaded, so nothing was changed. Open a saved game with \"Load Saved "
            "Game\" in the File menu, or create one with \"Start New Game\".");
    }
    static QString label(FrmMain &w, const char *name)
    {
        return w.findChild<QLabel *>(QLatin1String(name))->text();
    }

private slots:
    // Pictures are decoded off the GUI thread; what a newer navigation shows is never replaced
    // by an older picture finishing late, and an unreadable picture shows the placeholder.
    void chartPictureDecodedAside()
    {
        TempProgramFolder folder;
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(folder.file(QStringLiteral("chart.png"))));
        folder.write(QStringLiteral("broken.png"), "\x89PNG not really");
        folder.write(QStringLiteral("page.html"), "<p>newer page</p>");
        WebPane pane;
        QSignalSpy loaded(&pane, &WebPane::loaded);
        const auto local = [&](const char *name) {
            return QUrl::fromLocalFile(folder.file(QString::fromLatin1(name)));
        };

        // A quick decode may report before navigate returns; either way it reports once.
        pane.navigate(local("chart.png"));
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 5000);
        QCOMPARE(loaded.takeFirst().at(0).toBool(), true);
        QVERIFY(pane.html().contains(QLatin1String("pane:image")));

        pane.navigate(local("broken.png"));
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 5000);
        QCOMPARE(loaded.takeFirst().at(0).toBool(), false);
        QVERIFY(pane.html().contains(QLatin1String("Not available right now.")));

        pane.navigate(local("chart.png"));
        pane.navigate(local("page.html"));
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QVERIFY(pane.html().contains(QLatin1String("newer page")));
        QVERIFY(!pane.html().contains(QLatin1String("pane:image")));
    }
    void startsOnTheDefaultGame()
    {
        TempProgramFolder folder;
        layOutNewGame(folder);
        folder.write(QStringLiteral("player.fav"), "[Quorvane Favorites File]\r\n");
        const auto before = folder.snapshot();
        MessageRecorder messages;

        FrmMain w(folder.path());
        const QStringList list = rows(w);
        QCOMPARE(list.size(), 228);
        QCOMPARE(list.first(), QStringLiteral("A"));
        QCOMPARE(list.at(1), QStringLiteral("AAPL"));
        QCOMPARE(list.last(), QStringLiteral("ZQK"));
        QCOMPARE(label(w, "lblTicker"), QStringLiteral("Cash : 100000$"));
        QCOMPARE(w.session().game().gameName, QStringLiteral("player"));
        QCOMPARE(w.session().game().holdingCount(), 228);
        QVERIFY(!w.session().game().isTrading());
        QVERIFY(messages.shown.isEmpty());

        // The panel starts empty with both arrows hidden.
        for (const char *name : {"lblQuote", "lblFullName", "lblTrade", "lblTime", "lblVolume", "lblOwned",
                                 "lblValue", "lblVariation"})
            QVERIFY2(label(w, name).isEmpty(), name);
        QVERIFY(w.findChild<QLabel *>(QStringLiteral("PicUp"))->isHidden());
        QVERIFY(w.findChild<QLabel *>(QStringLiteral("PicDown"))->isHidden());

        // Quitting writes nothing: every trade already saved the game.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.findChild<QAction *>(QStringLiteral("mnuEnd"))->trigger();
        QVERIFY(!w.isVisible());
        QCOMPARE(folder.snapshot(), before);
    }

    void stockListFollowsTheFavouritesLine_data()
    {
        QTest::addColumn<QByteArray>("favoritesLine");
        QTest::addColumn<QByteArray>("favorites");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("infoPage");

        const QStringList all = AllTickersAlphabetical();
        QTest::addRow("exactly Yes, header only")
            << QByteArray("LoadFavorites=Yes") << QByteArray() << QStringList() << false;
        QTest::addRow("exactly Yes, duplicates and unknown kept")
            << QByteArray("LoadFavorites=Yes") << QByteArray("MSFT\r\nIBM\r\nZZZZ\r\nIBM\r\n")
            << QStringList{u"IBM"_s, u"IBM"_s, u"MSFT"_s, u"ZZZZ"_s} << false;
        QTest::addRow("lower-case yes lists everything")
            << QByteArray("LoadFavorites=yes") << QByteArray("IBM\r\n") << all << true;
        QTest::addRow("trailing blank lists everything")
            << QByteArray("LoadFavorites=Yes ") << QByteArray("IBM\r\n") << all << true;
        QTest::addRow("No lists everything")
            << QByteArray("LoadFavorites=No") << QByteArray("IBM\r\n") << all << true;
    }

    void stockListFollowsTheFavouritesLine()
    {
        QFETCH(QByteArray, favoritesLine);
        QFETCH(QByteArray, favorites);
        QFETCH(QStringList, expected);
        QFETCH(bool, infoPage);
        TempProgramFolder folder;
        folder.writeSettings("player", favoritesLine);
        folder.write(QStringLiteral("player.qvn"), newSavedGameBytes(QStringLiteral("10000")));
        folder.write(QStringLiteral("player.fav"), "[Quorvane Favorites File]\r\n" + favorites);
        folder.write(QStringLiteral("infos.html"), "<p>info</p>");
        MessageRecorder messages;

        FrmMain w(folder.path());
        QCOMPARE(rows(w), expected);
        QVERIFY(w.findChild<WebPane *>(QStringLiteral("WebBrowser"))->currentUrl().isEmpty());
        w.show();
        // The page waits for the first paint and until the game has looked for its own market.
        QTRY_COMPARE(!w.findChild<WebPane *>(QStringLiteral("WebBrowser"))->currentUrl().isEmpty(), infoPage);
        QCOMPARE(label(w, "lblTicker"), QStringLiteral("Cash : 10000$"));
        QVERIFY(messages.shown.isEmpty());
    }

    // A long list is laid out after the first paint; once done, every row has its place and a
    // ticker wider than the list can still be scrolled to.
    void longFavouritesListEndsFullyLaidOut()
    {
        QByteArray favorites;
        for (int i = 0; i < 5000; ++i)
            favorites += QByteArray::number(i).rightJustified(5, '0').prepend('F') + "\r\n";
        favorites += "ZLONGFAVOURITETICKER\r\n";
        TempProgramFolder folder;
        folder.writeSettings("player", "LoadFavorites=Yes");
        folder.write(QStringLiteral("player.qvn"), newSavedGameBytes(QStringLiteral("10000")));
        folder.write(QStringLiteral("player.fav"), "[Quorvane Favorites File]\r\n" + favorites);
        MessageRecorder messages;
        FrmMain w(folder.path());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *list = w.findChild<QListWidget *>(QStringLiteral("LstStocks"));
        QCOMPARE(list->count(), 5001);
        const int rowHeight = list->visualItemRect(list->item(0)).height();
        QVERIFY(rowHeight > 0);
        QTRY_COMPARE(list->verticalScrollBar()->maximum() > 0 &&
                         list->visualItemRect(list->item(5000)).top() ==
                             list->visualItemRect(list->item(0)).top() + 5000 * rowHeight,
                     true);
        const QListWidgetItem *longest = list->item(5000);
        QTRY_VERIFY(list->visualItemRect(longest).width() >=
                    list->fontMetrics().horizontalAdvance(longest->text()));
        QVERIFY(list->horizontalScrollBar()->maximum() > 0);
        list->scrollToItem(list->item(5000));
        QVERIFY(list->viewport()->rect().intersects(list->visualItemRect(list->item(5000))));
    }

    void cashBannerShowsMoneyText_data()
    {
        QTest::addColumn<QByteArray>("cashLine");
        QTest::addColumn<QString>("banner");
        QTest::addRow("hard level") << QByteArray("2000") << QStringLiteral("Cash : 2000$");
        QTest::addRow("fraction without trailing zeros")
            << QByteArray("1234.50") << QStringLiteral("Cash : 1234.5$");
        QTest::addRow("four decimals") << QByteArray("0.0625") << QStringLiteral("Cash : 0.0625$");
        QTest::addRow("negative") << QByteArray("-12") << QStringLiteral("Cash : -12$");
    }

    void cashBannerShowsMoneyText()
    {
        QFETCH(QByteArray, cashLine);
        QFETCH(QString, banner);
        TempProgramFolder folder;
        folder.writeSettings();
        folder.write(QStringLiteral("player.qvn"), cashLine + "\r\nIBM\r\n15\r\n");
        MessageRecorder messages;
        FrmMain w(folder.path());
        QCOMPARE(label(w, "lblTicker"), banner);
        QCOMPARE(w.session().game().holdingCount(), 1);
    }

    void unreadableStartupFilesStartAnEmptyGame_data()
    {
        QTest::addColumn<bool>("writeSettings");
        QTest::addColumn<QByteArray>("favoritesLine");
        QTest::addColumn<QByteArray>("savedGame");
        QTest::addColumn<bool>("writeFavorites");
        QTest::addColumn<QString>("namedFile");

        const QByteArray good = "100000\r\nIBM\r\n15\r\n";
        QTest::addRow("no settings file")
            << false << QByteArray("LoadFavorites=No") << good << true << QStringLiteral("options.cfg");
        QTest::addRow("no saved game")
            << true << QByteArray("LoadFavorites=No") << QByteArray() << true << QStringLiteral("player.qvn");
        QTest::addRow("cash is not a number")
            << true << QByteArray("LoadFavorites=No") << QByteArray("lots\r\nIBM\r\n15\r\n") << true
            << QStringLiteral("player.qvn");
        QTest::addRow("ends between ticker and quantity")
            << true << QByteArray("LoadFavorites=No") << QByteArray("100\r\nIBM\r\n15\r\nMSFT\r\n") << true
            << QStringLiteral("player.qvn");
        QTest::addRow("binary junk") << true << QByteArray("LoadFavorites=No")
                                     << QByteArray("\x01\xff\x00zz", 5) << true
                                     << QStringLiteral("player.qvn");
        QTest::addRow("favourites missing")
            << true << QByteArray("LoadFavorites=Yes") << good << false << QStringLiteral("player.fav");
    }

    void unreadableStartupFilesStartAnEmptyGame()
    {
        QFETCH(bool, writeSettings);
        QFETCH(QByteArray, favoritesLine);
        QFETCH(QByteArray, savedGame);
        QFETCH(bool, writeFavorites);
        QFETCH(QString, namedFile);
        TempProgramFolder folder;
        if (writeSettings)
            folder.writeSettings("player", favoritesLine);
        if (!savedGame.isEmpty())
            folder.write(QStringLiteral("player.qvn"), savedGame);
        if (writeFavorites)
            folder.write(QStringLiteral("player.fav"), "[Quorvane Favorites File]\r\nIBM\r\n");
        const auto before = folder.snapshot();
        MessageRecorder messages;

        FrmMain w(folder.path());
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown.first().title, QStringLiteral("Quorvane"));
        QVERIFY2(messages.shown.first().text.contains(namedFile), qPrintable(messages.shown.first().text));
        QCOMPARE(rows(w).size(), 228);
        QCOMPARE(label(w, "lblTicker"), QStringLiteral("Cash : 0$"));
        QCOMPARE(w.session().game().holdingCount(), 0);
        w.close();
        QCOMPARE(folder.snapshot(), before);
    }

    // A FIFO, folder or device where a start-up file should be: the window still appears, and
    // one message names the file and what stands there.
    void startupFileThatIsNoFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("thing");
        for (const char *file : {"options.cfg", "player.qvn", "player.fav"}) {
            for (const char *thing : {"named pipe", "folder", "device"})
                QTest::addRow("%s is a %s", file, thing)
                    << QString::fromLatin1(file) << QString::fromLatin1(thing);
        }
    }
    void startupFileThatIsNoFile()
    {
        QFETCH(QString, file);
        QFETCH(QString, thing);
        TempProgramFolder folder;
        folder.writeSettings("player", "LoadFavorites=Yes");
        folder.write(QStringLiteral("player.qvn"), newSavedGameBytes(QStringLiteral("100000")));
        folder.write(QStringLiteral("player.fav"), "[Quorvane Favorites File]\r\nIBM\r\n");
        const QString path = folder.file(file);
        QVERIFY(QFile::remove(path));
        if (!putNotAFile(path, thing))
            QSKIP("a device node needs root");
        MessageRecorder messages;

        FrmMain w(folder.path());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(messages.texts().size(), 1);
        QVERIFY2(
            messages.texts().first().contains(u"\""_s + path + u"\" (it is a "_s + thing + u", not a file"_s),
            qPrintable(messages.texts().first()));
        QCOMPARE(rows(w).size(), 228);
        QCOMPARE(label(w, "lblTicker"), QStringLiteral("Cash : 0$"));
    }

    // After a failed start-up no game is loaded, not the game named "" whose files are ".qvn"
    // and ".fav": every command that needs a game says so and writes nothing.
    void noGameLoadedCommandsWriteNothing_data()
    {
        QTest::addColumn<QString>("command");
        for (const char *command :
             {"mnuFavAdd", "mnuFavDel", "right click", "mnuStats", "cmdBuy", "cmdSell", "favourites filter"})
            QTest::newRow(command) << QString::fromLatin1(command);
    }
    void noGameLoadedCommandsWriteNothing()
    {
        QFETCH(QString, command);
        TempProgramFolder folder;
        folder.writeSettings("player"); // player.qvn is missing
        folder.write(QStringLiteral(".qvn"), "5000\r\nIBM\r\n 4 \r\n");
        folder.write(QStringLiteral(".fav"), "[Quorvane Favorites File]\r\nMSFT\r\n");
        folder.write(QStringLiteral("services.cfg"), "QuoteHost=127.0.0.1:9\r\nChartHost=127.0.0.1:9\r\n");
        MessageRecorder messages;
        FrmMain w(folder.path());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(messages.shown.size(), 1); // the missing saved game
        auto *list = w.findChild<QListWidget *>(QStringLiteral("LstStocks"));
        list->setCurrentItem(list->findItems(QStringLiteral("IBM"), Qt::MatchExactly).first());
        QCOMPARE(label(w, "lblQuote"), QStringLiteral("IBM"));
        const auto before = folder.snapshot();

        if (command == u"right click"_s) {
            QTest::mouseClick(list->viewport(), Qt::RightButton, {}, rowCentre(list, list->currentItem()));
            QVERIFY(!w.findChild<QMenu *>(QStringLiteral("mnuContextMenu"))->isVisible());
        } else if (command.startsWith(u"cmd"_s)) {
            QTest::mouseClick(w.findChild<QPushButton *>(command), Qt::LeftButton);
        } else if (command == u"favourites filter"_s) {
            QVERIFY(w.session().applyFilter(true, {}));
            QCOMPARE(w.session().applyFilter(true, {})->text(), noGame());
            QCOMPARE(rows(w).size(), 228);
            return;
        } else {
            w.findChild<QAction *>(command)->trigger();
        }
        QTRY_COMPARE(messages.shown.size(), 2);
        QCOMPARE(messages.shown.last().text, noGame());
        QCOMPARE(folder.snapshot(), before);
        QCOMPARE(label(w, "lblTicker"), QStringLiteral("Cash : 0$"));
    }

    void windowKeepsItsFixedSize()
    {
        TempProgramFolder folder;
        layOutNewGame(folder);
        MessageRecorder messages;
        FrmMain w(folder.path());
        w.show();
        const QSize fixed = w.size();
        QCOMPARE(w.centralWidget()->size(), QSize(FrmMain::kClientWidth, FrmMain::kClientHeight));
        QCOMPARE(w.minimumSize(), fixed);
        QCOMPARE(w.maximumSize(), fixed);
        w.resize(900, 700);
        QCOMPARE(w.size(), fixed);
        w.showMinimized();
        w.showNormal();
        QCOMPARE(w.size(), fixed);
    }

    void menuCaptionsAndAccessKeys()
    {
        TempProgramFolder folder;
        layOutNewGame(folder);
        MessageRecorder messages;
        FrmMain w(folder.path());
        QStringList bar;
        for (QAction *a : w.menuBar()->actions())
            bar.append(a->text());
        QCOMPARE(bar, (QStringList{u"&File"_s, u"&Options"_s, u"?"_s}));
        const QList<std::pair<const char *, const char *>> entries = {{"mnuNewGame", "&Start New Game"},
                                                                      {"mnuLoadSaved", "&Load Saved Game"},
                                                                      {"mnuEnd", "&Quit Quorvane"},
                                                                      {"mnuStats", "&Statistics"},
                                                                      {"MnuProxy", "&Configuration"},
                                                                      {"mnuContent", "&Content"},
                                                                      {"mnuAbout", "&About"},
                                                                      {"mnuFavAdd", "Add to Favorites"},
                                                                      {"mnuFavDel", "Remove from Favorites"}};
        int withIcons = 0;
        for (const auto &[name, caption] : entries) {
            auto *a = w.findChild<QAction *>(QLatin1String(name));
            QVERIFY2(a, name);
            QCOMPARE(a->text(), QLatin1String(caption));
            withIcons += a->icon().isNull() ? 0 : 1;
        }
        QCOMPARE(withIcons, 8);
        QVERIFY(w.findChild<QAction *>(QStringLiteral("mnuEnd"))->icon().isNull());
        QCOMPARE(w.windowTitle(), QStringLiteral("Quorvane"));
    }

    void dialogsOpenOnceAndLoadSwitchesTheGame()
    {
        TempProgramFolder folder;
        folder.writeSettings("player", "LoadFavorites=Yes");
        folder.write(QStringLiteral("player.qvn"), newSavedGameBytes(QStringLiteral("100000")));
        folder.write(QStringLiteral("player.fav"), "[Quorvane Favorites File]\r\nIBM\r\n");
        folder.write(QStringLiteral("rich.qvn"), "2000\r\nMSFT\r\n3\r\n");
        folder.write(QStringLiteral("rich.fav"), "[Quorvane Favorites File]\r\nMSFT\r\nDELL\r\n");
        MessageRecorder messages;
        FrmMain w(folder.path());
        QCOMPARE(rows(w), QStringList{u"IBM"_s});

        w.findChild<QAction *>(QStringLiteral("mnuNewGame"))->trigger();
        w.findChild<QAction *>(QStringLiteral("mnuNewGame"))->trigger();
        QCOMPARE(w.findChildren<frmNewPlayer *>().size(), 1);

        w.findChild<QAction *>(QStringLiteral("mnuLoadSaved"))->trigger();
        w.findChild<QAction *>(QStringLiteral("mnuLoadSaved"))->trigger();
        QCOMPARE(w.findChildren<frmLoad *>().size(), 1);
        auto *load = w.findChild<frmLoad *>();
        auto *files = load->findChild<QListWidget *>(QStringLiteral("FileSavedGames"));
        const auto found = files->findItems(QStringLiteral("rich.qvn"), Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        files->setCurrentItem(found.first());
        QTest::mouseClick(load->findChild<QPushButton *>(QStringLiteral("cmdLoad")), Qt::LeftButton);

        QCOMPARE(w.session().game().gameName, QStringLiteral("rich"));
        QCOMPARE(label(w, "lblTicker"), QStringLiteral("Cash : 2000$"));
        QCOMPARE(rows(w), (QStringList{u"DELL"_s, u"MSFT"_s}));
        QVERIFY(messages.shown.isEmpty());
    }

    void rightClickOffersTheFavouritesCommands()
    {
        TempProgramFolder folder;
        layOutNewGame(folder);
        folder.write(QStringLiteral("player.fav"), "[Quorvane Favorites File]\r\nIBM\r\n");
        // Quotes go nowhere: this test is about the menu.
        folder.write(QStringLiteral("services.cfg"), "QuoteHost=127.0.0.1:9\r\nChartHost=127.0.0.1:9\r\n");
        MessageRecorder messages;
        FrmMain w(folder.path());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *list = w.findChild<QListWidget *>(QStringLiteral("LstStocks"));
        auto *menu = w.findChild<QMenu *>(QStringLiteral("mnuContextMenu"));
        auto *add = w.findChild<QAction *>(QStringLiteral("mnuFavAdd"));
        auto *del = w.findChild<QAction *>(QStringLiteral("mnuFavDel"));
        const auto rightClick = [&](const QString &ticker) {
            QTest::mouseClick(list->viewport(), Qt::RightButton, {},
                              rowCentre(list, list->findItems(ticker, Qt::MatchExactly).first()));
        };

        // Nothing selected yet: no menu.
        rightClick(QStringLiteral("IBM"));
        QVERIFY(!menu->isVisible());

        list->setCurrentItem(list->findItems(QStringLiteral("IBM"), Qt::MatchExactly).first());
        QCOMPARE(label(w, "lblQuote"), QStringLiteral("IBM"));
        // The menu acts on the selected stock, not on the row under the pointer.
        rightClick(QStringLiteral("DELL"));
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(label(w, "lblQuote"), QStringLiteral("IBM"));
        QCOMPARE(list->currentItem()->text(), QStringLiteral("IBM"));
        QVERIFY(!add->isEnabled());
        QVERIFY(del->isEnabled());
        del->trigger();
        menu->hide();
        QCOMPARE(folder.read(QStringLiteral("player.fav")), QByteArray("[Quorvane Favorites File]\r\n"));

        // The menu key opens it too, now offering to add.
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        QCoreApplication::sendEvent(list, &key);
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(add->isEnabled());
        QVERIFY(!del->isEnabled());
        menu->hide();
    }
};

QTEST_MAIN(TestFrmMain)
#include "test_frmmain.moc"
