#pragma once

// A quote service of the test's own on 127.0.0.1: /d/quotes.csv, /table.csv and /fill from
// fixed texts, one request per connection, each request written down as "<path> <symbols>".
#include <QHash>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

class FakeQuoteService : public QObject
{
public:
    QHash<QString, QByteArray> prices;    // ticker -> last trade; "N/A" when missing
    QHash<QString, QByteArray> histories; // symbol -> table.csv body; 404 when missing
    struct Raw
    {
        QByteArray status, type, body;
    };
    QHash<QString, Raw> fills; // ticker -> the /fill answer; 404 when missing
    QStringList asked;
    bool holding = false; // requests wait for release() instead of being answered

    // Answers every request held so far, in the order they came.
    void release()
    {
        holding = false;
        for (const auto &[socket, url] : std::as_const(m_held))
            respond(socket, url);
        m_held.clear();
    }

    bool listen()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, s, [this, s] { answer(s); });
        });
        return m_server.listen(QHostAddress::LocalHost);
    }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }

    // A table.csv body of the given days and closes, newest first.
    static QByteArray history(const QList<QPair<QByteArray, QByteArray>> &newestFirst)
    {
        QByteArray csv = "Date,Open,High,Low,Close,Volume,Adj Close\r\n";
        for (const auto &[day, close] : newestFirst)
            csv += day + ',' + close + ',' + close + ',' + close + ',' + close + ",1000," + close + "\r\n";
        return csv;
    }

    // A host:port that nothing listens on: taken and released again.
    static QString closedHost()
    {
        QTcpServer s;
        return s.listen(QHostAddress::LocalHost) ? QStringLiteral("127.0.0.1:%1").arg(s.serverPort())
                                                 : QString();
    }

private:
    // The s= item, its '+' separators as spaces.
    static QString symbolsOf(const QUrl &url)
    {
        return QUrlQuery(url).queryItemValue(QStringLiteral("s"), QUrl::FullyDecoded).replace(u'+', u' ');
    }

    void answer(QTcpSocket *s)
    {
        QByteArray &request = m_pending[s];
        request += s->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QUrl url(QString::fromLatin1(request.split(' ').value(1)));
        const QString symbols = symbolsOf(url);
        asked << url.path() + u' ' + symbols;
        m_pending.remove(s);
        if (holding)
            m_held.append({s, url});
        else
            respond(s, url);
    }

    void respond(QTcpSocket *s, const QUrl &url)
    {
        const QString symbols = symbolsOf(url);
        QByteArray body;
        QByteArray status = "200 OK", type = "text/csv";
        if (url.path() == QLatin1String("/fill") && fills.contains(symbols)) {
            const Raw &raw = fills[symbols];
            status = raw.status;
            type = raw.type;
            body = raw.body;
        } else if (url.path() == QLatin1String("/d/quotes.csv")) {
            for (const QString &t : symbols.split(u' '))
                body += '"' + t.toLatin1() + "\"," + prices.value(t, "N/A") +
                        ",\"12/7/2026\",\"4:00pm\",+0.5,1,2,1,100\r\n";
        } else if (histories.contains(symbols)) {
            body = histories.value(symbols);
        } else {
            status = "404 Not Found";
        }
        s->write("HTTP/1.1 " + status + "\r\nContent-Type: " + type +
                 "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" +
                 body);
        s->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_pending;
    QList<QPair<QTcpSocket *, QUrl>> m_held;
};
