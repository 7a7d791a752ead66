// Renders the real main window offscreen into a PNG, for the README.
// With a ticker, that stock is selected first and its quote and chart awaited.
#include "game/frmmain.h"
#include "platform/webpane.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: quorvane-screenshot OUTPUT.png [TICKER]\n");
        return 2;
    }
    QApplication app(argc, argv);
    FrmMain window(QCoreApplication::applicationDirPath());
    window.show();
    auto *pane = window.findChild<WebPane *>(QStringLiteral("WebBrowser"));
    QSignalSpy loaded(pane, &WebPane::loaded);
    if (!pane->currentUrl().isLocalFile())
        loaded.wait(3000);

    if (argc > 2) {
        auto *list = window.findChild<QListWidget *>(QStringLiteral("LstStocks"));
        const auto rows = list->findItems(QString::fromLocal8Bit(argv[2]), Qt::MatchExactly);
        if (rows.isEmpty()) {
            std::fprintf(stderr, "no row %s in the stock list\n", argv[2]);
            return 1;
        }
        loaded.clear();
        list->setCurrentItem(rows.first());
        list->scrollToItem(rows.first());
        auto *trade = window.findChild<QLabel *>(QStringLiteral("lblTrade"));
        if (!QTest::qWaitFor([&] { return !trade->text().isEmpty() && loaded.count() > 0; }, 5000))
            std::fprintf(stderr, "no quote or chart within 5 s; taking the picture anyway\n");
    }
    QCoreApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
