// The sector filter, the tips panel, the about box and the help, driven through the main window.
#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "common/scriptedrandom.h"
#include "common/testsession.h"
#include "extras/helpviewer.h"
#include "game/frmmain.h"
#include "model/gamefiles.h"
#include "platform/desktop.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

namespace {
const QByteArray kHeader = "[Quorvane Favorites File]\r\n";
using Files = QMap<QString, QByteArray>;

// A window on a new easy game "player" whose favourites file holds `favorites` (none: no file),
// with more files laid out before it starts and tips drawn from `tipDraws`.
struct Window
{
    explicit Window(const std::optional<QByteArray> &favorites = kHeader, QList<float> tipDraws = {0.0f},
                    const Files &files = {})
    {
        folder.writeSettings();
        for (auto it = files.begin(); it != files.end(); ++it)
            folder.write(it.key(), it.value());
        folder.write(QStringLiteral("player.qvn"), newSavedGameBytes(QStringLiteral("100000")));
        if (favorites)
            folder.write(QStringLiteral("player.fav"), *favorites);
        TestSession ts(folder.path());
        MainWindowExtras extras;
        extras.tipRandom = std::make_unique<ScriptedRandom>(std::move(tipDraws));
        main = std::make_unique<FrmMain>(ts.release(), std::move(extras));
        main->show();
    }
    QStringList rows() const
    {
        QStringList r;
        auto *list = main->findChild<QListWidget *>(QStringLiteral("LstStocks"));
        for (int i = 0; i < list->count(); ++i)
            r.append(list->item(i)->text());
        return r;
    }
    QDialog *filter() const { return main->findChild<QDialog *>(QStringLiteral("frmFilter")); }
    QCheckBox *box(const QString &name) const { return filter()->findChild<QCheckBox *>(name); }
    void click(const QString &button) const
    {
        QTest::mouseClick(filter()->findChild<QPushButton *>(button), Qt::LeftButton);
    }
    QString description() const
    {
        return filter()->findChild<QLabel *>(QStringLiteral("lblDescription"))->text();
    }
    QString tip() const { return main->findChild<QLabel *>(QStringLiteral("lblTips"))->text(); }

    TempProgramFolder folder;
    MessageRecorder messages;
    std::unique_ptr<FrmMain> main;
};

void hover(QWidget *widget)
{
    QHoverEvent enter(QEvent::HoverEnter, QPointF(4, 4), QPointF(4, 4), QPointF(-1, -1));
    QCoreApplication::sendEvent(widget, &enter);
}

const QStringList kTwoSectors = {QStringLiteral("AMR"),  QStringLiteral("BNI"), QStringLiteral("CAL"),
                                 QStringLiteral("CNI"),  QStringLiteral("FDX"), QStringLiteral("GE"),
                                 QStringLiteral("LUV"),  QStringLiteral("MMM"), QStringLiteral("SI"),
                                 QStringLiteral("SKYW"), QStringLiteral("TYC"), QStringLiteral("UNP"),
                                 QStringLiteral("UPS"),  QStringLiteral("UTX"), QStringLiteral("YELL")};

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
    void filterBoxesStandInScreenOrder();
    void applyRebuildsTheList_data();
    void applyRebuildsTheList();
    void unreadableFavoritesKeepTheRows();
    void favoritesGreyTheSectorsAndKeepTheirTicks();
    void descriptionsFollowPointerAndFocus();
    void descriptionLinesAreJoinedByCrLf_data();
    void descriptionLinesAreJoinedByCrLf();
    void okClosesAndReopeningStartsFresh();
    void closeBoxDoesNotApply();
    void tipButtonsDriveTheLabel();
    void shippedTipsFitTheLabel();
    void aboutBoxTextsAndLinks();
    void helpGoesToTheDesktopOrTheViewer_data();
    void helpGoesToTheDesktopOrTheViewer();
};

