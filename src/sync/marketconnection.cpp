#include "marketconnection.h"

#include "chartpage.h"
#include "localmarket.h"
#include "marketdata.h"
#include "quotesync.h"

#include <QTimer>

#include <utility>

MarketConnection::MarketConnection(const QString &programFolder, QuotePanel &panel,
                                   const NumberFormat &numbers, std::unique_ptr<DownloadSocket> socket,
                                   std::unique_ptr<Clock> clock, QObject *parent)
    : QObject(parent), m_folder(programFolder), m_panel(panel), m_numbers(numbers),
      m_socket(std::move(socket)), m_clock(std::move(clock)), m_percentTimer(new QTimer(this)),
      m_secondsTimer(new QTimer(this))
{
    m_percentTimer->setInterval(10);
    m_secondsTimer->setInterval(1000);
}

MarketConnection::~MarketConnection() = default;

void MarketConnection::setLocalMarket(std::unique_ptr<LocalMarket> market)
{
    m_localMarket = std::move(market);
}

void MarketConnection::start(const Settings &settings)
{
    m_services = readServicesConfig(m_folder);
    m_proxy = proxyFromSettings(settings);

    m_sync = new QuoteSync(m_panel, m_proxy, m_numbers, m_folder, m_services.quoteHost, std::move(m_socket),
                           std::move(m_clock), this);
    connect(m_sync, &QuoteSync::panelChanged, this, &MarketConnection::panelChanged);
    connect(m_sync, &QuoteSync::syncEnabledChanged, this, &MarketConnection::syncEnabledChanged);
    connect(m_sync, &QuoteSync::timersEnabledChanged, this, &MarketConnection::runTimers);
    connect(m_sync, &QuoteSync::messageRequested, this, &MarketConnection::messageRequested);
    connect(m_percentTimer, &QTimer::timeout, m_sync, &QuoteSync::Timer_Percent_Timer);
    connect(m_secondsTimer, &QTimer::timeout, m_sync, &QuoteSync::Timer_Seconde_Timer);
    m_marketData = new MarketData(m_services.quoteHost, m_proxy, this);

    if (m_localMarket && m_services.usesBundledMarket()) {
        m_waitingForMarket = true;
        connect(m_localMarket.get(), &LocalMarket::settled, this, &MarketConnection::marketSettled,
                Qt::SingleShotConnection);
        m_localMarket->ensure();
    }
}

void MarketConnection::runTimers(bool on)
{
    for (QTimer *timer : {m_percentTimer, m_secondsTimer}) {
        if (on)
            timer->start();
        else
            timer->stop();
    }
}

void MarketConnection::marketSettled()
{
    m_waitingForMarket = false;
    if (m_localMarket->isReady()) {
        m_services.moveBundledMarket(m_localMarket->host());
        m_sync->setQuoteHost(m_services.quoteHost);
        m_marketData->setQuoteHost(m_services.quoteHost);
    }
    emit servicesReady();
    if (std::exchange(m_selectionWaiting, false))
        fetchSelection();
}

void MarketConnection::shutDown()
{
    if (m_sync)
        m_sync->abandon();
    runTimers(false);
    if (m_localMarket)
        m_localMarket->stop();
}

void MarketConnection::setProxy(const ProxySetting &proxy)
{
    if (proxy == m_proxy)
        return;
    // The download holds on to this object: the next request goes the new way.
    m_proxy = proxy;
    if (m_marketData)
        m_marketData->setProxy(m_proxy);
    emit proxyChanged();
}

bool MarketConnection::isSyncEnabled() const
{
    return !m_sync || m_sync->isSyncEnabled();
}

void MarketConnection::showSelection()
{
    if (m_waitingForMarket)
        m_selectionWaiting = true;
    else
        fetchSelection();
}

void MarketConnection::fetchSelection()
{
    // The quote goes out before anything touches the disk, so a slow disk never delays it.
    synchronize();
    // The page is a scratch file the view does not need: a failed write only costs the file.
    (void)writeChartPage(m_folder, m_services.chartHost, m_panel.lblQuote);
    emit chartChanged();
}

void MarketConnection::synchronize()
{
    if (m_waitingForMarket)
        m_selectionWaiting = !m_panel.lblQuote.isEmpty();
    else if (m_sync)
        m_sync->cmdSync_Click();
}

QUrl MarketConnection::chartUrl() const
{
    return m_panel.lblQuote.isEmpty() ? QUrl() : chartImageUrl(m_services.chartHost, m_panel.lblQuote);
}

QUrl MarketConnection::infoPageUrl() const
{
    return QUrl(m_services.infoPage);
}

QUrl MarketConnection::localInfoPageUrl() const
{
    return QUrl::fromLocalFile(m_folder + QStringLiteral("/infos.html"));
}
