// Something other than a file where the game reads one: every reader answers at once (open() of a
// FIFO would wait for ever), says what stands at which path, and leaves it as it was.
#include "common/fakes.h"
#include "common/files.h"
#include "common/notafile.h"
#include "common/scriptedrandom.h"
#include "extras/tips.h"
#include "game/gamenames.h"
#include "game/startup.h"
#include "model/gamefiles.h"
#include "model/stockcatalogue.h"
#include "model/tradejournal.h"
#include "sync/quotereader.h"
#include "sync/quotesync.h"
#include "sync/servicesconfig.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestReaders : public QObject
{
    Q_OBJECT

private slots:
    void notAFile_data()
    {
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("answer"); // %1: the path, %2: what stands there
        const QString refused =
            u" \"%1\" (it is a %2, not a file: remove it or put the real file in its place)"_s;
        const QString read = u"Cannot read the"_s, write = u"Cannot write the"_s;
        const QString unchanged = u"; nothing was changed."_s;
        const QString tip = u"1 tips: Tip of the Day - #1\r\n\r\n"_s;
        auto row = [](const QString &reader, const char *file, const QString &answer) {
            for (const char *thing : {"named pipe", "folder", "device"})
                QTest::addRow("%s: %s is a %s", qPrintable(reader), file, thing)
                    << reader << QString::fromLatin1(file) << answer;
        };
        row(u"saved game"_s, "Demo.qvn", read + u" saved game"_s + refused + u'.');
        row(u"cash"_s, "Demo.qvn", read + u" saved game"_s + refused + u'.');
        row(u"statistics"_s, "Demo.qvn", read + u" saved game"_s + refused + u'.');
        row(u"load preview"_s, "Demo.qvn", u"Available Money : the file cannot be read|Property of Demo"_s);
        row(u"favourites"_s, "Demo.fav", read + u" favourites file"_s + refused + u'.');
        row(u"add favourite"_s, "Demo.fav", write + u" favourites file"_s + refused + unchanged);
        row(u"settings"_s, "options.cfg", read + u" settings file"_s + refused + u'.');
        row(u"save options"_s, "options.cfg", write + u" settings file"_s + refused + unchanged);
        row(u"start-up"_s, "options.cfg", read + u" settings file"_s + refused + u'.');
        row(u"start-up"_s, "Demo.qvn", read + u" saved game"_s + refused + u'.');
        row(u"start-up"_s, "Demo.fav", read + u" favourites file"_s + refused + u'.');
        row(u"trade history"_s, "Demo.qvh", read + u" file"_s + refused + u'.');
        row(u"trade append"_s, "Demo.qvh", write + u" file"_s + refused + unchanged);
        row(u"services"_s, "services.cfg", u"127.0.0.1:8421 127.0.0.1:8421 http://127.0.0.1:8421/infos"_s);
        row(u"quote"_s, "quote.cfg", u"symbol \"\""_s);
        row(u"synchronize"_s, "quote.cfg",
            u"No quote can be downloaded: \"%1\", where the game stores each quote it receives, is a %2, "
            "not a file. Remove or rename it, then click \"Synchronize\" again."_s);
        row(u"tips"_s, "tips/0.txt", u"0 tips: "_s);
        row(u"tips"_s, "tips/1.txt", tip);
    }
    void notAFile()
    {
        QFETCH(QString, reader);
        QFETCH(QString, file);
        QFETCH(QString, answer);
        const QString thing = QString::fromLatin1(QTest::currentDataTag()).section(u" is a "_s, 1);
        QTemporaryDir dir;
        const QString folder = dir.path(), path = dir.filePath(file);
        // A whole game, so that only the row's file is in the way.
        QVERIFY(writeBytes(dir.filePath(u"options.cfg"_s),
                           "Q\r\nDemo\r\nLoadFavorites=Yes\r\nEnableMusic=No\r\n"
                           "UseProxy=No\r\nnull\r\nnull\r\n"));
        QVERIFY(writeBytes(dir.filePath(u"Demo.qvn"_s), newSavedGameBytes(u"100000"_s)));
        QVERIFY(writeBytes(dir.filePath(u"Demo.fav"_s), "[Quorvane Favorites File]\r\nIBM\r\n"));
        QVERIFY(writeBytes(dir.filePath(u"tips/0.txt"_s), "1\r\n"));
        QVERIFY(writeBytes(dir.filePath(u"tips/1.txt"_s), "Tip 1\r\n"));
        QFile::remove(path);
        if (!putNotAFile(path, thing))
            QSKIP("a device node needs root");
        const QMap<QString, QByteArray> before = snapshotFiles(folder);
        const mode_t type = statOf(path).st_mode & S_IFMT;

        GameState state;
        Settings settings;
        QStringList favorites;
        FileStatus error;
        QString got;
        if (reader == u"saved game")
            error = ReadSavedGame(folder, u"Demo"_s, state);
        else if (reader == u"cash")
            error = ReadSavedGameCash(folder, u"Demo.qvn"_s, state.cash);
        else if (reader == u"statistics") {
            SavedHoldings holdings;
            error = ReadHoldingsFromFile(folder, u"Demo"_s, 1, holdings);
        } else if (reader == u"load preview") {
            const SavedGamePreview preview = previewSavedGame(folder, u"Demo.qvn"_s);
            got = preview.moneyText + u'|' + preview.ownerText;
        } else if (reader == u"favourites")
            error = ReadFavorites(folder, u"Demo"_s, favorites);
        else if (reader == u"add favourite")
            error = AddFavorite(folder, u"Demo"_s, u"MSFT"_s);
        else if (reader == u"settings")
            error = ReadSettings(folder, settings);
        else if (reader == u"save options")
            error = WriteSettings(folder, SettingsChoice{u"Demo"_s, true, true, false, {}, {}}, settings);
        else if (reader == u"start-up") {
            const StartupState startup = loadStartup(folder);
            error = startup.problem;
            // No game is loaded, so nothing later rewrites what could not be read.
            QVERIFY(!startup.game.gameName);
            QCOMPARE(startup.game.cash, Money());
            QVERIFY(startup.game.holdings.isEmpty());
            QCOMPARE(startup.stockList, AllTickers());
            QVERIFY(startup.openInfoPage);
        } else if (reader == u"trade history") {
            Journal journal;
            error = ReadJournal(folder, u"Demo"_s, journal);
        } else if (reader == u"trade append")
            error = AppendToJournal(folder, u"Demo"_s, JournalEntry());
        else if (reader == u"services") {
            const ServicesConfig config = readServicesConfig(folder);
            got = config.quoteHost + u' ' + config.chartHost + u' ' + config.infoPage;
        } else if (reader == u"quote")
            got = u"symbol \"%1\""_s.arg(readQuoteFile(folder).symbol);
        else if (reader == u"synchronize") {
            QuotePanel panel;
            ProxySetting proxy;
            NumberFormat numbers;
            auto socket = std::make_unique<FakeSocket>();
            const FakeSocket &fake = *socket;
            QuoteSync sync(panel, proxy, numbers, folder, u"quotes.test:8421"_s, std::move(socket),
                           std::make_unique<FakeClock>());
            QSignalSpy messages(&sync, &QuoteSync::messageRequested);
            panel.lblQuote = u"IBM"_s;
            sync.cmdSync_Click();
            // Not ten attempts blaming the connection: one message, nothing sent.
            QCOMPARE(messages.count(), 1);
            got = messages.first().first().toString();
            QVERIFY(fake.connects.isEmpty());
            QVERIFY(sync.isSyncEnabled());
        } else {
            ScriptedRandom random({0.5f});
            TipsOfTheDay tips(folder, random);
            tips.ShowStartupTip();
            got = u"%1 tips: "_s.arg(tips.count()) + tips.caption();
        }
        if (got.isNull()) {
            QVERIFY(error);
            QCOMPARE(error->path, path);
            got = error->text();
        }
        QCOMPARE(got, answer.contains(u"%1") ? answer.arg(path, thing) : answer);
        QCOMPARE(statOf(path).st_mode & S_IFMT, type);
        QCOMPARE(snapshotFiles(folder), before);
    }
};

QTEST_GUILESS_MAIN(TestReaders)
#include "test_readers.moc"
