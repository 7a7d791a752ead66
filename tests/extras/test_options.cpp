// "Game Options": what it shows, what "Save and Close" writes and refuses, and what takes
// effect at once (the proxy of the next download, the music).
#include "common/failingreplacer.h"
#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "common/recordingplayer.h"
#include "common/testsession.h"
#include "game/frmmain.h"
#include "model/gamefiles.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {
const QByteArray kDefault =
    "[Quorvane Settings]\r\nplayer\r\nLoadFavorites=No\r\nEnableMusic=Yes\r\nUseProxy=No\r\n"
    "null\r\nnull\r\n";

struct Window
{
    explicit Window(const QByteArray &settings = kDefault, FileReplacer &replacer = FileReplacer::onDisk())
    {
        folder.write(QStringLiteral("options.cfg"), settings);
        for (const char *game : {"player", "Rich"})
            folder.write(QLatin1String(game) + QStringLiteral(".qvn"),
                         newSavedGameBytes(QStringLiteral("100000")));
        TestSession ts(folder.path(), NumberFormat{}, replacer);
        socket = ts.socket;
        MainWindowExtras extras;
        extras.music = &music;
        main = std::make_unique<FrmMain>(ts.release(), std::move(extras));
        main->MnuProxy_Click();
    }
    QDialog *dialog() const { return main->findChild<QDialog *>(QStringLiteral("frmOptions")); }
    template <class W> W *get(const char *name) const
    {
        return dialog()->findChild<W *>(QLatin1String(name));
    }
    void type(const char *box, const QString &text) const { get<QLineEdit>(box)->setText(text); }
    void save() const { QTest::mouseClick(get<QPushButton>("cmdOk"), Qt::LeftButton); }

    TempProgramFolder folder;
    MessageRecorder messages;
    QStringList calls;
    BackgroundMusic music{std::make_unique<RecordingPlayer>(calls)};
    FakeSocket *socket = nullptr;
    std::unique_ptr<FrmMain> main;
};

QByteArray settingsFile(const QByteArray &game, const QByteArray &fav, const QByteArray &music,
                        const QByteArray &proxy, const QByteArray &host, const QByteArray &port)
{
    return "[Quorvane Settings]\r\n" + game + "\r\n" + fav + "\r\n" + music + "\r\n" + proxy + "\r\n" + host +
           "\r\n" + port + "\r\n";
}
} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

private slots:
    void opensOnTheSettingsInForce_data();
    void opensOnTheSettingsInForce();
    void proxyChoiceGreysTheBoxesAndKeepsTheText();
    void saveWritesTheFileAndTheProxyTakesEffect();
    void refusalsWriteNothing_data();
    void refusalsWriteNothing();
    void cancelWritesNothing();
    void failedWriteKeepsFileAndSettings_data();
    void failedWriteKeepsFileAndSettings();
    void musicChoiceIsAppliedOnSave_data();
    void musicChoiceIsAppliedOnSave();
};

void TestOptions::opensOnTheSettingsInForce_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("game");
    QTest::addColumn<bool>("favorites");
    QTest::addColumn<bool>("music");
    QTest::addColumn<bool>("proxy");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");

    QTest::addRow("shipped") << kDefault << QStringLiteral("player") << false << true << false << QString()
                             << QString();
    QTest::addRow("everything on") << settingsFile("Rich", "LoadFavorites=Yes", "EnableMusic=Yes",
                                                   "UseProxy=Yes", "proxy1", "8080")
                                   << QStringLiteral("Rich") << true << true << true
                                   << QStringLiteral("proxy1") << QStringLiteral("8080");
    QTest::addRow("music off, proxy lines kept but off")
        << settingsFile("player", "LoadFavorites=No", "EnableMusic=No", "UseProxy=No", "old", "3128")
        << QStringLiteral("player") << false << false << false << QString() << QString();
}

void TestOptions::opensOnTheSettingsInForce()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, game);
    QFETCH(bool, favorites);
    QFETCH(bool, music);
    QFETCH(bool, proxy);
    QFETCH(QString, host);
    QFETCH(QString, port);
    Window w(file);
    QVERIFY(w.dialog() && w.dialog()->isVisible() && !w.dialog()->isModal());
    QCOMPARE(w.dialog()->windowTitle(), QStringLiteral("Game Options"));
    QCOMPARE(w.get<QLineEdit>("txtLoad")->text(), game);
    QCOMPARE(w.get<QCheckBox>("CheckLoadFav")->isChecked(), favorites);
    QCOMPARE(w.get<QCheckBox>("CheckMusic")->isChecked(), music);
    QCOMPARE(w.get<QRadioButton>("Option2")->isChecked(), proxy);
    QCOMPARE(w.get<QRadioButton>("Option1")->isChecked(), !proxy);
    QCOMPARE(w.get<QLineEdit>("Text1")->text(), host);
    QCOMPARE(w.get<QLineEdit>("Text2")->text(), port);
    QVERIFY(w.get<QLabel>("lblMusic")->text().contains(u"Ticker Tape Morning"));
}

