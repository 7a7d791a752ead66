// Stands in for a game that dies: starts the market the way the game does, prints the
// market's process id and aborts without stopping it.
#include "sync/localmarket.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    LocalMarket market(QString::fromLocal8Bit(argv[1]));
    QObject::connect(&market, &LocalMarket::settled, [&market] {
        std::printf("%lld\n", static_cast<long long>(market.startedProcessId()));
        std::fflush(stdout);
        std::abort();
    });
    market.ensure(quint16(QByteArray(argv[2]).toUInt()));
    return app.exec();
}
