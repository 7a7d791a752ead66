#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// An HTTP server on 127.0.0.1 that answers each connection as told: correctly, or in one of
// the ways real servers rarely misbehave. Connections past the script are answered correctly.
class MisbehavingServer : public QObject
{
    Q_OBJECT

public:
    enum class Answer {
        Correct,
        StallMidBody, // half the body, then silence with the connection open
        ResetMidBody, // half the body, then a TCP reset
        CloseMidBody, // half the body, then an orderly close
        HugeHeader,   // a header field of 70 000 bytes
    };

    explicit MisbehavingServer(const QByteArray &body, QObject *parent = nullptr);

    bool listen();
    quint16 port() const { return m_server.serverPort(); }

    QList<Answer> script;
    int connections() const { return m_connections; }
    QByteArray lastRequest() const { return m_lastRequest; }

private:
    void onConnection();
    void answer(QTcpSocket *socket, Answer how);
    QByteArray header(qint64 length) const;

    QTcpServer m_server;
    QByteArray m_body;
    int m_connections = 0;
    QByteArray m_lastRequest;
};
