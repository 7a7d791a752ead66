// Raw bytes as one client connection to the market service, parsed, checked, routed and answered
// as a socket's would be, with limits small enough to reach the oversize paths.
#include "marketclock.h"
#include "markethttpserver.h"
#include "marketservice.h"
#include "simulatedmarket.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>
#include <string>

struct FixedClock : MarketClock
{
    QDateTime now() const override { return QDateTime(QDate(2004, 6, 1), QTime(13, 37, 42), Qt::UTC); }
};

struct Service
{
    Service() : market(1), service(market, clock), server(limits) { service.install(server); }

    FixedClock clock;
    SimulatedMarket market;
    MarketService service;
    ServerLimits limits{
        .maxRequestLineBytes = 512, .maxHeadBytes = 1024, .maxBodyBytes = 64, .keepAliveMaxRequests = 8};
    MarketHttpServer server;
};

static Service *g_service = nullptr;

// fontconfig keeps its caches for the life of the process, which the application here is.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Charts need fonts, hence a GUI application without a screen. Both live until the process
    // ends: destroying the application from exit handlers, after Qt's thread storage, crashes.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(*argc, *argv);
    g_service = new Service;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string out =
        g_service->server.answerBytes(std::string_view(reinterpret_cast<const char *>(data), size));
    if (out.empty())
        return 0;
    // Every answer is HTTP/1.1 with its length, however bad the request.
    const std::size_t head = out.find("\r\n\r\n");
    if (out.rfind("HTTP/1.1 ", 0) != 0 || head == std::string::npos ||
        out.substr(0, head).find("\r\nContent-Length: ") == std::string::npos)
        std::abort();
    return 0;
}
