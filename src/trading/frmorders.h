#pragma once

#include <QWidget>

class OrderDesk;
class QLabel;
class QPushButton;
class QTableWidget;

// "Orders": every limit and stop order of the running game, open ones first, then the closed
// ones newest first, with how each ended. An open order can be cancelled from here.
class FrmOrders : public QWidget
{
    Q_OBJECT

public:
    FrmOrders(OrderDesk &desk, QWidget *parent);

    // Draws the orders again from the door, keeping the selected order selected.
    void refresh();
    void cmdCancelOrder_Click();

private:
    // The id of the selected order, or 0.
    int selectedId() const;
    void showSelection();

    OrderDesk &m_desk;

    QLabel *lblPlainHost;
    QTableWidget *tblOrders;
    QPushButton *cmdCancelOrder;
    QPushButton *cmdClose;
};
