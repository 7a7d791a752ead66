#include "common/messagerecorder.h"
#include "common/programfolder.h"
#include "model/atomicfile.h"
#include "model/gamefiles.h"
#include "model/numbertext.h"
#include "trading/frmbuy.h"
#include "trading/frmsell.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

namespace {
// How the player picks the quantity and confirms.
enum class Entry { Typed, ScrollBar, Enter };
} // namespace
Q_DECLARE_METATYPE(Entry)

namespace {
// A running game on disk and in memory with `held` shares of IBM between two other stocks.
struct Game
{
    TempProgramFolder folder;
    GameState state;
    QuotePanel panel;

    Game(const QByteArray &cash, int held, const QString &trade)
    {
        folder.write(QStringLiteral("player.qvn"),
                     cash + "\r\nAAPL\r\n0\r\nIBM\r\n" + QByteArray::number(held) + "\r\nMSFT\r\n3\r\n");
        state.gameName = QStringLiteral("player");
        ReadSavedGame(folder.path(), state.gameName, state);
        panel.lblQuote = QStringLiteral("IBM");
        panel.lblTrade = trade;
        panel.lblOwned = QString::number(held);
        panel.lblValue = QStringLiteral("before");
    }

    QByteArray fileWith(const QByteArray &cash, int held) const
    {
        return cash + "\r\nAAPL\r\n 0 \r\nIBM\r\n " + QByteArray::number(held) + " \r\nMSFT\r\n 3 \r\n";
    }
};

template <typename T> T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("no child %s", name);
    return c;
}

// Chooses the quantity the way the row says and confirms.
void enterQuantity(TradeDialog &dialog, Entry entry, const QString &quantity, bool buy)
{
    auto *txtQty = child<QLineEdit>(dialog, "txtQty");
    if (entry == Entry::ScrollBar) {
        child<QScrollBar>(dialog, buy ? "SliderBuy" : "SliderSell")->setValue(quantity.toInt());
        QCOMPARE(txtQty->text(), quantity);
    } else {
        QTest::keyClicks(txtQty, quantity);
    }
    if (entry == Entry::Enter)
        QTest::keyClick(txtQty, Qt::Key_Return);
    else
        QTest::mouseClick(child<QPushButton>(dialog, buy ? "cmdBuy" : "cmdSell"), Qt::LeftButton);
}
} // namespace

class TestFrmTrade : public QObject
{
    Q_OBJECT

private slots:
    void init() { setDecimalSeparator(QLatin1Char('.')); }
    void cleanup()
    {
        resetDecimalSeparator();
        setAtomicWriteHook({});
    }

