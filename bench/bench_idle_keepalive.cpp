// A new request behind a crowd of idle keep-alive clients: IDLE connections from 127.0.0.2 on,
// ten per address, each asks one quote and then stays open and silent; then REQUESTS quotes
// from 127.0.0.1, a new connection each, timed from connect to the whole answer. Prints
// "p50 p99 failed still-open" (milliseconds); bench_market.sh runs it against the market and
// against nginx serving the same quote file.
//
//   bench_idle_keepalive PORT [IDLE [REQUESTS]]
#include "market/marketload.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_idle_keepalive PORT [IDLE [REQUESTS]]\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const int idle = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int requests = argc > 3 ? std::atoi(argv[3]) : 200;
    marketload::raiseOpenFileLimit();

    std::vector<int> crowd;
    for (int i = 0; i < idle; ++i) {
        const int fd = marketload::connectFrom(port, marketload::loopbackAddress(i / 10));
        if (fd < 0)
            continue;
        // Answered once, so the server holds it as an idle keep-alive connection.
        if (marketload::sendAll(fd, marketload::quoteRequest("MSFT", true)) &&
            marketload::isQuote(marketload::Reader(fd).read(10000), "MSFT"))
            crowd.push_back(fd);
        else
            ::close(fd);
    }

    const marketload::Timing timing = marketload::timeQuotes(port, requests, 10000, [] {});

    // Those the server closed meanwhile read as end of file at once.
    int open = 0;
    for (int fd : crowd) {
        pollfd entry{fd, POLLIN, 0};
        open += ::poll(&entry, 1, 0) == 0;
        ::close(fd);
    }
    std::printf("%.2f %.2f %d %d\n", timing.percentile(50), timing.percentile(99), timing.failed, open);
    return 0;
}
