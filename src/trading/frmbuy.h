#pragma once

#include "tradedialog.h"

// Buys shares of the selected stock at its last trade, paid from the cash.
class frmBuy : public TradeDialog
{
    Q_OBJECT

public:
    explicit frmBuy(TradeDesk &desk, QWidget *parent = nullptr);

private:
    void SliderBuy_Change(int value);
    void cmdBuy_Click();

    QScrollBar *SliderBuy;
    QPushButton *cmdBuy;
};