void TestBrowsingAids::filterBoxesStandInScreenOrder()
{
    Window w;
    w.main->cmdFilter_Click();
    QDialog *filter = w.filter();
    QVERIFY(filter && filter->isVisible() && !filter->isModal());
    QCOMPARE(filter->windowTitle(), QStringLiteral("Industries Filter"));
    const QList<std::pair<const char *, const char *>> expected = {{"CheckFavorites", "Only Show Favorites"},
                                                                   {"Check1", "Capital Goods"},
                                                                   {"Check3", "Conglomerates"},
                                                                   {"Check9", "Financial"},
                                                                   {"Check6", "Energy"},
                                                                   {"Check10", "Consumer Cyclical"},
                                                                   {"Check5", "Consumer Non-Cyclical"},
                                                                   {"Check2", "Healthcare"},
                                                                   {"Check11", "Raw Materials"},
                                                                   {"Check4", "Services"},
                                                                   {"Check7", "Technology"},
                                                                   {"Check8", "Transportation"}};
    const QCheckBox *above = nullptr;
    for (const auto &[name, caption] : expected) {
        const QCheckBox *box = w.box(QLatin1String(name));
        QVERIFY2(box, name);
        QCOMPARE(box->text(), QLatin1String(caption));
        QCOMPARE(box->isChecked(), qstrcmp(name, "CheckFavorites") != 0);
        if (above) {
            QCOMPARE(box->x(), above->x());
            QVERIFY(box->y() > above->y());
            QCOMPARE(box->size(), above->size());
        }
        above = box;
    }
    QVERIFY(filter->findChild<QLabel *>(QStringLiteral("lblTicker"))->text().startsWith(u"You can choose"));
    QVERIFY(w.description().startsWith(u"Click on an item to obtain informations about it."));
    // "..." again only brings the same dialog, ticks and all, to the front.
    w.box(QStringLiteral("Check6"))->setChecked(false);
    w.main->cmdFilter_Click();
    QCOMPARE(w.main->findChildren<QDialog *>(QStringLiteral("frmFilter")).size(), 1);
    QVERIFY(!w.box(QStringLiteral("Check6"))->isChecked());
}

void TestBrowsingAids::applyRebuildsTheList_data()
{
    QTest::addColumn<QStringList>("untick");
    QTest::addColumn<bool>("favoritesOnly");
    QTest::addColumn<QByteArray>("favorites");
    QTest::addColumn<QStringList>("rows"); // empty with a count: that many catalogue rows
    QTest::addColumn<int>("count");

    const QByteArray header = kHeader;
    QStringList allSectors;
    for (int i = 1; i <= 11; ++i)
        allSectors.append(QStringLiteral("Check%1").arg(i));
    QStringList allButTwo = allSectors;
    allButTwo.removeAll(QStringLiteral("Check3"));
    allButTwo.removeAll(QStringLiteral("Check8"));

    QTest::addRow("at once") << QStringList() << false << header << QStringList() << 228;
    QTest::addRow("nothing ticked") << allSectors << false << header << QStringList() << 0;
    QTest::addRow("conglomerates and transportation")
        << allButTwo << false << header << kTwoSectors << int(kTwoSectors.size());
    QTest::addRow("favourites, sectors ignored")
        << allSectors << true << QByteArray(header + "MSFT\r\nIBM\r\n")
        << QStringList{QStringLiteral("IBM"), QStringLiteral("MSFT")} << 2;
    QTest::addRow("favourite not in the catalogue")
        << QStringList() << true << QByteArray(header + "ZZZZ\r\n") << QStringList{QStringLiteral("ZZZZ")}
        << 1;
    QTest::addRow("header-only favourites") << QStringList() << true << header << QStringList() << 0;
}

void TestBrowsingAids::applyRebuildsTheList()
{
    QFETCH(QStringList, untick);
    QFETCH(bool, favoritesOnly);
    QFETCH(QByteArray, favorites);
    QFETCH(QStringList, rows);
    QFETCH(int, count);
    Window w(favorites);
    w.main->cmdFilter_Click();
    for (const QString &name : untick)
        w.box(name)->setChecked(false);
    w.box(QStringLiteral("CheckFavorites"))->setChecked(favoritesOnly);
    const auto before = w.folder.snapshot();
    w.click(QStringLiteral("cmdRefresh"));
    QCOMPARE(w.rows().size(), count);
    if (!rows.isEmpty())
        QCOMPARE(w.rows(), rows);
    QVERIFY(w.filter()->isVisible());
    QVERIFY(w.messages.shown.isEmpty());
    QCOMPARE(w.folder.snapshot(), before);
}

void TestBrowsingAids::unreadableFavoritesKeepTheRows()
{
    Window w(std::nullopt);
    w.main->cmdFilter_Click();
    w.box(QStringLiteral("CheckFavorites"))->setChecked(true);
    w.click(QStringLiteral("cmdRefresh"));
    QCOMPARE(w.rows().size(), 228);
    QCOMPARE(w.messages.shown.size(), 1);
    QVERIFY2(w.messages.texts().first().contains(u"player.fav"), qPrintable(w.messages.texts().first()));
    QCOMPARE(w.messages.shown.first().icon, QMessageBox::Warning);
}

