#include "regex/engine/regex_engine.h"

#include <algorithm>
#include <mutex>

#include "regex/engine/compiler.h"
#include "regex/engine/parser.h"
#include "regex/engine/program.h"

namespace vesk::regex_engine {

Regex Regex::Compile(std::u16string_view pattern, Options options, PatternError* error)
{
    Regex regex;
    Ast ast;
    PatternError why = PatternError::None;
    if (Parse(pattern, options, ast, why)) {
        auto program = std::make_shared<Program>();
        program->options = options;
        CompileAst(ast, *program);
        regex.program_ = std::move(program);
    }
    if (error)
        *error = why;
    return regex;
}

int Regex::groupCount() const { return program_ ? program_->groupCount : 0; }

Options Regex::options() const { return program_ ? program_->options : Options{}; }

ScanStatus FindAll(const Regex& regex, std::u16string_view subject, bool global, std::vector<Match>& matches)
{
    return FindAll(regex, subject, global, matches, Limits::ForSubject(subject.size()));
}

// VBScript's Execute and Replace go on from the end of each match; after
// an empty match they go on one unit further, so "a*" over "baaa" gives ""
// at 0, "aaa" at 1 and "" at 4, and the empty pattern over "abc" gives four
// empty matches (Replace with "-" makes "-a-b-c-"). Wine's copy of the
// engine does that for the empty pattern but never returns from a global
// Execute or Replace in which some other pattern matches empty ("a*",
// "\b", "^" with Multiline).
//
// A non-global scan stops after the first match.
ScanStatus FindAll(const Regex& regex, std::u16string_view subject, bool global, std::vector<Match>& matches,
                   Limits limits)
{
    matches.clear();
    if (!regex.valid())
        return ScanStatus::PatternRejected;
    Searcher searcher(regex, subject, limits);
    size_t from = 0;
    Match match;
    while (from <= subject.size()) {
        SearchStatus status = searcher.FindNext(from, match);
        if (status == SearchStatus::LimitExceeded) {
            matches.clear();
            return ScanStatus::LimitExceeded;
        }
        if (status == SearchStatus::NotFound)
            break;
        matches.push_back(match);
        if (!global)
            break;
        size_t end = static_cast<size_t>(match.start) + static_cast<size_t>(match.length);
        from = match.length == 0 ? end + 1 : end;
    }
    return ScanStatus::Ok;
}

namespace {

// One piece of a replacement text: fixed text, or what a $ form stands for.
struct ReplacementPart {
    enum Kind { Text, Group, Whole, Before, After } kind;
    size_t offset = 0;  // Text: into the replacement; Group: the group number
    size_t length = 0;
};

// The $ forms, as VBScript's Replace reads them: $$, $&, $`, $' (the text
// before and after the match in the whole subject), and $n / $nn for a
// group that exists. Two digits name a group when that group exists, else
// the first digit alone does and the second is text ("$10" with fewer than
// ten groups is group 1 and "0", "$01" is group 1); $0, a number beyond the
// groups, and a "$" before anything else stay as they are ("$3" with two
// groups gives "$3"). A group that took no part gives the empty text.
std::vector<ReplacementPart> ParseReplacement(std::u16string_view text, int groupCount)
{
    std::vector<ReplacementPart> parts;
    size_t literalStart = 0;
    auto flush = [&](size_t upTo) {
        if (upTo > literalStart)
            parts.push_back({ReplacementPart::Text, literalStart, upTo - literalStart});
    };
    auto digit = [&](size_t i) { return i < text.size() && text[i] >= u'0' && text[i] <= u'9' ? text[i] - u'0' : -1; };
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != u'$' || i + 1 >= text.size()) {
            ++i;
            continue;
        }
        char16_t next = text[i + 1];
        ReplacementPart part{ReplacementPart::Text};
        size_t used = 2;
        if (next == u'$') {
            flush(i);
            parts.push_back({ReplacementPart::Text, i + 1, 1});
            i += 2;
            literalStart = i;
            continue;
        }
        if (next == u'&') {
            part.kind = ReplacementPart::Whole;
        } else if (next == u'`') {
            part.kind = ReplacementPart::Before;
        } else if (next == u'\'') {
            part.kind = ReplacementPart::After;
        } else {
            int d1 = digit(i + 1);
            int d2 = digit(i + 2);
            if (d1 < 0) {
                ++i;
                continue;
            }
            int two = d2 >= 0 ? d1 * 10 + d2 : -1;
            if (two >= 1 && two <= groupCount) {
                part.offset = static_cast<size_t>(two);
                used = 3;
            } else if (d1 >= 1 && d1 <= groupCount) {
                part.offset = static_cast<size_t>(d1);
            } else {
                ++i;
                continue;
            }
            part.kind = ReplacementPart::Group;
        }
        flush(i);
        parts.push_back(part);
        i += used;
        literalStart = i;
    }
    flush(text.size());
    return parts;
}

}  // namespace

