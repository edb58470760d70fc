// Byte strings for the engine's tests and fuzzer: xorshift noise, so that a
// block copied to the wrong place cannot go unnoticed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(std::size_t count, std::uint32_t seed = 0x2545F491u) {
    Bytes bytes(count);
    std::uint32_t x = seed;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return bytes;
}