void TestBrowsingAids::favoritesGreyTheSectorsAndKeepTheirTicks()
{
    Window w;
    w.main->cmdFilter_Click();
    w.box(QStringLiteral("Check2"))->setChecked(false);
    QTest::mouseClick(w.box(QStringLiteral("CheckFavorites")), Qt::LeftButton);
    for (int i = 1; i <= 11; ++i)
        QVERIFY(!w.box(QStringLiteral("Check%1").arg(i))->isEnabled());
    QTest::mouseClick(w.box(QStringLiteral("CheckFavorites")), Qt::LeftButton);
    for (int i = 1; i <= 11; ++i) {
        QCheckBox *box = w.box(QStringLiteral("Check%1").arg(i));
        QVERIFY(box->isEnabled());
        QCOMPARE(box->isChecked(), i != 2);
    }
}

void TestBrowsingAids::descriptionsFollowPointerAndFocus()
{
    Window w;
    w.main->cmdFilter_Click();
    hover(w.box(QStringLiteral("Check6")));
    QCOMPARE(w.description(),
             QStringLiteral(
                 "Energy\r\n\r\nAs you can guess, the energy sector regroups companies involved into the "
                 "making of Energy as its most large meaning. Subcategories are : \r\n"
                 "Electric Utilities\r\nNatural Gas Utilities\r\nOil & Gas - Integrated\r\n"
                 "Oil & Gas Operations\r\nBig corporations such as Exxon Mobil (Quote : XOM) or "
                 "ChevronTexaco (Quote : CVX) can be found there, so we suggest you let this case "
                 "checked."));
    // Leaving the box keeps the text; the keyboard reaches the descriptions too.
    QHoverEvent leave(QEvent::HoverLeave, QPointF(-1, -1), QPointF(-1, -1), QPointF(4, 4));
    QCoreApplication::sendEvent(w.box(QStringLiteral("Check6")), &leave);
    QVERIFY(w.description().startsWith(u"Energy\r\n"));
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(w.box(QStringLiteral("Check8")), &focus);
    QVERIFY(w.description().startsWith(u"Transportation\r\n\r\nThis sector includes postal services"));
    // Focus that the window gives a box on opening or activation is not the player's choice.
    QFocusEvent activated(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(w.box(QStringLiteral("Check1")), &activated);
    QVERIFY(w.description().startsWith(u"Transportation\r\n"));
}

void TestBrowsingAids::descriptionLinesAreJoinedByCrLf_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("probe"); // a line to look at, 0-based
    QTest::addColumn<QString>("text");

    QTest::addRow("capital goods") << QStringLiteral("Check1") << 9 << 8
                                   << QStringLiteral(
                                          "It includes companies like Boeing (Aerospace), Lockheed "
                                          "Marting (Defense) or Caterpillar (Agriculture and "
                                          "Construction Machinery)");
    QTest::addRow("raw materials, trailing blank")
        << QStringLiteral("Check11") << 10 << 2
        << QStringLiteral("This large category contains companies devoted to extracting raw materials and/or "
                          "transforming them to basic materials. Subcategories are : ");
    QTest::addRow("non-cyclical, own spelling")
        << QStringLiteral("Check5") << 10 << 4 << QStringLiteral("Beverages (Beverages (Non-Alcoholic)");
    QTest::addRow("conglomerates, trailing blank")
        << QStringLiteral("Check3") << 5 << 2
        << QStringLiteral("This term -conglomerates- regroups companies that operates in too many different "
                          "industries to be classified in a specific sector. ");
    QTest::addRow("services") << QStringLiteral("Check4") << 13 << 12
                              << QStringLiteral("Consult help for more informations about services.");
    QTest::addRow("technology ampersand")
        << QStringLiteral("Check7") << 11 << 7 << QStringLiteral("Electronic Instruments & Controls");
    QTest::addRow("favourites") << QStringLiteral("CheckFavorites") << 4 << 3
                                << QStringLiteral(
                                       "Using favorites is an efficient way not to forget companies "
                                       "where you have interests in.");
}

void TestBrowsingAids::descriptionLinesAreJoinedByCrLf()
{
    QFETCH(QString, box);
    QFETCH(int, lines);
    QFETCH(int, probe);
    QFETCH(QString, text);
    Window w;
    w.main->cmdFilter_Click();
    hover(w.box(box));
    const QString description = w.description();
    QVERIFY(!description.endsWith(u'\n'));
    QCOMPARE(description.count(u'\n'), description.count(QStringLiteral("\r\n")));
    const QStringList split = description.split(QStringLiteral("\r\n"));
    QCOMPARE(split.size(), lines);
    QCOMPARE(split[0], w.box(box)->text());
    QCOMPARE(split[1], QString());
    QCOMPARE(split[probe], text);
}

