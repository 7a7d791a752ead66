#pragma once

#include <QPointer>
#include <QWidget>

class FrmEvaluate;
class PortfolioSource;
class PortfolioValuation;
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

    // Fills the panel from the running game's saved game and shows it on top, then values the
    // holdings with one quote request. When the file cannot be read, says so and stays hidden.
    bool showFor(PortfolioSource &source);
    void cmdCloseStats_Click();
    // "Evaluate...": the evaluation window, made once and brought forward after that.
    void Command2_Click();
    FrmEvaluate *evaluationWindow() const;

private:
    void showFortune();

    QChartView *Pie;
    QPieSeries *m_slices;
    QLabel *lblTotalShares;
    QLabel *lblCompanies;
    QLabel *lblFortune;
    QListWidget *lstStats;
    QPushButton *cmdCloseStats;
    QPushButton *Command2;
    PortfolioSource *m_source = nullptr;
    PortfolioValuation *m_valuation = nullptr;
    QPointer<FrmEvaluate> m_evaluate;
};
