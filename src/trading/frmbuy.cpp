#include "frmbuy.h"

#include <QPushButton>
#include <QScrollBar>

frmBuy::frmBuy(TradeDesk &desk, QWidget *parent)
    : TradeDialog(TradeKind::Buy,
                  Captions{QStringLiteral("Buy"), QStringLiteral("SliderBuy"),
                           QStringLiteral("Desired Qty :"), QStringLiteral("Ammount To Pay :"),
                           QStringLiteral("cmdBuy"), QStringLiteral("Buy")},
                  desk, parent),
      SliderBuy(m_slider), cmdBuy(m_confirm)
{
    setObjectName(QStringLiteral("frmBuy"));
    connect(SliderBuy, &QScrollBar::valueChanged, this, &frmBuy::SliderBuy_Change);
    connect(cmdBuy, &QPushButton::clicked, this, &frmBuy::cmdBuy_Click);
}

void frmBuy::SliderBuy_Change(int value)
{
    sliderChanged(value);
}

void frmBuy::cmdBuy_Click()
{
    confirm();
}
