#include "marketrandom.h"

#include <cmath>
#include <numbers>

namespace MarketRandom {

std::uint64_t mix(std::uint64_t value)
{
    // splitmix64 finaliser
    value += 0x9e3779b97f4a7c15ULL;
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
    return value ^ (value >> 31);
}

std::uint64_t combine(std::uint64_t a, std::uint64_t b)
{
    return mix(mix(a) ^ (b + 0x632be59bd9b4e019ULL));
}

std::uint64_t combine(std::uint64_t a, std::uint64_t b, std::uint64_t c)
{
    return combine(combine(a, b), c);
}

std::uint64_t hashText(std::string_view text)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    return mix(hash);
}

double uniform(std::uint64_t key)
{
    return double(mix(key) >> 11) * 0x1.0p-53;
}

double normal(std::uint64_t key)
{
    // Box-Muller on two independent draws; 1 - u keeps the logarithm finite.
    const double u1 = 1.0 - uniform(key);
    const double u2 = uniform(key ^ 0xd6e8feb86659fd93ULL);
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

} // namespace MarketRandom
