#pragma once

#include "marketclock.h"
#include "markethttpserver.h"
#include "marketservice.h"
#include "simulatedmarket.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QTcpSocket>

#include <mutex>
#include <optional>
#include <thread>

// A market clock the test sets by hand.
class ManualClock : public MarketClock
{
public:
    explicit ManualClock(const QDateTime &start) : m_now(start) {}
    QDateTime now() const override
    {
        std::lock_guard lock(m_mutex);
        return m_now;
    }
    void set(const QDateTime &at)
    {
        std::lock_guard lock(m_mutex);
        m_now = at;
    }

private:
    mutable std::mutex m_mutex;
    QDateTime m_now;
};

// The whole service in-process, on a free 127.0.0.1 port, stopped when it goes out of scope.
class RunningMarket
{
public:
    explicit RunningMarket(std::uint64_t seed, const QDateTime &start,
                           const ServerLimits &limits = ServerLimits())
        : clock(start), market(seed), service(market, clock), server(limits)
    {
        service.install(server);
        std::string error;
        port = server.bindTo("127.0.0.1", 0, &error).value_or(0);
        if (port > 0)
            m_thread = std::thread([this] { server.serve(); });
    }
    ~RunningMarket()
    {
        server.shutdown();
        if (m_thread.joinable())
            m_thread.join();
    }

    ManualClock clock;
    SimulatedMarket market;
    MarketService service;
    MarketHttpServer server;
    int port = 0;

private:
    std::thread m_thread;
};

struct HttpAnswer
{
    int status = 0;
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    QByteArray raw; // status line, headers and body as received
};

// A plain socket speaking HTTP/1.1, so tests see the exact bytes the service sends.
class RawClient
{
public:
    static constexpr int kWaitMs = 10000;

    explicit RawClient(int port)
    {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
        m_socket.waitForConnected(kWaitMs);
    }

    bool send(const QByteArray &bytes)
    {
        m_socket.write(bytes);
        return m_socket.waitForBytesWritten(kWaitMs);
    }

    // Reads one answer; nullopt when the connection ends or stalls first.
    std::optional<HttpAnswer> read(bool headRequest = false)
    {
        HttpAnswer answer;
        qsizetype end;
        while ((end = m_buffer.indexOf("\r\n\r\n")) < 0) {
            if (!fill())
                return std::nullopt;
        }
        const QList<QByteArray> lines = m_buffer.left(end).split('\n');
        const QList<QByteArray> statusLine = lines.front().trimmed().split(' ');
        answer.status = statusLine.size() > 1 ? statusLine[1].toInt() : 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                answer.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                      lines[i].mid(colon + 1).trimmed());
        }
        const qsizetype length = headRequest ? 0 : answer.headers.value("content-length").toLongLong();
        while (m_buffer.size() < end + 4 + length) {
            if (!fill())
                return std::nullopt;
        }
        answer.raw = m_buffer.left(end + 4 + length);
        answer.body = answer.raw.mid(end + 4);
        m_buffer.remove(0, end + 4 + length);
        return answer;
    }

    std::optional<HttpAnswer> exchange(const QByteArray &request)
    {
        return send(request) ? read(request.startsWith("HEAD ")) : std::nullopt;
    }

    // True once the service has closed the connection (within kWaitMs).
    bool closedByPeer()
    {
        while (m_socket.state() == QAbstractSocket::ConnectedState) {
            if (!m_socket.waitForReadyRead(kWaitMs) && m_socket.state() == QAbstractSocket::ConnectedState)
                return false;
            m_buffer += m_socket.readAll();
        }
        return true;
    }

    QTcpSocket &socket() { return m_socket; }

private:
    bool fill()
    {
        if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(kWaitMs))
            return false;
        m_buffer += m_socket.readAll();
        return true;
    }

    QTcpSocket m_socket;
    QByteArray m_buffer;
};

inline QByteArray getRequest(const QByteArray &target)
{
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
}
