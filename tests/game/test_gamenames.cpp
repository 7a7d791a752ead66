// Game names, the texts the new and load game dialogs show for them, and switching games.
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
} // namespace

class TestGameNames : public QObject
{
    Q_OBJECT

private slots:
    void limitGameName_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");
        const QString smile = u"\U0001F600"_s; // one character, two UTF-16 units
        const QString a14(14, u'a'), a15(15, u'a');
        QTest::newRow("short name unchanged") << u"Player1"_s << u"Player1"_s;
        QTest::newRow("empty name unchanged") << QString() << QString();
        QTest::newRow("16 characters unchanged") << u"ABCDEFGHIJKLMNOP"_s << u"ABCDEFGHIJKLMNOP"_s;
        QTest::newRow("17th letter drops the first") << u"ABCDEFGHIJKLMNOPQ"_s << u"BCDEFGHIJKLMNOPQ"_s;
        QTest::newRow("40 characters keep the last 16")
            << u"0123456789abcdefghijklmnopqrstuvwxyzWXYZ"_s << u"opqrstuvwxyzWXYZ"_s;
        QTest::newRow("pair inside the limit kept") << smile + a14 << smile + a14;
        QTest::newRow("pair at the cut dropped whole") << u"x"_s + smile + a15 << a15;
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
        QTest::addColumn<QString>("problem"); // empty: allowed
        const QString slash = u"a game name cannot hold \"/\" or \"\\\""_s;
        const QString control = u"a game name cannot hold control characters such as a tab or a line break"_s;
        const QString reserved = u"a game name cannot hold any of the characters : * ? \" < > |"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("plain") << u"Player1"_s << QString();
        QTest::newRow("blank and accents") << u"Zoé Martin"_s << QString();
        QTest::newRow("single dots") << u".a.b."_s << QString();
        QTest::newRow("slash") << u"a/b"_s << slash;
        QTest::newRow("backslash") << u"a\\b"_s << slash;
        QTest::newRow("parent folder") << u".."_s << u"a game name cannot hold \"..\""_s;
        QTest::newRow("double dot inside") << u"a..b"_s << u"a game name cannot hold \"..\""_s;
        QTest::newRow("tab") << u"a\tb"_s << control;
        QTest::newRow("line break") << u"a\nb"_s << control;
        QTest::newRow("delete") << u"a\x7f"_s << control;
        QTest::newRow("C1 control") << QString(QChar(0x85)) << control;
        for (const QChar c : QStringView(u":*?\"<>|"))
            QTest::addRow("reserved %c", c.toLatin1()) << u"a"_s + c + u"b"_s << reserved;
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + u"x"_s
                                        << u"the name holds a character that cannot be part of a file name"_s;
    }
    void gameNameProblem()
    {
        QFETCH(QString, name);
        QFETCH(QString, problem);
        QCOMPARE(::gameNameProblem(name).value_or(QString()), problem);
    }

    void dialogTexts()
    {
        QCOMPARE(newGamePreviewText(u"Zoe"_s),
                 u"Choose a name for this game. The saved game will be : Zoe.qvn"_s);
        QCOMPARE(replaceQuestionText(u"Demo"_s), u"A saved game named Demo already exists. Replace it?"_s);
        const QList<std::tuple<GameLevel, QString, QString>> levels = {
            {GameLevel::Easy, u"100000"_s, u"Easy"_s},
            {GameLevel::Medium, u"10000"_s, u"Medium"_s},
            {GameLevel::Hard, u"2000"_s, u"Hard"_s}};
        for (const auto &[level, cash, name] : levels) {
            QCOMPARE(startingCashText(level), cash);
            QCOMPARE(gameLevelName(level), name);
        }
        QCOMPARE(gameNameOfFile(u"Zoe.qvn"_s), u"Zoe"_s);
        QCOMPARE(gameNameOfFile(u".qvn"_s), QString());
        QCOMPARE(gameNameOfFile(u"qvn"_s), QString());
    }

    void previewSavedGame_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<char>("decimal");
        QTest::addColumn<QString>("money");
        const QString unreadable = u"Available Money : the file cannot be read"_s;
        QTest::newRow("hard level") << QByteArray("2000\r\nA\r\n3\r\n") << '.'
                                    << u"Available Money : 2000 USD"_s;
        QTest::newRow("after trades")
            << QByteArray("1234.5\r\nA\r\n 3 \r\n") << '.' << u"Available Money : 1234.5 USD"_s;
        QTest::newRow("decimal comma")
            << QByteArray("1234,5\r\n") << ',' << u"Available Money : 1234,5 USD"_s;
        QTest::newRow("empty file") << QByteArray("") << '.' << unreadable;
        QTest::newRow("not a saved game") << QByteArray("<html>\r\n") << '.' << unreadable;
        QTest::newRow("no file") << QByteArray() << '.' << unreadable;
    }
    void previewSavedGame()
    {
        QFETCH(QByteArray, content);
        QFETCH(char, decimal);
        QFETCH(QString, money);
        QTemporaryDir dir;
        if (!content.isNull())
            writeFile(dir.filePath(u"Zoe.qvn"_s), content);
        const SavedGamePreview preview =
            ::previewSavedGame(GameFolder(dir.path(), QLatin1Char(decimal)), u"Zoe.qvn"_s);
        QCOMPARE(preview.moneyText, money);
        QCOMPARE(preview.ownerText, u"Property of Zoe"_s);
        QCOMPARE(SavedGamePreview().moneyText + SavedGamePreview().ownerText,
                 u"Available Money : <> USDProperty of <>"_s);
    }

    void listSavedGames()
    {
        QTemporaryDir dir;
        QVERIFY(::listSavedGames(dir.path()).isEmpty());
        for (const char *name :
             {"b.qvn", "a.qvn", "A.qvn", ".qvn", "c.QVN", "d.qvn.tmp", "e.fav", "options.cfg"})
            writeFile(dir.filePath(QLatin1StringView(name)), "1\r\n");
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
        QTest::newRow("with favourites") << good << favs << true << true;
        QTest::newRow("favourites off, no favourites file") << good << QByteArray() << false << true;
        QTest::newRow("favourites on, no favourites file") << good << QByteArray() << true << false;
        QTest::newRow("empty saved game (malformed files: tests/model)")
            << QByteArray("") << favs << true << false;
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
        GameState state;
        state.gameName = u"Running"_s;
        state.cash = Money::fromDollars(777);
        state.holdings = {{u"IBM"_s, 5}};
        state.openTradeDialogs = 1;
        QStringList list{u"IBM"_s};
        const FileStatus error = ::switchGame(dir.path(), u"New.qvn"_s, withFavorites, state, list);
        QCOMPARE(!error, loads);
        if (!loads)
            QVERIFY(error->text().contains(u"New."));
        QCOMPARE(state.gameName, loads ? u"New"_s : u"Running"_s);
        QCOMPARE(state.cash, Money::fromDollars(loads ? 2000 : 777));
        QCOMPARE(state.holdings,
                 loads ? QList<Holding>({{u"A"_s, 3}, {u"AAPL"_s, 0}}) : QList<Holding>({{u"IBM"_s, 5}}));
        QCOMPARE(state.openTradeDialogs, 1);
        QCOMPARE(list, loads && withFavorites ? QStringList({u"MSFT"_s, u"A"_s}) : QStringList{u"IBM"_s});
    }
};

QTEST_GUILESS_MAIN(TestGameNames)
#include "test_gamenames.moc"
