#include "servicesconfig.h"

#include <QFile>
#include <QList>

namespace {

constexpr qint64 kReadLimit = 64 * 1024;

} // namespace

bool ServicesConfig::quotesFromBundledMarket() const
{
    return quoteHost == ServicesConfig().quoteHost;
}

void ServicesConfig::moveBundledMarket(const QString &host)
{
    const ServicesConfig defaults;
    if (quoteHost == defaults.quoteHost)
        quoteHost = host;
    if (chartHost == defaults.chartHost)
        chartHost = host;
    if (infoPage == defaults.infoPage)
        infoPage = QStringLiteral("http://") + host + QStringLiteral("/infos");
}

ServicesConfig readServicesConfig(const QString &programFolder)
{
    ServicesConfig config;
    QFile file(programFolder + QStringLiteral("/services.cfg"));
    if (!file.open(QIODevice::ReadOnly))
        return config;
    const QList<QByteArray> lines = file.read(kReadLimit).split('\n');
    for (const QByteArray &raw : lines) {
        const QString line = QString::fromLatin1(raw).trimmed();
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (value.isEmpty())
            continue;
        if (key == QLatin1String("QuoteHost"))
            config.quoteHost = value;
        else if (key == QLatin1String("ChartHost"))
            config.chartHost = value;
        else if (key == QLatin1String("InfoPage"))
            config.infoPage = value;
    }
    return config;
}
