#include "frmorders.h"

#include "orderdesk.h"
#include "platform/layoutscale.h"
#include "platform/messages.h"
#include "stockstory.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum Column { Ticker, Kind, Quantity, Price, Placed, GoodUntil, State, Columns };

QTableWidgetItem *cell(const QString &text, bool figure = false)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    // Figures line up on the right, as in the evaluation window.
    if (figure)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QString price(Money amount)
{
    return QString::fromLatin1(centsText(amount));
}

QString stateText(const Order &order)
{
    switch (order.state) {
    case OrderState::Open:
        return QStringLiteral("Open");
    case OrderState::Filled:
        return QStringLiteral("Filled at %1 on %2").arg(price(order.fillPrice), orderTimeText(order.closed));
    case OrderState::Cancelled:
        return QStringLiteral("Cancelled: ") + order.reason;
    }
    return QString();
}

} // namespace

FrmOrders::FrmOrders(OrderDesk &desk, QWidget *parent) : QWidget(parent, Qt::Window), m_desk(desk)
{
    setObjectName(QStringLiteral("frmOrders"));
    setWindowTitle(QStringLiteral("Orders"));

    lblPlainHost = new QLabel(QStringLiteral("This quote service cannot tell when orders fill: they fill "
                                             "only while the game runs, from the quotes it fetches."),
                              this);
    lblPlainHost->setObjectName(QStringLiteral("lblPlainHost"));
    lblPlainHost->setTextFormat(Qt::PlainText);
    lblPlainHost->setWordWrap(true);

    tblOrders = new QTableWidget(0, Columns, this);
    tblOrders->setObjectName(QStringLiteral("tblOrders"));
    tblOrders->setHorizontalHeaderLabels({QStringLiteral("Ticker"), QStringLiteral("Kind"),
                                          QStringLiteral("Quantity"), QStringLiteral("Price"),
                                          QStringLiteral("Placed"), QStringLiteral("Good until"),
                                          QStringLiteral("State")});
    tblOrders->verticalHeader()->hide();
    tblOrders->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblOrders->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblOrders->setSelectionMode(QAbstractItemView::SingleSelection);
    // Short columns as wide as their texts; the state, the longest, takes the rest.
    tblOrders->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tblOrders->horizontalHeader()->setStretchLastSection(true);
    // Room for a long row without scrolling: the window opens at its size hint.
    const QString longRow = QStringLiteral("WWWW Stop-loss sell 99999 9999.99 12/31/2026 10:15am "
                                           "Until cancelled Filled at 9999.99 on 12/31/2026 10:15am");
    tblOrders->setMinimumSize(tblOrders->fontMetrics().horizontalAdvance(longRow) + Columns * 12 +
                                  tblOrders->verticalScrollBar()->sizeHint().width(),
                              LayoutScale::scaled(180));

    cmdCancelOrder = new QPushButton(QStringLiteral("Cancel &Order"), this);
    cmdCancelOrder->setObjectName(QStringLiteral("cmdCancelOrder"));
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdCancelOrder, &QPushButton::clicked, this, &FrmOrders::cmdCancelOrder_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);
    connect(tblOrders, &QTableWidget::itemSelectionChanged, this, &FrmOrders::showSelection);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdCancelOrder);
    buttons->addStretch();
    buttons->addWidget(cmdClose);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblPlainHost);
    layout->addWidget(tblOrders, 1);
    layout->addLayout(buttons);
    refresh();
}

int FrmOrders::selectedId() const
{
    const QList<QTableWidgetItem *> selected = tblOrders->selectedItems();
    return selected.isEmpty() ? 0
                              : tblOrders->item(selected.first()->row(), Ticker)->data(Qt::UserRole).toInt();
}

void FrmOrders::refresh()
{
    lblPlainHost->setVisible(m_desk.fillsOnlyWhileRunning());
    const int keep = selectedId();
    QList<Order> orders = m_desk.orders();
    // Open orders as placed, then the closed ones, the latest first.
    std::stable_sort(orders.begin(), orders.end(), [](const Order &a, const Order &b) {
        if (a.isOpen() != b.isOpen())
            return a.isOpen();
        return !a.isOpen() && a.closed > b.closed;
    });
    const QSignalBlocker quiet(tblOrders);
    tblOrders->clearSelection();
    tblOrders->setRowCount(int(orders.size()));
    const QLocale c = QLocale::c();
    for (int r = 0; r < int(orders.size()); ++r) {
        const Order &o = orders[r];
        QTableWidgetItem *ticker = cell(o.ticker);
        ticker->setData(Qt::UserRole, o.id);
        ticker->setData(Qt::UserRole + 1, o.isOpen());
        tblOrders->setItem(r, Ticker, ticker);
        tblOrders->setItem(r, Kind, cell(orderKindText(o.kind)));
        tblOrders->setItem(r, Quantity, cell(QString::number(o.quantity), true));
        tblOrders->setItem(r, Price, cell(price(o.price), true));
        tblOrders->setItem(r, Placed, cell(orderTimeText(o.placed)));
        tblOrders->setItem(r, GoodUntil,
                           cell(o.goodUntil ? c.toString(*o.goodUntil, QStringLiteral("M/d/yyyy"))
                                            : QStringLiteral("Until cancelled")));
        tblOrders->setItem(r, State, cell(stateText(o)));
        if (o.id == keep)
            tblOrders->selectRow(r);
    }
    showSelection();
}

void FrmOrders::showSelection()
{
    const QList<QTableWidgetItem *> selected = tblOrders->selectedItems();
    cmdCancelOrder->setEnabled(
        !selected.isEmpty() &&
        tblOrders->item(selected.first()->row(), Ticker)->data(Qt::UserRole + 1).toBool());
}

void FrmOrders::cmdCancelOrder_Click()
{
    const int id = selectedId();
    if (id == 0)
        return;
    if (FileStatus error = m_desk.cancelOrder(id))
        Messages::inform(this, error->text(), QMessageBox::Warning);
    refresh();
}
