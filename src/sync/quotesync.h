#pragma once

#include "clock.h"
#include "downloadsocket.h"
#include "httpdownload.h"
#include "model/numbertext.h"
#include "model/quotepanel.h"
#include "proxysetting.h"
#include "quoterecord.h"

#include <QObject>
#include <QString>

#include <memory>

// The quote of the selected stock: "Synchronize" downloads it, the completion handler shows
// it in the quote panel and retries a failed attempt, ten attempts in a row at most.
// The game session forwards clicks and timer ticks here and reacts to the signals.
class QuoteSync : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxAttempts = 10;

    // `panel`, `proxy` and `numbers` belong to the session and must outlive this object.
    // `quoteHost` is "host[:port]" of the quote service.
    QuoteSync(QuotePanel &panel, const ProxySetting &proxy, const NumberFormat &numbers,
              const QString &programFolder, const QString &quoteHost, std::unique_ptr<DownloadSocket> socket,
              std::unique_ptr<Clock> clock, QObject *parent = nullptr);
    ~QuoteSync() override;
    // The quote service moved (the game's own market came up on another port).
    void setQuoteHost(const QString &quoteHost);

    // "Synchronize": fetches the quote of the ticker in lblQuote, dropping a running one.
    void cmdSync_Click();
    // The completion handler; the client calls it at every end of a transfer.
    void Ferme_Connect();
    void Timer_Seconde_Timer() { m_download.Timer_Seconde_Timer(); }
    void Timer_Percent_Timer() { m_download.Timer_Percent_Timer(); }
    QString Extract_URL(QString &url) { return m_download.Extract_URL(url); }
    // The window is closing: socket and timers stop, nothing is reported any more.
    void abandon();

    bool isSyncEnabled() const { return m_syncEnabled; }
    bool timersEnabled() const { return m_download.timersEnabled(); }
    int retryCount() const { return m_retries; }
    HttpDownload &download() { return m_download; }

    static QString quoteUrl(const QString &host, const QString &ticker);
    static QString retriesExhaustedMessage();

signals:
    // A message for the player (OK button, the program's title).
    void messageRequested(const QString &text);
    void syncEnabledChanged(bool enabled);
    // The quote panel's texts or arrows were rewritten.
    void panelChanged();
    // Timer_Seconde (1000 ms) and Timer_Percent (10 ms) should run or stop.
    void timersEnabledChanged(bool enabled);

private:
    void setSyncEnabled(bool enabled);
    void showRecord(const QuoteRecord &record);
    void updateValue();

    QuotePanel &m_panel;
    const NumberFormat &m_numbers;
    const QString m_programFolder;
    QString m_quoteHost;
    std::unique_ptr<DownloadSocket> m_socket;
    std::unique_ptr<Clock> m_clock;
    HttpDownload m_download;
    QString m_requestedTicker;
    qint16 m_retries = 0;
    bool m_syncEnabled = true;
};
