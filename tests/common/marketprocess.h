#pragma once

// Helpers for tests that start real market processes: whether a port is free, whether a
// market answers quotes there, and waiting for a process that is not our child to end.
#include <QHostAddress>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

inline bool portIsFree(quint16 port)
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, port);
}

// One IBM quote request; true when a market's quote line comes back.
inline bool answersQuotes(quint16 port)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    if (!s.waitForConnected(1000))
        return false;
    s.write(
        "GET /d/quotes.csv?s=IBM&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    QByteArray answer;
    while (s.waitForReadyRead(2000))
        answer += s.readAll();
    return answer.startsWith("HTTP/1.1 200") && answer.contains("\r\n\r\n\"IBM\",");
}

inline bool processExists(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
}

// A pidfd becomes readable when its process ends.
inline bool waitForExit(qint64 pid, int ms)
{
    const int fd = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
    if (fd < 0)
        return errno == ESRCH; // already gone
    pollfd entry{fd, POLLIN, 0};
    const int ready = ::poll(&entry, 1, ms);
    ::close(fd);
    return ready == 1;
}

// Starts the built quorvane-market on a port of the system's choosing, as the game does; the port
// it announces, or 0 when none came within waitMs of silence.
inline int startMarketOnFreePort(QProcess &process, const QStringList &extra, int waitMs)
{
    process.start(qEnvironmentVariable("QUORVANE_PROGRAM_DIR") + QStringLiteral("/quorvane-market"),
                  QStringList{QStringLiteral("--port"), QStringLiteral("0")} + extra);
    QByteArray out;
    const QRegularExpression banner(QStringLiteral("serving on http://127\\.0\\.0\\.1:(\\d+)"));
    while (process.waitForReadyRead(waitMs)) {
        out += process.readAllStandardOutput();
        const auto match = banner.match(QString::fromLatin1(out));
        if (match.hasMatch())
            return match.captured(1).toInt();
    }
    return 0;
}
