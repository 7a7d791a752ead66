// Click to quote, as the player sees it: from a mouse press on a row of the shown stock list to
// the first paint of "Last Trade" holding that stock's new quote. The tickers rotate, so every
// press is a new selection. Paced at one press every PACE ms (0: back to back). Prints the
// median and 95th percentile.
//
//   bench_click_to_quote HOST:PORT PACE-MS ROUNDS TICKER...
#include "app/program.h"
#include "common/listrows.h"
#include "game/frmmain.h"
#include "game/gamesession.h"
#include "model/gamefiles.h"

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
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[size_t(p * double(values.size() - 1) + 0.5)];
}

// Ends the wait at the first paint of the label once it holds a quote for `ticker`.
class FirstQuotePaint : public QObject
{
public:
    FirstQuotePaint(QLabel *label, GameSession &session) : m_label(label), m_session(session)
    {
        label->installEventFilter(this);
    }
    QString ticker;
    QEventLoop *loop = nullptr;
    bool seen = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint && loop && !seen &&
            !m_label->text().isEmpty() && m_session.panel().lblQuote == ticker) {
            seen = true;
            loop->quit();
        }
        return false;
    }

private:
    QLabel *m_label;
    GameSession &m_session;
};

void waitUntil(qint64 deadlineMs, const QElapsedTimer &since)
{
    const qint64 left = deadlineMs - since.elapsed();
    if (left <= 0)
        return;
    QEventLoop idle;
    QTimer::singleShot(int(left), &idle, &QEventLoop::quit);
    idle.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: bench_click_to_quote HOST:PORT PACE-MS ROUNDS TICKER...\n");
        return 2;
    }
    QApplication app(argc, argv);
    const QByteArray host = argv[1];
    const int pace = std::atoi(argv[2]);
    const int rounds = std::atoi(argv[3]);
    QStringList tickers;
    for (int i = 4; i < argc; ++i)
        tickers << QString::fromLatin1(argv[i]);

    QTemporaryDir folder;
    writeFile(folder.filePath(QStringLiteral("options.cfg")),
              "[Quorvane "
              "Settings]\r\nplayer\r\nLoadFavorites=No\r\nEnableMusic=No\r\nUseProxy=No\r\nnull\r\nnull\r\n");
    writeFile(folder.filePath(QStringLiteral("player.qvn")), newSavedGameBytes(QStringLiteral("100000")));
    writeFile(folder.filePath(QStringLiteral("player.fav")), "[Quorvane Favorites File]\r\n");
    writeFile(folder.filePath(QStringLiteral("services.cfg")),
              "QuoteHost=" + host + "\r\nChartHost=" + host + "\r\nInfoPage=http://" + host + "/infos\r\n");

    Program program(folder.path());
    FrmMain &window = program.window();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qFatal("the window was never shown");
    auto *list = window.findChild<QListWidget *>(QStringLiteral("LstStocks"));
    auto *trade = window.findChild<QLabel *>(QStringLiteral("lblTrade"));
    FirstQuotePaint watch(trade, window.session());

    std::vector<double> millis;
    int failures = 0;
    QElapsedTimer run;
    run.start();
    // One round per ticker first, unmeasured: connections, logos and caches warm up.
    for (int i = -int(tickers.size()); i < rounds; ++i) {
        const QString ticker = tickers[(i + tickers.size()) % tickers.size()];
        const auto rows = list->findItems(ticker, Qt::MatchExactly);
        if (rows.isEmpty())
            qFatal("no row %s", qPrintable(ticker));
        const QPoint at = rowCentre(list, rows.first());
        QCoreApplication::processEvents();
        if (pace > 0)
            waitUntil(qint64(i + tickers.size()) * pace, run);

        QEventLoop loop;
        watch.ticker = ticker;
        watch.seen = false;
        watch.loop = &loop;
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
        if (!watch.seen)
            loop.exec();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        watch.loop = nullptr;
        if (i < 0)
            continue;
        if (!watch.seen)
            ++failures;
        millis.push_back(ms);
    }
    std::printf("%.3f %.3f %d\n", percentile(millis, 0.5), percentile(millis, 0.95), failures);
    return failures == 0 ? 0 : 1;
}
