// The program's own regular-expression engine, over UTF-16 text.
//
// It speaks the dialect of VBScript's RegExp object, which the program
// used before: literal text, ".", "^", "$", groups "( )" numbered
// by their opening parentheses, "(?: )", "(?= )", "(?! )", "|", the
// quantifiers * + ? {n} {n,} {n,m} greedy and lazy, classes "[...]",
// \d \D \w \W \s \S \b \B, the escapes \t \n \r \f \v \cX \xHH \uHHHH and
// octal ones, and backreferences \1 ... Matching backtracks on a stack of
// its own on the heap, so neither a long subject nor many iterations can
// exhaust the thread's stack, and a step budget ends patterns that would
// take exponential time.
//
// Positions and lengths count UTF-16 code units from the start of the
// subject. Nothing here throws on bad input: a rejected pattern and an
// exhausted budget are reported as a status.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::regex_engine {

struct Options {
    bool ignoreCase = false;
    // "^" and "$" also match after and before a line break (LF or CR).
    bool multiline = false;
};

enum class PatternError : uint8_t {
    None,
    UnbalancedParenthesis,  // "(a", "a)"
    UnterminatedClass,      // "[ab", "[a\]"
    NothingToRepeat,        // "*a", "a**", "^*", "(?:|+)", "{2}"
    BadRange,               // "[z-a]", "[a-\d]"
    BadQuantifier,          // "a{3,1}", a count above 65535
    TrailingBackslash,      // "a\"
    BadGroup,               // "(?<", "(?i)"
    TooComplex,             // nesting deeper than the engine takes
};

struct Program;  // the compiled form, defined in program.h

// A compiled pattern. Cheap to copy: copies share the compiled form, which
// never changes, so they can be used from several threads at once.
class Regex {
public:
    Regex() = default;
    // On rejection the result is not valid() and `error` (when given) says why.
    static Regex Compile(std::u16string_view pattern, Options options, PatternError* error = nullptr);

    bool valid() const { return program_ != nullptr; }
    // The number of capturing groups; 0 for an invalid Regex.
    int groupCount() const;
    Options options() const;

    const Program* program() const { return program_.get(); }

private:
    std::shared_ptr<const Program> program_;
};

// One capturing group of a match.
struct Capture {
    int32_t start = -1;  // -1: the group took no part in the match
    int32_t length = 0;
    bool participated() const { return start >= 0; }
};

struct Match {
    int32_t start = 0;
    int32_t length = 0;
    std::vector<Capture> groups;  // groups[0] is group 1
};

// How much work one search or scan may do before it gives up.
struct Limits {
    uint64_t steps = 200'000'000;         // matcher steps, backtracking included
    size_t backtrackEntries = 16u << 20;  // entries of the backtracking stack (16 bytes each)

    // The defaults for a subject of `subjectLength` units: the steps above
    // plus 16 per unit, so that a long page never runs out while a
    // pathological pattern still ends within a second or two.
    static Limits ForSubject(size_t subjectLength);
};

enum class SearchStatus : uint8_t {
    Found,
    NotFound,
    LimitExceeded,  // the step budget or the stack limit ran out
};

// Searches one subject with one Regex. It keeps its scratch memory and its
// budget between calls, so the calls of one scan share one budget. The
// subject and the Regex must outlive the Searcher.
class Searcher {
public:
    Searcher(const Regex& regex, std::u16string_view subject);
    Searcher(const Regex& regex, std::u16string_view subject, Limits limits);
    ~Searcher();
    Searcher(const Searcher&) = delete;
    Searcher& operator=(const Searcher&) = delete;

    // The leftmost match that starts at `from` or later.
    SearchStatus FindNext(size_t from, Match& match);

    uint64_t stepsUsed() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

enum class ScanStatus : uint8_t {
    Ok,
    LimitExceeded,
    PatternRejected,  // only from RegExp, whose pattern is compiled late
};

// All matches from left to right when `global` (else the first one only),
// as VBScript's Execute gives them: each search starts where the previous
// match ended, or one unit further on after an empty match.
ScanStatus FindAll(const Regex& regex, std::u16string_view subject, bool global, std::vector<Match>& matches);
ScanStatus FindAll(const Regex& regex, std::u16string_view subject, bool global, std::vector<Match>& matches,
                   Limits limits);

// The subject with the matches of FindAll replaced by `replacement`, in
// which $1 ... $99 stand for a group, $& for the match, $` for the text
// before it, $' for the text after it and $$ for a dollar sign.
ScanStatus Replace(const Regex& regex, std::u16string_view subject, std::u16string_view replacement, bool global,
                   std::u16string& result);
ScanStatus Replace(const Regex& regex, std::u16string_view subject, std::u16string_view replacement, bool global,
                   std::u16string& result, Limits limits);

// ---------------------------------------------------------------------------
// The regular-expression object as an automation client sees it: four
// properties, Execute, Replace and Test. An automation wrapper maps each of
// its members onto one call here.

class MatchCollection;

// One match of a MatchCollection: Value, FirstIndex, Length, SubMatches.
// It shares the collection's copy of the subject, so it may outlive the
// collection.
class MatchItem {
public:
    MatchItem() = default;
    std::u16string_view Value() const;
    int32_t FirstIndex() const;
    int32_t Length() const;
    int SubMatchCount() const;
    // Group `index` (0-based, as SubMatches.Item counts). Sets `tookPart`
    // to false and returns an empty view when the group took no part (VBScript
    // gives Empty for such a group, and "" for one that matched empty text),
    // or when `index` is outside 0 to SubMatchCount() - 1 (then `inRange` is
    // false as well).
    std::u16string_view SubMatch(int index, bool* tookPart = nullptr, bool* inRange = nullptr) const;

private:
    friend class MatchCollection;
    friend class RegExp;
    struct Data;
    MatchItem(std::shared_ptr<const Data> data, size_t index) : data_(std::move(data)), index_(index) {}
    std::shared_ptr<const Data> data_;
    size_t index_ = 0;
};

class MatchCollection {
public:
    MatchCollection();
    int Count() const;
    // Match `index` (0-based); false when `index` is outside 0 to Count() - 1.
    bool Item(int index, MatchItem& item) const;

private:
    friend class RegExp;
    std::shared_ptr<const MatchItem::Data> data_;
};

class RegExp {
public:
    void SetPattern(std::u16string_view pattern);
    const std::u16string& Pattern() const { return pattern_; }
    void SetIgnoreCase(bool on);
    bool IgnoreCase() const { return options_.ignoreCase; }
    void SetMultiline(bool on);
    bool Multiline() const { return options_.multiline; }
    void SetGlobal(bool on) { global_ = on; }
    bool Global() const { return global_; }

    // The pattern is compiled on first use after a change; a rejected
    // pattern makes Execute, Replace and Test fail with PatternRejected.
    ScanStatus Execute(std::u16string_view subject, MatchCollection& matches);
    ScanStatus Replace(std::u16string_view subject, std::u16string_view replacement, std::u16string& result);
    ScanStatus Test(std::u16string_view subject, bool& found);

    // Why the current pattern was rejected (None when it compiles).
    PatternError patternError();

private:
    bool Compiled();

    std::u16string pattern_;
    Options options_;
    bool global_ = false;
    bool dirty_ = true;
    Regex regex_;
    PatternError error_ = PatternError::None;
};

}  // namespace vesk::regex_engine
