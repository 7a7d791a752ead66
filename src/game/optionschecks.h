#pragma once

#include "model/settings.h"
#include "trading/trade.h"

#include <QString>

#include <optional>

// Why the options dialog's choice must not be saved, as the message to show; nothing when it
// may. The default game must be a saved game of `programFolder` by exactly that name, and a
// proxy in use needs a host without blanks and a port from 1 to 65535.
std::optional<TradeMessage> optionsRefusal(const SettingsChoice &choice, const QString &programFolder);
