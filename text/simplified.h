// The program's own table from traditional to simplified characters of code
// page 936, for where the platform's mapping is missing (Wine has none).
#pragma once

#include <cstdint>
#include <span>

struct SimplifiedPair {
    uint16_t traditional;  // a two-byte GBK character, first byte high
    uint16_t simplified;
};

// Every pair, sorted by the traditional character.
std::span<const SimplifiedPair> SimplifiedTable();

// The simplified form of a two-byte GBK character, or 0 when it has none in
// the table.
uint16_t SimplifiedFormOf(uint16_t gbkCharacter);
