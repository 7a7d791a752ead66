#pragma once

#include <cstddef>

// What one client may cost the service. A few threads run one event loop for every connection,
// so an idle or slow client costs a socket and a little memory, never a thread; the caps below
// bound how many connections one machine, and everyone together, may hold.
struct ServerLimits
{
    std::size_t maxRequestLineBytes = 8192; // longer: 414
    std::size_t maxHeadBytes = 16384;       // request line and headers together; longer: 431
    std::size_t maxBodyBytes = 4096;        // no endpoint takes a body; longer: 413
    int readTimeoutMs = 5000;               // a new connection's wait for its first request
    int requestTimeoutMs = 10000;           // a whole request, however slowly it trickles in
    int keepAliveTimeoutMs = 5000;          // idle time between requests on one connection
    int keepAliveMaxRequests = 1000;
    int writeTimeoutMs = 5000; // a client that stops reading its answer
    int threads = 4;           // threads running the one event loop
    unsigned maxConnections = 4000;
    unsigned maxConnectionsPerClient = 32; // per client address
    int listenBacklog = 1024;
};
