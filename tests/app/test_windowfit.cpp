// Every window at the desktop font sizes players use: no caption, value or button is cut.
#include "common/cutwidgets.h"
#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "common/scriptedrandom.h"
#include "common/testsession.h"
#include "extras/frmabout.h"
#include "extras/frmfilter.h"
#include "extras/frmoptions.h"
#include "game/frmload.h"
#include "game/frmmain.h"
#include "game/frmnewplayer.h"
#include "model/gamefiles.h"
#include "trading/frmorder.h"
#include "trading/frmorders.h"
#include "trading/frmsell.h"
#include "trading/frmstats.h"

#include <QApplication>
#include <QDirIterator>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestWindowFit : public QObject
{
    Q_OBJECT

    QFont m_font;

    // What `window` cuts, each name after the window's.
    static QStringList cuts(const QWidget &window)
    {
        QStringList cut = cutWidgets(window);
        for (QString &name : cut)
            name.prepend(QLatin1String(window.metaObject()->className()) + u": "_s);
        return cut;
    }
    static QStringList shownCuts(QWidget &window)
    {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return {QLatin1String(window.metaObject()->className()) + u" not shown"_s};
        return cuts(window);
    }

private slots:
    void initTestCase() { m_font = QApplication::font(); }
    void cleanup() { QApplication::setFont(m_font); }

    void nothingIsCut_data()
    {
        QTest::addColumn<qreal>("points");
        for (const qreal points : {9.0, 10.0, 11.0, 12.0})
            QTest::addRow("%g pt", points) << points;
    }
    void nothingIsCut()
    {
        QFETCH(qreal, points);
        QFont font = m_font;
        font.setPointSizeF(points);
        QApplication::setFont(font);

        // A loaded game with a quote on screen and every shipped tip to page through.
        TempProgramFolder folder;
        folder.writeSettings();
        folder.write(u"player.qvn"_s, newSavedGameBytes(u"100000"_s));
        const QString tips = qEnvironmentVariable("QUORVANE_SOURCE_DIR") + u"/assets/tips"_s;
        int tipCount = 0;
        for (QDirIterator it(tips, QDir::Files); it.hasNext(); ++tipCount) {
            QFile tip(it.next());
            QVERIFY(tip.open(QIODevice::ReadOnly));
            folder.write(u"tips/"_s + it.fileName(), tip.readAll());
        }
        QVERIFY(tipCount > 1);
        MessageRecorder messages;
        TestSession test(folder.path());
        GameSession &session = *test.session;
        FrmMain main(test.release(),
                     MainWindowExtras{nullptr, std::make_unique<ScriptedRandom>(QList<float>{0})});
        QStringList cut = shownCuts(main);
        test.quote(u"IBM"_s, "150.40");
        cut += cuts(main);
        auto *next = main.findChild<QPushButton *>(u"cmdNextTip"_s);
        for (int i = 1; i < tipCount; ++i) {
            next->click();
            cut += cuts(main);
        }
        auto *stats = main.findChild<FrmStats *>();
        stats->showFor(session.portfolio());
        cut += cuts(main);
        stats->hide();

        main.findChild<QPushButton *>(u"cmdBuy"_s)->click();
        auto *buy = main.findChild<QDialog *>(u"frmBuy"_s);
        QVERIFY(buy);
        cut += shownCuts(*buy);

        frmSell sell(session.tradeDesk(), &main);
        cut += shownCuts(sell);
        frmAbout about(folder.path());
        frmFilter filter(session.stockFilter());
        frmOptions options(session.options());
        frmLoad load(session.savedGames());
        frmNewPlayer newPlayer(session.savedGames());
        FrmOrder order(session.orderDesk());
        order.openOrder();
        FrmOrders orders(session.orderDesk(), nullptr);
        for (QWidget *dialog :
             std::initializer_list<QWidget *>{&about, &filter, &options, &load, &newPlayer, &order, &orders})
            cut += shownCuts(*dialog);
        cut.removeDuplicates();
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u", "_s)));
    }
};

QTEST_MAIN(TestWindowFit)
#include "test_windowfit.moc"
