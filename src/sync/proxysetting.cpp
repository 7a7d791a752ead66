#include "proxysetting.h"

#include "hostport.h"

ProxySetting proxyFromSettings(const Settings &settings)
{
    ProxySetting proxy;
    proxy.enabled = settings.useProxy();
    if (!proxy.enabled)
        return proxy;
    const quint16 linePort = portFromText(settings.proxyPort.trimmed()).value_or(0);
    const HostPort target = splitHostPort(settings.proxyHost.trimmed(), linePort);
    if (target.valid) {
        proxy.host = target.name;
        proxy.port = target.port;
    }
    return proxy;
}
