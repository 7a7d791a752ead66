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

    // One row per box: what the settings in force put in it; the proxy boxes are greyed while no
    // proxy is chosen and keep their text.
    void showsTheSettingsInForce_data()
    {
        QTest::addColumn<QString>("first"); // empty: nothing was read, the dialog's own defaults
        QTest::addColumn<bool>("on");
        row("everything on", u"[Quorvane Settings]"_s, true);
        row("everything off", u"[Quorvane Settings]"_s, false);
        row("nothing read", QString(), true);
    }
    void showsTheSettingsInForce()
    {
        QFETCH(QString, first);
        QFETCH(bool, on);
        FakeOptions desk;
        desk.inForce = {first,
                        u"Rich"_s,
                        on ? u"LoadFavorites=Yes"_s : u"No"_s,
                        on ? u"on"_s : u"EnableMusic=No"_s,
                        on ? u"UseProxy=Yes"_s : u"UseProxy=No"_s,
                        u"proxy1"_s,
                        u"8080"_s};
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
        QCOMPARE(host->palette().color(proxy ? QPalette::Active : QPalette::Disabled, QPalette::Base),
                 proxy ? QColor(Qt::white) : QColor(224, 224, 224));
        QCOMPARE(dialog.findChild<QLabel *>(u"lblProxyAddress"_s)->palette().color(QPalette::WindowText),
                 proxy ? dialog.palette().color(QPalette::ButtonText) : QColor(64, 64, 64));
        box("Option1")->click();
        box("Option2")->click();
        QCOMPARE(host->text(), proxy ? u"proxy1"_s : QString());
        QVERIFY(desk.saved.isEmpty());
    }

    // On a dark desktop the proxy boxes and captions take the palette's colours, greyed ones
    // from its disabled group: typed text stays readable and a greyed caption still shows.
    void darkDesktopKeepsTheProxyReadable()
    {
        QPalette dark(QColor(0x30, 0x30, 0x30), QColor(0x20, 0x20, 0x20));
        dark.setColor(QPalette::Disabled, QPalette::Base, QColor(0x28, 0x28, 0x28));
        dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
        const QPalette light = QApplication::palette();
        QApplication::setPalette(dark);
        FakeOptions desk;
        desk.inForce = {u"[Quorvane Settings]"_s, u"player"_s, u"No"_s, u"on"_s,
                        u"UseProxy=Yes"_s,        u"p"_s,      u"1"_s};
        frmOptions dialog(desk);
        QLineEdit *host = dialog.findChild<QLineEdit *>(u"Text1"_s);
        auto *caption = dialog.findChild<QLabel *>(u"lblProxyAddress"_s);
        QCOMPARE(host->palette().color(QPalette::Active, QPalette::Base),
                 dark.color(QPalette::Active, QPalette::Base));
        dialog.findChild<QAbstractButton *>(u"Option1"_s)->click();
        QCOMPARE(host->palette().color(QPalette::Disabled, QPalette::Base),
                 dark.color(QPalette::Disabled, QPalette::Base));
        QCOMPARE(caption->palette().color(QPalette::WindowText),
                 dark.color(QPalette::Disabled, QPalette::WindowText));
        QApplication::setPalette(light);
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
        for (const auto &[ticked, after] :
             {std::pair(false, QStringList{u"stop"_s}), std::pair(true, QStringList{u"stop"_s, u"play"_s})}) {
            TempProgramFolder folder;
            folder.writeSettings();
            folder.write(u"player.qvn"_s, "100\r\nIBM\r\n1\r\n");
            QStringList calls;
            BackgroundMusic music{std::make_unique<RecordingPlayer>(calls)};
            MainWindowExtras extras;
            extras.music = &music;
            TestSession ts(folder.path());
            FrmMain main(ts.release(), std::move(extras));
            main.MnuProxy_Click();
            main.MnuProxy_Click();
            QCOMPARE(main.findChildren<frmOptions *>().size(), 1);
            auto *dialog = main.findChild<frmOptions *>();
            QVERIFY(dialog->isVisible() && !dialog->isModal());
            dialog->findChild<QCheckBox *>(u"CheckMusic"_s)->setChecked(ticked);
            const qsizetype atStart = calls.size();
            QTest::mouseClick(dialog->findChild<QPushButton *>(u"cmdOk"_s), Qt::LeftButton);
            QCOMPARE(calls.mid(atStart), after);
            QVERIFY(folder.read(u"options.cfg"_s).contains(ticked ? "EnableMusic=Yes" : "EnableMusic=No"));
            main.close();
            QCOMPARE(calls.last(), u"destroy"_s);
        }
    }
};

QTEST_MAIN(TestOptions)
#include "test_options.moc"
