// The main window: what it shows of the session, that its menus, list and dialogs reach the
// session, and that the quote, chart and information page take the one proxy route. The rules
// behind them are pinned in test_gamesession and tests/sync.
#include "app/program.h"
#include "common/listrows.h"
#include "common/messagerecorder.h"
#include "common/notafile.h"
#include "common/programfolder.h"
#include "common/rows.h"
#include "game/frmload.h"
#include "game/frmmain.h"
#include "game/frmnewplayer.h"
#include "game/gamesession.h"
#include "model/gamefiles.h"
#include "platform/webpane.h"
#include "sync/quotesync.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextBrowser>
#include <QThreadPool>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {
const QByteArray kHeader = "[Quorvane Favorites File]\r\n";

// The program on settings naming "player" with the given favourites, player.qvn as a new easy
// game and quotes that go nowhere; `prepare` changes the folder before the program starts.
struct Game
{
    explicit Game(const QByteArray &favoritesLine = "LoadFavorites=No",
                  const QByteArray &favorites = "IBM\r\n",
                  const std::function<void(const TempProgramFolder &)> &prepare = {})
    {
        folder.writeSettings("player", favoritesLine);
        folder.write(u"player.qvn"_s, newSavedGameBytes(u"100000"_s));
        folder.write(u"player.fav"_s, kHeader + favorites);
        folder.write(
            u"services.cfg"_s,
            "QuoteHost=127.0.0.1:9\r\nChartHost=127.0.0.1:9\r\nInfoPage=http://127.0.0.1:9/infos\r\n");
        if (prepare)
            prepare(folder);
        program = std::make_unique<Program>(folder.path());
    }
    FrmMain &w() const { return program->window(); }
    template <typename T = QWidget> T *child(const QString &name) const { return w().findChild<T *>(name); }
    QListWidget *stocks() const { return child<QListWidget>(u"LstStocks"_s); }
    QString label(const QString &name) const { return child<QLabel>(name)->text(); }
    void showAndWait() const
    {
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
    }

    TempProgramFolder folder;
    MessageRecorder messages;
    std::unique_ptr<Program> program;
};

