#include "markethttpserver.h"
#include "marketservice.h"
#include "serviceoptions.h"
#include "simulatedmarket.h"
#include "systemmarketclock.h"

#include <QGuiApplication>

#include <csignal>
#include <pthread.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <thread>

namespace {

// Qt only speaks up here about the desktop it does not have; real trouble still shows.
void filterQtMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "quorvane-market: %s\n", qPrintable(message));
}

} // namespace

int main(int argc, char **argv)
{
    std::string error;
    const std::optional<ServiceOptions> options =
        ServiceOptions::parse(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!options) {
        std::fprintf(stderr, "quorvane-market: %s\nTry 'quorvane-market --help'.\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(ServiceOptions::usage().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::puts("quorvane-market " QUORVANE_VERSION);
        return 0;
    }

    // Signals are taken by one thread with sigwait(); every other thread, the library's
    // event loops included, inherits this mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    // Only for the fonts of the chart images; nothing is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(filterQtMessages);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    SimulatedMarket market(options->seed);
    SystemMarketClock clock(options->speed);
    MarketHttpServer::raiseOpenFileLimit();
    ServerLimits limits;
    limits.maxConnectionsPerClient = options->perClient;
    MarketHttpServer server(limits);
    // Declared after the server, so its render threads stop before the server goes.
    MarketService service(market, clock);
    service.install(server);

    std::mutex logMutex;
    if (!options->quiet) {
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
        server.setLogger([&logMutex](const HttpRequest &req, const HttpAnswer &answer) {
            std::lock_guard lock(logMutex);
            std::printf("%s \"%s %s\" %d %zu\n", req.remoteAddress.c_str(), req.method.c_str(),
                        req.target.c_str(), answer.status, answer.content().size());
        });
    }

    const std::optional<int> port = server.bindTo(options->bind, options->port, &error);
    if (!port) {
        std::fprintf(stderr, "quorvane-market: %s\n", error.c_str());
        return 1;
    }
    // A port picked by the system is always told, even quietly: whoever started the service
    // (the game, for one) has no other way to learn it.
    if (!options->quiet || options->port == 0) {
        std::printf("quorvane-market: serving on http://%s:%d (seed %llu, speed %g); Ctrl+C stops it\n",
                    options->bind.c_str(), *port, static_cast<unsigned long long>(options->seed),
                    options->speed);
        std::fflush(stdout);
    }

    std::atomic<bool> finished{false};
    std::thread signalWaiter([&] {
        int received = 0;
        const timespec slice{0, 200 * 1000 * 1000};
        while (!finished) {
            received = sigtimedwait(&stopSignals, nullptr, &slice);
            if (received == SIGINT || received == SIGTERM) {
                server.shutdown();
                return;
            }
        }
    });

    const bool served = server.serve();
    finished = true;
    signalWaiter.join();
    if (!served) {
        std::fprintf(stderr, "quorvane-market: stopped serving unexpectedly\n");
        return 1;
    }
    if (!options->quiet)
        std::printf("quorvane-market: stopped\n");
    return 0;
}
