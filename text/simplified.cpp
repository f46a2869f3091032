#include "text/simplified.h"

#include <algorithm>

namespace {

// scripts/make_simplified_table.py writes the pairs.
constexpr SimplifiedPair kPairs[] = {
#include "text/simplified_table.inc"
};

static_assert(std::is_sorted(std::begin(kPairs), std::end(kPairs),
                             [](const SimplifiedPair& a, const SimplifiedPair& b) {
                                 return a.traditional < b.traditional;
                             }),
              "the table must be sorted for the binary search");

}  // namespace

std::span<const SimplifiedPair> SimplifiedTable() { return kPairs; }

uint16_t SimplifiedFormOf(uint16_t gbkCharacter)
{
    auto found = std::lower_bound(std::begin(kPairs), std::end(kPairs), gbkCharacter,
                                  [](const SimplifiedPair& pair, uint16_t code) { return pair.traditional < code; });
    if (found == std::end(kPairs) || found->traditional != gbkCharacter)
        return 0;
    return found->simplified;
}
