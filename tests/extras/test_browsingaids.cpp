// The sector filter (its texts and lists, then the dialog on a fake door), the tips panel, the
// about box and the help, as the main window offers them.
#include "common/fakedesks.h"
#include "common/listrows.h"
#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "common/scriptedrandom.h"
#include "common/testsession.h"
#include "extras/frmfilter.h"
#include "extras/helpviewer.h"
#include "extras/sectorfilter.h"
#include "game/frmmain.h"
#include "model/gamefiles.h"
#include "platform/desktop.h"

#include <QBuffer>
#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
const QStringList kTwoSectors = {u"AMR"_s, u"BNI"_s, u"CAL"_s, u"CNI"_s, u"FDX"_s,
                                 u"GE"_s,  u"LUV"_s, u"MMM"_s, u"SI"_s,  u"SKYW"_s,
                                 u"TYC"_s, u"UNP"_s, u"UPS"_s, u"UTX"_s, u"YELL"_s};

// A window on a new easy game "player", with more files laid out before it starts; its tips
// start on the middle one of three and Random then draws the first.
struct Window
{
    explicit Window(const QMap<QString, QByteArray> &files = {})
    {
        folder.writeSettings();
        folder.write(u"player.qvn"_s, newSavedGameBytes(u"100000"_s));
        for (auto it = files.begin(); it != files.end(); ++it)
            folder.write(it.key(), it.value());
        TestSession ts(folder.path());
        main = std::make_unique<FrmMain>(
            ts.release(),
            MainWindowExtras{nullptr, std::make_unique<ScriptedRandom>(QList<float>{0.5f, 0.0f})});
        main->show();
    }
    template <typename T = QWidget> T *child(const QString &name) const { return main->findChild<T *>(name); }

    TempProgramFolder folder;
    MessageRecorder messages;
    std::unique_ptr<FrmMain> main;
};

// A hover, or focus for `reason`, as the pointer or the keyboard brings it to a box.
void send(QWidget *box, QEvent::Type type, Qt::FocusReason reason = Qt::TabFocusReason)
{
    QFocusEvent focus(QEvent::FocusIn, reason);
    QHoverEvent hover(type, QPointF(4, 4), QPointF(4, 4), QPointF(-1, -1));
    QCoreApplication::sendEvent(box, type == QEvent::FocusIn ? static_cast<QEvent *>(&focus) : &hover);
}

// Opens `url` nowhere and remembers it; answers as told.
struct RecordingOpener
{
    explicit RecordingOpener(bool answer)
    {
        Desktop::setOpener([this, answer](const QUrl &url) {
            opened.append(url);
            return answer;
        });
    }
    ~RecordingOpener() { Desktop::setOpener({}); }
    QList<QUrl> opened;
};
} // namespace

class TestBrowsingAids : public QObject
{
    Q_OBJECT

private slots:
    // A new window goes right of its anchor, else left, 8 pixels apart and kept on the screen;
    // with room on neither side it is left to the window manager.
    void windowsOpenBesideTheirAnchor()
    {
        const QRect screen(0, 0, 1920, 1080), anchor(100, 100, 600, 400);
        const auto at = [](std::optional<QPoint> p) {
            return p ? u"%1,%2"_s.arg(p->x()).arg(p->y()) : u"-"_s;
        };
        for (const auto &[from, size, where] :
             {std::tuple(anchor, QSize(500, 300), u"708,100"_s),
              std::tuple(anchor, QSize(1212, 300), u"708,100"_s),
              std::tuple(anchor, QSize(1213, 300), u"-"_s),
              std::tuple(QRect(1300, 100, 600, 400), QSize(500, 300), u"792,100"_s),
              std::tuple(QRect(100, 600, 600, 400), QSize(500, 600), u"708,480"_s),
              std::tuple(anchor, QSize(500, 1081), u"-"_s)})
            QCOMPARE(at(Desktop::besidePosition(from, size, screen)), where);
    }