    void trades_data()
    {
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<bool>("buy");
        QTest::addColumn<QByteArray>("cash");
        QTest::addColumn<QString>("trade");
        QTest::addColumn<int>("held");
        QTest::addColumn<int>("scrollMaximum");
        QTest::addColumn<int>("largeStep");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("message"); // empty when the trade goes through
        QTest::addColumn<QByteArray>("newCash");
        QTest::addColumn<int>("newHeld");
        QTest::addColumn<QString>("value");

        struct Row
        {
            const char *name;
            bool buy;
            QByteArray cash;
            const char *trade;
            int held, scrollMaximum, largeStep;
            const char *quantity, *message;
            QByteArray newCash;
            int newHeld;
            const char *value;
        };
        const char *poor = "You don't have enough money to do such an operation.";
        const char *notThatMany = "You don't have that many auctions to sell !";
        const char *whole = "Please enter a whole number of shares, 1 or more.";
        const Row rows[] = {
            {"buy 10 at 80 with 5 held", true, "10000", "80", 5, 125, 1, "10", "", "9200", 15, "1200"},
            {"buy 392 at 25.5", true, "10000", "25.5", 0, 392, 1, "392", "", "4", 392, "9996"},
            {"buy 400 at 25 leaves 0", true, "10000", "25", 0, 400, 1, "400", "", "0", 400, "10000"},
            {"buy 2 at 33.34", true, "100", "33.34", 0, 2, 1, "2", "", "33.32", 2, "66.68"},
            {"buy beyond the scroll bar", true, "100000", "1", 0, 32767, 1, "40000", "", "60000", 40000,
             "40000"},
            {"buy 2.0", true, "100", "1", 0, 100, 1, "2.0", "", "98", 2, "2"},
            {"buy 1 at 10.45 with 10.40 refused", true, "10.4", "10.45", 0, 0, 1, "1", poor, "", 0, ""},
            {"buy 393 at 25.5 refused", true, "10000", "25.5", 0, 392, 1, "393", poor, "", 0, ""},
            {"buy 3 at 33.34 refused", true, "100", "33.34", 0, 2, 1, "3", poor, "", 0, ""},
            {"buy nothing refused", true, "10000", "80", 5, 125, 1, "0", whole, "", 0, ""},
            {"buy empty refused", true, "10000", "80", 5, 125, 1, "", whole, "", 0, ""},
            {"buy -3 refused", true, "10000", "80", 5, 125, 1, "-3", whole, "", 0, ""},
            {"buy 2.5 refused", true, "10000", "80", 5, 125, 1, "2.5", whole, "", 0, ""},
            {"buy ten refused", true, "10000", "80", 5, 125, 1, "ten", whole, "", 0, ""},
            {"buy past the largest holding refused", true, "922337203685477", "80", 2147483600, 47, 1, "48",
             "A holding cannot exceed 2147483647 shares.", "", 0, ""},
            {"sell 5 of 15 at 80", false, "9200", "80", 15, 15, 1, "5", "", "9600", 10, "800"},
            {"sell 5 of 25, large step 2", false, "0", "80", 25, 25, 2, "5", "", "400", 20, "1600"},
            {"sell 10 of 10", false, "0", "80", 10, 10, 1, "10", "", "800", 0, "0"},
            {"sell 9 of 10", false, "0", "80", 10, 10, 1, "9", "", "720", 1, "80"},
            {"sell 11 of 10 refused", false, "0", "80", 10, 10, 1, "11", notThatMany, "", 0, ""},
            {"sell with none held refused", false, "0", "80", 0, 0, 1, "1", notThatMany, "", 0, ""},
            {"sell nothing refused", false, "0", "80", 10, 10, 1, "0", whole, "", 0, ""},
            {"sell -3 refused", false, "0", "80", 10, 10, 1, "-3", whole, "", 0, ""},
            {"sell 2.5 refused", false, "0", "80", 10, 10, 1, "2.5", whole, "", 0, ""},
            {"sell 3000000000 refused", false, "0", "80", 10, 10, 1, "3000000000", notThatMany, "", 0, ""},
        };
        for (const Row &r : rows) {
            for (Entry entry : {Entry::Typed, Entry::ScrollBar, Entry::Enter}) {
                const QString quantity = QString::fromLatin1(r.quantity);
                // The scroll bar reaches whole numbers from 1 to its maximum (0 is where it starts).
                if (entry == Entry::ScrollBar &&
                    (quantity.toInt() > r.scrollMaximum || quantity.toInt() < 1 ||
                     quantity != QString::number(quantity.toInt())))
                    continue;
                const char *how = entry == Entry::Typed       ? "typed"
                                  : entry == Entry::ScrollBar ? "scroll bar"
                                                              : "Enter";
                QTest::addRow("%s, %s", r.name, how)
                    << entry << r.buy << r.cash << QString::fromLatin1(r.trade) << r.held << r.scrollMaximum
                    << r.largeStep << quantity << QString::fromLatin1(r.message) << r.newCash << r.newHeld
                    << QString::fromLatin1(r.value);
            }
        }
    }
    void trades()
    {
        QFETCH(Entry, entry);
        QFETCH(bool, buy);
        QFETCH(QByteArray, cash);
        QFETCH(QString, trade);
        QFETCH(int, held);
        QFETCH(int, scrollMaximum);
        QFETCH(int, largeStep);
        QFETCH(QString, quantity);
        QFETCH(QString, message);
        QFETCH(QByteArray, newCash);
        QFETCH(int, newHeld);
        QFETCH(QString, value);

        Game game(cash, held, trade);
        const auto filesBefore = game.folder.snapshot();
        MessageRecorder messages;
        std::unique_ptr<TradeDialog> dialog;
        if (buy)
            dialog = std::make_unique<frmBuy>(game.folder.path(), game.state, game.panel);
        else
            dialog = std::make_unique<frmSell>(game.folder.path(), game.state, game.panel);
        QSignalSpy completed(dialog.get(), &TradeDialog::tradeCompleted);

        dialog->openTrade();
        QVERIFY(dialog->isVisible());
        QCOMPARE(game.state.openTradeDialogs, 1);
        QCOMPARE(dialog->windowTitle(), buy ? QStringLiteral("Buy") : QStringLiteral("Sell"));
        auto *slider = child<QScrollBar>(*dialog, buy ? "SliderBuy" : "SliderSell");
        QCOMPARE(slider->minimum(), 0);
        QCOMPARE(slider->maximum(), scrollMaximum);
        QCOMPARE(slider->pageStep(), largeStep);
        QCOMPARE(slider->value(), 0);
        for (const char *box : {"txtQty", "txtPay", "txtCash"})
            QVERIFY2(child<QLineEdit>(*dialog, box)->text().isEmpty(), box);
        QCOMPARE(child<QLabel>(*dialog, "lblPrice")->text(), QStringLiteral("x") + trade);
        QCOMPARE(child<QLabel>(*dialog, "lblAlert")->text(),
                 QStringLiteral("You're about to %1 IBM stocks at %2$ (USD) per unit.")
                     .arg(buy ? QStringLiteral("buy") : QStringLiteral("sell"), trade));

        enterQuantity(*dialog, entry, quantity, buy);

        if (!message.isEmpty()) {
            QCOMPARE(messages.texts(), QStringList{message});
            QCOMPARE(messages.shown.at(0).title, QStringLiteral("Quorvane"));
            QVERIFY(dialog->isVisible());
            QCOMPARE(game.state.openTradeDialogs, 1);
            QCOMPARE(child<QLineEdit>(*dialog, "txtQty")->text(), quantity);
            QCOMPARE(completed.count(), 0);
            QCOMPARE(game.folder.snapshot(), filesBefore);
            QCOMPARE(game.panel.lblOwned, QString::number(held));
            QCOMPARE(game.panel.lblValue, QStringLiteral("before"));
            dialog->close();
            QCOMPARE(game.state.openTradeDialogs, 0);
            return;
        }

        QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts().join('|')));
        QVERIFY(!dialog->isVisible());
        QCOMPARE(completed.count(), 1);
        QCOMPARE(game.state.openTradeDialogs, 0);
        QVERIFY(!game.state.isTrading());
        QCOMPARE(game.folder.read(QStringLiteral("player.qvn")), game.fileWith(newCash, newHeld));
        GameState reread;
        QVERIFY(!ReadSavedGame(game.folder.path(), QStringLiteral("player"), reread));
        QCOMPARE(reread.holdings, game.state.holdings);
        QCOMPARE(reread.cash, game.state.cash);
        QCOMPARE(moneyToText(game.state.cash).toLatin1(), newCash);
        QCOMPARE(game.panel.lblOwned, QString::number(newHeld));
        QCOMPARE(game.panel.lblValue, value);
        QCOMPARE(QDir(game.folder.path()).entryList(QDir::Files), QStringList{"player.qvn"});
    }

    void amountsFollowTheQuantity()
    {
        Game game("10000", 0, QStringLiteral("25.5"));
        frmBuy dialog(game.folder.path(), game.state, game.panel);
        dialog.openTrade();
        auto *txtQty = child<QLineEdit>(dialog, "txtQty");
        QTest::keyClicks(txtQty, QStringLiteral("3"));
        QCOMPARE(child<QLineEdit>(dialog, "txtPay")->text(), QStringLiteral("76.5"));
        QCOMPARE(child<QLineEdit>(dialog, "txtCash")->text(), QStringLiteral("9923.5"));
        txtQty->clear();
        QCOMPARE(child<QLineEdit>(dialog, "txtPay")->text(), QStringLiteral("0"));
        QCOMPARE(child<QLineEdit>(dialog, "txtCash")->text(), QStringLiteral("10000"));
        QVERIFY(child<QLineEdit>(dialog, "txtPay")->isReadOnly());
        QVERIFY(child<QLineEdit>(dialog, "txtCash")->isReadOnly());
        dialog.close();
    }

    // Whatever closes a dialog, it stops counting exactly once; the list stays locked while the
    // other dialog is open.
    void bothDialogsKeepTheListLocked_data()
    {
        QTest::addColumn<QString>("howBuyCloses");
        QTest::addRow("Cancel") << "cancel";
        QTest::addRow("Escape") << "escape";
        QTest::addRow("close box") << "close";
        QTest::addRow("completed") << "buy";
    }
    void bothDialogsKeepTheListLocked()
    {
        QFETCH(QString, howBuyCloses);
        Game game("10000", 5, QStringLiteral("80"));
        MessageRecorder messages;
        frmBuy buyDialog(game.folder.path(), game.state, game.panel);
        frmSell sellDialog(game.folder.path(), game.state, game.panel);
        buyDialog.openTrade();
        sellDialog.openTrade();
        QCOMPARE(game.state.openTradeDialogs, 2);

        if (howBuyCloses == QLatin1String("cancel"))
            QTest::mouseClick(child<QPushButton>(buyDialog, "cmdCancel"), Qt::LeftButton);
        else if (howBuyCloses == QLatin1String("escape"))
            QTest::keyClick(&buyDialog, Qt::Key_Escape);
        else if (howBuyCloses == QLatin1String("close"))
            buyDialog.close();
        else
            enterQuantity(buyDialog, Entry::Typed, QStringLiteral("1"), true);
        QVERIFY(messages.shown.isEmpty());
        QVERIFY(!buyDialog.isVisible());
        QCOMPARE(game.state.openTradeDialogs, 1);
        QVERIFY(game.state.isTrading());
        buyDialog.close();
        QCOMPARE(game.state.openTradeDialogs, 1);

        sellDialog.close();
        QCOMPARE(game.state.openTradeDialogs, 0);
        sellDialog.close();
        QCOMPARE(game.state.openTradeDialogs, 0);
    }

    void openingAgainOnlyRaises()
    {
        Game game("10000", 5, QStringLiteral("80"));
        frmBuy dialog(game.folder.path(), game.state, game.panel);
        dialog.openTrade();
        QTest::keyClicks(child<QLineEdit>(dialog, "txtQty"), QStringLiteral("7"));
        game.panel.lblTrade = QStringLiteral("90");
        dialog.openTrade();
        QCOMPARE(game.state.openTradeDialogs, 1);
        QCOMPARE(child<QLineEdit>(dialog, "txtQty")->text(), QStringLiteral("7"));
        QCOMPARE(child<QLabel>(dialog, "lblPrice")->text(), QStringLiteral("x80"));

        // After a close the next opening starts empty, at the price of the moment.
        dialog.close();
        dialog.openTrade();
        QCOMPARE(game.state.openTradeDialogs, 1);
        QVERIFY(child<QLineEdit>(dialog, "txtQty")->text().isEmpty());
        QVERIFY(child<QLineEdit>(dialog, "txtPay")->text().isEmpty());
        QCOMPARE(child<QLabel>(dialog, "lblPrice")->text(), QStringLiteral("x90"));
        QCOMPARE(child<QScrollBar>(dialog, "SliderBuy")->value(), 0);
        dialog.close();
    }

    void failedRewriteKeepsTheDialogOpen_data()
    {
        QTest::addColumn<bool>("buy");
        QTest::addColumn<bool>("fileGone");
        QTest::addRow("buy, write fails") << true << false;
        QTest::addRow("sell, write fails") << false << false;
        QTest::addRow("buy, saved game gone") << true << true;
    }
    void failedRewriteKeepsTheDialogOpen()
    {
        QFETCH(bool, buy);
        QFETCH(bool, fileGone);
        Game game("10000", 15, QStringLiteral("80"));
        const QByteArray saved = game.folder.read(QStringLiteral("player.qvn"));
        if (fileGone)
            QFile::remove(game.folder.file(QStringLiteral("player.qvn")));
        const auto filesBefore = game.folder.snapshot();
        const Money cashBefore = game.state.cash;
        MessageRecorder messages;
        std::unique_ptr<TradeDialog> dialog;
        if (buy)
            dialog = std::make_unique<frmBuy>(game.folder.path(), game.state, game.panel);
        else
            dialog = std::make_unique<frmSell>(game.folder.path(), game.state, game.panel);
        QSignalSpy completed(dialog.get(), &TradeDialog::tradeCompleted);
        dialog->openTrade();
        if (!fileGone)
            setAtomicWriteHook([](qint64) { return false; });
        enterQuantity(*dialog, Entry::Typed, QStringLiteral("5"), buy);

        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(messages.shown.at(0).text.contains(QStringLiteral("player.qvn")));
        QVERIFY(dialog->isVisible());
        QCOMPARE(game.state.openTradeDialogs, 1);
        QCOMPARE(completed.count(), 0);
        QCOMPARE(game.folder.snapshot(), filesBefore);
        QCOMPARE(game.state.cash, cashBefore);
        QCOMPARE(game.state.holdings.at(1).quantity, 15);
        QCOMPARE(game.panel.lblOwned, QStringLiteral("15"));
        QCOMPARE(game.panel.lblValue, QStringLiteral("before"));

        // Once the disk is back the same dialog completes the trade.
        setAtomicWriteHook({});
        game.folder.write(QStringLiteral("player.qvn"), saved);
        QTest::keyClick(child<QLineEdit>(*dialog, "txtQty"), Qt::Key_Return);
        QCOMPARE(completed.count(), 1);
        QCOMPARE(game.state.openTradeDialogs, 0);
        QCOMPARE(game.state.holdings.at(1).quantity, buy ? 20 : 10);
    }

    void buttonRefusalsAreShown_data()
    {
        QTest::addColumn<bool>("buy");
        QTest::addColumn<QString>("trade");
        QTest::addColumn<QByteArray>("cash");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("text");
        QTest::addRow("program's title, no icon")
            << false << "" << QByteArray("10000") << "Quorvane" << int(QMessageBox::NoIcon)
            << "You must synchronize before selling !";
        QTest::addRow("own title, information icon")
            << true << "80" << QByteArray("10") << "Unable to buy" << int(QMessageBox::Information)
            << "You don't have enough money to buy at least one share.";
    }
    void buttonRefusalsAreShown()
    {
        QFETCH(bool, buy);
        QFETCH(QString, trade);
        QFETCH(QByteArray, cash);
        QFETCH(QString, title);
        QFETCH(int, icon);
        QFETCH(QString, text);
        Game game(cash, 5, trade);
        MessageRecorder messages;
        const std::optional<TradeMessage> refusal =
            buy ? buyRefusal(game.panel, game.state) : sellRefusal(game.panel);
        QVERIFY(refusal);
        showTradeMessage(nullptr, *refusal);
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown.at(0).title, title);
        QCOMPARE(int(messages.shown.at(0).icon), icon);
        QCOMPARE(messages.shown.at(0).text, text);
        QCOMPARE(messages.shown.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
};

QTEST_MAIN(TestFrmTrade)
#include "test_frmtrade.moc"
