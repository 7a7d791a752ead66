#include "common/listrows.h"
#include "common/messagerecorder.h"
#include "common/testsession.h"
#include "game/frmload.h"
#include "model/gamefiles.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QByteArray kZoe("2000\r\nA\r\n3\r\nAAPL\r\n0\r\nMSFT\r\n12\r\n");
const QByteArray kHeader("[Quorvane Favorites File]\r\n");
const QList<Holding> kZoeHoldings{{u"A"_s, 3}, {u"AAPL"_s, 0}, {u"MSFT"_s, 12}};
const QList<Holding> kRunningHoldings{{u"IBM"_s, 5}};
} // namespace

class TestFrmLoad : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_folder;
    QByteArray m_favoritesLine;
    std::unique_ptr<TestSession> m_session;
    QPointer<frmLoad> m_dialog;

    const GameState &state() const { return m_session->session->game(); }

    void write(const QString &file, const QByteArray &bytes)
    {
        QFile f(QDir(m_folder).filePath(file));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // The game "Running" is in play; its files go once read, so the list shows only the test's.
    void open()
    {
        if (!m_session) {
            write(u"options.cfg"_s, "[Quorvane Settings]\r\nRunning\r\n" + m_favoritesLine +
                                        "\r\nEnableMusic=No\r\nUseProxy=No\r\nnull\r\nnull\r\n");
            write(u"Running.qvn"_s, "777\r\nIBM\r\n5\r\n");
            write(u"Running.fav"_s, kHeader);
            m_session = std::make_unique<TestSession>(m_folder);
            QVERIFY(!m_session->session->start());
            for (const char *file : {"options.cfg", "Running.qvn", "Running.fav"})
                QVERIFY(QFile::remove(QDir(m_folder).filePath(QLatin1String(file))));
        }
        m_dialog = new frmLoad(*m_session->session);
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    }
    template <typename T> T *child(const char *name) const
    {
        return m_dialog->findChild<T *>(QString::fromLatin1(name));
    }
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
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, found[0]));
    }
    void clickLoad() { QTest::mouseClick(child<QPushButton>("cmdLoad"), Qt::LeftButton); }
    void verifyRunningGameKept()
    {
        QCOMPARE(state().gameName, QStringLiteral("Running"));
        QCOMPARE(state().cash.units(), Money::fromDollars(777).units());
        QCOMPARE(state().holdings, kRunningHoldings);
    }

private slots:
    void init()
    {
        m_folder = m_root.filePath(u"program"_s);
        QDir(m_folder).removeRecursively();
        QVERIFY(QDir().mkpath(m_folder));
        m_favoritesLine = "LoadFavorites=No";
    }
    void cleanup()
    {
        delete m_dialog;
        m_session.reset();
    }

    void listing_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("shown");
        QTest::addRow("no saved games") << QStringList{u"options.cfg"_s} << QStringList{};
        QTest::addRow("saved games sorted")
            << QStringList{u"zed.qvn"_s, u"Zoe.qvn"_s, u"Bob.qvn"_s, u"Bob.fav"_s, u".qvn"_s}
            << QStringList{u".qvn"_s, u"Bob.qvn"_s, u"zed.qvn"_s, u"Zoe.qvn"_s};
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
        write(u"Zoe.qvn"_s, content);
        open();
        select(u"Zoe.qvn"_s);
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
                                       << QStringList{u"MSFT"_s, u"A"_s, u"MSFT"_s};
        QTest::addRow("favourites on, header only") << true << kHeader << QStringList{};
        QTest::addRow("favourites off") << false << kHeader + "MSFT\r\n" << QStringList{};
    }
    void load()
    {
        QFETCH(bool, favoritesOn);
        QFETCH(QByteArray, favorites);
        QFETCH(QStringList, stockList);
        if (favoritesOn)
            m_favoritesLine = "LoadFavorites=Yes";
        write(u"Zoe.qvn"_s, kZoe);
        write(u"Zoe.fav"_s, favorites);
        open();
        GameSession *session = m_session->session;
        QSignalSpy cash(session, &GameSession::cashChanged), list(session, &GameSession::stockListChanged),
            owned(session, &GameSession::panelChanged);
        MessageRecorder rec;
        select(u"Zoe.qvn"_s);
        clickLoad();

        QVERIFY(rec.shown.isEmpty());
        QCOMPARE(state().gameName, QStringLiteral("Zoe"));
        QCOMPARE(state().cash.units(), Money::fromDollars(2000).units());
        QCOMPARE(state().holdings, kZoeHoldings);
        QCOMPARE(cash.size(), 1);
        QCOMPARE(list.size(), favoritesOn ? 1 : 0);
        QCOMPARE(owned.size(), favoritesOn ? 0 : 1);
        if (!favoritesOn)
            QCOMPARE(session->panel().lblOwned, QStringLiteral("0"));
        if (favoritesOn) {
            QCOMPARE(session->stockList(), stockList);
            QVERIFY(m_dialog && m_dialog->isVisible());
        } else {
            QTRY_VERIFY(!m_dialog);
        }
    }

    void loadTwiceGivesSameTable()
    {
        m_favoritesLine = "LoadFavorites=Yes";
        write(u"Zoe.qvn"_s, kZoe);
        write(u"Zoe.fav"_s, kHeader);
        open();
        select(u"Zoe.qvn"_s);
        clickLoad();
        clickLoad();
        QCOMPARE(state().holdings, kZoeHoldings);
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
            m_favoritesLine = "LoadFavorites=Yes";
        write(u"Zoe.qvn"_s, saved);
        if (withFavoritesFile)
            write(u"Zoe.fav"_s, kHeader + "MSFT\r\n");
        open();
        GameSession *session = m_session->session;
        QSignalSpy cash(session, &GameSession::cashChanged), list(session, &GameSession::stockListChanged),
            owned(session, &GameSession::panelChanged);
        MessageRecorder rec;
        select(u"Zoe.qvn"_s);
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
        write(u"Zoe.qvn"_s, kZoe);
        open();
        QSignalSpy cash(m_session->session, &GameSession::cashChanged);
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
        write(u"Zoe.qvn"_s, kZoe);
        open();
        select(u"Zoe.qvn"_s);
        QTest::mouseClick(child<QPushButton>("cmdCancel"), Qt::LeftButton);
        QTRY_VERIFY(!m_dialog);
        verifyRunningGameKept();
    }

    void gameCreatedWhileOpenShowsAfterReopening()
    {
        write(u"Zoe.qvn"_s, kZoe);
        open();
        QVERIFY(!CreateSavedGame(m_folder, u"Newbie"_s, u"10000"_s, {}));
        QCOMPARE(listed(), QStringList{u"Zoe.qvn"_s});
        m_dialog->close();
        QTRY_VERIFY(!m_dialog);
        open();
        QCOMPARE(listed(), QStringList({u"Newbie.qvn"_s, u"Zoe.qvn"_s}));
    }
};

QTEST_MAIN(TestFrmLoad)
#include "test_frmload.moc"
