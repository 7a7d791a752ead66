#include "common/messagerecorder.h"
#include "game/frmload.h"
#include "model/gamefiles.h"
#include "model/numbertext.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QByteArray kZoe("2000\r\nA\r\n3\r\nAAPL\r\n0\r\nMSFT\r\n12\r\n");
const QByteArray kHeader("[Quorvane Favorites File]\r\n");
const QList<Holding> kZoeHoldings{{"A", 3}, {"AAPL", 0}, {"MSFT", 12}};

GameState runningGame()
{
    GameState s;
    s.gameName = QStringLiteral("Running");
    s.cash = Money::fromDollars(777);
    s.holdings = {{QStringLiteral("IBM"), 5}};
    return s;
}
} // namespace

class TestFrmLoad : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_folder;
    GameState m_state;
    Settings m_settings;
    QPointer<frmLoad> m_dialog;

    void write(const QString &file, const QByteArray &bytes)
    {
        QFile f(QDir(m_folder).filePath(file));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void open()
    {
        m_dialog = new frmLoad(m_folder, m_state, m_settings);
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    }
    template <typename T> T *child(const char *name) const { return m_dialog->findChild<T *>(name); }
    QStringList listed() const
    {
        QStringList names;
        auto *list = child<QListWidget>("FileSavedGames");
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        return names;
    }
    void select(const QString &file)
    {
        auto *list = child<QListWidget>("FileSavedGames");
        const QList<QListWidgetItem *> found = list->findItems(file, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found[0]).center());
    }
    void clickLoad() { QTest::mouseClick(child<QPushButton>("cmdLoad"), Qt::LeftButton); }
    void verifyRunningGameKept()
    {
        QCOMPARE(m_state.gameName, QStringLiteral("Running"));
        QCOMPARE(m_state.cash.units(), Money::fromDollars(777).units());
        QCOMPARE(m_state.holdings, runningGame().holdings);
    }

