#pragma once

#include "model/orders.h"

#include <QDialog>

class OrderDesk;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Place Order": a limit or stop order for the selected stock, kept by the game until it fills,
// expires or is cancelled. Modeless; the stock list stays free, so the dialog names its stock.
class FrmOrder : public QDialog
{
    Q_OBJECT

public:
    explicit FrmOrder(OrderDesk &desk, QWidget *parent = nullptr);

    // Opens the dialog empty on the selected stock; when it is open already, it takes the
    // selected stock and keeps what was typed.
    void openOrder();

private:
    void cmdPlace_Click();
    OrderKind kind() const;

    OrderDesk &m_desk;
    QString m_ticker;

    QLabel *lblStock;
    QRadioButton *optLimitBuy;
    QRadioButton *optStopBuy;
    QRadioButton *optLimitSell;
    QRadioButton *optStopLoss;
    QLineEdit *txtQty;
    QLineEdit *txtPrice;
    QCheckBox *chkUntilCancelled;
    QDateEdit *dtpLastDay;
    QPushButton *cmdPlace;
    QPushButton *cmdCancel;
};
