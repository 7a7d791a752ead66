#include "hostport.h"

std::optional<quint16> portFromText(const QString &digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    int value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > 65535)
            return std::nullopt;
    }
    if (value < 1 || value > 65535)
        return std::nullopt;
    return quint16(value);
}

HostPort splitHostPort(const QString &text, quint16 defaultPort)
{
    HostPort result;
    result.port = defaultPort;
    QString portText;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return result;
        result.name = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return result;
            portText = rest.mid(1);
        }
    } else if (text.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        result.name = text.left(colon);
        portText = text.mid(colon + 1);
        if (portText.isEmpty())
            return result;
    } else {
        result.name = text; // a name, or an IPv6 literal without brackets
    }
    if (!portText.isEmpty()) {
        const std::optional<quint16> port = portFromText(portText);
        if (!port)
            return result;
        result.port = *port;
    }
    result.valid = !result.name.isEmpty() && result.port != 0;
    return result;
}
