#pragma once
#include <cstdint>
#include <string>

namespace orv::sim {

// Reproducible line noise: every byte value may appear, frame starts included,
// so the application's resynchronisation gets exercised.
class TNoise {
public:
    explicit TNoise(uint64_t seed) : fState(seed ? seed : 0x9E3779B97F4A7C15ull) {}

    std::string Bytes(size_t count)
    {
        std::string out;
        out.reserve(count);
        for (size_t i = 0; i < count; ++i)
            out += char(Next() >> 56);
        return out;
    }
    // A burst length between 4 and 24 bytes.
    size_t BurstLength() { return 4 + size_t(Next() % 21); }

private:
    uint64_t Next()
    {
        fState ^= fState << 13;
        fState ^= fState >> 7;
        fState ^= fState << 17;
        return fState;
    }
    uint64_t fState;
};

} // namespace orv::sim
