// The main window: what it shows of the session, and that its menus, list and dialogs reach the
// session. The rules behind them are pinned in test_gamesession.
#include "app/program.h"
#include "common/listrows.h"
#include "common/messagerecorder.h"
#include "common/notafile.h"
#include "common/programfolder.h"
#include "game/frmload.h"
#include "game/frmmain.h"
#include "game/frmnewplayer.h"
#include "game/gamesession.h"
#include "model/gamefiles.h"
#include "platform/webpane.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
const QByteArray kHeader = "[Quorvane Favorites File]\r\n";

// Settings naming "player" with the given favourites line, player.qvn as a new easy game, and
// quotes that go nowhere.
void layOut(const TempProgramFolder &folder, const QByteArray &favoritesLine = "LoadFavorites=No",
            const QByteArray &favorites = "IBM\r\n")
{
    folder.writeSettings("player", favoritesLine);
    folder.write(u"player.qvn"_s, newSavedGameBytes(u"100000"_s));
    folder.write(u"player.fav"_s, kHeader + favorites);
    folder.write(u"services.cfg"_s, "QuoteHost=127.0.0.1:9\r\nChartHost=127.0.0.1:9\r\n");
}
QListWidget *stocks(FrmMain &w)
{
    return w.findChild<QListWidget *>(u"LstStocks"_s);
}
QString label(FrmMain &w, const QString &name)
{
    return w.findChild<QLabel *>(name)->text();
}
} // namespace

