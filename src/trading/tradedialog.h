#pragma once

#include "trade.h"

#include <QDialog>

class TradeDesk;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

// Shows a refusal of the trading logic in a message box.
void showTradeMessage(QWidget *parent, const TradeMessage &message);

// What the buy and sell dialogs share: a quantity chosen by scroll bar or typed, the amount and
// the cash that would remain, and a confirmation that rewrites the saved game. Modeless; the
// stock list stays locked while it is open.
class TradeDialog : public QDialog
{
    Q_OBJECT

public:
    // Opens the dialog empty on the selected stock; when it is open already, only brings it
    // to the front.
    void openTrade();
    // True from the opening until the dialog closes, whatever closes it.
    bool isTrading() const { return m_counted; }

protected:
    struct Captions
    {
        QString title;
        QString sliderName;
        QString quantityCaption;
        QString amountCaption;
        QString confirmName;
        QString confirmCaption;
    };

    TradeDialog(TradeKind kind, const Captions &captions, TradeDesk &desk, QWidget *parent);

    void done(int result) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // The scroll bar and the confirm button carry the dialog's own names; their handlers call these.
    void sliderChanged(int value);
    void confirm();

    QScrollBar *m_slider;
    QPushButton *m_confirm;

private:
    void txtQty_Change(const QString &text);
    void txtQty_KeyPress(int key);
    void cmdCancel_Click();

    TradeKind m_kind;
    TradeDesk &m_desk;
    // Whether this dialog counts in the game's open trade dialogs.
    bool m_counted = false;

    QLabel *lblAlert;
    QLineEdit *txtQty;
    QLabel *lblPrice;
    QLineEdit *txtPay;
    QLineEdit *txtCash;
    QPushButton *cmdCancel;
};
