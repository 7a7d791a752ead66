#include "game/frmmain.h"
#include "model/programfolder.h"
#include "platform/messages.h"
#include "program.h"

#include <QApplication>
#include <QIcon>
#include <QStandardPaths>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setDesktopFileName(QStringLiteral("org.example.Quorvane"));
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QCoreApplication::applicationDirPath() +
                         QStringLiteral("/icons/quorvane-%1.png").arg(size),
                     QSize(size, size));
    QApplication::setWindowIcon(icon);

    // The game keeps its files beside the executable; an installation players cannot write to
    // gets a copy of its own for each player.
    const ProgramFolderChoice folder =
        chooseProgramFolder(QCoreApplication::applicationDirPath(),
                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    Program program(folder.path);
    FrmMain &window = program.window();
    window.show();
    if (!folder.problems.isEmpty())
        Messages::inform(&window,
                         QStringLiteral("Some of the game's files could not be copied into %1:\n%2")
                             .arg(folder.path, folder.problems.join(u'\n')),
                         QMessageBox::Warning);
    return app.exec();
}
