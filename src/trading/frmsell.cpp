#include "frmsell.h"

#include <QPushButton>
#include <QScrollBar>

frmSell::frmSell(TradeDesk &desk, QWidget *parent)
    : TradeDialog(TradeKind::Sell,
                  Captions{QStringLiteral("Sell"), QStringLiteral("SliderSell"),
                           QStringLiteral("Quantity Sold :"), QStringLiteral("Transaction Value :"),
                           QStringLiteral("cmdSell"), QStringLiteral("Sell")},
                  desk, parent),
      SliderSell(m_slider), cmdSell(m_confirm)
{
    setObjectName(QStringLiteral("frmSell"));
    connect(SliderSell, &QScrollBar::valueChanged, this, &frmSell::SliderSell_Change);
    connect(cmdSell, &QPushButton::clicked, this, &frmSell::cmdSell_Click);
}

void frmSell::SliderSell_Change(int value)
{
    sliderChanged(value);
}

void frmSell::cmdSell_Click()
{
    confirm();
}
