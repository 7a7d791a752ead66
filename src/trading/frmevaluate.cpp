#include "frmevaluate.h"

#include "model/numbertext.h"
#include "platform/messages.h"
#include "portfoliovaluation.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

FrmEvaluate::ExportChooser &exportChooser()
{
    static FrmEvaluate::ExportChooser chooser = [](QWidget *parent, const QString &suggested) {
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Export the trade history"), suggested,
                                            QStringLiteral("CSV files (*.csv);;All files (*)"));
    };
    return chooser;
}

// A cell that sorts by the number behind it rather than by its text.
class Cell : public QTableWidgetItem
{
public:
    Cell(const QString &text, const QVariant &key) : QTableWidgetItem(text)
    {
        setData(Qt::UserRole, key);
        setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        if (key.typeId() == QMetaType::Double || key.typeId() == QMetaType::LongLong)
            setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTableWidgetItem &other) const override
    {
        const QVariant a = data(Qt::UserRole);
        const QVariant b = other.data(Qt::UserRole);
        if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
            return a.toString() < b.toString();
        // Unknown figures sort first.
        if (!a.isValid() || !b.isValid())
            return !a.isValid() && b.isValid();
        return a.toDouble() < b.toDouble();
    }
};

QLabel *valueLabel(const QString &name)
{
    auto *l = new QLabel(QStringLiteral("\u2026"));
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QTableWidget *table(const QString &name, const QStringList &headings)
{
    auto *t = new QTableWidget(0, int(headings.size()));
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(headings);
    t->verticalHeader()->hide();
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The columns share the width; the first, a ticker or a time, is as wide as its contents so
    // a time never wraps.
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    t->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    return t;
}

// Amounts of money in a table: two decimals, so a column's figures line up on the right.
QTableWidgetItem *moneyCell(std::optional<double> value, QChar decimal)
{
    if (!value)
        return new Cell(QStringLiteral("N/A"), QVariant());
    QString text = QString::number(*value, 'f', 2);
    text.replace(u'.', decimal);
    return new Cell(text, *value);
}

} // namespace

