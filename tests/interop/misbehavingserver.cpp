#include "misbehavingserver.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

MisbehavingServer::MisbehavingServer(const QByteArray &body, QObject *parent) : QObject(parent), m_body(body)
{
    connect(&m_server, &QTcpServer::newConnection, this, &MisbehavingServer::onConnection);
}

bool MisbehavingServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QByteArray MisbehavingServer::header(qint64 length) const
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: " + QByteArray::number(length) +
           "\r\n\r\n";
}

void MisbehavingServer::onConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        const Answer how = m_connections < script.size() ? script.at(m_connections) : Answer::Correct;
        ++m_connections;
        socket->setParent(this);
        auto request = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, request, how] {
            if (request->contains("\r\n\r\n"))
                return; // answered already
            *request += socket->readAll();
            if (request->contains("\r\n\r\n")) {
                m_lastRequest = *request;
                answer(socket, how);
            }
        });
    }
}

void MisbehavingServer::answer(QTcpSocket *socket, Answer how)
{
    const QByteArray half = m_body.left(m_body.size() / 2);
    switch (how) {
    case Answer::Correct:
        socket->write(header(m_body.size()) + m_body);
        break;
    case Answer::StallMidBody:
        socket->write(header(m_body.size()) + half);
        break;
    case Answer::ResetMidBody: {
        socket->write(header(m_body.size()) + half);
        socket->flush();
        // Linger of zero: closing sends a reset instead of an orderly end.
        const linger hard{1, 0};
        ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(40, this, [guard] {
            if (guard)
                guard->abort();
        });
        break;
    }
    case Answer::CloseMidBody:
        socket->write(header(m_body.size()) + half);
        socket->disconnectFromHost();
        break;
    case Answer::HugeHeader:
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nX-Padding: " + QByteArray(70000, 'p') +
                      "\r\nContent-Length: " + QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body);
        break;
    }
}
