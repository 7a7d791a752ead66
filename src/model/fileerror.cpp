#include "fileerror.h"

#include <QDir>
#include <QFileInfo>

namespace {

// What the player calls the file, judged by its name.
QString kindOfFile(const QString &path)
{
    if (path.endsWith(QLatin1String(".qvn")))
        return QStringLiteral("saved game");
    if (path.endsWith(QLatin1String(".fav")))
        return QStringLiteral("favourites file");
    if (QFileInfo(path).fileName() == QLatin1String("options.cfg"))
        return QStringLiteral("settings file");
    return QStringLiteral("file");
}

} // namespace

QString FileError::text() const
{
    if (path.isEmpty())
        return reason;
    const QString detail =
        line > 0 ? QStringLiteral("line %1: %2").arg(QString::number(line), reason) : reason;
    const QString file = QDir::toNativeSeparators(path);
    if (action == FileAction::Write && changed.isEmpty())
        return QStringLiteral("Cannot write the %1 \"%2\" (%3); nothing was changed.")
            .arg(kindOfFile(path), file, detail);
    if (action == FileAction::Write) {
        QString text = QStringLiteral("Cannot write the %1 \"%2\" (%3).").arg(kindOfFile(path), file, detail);
        for (const ChangedFile &other : changed) {
            const QString name = QDir::toNativeSeparators(other.path);
            if (other.keptAs.isEmpty())
                text += QStringLiteral(" The %1 \"%2\" was already written and could not be removed again.")
                            .arg(kindOfFile(other.path), name);
            else
                text += QStringLiteral(" The %1 \"%2\" was already replaced and could not be put back; "
                                       "its old content is kept in \"%3\".")
                            .arg(kindOfFile(other.path), name, QDir::toNativeSeparators(other.keptAs));
        }
        return text + QStringLiteral(" Solve the problem, then do the same again.");
    }
    return QStringLiteral("Cannot read the %1 \"%2\" (%3).").arg(kindOfFile(path), file, detail);
}

QString reasonFromSystem(const QString &message)
{
    QString text = message;
    if (text.size() > 1 && text[0].isUpper() && text[1].isLower())
        text[0] = text[0].toLower();
    return text;
}