void TestOptions::proxyChoiceGreysTheBoxesAndKeepsTheText()
{
    Window w;
    QLineEdit *host = w.get<QLineEdit>("Text1");
    QLabel *caption = w.get<QLabel>("lblProxyAddress");
    QVERIFY(!host->isEnabled());
    QCOMPARE(host->palette().color(QPalette::Disabled, QPalette::Base), QColor(224, 224, 224));
    QCOMPARE(caption->palette().color(QPalette::WindowText), QColor(64, 64, 64));
    w.get<QRadioButton>("Option2")->click();
    QVERIFY(host->isEnabled());
    QCOMPARE(host->palette().color(QPalette::Active, QPalette::Base), QColor(Qt::white));
    QCOMPARE(caption->palette().color(QPalette::WindowText),
             w.dialog()->palette().color(QPalette::ButtonText));
    w.type("Text1", QStringLiteral("proxy1"));
    w.get<QRadioButton>("Option1")->click();
    w.get<QRadioButton>("Option2")->click();
    QCOMPARE(host->text(), QStringLiteral("proxy1"));
}

void TestOptions::saveWritesTheFileAndTheProxyTakesEffect()
{
    Window w;
    w.type("txtLoad", QStringLiteral("Rich"));
    w.get<QCheckBox>("CheckLoadFav")->setChecked(true);
    w.get<QRadioButton>("Option2")->click();
    w.type("Text1", QStringLiteral("proxy1"));
    w.type("Text2", QStringLiteral("8080"));
    w.save();
    QVERIFY(w.messages.shown.isEmpty());
    QTRY_VERIFY(!w.dialog());
    QCOMPARE(w.folder.read(QStringLiteral("options.cfg")),
             settingsFile("Rich", "LoadFavorites=Yes", "EnableMusic=Yes", "UseProxy=Yes", "proxy1", "8080"));
    QVERIFY(!QFileInfo::exists(w.folder.file(QStringLiteral("options2.cfg"))));

    // The next quote goes through the proxy, without a restart.
    w.main->session().selectStock(QStringLiteral("IBM"));
    QCOMPARE(w.socket->connects.last(), (QPair<QString, quint16>(QStringLiteral("proxy1"), 8080)));
    w.socket->accept();
    QVERIFY2(w.socket->sent.startsWith("GET http://"), w.socket->sent.constData());
}

void TestOptions::refusalsWriteNothing_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("says");

    const QString notFound = QStringLiteral("File not found !");
    const QString program = QStringLiteral("Quorvane");
    QTest::addRow("no such game") << QStringLiteral("Nobody") << QString() << QString() << notFound
                                  << QStringLiteral(
                                         "The savegame file Nobody has not been found on your computer.\r\n"
                                         "Check what you entered carefully.");
    QTest::addRow("empty name") << QString() << QString() << QString() << notFound
                                << QStringLiteral("The savegame file  has not been found");
    QTest::addRow("case counts") << QStringLiteral("PLAYER") << QString() << QString() << notFound
                                 << QStringLiteral("PLAYER has not been found");
    QTest::addRow("wildcard") << QStringLiteral("pl*") << QString() << QString() << program
                              << QStringLiteral("cannot hold any of the characters");
    QTest::addRow("outside the folder") << QStringLiteral("../player") << QString() << QString() << program
                                        << QStringLiteral("cannot hold \"/\"");
    QTest::addRow("empty host") << QStringLiteral("player") << QStringLiteral("  ") << QStringLiteral("8080")
                                << program << QStringLiteral("\"Proxy Adress :\"");
    QTest::addRow("blank inside host")
        << QStringLiteral("player") << QStringLiteral("proxy 1") << QStringLiteral("8080") << program
        << QStringLiteral("\"Proxy Adress :\"");
    QTest::addRow("port 0") << QStringLiteral("player") << QStringLiteral("proxy1") << QStringLiteral("0")
                            << program << QStringLiteral("\"Proxy Port :\"");
    QTest::addRow("port 65536") << QStringLiteral("player") << QStringLiteral("proxy1")
                                << QStringLiteral("65536") << program << QStringLiteral("\"Proxy Port :\"");
    QTest::addRow("port with letters")
        << QStringLiteral("player") << QStringLiteral("proxy1") << QStringLiteral("80a") << program
        << QStringLiteral("\"Proxy Port :\"");
    QTest::addRow("no port") << QStringLiteral("player") << QStringLiteral("proxy1") << QString() << program
                             << QStringLiteral("\"Proxy Port :\"");
}