// A proxy that never answers: it only records the first line of every request it is sent.
class SilentProxy : public QTcpServer
{
public:
    SilentProxy()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *peer = nextPendingConnection())
                connect(peer, &QTcpSocket::readyRead, peer, [this, peer] {
                    if (!peer->canReadLine())
                        return;
                    lines.append(QString::fromLatin1(peer->readLine().trimmed()));
                    peer->disconnect(this);
                });
        });
    }
    bool saw(const QString &start) const { return !lines.filter(start).isEmpty(); }
    QStringList lines;
};
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
        QVERIFY(pane.html().contains(u"newer page") && !pane.html().contains(u"pane:image"));
    }

    // On a dark palette the light chart is framed by the pane's own base; on a light one it fills it.
    void chartFramedOnDark()
    {
        TempProgramFolder folder;
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(folder.file(u"chart.png"_s)));
        for (const bool dark : {false, true}) {
            WebPane pane;
            QPalette palette = pane.palette();
            palette.setColor(QPalette::Base, dark ? QColor(30, 30, 30) : QColor(Qt::white));
            pane.setPalette(palette);
            pane.resize(120, 80);
            pane.show();
            QVERIFY(QTest::qWaitForWindowExposed(&pane));
            QSignalSpy loaded(&pane, &WebPane::loaded);
            pane.navigate(QUrl::fromLocalFile(folder.file(u"chart.png"_s)));
            QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 5000);
            const QImage shown = pane.grab().toImage();
            QCOMPARE(shown.pixelColor(60, 40), QColor(Qt::red));
            QCOMPARE(shown.pixelColor(4, 4) == QColor(Qt::red), !dark);
        }
    }

    // The whole catalogue sorted, an empty panel, the menus, the information page after the
    // first paint, a fixed size; quitting writes nothing, as every trade already saved the game.
    void startsOnTheDefaultGame()
    {
        Game g("LoadFavorites=No", "IBM\r\n",
               [](const TempProgramFolder &f) { f.write(u"infos.html"_s, "<p>info</p>"); });
        const auto before = g.folder.snapshot();
        FrmMain &w = g.w();
        QCOMPARE(w.windowTitle(), u"Quorvane"_s);
        QCOMPARE(rowTexts(g.stocks()), AllTickersAlphabetical());
        QCOMPARE(g.label(u"lblTicker"_s), u"Cash : 100000$"_s);
        QVERIFY(g.label(u"lblQuote"_s).isEmpty() && g.child(u"PicUp"_s)->isHidden() &&
                g.child(u"PicDown"_s)->isHidden());
        QStringList captions;
        for (QAction *a : w.menuBar()->actions())
            captions.append(a->text());
        // Every entry but Quit has its icon; help and quit have their keys.
        for (const char *name : {"mnuNewGame", "mnuLoadSaved", "mnuEnd", "mnuStats", "mnuOrders", "MnuProxy",
                                 "mnuContent", "mnuAbout", "mnuFavAdd", "mnuFavDel", "mnuPlaceOrder"}) {
            const QAction *a = g.child<QAction>(QLatin1StringView(name));
            captions.append(a->text() + (a->icon().isNull() ? u" -"_s : u""_s) +
                            (a->shortcut().isEmpty() ? QString() : u" "_s + a->shortcut().toString()));
        }
        QCOMPARE(captions,
                 (QStringList{u"&File"_s, u"&Options"_s, u"?"_s, u"&Start New Game"_s, u"&Load Saved Game"_s,
                              u"&Quit Quorvane - Ctrl+Q"_s, u"&Statistics"_s, u"&Orders"_s,
                              u"&Configuration"_s, u"&Content F1"_s, u"&About"_s, u"Add to Favorites"_s,
                              u"Remove from Favorites"_s, u"Place Order..."_s}));
        auto *pane = g.child<WebPane>(u"WebBrowser"_s);
        QVERIFY(pane->currentUrl().isEmpty());
        g.showAndWait();
        QTRY_VERIFY(!pane->currentUrl().isEmpty());
        const QSize fixed = w.size();
        QCOMPARE(w.centralWidget()->size(), QSize(FrmMain::kClientWidth, FrmMain::kClientHeight));
        QVERIFY(w.minimumSize() == fixed && w.maximumSize() == fixed);
        w.resize(900, 700);
        w.showMinimized();
        w.showNormal();
        QCOMPARE(w.size(), fixed);
        QVERIFY(g.messages.shown.isEmpty());
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!w.isVisible());
        QCOMPARE(g.folder.snapshot(), before);
    }

    // A long list is laid out after the first paint; once done, every row has its place and a
    // ticker wider than the list can still be scrolled to.
    void longFavouritesListEndsFullyLaidOut()
    {
        QByteArray favorites;
        for (int i = 0; i < 5000; ++i)
            favorites += QByteArray::number(i).rightJustified(5, '0').prepend('F') + "\r\n";
        Game g("LoadFavorites=Yes", favorites + "ZLONGFAVOURITETICKER\r\n");
        g.showAndWait();
        QListWidget *list = g.stocks();
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
    void startupProblem()
    {
        Game g("LoadFavorites=No", "IBM\r\n", [](const TempProgramFolder &f) {
            QFile::remove(f.file(u"player.qvn"_s));
            putNotAFile(f.file(u"player.qvn"_s), u"folder"_s);
        });
        g.showAndWait();
        QCOMPARE(g.messages.shown.size(), 1);
        QCOMPARE(g.messages.shown.first().title, u"Quorvane"_s);
        QVERIFY2(g.messages.texts().first().contains(u"player.qvn\" (it is a folder, not a file"),
                 qPrintable(g.messages.texts().first()));
        QCOMPARE(g.stocks()->count(), 228);
        QCOMPARE(g.label(u"lblTicker"_s), u"Cash : 0$"_s);
        QListWidget *list = g.stocks();
        list->setCurrentItem(list->findItems(u"IBM"_s, Qt::MatchExactly).first());
        const auto before = g.folder.snapshot();
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, rowCentre(list, list->currentItem()));
        for (const QString &action : {u"mnuFavAdd"_s, u"mnuFavDel"_s, u"mnuStats"_s, u"mnuPlaceOrder"_s})
            g.child<QAction>(action)->trigger();
        QTest::mouseClick(g.child<QPushButton>(u"cmdBuy"_s), Qt::LeftButton);
        QTest::keyClick(g.child<QPushButton>(u"cmdSell"_s),
                        Qt::Key_Return); // Enter presses it, as Space does
        QTRY_COMPARE(g.messages.texts().mid(1), QStringList(7, noGameLoadedText()));
        QVERIFY(!g.child<QMenu>(u"mnuContextMenu"_s)->isVisible());
        g.w().close();
        QCOMPARE(g.folder.snapshot(), before);
    }

    // The favourites sorted with duplicates kept and no information page; each dialog opens once,
    // and loading a game switches cash and list.
    void dialogsOpenOnceAndLoadSwitchesTheGame()
    {
        Game g("LoadFavorites=Yes", "MSFT\r\nIBM\r\nZZZZ\r\nIBM\r\n", [](const TempProgramFolder &f) {
            f.write(u"rich.qvn"_s, "2000\r\nMSFT\r\n3\r\n");
            f.write(u"rich.fav"_s, kHeader + "MSFT\r\nDELL\r\n");
            f.write(u"infos.html"_s, "<p>info</p>");
        });
        FrmMain &w = g.w();
        QCOMPARE(rowTexts(g.stocks()), (QStringList{u"IBM"_s, u"IBM"_s, u"MSFT"_s, u"ZZZZ"_s}));
        g.showAndWait();
        QCoreApplication::processEvents();
        QVERIFY(g.child<WebPane>(u"WebBrowser"_s)->currentUrl().isEmpty());
        for (const QString &menu : {u"mnuNewGame"_s, u"mnuNewGame"_s, u"mnuLoadSaved"_s, u"mnuLoadSaved"_s})
            g.child<QAction>(menu)->trigger();
        QCOMPARE(w.findChildren<frmNewPlayer *>().size(), 1);
        QCOMPARE(w.findChildren<frmLoad *>().size(), 1);
        auto *load = w.findChild<frmLoad *>();
        auto *files = load->findChild<QListWidget *>(u"FileSavedGames"_s);
        files->setCurrentItem(files->findItems(u"rich.qvn"_s, Qt::MatchExactly).value(0));
        QTest::mouseClick(load->findChild<QPushButton *>(u"cmdLoad"_s), Qt::LeftButton);
        QCOMPARE(g.label(u"lblTicker"_s), u"Cash : 2000$"_s);
        QCOMPARE(rowTexts(g.stocks()), (QStringList{u"DELL"_s, u"MSFT"_s}));
        // The history box follows the game and the selection.
        auto *history = g.child<QTextBrowser>(u"txtHistory"_s);
        QCOMPARE(history->toPlainText(), u"Pick a stock to see your trades in it."_s);
        g.stocks()->setCurrentRow(1);
        QCOMPARE(history->toPlainText(), u"3 shares held"_s);
        QVERIFY(g.messages.shown.isEmpty());
    }

    // Which port lines count is pinned in tests/sync; here every fetch follows the one rule.
    void everyFetchTakesTheSameRoute_data()
    {
        QTest::addColumn<bool>("hostHasPort");
        QTest::addColumn<QString>("portLine"); // empty: the proxy's port
        QTest::addColumn<bool>("reachesProxy");
        row("port line alone", false, QString(), true);
        row("host port, bad port line", true, u"+8080"_s, true);
        row("no host port, bad port line", false, u"abc"_s, false);
    }
    void everyFetchTakesTheSameRoute()
    {
        QFETCH(bool, hostHasPort);
        QFETCH(QString, portLine);
        QFETCH(bool, reachesProxy);
        SilentProxy proxy;
        QVERIFY(proxy.listen(QHostAddress::LocalHost));
        const QByteArray port = QByteArray::number(proxy.serverPort());
        Game g("LoadFavorites=No", "", [&](const TempProgramFolder &f) {
            QFile::remove(f.file(u"services.cfg"_s));
            f.write(u"infos.html"_s, "<p>shipped page</p>");
            f.write(u"options.cfg"_s,
                    "[Quorvane Settings]\r\nplayer\r\nLoadFavorites=No\r\nEnableMusic=No\r\n"
                    "UseProxy=Yes\r\n127.0.0.1" +
                        (hostHasPort ? ":" + port : QByteArray()) + "\r\n" +
                        (portLine.isEmpty() ? port : portLine.toLatin1()) + "\r\n");
        });
        g.w().show(); // the information page waits for the first paint
        auto *pane = g.child<WebPane>(u"WebBrowser"_s);
        const auto selectIbm = [&] {
            g.stocks()->setCurrentItem(g.stocks()->findItems(u"IBM"_s, Qt::MatchExactly).first());
        };
        if (reachesProxy) {
            // The information page first: a selection would replace it before it is asked for.
            QTRY_VERIFY(proxy.saw(u"GET http://127.0.0.1:8421/infos "_s));
            selectIbm();
            QTRY_VERIFY(proxy.saw(u"GET http://127.0.0.1:8421/servlet/ChartEngine?symbol=IBM&"_s));
            QTRY_VERIFY(proxy.saw(u"GET http://127.0.0.1:8421/d/quotes.csv?s=IBM&"_s));
            QVERIFY(g.messages.shown.isEmpty());
            return;
        }
        // Nothing goes direct: the shipped information page, a failed quote, a placeholder chart.
        QTRY_VERIFY(pane->html().contains(u"shipped page"));
        selectIbm();
        QTRY_COMPARE(g.messages.texts(), QStringList{QuoteSync::retriesExhaustedMessage()});
        QTRY_VERIFY(pane->html().contains(u"Not available right now."));
        QVERIFY(!proxy.hasPendingConnections() && proxy.lines.isEmpty());
    }

    void rightClickOffersTheFavouritesCommands()
    {
        Game g;
        g.showAndWait();
        QListWidget *list = g.stocks();
        auto *menu = g.child<QMenu>(u"mnuContextMenu"_s);
        auto *add = g.child<QAction>(u"mnuFavAdd"_s);
        auto *del = g.child<QAction>(u"mnuFavDel"_s);
        const auto rightClick = [&](const QString &ticker) {
            QTest::mouseClick(list->viewport(), Qt::RightButton, {},
                              rowCentre(list, list->findItems(ticker, Qt::MatchExactly).first()));
        };
        rightClick(u"IBM"_s); // nothing selected yet: no menu
        QVERIFY(!menu->isVisible());
        list->setCurrentItem(list->findItems(u"IBM"_s, Qt::MatchExactly).first());
        QCOMPARE(g.label(u"lblQuote"_s), u"IBM"_s);
        // The menu acts on the selected stock, not on the row under the pointer.
        rightClick(u"DELL"_s);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(g.label(u"lblQuote"_s), u"IBM"_s);
        QCOMPARE(list->currentItem()->text(), u"IBM"_s);
        QVERIFY(!add->isEnabled() && del->isEnabled());
        del->trigger();
        menu->hide();
        QCOMPARE(g.folder.read(u"player.fav"_s), kHeader);
        // The menu key opens it too, now offering to add.
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        QCoreApplication::sendEvent(list, &key);
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(add->isEnabled() && !del->isEnabled());
        menu->hide();
    }

    // Each order control opens its window; an open order's Cancel link in the box follows Tab and
    // Enter, and the orders window redraws.
    void ordersFromMenusAndHistoryBox()
    {
        Game g;
        g.showAndWait();
        QListWidget *list = g.stocks();
        list->setCurrentItem(list->findItems(u"IBM"_s, Qt::MatchExactly).first());
        FrmMain &w = g.w();
        for (const auto &[control, window] : {std::pair{"mnuPlaceOrder", "frmOrder"},
                                              {"cmdPlaceOrder", "frmOrder"},
                                              {"mnuOrders", "frmOrders"},
                                              {"cmdOrders", "frmOrders"}}) {
            if (auto *action = g.child<QAction>(QLatin1String(control)))
                action->trigger();
            else
                g.child<QPushButton>(QLatin1String(control))->click();
            QWidget *opened = g.child(QLatin1String(window));
            QVERIFY2(opened && opened->isVisible(), control);
            opened->hide();
        }
        QVERIFY(!w.session().orderDesk().placeOrder({u"IBM"_s, OrderKind::LimitBuy, u"10"_s, u"1.00"_s, {}}));
        auto *history = g.child<QTextBrowser>(u"txtHistory"_s);
        QVERIFY(history->toPlainText().startsWith(u"Limit buy 10 at 1.00 Cancel\n"_s));

        history->setFocus();
        QTest::keyClick(history, Qt::Key_Tab);
        QTest::keyClick(history, Qt::Key_Return);
        QVERIFY(!history->toPlainText().contains(u"Limit buy"));
        const QTableWidgetItem *state = g.child<QTableWidget>(u"tblOrders"_s)->item(0, 6);
        QVERIFY(state && state->text().startsWith(u"Cancelled"));
    }
};

QTEST_MAIN(TestFrmMain)
#include "test_frmmain.moc"
