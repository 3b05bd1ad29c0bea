#include "sim/hash.h"

namespace sim {
namespace {

std::uint64_t splitMix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

}  // namespace

std::uint64_t stableHash(std::string_view text) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 0x100000001B3ull;
    }
    return splitMix(h);
}

std::string hexDigits(std::uint64_t seed, int digits) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    std::uint64_t state = seed;
    for (int i = 0; i < digits; ++i) {
        if (i % 16 == 0) state = splitMix(state + static_cast<std::uint64_t>(i));
        out += kHex[(state >> ((i % 16) * 4)) & 0xF];
    }
    return out;
}

}  // namespace sim
