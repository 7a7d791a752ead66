// The options rules (optionsRefusal) in one table, then "Game Options" on a fake door: what it
// shows, what Save and Close hands over, and that the music choice reaches the player.
#include "common/casetable.h"
#include "common/fakedesks.h"
#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "common/recordingplayer.h"
#include "common/rows.h"
#include "common/testsession.h"
#include "extras/frmoptions.h"
#include "game/frmmain.h"
#include "game/optionschecks.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
struct RefusalCase
{
    const char *tag;
    QString game;
    bool proxy;
    QString host, port, text, title; // no text: saved
};
} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

private slots:
    void refusals_data()
    {
        const QString nf = u"File not found !"_s;
        const QString notFound =
            u"The savegame file %1 has not been found on your computer.\r\nCheck what you "
            u"entered carefully."_s;
        const QString badName =
            u"The default game cannot be \"%1\": a game name cannot hold %2. Nothing was saved."_s;
        const QString host = u"The \"Proxy Adress :\" box must hold a host name or address, without blanks. "
                             u"Nothing was saved."_s;
        const QString port =
            u"The \"Proxy Port :\" box must hold a whole number from 1 to 65535. Nothing was saved."_s;
        const QString reserved = u"any of the characters : * ? \" < > |"_s, slash = u"\"/\" or \"\\\""_s;
        caseRows<RefusalCase>({
            {"saved game, no proxy", u"player"_s, false, {}, {}, {}, {}},
            {"proxy off: its boxes unchecked", u"Rich"_s, false, u" "_s, u"x"_s, {}, {}},
            {"proxy, port 1, host trimmed", u"player"_s, true, u" proxy1 "_s, u"1"_s, {}, {}},
            {"proxy, port 65535", u"player"_s, true, u"10.0.0.1"_s, u"65535"_s, {}, {}},
            {"no such game", u"Nobody"_s, false, {}, {}, notFound.arg(u"Nobody"_s), nf},
            {"empty name", QString(), false, {}, {}, notFound.arg(QString()), nf},
            {"case counts", u"PLAYER"_s, false, {}, {}, notFound.arg(u"PLAYER"_s), nf},
            {"wildcard", u"pl*"_s, false, {}, {}, badName.arg(u"pl*"_s, reserved), {}},
            {"outside the folder", u"../player"_s, false, {}, {}, badName.arg(u"../player"_s, slash), {}},
            {"empty host", u"player"_s, true, u"  "_s, u"8080"_s, host, {}},
            {"blank inside host", u"player"_s, true, u"proxy 1"_s, u"8080"_s, host, {}},
            {"port 0", u"player"_s, true, u"proxy1"_s, u"0"_s, port, {}},
            {"port 65536", u"player"_s, true, u"proxy1"_s, u"65536"_s, port, {}},
            {"port with letters", u"player"_s, true, u"proxy1"_s, u"80a"_s, port, {}},
            {"no port", u"player"_s, true, u"proxy1"_s, QString(), port, {}},
        });
    }
    void refusals()
    {
        QFETCH(RefusalCase, c);
        TempProgramFolder folder;
        folder.write(u"player.qvn"_s, "1\r\n");
        folder.write(u"Rich.qvn"_s, "1\r\n");
        const std::optional<TradeMessage> refusal =
            optionsRefusal(SettingsChoice{c.game, false, true, c.proxy, c.host, c.port}, folder.path());
        QCOMPARE(refusal ? refusal->text : QString(), c.text);
        QCOMPARE(refusal ? refusal->title : QString(), c.title);
        QVERIFY(!refusal || refusal->icon == TradeMessage::Icon::Warning);
    }

    // What the settings in force put in each box. The proxy boxes are greyed while no proxy is
    // chosen and keep their text; a dark desktop keeps its own colours, greyed ones from its
    // disabled group, so typed text stays readable and a greyed caption still shows.
    void showsTheSettingsInForce_data()
    {
        QTest::addColumn<QString>("first"); // empty: nothing was read, the dialog's own defaults
        QTest::addColumn<bool>("on");
        QTest::addColumn<bool>("dark");
        row("everything on", u"[Quorvane Settings]"_s, true, false);
        row("nothing read", QString(), true, false);
        row("everything off, dark desktop", u"[Quorvane Settings]"_s, false, true);
    }
    void showsTheSettingsInForce()
    {
        QFETCH(QString, first);
        QFETCH(bool, on);
        QFETCH(bool, dark);
        const QPalette light = QApplication::palette();
        QPalette desktop = light;
        if (dark) {
            desktop = QPalette(QColor(0x30, 0x30, 0x30), QColor(0x20, 0x20, 0x20));
            desktop.setColor(QPalette::Disabled, QPalette::Base, QColor(0x28, 0x28, 0x28));
            desktop.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
        }
        QApplication::setPalette(desktop);
        const auto restore = qScopeGuard([&] { QApplication::setPalette(light); });
        FakeOptions desk;
        const QString yes = on ? u"Yes"_s : u"No"_s;
        desk.inForce = {
            first,       u"Rich"_s, u"LoadFavorites="_s + yes, u"EnableMusic="_s + yes, u"UseProxy="_s + yes,
            u"proxy1"_s, u"8080"_s};
        frmOptions dialog(desk);
        const auto box = [&](const char *name) {
            return dialog.findChild<QAbstractButton *>(QLatin1StringView(name));
        };
        QLineEdit *host = dialog.findChild<QLineEdit *>(u"Text1"_s);
        const bool proxy = on && !first.isEmpty(); // every box follows the file once it was read
        QCOMPARE(dialog.windowTitle(), u"Game Options"_s);
        QCOMPARE(dialog.findChild<QLineEdit *>(u"txtLoad"_s)->text(),
                 first.isEmpty() ? u"player"_s : u"Rich"_s);
        QCOMPARE(QList<bool>({box("CheckLoadFav")->isChecked(), box("CheckMusic")->isChecked(),
                              box("Option2")->isChecked(), !box("Option1")->isChecked(), host->isEnabled()}),
                 QList<bool>(5, proxy));
        QCOMPARE(host->text() + dialog.findChild<QLineEdit *>(u"Text2"_s)->text(),
                 proxy ? u"proxy18080"_s : QString());
        QVERIFY(dialog.findChild<QLabel *>(u"lblMusic"_s)->text().contains(u"Ticker Tape Morning"));
        // The box and caption colours as opened, then after a click on the other option.
        const auto was = [&](QPalette::ColorGroup group, QPalette::ColorRole role, const QColor &plain) {
            return dark ? desktop.color(group, role) : plain;
        };
        const QList<QColor> chosen{was(QPalette::Active, QPalette::Base, Qt::white),
                                   dialog.palette().color(QPalette::ButtonText)};
        const QList<QColor> greyed{was(QPalette::Disabled, QPalette::Base, QColor(224, 224, 224)),
                                   was(QPalette::Disabled, QPalette::WindowText, QColor(64, 64, 64))};
        const QLabel *caption = dialog.findChild<QLabel *>(u"lblProxyAddress"_s);
        for (const bool shown : {proxy, !proxy}) {
            const auto group = shown ? QPalette::Active : QPalette::Disabled;
            QCOMPARE(QList<QColor>({host->palette().color(group, QPalette::Base),
                                    caption->palette().color(QPalette::WindowText)}),
                     shown ? chosen : greyed);
            box(shown ? "Option1" : "Option2")->click();
        }
        QCOMPARE(host->text(), proxy ? u"proxy1"_s : QString());
        QVERIFY(desk.saved.isEmpty());
    }

    // Save and Close hands every box over; a refusal is shown and the dialog stays; Cancel hands nothing.
    void saveHandsOverTheChoice_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("refused");
        row("saved", u"cmdOk"_s, false);
        row("refused: shown, stays open", u"cmdOk"_s, true);
        row("cancel", u"cmdCancel"_s, false);
    }
    void saveHandsOverTheChoice()
    {
        QFETCH(QString, button);
        QFETCH(bool, refused);
        FakeOptions desk;
        if (refused)
            desk.refusal = TradeMessage{u"No."_s, u"Why"_s, TradeMessage::Icon::Warning};
        MessageRecorder messages;
        QPointer<frmOptions> dialog = new frmOptions(desk);
        dialog->show();
        int saved = 0;
        connect(dialog.data(), &frmOptions::saved, this, [&saved] { ++saved; });
        dialog->findChild<QLineEdit *>(u"txtLoad"_s)->setText(u"Rich"_s);
        dialog->findChild<QCheckBox *>(u"CheckLoadFav"_s)->setChecked(true);
        dialog->findChild<QCheckBox *>(u"CheckMusic"_s)->setChecked(false);
        dialog->findChild<QRadioButton *>(u"Option2"_s)->click();
        dialog->findChild<QLineEdit *>(u"Text1"_s)->setText(u"proxy1"_s);
        dialog->findChild<QLineEdit *>(u"Text2"_s)->setText(u"8080"_s);
        QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);
        const bool ok = button == u"cmdOk"_s;
        QCOMPARE(desk.saved.size(), ok ? 1 : 0);
        if (ok) {
            const SettingsChoice &c = desk.saved.first();
            QCOMPARE(QStringList({c.defaultGame, c.proxyHost, c.proxyPort}),
                     QStringList({u"Rich"_s, u"proxy1"_s, u"8080"_s}));
            QVERIFY(c.loadFavorites && !c.enableMusic && c.useProxy);
        }
        QCOMPARE(saved, ok && !refused ? 1 : 0);
        QCOMPARE(messages.texts(), refused ? QStringList{u"No."_s} : QStringList());
        if (refused) {
            QVERIFY(messages.shown.first().title == u"Why"_s &&
                    messages.shown.first().icon == QMessageBox::Warning);
            QVERIFY(dialog && dialog->isVisible());
            delete dialog;
        } else {
            QTRY_VERIFY(!dialog);
        }
    }

    // The window opens one dialog on the session's door and hands the saved music choice on;
    // what the music does with it: test_music.
    void musicChoiceReachesThePlayer()
    {
        for (const bool ticked : {false, true}) {
            TempProgramFolder folder;
            folder.writeSettings();
            folder.write(u"player.qvn"_s, "100\r\nIBM\r\n1\r\n");
            QStringList calls;
            BackgroundMusic music{std::make_unique<RecordingPlayer>(calls)};
            TestSession ts(folder.path());
            FrmMain main(ts.release(), MainWindowExtras{&music, nullptr});
            main.MnuProxy_Click();
            main.MnuProxy_Click();
            QCOMPARE(main.findChildren<frmOptions *>().size(), 1);
            auto *dialog = main.findChild<frmOptions *>();
            QVERIFY(dialog->isVisible() && !dialog->isModal());
            dialog->findChild<QCheckBox *>(u"CheckMusic"_s)->setChecked(ticked);
            calls.clear();
            QTest::mouseClick(dialog->findChild<QPushButton *>(u"cmdOk"_s), Qt::LeftButton);
            QCOMPARE(calls.join(u' '), ticked ? u"stop play"_s : u"stop"_s);
            QVERIFY(folder.read(u"options.cfg"_s).contains(ticked ? "EnableMusic=Yes" : "EnableMusic=No"));
            main.close();
            QCOMPARE(calls.last(), u"destroy"_s);
        }
    }
};

QTEST_MAIN(TestOptions)
#include "test_options.moc"
