#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The asynchronous TCP client socket the download client drives. Events arrive as signals
// on the thread of the event loop; none is raised from within a call of the client.
class DownloadSocket : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Starts connecting; later `connected` or `errorOccurred`.
    virtual void connectToHost(const QString &host, quint16 port) = 0;
    virtual bool isClosed() const = 0;
    // Drops the connection at once; no event follows.
    virtual void close() = 0;
    // The next connection takes any free local port, and nothing of the old one arrives.
    virtual void resetLocalPort() = 0;
    // Bytes as they stand, one byte per character.
    virtual void send(const QByteArray &bytes) = 0;

signals:
    void connected();
    // Everything that arrived since the previous event.
    void dataArrived(const QByteArray &data);
    // Any socket error; what it was is not used.
    void errorOccurred();
    // The peer closed the connection; data sent before has already arrived.
    void peerClosed();
};
