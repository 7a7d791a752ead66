#include "game/gamenames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

GameState runningGame()
{
    GameState s;
    s.gameName = QStringLiteral("Running");
    s.cash = Money::fromDollars(777);
    s.holdings = {{QStringLiteral("IBM"), 5}};
    s.openTradeDialogs = 1;
    return s;
}
} // namespace

class TestGameNames : public QObject
{
    Q_OBJECT

private slots:
    void limitGameName_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");
        const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80"); // one character, two UTF-16 units
        QTest::addRow("short name unchanged") << "Player1"
                                              << "Player1";
        QTest::addRow("empty name unchanged") << ""
                                              << "";
        QTest::addRow("16 characters unchanged") << "ABCDEFGHIJKLMNOP"
                                                 << "ABCDEFGHIJKLMNOP";
        QTest::addRow("17th letter drops the first") << "ABCDEFGHIJKLMNOPQ"
                                                     << "BCDEFGHIJKLMNOPQ";
        QTest::addRow("40 characters keep the last 16") << "0123456789abcdefghijklmnopqrstuvwxyzWXYZ"
                                                        << "opqrstuvwxyzWXYZ";
        QTest::addRow("pair inside the limit kept") << smile + QString(14, u'a') << smile + QString(14, u'a');
        QTest::addRow("pair at the cut dropped whole")
            << u"x"_s + smile + QString(15, u'a') << QString(15, u'a');
    }
    void limitGameName()
    {
        QFETCH(QString, text);
        QFETCH(QString, kept);
        QCOMPARE(::limitGameName(text), kept);
        QCOMPARE(::limitGameName(kept), kept);
    }

    void gameNameProblem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("refused");
        QTest::addRow("empty") << "" << false;
        QTest::addRow("plain") << "Player1" << false;
        QTest::addRow("blank and accents") << QString::fromUtf8("Zoé Martin") << false;
        QTest::addRow("single dots") << ".a.b." << false;
        QTest::addRow("slash") << "a/b" << true;
        QTest::addRow("backslash") << "a\\b" << true;
        QTest::addRow("parent folder") << ".." << true;
        QTest::addRow("double dot inside") << "a..b" << true;
        QTest::addRow("tab") << "a\tb" << true;
        QTest::addRow("line break") << "a\nb" << true;
        QTest::addRow("delete") << "a\x7f" << true;
        QTest::addRow("C1 control") << QString(QChar(0x85)) << true;
        for (const char *c : {":", "*", "?", "\"", "<", ">", "|"})
            QTest::addRow("reserved %s", c) << QStringLiteral("a%1b").arg(QLatin1String(c)) << true;
        QTest::addRow("lone surrogate") << QString(QChar(0xD800)) + u"x"_s << true;
    }
    void gameNameProblem()
    {
        QFETCH(QString, name);
        QFETCH(bool, refused);
        const std::optional<QString> problem = ::gameNameProblem(name);
        QCOMPARE(problem.has_value(), refused);
        if (problem)
            QVERIFY(!problem->isEmpty());
    }

    void listSavedGames()
    {
        QTemporaryDir dir;
        QVERIFY(::listSavedGames(dir.path()).isEmpty());
        for (const char *name :
             {"b.qvn", "a.qvn", "A.qvn", ".qvn", "c.QVN", "d.qvn.tmp", "e.fav", "options.cfg"})
            writeFile(dir.filePath(QLatin1String(name)), "1\r\n");
        QVERIFY(QDir(dir.path()).mkdir(u"folder.qvn"_s));
        QCOMPARE(::listSavedGames(dir.path()), QStringList({u".qvn"_s, u"A.qvn"_s, u"a.qvn"_s, u"b.qvn"_s}));
    }

    void switchGame_data()
    {
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QByteArray>("favorites"); // null: no favourites file
        QTest::addColumn<bool>("withFavorites");
        QTest::addColumn<bool>("loads");
        const QByteArray good("2000\r\nA\r\n3\r\nAAPL\r\n0\r\n");
        const QByteArray favs("[Quorvane Favorites File]\r\nMSFT\r\nA\r\n");
        QTest::addRow("with favourites") << good << favs << true << true;
        QTest::addRow("favourites off, no favourites file") << good << QByteArray() << false << true;
        QTest::addRow("favourites on, no favourites file") << good << QByteArray() << true << false;
        QTest::addRow("empty saved game") << QByteArray("") << favs << true << false;
        QTest::addRow("not a saved game") << QByteArray("hello world\r\n") << favs << false << false;
        QTest::addRow("quantity not a number")
            << QByteArray("2000\r\nA\r\nlots\r\n") << favs << false << false;
        QTest::addRow("ends after a ticker")
            << QByteArray("2000\r\nA\r\n3\r\nAAPL\r\n") << favs << false << false;
    }
    void switchGame()
    {
        QFETCH(QByteArray, saved);
        QFETCH(QByteArray, favorites);
        QFETCH(bool, withFavorites);
        QFETCH(bool, loads);
        QTemporaryDir dir;
        writeFile(dir.filePath(u"New.qvn"_s), saved);
        if (!favorites.isNull())
            writeFile(dir.filePath(u"New.fav"_s), favorites);

        GameState state = runningGame();
        QStringList list{u"IBM"_s};
        const FileStatus error = ::switchGame(dir.path(), u"New.qvn"_s, withFavorites, state, list);
        QCOMPARE(!error, loads);
        if (!loads) {
            QVERIFY(error->text().contains(u"New."_s));
            const GameState before = runningGame();
            QCOMPARE(state.gameName, before.gameName);
            QCOMPARE(state.cash.units(), before.cash.units());
            QCOMPARE(state.holdings, before.holdings);
            QCOMPARE(list, QStringList{u"IBM"_s});
            return;
        }
        QCOMPARE(state.gameName, QStringLiteral("New"));
        QCOMPARE(state.cash.units(), Money::fromDollars(2000).units());
        QCOMPARE(state.holdings, QList<Holding>({{u"A"_s, 3}, {u"AAPL"_s, 0}}));
        QCOMPARE(state.openTradeDialogs, 1);
        QCOMPARE(list, withFavorites ? QStringList({u"MSFT"_s, u"A"_s}) : QStringList{u"IBM"_s});
    }
};

QTEST_GUILESS_MAIN(TestGameNames)
#include "test_gamenames.moc"
