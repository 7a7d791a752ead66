#include "marketdata.h"

#include "quotereader.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPointer>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr int kTimeoutMs = 15000;
constexpr qint64 kMaxAnswer = 8 * 1024 * 1024;
// The service takes a few hundred tickers a request; a large saved game is asked in pieces.
constexpr int kTickersPerRequest = 200;

QByteArray encodedTickers(const QStringList &tickers)
{
    QByteArrayList parts;
    for (const QString &t : tickers)
        parts << QUrl::toPercentEncoding(t);
    return parts.join('+');
}

} // namespace

BatchQuotes parseBatchQuotes(const QByteArray &body, const QStringList &asked)
{
    QHash<QString, double> found;
    for (QByteArray line : body.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const QuoteRecord record = parseQuoteRecord(line);
        const std::optional<double> price = record.lastTrade.number;
        if (!record.symbol.isEmpty() && price && *price > 0 && std::isfinite(*price))
            found.insert(record.symbol.toUpper(), *price);
    }
    BatchQuotes quotes;
    for (const QString &ticker : asked) {
        const auto it = found.constFind(ticker.toUpper());
        if (it != found.constEnd())
            quotes.prices.insert(ticker, *it);
        else if (!quotes.unknown.contains(ticker))
            quotes.unknown << ticker;
    }
    return quotes;
}

std::optional<QList<DailyClose>> parsePriceHistory(const QByteArray &body)
{
    QList<QByteArray> lines = body.split('\n');
    for (QByteArray &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    if (lines.isEmpty() || lines.front() != "Date,Open,High,Low,Close,Volume,Adj Close")
        return std::nullopt;
    QList<DailyClose> closes;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split(',');
        if (fields.size() != 7)
            continue;
        DailyClose day;
        day.date = QDate::fromString(QString::fromLatin1(fields[0]), Qt::ISODate);
        bool ok = false;
        day.close = fields[4].toDouble(&ok);
        if (day.date.isValid() && ok && day.close > 0 && std::isfinite(day.close))
            closes << day;
    }
    std::sort(closes.begin(), closes.end(),
              [](const DailyClose &a, const DailyClose &b) { return a.date < b.date; });
    return closes;
}

MarketData::MarketData(const QString &quoteHost, const ProxySetting &proxy, QObject *parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)), m_host(quoteHost)
{
    setProxy(proxy);
}

void MarketData::setProxy(const ProxySetting &proxy)
{
    m_proxyBroken = proxy.isBroken();
    if (proxy.enabled && !m_proxyBroken)
        m_network->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, proxy.host, proxy.port));
    else
        m_network->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
}

QNetworkReply *MarketData::get(const QString &pathAndQuery)
{
    QNetworkRequest request(
        QUrl::fromEncoded((QStringLiteral("http://") + m_host + pathAndQuery).toLatin1()));
    request.setTransferTimeout(kTimeoutMs);
    QNetworkReply *reply = m_network->get(request);
    // Bounded so that a wrong host cannot fill the memory.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxAnswer)
            reply->abort();
    });
    return reply;
}

QString MarketData::failure(QNetworkReply *reply) const
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::NoError && status / 100 == 2)
        return QString();
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return QStringLiteral("the quote service at %1 sent too much or took too long").arg(m_host);
    if (status != 0)
        return QStringLiteral("the quote service at %1 answered %2 %3")
            .arg(m_host, QString::number(status),
                 reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    return QStringLiteral("the quote service at %1 did not answer (%2)").arg(m_host, reply->errorString());
}

void MarketData::fetchQuotes(const QStringList &tickers, QObject *context,
                             const std::function<void(const BatchQuotes &)> &done)
{
    if (m_proxyBroken || tickers.isEmpty()) {
        BatchQuotes none;
        none.unknown = tickers;
        if (m_proxyBroken)
            none.problem = QStringLiteral("the proxy in the options has no host or port");
        QMetaObject::invokeMethod(
            context, [done, none] { done(none); }, Qt::QueuedConnection);
        return;
    }
    // The pieces are gathered here; the callback runs once, when the last one is in.
    struct Gathering
    {
        BatchQuotes quotes;
        int pending = 0;
    };
    auto gathering = std::make_shared<Gathering>();
    for (qsizetype from = 0; from < tickers.size(); from += kTickersPerRequest) {
        const QStringList piece = tickers.mid(from, kTickersPerRequest);
        ++gathering->pending;
        QNetworkReply *reply =
            get(QStringLiteral("/d/quotes.csv?s=") + QString::fromLatin1(encodedTickers(piece)) +
                QStringLiteral("&f=sl1d1t1c1ohgv&e=.csv"));
        connect(reply, &QNetworkReply::finished, context, [this, reply, piece, gathering, done] {
            reply->deleteLater();
            const QString problem = failure(reply);
            BatchQuotes part;
            if (problem.isEmpty()) {
                part = parseBatchQuotes(reply->readAll(), piece);
            } else {
                part.unknown = piece;
                gathering->quotes.problem = problem;
            }
            gathering->quotes.prices.insert(part.prices);
            gathering->quotes.unknown << part.unknown;
            if (--gathering->pending == 0)
                done(gathering->quotes);
        });
    }
}

void MarketData::fetchHistory(const QString &symbol, QObject *context,
                              const std::function<void(const PriceHistory &)> &done)
{
    if (m_proxyBroken) {
        PriceHistory none{{}, QStringLiteral("the proxy in the options has no host or port")};
        QMetaObject::invokeMethod(
            context, [done, none] { done(none); }, Qt::QueuedConnection);
        return;
    }
    QNetworkReply *reply =
        get(QStringLiteral("/table.csv?s=") + QString::fromLatin1(QUrl::toPercentEncoding(symbol)));
    connect(reply, &QNetworkReply::finished, context, [this, reply, symbol, done] {
        reply->deleteLater();
        PriceHistory history;
        history.problem = failure(reply);
        if (history.problem.isEmpty()) {
            if (const std::optional<QList<DailyClose>> closes = parsePriceHistory(reply->readAll()))
                history.closes = *closes;
            else
                history.problem = QStringLiteral("the quote service at %1 sent no price history for %2")
                                      .arg(m_host, symbol);
        }
        done(history);
    });
}

void MarketData::fetchRaw(const QString &pathAndQuery, QObject *context,
                          const std::function<void(int, const QByteArray &, const QByteArray &)> &done)
{
    if (m_proxyBroken) {
        QMetaObject::invokeMethod(
            context, [done] { done(0, {}, {}); }, Qt::QueuedConnection);
        return;
    }
    QNetworkReply *reply = get(pathAndQuery);
    connect(reply, &QNetworkReply::finished, context, [reply, done] {
        reply->deleteLater();
        // An aborted exchange, or one that never got a status line, has no answer to judge.
        const QVariant code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const bool answered = code.isValid() && reply->error() != QNetworkReply::OperationCanceledError;
        const int status = answered ? code.toInt() : 0;
        done(status, reply->header(QNetworkRequest::ContentTypeHeader).toByteArray(),
             answered ? reply->readAll() : QByteArray());
    });
}
