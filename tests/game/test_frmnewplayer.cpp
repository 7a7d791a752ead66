// "Create New Player" on a fake door: its texts, the name box, and what Create Player hands over.
// The name rules and texts are pinned in test_gamenames, the files in test_gamesession.
#include "common/casetable.h"
#include "common/fakedesks.h"
#include "common/messagerecorder.h"
#include "common/rows.h"
#include "game/frmnewplayer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const FileError kDiskFull{u"/nowhere/Demo.qvn"_s, 0, u"disk full"_s, FileAction::Write};

struct CreateCase
{
    const char *tag;
    QString name;
    const char *option;
    bool exists;
    int answer;
    QStringList calls, shown;
};
} // namespace

class TestFrmNewPlayer : public QObject
{
    Q_OBJECT

    FakeSavedGames m_desk{u"/nowhere"_s};
    QPointer<frmNewPlayer> m_dialog;

    template <typename T = QWidget> T *child(const QString &name) const
    {
        return m_dialog->findChild<T *>(name);
    }
    QLineEdit *name() const { return child<QLineEdit>(u"txtPlayerName"_s); }

private slots:
    void init()
    {
        m_desk = FakeSavedGames(u"/nowhere"_s);
        m_dialog = new frmNewPlayer(m_desk);
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    }
    void cleanup() { delete m_dialog; }

    void captions()
    {
        QStringList texts{m_dialog->windowTitle()};
        for (const char *control : {"Label1", "txtPlayerName", "Label2", "Label3", "Option1", "Option2",
                                    "Option3", "cmdOk", "cmdCancel"})
            texts.append(child(QLatin1StringView(control))->property("text").toString());
        QCOMPARE(
            texts,
            (QStringList{u"Create New Player"_s,
                         u"When you create a new player, a specific savegame is made. If you want to "
                         u"load it on gamestart, go to the option window."_s,
                         u"Player1"_s, u"Choose a name for this game. The saved game will be : Player1.qvn"_s,
                         u"Difficulty Level"_s, u"Easy - Begin with 100 000 $"_s,
                         u"Medium - Begin with 10 000 $"_s, u"Hard - Begin with 2 000 $"_s,
                         u"Create Player"_s, u"Cancel"_s}));
        QVERIFY(child<QRadioButton>(u"Option1"_s)->isChecked());
    }

    // The box keeps the last 16 characters (every case: test_gamenames) and the preview follows it.
    void nameBox()
    {
        name()->setFocus();
        name()->selectAll();
        QTest::keyClicks(name(), u"ABCDEFGHIJKLMNOPQ"_s);
        QCOMPARE(name()->text(), u"BCDEFGHIJKLMNOPQ"_s);
        QCOMPARE(child<QLabel>(u"Label2"_s)->text(), newGamePreviewText(u"BCDEFGHIJKLMNOPQ"_s));
    }

    // Create Player hands the name and the level to the door; a refusal or a failure is shown.
    void create_data()
    {
        const QString ask = u"A saved game named Demo already exists. Replace it?"_s;
        const QString unsafe =
            u"The name \"../Escape\" cannot be used for a saved game: a game name cannot hold "
            u"\"/\" or \"\\\". Nothing was written."_s;
        caseRows<CreateCase>(
            {{"easy", u"Demo"_s, "Option1", false, 0, {u"create Demo Easy"_s}, {}},
             {"medium", u"Demo"_s, "Option2", false, 0, {u"create Demo Medium"_s}, {}},
             {"hard, empty name", QString(), "Option3", false, 0, {u"create  Hard"_s}, {}},
             {"existing, Yes", u"Demo"_s, "Option1", true, QMessageBox::Yes, {u"create Demo Easy"_s}, {ask}},
             {"existing, No", u"Demo"_s, "Option1", true, QMessageBox::No, {}, {ask}},
             {"unsafe name", u"../Escape"_s, "Option1", false, 0, {}, {unsafe}},
             {"write fails", u"Demo"_s, "Option2", false, 0, {u"create Demo Medium"_s}, {kDiskFull.text()}}});
    }
    void create()
    {
        QFETCH(CreateCase, c);
        if (c.exists)
            m_desk.existing = QStringList{c.name};
        if (c.shown.value(0) == kDiskFull.text())
            m_desk.failure = kDiskFull;
        MessageRecorder rec;
        rec.answers << QMessageBox::StandardButton(c.answer);
        auto *level = child<QRadioButton>(QLatin1StringView(c.option));
        QTest::mouseClick(level, Qt::LeftButton, {}, QPoint(4, level->height() / 2));
        QVERIFY(level->isChecked());
        name()->setText(c.name);
        QTest::mouseClick(child<QPushButton>(u"cmdOk"_s), Qt::LeftButton);
        QCOMPARE(m_desk.calls, c.calls);
        QCOMPARE(rec.texts(), c.shown);
        for (const MessageRequest &r : rec.shown) {
            QCOMPARE(r.title, u"Quorvane"_s);
            QCOMPARE(r.buttons, c.exists ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
            QCOMPARE(r.defaultButton, c.exists ? QMessageBox::No : r.defaultButton);
        }
        QVERIFY(m_dialog && m_dialog->isVisible());
    }

    void keyboard_data()
    {
        QTest::addColumn<int>("key"); // 0: click Cancel
        row("Cancel clicked", 0);
        row("Escape", int(Qt::Key_Escape));
        row("Enter creates", int(Qt::Key_Return));
    }
    void keyboard()
    {
        QFETCH(int, key);
        MessageRecorder rec;
        name()->setFocus();
        if (key)
            QTest::keyClick(name(), Qt::Key(key));
        else
            QTest::mouseClick(child<QPushButton>(u"cmdCancel"_s), Qt::LeftButton);
        const bool creates = key == Qt::Key_Return;
        QCOMPARE(m_desk.calls, creates ? QStringList{u"create Player1 Easy"_s} : QStringList());
        if (!creates)
            QTRY_VERIFY(!m_dialog);
    }
};

QTEST_MAIN(TestFrmNewPlayer)
#include "test_frmnewplayer.moc"