void TestOptions::refusalsWriteNothing()
{
    QFETCH(QString, game);
    QFETCH(QString, host);
    QFETCH(QString, port);
    QFETCH(QString, title);
    QFETCH(QString, says);
    Window w;
    w.type("txtLoad", game);
    if (!host.isEmpty() || !port.isEmpty()) {
        w.get<QRadioButton>("Option2")->click();
        w.type("Text1", host);
        w.type("Text2", port);
    }
    const auto before = w.folder.snapshot();
    w.save();
    QCOMPARE(w.messages.shown.size(), 1);
    QCOMPARE(w.messages.shown.first().title, title);
    QCOMPARE(w.messages.shown.first().icon, QMessageBox::Warning);
    QVERIFY2(w.messages.texts().first().contains(says), qPrintable(w.messages.texts().first()));
    QCOMPARE(w.folder.snapshot(), before);
    QVERIFY(w.dialog() && w.dialog()->isVisible());
    QVERIFY(w.calls.endsWith(QStringLiteral("play"))); // the music was not touched
}

void TestOptions::cancelWritesNothing()
{
    Window w;
    w.get<QCheckBox>("CheckMusic")->setChecked(false);
    const auto before = w.folder.snapshot();
    const QStringList calls = w.calls;
    QTest::mouseClick(w.get<QPushButton>("cmdCancel"), Qt::LeftButton);
    QTRY_VERIFY(!w.dialog());
    QCOMPARE(w.folder.snapshot(), before);
    QCOMPARE(w.calls, calls);
}

void TestOptions::failedWriteKeepsFileAndSettings_data()
{
    QTest::addColumn<bool>("removed");
    QTest::addRow("rename refused") << false;
    QTest::addRow("options.cfg removed meanwhile") << true;
}

void TestOptions::failedWriteKeepsFileAndSettings()
{
    QFETCH(bool, removed);
    FailingReplacer replacer;
    replacer.failCommitFrom = removed ? -1 : 0;
    Window w(kDefault, replacer);
    if (removed)
        QVERIFY(QFile::remove(w.folder.file(QStringLiteral("options.cfg"))));
    w.get<QCheckBox>("CheckMusic")->setChecked(false);
    w.get<QRadioButton>("Option2")->click();
    w.type("Text1", QStringLiteral("proxy1"));
    w.type("Text2", QStringLiteral("8080"));
    w.save();
    QCOMPARE(w.messages.shown.size(), 1);
    QVERIFY2(w.messages.texts().first().contains(u"options.cfg"), qPrintable(w.messages.texts().first()));
    QCOMPARE(w.folder.read(QStringLiteral("options.cfg")), removed ? QByteArray() : kDefault);
    QCOMPARE(QFileInfo::exists(w.folder.file(QStringLiteral("options.cfg"))), !removed);
    QVERIFY(w.dialog() && w.dialog()->isVisible());
    QCOMPARE(w.main->session().settings().musicLine, QStringLiteral("EnableMusic=Yes"));
    QVERIFY(!w.main->session().market().proxy().enabled);
}

void TestOptions::musicChoiceIsAppliedOnSave_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QStringList>("after");
    QTest::addRow("cleared: stops") << false << QStringList{QStringLiteral("stop")};
    QTest::addRow("ticked: stops and plays again")
        << true << QStringList{QStringLiteral("stop"), QStringLiteral("play")};
}

void TestOptions::musicChoiceIsAppliedOnSave()
{
    QFETCH(bool, ticked);
    QFETCH(QStringList, after);
    Window w;
    const qsizetype atStart = w.calls.size();
    w.get<QCheckBox>("CheckMusic")->setChecked(ticked);
    w.save();
    QCOMPARE(w.calls.mid(atStart), after);
    QVERIFY(
        w.folder.read(QStringLiteral("options.cfg")).contains(ticked ? "EnableMusic=Yes" : "EnableMusic=No"));
    w.main->close();
    QCOMPARE(w.calls.last(), QStringLiteral("destroy"));
}

QTEST_MAIN(TestOptions)
#include "test_options.moc"
