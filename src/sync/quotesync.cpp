#include "quotesync.h"

#include "model/numbertext.h"
#include "quotereader.h"

QuoteSync::QuoteSync(QuotePanel &panel, const ProxySetting &proxy, const NumberFormat &numbers,
                     const QString &programFolder, const QString &quoteHost,
                     std::unique_ptr<DownloadSocket> socket, std::unique_ptr<Clock> clock, QObject *parent)
    : QObject(parent), m_panel(panel), m_numbers(numbers), m_programFolder(programFolder),
      m_quoteHost(quoteHost), m_socket(std::move(socket)), m_clock(std::move(clock)),
      m_download(*m_socket, *m_clock, proxy, numbers, programFolder)
{
    m_download.panel().TextUrl = quoteUrl(m_quoteHost, QStringLiteral("MSFT"));
    connect(&m_download, &HttpDownload::transferEnded, this, &QuoteSync::Ferme_Connect);
    connect(&m_download, &HttpDownload::timersEnabledChanged, this, &QuoteSync::timersEnabledChanged);
    connect(&m_download, &HttpDownload::messageRequested, this, &QuoteSync::messageRequested);
}

void QuoteSync::setQuoteHost(const QString &quoteHost)
{
    m_quoteHost = quoteHost;
}

QuoteSync::~QuoteSync()
{
    // The window is being torn down: it must hear nothing more.
    blockSignals(true);
    m_download.blockSignals(true);
    m_download.abandon();
}

QString QuoteSync::quoteUrl(const QString &host, const QString &ticker)
{
    return QStringLiteral("http://") + host + QStringLiteral("/d/quotes.csv?s=") + ticker +
           QStringLiteral("&f=sl1d1t1c1ohgv&e=.csv");
}

QString QuoteSync::retriesExhaustedMessage()
{
    return QStringLiteral("Synchronization failed after 10 retries.\n"
                          "Please check your Internet connection and try again.");
}

void QuoteSync::cmdSync_Click()
{
    if (m_panel.lblQuote.isEmpty()) {
        emit messageRequested(QStringLiteral("Please select a quote from the list"));
        return;
    }
    // Another stock was clicked while a quote was on its way: its answer must never be
    // shown under the new ticker, and it is no failed attempt.
    if (m_download.isBusy())
        m_download.abandon();
    // Ten attempts could never store the answer; no network is to blame.
    if (const std::optional<QString> problem = quoteFileProblem(m_programFolder)) {
        m_retries = 0;
        setSyncEnabled(true);
        emit messageRequested(*problem);
        return;
    }

    m_requestedTicker = m_panel.lblQuote;
    m_download.panel().TextUrl = quoteUrl(m_quoteHost, m_requestedTicker);
    setSyncEnabled(false);
    if (!m_download.CmdTelecharger_Click())
        setSyncEnabled(true);
}

void QuoteSync::Ferme_Connect()
{
    m_download.closeAndReset();

    // A transfer cut short left part of an answer at most: "85" of "85.5" is no price.
    QuoteRecord record = m_download.transferComplete() ? readQuoteFile(m_programFolder) : QuoteRecord();
    // An answer about another ticker (an error page sent as a success, say) is no quote.
    if (!m_requestedTicker.isEmpty() &&
        record.symbol.trimmed().compare(m_requestedTicker.trimmed(), Qt::CaseInsensitive) != 0)
        record = QuoteRecord();
    showRecord(record);

    if (!record.symbol.isEmpty()) {
        m_retries = 0;
        setSyncEnabled(true);
    } else if (++m_retries >= kMaxAttempts) {
        m_retries = 0;
        setSyncEnabled(true);
        emit panelChanged();
        emit messageRequested(retriesExhaustedMessage());
        return;
    } else {
        cmdSync_Click();
    }
    updateValue();
    emit panelChanged();
}

void QuoteSync::showRecord(const QuoteRecord &record)
{
    m_panel.lblTrade = record.lastTrade.toText(m_numbers.decimal);
    m_panel.lblTime = record.tradeDate + QStringLiteral(" at ") + record.tradeTime;
    m_panel.lblVolume = record.volume.toText(m_numbers.decimal);
    m_panel.lblVariation = record.change + QStringLiteral(" (opened at ") +
                           moneyToText(record.open, m_numbers.decimal) + QStringLiteral("$)");
    const bool up = record.change.startsWith(QLatin1Char('+'));
    m_panel.picUpVisible = up;
    m_panel.picDownVisible = !up;
}

void QuoteSync::updateValue()
{
    const std::optional<double> trade = doubleFromText(m_panel.lblTrade, m_numbers.decimal);
    const std::optional<double> owned = doubleFromText(m_panel.lblOwned, m_numbers.decimal);
    if (trade && owned)
        m_panel.lblValue = doubleToText(*trade * *owned, m_numbers.decimal);
}

void QuoteSync::abandon()
{
    m_download.abandon();
}

void QuoteSync::setSyncEnabled(bool enabled)
{
    if (m_syncEnabled == enabled)
        return;
    m_syncEnabled = enabled;
    emit syncEnabledChanged(enabled);
}
