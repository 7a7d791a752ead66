#include "sectorfilter.h"

#include <QStringView>

namespace {
// Views of string literals: the texts live for the whole run.
using Lines = QList<QStringView>;

Lines linesOf(std::optional<Sector> sector)
{
    if (!sector)
        return {u"Favorites quotes are added into a personal favorites quotes list by clicking on quote "
                u"with the right button of the mouse.",
                u"Using favorites is an efficient way not to forget companies where you have interests in."};
    switch (*sector) {
    case Sector::CapitalGoods:
        return {u"Are classified in this sector the following industries :",
                u"Aerospace",
                u"Defense",
                u"Construction Machinery",
                u"Agriculture Machinery",
                u"Construction Materials",
                u"It includes companies like Boeing (Aerospace), Lockheed Marting (Defense) or Caterpillar "
                u"(Agriculture and Construction Machinery)"};
    case Sector::Technology:
        return {u"Most technology related companies have their capital opened on Nasdaq. Subcategories are :",
                u"Communications Equipment",
                u"Computer Hardware",
                u"Computer Networks",
                u"Computer Services",
                u"Electronic Instruments & Controls",
                u"Semiconductors",
                u"Software & Programming",
                u"A bunch of well known names are there, like Intel (INTC), Microsoft (MSFT), Cisco Systems "
                u"(CSCO) or Yahoo (YHOO)."};
    case Sector::Financial:
        return {u"This sector includes companies involved in various finance services. Subcategories are :",
                u"Consumer Financial Services",
                u"Insurance (Accident & Health)",
                u"Insurance (Life)",
                u"Insurance (Prop. & Casualty)",
                u"Investment Services",
                u"Money Center Banks",
                u"Major companies like J.P. Morgan Chase & Co. or American Express are referenced in this "
                u"category."};
    case Sector::RawMaterials:
        return {u"This large category contains companies devoted to extracting raw materials and/or "
                u"transforming them to basic materials. Subcategories are : ",
                u"Coal",
                u"Forestry & Wood Products",
                u"Gold & Silver",
                u"Iron & Steel",
                u"Non-Metallic Mining",
                u"Paper & Paper Products",
                u"United Steel Corp (Quote: X) or Kimberly-Clark Corp (Quote: KMB) are referenced in this "
                u"category."};
    case Sector::Energy:
        return {u"As you can guess, the energy sector regroups companies involved into the making of Energy "
                u"as its most large meaning. Subcategories are : ",
                u"Electric Utilities",
                u"Natural Gas Utilities",
                u"Oil & Gas - Integrated",
                u"Oil & Gas Operations",
                u"Big corporations such as Exxon Mobil (Quote : XOM) or ChevronTexaco (Quote : CVX) can be "
                u"found there, so we suggest you let this case checked."};
    case Sector::Services:
        return {u"Services sector is the biggest industry of the U.S. Main subcategories are :",
                u"Advertising",
                u"Broadcasting & Cable TV",
                u"Business Services",
                u"Casinos & Gaming",
                u"Communications Services",
                u"Hotels, Motels & Restaurants",
                u"Motion Pictures",
                u"Printing & Publishing",
                u"Retail",
                u"Consult help for more informations about services."};
    case Sector::ConsumerCyclical:
        return {
            u"This large category regroups industries that product goods for consumers. Subcategories are :",
            u"Apparel and Textile",
            u"Appliances and Tools",
            u"Audio and Video Equipment",
            u"Auto and Truck Manufacturers",
            u"Furniture and Fixtures",
            u"Jewelry and Silverware",
            u"Photography",
            u"You'll find companies like General Motors (car manufacturer), Nike (footwear), Quicksilver "
            u"(apparel) or Sony Corporation (audio and video equipment)."};
    case Sector::ConsumerNonCyclical:
        return {u"Unlike the 'Consumer Cyclical' category, this sector regroups companies that products "
                u"non-cyclical goods. Subcategories are :",
                u"Beverages (Alcoholic)",
                u"Beverages (Beverages (Non-Alcoholic)",
                u"Food Processing",
                u"Office Supplies",
                u"Personal & Household Products",
                u"Tobacco",
                u"Kraft Foods Inc (Quote : KFT), Altria Group Inc (Ex Philip Morris, Quote : MO) and The "
                u"Coca-Cola Company (Quote : KO) are parts of this sector."};
    case Sector::Healthcare:
        return {
            u"As the name of this sector indicates, Healthcare includes any companies related to health. "
            u"Subcategories are :",
            u"Biotechnology & Drugs",
            u"Healthcare Facilities",
            u"Major Drugs",
            u"Medical Equipment & Supplies",
            u"Laboratories are very profitable industries. You should consider investing in companies like "
            u"Pfizer Inc (Quote : PFE), Johnson & Johnson Inc (Quote : JNJ) or GlaxoSmithKline PLC "
            u"(Quote : GSK) for example."};
    case Sector::Conglomerates:
        return {
            u"This term -conglomerates- regroups companies that operates in too many different industries "
            u"to be classified in a specific sector. ",
            u"For exemple, it's the case of General Electric (quote : GE), which has interests in energy, "
            u"electronic and defense.",
            u"We strongly recommend you to let this box checked because conglomerates are major companies."};
    case Sector::Transportation:
        return {u"This sector includes postal services and other various enterprises specialised in "
                u"transportation. Subcategories are :",
                u"Air Courier",
                u"Airline",
                u"Railroads",
                u"Trucking",
                u"Companies like FedEx (Quote: FDX), UPS (Quote: UPS) or AMR Corporation (Quote : AMR) are "
                u"referenced in this sector."};
    }
    return {};
}
} // namespace

QString FilterBox::caption() const
{
    return sector ? sectorName(*sector) : QStringLiteral("Only Show Favorites");
}

QString FilterBox::description() const
{
    QString text = caption() + QStringLiteral("\r\n\r\n");
    bool first = true;
    for (QStringView line : linesOf(sector)) {
        if (!first)
            text += QStringLiteral("\r\n");
        text += line;
        first = false;
    }
    return text;
}

const std::array<FilterBox, kSectorCount + 1> &filterBoxes()
{
    static const std::array<FilterBox, kSectorCount + 1> boxes = {{
        {"CheckFavorites", std::nullopt},
        {"Check1", Sector::CapitalGoods},
        {"Check3", Sector::Conglomerates},
        {"Check9", Sector::Financial},
        {"Check6", Sector::Energy},
        {"Check10", Sector::ConsumerCyclical},
        {"Check5", Sector::ConsumerNonCyclical},
        {"Check2", Sector::Healthcare},
        {"Check11", Sector::RawMaterials},
        {"Check4", Sector::Services},
        {"Check7", Sector::Technology},
        {"Check8", Sector::Transportation},
    }};
    return boxes;
}

QString filterHeading()
{
    return QStringLiteral(
        "You can choose to display only quotes of specific companies. Just select the industry "
        "sectors you like. Click on an item to obtain more informations about it.");
}

QString filterInitialDescription()
{
    return QStringLiteral(
        "Click on an item to obtain informations about it. Each company is classified so you "
        "can chose to display only companies you want to invest in.");
}

QStringList tickersOfSectors(const QList<Sector> &ticked)
{
    QStringList rows;
    for (Sector sector : allSectors())
        if (ticked.contains(sector))
            rows += TickersOfSector(sector);
    return rows;
}
