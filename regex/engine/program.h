// The compiled form of a pattern: instructions for the backtracking matcher
// and what the search loop knows about where a match can start.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "regex/engine/regex_engine.h"

namespace vesk::regex_engine {

// A set of code units. ASCII goes through a bitmap, the rest through sorted
// ranges.
struct CharClass {
    uint64_t ascii[2] = {0, 0};
    std::vector<std::pair<char16_t, char16_t>> ranges;  // units >= 128, sorted, disjoint

    bool Contains(char16_t u) const
    {
        if (u < 128)
            return (ascii[u >> 6] >> (u & 63)) & 1;
        size_t lo = 0, hi = ranges.size();
        while (lo < hi) {
            size_t mid = (lo + hi) / 2;
            if (u < ranges[mid].first)
                hi = mid;
            else if (u > ranges[mid].second)
                lo = mid + 1;
            else
                return true;
        }
        return false;
    }
};

enum class Op : uint8_t {
    Literal,     // a: offset in literals, b: length; fold: compare canonical forms
    AnyButLf,    // one unit other than LF
    Class,       // a: class index
    LineStart,   // "^"
    LineEnd,     // "$"
    WordEdge,    // "\b"
    NotWordEdge, // "\B"
    Save,        // a: capture slot
    Split,       // go to a, come back to b on failure
    Jump,        // a: target
    Repeat,      // a single-unit atom repeated: see RepeatArgs
    LoopInit,    // a: loop register (the count is set to 0)
    LoopHead,    // a: loop register, b: min, c: max, d: exit; greedy flag
    LoopBody,    // a: loop register, b and c: first and last+1 capture slot to clear; d: 1 if the body may be empty
    LoopTail,    // a: loop register, b: min, c: head; d: 1 if the body may be empty
    BackRef,     // a: group number
    Look,        // lookahead; a: the instruction after its LookEnd; negative flag
    LookEnd,
    Match,
};

// What a Repeat instruction repeats.
enum class UnitKind : uint8_t {
    AnyButLf,
    Unit,      // exactly the unit in arg
    FoldUnit,  // any unit whose canonical form is arg
    Class,     // arg: class index
};

constexpr uint32_t kUnbounded = 0xFFFFFFFFu;

struct Inst {
    Op op = Op::Match;
    bool fold = false;      // Literal: compare canonical forms
    bool greedy = true;     // Repeat, LoopHead
    bool negative = false;  // Look
    UnitKind unit = UnitKind::AnyButLf;  // Repeat
    uint32_t a = 0, b = 0, c = 0, d = 0;
    // Repeat: a = arg of the unit kind, b = min, c = max, d = index of the
    // follow set in Program::follows (kNoFollow when unknown).
};

constexpr uint32_t kNoFollow = 0xFFFFFFFFu;

// The units that can begin whatever follows a Repeat, when that is known:
// a Repeat may then skip positions where none of them stands.
struct FollowSet {
    int count = 0;
    char16_t units[4] = {};
};

struct Program {
    Options options;
    int groupCount = 0;
    int loopCount = 0;
    std::vector<Inst> code;
    std::u16string literals;       // canonical forms where an instruction folds
    std::u16string literalsAsWritten;  // the same units as the pattern has them
    std::vector<CharClass> classes;
    std::vector<FollowSet> follows;

    // Where a match can start.
    bool anchoredAtStart = false;  // only at 0 (a leading "^" without multiline)
    bool canBeEmpty = true;
    std::u16string prefix;         // every match begins with it (canonical forms under ignoreCase)
    std::u16string prefixAsWritten;
    bool prefixFold = false;
    size_t prefixAnchor = 0;       // the unit of prefix searched for first
    int prefixAnchorCount = 0;     // its variants under ignoreCase, 1 otherwise
    char16_t prefixAnchorUnits[4] = {};
    std::vector<uint64_t> firstUnits;  // bitmap of 65536 units that can begin a match; empty = any
};

}  // namespace vesk::regex_engine
