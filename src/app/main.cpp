#include "game/frmmain.h"
#include "platform/quitafterfirstpaint.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    // Every file the game keeps lives beside the executable.
    FrmMain window(QCoreApplication::applicationDirPath());
    QuitAfterFirstPaint::installIfAsked(&window);
    window.show();
    return app.exec();
}
