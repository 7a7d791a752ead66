#pragma once

#include <cstddef>

// What one client may cost the service. Every wait is bounded, so an idle or slow client
// holds a worker thread for seconds, never for good.
struct ServerLimits
{
    std::size_t maxRequestLineBytes = 8192; // longer: 414 (also the library's own limit)
    std::size_t maxHeadBytes = 16384;       // request line and headers together; longer: 431
    std::size_t maxBodyBytes = 4096;        // no endpoint takes a body; longer: 413
    int readTimeoutMs = 5000;               // silence allowed while a request arrives
    int requestTimeoutMs = 10000;           // a whole request, however slowly it trickles in
    int keepAliveTimeoutMs = 5000;          // idle time between requests on one connection
    int keepAliveMaxRequests = 1000;
    int writeTimeoutMs = 5000; // a client that stops reading its answer
    int threads = 64;          // connections served at once; more wait to be accepted
};
