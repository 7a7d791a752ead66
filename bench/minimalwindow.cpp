// The baseline of the start-up benchmark: the smallest Qt window program we could ship.
#include "firstpaint.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("Hello")));
    window.resize(669, 430);
    QuitAfterFirstPaint::install(&window);
    window.show();
    return app.exec();
}
