#include "peerdaemon.h"

#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

bool PeerDaemon::start(const QString &program, const QStringList &arguments, const QString &pidFile,
                       quint16 port, QString *error)
{
    m_pidFile = pidFile;
    m_port = port;
    QProcess launcher;
    launcher.setProcessChannelMode(QProcess::MergedChannels);
    launcher.start(program, arguments);
    if (!launcher.waitForFinished(15000) || launcher.exitStatus() != QProcess::NormalExit ||
        launcher.exitCode() != 0) {
        *error = program + QStringLiteral(" did not start: ") + QString::fromLocal8Bit(launcher.readAll());
        return false;
    }
    return true;
}

bool PeerDaemon::isReady()
{
    if (m_pid <= 0) {
        QFile file(m_pidFile);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        m_pid = file.readAll().trimmed().toLongLong();
        if (m_pid <= 0)
            return false;
    }
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, m_port);
    return probe.waitForConnected(1000);
}

void PeerDaemon::stop()
{
    if (m_pid > 0)
        ::kill(pid_t(m_pid), SIGTERM);
}

bool PeerDaemon::isRunning() const
{
    return m_pid > 0 && ::kill(pid_t(m_pid), 0) == 0;
}

quint16 PeerDaemon::freePort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

bool PeerDaemon::isRoot()
{
    return ::geteuid() == 0;
}
