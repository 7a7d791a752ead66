// Renders the real main window offscreen into a PNG, for the README and the manual.
// With a ticker, that stock is selected first and its quote and chart awaited. With
// --dialog filter, about or options, that dialog is opened and drawn instead of the window.
#include "game/frmmain.h"
#include "platform/webpane.h"

#include <QApplication>
#include <QHoverEvent>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString dialog;
    if (const qsizetype at = args.indexOf(QStringLiteral("--dialog")); at >= 0 && at + 1 < args.size()) {
        dialog = args.takeAt(at + 1);
        args.removeAt(at);
    }
    if (args.isEmpty() || (!dialog.isEmpty() && dialog != QStringLiteral("filter") &&
                           dialog != QStringLiteral("about") && dialog != QStringLiteral("options"))) {
        std::fprintf(stderr,
                     "usage: quorvane-screenshot OUTPUT.png [TICKER] [--dialog filter|about|options]\n");
        return 2;
    }
    FrmMain window(QCoreApplication::applicationDirPath());
    window.show();
    auto *pane = window.findChild<WebPane *>(QStringLiteral("WebBrowser"));
    QSignalSpy loaded(pane, &WebPane::loaded);
    if (!pane->currentUrl().isLocalFile())
        loaded.wait(3000);

    if (args.size() > 1) {
        auto *list = window.findChild<QListWidget *>(QStringLiteral("LstStocks"));
        const auto rows = list->findItems(args[1], Qt::MatchExactly);
        if (rows.isEmpty()) {
            std::fprintf(stderr, "no row %s in the stock list\n", qPrintable(args[1]));
            return 1;
        }
        loaded.clear();
        list->setCurrentItem(rows.first());
        list->scrollToItem(rows.first());
        auto *trade = window.findChild<QLabel *>(QStringLiteral("lblTrade"));
        if (!QTest::qWaitFor([&] { return !trade->text().isEmpty() && loaded.count() > 0; }, 5000))
            std::fprintf(stderr, "no quote or chart within 5 s; taking the picture anyway\n");
    }
    QWidget *shown = &window;
    if (dialog == QStringLiteral("filter")) {
        window.cmdFilter_Click();
        shown = window.findChild<QWidget *>(QStringLiteral("frmFilter"));
        // The description of a sector, as the pointer over it shows.
        if (auto *energy = shown->findChild<QWidget *>(QStringLiteral("Check6"))) {
            QHoverEvent over(QEvent::HoverEnter, QPointF(4, 4), QPointF(4, 4), QPointF(-1, -1));
            QCoreApplication::sendEvent(energy, &over);
        }
    } else if (dialog == QStringLiteral("options")) {
        window.MnuProxy_Click();
        shown = window.findChild<QWidget *>(QStringLiteral("frmOptions"));
    } else if (dialog == QStringLiteral("about")) {
        window.mnuAbout_Click();
        shown = window.findChild<QWidget *>(QStringLiteral("frmAbout"));
    }
    QCoreApplication::processEvents();
    if (!shown->grab().save(args[0])) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args[0]));
        return 1;
    }
    return 0;
}