    // The boxes top to bottom; a description is the caption, an empty line, then the box's lines,
    // all joined by CR LF, trailing blanks kept. The list follows the catalogue's blocks, whatever
    // order the sectors come in.
    void filterTexts()
    {
        QStringList shown;
        for (const FilterBox &box : filterBoxes())
            shown.append(QString::fromLatin1(box.objectName) + u"="_s + box.caption());
        QCOMPARE(shown, QStringList({u"CheckFavorites=Only Show Favorites"_s, u"Check1=Capital Goods"_s,
                                     u"Check3=Conglomerates"_s, u"Check9=Financial"_s, u"Check6=Energy"_s,
                                     u"Check10=Consumer Cyclical"_s, u"Check5=Consumer Non-Cyclical"_s,
                                     u"Check2=Healthcare"_s, u"Check11=Raw Materials"_s, u"Check4=Services"_s,
                                     u"Check7=Technology"_s, u"Check8=Transportation"_s}));
        QVERIFY(!filterBoxes()[0].sector);
        QVERIFY(filterHeading().startsWith(u"You can choose"));
        QVERIFY(filterInitialDescription().startsWith(u"Click on an item to obtain informations about it."));
        for (const auto &[box, lines, probe, text] :
             {std::tuple(8, 10, 2,
                         u"This large category contains companies devoted to extracting raw materials and/or "
                         u"transforming them to basic materials. Subcategories are : "_s),
              std::tuple(9, 13, 12, u"Consult help for more informations about services."_s),
              std::tuple(0, 4, 3,
                         u"Using favorites is an efficient way not to forget companies where you have "
                         u"interests in."_s)}) {
            const QString description = filterBoxes()[box].description();
            const QStringList split = description.split(u"\r\n"_s);
            QCOMPARE(description.count(u'\n'), split.size() - 1);
            QCOMPARE(split.size(), lines);
            QCOMPARE(split[0] + u'|' + split[1] + u'|' + split[probe],
                     filterBoxes()[box].caption() + u"||"_s + text);
        }
        const QList<Sector> two{Sector::Transportation, Sector::Conglomerates};
        QCOMPARE(tickersOfSectors(two),
                 TickersOfSector(Sector::Conglomerates) + TickersOfSector(Sector::Transportation));
        QStringList sorted = tickersOfSectors(two);
        sorted.sort();
        QCOMPARE(sorted, kTwoSectors);
        QCOMPARE(tickersOfSectors({}), QStringList());
        QCOMPARE(tickersOfSectors(QList<Sector>(allSectors().begin(), allSectors().end())), AllTickers());
    }

