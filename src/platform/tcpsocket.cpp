#include "tcpsocket.h"

#include <QNetworkProxy>
#include <QTcpSocket>

TcpSocket::TcpSocket(QObject *parent) : DownloadSocket(parent)
{
    attach();
}

TcpSocket::~TcpSocket()
{
    detach();
}

void TcpSocket::attach()
{
    m_socket = new QTcpSocket(this);
    m_socket->setProxy(QNetworkProxy::NoProxy);
    connect(m_socket, &QTcpSocket::connected, this, &DownloadSocket::connected);
    connect(m_socket, &QTcpSocket::readyRead, this, [this] {
        const QByteArray data = m_socket->readAll();
        if (!data.isEmpty())
            emit dataArrived(data);
    });
    connect(m_socket, &QTcpSocket::errorOccurred, this, &TcpSocket::onError);
}

void TcpSocket::detach()
{
    if (!m_socket)
        return;
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket->deleteLater();
    m_socket = nullptr;
}

void TcpSocket::onError(QAbstractSocket::SocketError error)
{
    if (error != QAbstractSocket::RemoteHostClosedError) {
        emit errorOccurred();
        return;
    }
    // An orderly close by the server is no error; what it sent before still counts.
    const QByteArray rest = m_socket->readAll();
    if (!rest.isEmpty())
        emit dataArrived(rest);
    emit peerClosed();
}

void TcpSocket::connectToHost(const QString &host, quint16 port)
{
    m_socket->connectToHost(host, port);
}

bool TcpSocket::isClosed() const
{
    return m_socket->state() == QAbstractSocket::UnconnectedState;
}

void TcpSocket::close()
{
    m_socket->abort();
}

void TcpSocket::resetLocalPort()
{
    detach();
    attach();
}

void TcpSocket::send(const QByteArray &bytes)
{
    m_socket->write(bytes);
}
