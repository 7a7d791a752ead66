#pragma once

#include <QDialog>
#include <QList>

class StockFilterDesk;
class QCheckBox;
class QLabel;
class QPushButton;

// "Industries Filter": narrows the stock list to chosen sectors or to the favourites.
// Modeless; it is deleted when closed, so every opening starts with all sectors ticked.
class frmFilter : public QDialog
{
    Q_OBJECT

public:
    explicit frmFilter(StockFilterDesk &desk, QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CheckFavorites_Click();
    void cmdRefresh_Click();
    void cmdOk_Click();
    // Rebuilds the main window's stock list.
    void rebuildStockList();

    StockFilterDesk &m_desk;
    QCheckBox *CheckFavorites = nullptr;
    // The 11 sector boxes, in the order of filterBoxes() after the favourites.
    QList<QCheckBox *> m_sectorBoxes;
    QLabel *lblTicker = nullptr;
    QLabel *lblDescription = nullptr;
    QPushButton *cmdRefresh = nullptr;
    QPushButton *cmdOk = nullptr;
};