    // The dialog on a fake door: boxes in a column, descriptions for the pointer and the keyboard,
    // and Apply / Ok hand the ticks over.
    void filterDialog()
    {
        FakeStockFilter desk;
        QPointer<frmFilter> filter = new frmFilter(desk);
        filter->show();
        MessageRecorder messages;
        const auto box = [&](const QString &name) { return filter->findChild<QCheckBox *>(name); };
        const auto description = [&] { return filter->findChild<QLabel *>(u"lblDescription"_s)->text(); };
        QCOMPARE(filter->windowTitle(), u"Industries Filter"_s);
        const QCheckBox *above = nullptr;
        for (const FilterBox &b : filterBoxes()) {
            const QCheckBox *check = box(QString::fromLatin1(b.objectName));
            QCOMPARE(check->text(), b.caption());
            QCOMPARE(check->isChecked(), b.sector.has_value());
            if (above)
                QVERIFY(check->x() == above->x() && check->y() > above->y() &&
                        check->size() == above->size());
            above = check;
        }
        QCOMPARE(description(), filterInitialDescription());
        send(box(u"Check6"_s), QEvent::HoverEnter);
        QCOMPARE(description(), filterBoxes()[4].description());
        send(box(u"Check6"_s), QEvent::HoverLeave); // leaving keeps the text
        QVERIFY(description().startsWith(u"Energy\r\n"));
        send(box(u"Check8"_s), QEvent::FocusIn);
        QVERIFY(description().startsWith(u"Transportation\r\n\r\nThis sector includes postal services"));
        // Focus that the window gives a box on opening or activation is not the player's choice.
        send(box(u"Check1"_s), QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QVERIFY(description().startsWith(u"Transportation\r\n"));

        for (int i = 1; i <= 11; ++i)
            box(u"Check%1"_s.arg(i))->setChecked(i == 3 || i == 8);
        QTest::mouseClick(filter->findChild<QPushButton *>(u"cmdRefresh"_s), Qt::LeftButton);
        // The favourites grey the sectors and keep their ticks.
        QTest::mouseClick(box(u"CheckFavorites"_s), Qt::LeftButton);
        QVERIFY(!box(u"Check3"_s)->isEnabled() && !box(u"Check1"_s)->isEnabled());
        desk.failure = FileError{u"/p/player.fav"_s, 0, u"it is missing"_s};
        QTest::mouseClick(filter->findChild<QPushButton *>(u"cmdRefresh"_s), Qt::LeftButton);
        QCOMPARE(messages.texts(), QStringList{desk.failure->text()});
        QCOMPARE(messages.shown.first().icon, QMessageBox::Warning);
        QTest::mouseClick(box(u"CheckFavorites"_s), Qt::LeftButton);
        QVERIFY(box(u"Check3"_s)->isEnabled() && box(u"Check3"_s)->isChecked() &&
                !box(u"Check1"_s)->isChecked());
        desk.failure.reset();
        QTest::mouseClick(filter->findChild<QPushButton *>(u"cmdOk"_s), Qt::LeftButton);
        const QList<Sector> two{Sector::Conglomerates, Sector::Transportation};
        QVERIFY(desk.applied ==
                (QList<std::pair<bool, QList<Sector>>>{{false, two}, {true, two}, {false, two}}));
        QTRY_VERIFY(!filter);
    }

    // The window opens one filter on its session; a closed filter applies nothing, and the next
    // one starts with every sector ticked.
    void windowFilter()
    {
        Window w;
        w.main->cmdFilter_Click();
        auto *filter = w.child<QDialog>(u"frmFilter"_s);
        QVERIFY(filter && filter->isVisible() && !filter->isModal());
        filter->findChild<QCheckBox *>(u"Check6"_s)->setChecked(false);
        w.main->cmdFilter_Click();
        QCOMPARE(w.main->findChildren<QDialog *>(u"frmFilter"_s).size(), 1);
        filter->close();
        QTRY_VERIFY(!w.child<QDialog>(u"frmFilter"_s));
        QCOMPARE(rowTexts(w.child<QListWidget>(u"LstStocks"_s)).size(), 228);
        w.main->cmdFilter_Click();
        filter = w.child<QDialog>(u"frmFilter"_s);
        QVERIFY(filter->findChild<QCheckBox *>(u"Check6"_s)->isChecked());
        for (int i = 1; i <= 11; ++i)
            filter->findChild<QCheckBox *>(u"Check%1"_s.arg(i))->setChecked(i == 3 || i == 8);
        QTest::mouseClick(filter->findChild<QPushButton *>(u"cmdOk"_s), Qt::LeftButton);
        QCOMPARE(rowTexts(w.child<QListWidget>(u"LstStocks"_s)), kTwoSectors);
        QVERIFY(w.messages.shown.isEmpty());
    }

    // The panel's ring and draws are pinned in test_tips; here each button reaches it, the last
    // by keyboard: Enter presses a focused button, as Space does.
    void tipButtonsDriveTheLabel()
    {
        QMap<QString, QByteArray> tips = {{u"tips/0.txt"_s, "3\r\n"}};
        for (int n = 1; n <= 3; ++n)
            tips.insert(u"tips/%1.txt"_s.arg(n), "Tip & " + QByteArray::number(n) + "\r\nhidden");
        Window w(tips);
        QStringList shown{w.child<QLabel>(u"lblTips"_s)->text()};
        for (const char *button : {"cmdNextTip", "cmdPreviousTip"}) {
            QTest::mouseClick(w.child<QPushButton>(QLatin1StringView(button)), Qt::LeftButton);
            shown.append(w.child<QLabel>(u"lblTips"_s)->text());
        }
        QTest::keyClick(w.child<QPushButton>(u"cmdRandomTip"_s), Qt::Key_Return);
        shown.append(w.child<QLabel>(u"lblTips"_s)->text());
        const auto caption = [](int n) { return u"Tip of the Day - #%1\r\n\r\nTip & %1"_s.arg(n); };
        QCOMPARE(shown, QStringList({caption(2), caption(3), caption(2), caption(1)}));
    }

    // As many shipped tips as counted, each one line ending in CR LF; that each fits the panel at
    // the players' font sizes: test_windowfit.
    void shippedTipsAreOneLineEach()
    {
        const QString tips = qEnvironmentVariable("QUORVANE_SOURCE_DIR") + u"/assets/tips/"_s;
        QFile countFile(tips + u"0.txt"_s);
        QVERIFY(countFile.open(QIODevice::ReadOnly));
        const int count = tipCountFromText(countFile.readAll()).value_or(0);
        QVERIFY2(count >= 30 && !QFileInfo::exists(tips + u"%1.txt"_s.arg(count + 1)), "tips not as counted");
        for (int n = 1; n <= count; ++n) {
            QFile file(tips + u"%1.txt"_s.arg(n));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            const QByteArray bytes = file.readAll();
            QVERIFY2(bytes.endsWith("\r\n") && bytes.count('\n') == 1, qPrintable(file.fileName()));
        }
    }

    void aboutBoxTextsAndLinks()
    {
        RecordingOpener opener(true);
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && QImage(4, 4, QImage::Format_RGB32).save(&buffer, "PNG"));
        Window w({{u"pictures/chick.png"_s, png}});
        w.main->mnuAbout_Click();
        auto *about = w.child<QDialog>(u"frmAbout"_s);
        QVERIFY(about && about->isVisible() && !about->isModal());
        about->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(about));
        QCOMPARE(about->windowTitle(), u"About Quorvane"_s);
        QStringList texts;
        for (const char *name : {"Label1", "Label2", "Label6", "Label7", "Label10", "Label9"})
            texts.append(about->findChild<QLabel *>(QLatin1StringView(name))->text());
        QCOMPARE(texts,
                 QStringList({u"Quorvane"_s, u"Version 1.0 BETA"_s, u"Contact :"_s, u"Quorvane Webpage :"_s,
                              u"<-- Wow ! Nice chick !"_s,
                              u"This program uses Qt, Qt Charts and libopenmpt; its market service uses "
                              u"Boost.Beast"_s}));
        QCOMPARE(about->findChild<QLabel *>(u"Picture1"_s)->pixmap().size(), QSize(4, 4));
        // Tab reaches each link from the button before it, and Enter or Space follows it.
        for (const auto &[name, key] :
             {std::pair(u"Text1"_s, Qt::Key_Return), std::pair(u"Text2"_s, Qt::Key_Space)}) {
            auto *link = about->findChild<QLabel *>(name);
            for (int tabs = 0; tabs < 20 && about->focusWidget() != link; ++tabs)
                QTest::keyClick(about->focusWidget(), Qt::Key_Tab);
            QCOMPARE(about->focusWidget(), link);
            QTest::keyClick(link, key);
        }
        QCOMPARE(opener.opened, (QList<QUrl>{QUrl(u"mailto:quorvane@example.org?subject=Quorvane"_s),
                                             QUrl(u"https://quorvane.example.org/"_s)}));
        w.main->mnuAbout_Click();
        QCOMPARE(w.main->findChildren<QDialog *>(u"frmAbout"_s).size(), 1);
        QTest::mouseClick(about->findChild<QPushButton *>(u"cmdOk"_s), Qt::LeftButton);
        QTRY_VERIFY(!w.child<QDialog>(u"frmAbout"_s));
        QVERIFY(w.messages.shown.isEmpty());
    }

    void helpGoesToTheDesktopOrTheViewer_data()
    {
        QTest::addColumn<bool>("manualThere");
        QTest::addColumn<bool>("desktopOpens");
        QTest::newRow("desktop opens it") << true << true;
        QTest::newRow("desktop refuses: own viewer") << true << false;
        QTest::newRow("no manual: nothing") << false << true;
    }
    void helpGoesToTheDesktopOrTheViewer()
    {
        QFETCH(bool, manualThere);
        QFETCH(bool, desktopOpens);
        RecordingOpener opener(desktopOpens);
        Window w;
        const QUrl manual = QUrl::fromLocalFile(w.folder.file(u"help/index.html"_s));
        if (manualThere)
            w.folder.write(u"help/index.html"_s,
                           "<html><head><title>Manual</title></head><body><h1>Playing</h1></body></html>");
        w.main->mnuContent_Click();
        QCOMPARE(opener.opened, manualThere ? QList<QUrl>{manual} : QList<QUrl>());
        auto *viewer = w.main->findChild<HelpViewer *>();
        const bool viewerShown = manualThere && !desktopOpens;
        QCOMPARE(viewer != nullptr && viewer->isVisible(), viewerShown);
        if (viewerShown) {
            QCOMPARE(viewer->findChild<QTextBrowser *>()->source(), manual);
            QCOMPARE(viewer->windowTitle(), u"Manual"_s);
            w.main->mnuContent_Click(); // asking again brings the same viewer back
            QCOMPARE(w.main->findChildren<HelpViewer *>().size(), 1);
        }
        QVERIFY(w.messages.shown.isEmpty());
    }
};

QTEST_MAIN(TestBrowsingAids)
#include "test_browsingaids.moc"
