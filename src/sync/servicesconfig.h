#pragma once

#include <QString>

// Where the quote, chart and information services are, from the optional "services.cfg" in
// the program folder: lines QuoteHost=host[:port], ChartHost=host[:port], InfoPage=URL.
// Unknown lines are ignored; a missing file, line or value means the bundled market service.
struct ServicesConfig
{
    QString quoteHost = QStringLiteral("127.0.0.1:8421");
    QString chartHost = QStringLiteral("127.0.0.1:8421");
    QString infoPage = QStringLiteral("http://127.0.0.1:8421/infos");

    // Some service still names the default address: the game's own market on this machine
    // must run for it (a file naming only another quote host still takes charts from it).
    bool usesBundledMarket() const;
    // The bundled market came up at `host` ("127.0.0.1:port"): every entry still naming the
    // default address follows it.
    void moveBundledMarket(const QString &host);
};

ServicesConfig readServicesConfig(const QString &programFolder);
