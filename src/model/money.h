#pragma once

#include <QtGlobal>

#include <compare>
#include <optional>

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

// Sums and differences of amounts; nothing when the result leaves the range.
inline std::optional<Money> plus(Money a, Money b)
{
    qint64 sum = 0;
    if (__builtin_add_overflow(a.units(), b.units(), &sum))
        return std::nullopt;
    return Money::fromUnits(sum);
}

inline std::optional<Money> minus(Money a, Money b)
{
    qint64 difference = 0;
    if (__builtin_sub_overflow(a.units(), b.units(), &difference))
        return std::nullopt;
    return Money::fromUnits(difference);
}
