#pragma once

#include "clock.h"
#include "downloadpanel.h"
#include "downloadsocket.h"
#include "hostport.h"
#include "model/numbertext.h"
#include "proxysetting.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The small HTTP/1.1 client of the download panel: one GET of the URL in TextUrl into
// quote.cfg, directly or through the player's proxy, with pause, resume and stop.
// Driven by the socket's events and by the window's two timers, whose ticks it is handed.
// Every end of a transfer leaves the client idle and then emits transferEnded.
class HttpDownload : public QObject
{
    Q_OBJECT

public:
    static constexpr int kIdleLimit = 60;
    static constexpr quint16 kHttpPort = 80;
    // Interim answers ("100 Continue") accepted before the real one on one connection.
    static constexpr int kMaxInterimAnswers = 16;

    // The socket, clock, proxy and number format must outlive the client; the proxy is read
    // at every start of a download.
    HttpDownload(DownloadSocket &socket, const Clock &clock, const ProxySetting &proxy,
                 const NumberFormat &numbers, const QString &programFolder, QObject *parent = nullptr);

    DownloadPanel &panel() { return m_panel; }
    const DownloadPanel &panel() const { return m_panel; }

    // "Begin Download". A transfer still running is dropped silently first. False, after
    // messageRequested, when TextUrl holds no usable address.
    bool CmdTelecharger_Click();
    void CmdPause_Click();
    void CmdStop_Click();
    void Timer_Seconde_Timer();
    void Timer_Percent_Timer();

    // Cuts the scheme off `url`, keeps the path (from the first "/" on) and returns the host.
    QString Extract_URL(QString &url);

    // The first step of every completion: socket closed, timers off, buttons back to idle.
    void closeAndReset();
    // Drops a running or paused transfer without ending it: no transferEnded follows.
    void abandon();

    bool isBusy() const { return m_stage != Stage::Idle; }
    bool timersEnabled() const { return m_panel.timersEnabled; }

    QString host() const { return m_host; }
    QString path() const { return m_path; }
    bool useProxy() const { return m_useProxy; }
    QString proxyHost() const { return m_proxyHost; }
    int proxyPort() const { return m_proxyPort; }
    QString filePath() const { return m_filePath; }
    bool headerReceived() const { return m_headerReceived; }
    qint64 totalSize() const { return m_totalSize; }
    qint64 writePosition() const { return m_writePosition; }
    qint64 bytesStored() const { return m_writePosition - 1; }
    qint64 resumeOffset() const { return m_resumeOffset; }
    int idleTicks() const { return m_idleTicks; }
    int lastPercent() const { return m_lastPercent; }
    // The last transfer ended with its whole body stored; anything else left at most a part.
    bool transferComplete() const { return m_complete; }

signals:
    void transferEnded();
    void timersEnabledChanged(bool enabled);
    void messageRequested(const QString &text);

private:
    enum class Stage { Idle, Connecting, WaitingHeader, Receiving, Paused };

    void Ouvre_Connect();
    void onConnected();
    void onDataArrived(const QByteArray &data);
    void onSocketGone();

    bool acceptHeader(qsizetype searchFrom, QByteArray &body);
    void storeBody(const QByteArray &data);
    bool writeAt(qint64 position, const QByteArray &bytes, bool truncate);
    QByteArray buildRequest() const;
    void closeSocket();
    void setTimers(bool enabled);
    void resetPause();
    // Ends the transfer from the event loop, never from inside a socket event.
    void scheduleEnd(bool complete);
    void finish(bool complete);
    void advanceElapsedClock();

    DownloadSocket &m_socket;
    const Clock &m_clock;
    const ProxySetting &m_proxy;
    const NumberFormat &m_numbers;
    const QString m_programFolder;
    DownloadPanel m_panel;

    Stage m_stage = Stage::Idle;
    QString m_host;
    QString m_path;
    bool m_useProxy = false;
    QString m_proxyHost;
    int m_proxyPort = 0;
    QString m_filePath;
    QByteArray m_headerBuffer;
    int m_interimAnswers = 0;
    bool m_headerReceived = false;
    qint64 m_totalSize = 0;
    qint64 m_writePosition = 0;
    double m_startTime = 0;
    qint64 m_bytesThisSecond = 0;
    int m_idleTicks = 0;
    int m_elapsedSeconds = 0;
    int m_elapsedMinutes = 0;
    int m_elapsedHours = 0;
    int m_lastPercent = 0;
    bool m_resume = false;
    qint64 m_resumeOffset = 0;
    // Each connection and each reset gets a new number, so a deferred end of an older one is dropped.
    quint64 m_generation = 0;
    bool m_endPending = false;
    bool m_complete = false;
};
