#pragma once

#include <QString>
#include <QStringList>

// A real server (nginx, tinyproxy) started in the background on 127.0.0.1 for a test, known
// by the pid file it writes, and stopped by that pid when the test ends.
class PeerDaemon
{
public:
    PeerDaemon() = default;
    ~PeerDaemon() { stop(); }
    PeerDaemon(const PeerDaemon &) = delete;
    PeerDaemon &operator=(const PeerDaemon &) = delete;

    // Runs `program`, which puts itself in the background; false, with the reason in `error`,
    // when it refuses to start. Wait for isReady() afterwards.
    bool start(const QString &program, const QStringList &arguments, const QString &pidFile, quint16 port,
               QString *error);
    // The pid file is written and the port accepts connections.
    bool isReady();
    // Asks the server to end; isRunning() turns false once it has.
    void stop();
    bool isRunning() const;

    // A port on 127.0.0.1 that nothing listens on right now.
    static quint16 freePort();
    static bool isRoot();

private:
    QString m_pidFile;
    quint16 m_port = 0;
    qint64 m_pid = 0;
};
