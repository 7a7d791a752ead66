// Renders the real main window offscreen into a PNG, for the README.
#include "game/frmmain.h"
#include "platform/webpane.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPixmap>
#include <QSignalSpy>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: quorvane-screenshot OUTPUT.png [PROGRAM-FOLDER]\n");
        return 2;
    }
    QApplication app(argc, argv);
    const QString folder =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QCoreApplication::applicationDirPath();
    FrmMain window(folder);
    window.show();
    // Give the information page a moment to arrive when it comes over the network.
    auto *pane = window.findChild<WebPane *>(QStringLiteral("WebBrowser"));
    if (pane && !pane->currentUrl().isLocalFile()) {
        QSignalSpy loaded(pane, &WebPane::loaded);
        loaded.wait(3000);
    }
    QCoreApplication::processEvents();
    const QPixmap shot = window.grab();
    if (!shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
