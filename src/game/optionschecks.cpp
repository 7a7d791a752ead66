#include "optionschecks.h"

#include "gamenames.h"
#include "model/gamefiles.h"
#include "sync/hostport.h"

#include <QFileInfo>

#include <algorithm>

namespace {
TradeMessage refusal(const QString &text)
{
    return TradeMessage{text, QString(), TradeMessage::Icon::Warning};
}
} // namespace

std::optional<TradeMessage> optionsRefusal(const SettingsChoice &choice, const QString &programFolder)
{
    if (const std::optional<QString> problem = gameNameProblem(choice.defaultGame))
        return refusal(QStringLiteral("The default game cannot be \"%1\": %2. Nothing was saved.")
                           .arg(choice.defaultGame, *problem));
    // Exactly this name: no wildcards, and case counts as it does for the files.
    if (!QFileInfo(savedGamePath(programFolder, choice.defaultGame)).isFile())
        return TradeMessage{
            QStringLiteral("The savegame file ") + choice.defaultGame +
                QStringLiteral(" has not been found on your computer.\r\nCheck what you entered "
                               "carefully."),
            QStringLiteral("File not found !"), TradeMessage::Icon::Warning};
    if (!choice.useProxy)
        return std::nullopt;
    const QString host = choice.proxyHost.trimmed();
    if (host.isEmpty() || std::any_of(host.begin(), host.end(), [](QChar c) { return c.isSpace(); }))
        return refusal(QStringLiteral("The \"Proxy Adress :\" box must hold a host name or address, "
                                      "without blanks. Nothing was saved."));
    if (!portFromText(choice.proxyPort))
        return refusal(QStringLiteral("The \"Proxy Port :\" box must hold a whole number from 1 to 65535. "
                                      "Nothing was saved."));
    return std::nullopt;
}
