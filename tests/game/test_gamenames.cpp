// Game names, the texts the new and load game dialogs show for them, and switching games.
#include "common/files.h"
#include "game/gamenames.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestGameNames : public QObject
{
    Q_OBJECT

private slots:
    void limitGameName()
    {
        const QString smile = u"\U0001F600"_s; // one character, two UTF-16 units
        const QString a14(14, u'a'), a15(15, u'a'), a16(16, u'a');
        for (const auto &[text, kept] :
             {std::pair(u"Player1"_s, u"Player1"_s), std::pair(QString(), QString()),
              std::pair(a16, a16),          // the longest name kept whole
              std::pair(u"b"_s + a16, a16), // one more drops the first
              std::pair(u"0123456789abcdefghijklmnopqrstuvwxyzWXYZ"_s, u"opqrstuvwxyzWXYZ"_s),
              std::pair(smile + a14, smile + a14),     // a pair inside the limit is kept
              std::pair(u"x"_s + smile + a15, a15)}) { // one at the cut is dropped whole
            QCOMPARE(::limitGameName(text), kept);
            QCOMPARE(::limitGameName(kept), kept);
        }
    }

    void gameNameProblem()
    {
        const auto expect = [](const QString &problem, const QStringList &names) { // no problem: allowed
            for (const QString &name : names)
                QCOMPARE(::gameNameProblem(name).value_or(QString()), problem);
        };
        expect({}, {QString(), u"Player1"_s, u"Zoé Martin"_s, u".a.b."_s});
        expect(u"a game name cannot hold \"/\" or \"\\\""_s, {u"a/b"_s, u"a\\b"_s});
        expect(u"a game name cannot hold \"..\""_s, {u".."_s, u"a..b"_s});
        expect(u"a game name cannot hold control characters such as a tab or a line break"_s,
               {u"a\tb"_s, u"a\nb"_s, u"a\x7f"_s, QString(QChar(0x85))});
        QStringList reserved;
        for (const QChar c : QStringView(u":*?\"<>|"))
            reserved.append(u"a"_s + c + u"b"_s);
        expect(u"a game name cannot hold any of the characters : * ? \" < > |"_s, reserved);
        expect(u"the name holds a character that cannot be part of a file name"_s,
               {QString(QChar(0xD800)) + u"x"_s});
    }

    void dialogTexts()
    {
        QCOMPARE(newGamePreviewText(u"Zoe"_s),
                 u"Choose a name for this game. The saved game will be : Zoe.qvn"_s);
        QCOMPARE(replaceQuestionText(u"Demo"_s), u"A saved game named Demo already exists. Replace it?"_s);
        for (const auto &[level, cash, name] : {std::tuple(GameLevel::Easy, u"100000"_s, u"Easy"_s),
                                                std::tuple(GameLevel::Medium, u"10000"_s, u"Medium"_s),
                                                std::tuple(GameLevel::Hard, u"2000"_s, u"Hard"_s)}) {
            QCOMPARE(startingCashText(level), cash);
            QCOMPARE(gameLevelName(level), name);
        }
        QCOMPARE(gameNameOfFile(u"Zoe.qvn"_s), u"Zoe"_s);
        QCOMPARE(gameNameOfFile(u".qvn"_s), QString());
        QCOMPARE(gameNameOfFile(u"qvn"_s), QString());
    }

    void previewSavedGame()
    {
        const QString unreadable = u"Available Money : the file cannot be read"_s;
        for (const auto &[content, decimal, money] :
             {// no content: no file
              std::tuple(QByteArray("2000\r\nA\r\n3\r\n"), '.', u"Available Money : 2000 USD"_s),
              std::tuple(QByteArray("1234.5\r\nA\r\n 3 \r\n"), '.', u"Available Money : 1234.5 USD"_s),
              std::tuple(QByteArray("1234,5\r\n"), ',', u"Available Money : 1234,5 USD"_s),
              std::tuple(QByteArray(""), '.', unreadable),
              std::tuple(QByteArray("<html>\r\n"), '.', unreadable),
              std::tuple(QByteArray(), '.', unreadable)}) {
            QTemporaryDir dir;
            if (!content.isNull())
                QVERIFY(writeBytes(dir.filePath(u"Zoe.qvn"_s), content));
            const SavedGamePreview preview =
                ::previewSavedGame(GameFolder(dir.path(), QLatin1Char(decimal)), u"Zoe.qvn"_s);
            QCOMPARE(preview.moneyText, money);
            QCOMPARE(preview.ownerText, u"Property of Zoe"_s);
        }
    }

    void listSavedGames()
    {
        QTemporaryDir dir;
        QVERIFY(::listSavedGames(dir.path()).isEmpty());
        for (const char *name :
             {"b.qvn", "a.qvn", "A.qvn", ".qvn", "c.QVN", "d.qvn.tmp", "e.fav", "options.cfg"})
            QVERIFY(writeBytes(dir.filePath(QLatin1StringView(name)), "1\r\n"));
        QVERIFY(QDir(dir.path()).mkdir(u"folder.qvn"_s));
        QCOMPARE(::listSavedGames(dir.path()), QStringList({u".qvn"_s, u"A.qvn"_s, u"a.qvn"_s, u"b.qvn"_s}));
    }

    void switchGame()
    {
        const QByteArray good("2000\r\nA\r\n3\r\nAAPL\r\n0\r\n"),
            favs("[Quorvane Favorites File]\r\nMSFT\r\nA\r\n");
        for (const auto &[saved, favorites, withFavorites, loads] :
             {// no favourites: no file
              std::tuple(good, favs, true, true), std::tuple(good, QByteArray(), false, true),
              std::tuple(good, QByteArray(), true, false),
              std::tuple(QByteArray(""), favs, true, false)}) { // malformed files: tests/model
            QTemporaryDir dir;
            QVERIFY(writeBytes(dir.filePath(u"New.qvn"_s), saved));
            QVERIFY(favorites.isNull() || writeBytes(dir.filePath(u"New.fav"_s), favorites));
            GameState state;
            state.gameName = u"Running"_s;
            state.cash = Money::fromDollars(777);
            state.holdings = {{u"IBM"_s, 5}};
            state.openTradeDialogs = 1;
            QStringList list{u"IBM"_s};
            const FileStatus error = ::switchGame(dir.path(), u"New.qvn"_s, withFavorites, state, list);
            QCOMPARE(!error, loads);
            QVERIFY(loads || error->text().contains(u"New."));
            QCOMPARE(state.gameName, loads ? u"New"_s : u"Running"_s);
            QCOMPARE(state.cash, Money::fromDollars(loads ? 2000 : 777));
            QCOMPARE(state.holdings,
                     loads ? QList<Holding>({{u"A"_s, 3}, {u"AAPL"_s, 0}}) : QList<Holding>({{u"IBM"_s, 5}}));
            QCOMPARE(state.openTradeDialogs, 1);
            QCOMPARE(list, loads && withFavorites ? QStringList({u"MSFT"_s, u"A"_s}) : QStringList{u"IBM"_s});
        }
    }
};

QTEST_GUILESS_MAIN(TestGameNames)
#include "test_gamenames.moc"
