#include "game/frmmain.h"
#include "model/programfolder.h"
#include "platform/messages.h"
#include "program.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QStandardPaths>

#include <cstdio>
#include <optional>

namespace {

// --help and --version are answered on the terminal before anything needs a display or starts
// the market. Other arguments (Qt's own -platform, say) are left to QApplication.
std::optional<int> answerOnTerminal(int argc, char *argv[])
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({help, version});
    (void)parser.parse(args);
    if (parser.isSet(help)) {
        std::fputs("Usage: quorvane [--help | --version]\n"
                   "A stock-market trading game for one player. It keeps its saved games in its data\n"
                   "folder, or in ~/.local/share/Quorvane when installed where players cannot write,\n"
                   "and starts its own market service unless services.cfg points elsewhere.\n"
                   "\n"
                   "Options:\n"
                   "  -h, --help     show this text\n"
                   "  -v, --version  show the version\n"
                   "Qt's own options, such as -platform NAME, are passed on to Qt.\n",
                   stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::puts("quorvane " QUORVANE_VERSION);
        return 0;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const std::optional<int> status = answerOnTerminal(argc, argv))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setDesktopFileName(QStringLiteral("org.example.Quorvane"));

    // The game keeps its files beside the executable or in the data folder installed with it; an
    // installation players cannot write to gets a copy of its own for each player.
    const ProgramFolderChoice folder =
        chooseProgramFolder(QCoreApplication::applicationDirPath(),
                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(folder.shipped + QStringLiteral("/icons/quorvane-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);

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