ScanStatus Replace(const Regex& regex, std::u16string_view subject, std::u16string_view replacement, bool global,
                   std::u16string& result)
{
    return Replace(regex, subject, replacement, global, result, Limits::ForSubject(subject.size()));
}

ScanStatus Replace(const Regex& regex, std::u16string_view subject, std::u16string_view replacement, bool global,
                   std::u16string& result, Limits limits)
{
    result.clear();
    std::vector<Match> matches;
    ScanStatus status = FindAll(regex, subject, global, matches, limits);
    if (status != ScanStatus::Ok)
        return status;
    std::vector<ReplacementPart> parts = ParseReplacement(replacement, regex.groupCount());
    size_t copied = 0;
    for (const Match& m : matches) {
        size_t start = static_cast<size_t>(m.start);
        size_t end = start + static_cast<size_t>(m.length);
        result.append(subject.substr(copied, start - copied));
        for (const ReplacementPart& part : parts) {
            switch (part.kind) {
            case ReplacementPart::Text:
                result.append(replacement.substr(part.offset, part.length));
                break;
            case ReplacementPart::Whole:
                result.append(subject.substr(start, end - start));
                break;
            case ReplacementPart::Before:
                result.append(subject.substr(0, start));
                break;
            case ReplacementPart::After:
                result.append(subject.substr(end));
                break;
            case ReplacementPart::Group: {
                const Capture& c = m.groups[part.offset - 1];
                if (c.participated())
                    result.append(subject.substr(static_cast<size_t>(c.start), static_cast<size_t>(c.length)));
                break;
            }
            }
        }
        copied = end;
    }
    result.append(subject.substr(copied));
    return ScanStatus::Ok;
}

// --- the automation-facing object ----------------------------------------

// The matches keep a copy of the stretch of the subject that their texts
// come from (not of the whole subject: a page runs to megabytes, and copying
// it is what an Execute would spend most of its time on).
namespace {

// The copy of a page runs to megabytes, and fresh memory of that size costs
// more under Wine than the copying itself; so the buffer of a collection that
// goes is kept for the next one.
std::mutex spareTextMutex;
std::u16string spareText;

}  // namespace

struct MatchItem::Data {
    std::u16string text;  // the subject from `offset` on, as far as the matches reach
    size_t offset = 0;
    std::vector<Match> matches;

    Data() = default;
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;
    ~Data()
    {
        std::lock_guard<std::mutex> lock(spareTextMutex);
        if (text.capacity() > spareText.capacity())
            spareText.swap(text);
    }

    void Keep(std::u16string_view stretch)
    {
        {
            std::lock_guard<std::mutex> lock(spareTextMutex);
            if (spareText.capacity() >= stretch.size() && stretch.size() > text.capacity())
                text.swap(spareText);
        }
        text.assign(stretch);
    }

    std::u16string_view Piece(int32_t start, int32_t length) const
    {
        return std::u16string_view(text).substr(static_cast<size_t>(start) - offset, static_cast<size_t>(length));
    }
};

