#pragma once

#include "model/tradejournal.h"
#include "sync/marketdata.h"
#include "trading/evaluation.h"

#include <QHash>
#include <QWidget>

#include <functional>

class GameSession;
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
    FrmEvaluate(GameSession &session, QWidget *parent);

    // Reads the saved game and the history again and asks the service for prices.
    void refresh();
    // "Export...": the history as CSV where the player chooses.
    void cmdExport_Click();
    // Writes the history's CSV to `path`; false after telling the player why not.
    bool exportTo(const QString &path);

    // Where "Export..." asks for a file name; tests answer it themselves.
    using ExportChooser = std::function<QString(QWidget *parent, const QString &suggested)>;
    static void setExportChooser(ExportChooser chooser);

    // The requests of the last refresh still unanswered.
    int pendingRequests() const { return m_pending; }
    QLineSeries *worthSeries() const { return m_worthSeries; }
    QLineSeries *indexSeries() const { return m_indexSeries; }

    static constexpr char kIndexSymbol[] = "^QVC";

private:
    void showFigures();
    void showHoldings(const Evaluation &e);
    void showTrades();
    void showChart(const Evaluation &e);
    QString money(Money amount) const;
    QString signedMoney(Money amount) const;
    QString percent(double value) const;

    GameSession &m_session;
    int m_generation = 0;
    int m_pending = 0;
    Money m_cash;
    QList<Holding> m_holdings;
    Journal m_journal;
    QStringList m_problems;
    QHash<QString, double> m_prices;
    QStringList m_unpriced;
    QHash<QString, QList<DailyClose>> m_closes;
    QList<DailyClose> m_indexCloses;

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
