#pragma once

#include <QWidget>

class GameSession;
class QChartView;
class QLabel;
class QListWidget;
class QPieSeries;
class QPushButton;

// The statistics panel: drawn over the main window's whole client area while shown, it spreads
// the shares of the saved game over the stocks held.
class FrmStats : public QWidget
{
    Q_OBJECT

public:
    explicit FrmStats(QWidget *parent);

    // Fills the panel from the running game's saved game and shows it on top. When the file
    // cannot be read, says so and stays hidden.
    bool showFor(const GameSession &session);
    void cmdCloseStats_Click();

private:
    QChartView *Pie;
    QPieSeries *m_slices;
    QLabel *lblTotalShares;
    QLabel *lblCompanies;
    QLabel *lblFortune;
    QListWidget *lstStats;
    QPushButton *cmdCloseStats;
    QPushButton *Command2;
};
