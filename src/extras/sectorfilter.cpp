#include "sectorfilter.h"

#include <QStringView>

namespace {
// A box's lines, one literal a line, each but the last ending in \n.
QStringView linesOf(std::optional<Sector> sector)
{
    if (!sector)
        return u"Favorites quotes are added into a personal favorites quotes list by clicking on quote with "
               u"the right button of the mouse.\n"
               u"Using favorites is an efficient way not to forget companies where you have interests in.";
    switch (*sector) {
    case Sector::CapitalGoods:
        return u"Are classified in this sector the following industries :\n"
               u"Aerospace\n"
               u"Defense\n"
               u"Construction Machinery\n"
               u"Agriculture Machinery\n"
               u"Construction Materials\n"
               u"It includes companies like Boeing (Aerospace), Lockheed Marting (Defense) or Caterpillar "
               u"(Agriculture and Construction Machinery)";
    case Sector::Technology:
        return u"Most technology related companies have their capital opened on Nasdaq. Subcategories are :\n"
               u"Communications Equipment\n"
               u"Computer Hardware\n"
               u"Computer Networks\n"
               u"Computer Services\n"
               u"Electronic Instruments & Controls\n"
               u"Semiconductors\n"
               u"Software & Programming\n"
               u"A bunch of well known names are there, like Intel (INTC), Microsoft (MSFT), Cisco Systems "
               u"(CSCO) or Yahoo (YHOO).";
    case Sector::Financial:
        return u"This sector includes companies involved in various finance services. Subcategories are :\n"
               u"Consumer Financial Services\n"
               u"Insurance (Accident & Health)\n"
               u"Insurance (Life)\n"
               u"Insurance (Prop. & Casualty)\n"
               u"Investment Services\n"
               u"Money Center Banks\n"
               u"Major companies like J.P. Morgan Chase & Co. or American Express are referenced in this "
               u"category.";
    case Sector::RawMaterials:
        return u"This large category contains companies devoted to extracting raw materials and/or "
               u"transforming them to basic materials. Subcategories are : \n"
               u"Coal\n"
               u"Forestry & Wood Products\n"
               u"Gold & Silver\n"
               u"Iron & Steel\n"
               u"Non-Metallic Mining\n"
               u"Paper & Paper Products\n"
               u"United Steel Corp (Quote: X) or Kimberly-Clark Corp (Quote: KMB) are referenced in this "
               u"category.";
    case Sector::Energy:
        return u"As you can guess, the energy sector regroups companies involved into the making of Energy "
               u"as its most large meaning. Subcategories are : \n"
               u"Electric Utilities\n"
               u"Natural Gas Utilities\n"
               u"Oil & Gas - Integrated\n"
               u"Oil & Gas Operations\n"
               u"Big corporations such as Exxon Mobil (Quote : XOM) or ChevronTexaco (Quote : CVX) can be "
               u"found there, so we suggest you let this case checked.";
    case Sector::Services:
        return u"Services sector is the biggest industry of the U.S. Main subcategories are :\n"
               u"Advertising\n"
               u"Broadcasting & Cable TV\n"
               u"Business Services\n"
               u"Casinos & Gaming\n"
               u"Communications Services\n"
               u"Hotels, Motels & Restaurants\n"
               u"Motion Pictures\n"
               u"Printing & Publishing\n"
               u"Retail\n"
               u"Consult help for more informations about services.";
    case Sector::ConsumerCyclical:
        return u"This large category regroups industries that product goods for consumers. Subcategories are "
               u":\n"
               u"Apparel and Textile\n"
               u"Appliances and Tools\n"
               u"Audio and Video Equipment\n"
               u"Auto and Truck Manufacturers\n"
               u"Furniture and Fixtures\n"
               u"Jewelry and Silverware\n"
               u"Photography\n"
               u"You'll find companies like General Motors (car manufacturer), Nike (footwear), Quicksilver "
               u"(apparel) or Sony Corporation (audio and video equipment).";
    case Sector::ConsumerNonCyclical:
        return u"Unlike the 'Consumer Cyclical' category, this sector regroups companies that products "
               u"non-cyclical goods. Subcategories are :\n"
               u"Beverages (Alcoholic)\n"
               u"Beverages (Beverages (Non-Alcoholic)\n"
               u"Food Processing\n"
               u"Office Supplies\n"
               u"Personal & Household Products\n"
               u"Tobacco\n"
               u"Kraft Foods Inc (Quote : KFT), Altria Group Inc (Ex Philip Morris, Quote : MO) and The "
               u"Coca-Cola Company (Quote : KO) are parts of this sector.";
    case Sector::Healthcare:
        return u"As the name of this sector indicates, Healthcare includes any companies related to health. "
               u"Subcategories are :\n"
               u"Biotechnology & Drugs\n"
               u"Healthcare Facilities\n"
               u"Major Drugs\n"
               u"Medical Equipment & Supplies\n"
               u"Laboratories are very profitable industries. You should consider investing in companies "
               u"like Pfizer Inc (Quote : PFE), Johnson & Johnson Inc (Quote : JNJ) or GlaxoSmithKline PLC "
               u"(Quote : GSK) for example.";
    case Sector::Conglomerates:
        return u"This term -conglomerates- regroups companies that operates in too many different industries "
               u"to be classified in a specific sector. \n"
               u"For exemple, it's the case of General Electric (quote : GE), which has interests in energy, "
               u"electronic and defense.\n"
               u"We strongly recommend you to let this box checked because conglomerates are major "
               u"companies.";
    case Sector::Transportation:
        return u"This sector includes postal services and other various enterprises specialised in "
               u"transportation. Subcategories are :\n"
               u"Air Courier\n"
               u"Airline\n"
               u"Railroads\n"
               u"Trucking\n"
               u"Companies like FedEx (Quote: FDX), UPS (Quote: UPS) or AMR Corporation (Quote : AMR) are "
               u"referenced in this sector.";
    }
    return u"";
}
} // namespace

QString FilterBox::caption() const
{
    return sector ? sectorName(*sector) : QStringLiteral("Only Show Favorites");
}

QString FilterBox::description() const
{
    return caption() + QStringLiteral("\r\n\r\n") +
           linesOf(sector).toString().replace(u'\n', QStringLiteral("\r\n"));
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
