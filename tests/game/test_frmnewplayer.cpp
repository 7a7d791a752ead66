#include "common/failingreplacer.h"
#include "common/messagerecorder.h"
#include "common/testsession.h"
#include "game/frmnewplayer.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QByteArray kOldGame("5000\r\nIBM\r\n70\r\n");
} // namespace

class TestFrmNewPlayer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_folder;
    FailingReplacer m_disk;
    std::unique_ptr<TestSession> m_session;
    QPointer<frmNewPlayer> m_dialog;

    template <typename T> T *child(const char *name) const
    {
        return m_dialog->findChild<T *>(QString::fromLatin1(name));
    }
    QLineEdit *name() const { return child<QLineEdit>("txtPlayerName"); }
    QString preview() const { return child<QLabel>("Label2")->text(); }
    QStringList programFiles() const
    {
        return QDir(m_folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    void create(const QString &gameName)
    {
        name()->setText(gameName);
        QTest::mouseClick(child<QPushButton>("cmdOk"), Qt::LeftButton);
    }

private slots:
    void init()
    {
        m_folder = m_root.filePath(u"program"_s);
        QDir(m_folder).removeRecursively();
        QVERIFY(QDir().mkpath(m_folder));
        m_disk.failWriteFrom = -1;
        m_session = std::make_unique<TestSession>(m_folder, NumberFormat{}, m_disk);
        m_dialog = new frmNewPlayer(*m_session->session);
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    }
    void cleanup()
    {
        delete m_dialog;
        m_session.reset();
    }

    void captions_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        QTest::addRow("explanation")
            << "Label1"
            << "When you create a new player, a specific savegame is made. If you want to "
               "load it on gamestart, go to the option window.";
        QTest::addRow("name") << "txtPlayerName"
                              << "Player1";
        QTest::addRow("preview") << "Label2"
                                 << "Choose a name for this game. The saved game will be : Player1.qvn";
        QTest::addRow("level title") << "Label3"
                                     << "Difficulty Level";
        QTest::addRow("easy") << "Option1"
                              << "Easy - Begin with 100 000 $";
        QTest::addRow("medium") << "Option2"
                                << "Medium - Begin with 10 000 $";
        QTest::addRow("hard") << "Option3"
                              << "Hard - Begin with 2 000 $";
        QTest::addRow("create") << "cmdOk"
                                << "Create Player";
        QTest::addRow("cancel") << "cmdCancel"
                                << "Cancel";
    }
    void captions()
    {
        QFETCH(QString, control);
        QFETCH(QString, text);
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Create New Player"));
        QCOMPARE(child<QWidget>(control.toLatin1().constData())->property("text").toString(), text);
        QVERIFY(child<QRadioButton>("Option1")->isChecked());
    }

    void nameBox_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("kept");
        QTest::addRow("17 letters typed") << "ABCDEFGHIJKLMNOPQ" << false << "BCDEFGHIJKLMNOPQ";
        QTest::addRow("40 characters pasted")
            << "0123456789abcdefghijklmnopqrstuvwxyzWXYZ" << true << "opqrstuvwxyzWXYZ";
        QTest::addRow("box cleared") << "" << false << "";
    }
    void nameBox()
    {
        QFETCH(QString, input);
        QFETCH(bool, paste);
        QFETCH(QString, kept);
        name()->setFocus();
        name()->selectAll();
        QTest::keyClick(name(), Qt::Key_Backspace);
        if (paste) {
            QGuiApplication::clipboard()->setText(input);
            QTest::keySequence(name(), QKeySequence::Paste);
        } else {
            QTest::keyClicks(name(), input);
        }
        QCOMPARE(name()->text(), kept);
        QCOMPARE(preview(), u"Choose a name for this game. The saved game will be : "_s + kept + u".qvn"_s);
    }

    void levels_data()
    {
        QTest::addColumn<QString>("gameName");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QByteArray>("cash");
        QTest::addRow("easy") << "Demo"
                              << "Option1" << QByteArray("100000");
        QTest::addRow("medium") << "Demo"
                                << "Option2" << QByteArray("10000");
        QTest::addRow("hard") << "Demo"
                              << "Option3" << QByteArray("2000");
        QTest::addRow("empty name") << ""
                                    << "Option3" << QByteArray("2000");
    }
    void levels()
    {
        QFETCH(QString, gameName);
        QFETCH(QString, option);
        QFETCH(QByteArray, cash);
        MessageRecorder rec;
        auto *level = child<QRadioButton>(option.toLatin1().constData());
        QTest::mouseClick(level, Qt::LeftButton, {}, QPoint(4, level->height() / 2));
        QVERIFY(level->isChecked());
        create(gameName);

        const QByteArray saved = readFile(QDir(m_folder).filePath(gameName + u".qvn"_s));
        QCOMPARE(saved.count('\n'), 457);
        QStringList lines = QString::fromLatin1(saved).split(u"\r\n"_s);
        QCOMPARE(lines.takeLast(), QString()); // the last line ends with CR LF too
        QCOMPARE(lines.size(), 457);
        QCOMPARE(lines[0], QString::fromLatin1(cash));
        QCOMPARE(lines[1], QStringLiteral("A"));
        QCOMPARE(lines[455], QStringLiteral("ZQK"));
        for (int i = 2; i < lines.size(); i += 2)
            QCOMPARE(lines[i], QStringLiteral("0"));
        QCOMPARE(readFile(QDir(m_folder).filePath(gameName + u".fav"_s)),
                 QByteArray("[Quorvane Favorites File]\r\n"));
        QVERIFY(rec.shown.isEmpty());
        QVERIFY(m_dialog && m_dialog->isVisible());
    }

    void replaceExisting_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::addRow("new game, no question") << false << int(QMessageBox::No) << true;
        QTest::addRow("existing game, Yes") << true << int(QMessageBox::Yes) << true;
        QTest::addRow("existing game, No") << true << int(QMessageBox::No) << false;
    }
    void replaceExisting()
    {
        QFETCH(bool, exists);
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        const QString saved = QDir(m_folder).filePath(u"Demo.qvn"_s),
                      favs = QDir(m_folder).filePath(u"Demo.fav"_s);
        if (exists) {
            QFile f(saved), g(favs);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(kOldGame) > 0);
            QVERIFY(g.open(QIODevice::WriteOnly) && g.write("[Quorvane Favorites File]\r\nIBM\r\n") > 0);
        }
        MessageRecorder rec;
        rec.answers << QMessageBox::StandardButton(answer);
        create(u"Demo"_s);

        QCOMPARE(rec.shown.size(), exists ? 1 : 0);
        if (exists) {
            QCOMPARE(rec.shown[0].title, QStringLiteral("Quorvane"));
            QCOMPARE(rec.shown[0].text,
                     QStringLiteral("A saved game named Demo already exists. Replace it?"));
            QCOMPARE(rec.shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(rec.shown[0].defaultButton, QMessageBox::No);
        }
        QCOMPARE(readFile(saved).startsWith("100000\r\nA\r\n0\r\n"), replaced);
        QCOMPARE(readFile(favs) == "[Quorvane Favorites File]\r\n", replaced);
        if (!replaced)
            QCOMPARE(readFile(saved), kOldGame);
    }

    void unsafeName_data()
    {
        QTest::addColumn<QString>("gameName");
        QTest::addRow("parent folder") << "../Escape";
        QTest::addRow("double dot") << "..";
        QTest::addRow("backslash") << "a\\b";
        QTest::addRow("colon") << "C:game";
        QTest::addRow("tab") << "two\tparts";
    }
    void unsafeName()
    {
        QFETCH(QString, gameName);
        MessageRecorder rec;
        create(gameName);
        QCOMPARE(rec.shown.size(), 1);
        QCOMPARE(rec.shown[0].title, QStringLiteral("Quorvane"));
        QCOMPARE(rec.shown[0].buttons, QMessageBox::Ok);
        QVERIFY(rec.shown[0].text.contains(gameName));
        QVERIFY(programFiles().isEmpty());
        QCOMPARE(QDir(m_root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{u"program"_s});
    }

    void writeFailure_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addRow("new game") << false;
        QTest::addRow("replacing a game") << true;
    }
    void writeFailure()
    {
        QFETCH(bool, exists);
        const QString saved = QDir(m_folder).filePath(u"Demo.qvn"_s);
        if (exists) {
            QFile f(saved);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(kOldGame) > 0);
        }
        const QStringList before = programFiles();
        m_disk.failWriteFrom = 0;
        MessageRecorder rec;
        rec.answers << QMessageBox::Yes;
        create(u"Demo"_s);
        QCOMPARE(rec.shown.size(), exists ? 2 : 1);
        QVERIFY(rec.shown.last().text.contains(QRegularExpression(u"Demo\\.(qvn|fav)"_s)));
        QCOMPARE(programFiles(), before);
        if (exists)
            QCOMPARE(readFile(saved), kOldGame);
    }

    void keyboard_data()
    {
        QTest::addColumn<int>("key"); // 0: click Cancel
        QTest::addColumn<bool>("closes");
        QTest::addRow("Cancel clicked") << 0 << true;
        QTest::addRow("Escape") << int(Qt::Key_Escape) << true;
        QTest::addRow("Enter creates") << int(Qt::Key_Return) << false;
    }
    void keyboard()
    {
        QFETCH(int, key);
        QFETCH(bool, closes);
        MessageRecorder rec;
        name()->setFocus();
        if (key)
            QTest::keyClick(name(), Qt::Key(key));
        else
            QTest::mouseClick(child<QPushButton>("cmdCancel"), Qt::LeftButton);
        if (closes)
            QTRY_VERIFY(!m_dialog);
        else
            QVERIFY(QFile::exists(QDir(m_folder).filePath(u"Player1.qvn"_s)));
        QCOMPARE(programFiles().isEmpty(), closes);
    }
};

QTEST_MAIN(TestFrmNewPlayer)
#include "test_frmnewplayer.moc"
