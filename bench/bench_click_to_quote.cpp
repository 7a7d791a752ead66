// Click to quote: from "Synchronize" to the filled quote panel, against a local server that
// answers one quote line. Prints the median and 95th percentile over the rounds.
#include "game/frmmain.h"
#include "game/gamesession.h"
#include "model/gamefiles.h"
#include "sync/quotesync.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

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

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[size_t(p * double(values.size() - 1) + 0.5)];
}
} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_click_to_quote PORT TICKER [ROUNDS]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString host = QStringLiteral("127.0.0.1:") + QString::fromLatin1(argv[1]);
    const QString ticker = QString::fromLatin1(argv[2]);
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 200;

    QTemporaryDir folder;
    writeFile(folder.filePath("options.cfg"),
              "[Quorvane "
              "Settings]\r\nplayer\r\nLoadFavorites=No\r\nEnableMusic=No\r\nUseProxy=No\r\nnull\r\nnull\r\n");
    writeFile(folder.filePath("player.qvn"), newSavedGameBytes(QStringLiteral("100000")));
    writeFile(folder.filePath("player.fav"), "[Quorvane Favorites File]\r\n");
    writeFile(folder.filePath("services.cfg"),
              ("QuoteHost=" + host + "\r\nChartHost=" + host + "\r\n").toLatin1());

    FrmMain window(folder.path());
    GameSession &session = window.session();
    QuoteSync &sync = session.quoteSync();
    bool filled = false;
    QObject::connect(&sync, &QuoteSync::panelChanged, [&] { filled = true; });
    // The first selection fetches a quote too; the rounds start once it is in.
    session.selectStock(ticker);
    while (!(filled && sync.isSyncEnabled()))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);

    std::vector<double> millis;
    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        filled = false;
        QElapsedTimer clock;
        clock.start();
        window.cmdSync_Click();
        while (!(filled && sync.isSyncEnabled()) && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (!filled || session.panel().lblTrade.isEmpty())
            ++failures;
        millis.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("click to quote: %d rounds, median %.2f ms, p95 %.2f ms, %d without a quote\n", rounds,
                percentile(millis, 0.5), percentile(millis, 0.95), failures);
    return failures == 0 ? 0 : 1;
}
