// The order dialog and the orders window on a fake door: what each control hands the door and
// that they show what it answers (the door's own checks: test_sessionorders).
#include "common/casetable.h"
#include "common/fakedesks.h"
#include "common/messagerecorder.h"
#include "trading/frmorder.h"
#include "trading/frmorders.h"
#include "trading/stockstory.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
// One order typed into the dialog: the kind chosen, whether the last day is kept, how it is
// placed, then the draft the door gets. A refused one keeps the dialog open.
struct PlaceCase
{
    const char *tag;
    const char *option;
    bool untilCancelled;
    Qt::Key key; // pressed in the price box; 0: Place clicked
    bool refused;
    const char *draft; // "tomorrow" stands for the day after today; "": none
};

QString draftText(const OrderDraft &d)
{
    return u"%1 %2 %3 %4 %5"_s.arg(d.ticker, orderKindText(d.kind), d.quantityText, d.priceText,
                                   d.goodUntil ? d.goodUntil->toString(Qt::ISODate) : u"-"_s);
}

QStringList rowTexts(const QTableWidget &t)
{
    QStringList rows;
    for (int r = 0; r < t.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < t.columnCount(); ++c)
            cells << t.item(r, c)->text();
        rows << cells.join(u'|');
    }
    return rows;
}

template <typename T> T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("no child %s", name);
    return c;
}
} // namespace
Q_DECLARE_METATYPE(PlaceCase)

class TestFrmOrders : public QObject
{
    Q_OBJECT

private slots:
    void placeOrder_data()
    {
        caseRows<PlaceCase>({
            {"limit buy, Place", "optLimitBuy", true, Qt::Key(0), false, "IBM Limit buy 50 25,50 -"},
            {"stop buy, Enter", "optStopBuy", true, Qt::Key_Return, false, "IBM Stop buy 50 25,50 -"},
            {"limit sell to a last day", "optLimitSell", false, Qt::Key(0), false,
             "IBM Limit sell 50 25,50 tomorrow"},
            {"stop-loss refused", "optStopLoss", true, Qt::Key(0), true, "IBM Stop-loss sell 50 25,50 -"},
            {"Escape", "optStopBuy", true, Qt::Key_Escape, false, ""},
        });
    }
    void placeOrder()
    {
        QFETCH(PlaceCase, c);
        MessageRecorder messages;
        FakeOrderDesk desk;
        desk.selected = u"IBM"_s;
        if (c.refused)
            desk.refusal = TradeMessage{u"Price (USD): no."_s, u"Place Order"_s, TradeMessage::Icon::Warning};
        FrmOrder dialog(desk);
        dialog.openOrder();
        QCOMPARE(child<QLabel>(dialog, "lblStock")->text(), u"Stock : IBM"_s);
        child<QRadioButton>(dialog, c.option)->click();
        auto *quantity = child<QLineEdit>(dialog, "txtQty");
        auto *price = child<QLineEdit>(dialog, "txtPrice");
        QTest::keyClicks(quantity, u"50"_s);
        QTest::keyClicks(price, u"25,50"_s);
        if (!c.untilCancelled)
            child<QCheckBox>(dialog, "chkUntilCancelled")->click();
        if (c.key)
            QTest::keyClick(price, c.key);
        else
            QTest::mouseClick(child<QPushButton>(dialog, "cmdPlace"), Qt::LeftButton);

        QStringList drafts;
        for (const OrderDraft &d : desk.placed)
            drafts << draftText(d);
        QString expected = QLatin1String(c.draft);
        expected.replace(u"tomorrow"_s, QDate::currentDate().addDays(1).toString(Qt::ISODate));
        QCOMPARE(drafts, expected.isEmpty() ? QStringList() : QStringList{expected});
        QCOMPARE(dialog.isVisible(), c.refused);
        QCOMPARE(messages.texts(), c.refused ? QStringList{u"Price (USD): no."_s} : QStringList());
        // Opened again, it keeps what was typed while open and starts empty once closed.
        dialog.openOrder();
        QCOMPARE(quantity->text() + price->text(), c.refused ? u"5025,50"_s : QString());
    }

    // Open orders first, then the closed ones newest first; only an open one can be cancelled,
    // and the door's refusal is a warning.
    void ordersWindow()
    {
        MessageRecorder messages;
        FakeOrderDesk desk;
        const QByteArray placed = "IBM;50;25.00;2026-12-09T10:15:00+01:00;2026-12-09T10:15:00+01:00;";
        desk.book = parseOrders("[Quorvane Orders File]\r\n1;FILLED;STOP-LOSS SELL;" + placed +
                                ";2026-12-09T11:02:00+01:00;24.95;\r\n2;OPEN;LIMIT BUY;" + placed +
                                "2026-12-31;;;\r\n3;CANCELLED;LIMIT SELL;" + placed +
                                ";2026-12-10T09:00:00+01:00;;not enough shares\r\n")
                        .orders;
        FrmOrders window(desk, nullptr);
        auto *table = child<QTableWidget>(window, "tblOrders");
        QCOMPARE(
            rowTexts(*table),
            (QStringList{
                u"IBM|Limit buy|50|25.00|12/9/2026 10:15am|12/31/2026|Open"_s,
                u"IBM|Limit sell|50|25.00|12/9/2026 10:15am|Until cancelled|Cancelled: not enough shares"_s,
                u"IBM|Stop-loss sell|50|25.00|12/9/2026 10:15am|Until cancelled|"
                u"Filled at 24.95 on 12/9/2026 11:02am"_s}));
        QCOMPARE(table->item(0, 3)->textAlignment(), int(Qt::AlignRight | Qt::AlignVCenter));
        auto *note = child<QLabel>(window, "lblPlainHost");
        QVERIFY(note->isHidden());
        desk.plainHost = true;
        window.refresh();
        QVERIFY(!note->isHidden());

        auto *cancel = child<QPushButton>(window, "cmdCancelOrder");
        table->selectRow(2);
        QVERIFY(!cancel->isEnabled());
        table->selectRow(0);
        desk.failure = FileError{u"/g/player.ord"_s, 0, u"the disk is full"_s, FileAction::Write};
        QTest::mouseClick(cancel, Qt::LeftButton);
        QCOMPARE(desk.cancelled, QList<int>{2});
        QCOMPARE(messages.texts(), QStringList{desk.failure->text()});
        QCOMPARE(messages.shown.first().icon, QMessageBox::Warning);
    }
};

QTEST_MAIN(TestFrmOrders)
#include "test_frmorders.moc"