class TestFrmMain : public QObject
{
    Q_OBJECT

private slots:
    // Pictures are decoded off the GUI thread; what a newer navigation shows is never replaced
    // by an older picture finishing late, and an unreadable picture shows the placeholder.
    void chartPictureDecodedAside()
    {
        TempProgramFolder folder;
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(folder.file(u"chart.png"_s)));
        folder.write(u"broken.png"_s, "\x89PNG not really");
        folder.write(u"page.html"_s, "<p>newer page</p>");
        WebPane pane;
        QSignalSpy loaded(&pane, &WebPane::loaded);
        const auto local = [&](const QString &name) { return QUrl::fromLocalFile(folder.file(name)); };
        // A quick decode may report before navigate returns; either way it reports once.
        for (const auto &[file, ok, shows] :
             {std::tuple(u"chart.png"_s, true, u"pane:image"_s),
              std::tuple(u"broken.png"_s, false, u"Not available right now."_s)}) {
            pane.navigate(local(file));
            QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 5000);
            QCOMPARE(loaded.takeFirst().at(0).toBool(), ok);
            QVERIFY(pane.html().contains(shows));
        }
        pane.navigate(local(u"chart.png"_s));
        pane.navigate(local(u"page.html"_s));
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QVERIFY(pane.html().contains(u"newer page"));
        QVERIFY(!pane.html().contains(u"pane:image"));
    }

    void startsOnTheDefaultGame()
    {
        TempProgramFolder folder;
        layOut(folder);
        const auto before = folder.snapshot();
        MessageRecorder messages;
        Program program(folder.path());
        FrmMain &w = program.window();
        QCOMPARE(w.windowTitle(), u"Quorvane"_s);
        const QStringList list = rowTexts(stocks(w));
        QCOMPARE(list.size(), 228);
        QCOMPARE(QStringList({list.at(0), list.at(1), list.last()}),
                 QStringList({u"A"_s, u"AAPL"_s, u"ZQK"_s}));
        QCOMPARE(label(w, u"lblTicker"_s), u"Cash : 100000$"_s);
        QVERIFY(messages.shown.isEmpty());
        // The panel starts empty with both arrows hidden.
        for (const char *name : {"lblQuote", "lblFullName", "lblTrade", "lblTime", "lblVolume", "lblOwned",
                                 "lblValue", "lblVariation"})
            QVERIFY2(label(w, QLatin1StringView(name)).isEmpty(), name);
        QVERIFY(w.findChild<QLabel *>(u"PicUp"_s)->isHidden() &&
                w.findChild<QLabel *>(u"PicDown"_s)->isHidden());
        // The window keeps its size.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QSize fixed = w.size();
        QCOMPARE(w.centralWidget()->size(), QSize(FrmMain::kClientWidth, FrmMain::kClientHeight));
        QVERIFY(w.minimumSize() == fixed && w.maximumSize() == fixed);
        w.resize(900, 700);
        w.showMinimized();
        w.showNormal();
        QCOMPARE(w.size(), fixed);
        // Quitting writes nothing: every trade already saved the game.
        w.findChild<QAction *>(u"mnuEnd"_s)->trigger();
        QVERIFY(!w.isVisible());
        QCOMPARE(folder.snapshot(), before);
    }

    // The list shows the session's rows sorted; the information page waits for the first paint.
    void stockListAndInformationPage_data()
    {
        QTest::addColumn<QByteArray>("favoritesLine");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("infoPage");
        QTest::newRow("favourites, sorted, duplicates kept")
            << QByteArray("LoadFavorites=Yes") << QStringList{u"IBM"_s, u"IBM"_s, u"MSFT"_s, u"ZZZZ"_s}
            << false;
        QTest::newRow("whole catalogue")
            << QByteArray("LoadFavorites=No") << AllTickersAlphabetical() << true;
    }
    void stockListAndInformationPage()
    {
        QFETCH(QByteArray, favoritesLine);
        QFETCH(QStringList, expected);
        QFETCH(bool, infoPage);
        TempProgramFolder folder;
        layOut(folder, favoritesLine, "MSFT\r\nIBM\r\nZZZZ\r\nIBM\r\n");
        folder.write(u"infos.html"_s, "<p>info</p>");
        MessageRecorder messages;
        Program program(folder.path());
        FrmMain &w = program.window();
        QCOMPARE(rowTexts(stocks(w)), expected);
        auto *pane = w.findChild<WebPane *>(u"WebBrowser"_s);
        QVERIFY(pane->currentUrl().isEmpty());
        w.show();
        QTRY_COMPARE(!pane->currentUrl().isEmpty(), infoPage);
        QVERIFY(messages.shown.isEmpty());
    }

    // A long list is laid out after the first paint; once done, every row has its place and a
    // ticker wider than the list can still be scrolled to.
    void longFavouritesListEndsFullyLaidOut()
    {
        QByteArray favorites;
        for (int i = 0; i < 5000; ++i)
            favorites += QByteArray::number(i).rightJustified(5, '0').prepend('F') + "\r\n";
        TempProgramFolder folder;
        layOut(folder, "LoadFavorites=Yes", favorites + "ZLONGFAVOURITETICKER\r\n");
        MessageRecorder messages;
        Program program(folder.path());
        FrmMain &w = program.window();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QListWidget *list = stocks(w);
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

    // A start-up file that cannot be read: the window still appears on an empty game, one message
    // names the file, and the commands that need a game say there is none. Every reader's
    // problems are pinned in tests/model.
    void startupProblem_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("thing"); // empty: removed
        QTest::addColumn<QString>("says");
        QTest::newRow("no settings file") << u"options.cfg"_s << QString() << u"options.cfg"_s;
        QTest::newRow("saved game is a folder")
            << u"player.qvn"_s << u"folder"_s << u"player.qvn\" (it is a folder, not a file"_s;
    }
    void startupProblem()
    {
        QFETCH(QString, file);
        QFETCH(QString, thing);
        QFETCH(QString, says);
        TempProgramFolder folder;
        layOut(folder);
        QVERIFY(QFile::remove(folder.file(file)));
        if (!thing.isEmpty())
            QVERIFY(putNotAFile(folder.file(file), thing));
        MessageRecorder messages;
        Program program(folder.path());
        FrmMain &w = program.window();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown.first().title, u"Quorvane"_s);
        QVERIFY2(messages.texts().first().contains(says), qPrintable(messages.texts().first()));
        QCOMPARE(stocks(w)->count(), 228);
        QCOMPARE(label(w, u"lblTicker"_s), u"Cash : 0$"_s);
        QListWidget *list = stocks(w);
        list->setCurrentItem(list->findItems(u"IBM"_s, Qt::MatchExactly).first());
        const auto before = folder.snapshot();
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, rowCentre(list, list->currentItem()));
        for (const QString &action : {u"mnuFavAdd"_s, u"mnuFavDel"_s, u"mnuStats"_s})
            w.findChild<QAction *>(action)->trigger();
        for (const QString &button : {u"cmdBuy"_s, u"cmdSell"_s})
            QTest::mouseClick(w.findChild<QPushButton *>(button), Qt::LeftButton);
        QTRY_COMPARE(messages.texts().mid(1), QStringList(6, noGameLoadedText()));
        QVERIFY(!w.findChild<QMenu *>(u"mnuContextMenu"_s)->isVisible());
        w.close();
        QCOMPARE(folder.snapshot(), before);
    }

    void menuCaptionsAndIcons()
    {
        TempProgramFolder folder;
        layOut(folder);
        MessageRecorder messages;
        Program program(folder.path());
        FrmMain &w = program.window();
        QStringList bar;
        for (QAction *a : w.menuBar()->actions())
            bar.append(a->text());
        QCOMPARE(bar, (QStringList{u"&File"_s, u"&Options"_s, u"?"_s}));
        const QList<std::pair<QString, QString>> entries = {{u"mnuNewGame"_s, u"&Start New Game"_s},
                                                            {u"mnuLoadSaved"_s, u"&Load Saved Game"_s},
                                                            {u"mnuEnd"_s, u"&Quit Quorvane"_s},
                                                            {u"mnuStats"_s, u"&Statistics"_s},
                                                            {u"MnuProxy"_s, u"&Configuration"_s},
                                                            {u"mnuContent"_s, u"&Content"_s},
                                                            {u"mnuAbout"_s, u"&About"_s},
                                                            {u"mnuFavAdd"_s, u"Add to Favorites"_s},
                                                            {u"mnuFavDel"_s, u"Remove from Favorites"_s}};
        for (const auto &[name, caption] : entries) {
            auto *a = w.findChild<QAction *>(name);
            QVERIFY2(a, qPrintable(name));
            QCOMPARE(a->text(), caption);
            QCOMPARE(a->icon().isNull(), name == u"mnuEnd"_s); // every entry but Quit has its icon
        }
    }

    void dialogsOpenOnceAndLoadSwitchesTheGame()
    {
        TempProgramFolder folder;
        layOut(folder, "LoadFavorites=Yes");
        folder.write(u"rich.qvn"_s, "2000\r\nMSFT\r\n3\r\n");
        folder.write(u"rich.fav"_s, kHeader + "MSFT\r\nDELL\r\n");
        MessageRecorder messages;
        Program program(folder.path());
        FrmMain &w = program.window();
        QCOMPARE(rowTexts(stocks(w)), QStringList{u"IBM"_s});
        for (const QString &menu : {u"mnuNewGame"_s, u"mnuNewGame"_s, u"mnuLoadSaved"_s, u"mnuLoadSaved"_s})
            w.findChild<QAction *>(menu)->trigger();
        QCOMPARE(w.findChildren<frmNewPlayer *>().size(), 1);
        QCOMPARE(w.findChildren<frmLoad *>().size(), 1);
        auto *load = w.findChild<frmLoad *>();
        auto *files = load->findChild<QListWidget *>(u"FileSavedGames"_s);
        files->setCurrentItem(files->findItems(u"rich.qvn"_s, Qt::MatchExactly).value(0));
        QTest::mouseClick(load->findChild<QPushButton *>(u"cmdLoad"_s), Qt::LeftButton);
        QCOMPARE(label(w, u"lblTicker"_s), u"Cash : 2000$"_s);
        QCOMPARE(rowTexts(stocks(w)), (QStringList{u"DELL"_s, u"MSFT"_s}));
        QVERIFY(messages.shown.isEmpty());
    }

    void rightClickOffersTheFavouritesCommands()
    {
        TempProgramFolder folder;
        layOut(folder);
        MessageRecorder messages;
        Program program(folder.path());
        FrmMain &w = program.window();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QListWidget *list = stocks(w);
        auto *menu = w.findChild<QMenu *>(u"mnuContextMenu"_s);
        auto *add = w.findChild<QAction *>(u"mnuFavAdd"_s);
        auto *del = w.findChild<QAction *>(u"mnuFavDel"_s);
        const auto rightClick = [&](const QString &ticker) {
            QTest::mouseClick(list->viewport(), Qt::RightButton, {},
                              rowCentre(list, list->findItems(ticker, Qt::MatchExactly).first()));
        };
        // Nothing selected yet: no menu.
        rightClick(u"IBM"_s);
        QVERIFY(!menu->isVisible());
        list->setCurrentItem(list->findItems(u"IBM"_s, Qt::MatchExactly).first());
        QCOMPARE(label(w, u"lblQuote"_s), u"IBM"_s);
        // The menu acts on the selected stock, not on the row under the pointer.
        rightClick(u"DELL"_s);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(label(w, u"lblQuote"_s), u"IBM"_s);
        QCOMPARE(list->currentItem()->text(), u"IBM"_s);
        QVERIFY(!add->isEnabled() && del->isEnabled());
        del->trigger();
        menu->hide();
        QCOMPARE(folder.read(u"player.fav"_s), kHeader);
        // The menu key opens it too, now offering to add.
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        QCoreApplication::sendEvent(list, &key);
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(add->isEnabled() && !del->isEnabled());
        menu->hide();
    }
};

QTEST_MAIN(TestFrmMain)
#include "test_frmmain.moc"
