// Time of one trade's saved-game rewrite, for a new game's 228 rows and for the largest game
// the format allows, against the same bytes written, fsynced and renamed by the simplest code
// and against a plain overwrite, both measured in the same run; the replacer alone shows how
// much of the rewrite is the file replacement. Usage: bench_rewrite [runs]
#include "model/atomicfile.h"
#include "model/gamefileformat.h"
#include "model/gamefiles.h"
#include "model/numbertext.h"
#include "model/stockcatalogue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double medianMicroseconds(int runs, const std::function<void()> &once)
{
    QList<qint64> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        once();
        times.append(timer.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2] / 1000.0;
}

QList<Holding> holdingsOf(int rows)
{
    QList<Holding> holdings;
    const QStringList tickers = AllTickersAlphabetical();
    for (int i = 0; i < rows; ++i)
        holdings.append(
            {i < tickers.size() ? tickers[i] : QStringLiteral("Q%1").arg(i, 5, 10, QChar(u'0')), i % 7});
    return holdings;
}

void measure(const QString &folder, int rows, int runs)
{
    const QByteArray bytes = savedGameBytes("100000", holdingsOf(rows));
    const QString path = savedGamePath(folder, QStringLiteral("Bench"));
    QFile seed(path);
    if (!seed.open(QIODevice::WriteOnly) || seed.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    seed.close();
    GameState state;
    state.gameName = QStringLiteral("Bench");
    if (const FileStatus error = ReadSavedGame(folder, *state.gameName, state))
        qFatal("%s", qPrintable(error->text()));
    const QString traded = state.holdings[rows / 2].ticker;

    int trade = 0;
    auto rewrite = [&] {
        const qint64 change = (trade++ % 2) ? -1 : 1; // keeps the file the same size
        if (const FileStatus error =
                RewriteSavedGameAfterTrade(folder, state, QStringLiteral("99000.5"), traded, change))
            qFatal("%s", qPrintable(error->text()));
    };
    auto plainOverwrite = [&] {
        QFile file(folder + QStringLiteral("/plain.qvn"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("plain overwrite failed");
    };

    // The least a durable replace must do: write, fsync, rename, fsync the folder.
    const QByteArray target = QFile::encodeName(folder + QStringLiteral("/synced.qvn"));
    const QByteArray temporary = target + ".new";
    const QByteArray folderName = QFile::encodeName(folder);
    auto syncedReplace = [&] {
        const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() ||
            ::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(temporary.constData(), target.constData()) != 0)
            qFatal("synced replace failed");
        const int dir = ::open(folderName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0 || ::fsync(dir) != 0 || ::close(dir) != 0)
            qFatal("folder sync failed");
    };

    const QString replacedPath = folder + QStringLiteral("/replaced.qvn");
    auto replaceOnly = [&] {
        if (const FileStatus error = FileReplacer::onDisk().replace(replacedPath, bytes))
            qFatal("%s", qPrintable(error->text()));
    };

    const double plain = medianMicroseconds(runs, plainOverwrite);
    const double synced = medianMicroseconds(runs, syncedReplace);
    const double replaced = medianMicroseconds(runs, replaceOnly);
    const double ours = medianMicroseconds(runs, rewrite);

    std::printf("%6d rows %8lld bytes | plain overwrite %9.1f us | write+fsync+rename %9.1f us | "
                "replacer %9.1f us (x%.2f) | trade rewrite %9.1f us (x%.2f of the synced replace)\n",
                rows, static_cast<long long>(bytes.size()), plain, synced, replaced, replaced / synced, ours,
                ours / synced);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 31;
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");
    std::printf("saved-game rewrite after a trade, median of %d runs\n", runs);
    measure(dir.path(), 228, runs);
    measure(dir.path(), kMaxHoldings, runs);
    return 0;
}
