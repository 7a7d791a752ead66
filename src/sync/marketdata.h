#pragma once

#include "proxysetting.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// The last trades of several stocks at once, from one quote answer.
struct BatchQuotes
{
    QHash<QString, double> prices; // by ticker as asked, only stocks with a positive last trade
    QStringList unknown;           // asked, but without a usable line ("N/A", missing, malformed)
    QString problem;               // why there is no answer at all; empty when the service answered
};

struct DailyClose
{
    QDate date;
    double close = 0;
};

// A symbol's daily closes, oldest first.
struct PriceHistory
{
    QList<DailyClose> closes;
    QString problem; // why there is none; empty when the service answered
};

// The lines of a quote answer ("sl1d1t1c1ohgv", one per stock) for the tickers asked.
BatchQuotes parseBatchQuotes(const QByteArray &body, const QStringList &asked);
// "Date,Open,High,Low,Close,Volume,Adj Close" and its rows, newest first; nothing when the
// header is not that. Unreadable rows are left out.
std::optional<QList<DailyClose>> parsePriceHistory(const QByteArray &body);

// What the evaluation asks of the quote service beside the one-stock quote: the last trades
// of every stock held, and price histories. Requests go to the quote host through the
// player's proxy, run from the event loop and answer through a callback, which is dropped
// when `context` is destroyed first.
class MarketData : public QObject
{
    Q_OBJECT

public:
    MarketData(const QString &quoteHost, const ProxySetting &proxy, QObject *parent = nullptr);

    void setQuoteHost(const QString &host) { m_host = host; }
    void setProxy(const ProxySetting &proxy);

    void fetchQuotes(const QStringList &tickers, QObject *context,
                     const std::function<void(const BatchQuotes &)> &done);
    void fetchHistory(const QString &symbol, QObject *context,
                      const std::function<void(const PriceHistory &)> &done);
    // Any other question to the quote host: the answer's status (0 when none came), Content-Type
    // and body, for the caller to judge.
    void fetchRaw(
        const QString &pathAndQuery, QObject *context,
        const std::function<void(int status, const QByteArray &contentType, const QByteArray &body)> &done);

private:
    QNetworkReply *get(const QString &pathAndQuery);
    QString failure(QNetworkReply *reply) const;

    QNetworkAccessManager *m_network;
    QString m_host;
    bool m_proxyBroken = false;
};
