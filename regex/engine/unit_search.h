// Fast forward scans over UTF-16 text for one to five given units. Four
// units are compared at a time inside a 64-bit word; the scalar loop takes
// the tail, and all of it where the byte order is not little-endian.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vesk::regex_engine {

constexpr size_t kNotFound = static_cast<size_t>(-1);

namespace unit_search_detail {

constexpr uint64_t kLanes = 0x0001000100010001ull;
constexpr uint64_t kHighBits = 0x8000800080008000ull;

inline uint64_t Load4(const char16_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// High bit set in each 16-bit lane of x that is zero. A lane above a zero
// lane may be flagged wrongly by the borrow, but the lowest flag is exact.
inline uint64_t ZeroLanes(uint64_t x) { return (x - kLanes) & ~x & kHighBits; }

template <int N>
inline uint64_t Hits(uint64_t word, const uint64_t* broadcast)
{
    uint64_t mask = 0;
    for (int k = 0; k < N; ++k)
        mask |= ZeroLanes(word ^ broadcast[k]);
    return mask;
}

template <int N>
size_t FindFirstOf(const char16_t* s, size_t from, size_t to, const char16_t* units)
{
    size_t i = from;
    if constexpr (std::endian::native == std::endian::little) {
        uint64_t broadcast[N];
        for (int k = 0; k < N; ++k)
            broadcast[k] = kLanes * units[k];
        for (; i + 8 <= to; i += 8) {
            uint64_t a = Hits<N>(Load4(s + i), broadcast);
            uint64_t b = Hits<N>(Load4(s + i + 4), broadcast);
            if (a | b) {
                if (a)
                    return i + static_cast<size_t>(std::countr_zero(a)) / 16;
                return i + 4 + static_cast<size_t>(std::countr_zero(b)) / 16;
            }
        }
    }
    for (; i < to; ++i) {
        for (int k = 0; k < N; ++k) {
            if (s[i] == units[k])
                return i;
        }
    }
    return kNotFound;
}

}  // namespace unit_search_detail

// The first index in [from, to) whose unit is one of units[0 .. count),
// or kNotFound. count is 1 to 5.
inline size_t FindFirstOf(const char16_t* s, size_t from, size_t to, const char16_t* units, int count)
{
    using namespace unit_search_detail;
    switch (count) {
    case 1: return FindFirstOf<1>(s, from, to, units);
    case 2: return FindFirstOf<2>(s, from, to, units);
    case 3: return FindFirstOf<3>(s, from, to, units);
    case 4: return FindFirstOf<4>(s, from, to, units);
    default: return FindFirstOf<5>(s, from, to, units);
    }
}

}  // namespace vesk::regex_engine
