#pragma once

#include "sync/clock.h"
#include "sync/downloadsocket.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>

// A socket the test drives: it records what the client asks and raises events on demand.
class FakeSocket : public DownloadSocket
{
public:
    void connectToHost(const QString &host, quint16 port) override
    {
        connects.append({host, port});
        sent.clear();
        m_open = true;
        if (onConnect)
            onConnect();
    }
    // Called at every connect, for tests that check what had happened by then.
    std::function<void()> onConnect;
    bool isClosed() const override { return !m_open; }
    void close() override
    {
        m_open = false;
        ++closes;
    }
    void resetLocalPort() override { ++portResets; }
    void send(const QByteArray &bytes) override { sent += bytes; }

    void accept() { emit connected(); }
    void deliver(const QByteArray &data) { emit dataArrived(data); }
    void fail()
    {
        m_open = false;
        emit errorOccurred();
    }

    QList<QPair<QString, quint16>> connects;
    QByteArray sent; // since the last connect
    int closes = 0;
    int portResets = 0;

private:
    bool m_open = false;
};

class FakeClock : public Clock
{
public:
    double secondsSinceMidnight() const override { return now; }
    double now = 36000;
};

// Runs what the client deferred to the event loop.
inline void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

inline QByteArray okHeader(qint64 length, const QByteArray &status = "200 OK")
{
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: text/csv\r\nContent-Length: " + QByteArray::number(length) + "\r\n\r\n";
}
