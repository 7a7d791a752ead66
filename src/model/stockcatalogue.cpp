#include "stockcatalogue.h"

#include <algorithm>
#include <array>

namespace {

struct Entry
{
    const char *ticker;
    const char *name;
    Sector sector;
};

// Catalogue order: sector blocks in order, each block in its listed order.
constexpr std::array<Entry, 228> kEntries = {{
    // Capital Goods
    {"LM", "Lockheed Martin Corporation", Sector::CapitalGoods},
    {"BA", "The Boeing Company", Sector::CapitalGoods},
    {"UDI", "United Defense Industries Inc", Sector::CapitalGoods},
    {"CAT", "Caterpillar Inc", Sector::CapitalGoods},
    {"DE", "Deere and Co", Sector::CapitalGoods},
    {"LR", "Lafarge SA", Sector::CapitalGoods},
    // Technology
    {"CSCO", "Cisco Systems Inc", Sector::Technology},
    {"NOK", "Nokia Oyj", Sector::Technology},
    {"MOT", "Motorola Inc", Sector::Technology},
    {"ALA", "Alcatel", Sector::Technology},
    {"DELL", "DELL Inc", Sector::Technology},
    {"HPQ", "Hewlett-Packard Co.", Sector::Technology},
    {"AAPL", "Apple Computer, Inc.", Sector::Technology},
    {"LOGI", "Logitech International S A", Sector::Technology},
    {"IBM", "International Business Machines", Sector::Technology},
    {"SUNW", "Sun Microsystems, Inc.", Sector::Technology},
    {"NTAP", "Network Appliance Corp", Sector::Technology},
    {"DASTY", "Dassault Systemes SA", Sector::Technology},
    {"NOVL", "Novell Inc", Sector::Technology},
    {"COMS", "3Com Corp", Sector::Technology},
    {"TWX", "Time Warner Inc", Sector::Technology},
    {"YHOO", "Yahoo Inc", Sector::Technology},
    {"TOC", "The Thomson Corp", Sector::Technology},
    {"EMC", "EMC Corp", Sector::Technology},
    {"STX", "Seagate Technology", Sector::Technology},
    {"MXO", "Maxtor Corp", Sector::Technology},
    {"WDC", "Western Digital Corp", Sector::Technology},
    {"A", "Agilent Technologies Inc", Sector::Technology},
    {"TDK", "TDK Corp", Sector::Technology},
    {"AMD", "Advanced Micro Devices, Inc.", Sector::Technology},
    {"INTC", "Intel Corporation", Sector::Technology},
    {"NVDA", "Nvidia Corporation", Sector::Technology},
    {"ATYT", "Ati Technologies Inc", Sector::Technology},
    {"TXN", "Texas Instruments Inc", Sector::Technology},
    {"TSM", "Taiwan Semiconductor Manufacturing Co Ltd", Sector::Technology},
    {"STM", "STMicroelectronics NV", Sector::Technology},
    {"MSFT", "Microsoft Corp", Sector::Technology},
    {"ERTS", "Electronic Arts, Inc.", Sector::Technology},
    {"ADBE", "Adobe Systems Incorporated", Sector::Technology},
    {"ORCL", "Oracle Corp", Sector::Technology},
    {"VRTS", "Veritas Software Corp", Sector::Technology},
    {"SYMC", "Symantec Corp", Sector::Technology},
    {"SAP", "SAP AG", Sector::Technology},
    // Financial
    {"AXP", "American Express Co", Sector::Financial},
    {"FNM", "Fannie Mae", Sector::Financial},
    {"FRE", "Freddie Mac", Sector::Financial},
    {"SLM", "SLM Corp", Sector::Financial},
    {"CFC", "Countrywide Financial Corp", Sector::Financial},
    {"CIT", "CIT Group Inc", Sector::Financial},
    {"UNH", "UnitedHealth Group Inc", Sector::Financial},
    {"WLP", "Wellpoint Health Networks Inc", Sector::Financial},
    {"CI", "CIGNA Corp", Sector::Financial},
    {"AET", "Aetna Inc", Sector::Financial},
    {"ATH", "Anthem Inc", Sector::Financial},
    {"HUM", "Humana Inc", Sector::Financial},
    {"AXA", "Axa SA", Sector::Financial},
    {"CSR", "Credit Suisse Group", Sector::Financial},
    {"MET", "MetLife Inc", Sector::Financial},
    {"PUK", "Prudential Plc", Sector::Financial},
    {"MMC", "Marsh & McLennan Companies Inc", Sector::Financial},
    {"AOC", "Aon Corp", Sector::Financial},
    {"AIG", "American International Group Inc", Sector::Financial},
    {"BRKA", "Berkshire Hathaway Inc", Sector::Financial},
    {"ALL", "Allstate Corp", Sector::Financial},
    {"HIG", "The Hartford Financial Services Group Inc", Sector::Financial},
    {"GS", "The Goldman Sachs Group Inc", Sector::Financial},
    {"LEH", "Lehman Brothers Holdings Inc", Sector::Financial},
    {"BAC", "Bank of America Corporation", Sector::Financial},
    {"C", "Citigroup Inc", Sector::Financial},
    {"ONE", "Bank One Corporation", Sector::Financial},
    {"JPM", "J.P. Morgan Chase & Co.", Sector::Financial},
    {"HBC", "HSBC Holdings PLC", Sector::Financial},
    {"BCS", "Barclays PLC", Sector::Financial},
    // Raw Materials
    {"X", "United State Steel", Sector::RawMaterials},
    {"UFPI", "Universal Forest Products Inc", Sector::RawMaterials},
    {"NEM", "Newmont Mining Corp (Holding Co)", Sector::RawMaterials},
    {"ABX", "Barrick Gold Corp", Sector::RawMaterials},
    {"AU", "AngloGold Ltd", Sector::RawMaterials},
    {"KMB", "Kimberly-Clark Corp", Sector::RawMaterials},
    {"IP", "International Paper Co", Sector::RawMaterials},
    {"YZC", "Yanzhou Coal Mining Co Ltd", Sector::RawMaterials},
    // Energy
    {"TOT", "TOTAL S.A.", Sector::Energy},
    {"XOM", "Exxon Mobil Corporation", Sector::Energy},
    {"CVX", "ChevronTexaco Corporation", Sector::Energy},
    {"PTR", "PetroChina Co Ltd", Sector::Energy},
    {"PCZ", "Petro-Canada", Sector::Energy},
    {"BP", "BP PLC", Sector::Energy},
    {"SC", "Shell Transport & Trading Co PLC", Sector::Energy},
    {"DUK", "Duke Energy Corp", Sector::Energy},
    {"ILA", "Aquila Inc", Sector::Energy},
    {"SO", "Southern Company Inc", Sector::Energy},
    {"EXC", "Exelon Corp", Sector::Energy},
    {"D", "Dominion Resources Inc", Sector::Energy},
    {"EP", "El Paso Corp", Sector::Energy},
    {"DYN", "Dynergy Inc", Sector::Energy},
    // Services
    {"HAVS", "Havas SA", Sector::Services},
    {"OMC", "Omnicom Group Inc.", Sector::Services},
    {"IPG", "Interpublic Group of Companies Inc", Sector::Services},
    {"WPPGY", "WPP Group PLC", Sector::Services},
    {"DIS", "The Walt Disney Co", Sector::Services},
    {"VIA", "Viacom Inc", Sector::Services},
    {"ADP", "Automatic Data Processing Inc", Sector::Services},
    {"ACN", "Accenture Ltd", Sector::Services},
    {"RTRSY", "Reuters Group PLC", Sector::Services},
    {"V", "Vivendi Universal", Sector::Services},
    {"T", "AT&T Corp", Sector::Services},
    {"AWE", "AT&T Wireless Services Inc", Sector::Services},
    {"DCM", "NTT DoCoMo Inc", Sector::Services},
    {"VOD", "Vodafone Group PLC", Sector::Services},
    {"VZ", "Verizon Communications", Sector::Services},
    {"IGT", "International Game Technology Inc", Sector::Services},
    {"HET", "Harrah's Entertainment Inc", Sector::Services},
    {"CZR", "Caesars Entertainment Inc", Sector::Services},
    {"CD", "Cendant Corp", Sector::Services},
    {"IHG", "Intercontinental Hotels Group PLC", Sector::Services},
    {"HLT", "Hilton Hotels Corp", Sector::Services},
    {"FS", "Four Seasons Hotels Inc", Sector::Services},
    {"PIXR", "Pixar", Sector::Services},
    {"FOX", "Fox Entertainment Group Inc", Sector::Services},
    {"WON", "Westwood One Inc", Sector::Services},
    {"MGM", "Metro-Goldwyn-Mayer Inc", Sector::Services},
    {"HRB", "H&R Block Inc", Sector::Services},
    {"WTW", "Weight Watchers International Inc", Sector::Services},
    {"NWS", "The News Corporation Ltd", Sector::Services},
    {"GCI", "Gannett Co Inc", Sector::Services},
    {"TRB", "Tribune Co", Sector::Services},
    {"MHP", "McGraw-Hill Inc", Sector::Services},
    {"RUK", "Reed Elsevier PLC", Sector::Services},
    {"ENL", "Reed Elsevier NV", Sector::Services},
    {"WPO", "Washington Post Co", Sector::Services},
    {"NYT", "The New York Times Co", Sector::Services},
    {"EOP", "Equity Office Properties Trust", Sector::Services},
    {"SPG", "Simon Property Group Inc", Sector::Services},
    {"CCL", "Carnival Corp", Sector::Services},
    {"ISCA", "International Speedway Corp", Sector::Services},
    {"TRK", "Speedway Motorsports Inc", Sector::Services},
    {"WWE", "World Wrestling Entertainment Inc", Sector::Services},
    {"MCD", "McDonald's Corp", Sector::Services},
    {"SBUX", "Starbucks Corp", Sector::Services},
    {"GPS", "Gap Inc", Sector::Services},
    {"FL", "Foot Locker Inc", Sector::Services},
    {"IACI", "InterActive Corp", Sector::Services},
    {"CDWC", "CDW Corp", Sector::Services},
    {"WMT", "Wal-Mart Stores Inc", Sector::Services},
    {"S", "Sears, Roebuck and Co", Sector::Services},
    {"TGT", "Target Corp", Sector::Services},
    {"KSS", "Kohl's Corp", Sector::Services},
    {"MAY", "May Department Stores Co", Sector::Services},
    {"WAG", "Walgreen Co", Sector::Services},
    {"CVS", "CVS Corp", Sector::Services},
    {"KR", "Kroger Co", Sector::Services},
    {"SYY", "Sysco Corp", Sector::Services},
    {"HD", "Home Depot Inc", Sector::Services},
    {"LOW", "Lowe's Cos Inc", Sector::Services},
    {"EBAY", "eBay Inc", Sector::Services},
    {"AMZN", "Amazon Com Inc", Sector::Services},
    {"TIF", "Tiffany & Co", Sector::Services},
    {"BBY", "Best Buy Co Inc", Sector::Services},
    {"RSH", "Radioshack Corp", Sector::Services},
    {"WMI", "Waste Management Inc", Sector::Services},
    // Consumer Cyclical
    {"SKX", "Skechers USA Inc", Sector::ConsumerCyclical},
    {"NKE", "Nike Inc", Sector::ConsumerCyclical},
    {"RBK", "Reebok International Ltd", Sector::ConsumerCyclical},
    {"ZQK", "Quiksilver Inc", Sector::ConsumerCyclical},
    {"NIPNY", "NEC Corp", Sector::ConsumerCyclical},
    {"PIO", "Pioneer Corp", Sector::ConsumerCyclical},
    {"TMS", "Thomson S.A.", Sector::ConsumerCyclical},
    {"SNE", "Sony Corp", Sector::ConsumerCyclical},
    {"ELUX", "Electrolux AB", Sector::ConsumerCyclical},
    {"WHR", "Whirlpool Corp", Sector::ConsumerCyclical},
    {"BDK", "Black & Decker Corp", Sector::ConsumerCyclical},
    {"GM", "General Motors Corp", Sector::ConsumerCyclical},
    {"DCX", "DaimlerChrysler AG", Sector::ConsumerCyclical},
    {"F", "Ford Motor Company", Sector::ConsumerCyclical},
    {"TM", "Toyota Motor Corporation", Sector::ConsumerCyclical},
    {"HMC", "Honda Motor Co., Ltd.", Sector::ConsumerCyclical},
    {"NSANY", "Nissan Motor Co Ltd", Sector::ConsumerCyclical},
    {"SPAR", "Spartan Motors Inc", Sector::ConsumerCyclical},
    // Consumer Non-Cyclical
    {"DEO", "Diageo PLC", Sector::ConsumerNonCyclical},
    {"BUD", "Anheuser-Busch Companies Inc", Sector::ConsumerNonCyclical},
    {"KO", "The Coca-Cola Company", Sector::ConsumerNonCyclical},
    {"PBG", "The Pepsi Bottling Group Inc", Sector::ConsumerNonCyclical},
    {"PEP", "Pepsico Inc", Sector::ConsumerNonCyclical},
    {"CSG", "Cadbury Schweppes PLC", Sector::ConsumerNonCyclical},
    {"CCE", "Coca-Cola Enterprises Inc", Sector::ConsumerNonCyclical},
    {"KFT", "Kraft Foods Inc", Sector::ConsumerNonCyclical},
    {"UL", "Unilever PLC", Sector::ConsumerNonCyclical},
    {"DA", "Groupe Danone", Sector::ConsumerNonCyclical},
    {"SLE", "Sara Lee Corp", Sector::ConsumerNonCyclical},
    {"GIS", "General Mills Inc", Sector::ConsumerNonCyclical},
    {"K", "Kellog", Sector::ConsumerNonCyclical},
    {"MWI", "Moore Wallace Inc", Sector::ConsumerNonCyclical},
    {"MO", "Altria Group Inc (ex Philip Morris)", Sector::ConsumerNonCyclical},
    {"PG", "Procter & Gamble Co", Sector::ConsumerNonCyclical},
    // Healthcare
    {"AMGN", "Amgen Inc", Sector::Healthcare},
    {"DNA", "Genentech Inc", Sector::Healthcare},
    {"SNY", "Sanofi-Synthelabo", Sector::Healthcare},
    {"CAH", "Cardinal Health Inc", Sector::Healthcare},
    {"FRX", "Forest Laboratories Inc", Sector::Healthcare},
    {"TEVA", "Teva Pharmaceutical Industries Ltd", Sector::Healthcare},
    {"HCA", "HCA Inc", Sector::Healthcare},
    {"DGX", "Quest Diagnostics Inc", Sector::Healthcare},
    {"MRK", "Merck & Co Inc", Sector::Healthcare},
    {"PFE", "Pfizer Inc", Sector::Healthcare},
    {"JNJ", "Johnson & Johnson Inc", Sector::Healthcare},
    {"GSK", "GlaxoSmithKline PLC", Sector::Healthcare},
    {"NVS", "Novartis AG", Sector::Healthcare},
    {"AVE", "Aventis SA", Sector::Healthcare},
    {"MDT", "Medtronic Inc", Sector::Healthcare},
    {"BSX", "Boston Scientific Corp", Sector::Healthcare},
    {"GDT", "Guidant Corp", Sector::Healthcare},
    {"ZMH", "Zimmer Holdings Inc", Sector::Healthcare},
    {"BAX", "Baxter International Inc", Sector::Healthcare},
    // Conglomerates
    {"GE", "General Electric Co", Sector::Conglomerates},
    {"SI", "Siemens AG", Sector::Conglomerates},
    {"MMM", "3M Co", Sector::Conglomerates},
    {"TYC", "Tyco International Ltd", Sector::Conglomerates},
    {"UTX", "United Technologies Corp", Sector::Conglomerates},
    // Transportation
    {"FDX", "Fedex Corp (Federal Express)", Sector::Transportation},
    {"CAL", "Continental Airlines, Inc.", Sector::Transportation},
    {"AMR", "AMR CORP", Sector::Transportation},
    {"LUV", "Southwest Airlines Inc", Sector::Transportation},
    {"SKYW", "Skywest Inc", Sector::Transportation},
    {"UNP", "Union Pacific Corp", Sector::Transportation},
    {"BNI", "Burlington Northern Santa Fe Corp", Sector::Transportation},
    {"CNI", "Canadian National Railway Co", Sector::Transportation},
    {"UPS", "United Parcel Service Inc", Sector::Transportation},
    {"YELL", "Yellow Roadway Corporation", Sector::Transportation},
}};

} // namespace

