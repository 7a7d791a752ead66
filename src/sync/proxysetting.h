#pragma once

#include "model/settings.h"

#include <QString>

// The player's HTTP proxy, derived from the settings by one rule for every request the game
// makes: the quote download, the chart image and the information page.
struct ProxySetting
{
    bool enabled = false; // "UseProxy=Yes"
    // Where to connect: a port written in the host line ("proxy1:3128") wins over the port
    // line, which must be plain digits from 1 to 65535. Empty and 0 when neither gives one.
    QString host;
    quint16 port = 0;

    // On, but with nowhere to connect: every request fails rather than going direct.
    bool isBroken() const { return enabled && (host.isEmpty() || port == 0); }
    bool operator==(const ProxySetting &) const = default;
};

ProxySetting proxyFromSettings(const Settings &settings);