std::u16string_view MatchItem::Value() const
{
    if (!data_)
        return {};
    const Match& m = data_->matches[index_];
    return data_->Piece(m.start, m.length);
}

int32_t MatchItem::FirstIndex() const { return data_ ? data_->matches[index_].start : 0; }

int32_t MatchItem::Length() const { return data_ ? data_->matches[index_].length : 0; }

int MatchItem::SubMatchCount() const { return data_ ? static_cast<int>(data_->matches[index_].groups.size()) : 0; }

std::u16string_view MatchItem::SubMatch(int index, bool* tookPart, bool* inRange) const
{
    if (tookPart)
        *tookPart = false;
    if (inRange)
        *inRange = false;
    if (!data_ || index < 0 || index >= SubMatchCount())
        return {};
    if (inRange)
        *inRange = true;
    const Capture& c = data_->matches[index_].groups[static_cast<size_t>(index)];
    if (!c.participated())
        return {};
    if (tookPart)
        *tookPart = true;
    return data_->Piece(c.start, c.length);
}

MatchCollection::MatchCollection() : data_(std::make_shared<MatchItem::Data>()) {}

int MatchCollection::Count() const { return static_cast<int>(data_->matches.size()); }

bool MatchCollection::Item(int index, MatchItem& item) const
{
    if (index < 0 || index >= Count())
        return false;
    item = MatchItem(data_, static_cast<size_t>(index));
    return true;
}

void RegExp::SetPattern(std::u16string_view pattern)
{
    pattern_.assign(pattern);
    dirty_ = true;
}

void RegExp::SetIgnoreCase(bool on)
{
    if (options_.ignoreCase != on)
        dirty_ = true;
    options_.ignoreCase = on;
}

void RegExp::SetMultiline(bool on)
{
    if (options_.multiline != on)
        dirty_ = true;
    options_.multiline = on;
}

bool RegExp::Compiled()
{
    if (dirty_) {
        regex_ = Regex::Compile(pattern_, options_, &error_);
        dirty_ = false;
    }
    return regex_.valid();
}

PatternError RegExp::patternError()
{
    Compiled();
    return error_;
}

ScanStatus RegExp::Execute(std::u16string_view subject, MatchCollection& matches)
{
    matches = MatchCollection();
    if (!Compiled())
        return ScanStatus::PatternRejected;
    auto data = std::make_shared<MatchItem::Data>();
    ScanStatus status = FindAll(regex_, subject, global_, data->matches);
    if (status != ScanStatus::Ok)
        return status;
    // The stretch that every match and group lies in; a group set inside a
    // lookahead may reach past its match.
    size_t begin = subject.size(), end = 0;
    auto cover = [&](int32_t start, int32_t length) {
        begin = std::min(begin, static_cast<size_t>(start));
        end = std::max(end, static_cast<size_t>(start) + static_cast<size_t>(length));
    };
    for (const Match& m : data->matches) {
        cover(m.start, m.length);
        for (const Capture& c : m.groups)
            if (c.participated())
                cover(c.start, c.length);
    }
    if (begin <= end) {  // at least one match, perhaps only empty ones
        data->offset = begin;
        data->Keep(subject.substr(begin, end - begin));
    }
    matches.data_ = std::move(data);
    return status;
}

ScanStatus RegExp::Replace(std::u16string_view subject, std::u16string_view replacement, std::u16string& result)
{
    if (!Compiled()) {
        result.clear();
        return ScanStatus::PatternRejected;
    }
    return regex_engine::Replace(regex_, subject, replacement, global_, result);
}

ScanStatus RegExp::Test(std::u16string_view subject, bool& found)
{
    found = false;
    if (!Compiled())
        return ScanStatus::PatternRejected;
    Searcher searcher(regex_, subject);
    Match match;
    SearchStatus status = searcher.FindNext(0, match);
    if (status == SearchStatus::LimitExceeded)
        return ScanStatus::LimitExceeded;
    found = status == SearchStatus::Found;
    return ScanStatus::Ok;
}

}  // namespace vesk::regex_engine
