#pragma once

// Load on a market service over plain sockets: crowds of idle or trickling connections from
// other loopback addresses, timed quote requests and bulk keep-alive requests. Shared by the
// abuse test and its benchmarks.
#include "common/rawhttp.h"

#include <sys/resource.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

namespace marketload {

using namespace rawhttp;

inline void raiseOpenFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// The n-th loopback address from 127.0.0.2 on.
inline std::string loopbackAddress(int n)
{
    return "127.0." + std::to_string(n / 250) + "." + std::to_string(2 + n % 250);
}

inline std::string quoteRequest(std::string_view ticker, bool keepAlive)
{
    return "GET /d/quotes.csv?s=" + std::string(ticker) +
           "&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
           (keepAlive ? "" : "Connection: close\r\n") + "\r\n";
}

inline bool isQuote(const std::optional<Answer> &answer, std::string_view ticker)
{
    return answer && answer->status == 200 && answer->body.rfind("\"" + std::string(ticker) + "\",", 0) == 0;
}

// Connections held open, perAddress from each address from loopbackAddress(firstAddress) on.
// Slow ones have sent the start of a request head and add one byte to it at each trickle().
class Crowd
{
public:
    Crowd(int port, int count, int perAddress, int firstAddress, bool slow) : m_slow(slow)
    {
        for (int i = 0; i < count; ++i) {
            const int fd = connectFrom(port, loopbackAddress(firstAddress + i / perAddress));
            if (fd >= 0 && (!slow || sendAll(fd, "GET /infos HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ")))
                m_sockets.push_back(fd);
            else if (fd >= 0)
                ::close(fd);
        }
    }
    ~Crowd()
    {
        for (int fd : m_sockets)
            ::close(fd);
    }
    Crowd(const Crowd &) = delete;
    Crowd &operator=(const Crowd &) = delete;

    int size() const { return int(m_sockets.size()); }
    void trickle()
    {
        for (int fd : m_sockets)
            if (m_slow)
                ::send(fd, "s", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    }

private:
    bool m_slow;
    std::vector<int> m_sockets;
};

struct Timing
{
    std::vector<double> ms; // every request, failed ones included
    int failed = 0;

    double percentile(double p) const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty()
                   ? 0
                   : sorted[std::min(sorted.size() - 1, std::size_t(p / 100.0 * double(sorted.size())))];
    }
};

// count quote requests from 127.0.0.1, each on a new connection, timed from connect to the
// whole answer (a failure with the time it took); between() runs before each.
inline Timing timeQuotes(int port, int count, int timeoutMs, const std::function<void()> &between)
{
    Timing timing;
    for (int i = 0; i < count; ++i) {
        between();
        const auto start = std::chrono::steady_clock::now();
        timing.failed += !isQuote(Client(port).exchange(quoteRequest("MSFT", false), timeoutMs), "MSFT");
        timing.ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return timing;
}

// total quote requests over `connections` keep-alive connections in parallel, sixteen from
// each address from 127.0.1.152 on, reconnecting when the service ends one; the number that
// failed.
inline int bulkQuotes(int port, int connections, int total)
{
    std::atomic<int> failed{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < connections; ++c)
        clients.emplace_back([&, c] {
            std::optional<Client> client;
            for (int i = total / connections + (c < total % connections); i > 0; --i) {
                if (!client)
                    client.emplace(port, loopbackAddress(400 + c / 16));
                const std::optional<Answer> answer = client->exchange(quoteRequest("IBM", true));
                failed += !isQuote(answer, "IBM");
                if (!answer || answer->closes)
                    client.reset();
            }
        });
    for (std::thread &t : clients)
        t.join();
    return failed;
}

// Resident memory of a process in KiB, from /proc; 0 when unknown.
inline long residentKiB(long pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

} // namespace marketload