void TestBrowsingAids::okClosesAndReopeningStartsFresh()
{
    Window w;
    w.main->cmdFilter_Click();
    for (int i = 1; i <= 11; ++i)
        w.box(QStringLiteral("Check%1").arg(i))->setChecked(i == 3 || i == 8);
    hover(w.box(QStringLiteral("Check6")));
    w.click(QStringLiteral("cmdOk"));
    QTRY_VERIFY(!w.filter());
    QCOMPARE(w.rows(), kTwoSectors);

    w.main->cmdFilter_Click();
    for (int i = 1; i <= 11; ++i)
        QVERIFY(w.box(QStringLiteral("Check%1").arg(i))->isChecked());
    QVERIFY(w.description().startsWith(u"Click on an item"));
    QCOMPARE(w.rows(), kTwoSectors);
}

void TestBrowsingAids::closeBoxDoesNotApply()
{
    Window w;
    w.main->cmdFilter_Click();
    w.box(QStringLiteral("Check1"))->setChecked(false);
    w.filter()->close();
    QTRY_VERIFY(!w.filter());
    QCOMPARE(w.rows().size(), 228);
}

void TestBrowsingAids::tipButtonsDriveTheLabel()
{
    Files tips = {{QStringLiteral("tips/0.txt"), "3\r\n"}};
    for (int n = 1; n <= 3; ++n)
        tips.insert(QStringLiteral("tips/%1.txt").arg(n), "Tip & " + QByteArray::number(n) + "\r\nhidden");
    // Starts on 2 (0.5).
    Window w(kHeader, {0.5f, 0.5f, 0.0f}, tips);
    const auto caption = [](int n) { return QStringLiteral("Tip of the Day - #%1\r\n\r\nTip & %1").arg(n); };
    FrmMain &window = *w.main;
    auto *label = window.findChild<QLabel *>(QStringLiteral("lblTips"));
    QCOMPARE(label->text(), caption(2));
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("cmdNextTip")), Qt::LeftButton);
    QCOMPARE(label->text(), caption(3));
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("cmdNextTip")), Qt::LeftButton);
    QCOMPARE(label->text(), caption(1));
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("cmdPreviousTip")), Qt::LeftButton);
    QCOMPARE(label->text(), caption(3));
    // Random draws 2 (0.5) and then 1 (0.0): never the tip that was shown.
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("cmdRandomTip")), Qt::LeftButton);
    QCOMPARE(label->text(), caption(2));
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("cmdRandomTip")), Qt::LeftButton);
    QCOMPARE(label->text(), caption(1));
}

void TestBrowsingAids::shippedTipsFitTheLabel()
{
    const QString tips = qEnvironmentVariable("QUORVANE_SOURCE_DIR") + QStringLiteral("/assets/tips/");
    QFile countFile(tips + QStringLiteral("0.txt"));
    QVERIFY(countFile.open(QIODevice::ReadOnly));
    const std::optional<qint16> count = tipCountFromText(countFile.readAll());
    QVERIFY(count && *count >= 30);
    QVERIFY2(!QFileInfo::exists(tips + QStringLiteral("%1.txt").arg(*count + 1)),
             "more tip files than counted");

    Window w;
    const QLabel *label = w.main->findChild<QLabel *>(QStringLiteral("lblTips"));
    const QRect room = label->contentsRect();
    const QFontMetrics metrics(label->font());
    for (int n = 1; n <= *count; ++n) {
        QFile file(tips + QStringLiteral("%1.txt").arg(n));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const QByteArray bytes = file.readAll();
        QVERIFY2(bytes.endsWith("\r\n") && bytes.count('\n') == 1, qPrintable(file.fileName()));
        const QString caption =
            QStringLiteral("Tip of the Day - #%1\r\n\r\n").arg(n) + tipTextFromBytes(bytes);
        const QRect used =
            metrics.boundingRect(room, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, caption);
        QVERIFY2(used.height() <= room.height() && used.width() <= room.width(),
                 qPrintable(QStringLiteral("tip %1 needs %2 x %3 of %4 x %5")
                                .arg(n)
                                .arg(used.width())
                                .arg(used.height())
                                .arg(room.width())
                                .arg(room.height())));
    }
}