QStringList AllTickers()
{
    QStringList tickers;
    tickers.reserve(int(kEntries.size()));
    for (const Entry &e : kEntries)
        tickers.append(QString::fromLatin1(e.ticker));
    return tickers;
}

QStringList TickersOfSector(Sector sector)
{
    QStringList tickers;
    for (const Entry &e : kEntries) {
        if (e.sector == sector)
            tickers.append(QString::fromLatin1(e.ticker));
    }
    return tickers;
}

QString CompanyNameOf(const QString &ticker)
{
    for (const Entry &e : kEntries) {
        if (ticker == QLatin1String(e.ticker))
            return QString::fromLatin1(e.name);
    }
    return QStringLiteral("N/A");
}

QStringList AllTickersAlphabetical()
{
    QStringList tickers = AllTickers();
    // Plain code-unit order: a ticker sorts before any longer one it begins.
    std::sort(tickers.begin(), tickers.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseSensitive) < 0;
    });
    return tickers;
}

std::optional<Sector> SectorOf(const QString &ticker)
{
    for (const Entry &e : kEntries) {
        if (ticker == QLatin1String(e.ticker))
            return e.sector;
    }
    return std::nullopt;
}

QString sectorName(Sector sector)
{
    static const char *const names[] = {
        "Capital Goods", "Technology",    "Financial",         "Raw Materials",
        "Energy",        "Services",      "Consumer Cyclical", "Consumer Non-Cyclical",
        "Healthcare",    "Conglomerates", "Transportation",
    };
    return QString::fromLatin1(names[int(sector)]);
}

const std::array<Sector, kSectorCount> &allSectors()
{
    static const std::array<Sector, kSectorCount> sectors = {
        Sector::CapitalGoods, Sector::Technology,    Sector::Financial,        Sector::RawMaterials,
        Sector::Energy,       Sector::Services,      Sector::ConsumerCyclical, Sector::ConsumerNonCyclical,
        Sector::Healthcare,   Sector::Conglomerates, Sector::Transportation,
    };
    return sectors;
}
