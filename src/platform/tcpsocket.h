#pragma once

#include "sync/downloadsocket.h"

#include <QAbstractSocket>

class QTcpSocket;

// The download client's socket on QTcpSocket, always direct: the client handles proxies itself.
class TcpSocket : public DownloadSocket
{
    Q_OBJECT

public:
    explicit TcpSocket(QObject *parent = nullptr);
    ~TcpSocket() override;

    void connectToHost(const QString &host, quint16 port) override;
    bool isClosed() const override;
    void close() override;
    // A fresh socket for the next connection, so nothing queued for the old one reaches us.
    void resetLocalPort() override;
    void send(const QByteArray &bytes) override;

private:
    void attach();
    void detach();
    void onError(QAbstractSocket::SocketError error);

    QTcpSocket *m_socket = nullptr;
};
