#pragma once

#include "model/fileerror.h"
#include "model/settings.h"
#include "trading/trade.h"

#include <optional>

// What the options dialog may change: the settings file.
class OptionsDesk
{
public:
    virtual ~OptionsDesk() = default;

    // The settings as options.cfg now holds them (the default game loads at the next start).
    virtual const Settings &settings() const = 0;
    // "Save and Close": checks the choice, rewrites options.cfg and takes the new proxy for the
    // next download. A refusal or failure comes back as the message to show, and then nothing
    // was written and nothing changed.
    virtual std::optional<TradeMessage> saveOptions(const SettingsChoice &choice) = 0;
};
