#include "frmorder.h"

#include "orderdesk.h"
#include "platform/layoutscale.h"
#include "tradedialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

FrmOrder::FrmOrder(OrderDesk &desk, QWidget *parent) : QDialog(parent), m_desk(desk)
{
    setObjectName(QStringLiteral("frmOrder"));
    setWindowTitle(QStringLiteral("Place Order"));
    setModal(false);

    lblStock = new QLabel(this);
    lblStock->setObjectName(QStringLiteral("lblStock"));
    lblStock->setTextFormat(Qt::PlainText);
    QFont bold = lblStock->font();
    bold.setBold(true);
    lblStock->setFont(bold);

    auto *kinds = new QGroupBox(QStringLiteral("Kind"), this);
    const auto option = [kinds](const char *name, const QString &caption) {
        auto *o = new QRadioButton(caption, kinds);
        o->setObjectName(QLatin1String(name));
        return o;
    };
    optLimitBuy = option("optLimitBuy", QStringLiteral("Li&mit buy (at or below the price)"));
    optStopBuy = option("optStopBuy", QStringLiteral("St&op buy (at or above)"));
    optLimitSell = option("optLimitSell", QStringLiteral("Limit s&ell (at or above)"));
    optStopLoss = option("optStopLoss", QStringLiteral("Stop-loss sell (at or &below)"));
    optLimitBuy->setChecked(true);
    auto *kindRows = new QVBoxLayout(kinds);
    for (QRadioButton *o : {optLimitBuy, optStopBuy, optLimitSell, optStopLoss})
        kindRows->addWidget(o);

    const auto edit = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setFixedWidth(LayoutScale::scaled(110));
        return e;
    };
    txtQty = edit("txtQty");
    txtPrice = edit("txtPrice");
    chkUntilCancelled = new QCheckBox(QStringLiteral("&Good until cancelled"), this);
    chkUntilCancelled->setObjectName(QStringLiteral("chkUntilCancelled"));
    dtpLastDay = new QDateEdit(this);
    dtpLastDay->setObjectName(QStringLiteral("dtpLastDay"));
    dtpLastDay->setCalendarPopup(true);
    dtpLastDay->setDisplayFormat(QStringLiteral("M/d/yyyy"));
    connect(chkUntilCancelled, &QCheckBox::toggled, dtpLastDay, &QWidget::setDisabled);

    // The check box heads the caption column, so the last day lines up with the other boxes.
    auto *fields = new QGridLayout;
    const auto field = [this, fields](int row, const QString &caption, QWidget *value) {
        auto *c = new QLabel(caption, this);
        c->setBuddy(value);
        fields->addWidget(c, row, 0);
        fields->addWidget(value, row, 1);
    };
    field(0, QStringLiteral("&Quantity :"), txtQty);
    field(1, QStringLiteral("P&rice (USD) :"), txtPrice);
    fields->addWidget(chkUntilCancelled, 2, 0);
    field(3, QStringLiteral("&Last day :"), dtpLastDay);
    fields->setColumnStretch(2, 1);

    cmdPlace = new QPushButton(QStringLiteral("&Place"), this);
    cmdPlace->setObjectName(QStringLiteral("cmdPlace"));
    // Enter places the order from any box.
    cmdPlace->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdPlace, &QPushButton::clicked, this, &FrmOrder::cmdPlace_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdPlace);
    buttons->addWidget(cmdCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblStock);
    layout->addWidget(kinds);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void FrmOrder::openOrder()
{
    m_ticker = m_desk.selectedTicker();
    lblStock->setText(QStringLiteral("Stock : ") + m_ticker);
    if (!isVisible()) {
        optLimitBuy->setChecked(true);
        txtQty->clear();
        txtPrice->clear();
        chkUntilCancelled->setChecked(true);
        dtpLastDay->setDate(QDate::currentDate().addDays(1));
        dtpLastDay->setEnabled(false);
        txtQty->setFocus();
    }
    show();
    raise();
    activateWindow();
}

OrderKind FrmOrder::kind() const
{
    if (optStopBuy->isChecked())
        return OrderKind::StopBuy;
    if (optLimitSell->isChecked())
        return OrderKind::LimitSell;
    if (optStopLoss->isChecked())
        return OrderKind::StopLossSell;
    return OrderKind::LimitBuy;
}

void FrmOrder::cmdPlace_Click()
{
    OrderDraft draft;
    draft.ticker = m_ticker;
    draft.kind = kind();
    draft.quantityText = txtQty->text();
    draft.priceText = txtPrice->text();
    if (!chkUntilCancelled->isChecked())
        draft.goodUntil = dtpLastDay->date();
    if (const std::optional<TradeMessage> refusal = m_desk.placeOrder(draft)) {
        showTradeMessage(this, *refusal);
        return;
    }
    accept();
}
