// "Load Game" on a fake door: it lists and previews the saved games of the door's folder and hands
// the chosen file to the door. Listing and preview rules are pinned in test_gamenames, loading in
// test_gamesession.
#include "common/fakedesks.h"
#include "common/listrows.h"
#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "common/rows.h"
#include "game/frmload.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

class TestFrmLoad : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<FakeSavedGames> m_desk;
    QPointer<frmLoad> m_dialog;

    template <typename T> T *child(const QString &name) const { return m_dialog->findChild<T *>(name); }
    QListWidget *list() const { return child<QListWidget>(u"FileSavedGames"_s); }
    QString labels() const
    {
        return child<QLabel>(u"Label2"_s)->text() + u" / "_s + child<QLabel>(u"Label1"_s)->text();
    }
    void select(const QString &file)
    {
        const QList<QListWidgetItem *> found = list()->findItems(file, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rowCentre(list(), found[0]));
    }
    void clickLoad() { QTest::mouseClick(child<QPushButton>(u"cmdLoad"_s), Qt::LeftButton); }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempProgramFolder>();
        for (const char *file : {"zed.qvn", "Zoe.qvn", "Bob.fav", "options.cfg"})
            m_folder->write(QLatin1StringView(file), "2000\r\nA\r\n3\r\n");
        m_desk = std::make_unique<FakeSavedGames>(m_folder->path());
        m_dialog = new frmLoad(*m_desk);
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    }
    void cleanup()
    {
        delete m_dialog;
        m_desk.reset();
        m_folder.reset();
    }

    void opensOnTheList()
    {
        QCOMPARE(m_dialog->windowTitle(), u"Load Game"_s);
        QCOMPARE(rowTexts(list()), QStringList({u"zed.qvn"_s, u"Zoe.qvn"_s}));
        QVERIFY(list()->selectedItems().isEmpty());
        QCOMPARE(labels(), u"Available Money : <> USD / Property of <>"_s);
        QVERIFY(QTest::qWaitForWindowActive(m_dialog) && list()->hasFocus());
        QTest::keyClick(list(), Qt::Key_Down); // the first Down selects the first game
        QCOMPARE(labels(), u"Available Money : 2000 USD / Property of zed"_s);
        QCOMPARE(child<QPushButton>(u"cmdLoad"_s)->text() + child<QPushButton>(u"cmdCancel"_s)->text(),
                 u"Load PlayerCancel"_s);
        select(u"Zoe.qvn"_s);
        QCOMPARE(labels(), u"Available Money : 2000 USD / Property of Zoe"_s);
        QVERIFY(m_desk->calls.isEmpty());
    }

    // Load Player hands the file over; the dialog stays for another try when the favourites fill
    // the list, or when the door refuses, and says so then.
    void load_data()
    {
        QTest::addColumn<bool>("favorites");
        QTest::addColumn<bool>("fails");
        row("favourites off: closes", false, false);
        row("favourites on: stays", true, false);
        row("refused: shown, stays", false, true);
    }
    void load()
    {
        QFETCH(bool, favorites);
        QFETCH(bool, fails);
        m_desk->favorites = favorites;
        const FileError error{m_folder->file(u"Zoe.fav"_s), 0, u"it is missing"_s};
        if (fails)
            m_desk->failure = error;
        MessageRecorder rec;
        select(u"Zoe.qvn"_s);
        clickLoad();
        QCOMPARE(m_desk->calls, QStringList{u"load Zoe.qvn"_s});
        QCOMPARE(rec.texts(), fails ? QStringList{error.text() + u"\nThe game in play was not changed."_s}
                                    : QStringList());
        QVERIFY(!fails || rec.shown.first().icon == QMessageBox::Warning);
        if (favorites || fails)
            QVERIFY(m_dialog && m_dialog->isVisible());
        else
            QTRY_VERIFY(!m_dialog);
    }

    void otherWaysToLoadOrNot()
    {
        m_desk->favorites = true;
        clickLoad(); // nothing selected
        QTest::keyClick(list(), Qt::Key_Return);
        QVERIFY(m_desk->calls.isEmpty());
        select(u"zed.qvn"_s);
        emit list()->itemDoubleClicked(list()->item(0)); // a double click loads too
        QCOMPARE(m_desk->calls, QStringList{u"load zed.qvn"_s});
        QTest::mouseClick(child<QPushButton>(u"cmdCancel"_s), Qt::LeftButton);
        QTRY_VERIFY(!m_dialog);
        QCOMPARE(m_desk->calls.size(), 1);
    }
};

QTEST_MAIN(TestFrmLoad)
#include "test_frmload.moc"
