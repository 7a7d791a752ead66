// The game's start-up as the benchmark measures it: the same window on a program folder as
// the game's main(), leaving after its first paint.
#include "app/program.h"
#include "firstpaint.h"
#include "game/frmmain.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvane-startup PROGRAM-FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    Program program(QString::fromLocal8Bit(argv[1]));
    FrmMain &window = program.window();
    QuitAfterFirstPaint::install(&window);
    window.show();
    return app.exec();
}
