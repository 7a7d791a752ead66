// A market service under abuse, for each executable given: quote latency (p50, p99, from
// 127.0.0.1, a new connection per request) with 1,000 idle connections open and with 200
// slowloris connections trickling header bytes, both from other loopback addresses, and the
// service's resident memory after 100,000 keep-alive quote requests.
//
//   bench_market_abuse QUORVANE-MARKET...
#include "market/marketload.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>

#include <cstdio>

namespace {

int start(QProcess &process, const QString &program)
{
    process.start(program, {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--quiet")});
    QByteArray out;
    const QRegularExpression banner(QStringLiteral("serving on http://127\\.0\\.0\\.1:(\\d+)"));
    while (process.waitForReadyRead(15000)) {
        out += process.readAllStandardOutput();
        const auto match = banner.match(QString::fromLatin1(out));
        if (match.hasMatch())
            return match.captured(1).toInt();
    }
    return 0;
}

void stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(15000))
        process.kill();
    process.waitForFinished(5000);
}

void report(const char *what, const marketload::Timing &timing)
{
    std::printf("  %-28s p50 %9.2f ms  p99 %9.2f ms  failed %d of %zu\n", what, timing.percentile(50),
                timing.percentile(99), timing.failed, timing.ms.size());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_market_abuse QUORVANE-MARKET...\n");
        return 2;
    }
    marketload::raiseOpenFileLimit();
    const int requests = 200;
    for (int i = 1; i < argc; ++i) {
        const QString program = QString::fromLocal8Bit(argv[i]);
        std::printf("%s\n", argv[i]);
        {
            QProcess service;
            const int port = start(service, program);
            if (port == 0)
                return 1;
            marketload::Crowd idle(port, 1000, 10, 0, false);
            report("1000 idle connections", marketload::timeQuotes(port, requests, 10000, [] {}));
            stop(service);
        }
        {
            QProcess service;
            const int port = start(service, program);
            if (port == 0)
                return 1;
            marketload::Crowd slow(port, 200, 10, 200, true);
            report("200 slowloris connections",
                   marketload::timeQuotes(port, requests, 10000, [&] { slow.trickle(); }));
            stop(service);
        }
        {
            QProcess service;
            const int port = start(service, program);
            if (port == 0)
                return 1;
            const int failed = marketload::bulkQuotes(port, 64, 100000);
            std::printf("  %-28s %9.1f MiB  failed %d of 100000\n", "resident after 100000",
                        double(marketload::residentKiB(service.processId())) / 1024.0, failed);
            stop(service);
        }
    }
    return 0;
}
