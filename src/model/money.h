#pragma once

#include <QtGlobal>

#include <compare>

// Cash amounts: a signed count of ten-thousandths of a dollar, so sums are exact.
class Money
{
public:
    static constexpr qint64 kUnitsPerDollar = 10000;

    constexpr Money() = default;
    static constexpr Money fromUnits(qint64 units) { return Money(units); }
    static constexpr Money fromDollars(qint64 dollars) { return Money(dollars * kUnitsPerDollar); }

    constexpr qint64 units() const { return m_units; }
    double toDouble() const { return double(m_units) / double(kUnitsPerDollar); }

    constexpr auto operator<=>(const Money &) const = default;

private:
    constexpr explicit Money(qint64 units) : m_units(units) {}
    qint64 m_units = 0;
};
