#include "servicesconfig.h"

#include "model/regularfile.h"

#include <QList>

namespace {

constexpr qint64 kReadLimit = 64 * 1024;

} // namespace

bool ServicesConfig::usesBundledMarket() const
{
    const ServicesConfig defaults;
    return quoteHost == defaults.quoteHost || chartHost == defaults.chartHost ||
           infoPage == defaults.infoPage;
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
    // Anything but a readable file (a pipe or folder too, which is never waited on) leaves the
    // bundled service.
    QByteArray bytes;
    if (readRegularFile(programFolder + QStringLiteral("/services.cfg"), kReadLimit, bytes))
        return config;
    const QList<QByteArray> lines = bytes.split('\n');
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
