// The order dialog and the orders window on a fake door: what each control hands the door and
// that they show what it answers. The checks behind the real door are pinned in
// test_sessionorders.
#include "common/casetable.h"
#include "common/fakedesks.h"
#include "common/messagerecorder.h"
#include "trading/frmorder.h"
#include "trading/frmorders.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
// One order typed into the dialog: the kind chosen, whether the last day is kept, how it is
// placed, then the draft the door gets ("" when none) and whether the dialog stays open.
struct PlaceCase
{
    const char *tag;
    const char *option;
    bool untilCancelled;
    const char *how; // "click", "enter" or "escape"
    bool refused;
    const char *draft; // "tomorrow" stands for the day after today
    bool staysOpen;
};
} // namespace
Q_DECLARE_METATYPE(PlaceCase)

namespace {
QString draftText(const OrderDraft &d)
{
    const char *const kinds[] = {"LimitBuy", "StopBuy", "LimitSell", "StopLossSell"};
    return u"%1 %2 %3 %4 %5"_s.arg(d.ticker, QLatin1String(kinds[int(d.kind)]), d.quantityText, d.priceText,
                                   d.goodUntil ? d.goodUntil->toString(Qt::ISODate) : u"-"_s);
}

Order order(int id, OrderKind kind, OrderState state, const char *closed = "", int fillCents = 0,
            const char *reason = "")
{
    Order o;
    o.id = id;
    o.ticker = u"IBM"_s;
    o.kind = kind;
    o.quantity = 50;
    o.price = Money::fromUnits(2500 * (Money::kUnitsPerDollar / 100));
    o.placed = QDateTime::fromString(u"2026-12-09T10:15:00+01:00"_s, Qt::ISODate);
    o.state = state;
    o.closed = QDateTime::fromString(QLatin1String(closed), Qt::ISODate);
    o.fillPrice = Money::fromUnits(fillCents * (Money::kUnitsPerDollar / 100));
    o.reason = QLatin1String(reason);
    if (id == 2)
        o.goodUntil = QDate(2026, 12, 31);
    return o;
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

class TestFrmOrders : public QObject
{
    Q_OBJECT

private slots:
    void placeOrder_data()
    {
        caseRows<PlaceCase>({
            {"limit buy, Place", "optLimitBuy", true, "click", false, "IBM LimitBuy 50 25,50 -", false},
            {"stop buy, Enter", "optStopBuy", true, "enter", false, "IBM StopBuy 50 25,50 -", false},
            {"limit sell to a last day", "optLimitSell", false, "click", false,
             "IBM LimitSell 50 25,50 tomorrow", false},
            {"stop-loss refused", "optStopLoss", true, "click", true, "IBM StopLossSell 50 25,50 -", true},
            {"Escape", "optStopBuy", true, "escape", false, "", false},
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
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(child<QLabel>(dialog, "lblStock")->text(), u"Stock : IBM"_s);
        child<QRadioButton>(dialog, c.option)->click();
        auto *quantity = child<QLineEdit>(dialog, "txtQty");
        auto *price = child<QLineEdit>(dialog, "txtPrice");
        QTest::keyClicks(quantity, u"50"_s);
        QTest::keyClicks(price, u"25,50"_s);
        if (!c.untilCancelled)
            child<QCheckBox>(dialog, "chkUntilCancelled")->click();
        QCOMPARE(child<QDateEdit>(dialog, "dtpLastDay")->isEnabled(), !c.untilCancelled);
        const QString how = QLatin1String(c.how);
        if (how == u"click")
            QTest::mouseClick(child<QPushButton>(dialog, "cmdPlace"), Qt::LeftButton);
        else
            QTest::keyClick(price, how == u"enter" ? Qt::Key_Return : Qt::Key_Escape);

        QStringList drafts;
        for (const OrderDraft &d : desk.placed)
            drafts << draftText(d);
        QString expected = QLatin1String(c.draft);
        expected.replace(u"tomorrow"_s, QDate::currentDate().addDays(1).toString(Qt::ISODate));
        QCOMPARE(drafts, expected.isEmpty() ? QStringList() : QStringList{expected});
        QCOMPARE(dialog.isVisible(), c.staysOpen);
        QCOMPARE(messages.texts(), c.refused ? QStringList{u"Price (USD): no."_s} : QStringList());
        // Opened again, it keeps what was typed while open and starts empty once closed.
        dialog.openOrder();
        QCOMPARE(quantity->text() + price->text(), c.staysOpen ? u"5025,50"_s : QString());
    }

    // Open orders first, then the closed ones newest first; only an open one can be cancelled,
    // and the door's refusal is a warning.
    void ordersWindow()
    {
        MessageRecorder messages;
        FakeOrderDesk desk;
        desk.book = {order(1, OrderKind::StopLossSell, OrderState::Filled, "2026-12-09T11:02:00+01:00", 2495),
                     order(2, OrderKind::LimitBuy, OrderState::Open),
                     order(3, OrderKind::LimitSell, OrderState::Cancelled, "2026-12-10T09:00:00+01:00", 0,
                           "not enough shares")};
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
