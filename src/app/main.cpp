#include "game/frmmain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    // Every file the game keeps lives beside the executable.
    FrmMain window(QCoreApplication::applicationDirPath());
    window.show();
    return app.exec();
}
