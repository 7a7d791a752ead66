#pragma once

#include "tradedialog.h"

// Sells shares of the selected stock at its last trade; the proceeds go to the cash.
class frmSell : public TradeDialog
{
    Q_OBJECT

public:
    explicit frmSell(TradeDesk &desk, QWidget *parent = nullptr);

private:
    void SliderSell_Change(int value);
    void cmdSell_Click();

    QScrollBar *SliderSell;
    QPushButton *cmdSell;
};
