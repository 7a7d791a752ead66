#pragma once

#include <cstdint>
#include <string_view>

// Counter-based randomness: every draw is a pure function of its coordinates, so any day of
// any stock can be computed on its own and the same seed always gives the same market.
namespace MarketRandom {

std::uint64_t mix(std::uint64_t value);
std::uint64_t combine(std::uint64_t a, std::uint64_t b);
std::uint64_t combine(std::uint64_t a, std::uint64_t b, std::uint64_t c);
// A stable identity for a ticker or a name, independent of catalogue order.
std::uint64_t hashText(std::string_view text);

// In [0, 1), 53 bits.
double uniform(std::uint64_t key);
// Standard normal.
double normal(std::uint64_t key);

} // namespace MarketRandom
