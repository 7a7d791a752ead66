#include "gamenames.h"

#include "model/gamefiles.h"
#include "model/numbertext.h"

#include <QDir>

#include <algorithm>

QString limitGameName(const QString &text)
{
    if (text.size() <= kMaxGameNameLength)
        return text;
    QString kept = text.right(kMaxGameNameLength);
    if (kept.front().isLowSurrogate())
        kept.remove(0, 1);
    return kept;
}

QString newGamePreviewText(const QString &gameName)
{
    return QStringLiteral("Choose a name for this game. The saved game will be : ") + gameName +
           QStringLiteral(".qvn");
}

QString startingCashText(GameLevel level)
{
    switch (level) {
    case GameLevel::Easy:
        return QStringLiteral("100000");
    case GameLevel::Medium:
        return QStringLiteral("10000");
    case GameLevel::Hard:
        return QStringLiteral("2000");
    }
    return QStringLiteral("100000");
}

QString gameLevelName(GameLevel level)
{
    switch (level) {
    case GameLevel::Easy:
        return QStringLiteral("Easy");
    case GameLevel::Medium:
        return QStringLiteral("Medium");
    case GameLevel::Hard:
        return QStringLiteral("Hard");
    }
    return QStringLiteral("Easy");
}

std::optional<QString> gameNameProblem(const QString &gameName)
{
    if (gameName.contains(QLatin1Char('/')) || gameName.contains(QLatin1Char('\\')))
        return QStringLiteral("a game name cannot hold \"/\" or \"\\\"");
    if (gameName.contains(QLatin1String("..")))
        return QStringLiteral("a game name cannot hold \"..\"");
    // Refused everywhere, not only where the file system refuses them, so saved games can
    // be copied between machines.
    static const QString reserved = QStringLiteral(":*?\"<>|");
    for (QChar c : gameName) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("a game name cannot hold control characters such as a tab or a line break");
        if (reserved.contains(c))
            return QStringLiteral("a game name cannot hold any of the characters : * ? \" < > |");
    }
    if (!QStringView(gameName).isValidUtf16())
        return QStringLiteral("the name holds a character that cannot be part of a file name");
#ifdef Q_OS_WIN
    static const QStringList devices = {
        QStringLiteral("CON"),  QStringLiteral("PRN"),  QStringLiteral("AUX"),  QStringLiteral("NUL"),
        QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"), QStringLiteral("COM4"),
        QStringLiteral("COM5"), QStringLiteral("COM6"), QStringLiteral("COM7"), QStringLiteral("COM8"),
        QStringLiteral("COM9"), QStringLiteral("LPT1"), QStringLiteral("LPT2"), QStringLiteral("LPT3"),
        QStringLiteral("LPT4"), QStringLiteral("LPT5"), QStringLiteral("LPT6"), QStringLiteral("LPT7"),
        QStringLiteral("LPT8"), QStringLiteral("LPT9")};
    if (devices.contains(gameName, Qt::CaseInsensitive))
        return QStringLiteral("Windows keeps this name for a device");
#endif
    return std::nullopt;
}

QString replaceQuestionText(const QString &gameName)
{
    return QStringLiteral("A saved game named %1 already exists. Replace it?").arg(gameName);
}

QStringList listSavedGames(const QString &folder)
{
    // Hidden files too: the game with the empty name is saved as ".qvn".
    QStringList names = QDir(folder).entryList(
        {QStringLiteral("*.qvn")}, QDir::Files | QDir::Hidden | QDir::CaseSensitive, QDir::NoSort);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int byLetter = a.compare(b, Qt::CaseInsensitive);
        return byLetter != 0 ? byLetter < 0 : a < b;
    });
    return names;
}

QString gameNameOfFile(const QString &fileName)
{
    return fileName.size() >= 4 ? fileName.chopped(4) : QString();
}

SavedGamePreview previewSavedGame(const GameFolder &folder, const QString &fileName)
{
    SavedGamePreview preview;
    preview.ownerText = QStringLiteral("Property of ") + gameNameOfFile(fileName);
    Money cash;
    if (ReadSavedGameCash(folder, fileName, cash))
        preview.moneyText = QStringLiteral("Available Money : the file cannot be read");
    else
        preview.moneyText =
            QStringLiteral("Available Money : ") + moneyToText(cash, folder.decimal) + QStringLiteral(" USD");
    return preview;
}

FileStatus switchGame(const GameFolder &folder, const QString &fileName, bool withFavorites, GameState &state,
                      QStringList &favorites)
{
    const QString gameName = gameNameOfFile(fileName);
    GameState loaded = state;
    if (FileStatus error = ReadSavedGame(folder, gameName, loaded))
        return error;
    QStringList tickers;
    if (withFavorites) {
        if (FileStatus error = ReadFavorites(folder, gameName, tickers))
            return error;
    }
    state.gameName = gameName;
    state.cash = loaded.cash;
    state.holdings = loaded.holdings;
    if (withFavorites)
        favorites = tickers;
    return std::nullopt;
}