private slots:
    void initTestCase() { setDecimalSeparator(QLatin1Char('.')); }
    void init()
    {
        m_folder = m_root.filePath("program");
        QDir(m_folder).removeRecursively();
        QVERIFY(QDir().mkpath(m_folder));
        m_state = runningGame();
        m_settings = Settings{};
        m_settings.favoritesLine = QStringLiteral("LoadFavorites=No");
    }
    void cleanup() { delete m_dialog; }

    void listing_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("shown");
        QTest::addRow("no saved games") << QStringList{"options.cfg"} << QStringList{};
        QTest::addRow("saved games sorted") << QStringList{"zed.qvn", "Zoe.qvn", "Bob.qvn", "Bob.fav", ".qvn"}
                                            << QStringList{".qvn", "Bob.qvn", "zed.qvn", "Zoe.qvn"};
    }
    void listing()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, shown);
        for (const QString &f : files)
            write(f, kZoe);
        open();
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Load Game"));
        QCOMPARE(listed(), shown);
        QVERIFY(child<QListWidget>("FileSavedGames")->selectedItems().isEmpty());
        QCOMPARE(child<QLabel>("Label2")->text(), QStringLiteral("Available Money : <> USD"));
        QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("Property of <>"));
        QCOMPARE(child<QPushButton>("cmdLoad")->text(), QStringLiteral("Load Player"));
        QCOMPARE(child<QPushButton>("cmdCancel")->text(), QStringLiteral("Cancel"));
    }

    void preview_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("money");
        QTest::addRow("hard level") << kZoe << "Available Money : 2000 USD";
        QTest::addRow("after trades")
            << QByteArray("1234.5\r\nA\r\n 3 \r\n") << "Available Money : 1234.5 USD";
        QTest::addRow("empty file") << QByteArray() << "Available Money : the file cannot be read";
        QTest::addRow("not a saved game")
            << QByteArray("<html>\r\n") << "Available Money : the file cannot be read";
    }
    void preview()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, money);
        write("Zoe.qvn", content);
        open();
        select("Zoe.qvn");
        QCOMPARE(child<QLabel>("Label2")->text(), money);
        QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("Property of Zoe"));
        verifyRunningGameKept();
    }

    void load_data()
    {
        QTest::addColumn<bool>("favoritesOn");
        QTest::addColumn<QByteArray>("favorites");
        QTest::addColumn<QStringList>("stockList");
        QTest::addRow("favourites on") << true << kHeader + "MSFT\r\nA\r\nMSFT\r\n"
                                       << QStringList{"MSFT", "A", "MSFT"};
        QTest::addRow("favourites on, header only") << true << kHeader << QStringList{};
        QTest::addRow("favourites off") << false << kHeader + "MSFT\r\n" << QStringList{};
    }
    void load()
    {
        QFETCH(bool, favoritesOn);
        QFETCH(QByteArray, favorites);
        QFETCH(QStringList, stockList);
        if (favoritesOn)
            m_settings.favoritesLine = QStringLiteral("LoadFavorites=Yes");
        write("Zoe.qvn", kZoe);
        write("Zoe.fav", favorites);
        open();
        QSignalSpy cash(m_dialog, &frmLoad::cashChanged), list(m_dialog, &frmLoad::stockListReplaced),
            owned(m_dialog, &frmLoad::ownedReset);
        MessageRecorder rec;
        select("Zoe.qvn");
        clickLoad();

        QVERIFY(rec.shown.isEmpty());
        QCOMPARE(m_state.gameName, QStringLiteral("Zoe"));
        QCOMPARE(m_state.cash.units(), Money::fromDollars(2000).units());
        QCOMPARE(m_state.holdings, kZoeHoldings);
        QCOMPARE(cash.size(), 1);
        QCOMPARE(list.size(), favoritesOn ? 1 : 0);
        QCOMPARE(owned.size(), favoritesOn ? 0 : 1);
        if (favoritesOn) {
            QCOMPARE(list[0][0].toStringList(), stockList);
            QVERIFY(m_dialog && m_dialog->isVisible());
        } else {
            QTRY_VERIFY(!m_dialog);
        }
    }

    void loadTwiceGivesSameTable()
    {
        m_settings.favoritesLine = QStringLiteral("LoadFavorites=Yes");
        write("Zoe.qvn", kZoe);
        write("Zoe.fav", kHeader);
        open();
        select("Zoe.qvn");
        clickLoad();
        clickLoad();
        QCOMPARE(m_state.holdings, kZoeHoldings);
    }

    void loadFailure_data()
    {
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<bool>("withFavoritesFile");
        QTest::addColumn<bool>("favoritesOn");
        QTest::addColumn<QString>("named");
        QTest::addRow("empty file") << QByteArray() << true << false << "Zoe.qvn";
        QTest::addRow("not a saved game") << QByteArray("GIF89a\r\n") << true << true << "Zoe.qvn";
        QTest::addRow("quantity not a number")
            << QByteArray("2000\r\nA\r\nmany\r\n") << true << false << "Zoe.qvn";
        QTest::addRow("favourites file missing") << kZoe << false << true << "Zoe.fav";
    }
    void loadFailure()
    {
        QFETCH(QByteArray, saved);
        QFETCH(bool, withFavoritesFile);
        QFETCH(bool, favoritesOn);
        QFETCH(QString, named);
        if (favoritesOn)
            m_settings.favoritesLine = QStringLiteral("LoadFavorites=Yes");
        write("Zoe.qvn", saved);
        if (withFavoritesFile)
            write("Zoe.fav", kHeader + "MSFT\r\n");
        open();
        QSignalSpy cash(m_dialog, &frmLoad::cashChanged), list(m_dialog, &frmLoad::stockListReplaced),
            owned(m_dialog, &frmLoad::ownedReset);
        MessageRecorder rec;
        select("Zoe.qvn");
        clickLoad();

        QCOMPARE(rec.shown.size(), 1);
        QCOMPARE(rec.shown[0].title, QStringLiteral("Quorvane"));
        QVERIFY2(rec.shown[0].text.contains(named), qPrintable(rec.shown[0].text));
        verifyRunningGameKept();
        QCOMPARE(cash.size() + list.size() + owned.size(), 0);
        QVERIFY(m_dialog && m_dialog->isVisible());
    }

    void loadWithNothingSelectedIsIgnored()
    {
        write("Zoe.qvn", kZoe);
        open();
        QSignalSpy cash(m_dialog, &frmLoad::cashChanged);
        MessageRecorder rec;
        clickLoad();
        QTest::keyClick(child<QListWidget>("FileSavedGames"), Qt::Key_Return);
        QVERIFY(rec.shown.isEmpty());
        QCOMPARE(cash.size(), 0);
        verifyRunningGameKept();
        QVERIFY(m_dialog);
    }

    void cancelKeepsRunningGame()
    {
        write("Zoe.qvn", kZoe);
        open();
        select("Zoe.qvn");
        QTest::mouseClick(child<QPushButton>("cmdCancel"), Qt::LeftButton);
        QTRY_VERIFY(!m_dialog);
        verifyRunningGameKept();
    }

    void gameCreatedWhileOpenShowsAfterReopening()
    {
        write("Zoe.qvn", kZoe);
        open();
        QVERIFY(!CreateSavedGame(m_folder, "Newbie", "10000"));
        QCOMPARE(listed(), QStringList{"Zoe.qvn"});
        m_dialog->close();
        QTRY_VERIFY(!m_dialog);
        open();
        QCOMPARE(listed(), QStringList({"Newbie.qvn", "Zoe.qvn"}));
    }
};

QTEST_MAIN(TestFrmLoad)
#include "test_frmload.moc"