FrmEvaluate::FrmEvaluate(PortfolioSource &source, QWidget *parent)
    : QWidget(parent, Qt::Window), m_source(source),
      m_valuation(new PortfolioValuation(source, PortfolioValuation::Scope::WithHistories, this))
{
    connect(m_valuation, &PortfolioValuation::changed, this, &FrmEvaluate::showFigures);
    setObjectName(QStringLiteral("frmEvaluate"));
    setWindowTitle(QStringLiteral("Portfolio Evaluation"));
    resize(760, 600);

    auto *figures = new QGridLayout;
    const auto row = [&](int r, int column, const QString &caption, QLabel *value) {
        auto *c = new QLabel(caption);
        c->setBuddy(value);
        figures->addWidget(c, r, column);
        figures->addWidget(value, r, column + 1);
    };
    row(0, 0, QStringLiteral("Net worth :"), lblNetWorth = valueLabel(QStringLiteral("lblNetWorth")));
    row(1, 0, QStringLiteral("Starting cash :"), lblStartCash = valueLabel(QStringLiteral("lblStartCash")));
    row(2, 0, QStringLiteral("Gain or loss :"), lblGain = valueLabel(QStringLiteral("lblGain")));
    row(0, 2, QStringLiteral("Market index :"), lblIndex = valueLabel(QStringLiteral("lblIndex")));
    row(1, 2, QStringLiteral("Against the market :"), lblVerdict = valueLabel(QStringLiteral("lblVerdict")));
    row(2, 2, QStringLiteral("Realised gains :"), lblRealised = valueLabel(QStringLiteral("lblRealised")));
    figures->setColumnStretch(1, 1);
    figures->setColumnStretch(3, 1);

    tblHoldings =
        table(QStringLiteral("tblHoldings"),
              {QStringLiteral("Ticker"), QStringLiteral("Quantity"), QStringLiteral("Average cost"),
               QStringLiteral("Last trade"), QStringLiteral("Value"), QStringLiteral("Unrealised gain")});
    tblTrades = table(QStringLiteral("tblTrades"),
                      {QStringLiteral("Time"), QStringLiteral("Action"), QStringLiteral("Ticker"),
                       QStringLiteral("Quantity"), QStringLiteral("Price"), QStringLiteral("Cash after")});
    tblTrades->setSortingEnabled(true);
    tblTrades->sortByColumn(0, Qt::AscendingOrder);
    tblHoldings->setSortingEnabled(true);
    tblHoldings->sortByColumn(0, Qt::AscendingOrder);
    // Wide enough for every heading of the holdings, the table with most columns to read.
    int headings = 0;
    for (int c = 0; c < tblHoldings->columnCount(); ++c)
        headings += tblHoldings->horizontalHeader()->sectionSizeHint(c);
    tblHoldings->setMinimumWidth(headings + 2 * tblHoldings->frameWidth() + 24);

    m_worthSeries = new QLineSeries(this);
    m_worthSeries->setName(QStringLiteral("Net worth"));
    m_indexSeries = new QLineSeries(this);
    m_indexSeries->setName(QStringLiteral("Market index, same start"));
    auto *chart = new QChart;
    chart->addSeries(m_worthSeries);
    chart->addSeries(m_indexSeries);
    auto *timeAxis = new QDateTimeAxis;
    timeAxis->setFormat(QStringLiteral("yyyy-MM-dd"));
    auto *worthAxis = new QValueAxis;
    worthAxis->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(worthAxis, Qt::AlignLeft);
    for (QLineSeries *s : {m_worthSeries, m_indexSeries}) {
        // Points are drawn too: a young game's few points would otherwise be a speck.
        s->setPointsVisible(true);
        s->attachAxis(timeAxis);
        s->attachAxis(worthAxis);
    }
    chart->legend()->setAlignment(Qt::AlignBottom);
    chtWorth = new QChartView(chart);
    chtWorth->setObjectName(QStringLiteral("chtWorth"));
    chtWorth->setRenderHint(QPainter::Antialiasing);

    tabs = new QTabWidget;
    tabs->addTab(tblHoldings, QStringLiteral("&Holdings"));
    tabs->addTab(chtWorth, QStringLiteral("&Net worth"));
    tabs->addTab(tblTrades, QStringLiteral("&Trades"));

    lblStatus = new QLabel;
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setWordWrap(true);

    cmdExport = new QPushButton(QStringLiteral("&Export..."));
    cmdExport->setObjectName(QStringLiteral("cmdExport"));
    cmdClose = new QPushButton(QStringLiteral("&Close"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdExport, &QPushButton::clicked, this, &FrmEvaluate::cmdExport_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdExport);
    buttons->addStretch();
    buttons->addWidget(cmdClose);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(figures);
    layout->addWidget(tabs, 1);
    layout->addWidget(lblStatus);
    layout->addLayout(buttons);
}

void FrmEvaluate::setExportChooser(ExportChooser chooser)
{
    exportChooser() = std::move(chooser);
}

QString FrmEvaluate::money(Money amount) const
{
    return moneyToText(amount, m_source.decimal()) + QStringLiteral(" $");
}

QString FrmEvaluate::signedMoney(Money amount) const
{
    return (amount > Money() ? QStringLiteral("+") : QString()) + money(amount);
}

QString FrmEvaluate::percent(double value) const
{
    QString text = QString::number(value, 'f', 2);
    text.replace(u'.', m_source.decimal());
    return (value > 0 ? QStringLiteral("+") : QString()) + text + QStringLiteral(" %");
}

void FrmEvaluate::refresh()
{
    m_valuation->refresh();
    showTrades();
    showFigures();
}

void FrmEvaluate::showFigures()
{
    const PortfolioValuation &v = *m_valuation;
    const Evaluation e = v.evaluation();
    const bool pricesDue = v.pricesDue();
    const QString unknown = pricesDue ? QStringLiteral("\u2026") : QStringLiteral("N/A");

    lblNetWorth->setText(e.netWorth ? money(*e.netWorth) : unknown);
    lblStartCash->setText(e.startingCash ? money(*e.startingCash) : QStringLiteral("N/A"));
    if (e.gain)
        lblGain->setText(signedMoney(*e.gain) +
                         (e.gainPercent ? QStringLiteral(" (") + percent(*e.gainPercent) + u')' : QString()));
    else
        lblGain->setText(e.startingCash ? unknown : QStringLiteral("N/A"));
    lblRealised->setText(signedMoney(e.realisedGain) +
                         (e.historyIncomplete ? QStringLiteral(" (recorded trades only)") : QString()));

    const std::optional<QDateTime> since = historyStart(v.journal());
    const std::optional<IndexComparison> index =
        since ? compareWithIndex(v.indexCloses(), *since) : std::nullopt;
    const bool indexDue = v.indexDue();
    if (index) {
        showIndex(*index, *since, e);
    } else {
        lblIndex->setText(indexDue ? QStringLiteral("\u2026") : QStringLiteral("N/A"));
        lblVerdict->setText(indexDue ? QStringLiteral("\u2026") : QStringLiteral("N/A"));
    }

    showHoldings(e);
    showChart(e);

    QStringList notes = v.problems();
    if (!since && v.problems().isEmpty())
        notes << QStringLiteral("This game has no trade history yet: it starts with the next trade.");
    if (v.journal().skippedLines > 0)
        notes << QStringLiteral("%1 unreadable line(s) of the trade history were left out.")
                     .arg(v.journal().skippedLines);
    if (!v.unpriced().isEmpty() && !pricesDue)
        notes << QStringLiteral("No last trade for ") + v.unpriced().join(QStringLiteral(", ")) + u'.';
    if (v.pendingRequests() > 0)
        notes << QStringLiteral("Asking the quote service\u2026");
    lblStatus->setText(notes.join(u'\n'));
}

void FrmEvaluate::showIndex(const IndexComparison &index, const QDateTime &since, const Evaluation &e)
{
    lblIndex->setText(percent(index.changePercent) + QStringLiteral(" since ") +
                      since.date().toString(Qt::ISODate));
    if (!e.gainPercent) {
        lblVerdict->setText(m_valuation->pricesDue() ? QStringLiteral("\u2026") : QStringLiteral("N/A"));
        return;
    }
    const double lead = *e.gainPercent - index.changePercent;
    QString points = QString::number(std::abs(lead), 'f', 2);
    points.replace(u'.', m_source.decimal());
    lblVerdict->setText(lead > 0   ? QStringLiteral("You beat the market by %1 points").arg(points)
                        : lead < 0 ? QStringLiteral("The market beat you by %1 points").arg(points)
                                   : QStringLiteral("Level with the market"));
}

void FrmEvaluate::showHoldings(const Evaluation &e)
{
    const QChar decimal = m_source.decimal();
    tblHoldings->setSortingEnabled(false);
    tblHoldings->setRowCount(int(e.positions.size()));
    for (int r = 0; r < int(e.positions.size()); ++r) {
        const PositionFigures &p = e.positions[r];
        const auto amount = [](std::optional<Money> m) {
            return m ? std::optional<double>(m->toDouble()) : std::nullopt;
        };
        tblHoldings->setItem(r, 0, new Cell(p.ticker, p.ticker));
        tblHoldings->setItem(r, 1, new Cell(QString::number(p.quantity), double(p.quantity)));
        tblHoldings->setItem(r, 2, moneyCell(p.averageCost, decimal));
        tblHoldings->setItem(r, 3, moneyCell(p.lastTrade, decimal));
        tblHoldings->setItem(r, 4, moneyCell(amount(p.value), decimal));
        tblHoldings->setItem(r, 5, moneyCell(amount(p.unrealisedGain), decimal));
    }
    tblHoldings->setSortingEnabled(true);
}

void FrmEvaluate::showTrades()
{
    const QChar decimal = m_source.decimal();
    tblTrades->setSortingEnabled(false);
    const Journal &journal = m_valuation->journal();
    tblTrades->setRowCount(int(journal.trades.size()));
    for (int r = 0; r < int(journal.trades.size()); ++r) {
        const JournalEntry &t = journal.trades[r];
        tblTrades->setItem(
            r, 0,
            new Cell(t.at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), double(t.at.toMSecsSinceEpoch())));
        const QString action =
            t.kind == JournalEntry::Kind::Buy ? QStringLiteral("BUY") : QStringLiteral("SELL");
        tblTrades->setItem(r, 1, new Cell(action, action));
        tblTrades->setItem(r, 2, new Cell(t.ticker, t.ticker));
        tblTrades->setItem(r, 3, new Cell(QString::number(t.quantity), double(t.quantity)));
        tblTrades->setItem(r, 4, moneyCell(t.price, decimal));
        tblTrades->setItem(r, 5, moneyCell(t.cash.toDouble(), decimal));
    }
    tblTrades->setSortingEnabled(true);
}