void TestBrowsingAids::aboutBoxTextsAndLinks()
{
    RecordingOpener opener(true);
    Window w;
    w.main->mnuAbout_Click();
    auto *about = w.main->findChild<QDialog *>(QStringLiteral("frmAbout"));
    QVERIFY(about && about->isVisible() && !about->isModal());
    about->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(about));
    QCOMPARE(about->windowTitle(), QStringLiteral("About Quorvane"));
    const QList<std::pair<const char *, const char *>> texts = {{"Label1", "Quorvane"},
                                                                {"Label2", "Version 1.0 BETA"},
                                                                {"Label6", "Contact :"},
                                                                {"Label7", "Quorvane Webpage :"},
                                                                {"Label10", "<-- Wow ! Nice chick !"},
                                                                {"Label9",
                                                                 "This program uses Qt, Qt Charts and "
                                                                 "libopenmpt; its market service uses "
                                                                 "Boost.Beast"}};
    for (const auto &[name, text] : texts)
        QCOMPARE(about->findChild<QLabel *>(QLatin1String(name))->text(), QLatin1String(text));
    QVERIFY(!about->findChild<QLabel *>(QStringLiteral("Picture1"))->pixmap().isNull() ||
            !QFileInfo::exists(w.folder.file(QStringLiteral("pictures/chick.png"))));

    // Tab reaches each link from the button before it, and Enter or Space follows it.
    for (const char *name : {"Text1", "Text2"}) {
        auto *link = about->findChild<QLabel *>(QLatin1String(name));
        for (int tabs = 0; tabs < 20 && about->focusWidget() != link; ++tabs)
            QTest::keyClick(about->focusWidget(), Qt::Key_Tab);
        QCOMPARE(about->focusWidget(), link);
        QTest::keyClick(link, qstrcmp(name, "Text1") == 0 ? Qt::Key_Return : Qt::Key_Space);
    }
    QCOMPARE(opener.opened, (QList<QUrl>{QUrl(QStringLiteral("mailto:quorvane@example.org?subject=Quorvane")),
                                         QUrl(QStringLiteral("https://quorvane.example.org/"))}));
    w.main->mnuAbout_Click();
    QCOMPARE(w.main->findChildren<QDialog *>(QStringLiteral("frmAbout")).size(), 1);
    QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("cmdOk")), Qt::LeftButton);
    QTRY_VERIFY(!w.main->findChild<QDialog *>(QStringLiteral("frmAbout")));
    QVERIFY(w.messages.shown.isEmpty());
}

void TestBrowsingAids::helpGoesToTheDesktopOrTheViewer_data()
{
    QTest::addColumn<bool>("manualThere");
    QTest::addColumn<bool>("desktopOpens");
    QTest::addColumn<int>("handedToDesktop");
    QTest::addColumn<bool>("viewerShown");

    QTest::addRow("desktop opens it") << true << true << 1 << false;
    QTest::addRow("desktop refuses: own viewer") << true << false << 1 << true;
    QTest::addRow("no manual: nothing") << false << true << 0 << false;
}

void TestBrowsingAids::helpGoesToTheDesktopOrTheViewer()
{
    QFETCH(bool, manualThere);
    QFETCH(bool, desktopOpens);
    QFETCH(int, handedToDesktop);
    QFETCH(bool, viewerShown);
    RecordingOpener opener(desktopOpens);
    Window w;
    const QString manual = w.folder.file(QStringLiteral("help/index.html"));
    if (manualThere)
        w.folder.write(QStringLiteral("help/index.html"),
                       "<html><head><title>Manual</title></head><body><h1>Playing</h1></body></html>");
    w.main->mnuContent_Click();
    QCOMPARE(opener.opened.size(), handedToDesktop);
    if (handedToDesktop)
        QCOMPARE(opener.opened.first(), QUrl::fromLocalFile(manual));
    auto *viewer = w.main->findChild<HelpViewer *>();
    QCOMPARE(viewer != nullptr && viewer->isVisible(), viewerShown);
    if (viewerShown) {
        QCOMPARE(viewer->findChild<QTextBrowser *>()->source(), QUrl::fromLocalFile(manual));
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Manual"));
        // Asking again brings the same viewer back.
        w.main->mnuContent_Click();
        QCOMPARE(w.main->findChildren<HelpViewer *>().size(), 1);
    }
    QVERIFY(w.messages.shown.isEmpty());
}

QTEST_MAIN(TestBrowsingAids)
#include "test_browsingaids.moc"
