#pragma once
// The simulator's one deterministic hash: the same input gives the same value on every machine and run.

#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

// 64-bit FNV-1a of `text`, finished with a SplitMix64 round so that near inputs spread apart.
std::uint64_t stableHash(std::string_view text);

// `digits` lower-case hexadecimal digits drawn from `seed` (any count; longer texts chain rounds).
std::string hexDigits(std::uint64_t seed, int digits);

}  // namespace sim