void FrmEvaluate::showChart(const Evaluation &e)
{
    // Drawn once everything it needs has arrived, so it is not redrawn per answer.
    const PortfolioValuation &v = *m_valuation;
    if (v.pendingRequests() > 0) {
        m_worthSeries->clear();
        m_indexSeries->clear();
        return;
    }
    const QList<WorthPoint> points =
        netWorthSeries(v.journal(), v.cash(), v.statistics().held, v.closes(), v.indexCloses(),
                       QDateTime::currentDateTime(), e.netWorth);
    QList<QPointF> worth;
    QList<QPointF> index;
    for (const WorthPoint &p : points) {
        worth << QPointF(double(p.at.toMSecsSinceEpoch()), p.worth);
        if (p.index)
            index << QPointF(double(p.at.toMSecsSinceEpoch()), *p.index);
    }
    m_worthSeries->replace(worth);
    m_indexSeries->replace(index);
    if (worth.isEmpty())
        return;
    double low = worth.front().y();
    double high = low;
    for (const QList<QPointF> *line : {&worth, &index})
        for (const QPointF &p : *line) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    // A flat line still gets a band around it in whole dollars; the axis then steps in round
    // figures (1, 2 or 5 times a power of ten).
    const double margin = std::max({1.0, std::abs(high) * 0.01, (high - low) * 0.05});
    QChart *chart = chtWorth->chart();
    auto *worthAxis = qobject_cast<QValueAxis *>(chart->axes(Qt::Vertical).front());
    worthAxis->setRange(low - margin, high + margin);
    worthAxis->applyNiceNumbers();
    // The time axis ends at the last point; a single moment gets half an hour either side.
    double first = worth.front().x();
    double last = worth.back().x();
    if (last <= first) {
        first -= 1800 * 1000.0;
        last += 1800 * 1000.0;
    }
    auto *time = qobject_cast<QDateTimeAxis *>(chart->axes(Qt::Horizontal).front());
    time->setFormat(last - first < 2 * 86400 * 1000.0 ? QStringLiteral("HH:mm")
                                                      : QStringLiteral("yyyy-MM-dd"));
    time->setRange(QDateTime::fromMSecsSinceEpoch(qint64(first)),
                   QDateTime::fromMSecsSinceEpoch(qint64(last)));
}

void FrmEvaluate::cmdExport_Click()
{
    const QString name = m_source.game().gameName.value_or(QString());
    const QString path = exportChooser()(this, QDir::home().filePath(name + QStringLiteral(" trades.csv")));
    if (!path.isEmpty())
        exportTo(path);
}

bool FrmEvaluate::exportTo(const QString &path)
{
    const FileStatus failed =
        m_source.exportFile(path, historyCsv(m_valuation->journal(), m_source.decimal()));
    if (failed) {
        Messages::inform(this, failed->text(), QMessageBox::Warning);
        return false;
    }
    return true;
}
