#pragma once

#include <QString>

#include <optional>

// Where to connect for a "host[:port]" text; a bracketed IPv6 literal may carry a port too.
struct HostPort
{
    QString name;
    quint16 port = 0;
    bool valid = false;
};
HostPort splitHostPort(const QString &text, quint16 defaultPort);

// A port written as plain digits, 1 to 65535: no sign, no blanks, nothing else.
std::optional<quint16> portFromText(const QString &digits);
