#include "frmstats.h"

#include "frmevaluate.h"
#include "model/numbertext.h"
#include "platform/desktop.h"
#include "platform/layoutscale.h"
#include "platform/messages.h"
#include "portfoliovaluation.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QListWidget>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>

namespace {
constexpr int kWidth = 669;
constexpr int kHeight = 430;

QLabel *label(QWidget *parent, const QString &text, const QRect &geometry, const QString &name = QString())
{
    auto *l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(LayoutScale::scaled(geometry));
    if (!name.isEmpty())
        l->setObjectName(name);
    return l;
}

QLabel *heading(QWidget *parent, const QString &text, const QRect &geometry)
{
    QLabel *l = label(parent, text, geometry);
    QFont bold = l->font();
    bold.setBold(true);
    l->setFont(bold);
    return l;
}
} // namespace

FrmStats::FrmStats(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmStats"));
    // Drawn over the other controls of the client area, so it needs its own background.
    setAutoFillBackground(true);
    setGeometry(LayoutScale::scaled(QRect(0, 0, kWidth, kHeight)));

    heading(this, QStringLiteral("Statistics for Player"), QRect(10, 8, 649, 22));
    label(this, QStringLiteral("Your current shares repartition :"), QRect(10, 36, 380, 18));

    m_slices = new QPieSeries(this);
    m_slices->setName(QStringLiteral("Owned Shares"));
    auto *chart = new QChart;
    chart->addSeries(m_slices);
    chart->setTitle(QStringLiteral("Owned Shares"));
    chart->legend()->setAlignment(Qt::AlignRight);
    Pie = new QChartView(chart, this);
    Pie->setObjectName(QStringLiteral("Pie"));
    Pie->setRenderHint(QPainter::Antialiasing);
    Pie->setGeometry(LayoutScale::scaled(QRect(10, 56, 380, 330)));

    heading(this, QStringLiteral("Global Statistics :"), QRect(400, 36, 259, 18));
    label(this, QStringLiteral("Total shares owned :"), QRect(410, 60, 150, 18));
    lblTotalShares =
        label(this, QStringLiteral("0"), QRect(565, 60, 94, 18), QStringLiteral("lblTotalShares"));
    label(this, QStringLiteral("Companies involved :"), QRect(410, 82, 150, 18));
    lblCompanies = label(this, QStringLiteral("0"), QRect(565, 82, 94, 18), QStringLiteral("lblCompanies"));
    label(this, QStringLiteral("Financial Fortune (USD) :"), QRect(410, 104, 150, 18));
    lblFortune = label(this, QStringLiteral("0"), QRect(565, 104, 94, 18), QStringLiteral("lblFortune"));

    lstStats = new QListWidget(this);
    lstStats->setObjectName(QStringLiteral("lstStats"));
    lstStats->setGeometry(LayoutScale::scaled(QRect(400, 130, 259, 256)));

    Command2 = new QPushButton(QStringLiteral("Evaluate..."), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(LayoutScale::scaled(QRect(10, 394, 100, 28)));
    cmdCloseStats = new QPushButton(QStringLiteral("Close"), this);
    cmdCloseStats->setObjectName(QStringLiteral("cmdCloseStats"));
    cmdCloseStats->setGeometry(LayoutScale::scaled(QRect(559, 394, 100, 28)));
    connect(cmdCloseStats, &QPushButton::clicked, this, &FrmStats::cmdCloseStats_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmStats::Command2_Click);

    hide();
}

bool FrmStats::showFor(PortfolioSource &source)
{
    if (m_source != &source) {
        delete m_valuation;
        m_source = &source;
        m_valuation = new PortfolioValuation(source, PortfolioValuation::Scope::LastTrades, this);
        connect(m_valuation, &PortfolioValuation::changed, this, &FrmStats::showFortune);
    }
    if (FileStatus error = m_valuation->refresh()) {
        hide();
        Messages::inform(parentWidget(), error->text(), QMessageBox::Warning);
        return false;
    }

    // With nothing held the pie is empty rather than showing an earlier game's shares.
    const HoldingsStatistics &stats = m_valuation->statistics();
    m_slices->clear();
    lstStats->clear();
    for (const Holding &h : stats.held) {
        QPieSlice *slice = m_slices->append(h.ticker, double(h.quantity));
        slice->setLabelVisible(true);
        lstStats->addItem(statisticsLine(h));
    }
    lblTotalShares->setText(QString::number(stats.totalShares));
    lblCompanies->setText(QString::number(stats.companies()));
    showFortune();

    show();
    raise();
    return true;
}

// The holdings at their last trade: one request, answered while the panel stays usable.
void FrmStats::showFortune()
{
    const QChar decimal = m_source->decimal();
    lblFortune->setToolTip(QString());
    if (m_valuation->statistics().held.isEmpty()) {
        lblFortune->setText(moneyToText(m_valuation->cash(), decimal));
    } else if (m_valuation->pendingRequests() > 0) {
        lblFortune->setText(QStringLiteral("\u2026"));
    } else if (const std::optional<Money> worth = m_valuation->evaluation().netWorth) {
        lblFortune->setText(moneyToText(*worth, decimal));
    } else {
        lblFortune->setText(QStringLiteral("N/A"));
        const QString &problem = m_valuation->quoteProblem();
        lblFortune->setToolTip(problem.isEmpty() ? QStringLiteral("No last trade is known for ") +
                                                       m_valuation->unpriced().join(QStringLiteral(", "))
                                                 : QStringLiteral("Not valued: ") + problem);
    }
}

void FrmStats::cmdCloseStats_Click()
{
    hide();
}

FrmEvaluate *FrmStats::evaluationWindow() const
{
    return m_evaluate;
}

void FrmStats::Command2_Click()
{
    if (!m_source)
        return;
    if (!m_evaluate) {
        m_evaluate = new FrmEvaluate(*m_source, window());
        Desktop::placeBeside(m_evaluate, window());
    }
    m_evaluate->refresh();
    m_evaluate->show();
    m_evaluate->raise();
    m_evaluate->activateWindow();
}
