// Pattern text to syntax tree.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "regex/engine/program.h"
#include "regex/engine/regex_engine.h"

namespace vesk::regex_engine {

enum class NodeKind : uint8_t {
    Empty,
    Char,         // unit
    Any,          // "."
    Class,        // index into Ast::classes
    Sequence,     // children in order
    Alternation,  // children, tried left to right
    Group,        // capturing group `index`, one child
    Look,         // lookahead, one child; negative
    Repeat,       // one child; min, max, greedy
    LineStart,
    LineEnd,
    WordEdge,
    NotWordEdge,
    BackRef,      // group `index`
};

struct Node {
    NodeKind kind = NodeKind::Empty;
    char16_t unit = 0;
    bool greedy = true;
    bool negative = false;
    int index = 0;
    uint32_t min = 0;
    uint32_t max = 0;
    // Repeat: the capturing groups inside the child are firstGroup to lastGroup
    // (none when lastGroup < firstGroup).
    int firstGroup = 0;
    int lastGroup = -1;
    std::vector<int> children;
};

struct Ast {
    std::vector<Node> nodes;
    std::vector<CharClass> classes;  // already closed under case folding when ignoring case
    int root = -1;
    int groupCount = 0;
};

// Deepest nesting of groups that the parser accepts. Parsing and compiling
// recurse once per level, so this bounds their use of the thread's stack.
constexpr int kMaxNesting = 200;

bool Parse(std::u16string_view pattern, Options options, Ast& ast, PatternError& error);

}  // namespace vesk::regex_engine
