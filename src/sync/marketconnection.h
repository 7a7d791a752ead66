#pragma once

#include "clock.h"
#include "downloadsocket.h"
#include "model/numbertext.h"
#include "model/quotepanel.h"
#include "model/settings.h"
#include "proxysetting.h"
#include "servicesconfig.h"

#include <QObject>
#include <QUrl>

#include <memory>

class LocalMarket;
class MarketData;
class QTimer;
class QuoteSync;

// The game's side of the network: where the services are (services.cfg), the player's proxy,
// the selected stock's quote download and its two timers, batch quotes and price histories,
// and the game's own market with the wait for it. It writes the quote fields of the panel it
// is given; the game owns that panel.
class MarketConnection : public QObject
{
    Q_OBJECT

public:
    // The socket and clock drive the quote download; tests hand in fakes. `panel` and
    // `numbers` must outlive this object.
    MarketConnection(const QString &programFolder, QuotePanel &panel, const NumberFormat &numbers,
                     std::unique_ptr<DownloadSocket> socket, std::unique_ptr<Clock> clock,
                     QObject *parent = nullptr);
    ~MarketConnection() override;

    // The market the game starts itself when services.cfg names no quote service; handed in
    // before start(). Without one, the configured addresses are used as they are.
    void setLocalMarket(std::unique_ptr<LocalMarket> market);
    LocalMarket *localMarket() const { return m_localMarket.get(); }
    // Reads services.cfg, takes the settings' proxy and, for the game's own market, begins
    // looking for it. Call once.
    void start(const Settings &settings);
    // The window is closing: the download stops, nothing more is reported, our market ends.
    void shutDown();

    const ServicesConfig &services() const { return m_services; }
    const ProxySetting &proxy() const { return m_proxy; }
    // The options changed the proxy: the next download and every later request take it.
    void setProxy(const ProxySetting &proxy);
    // Exist once start() ran.
    QuoteSync &quoteSync() { return *m_sync; }
    MarketData &marketData() { return *m_marketData; }

    // The game's own market is still being looked for or started: a selection made meanwhile
    // fetches its quote and chart as soon as it answers.
    bool isWaitingForMarket() const { return m_waitingForMarket; }
    bool isSyncEnabled() const;

    // A stock was selected (the panel names it): its quote is fetched, then its chart page is
    // written and chartChanged says the chart is due.
    void showSelection();
    // "Synchronize": fetches the quote of the selected stock again.
    void synchronize();

    // The selected stock's chart image; empty before the first selection.
    QUrl chartUrl() const;
    // The information page, and the copy shipped with the game for when it cannot be reached.
    QUrl infoPageUrl() const;
    QUrl localInfoPageUrl() const;

signals:
    // The proxy changed: the chart image and the information page take it from now on.
    void proxyChanged();
    // The services are where they will stay (the game's own market answers, or could not be
    // started): the information page may be fetched.
    void servicesReady();
    // The quote download rewrote the panel's quote fields or arrows.
    void panelChanged();
    // The selected stock's chart is due.
    void chartChanged();
    void syncEnabledChanged(bool enabled);
    // A message for the player that no operation returned (an OK box with the program's title).
    void messageRequested(const QString &text);

private:
    void marketSettled();
    void fetchSelection();
    void runTimers(bool on);

    const QString m_folder;
    QuotePanel &m_panel;
    const NumberFormat &m_numbers;
    ServicesConfig m_services;
    ProxySetting m_proxy;
    std::unique_ptr<DownloadSocket> m_socket;
    std::unique_ptr<Clock> m_clock;
    QuoteSync *m_sync = nullptr;
    MarketData *m_marketData = nullptr;
    // Ticks of a running download: the percent bar (10 ms) and the seconds count (1000 ms).
    QTimer *m_percentTimer;
    QTimer *m_secondsTimer;
    std::unique_ptr<LocalMarket> m_localMarket;
    bool m_waitingForMarket = false;
    bool m_selectionWaiting = false;
};
