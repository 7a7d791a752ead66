#include "markettext.h"

#include <cstdio>
#include <cstdlib>

namespace MarketText {

namespace {

const char *const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char *const kWeekdays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                 "Friday", "Saturday", "Sunday"};

} // namespace

std::string price(Cents cents)
{
    char buf[32];
    const qint64 magnitude = std::llabs(cents);
    std::snprintf(buf, sizeof buf, "%s%lld.%02lld", cents < 0 ? "-" : "", magnitude / 100, magnitude % 100);
    return buf;
}

std::string signedPrice(Cents cents)
{
    return cents < 0 ? price(cents) : "+" + price(cents);
}

std::string signedPercent(Cents change, Cents base)
{
    // Hundredths of a percent, rounded half away from zero.
    const qint64 scaled = base == 0 ? 0 : (change * 20000 + (change < 0 ? -base : base)) / (2 * base);
    char buf[32];
    const qint64 magnitude = std::llabs(scaled);
    std::snprintf(buf, sizeof buf, "%s%lld.%02lld%%", scaled < 0 ? "-" : "+", magnitude / 100,
                  magnitude % 100);
    return buf;
}

std::string shortDate(QDate date)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d/%d/%d", date.month(), date.day(), date.year());
    return buf;
}

std::string isoDate(QDate date)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", date.year(), date.month(), date.day());
    return buf;
}

std::string clockTime(QTime time)
{
    const int hour = time.hour();
    const int twelve = hour % 12 == 0 ? 12 : hour % 12;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d:%02d%s", twelve, time.minute(), hour < 12 ? "am" : "pm");
    return buf;
}

std::string longDate(QDate date)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %s %d, %d", kWeekdays[date.dayOfWeek() - 1],
                  kMonths[date.month() - 1], date.day(), date.year());
    return buf;
}

std::string groupedNumber(qint64 value)
{
    std::string digits = std::to_string(std::llabs(value));
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(std::size_t(i), ",");
    return value < 0 ? "-" + digits : digits;
}

} // namespace MarketText
