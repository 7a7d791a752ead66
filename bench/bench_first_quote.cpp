// The first click on a fresh start, when the game has to start its own market: from the mouse
// press on a row right after the window shows to the quote in lblTrade. Each round starts a new
// window and market (127.0.0.1:8421 must be free) and ends both. Prints the median and range,
// with the market's own start-up time beside it.
#include "common/listrows.h"
#include "game/frmmain.h"
#include "game/gamesession.h"
#include "model/gamefiles.h"
#include "platform/tcpsocket.h"
#include "sync/localmarket.h"
#include "sync/marketconnection.h"
#include "sync/systemclock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}
} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_first_quote MARKET-EXECUTABLE [ROUNDS]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString market = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    const QString tickers[] = {QStringLiteral("IBM"), QStringLiteral("MSFT"), QStringLiteral("INTC")};

    std::vector<double> toQuote, toMarket;
    for (int round = 0; round < rounds; ++round) {
        QTemporaryDir folder;
        writeFile(folder.filePath(QStringLiteral("options.cfg")),
                  "[Quorvane Settings]\r\nplayer\r\nLoadFavorites=No\r\nEnableMusic=No\r\nUseProxy=No\r\n"
                  "null\r\nnull\r\n");
        writeFile(folder.filePath(QStringLiteral("player.qvn")), newSavedGameBytes(QStringLiteral("100000")));
        writeFile(folder.filePath(QStringLiteral("player.fav")), "[Quorvane Favorites File]\r\n");

        auto session = std::make_unique<GameSession>(folder.path(), std::make_unique<TcpSocket>(),
                                                     std::make_unique<SystemClock>(), NumberFormat{});
        session->market().setLocalMarket(std::make_unique<LocalMarket>(market));
        LocalMarket *local = session->market().localMarket();
        FrmMain window(std::move(session));
        QElapsedTimer sinceShow;
        window.show();
        sinceShow.start();
        double marketMs = -1;
        QObject::connect(local, &LocalMarket::settled,
                         [&] { marketMs = double(sinceShow.nsecsElapsed()) / 1e6; });

        auto *list = window.findChild<QListWidget *>(QStringLiteral("LstStocks"));
        auto *trade = window.findChild<QLabel *>(QStringLiteral("lblTrade"));
        const QString &ticker = tickers[round % 3];
        const auto rows = list->findItems(ticker, Qt::MatchExactly);
        if (rows.isEmpty())
            return 1;
        const QPoint at = rowCentre(list, rows.first());
        QElapsedTimer sinceClick;
        sinceClick.start();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        // Wait on the event loop, woken by the session's redraws, not by spinning.
        QEventLoop wait;
        QObject::connect(&window.session(), &GameSession::panelChanged, &wait, [&] {
            if (!trade->text().isEmpty())
                wait.quit();
        });
        QTimer::singleShot(20000, &wait, &QEventLoop::quit);
        if (trade->text().isEmpty())
            wait.exec();
        const double ms = double(sinceClick.nsecsElapsed()) / 1e6;
        if (trade->text().isEmpty() || !local->isReady() || local->startedProcessId() == 0) {
            std::fprintf(stderr, "round %d: no quote from a market the game started (is 8421 free?)\n",
                         round);
            return 1;
        }
        toQuote.push_back(ms);
        toMarket.push_back(marketMs);
        window.close();
    }
    std::printf(
        "first click to quote, game starting its market: median %.1f ms (min %.1f, max %.1f, %d rounds)\n",
        median(toQuote), *std::min_element(toQuote.begin(), toQuote.end()),
        *std::max_element(toQuote.begin(), toQuote.end()), rounds);
    std::printf("window shown to market ready: median %.1f ms\n", median(toMarket));
    return 0;
}
