#pragma once

#include "trading/evaluation.h"

#include <QWidget>

#include <functional>

class PortfolioSource;
class PortfolioValuation;
class QChartView;
class QLabel;
class QLineSeries;
class QPushButton;
class QTabWidget;
class QTableWidget;

// "Portfolio Evaluation": a window of its own beside the main window, showing what the running
// game is worth against its start and against the market index, its holdings with their costs,
// a net-worth chart and the trade history. The figures that need the quote service arrive while
// the window stays usable; what the service could not tell is shown as not known, and why.
class FrmEvaluate : public QWidget
{
    Q_OBJECT

public:
    FrmEvaluate(PortfolioSource &source, QWidget *parent);

    // Reads the saved game and the history again and asks the service for prices.
    void refresh();
    // "Export...": the history as CSV where the player chooses.
    void cmdExport_Click();
    // Writes the history's CSV to `path`; false after telling the player why not.
    bool exportTo(const QString &path);

    // Where "Export..." asks for a file name; tests answer it themselves.
    using ExportChooser = std::function<QString(QWidget *parent, const QString &suggested)>;
    static void setExportChooser(ExportChooser chooser);

    const PortfolioValuation &valuation() const { return *m_valuation; }
    QLineSeries *worthSeries() const { return m_worthSeries; }
    QLineSeries *indexSeries() const { return m_indexSeries; }

private:
    void showFigures();
    void showIndex(const IndexComparison &index, const QDateTime &since, const Evaluation &e);
    void showHoldings(const Evaluation &e);
    void showTrades();
    void showChart(const Evaluation &e);
    QString money(Money amount) const;
    QString signedMoney(Money amount) const;
    QString percent(double value) const;

    PortfolioSource &m_source;
    PortfolioValuation *m_valuation;

    QLabel *lblNetWorth;
    QLabel *lblStartCash;
    QLabel *lblGain;
    QLabel *lblIndex;
    QLabel *lblVerdict;
    QLabel *lblRealised;
    QLabel *lblStatus;
    QTabWidget *tabs;
    QTableWidget *tblHoldings;
    QTableWidget *tblTrades;
    QChartView *chtWorth;
    QLineSeries *m_worthSeries;
    QLineSeries *m_indexSeries;
    QPushButton *cmdExport;
    QPushButton *cmdClose;
};
