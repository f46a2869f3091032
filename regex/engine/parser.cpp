#include "regex/engine/parser.h"

#include <algorithm>

#include "regex/engine/case_fold.h"

namespace vesk::regex_engine {

namespace {

// The largest count a quantifier may give. VBScript's engine rejects
// a{65536} and a{0,99999} and takes a{65535}.
constexpr uint32_t kMaxCount = 65535;

// A set of units as a bitmap of all 65536, used while a class is built.
class UnitSet {
public:
    UnitSet() : bits_(1024, 0) {}

    void Add(char16_t u) { bits_[u >> 6] |= uint64_t{1} << (u & 63); }
    bool Has(char16_t u) const { return (bits_[u >> 6] >> (u & 63)) & 1; }
    void AddRange(char16_t lo, char16_t hi)
    {
        for (uint32_t u = lo; u <= hi; ++u)
            Add(static_cast<char16_t>(u));
    }
    void AddAll(const UnitSet& other)
    {
        for (size_t i = 0; i < bits_.size(); ++i)
            bits_[i] |= other.bits_[i];
    }
    void Invert()
    {
        for (uint64_t& word : bits_)
            word = ~word;
    }
    // Adds every unit that folds together with a unit of the set.
    void CloseUnderFolding()
    {
        const CaseFolding& folding = CaseFolding::Get();
        UnitSet canonicals;
        for (uint32_t u = 0; u < 65536; ++u) {
            if (Has(static_cast<char16_t>(u)))
                canonicals.Add(folding.Canonical(static_cast<char16_t>(u)));
        }
        for (uint32_t u = 0; u < 65536; ++u) {
            if (canonicals.Has(folding.Canonical(static_cast<char16_t>(u))))
                Add(static_cast<char16_t>(u));
        }
    }

    CharClass ToClass() const
    {
        CharClass result;
        result.ascii[0] = bits_[0];
        result.ascii[1] = bits_[1];
        uint32_t u = 128;
        while (u < 65536) {
            if (!Has(static_cast<char16_t>(u))) {
                ++u;
                continue;
            }
            uint32_t first = u;
            while (u < 65536 && Has(static_cast<char16_t>(u)))
                ++u;
            result.ranges.emplace_back(static_cast<char16_t>(first), static_cast<char16_t>(u - 1));
        }
        return result;
    }

private:
    std::vector<uint64_t> bits_;
};

// The class escapes \d \w \s and their complements.
void AddDigits(UnitSet& set) { set.AddRange(u'0', u'9'); }

void AddWordUnits(UnitSet& set)
{
    set.AddRange(u'a', u'z');
    set.AddRange(u'A', u'Z');
    set.AddRange(u'0', u'9');
    set.Add(u'_');
}

// The white space of \s is the Unicode White_Space property: VBScript's
// engine takes U+0085, U+00A0, U+1680, U+2000 to U+200A, U+2028, U+202F and
// U+3000 as space and leaves U+200B and U+FEFF out. \d and \w are ASCII
// only: full-width digits are no \d, and "\w" does not match e-acute.
void AddSpaces(UnitSet& set)
{
    set.AddRange(0x0009, 0x000D);
    set.Add(0x0020);
    set.Add(0x0085);
    set.Add(0x00A0);
    set.Add(0x1680);
    set.AddRange(0x2000, 0x200A);
    set.Add(0x2028);
    set.Add(0x2029);
    set.Add(0x202F);
    set.Add(0x205F);
    set.Add(0x3000);
}

bool IsClassEscapeLetter(char16_t c)
{
    return c == u'd' || c == u'D' || c == u'w' || c == u'W' || c == u's' || c == u'S';
}

void AddClassEscape(char16_t letter, UnitSet& set)
{
    UnitSet part;
    switch (letter) {
    case u'd': case u'D': AddDigits(part); break;
    case u'w': case u'W': AddWordUnits(part); break;
    default: AddSpaces(part); break;
    }
    if (letter == u'D' || letter == u'W' || letter == u'S')
        part.Invert();
    set.AddAll(part);
}

int HexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsOctal(char16_t c) { return c >= u'0' && c <= u'7'; }

class Parser {
public:
    Parser(std::u16string_view pattern, Options options, Ast& ast)
        : p_(pattern), options_(options), ast_(ast) {}

    bool Run(PatternError& error)
    {
        totalGroups_ = CountGroups();
        int root = ParseDisjunction();
        if (root >= 0 && i_ < p_.size()) {
            // Only an unmatched ")" stops the top level early.
            Fail(PatternError::UnbalancedParenthesis);
            root = -1;
        }
        if (root < 0) {
            error = error_;
            return false;
        }
        ast_.root = root;
        ast_.groupCount = nextGroup_ - 1;
        error = PatternError::None;
        return true;
    }

private:
    // Backreferences may point forward ("\1(a)"), so the number of groups
    // is counted before parsing.
    int CountGroups() const
    {
        int count = 0;
        bool inClass = false;
        for (size_t i = 0; i < p_.size(); ++i) {
            char16_t c = p_[i];
            if (c == u'\\') {
                ++i;
            } else if (inClass) {
                if (c == u']')
                    inClass = false;
            } else if (c == u'[') {
                inClass = true;
            } else if (c == u'(' && (i + 1 >= p_.size() || p_[i + 1] != u'?')) {
                ++count;
            }
        }
        return count;
    }

    void Fail(PatternError error)
    {
        if (error_ == PatternError::None)
            error_ = error;
    }

    int NewNode(NodeKind kind)
    {
        ast_.nodes.emplace_back();
        ast_.nodes.back().kind = kind;
        return static_cast<int>(ast_.nodes.size() - 1);
    }

    int NewChar(char16_t unit)
    {
        int n = NewNode(NodeKind::Char);
        ast_.nodes[n].unit = unit;
        return n;
    }

    bool AtEnd() const { return i_ >= p_.size(); }
    char16_t Peek(size_t ahead = 0) const { return i_ + ahead < p_.size() ? p_[i_ + ahead] : u'\0'; }
    bool Has(size_t ahead) const { return i_ + ahead < p_.size(); }

    int ParseDisjunction()
    {
        if (++depth_ > kMaxNesting) {
            Fail(PatternError::TooComplex);
            return -1;
        }
        std::vector<int> alternatives;
        for (;;) {
            int alternative = ParseAlternative();
            if (alternative < 0)
                return -1;
            alternatives.push_back(alternative);
            if (AtEnd() || Peek() != u'|')
                break;
            ++i_;
        }
        --depth_;
        if (alternatives.size() == 1)
            return alternatives[0];
        int n = NewNode(NodeKind::Alternation);
        ast_.nodes[n].children = std::move(alternatives);
        return n;
    }

    int ParseAlternative()
    {
        std::vector<int> terms;
        while (!AtEnd() && Peek() != u'|' && Peek() != u')') {
            if (!ParseTerm(terms))
                return -1;
        }
        if (terms.size() == 1)
            return terms[0];
        int n = NewNode(terms.empty() ? NodeKind::Empty : NodeKind::Sequence);
        ast_.nodes[n].children = std::move(terms);
        return n;
    }

    // A quantifier at i_: * + ? or a well-formed {n}, {n,}, {n,m}. A "{"
    // that does not form one is an ordinary character.
    bool QuantifierAhead() const
    {
        if (AtEnd())
            return false;
        char16_t c = Peek();
        if (c == u'*' || c == u'+' || c == u'?')
            return true;
        uint32_t lo, hi;
        size_t end;
        return c == u'{' && ReadBraces(i_, lo, hi, end);
    }

    // Reads {n}, {n,} or {n,m} at `at`; counts above kMaxCount come back as
    // kMaxCount + 1.
    bool ReadBraces(size_t at, uint32_t& lo, uint32_t& hi, size_t& end) const
    {
        size_t j = at + 1;
        auto readNumber = [&](uint32_t& value) {
            size_t start = j;
            value = 0;
            while (j < p_.size() && IsDigit(p_[j])) {
                value = std::min<uint32_t>(value * 10 + (p_[j] - u'0'), kMaxCount + 1);
                ++j;
            }
            return j > start;
        };
        if (!readNumber(lo))
            return false;
        hi = lo;
        if (j < p_.size() && p_[j] == u',') {
            ++j;
            if (j < p_.size() && p_[j] == u'}')
                hi = kUnbounded;
            else if (!readNumber(hi))
                return false;
        }
        if (j >= p_.size() || p_[j] != u'}')
            return false;
        end = j + 1;
        return true;
    }

    bool ParseTerm(std::vector<int>& terms)
    {
        char16_t c = Peek();
        int firstGroup = nextGroup_;
        int atom = -1;
        switch (c) {
        case u'^':
        case u'$':
            ++i_;
            terms.push_back(NewNode(c == u'^' ? NodeKind::LineStart : NodeKind::LineEnd));
            return NoQuantifierAfterAssertion();
        case u'\\':
            if (Has(1) && (Peek(1) == u'b' || Peek(1) == u'B')) {
                terms.push_back(NewNode(Peek(1) == u'b' ? NodeKind::WordEdge : NodeKind::NotWordEdge));
                i_ += 2;
                return NoQuantifierAfterAssertion();
            }
            atom = ParseAtomEscape();
            break;
        case u'(':
            atom = ParseGroup();
            break;
        case u'*':
        case u'+':
        case u'?':
            Fail(PatternError::NothingToRepeat);
            return false;
        case u'{':
            if (QuantifierAhead()) {
                Fail(PatternError::NothingToRepeat);
                return false;
            }
            ++i_;
            atom = NewChar(u'{');
            break;
        case u'[':
            atom = ParseClass();
            break;
        case u'.':
            ++i_;
            atom = NewNode(NodeKind::Any);
            break;
        default:
            ++i_;
            atom = NewChar(c);
            break;
        }
        if (atom < 0)
            return false;
        if (QuantifierAhead()) {
            atom = ParseQuantifier(atom, firstGroup);
            if (atom < 0)
                return false;
            if (QuantifierAhead()) {
                // "a**", "a{1}{2}": a quantifier of a quantifier.
                Fail(PatternError::NothingToRepeat);
                return false;
            }
        }
        terms.push_back(atom);
        return true;
    }

    // "^*", "$+", "\b{2}": VBScript's engine rejects a quantified assertion
    // (but takes a quantified lookahead, "(?=a)*").
    bool NoQuantifierAfterAssertion()
    {
        if (QuantifierAhead()) {
            Fail(PatternError::NothingToRepeat);
            return false;
        }
        return true;
    }

    int ParseQuantifier(int atom, int firstGroup)
    {
        uint32_t lo = 0, hi = kUnbounded;
        char16_t c = Peek();
        if (c == u'*') {
            ++i_;
        } else if (c == u'+') {
            lo = 1;
            ++i_;
        } else if (c == u'?') {
            hi = 1;
            ++i_;
        } else {
            size_t end = i_;
            ReadBraces(i_, lo, hi, end);
            i_ = end;
            if (lo > kMaxCount || (hi != kUnbounded && hi > kMaxCount) || (hi != kUnbounded && lo > hi)) {
                Fail(PatternError::BadQuantifier);
                return -1;
            }
        }
        bool greedy = true;
        if (!AtEnd() && Peek() == u'?') {
            greedy = false;
            ++i_;
        }
        int n = NewNode(NodeKind::Repeat);
        Node& node = ast_.nodes[n];
        node.min = lo;
        node.max = hi;
        node.greedy = greedy;
        node.firstGroup = firstGroup;
        node.lastGroup = nextGroup_ - 1;
        node.children.push_back(atom);
        return n;
    }

    int ParseGroup()
    {
        ++i_;  // "("
        NodeKind kind = NodeKind::Group;
        bool negative = false;
        bool capturing = true;
        if (!AtEnd() && Peek() == u'?') {
            char16_t what = Peek(1);
            if (what == u':') {
                capturing = false;
            } else if (what == u'=' || what == u'!') {
                kind = NodeKind::Look;
                negative = what == u'!';
                capturing = false;
            } else {
                Fail(Has(1) ? PatternError::BadGroup : PatternError::UnbalancedParenthesis);
                return -1;
            }
            i_ += 2;
        }
        int number = capturing ? nextGroup_++ : 0;
        int inner = ParseDisjunction();
        if (inner < 0)
            return -1;
        if (AtEnd() || Peek() != u')') {
            Fail(PatternError::UnbalancedParenthesis);
            return -1;
        }
        ++i_;
        if (kind == NodeKind::Group && !capturing)
            return inner;
        int n = NewNode(kind);
        ast_.nodes[n].index = number;
        ast_.nodes[n].negative = negative;
        ast_.nodes[n].children.push_back(inner);
        return n;
    }

    // An octal escape: up to three octal digits with a value up to 0377,
    // so "\400" is "\40" followed by "0".
    char16_t ReadOctal()
    {
        uint32_t value = p_[i_++] - u'0';
        int maxMore = value <= 3 ? 2 : 1;
        while (maxMore-- > 0 && !AtEnd() && IsOctal(Peek()))
            value = value * 8 + (p_[i_++] - u'0');
        return static_cast<char16_t>(value);
    }

    // The escapes that mean one unit both inside and outside a class:
    // \t \n \r \f \v \cX \xHH \uHHHH. Returns false when the text at i_
    // (just after the backslash) is none of them.
    bool ReadUnitEscape(char16_t& unit)
    {
        char16_t c = Peek();
        switch (c) {
        case u't': unit = 0x09; ++i_; return true;
        case u'n': unit = 0x0A; ++i_; return true;
        case u'v': unit = 0x0B; ++i_; return true;
        case u'f': unit = 0x0C; ++i_; return true;
        case u'r': unit = 0x0D; ++i_; return true;
        case u'c':
            if (Has(1) && IsAsciiLetter(Peek(1))) {
                unit = static_cast<char16_t>(Peek(1) % 32);
                i_ += 2;
            } else {
                // "\c" without a letter is a backslash; the "c" stays.
                unit = u'\\';
            }
            return true;
        case u'x':
        case u'u': {
            size_t digits = c == u'x' ? 2 : 4;
            uint32_t value = 0;
            bool ok = Has(digits);
            for (size_t k = 1; ok && k <= digits; ++k) {
                int h = HexValue(Peek(k));
                ok = h >= 0;
                value = value * 16 + static_cast<uint32_t>(h < 0 ? 0 : h);
            }
            if (ok) {
                unit = static_cast<char16_t>(value);
                i_ += 1 + digits;
            } else {
                // Too few hex digits: the letter stands for itself, "\x4g"
                // finds "x4g". (Wine's copy of VBScript's engine agrees,
                // except at the very end of a pattern, where it takes the
                // digits there are: "\x4" is U+0004 there. Not followed.)
                unit = c;
                ++i_;
            }
            return true;
        }
        default:
            return false;
        }
    }

    int ParseAtomEscape()
    {
        ++i_;  // backslash
        if (AtEnd()) {
            Fail(PatternError::TrailingBackslash);
            return -1;
        }
        char16_t c = Peek();
        if (IsClassEscapeLetter(c)) {
            ++i_;
            UnitSet set;
            AddClassEscape(c, set);
            return NewClassNode(set);
        }
        char16_t unit;
        if (ReadUnitEscape(unit))
            return NewChar(unit);
        if (c >= u'1' && c <= u'9') {
            // A decimal number up to the number of groups is a
            // backreference; otherwise an octal escape ("\12" is LF when
            // there are fewer than 12 groups). In VBScript's engine "\8"
            // and "\9" beyond the groups are a backslash followed by the
            // digit: "\8" finds "\8", not "8".
            size_t j = i_;
            uint32_t number = 0;
            while (j < p_.size() && IsDigit(p_[j])) {
                number = std::min<uint32_t>(number * 10 + (p_[j] - u'0'), 100000);
                ++j;
            }
            if (number <= static_cast<uint32_t>(totalGroups_)) {
                i_ = j;
                int n = NewNode(NodeKind::BackRef);
                ast_.nodes[n].index = static_cast<int>(number);
                return n;
            }
            if (c >= u'8')
                return NewChar(u'\\');
            return NewChar(ReadOctal());
        }
        if (c == u'0')
            return NewChar(ReadOctal());
        ++i_;
        return NewChar(c);  // an escaped metacharacter or any other unit
    }

    int NewClassNode(UnitSet& set)
    {
        if (options_.ignoreCase)
            set.CloseUnderFolding();
        ast_.classes.push_back(set.ToClass());
        int n = NewNode(NodeKind::Class);
        ast_.nodes[n].index = static_cast<int>(ast_.classes.size() - 1);
        return n;
    }

    // One member of a class: a unit, or a class escape (then `isSet`).
    bool ParseClassAtom(char16_t& unit, bool& isSet, UnitSet& set)
    {
        isSet = false;
        char16_t c = p_[i_];
        if (c != u'\\') {
            unit = c;
            ++i_;
            return true;
        }
        ++i_;
        if (AtEnd()) {
            Fail(PatternError::UnterminatedClass);
            return false;
        }
        c = Peek();
        if (IsClassEscapeLetter(c)) {
            ++i_;
            AddClassEscape(c, set);
            isSet = true;
            return true;
        }
        if (c == u'b') {
            unit = 0x08;
            ++i_;
            return true;
        }
        if (ReadUnitEscape(unit))
            return true;
        if (IsOctal(c)) {
            unit = ReadOctal();
            return true;
        }
        unit = c;  // "\]", "\-", "\\", "\8", "\B" ...
        ++i_;
        return true;
    }

    int ParseClass()
    {
        ++i_;  // "["
        bool negated = false;
        if (!AtEnd() && Peek() == u'^') {
            negated = true;
            ++i_;
        }
        UnitSet set;
        for (;;) {
            if (AtEnd()) {
                Fail(PatternError::UnterminatedClass);
                return -1;
            }
            if (Peek() == u']') {
                ++i_;
                break;
            }
            char16_t first = 0;
            bool firstIsSet = false;
            if (!ParseClassAtom(first, firstIsSet, set))
                return -1;
            if (!firstIsSet)
                set.Add(first);
            // A range needs a "-" that is neither the last member nor next
            // to a class escape on its left ("[\d-z]" holds "-").
            if (!AtEnd() && Peek() == u'-' && Has(1) && Peek(1) != u']') {
                ++i_;
                if (firstIsSet) {
                    set.Add(u'-');
                    continue;
                }
                char16_t last = 0;
                bool lastIsSet = false;
                UnitSet lastSet;
                if (!ParseClassAtom(last, lastIsSet, lastSet))
                    return -1;
                if (lastIsSet || last < first) {
                    Fail(PatternError::BadRange);
                    return -1;
                }
                set.AddRange(first, last);
            }
        }
        if (options_.ignoreCase)
            set.CloseUnderFolding();
        if (negated)
            set.Invert();
        ast_.classes.push_back(set.ToClass());
        int n = NewNode(NodeKind::Class);
        ast_.nodes[n].index = static_cast<int>(ast_.classes.size() - 1);
        return n;
    }

    std::u16string_view p_;
    Options options_;
    Ast& ast_;
    size_t i_ = 0;
    int depth_ = 0;
    int nextGroup_ = 1;
    int totalGroups_ = 0;
    PatternError error_ = PatternError::None;
};

}  // namespace

bool Parse(std::u16string_view pattern, Options options, Ast& ast, PatternError& error)
{
    Parser parser(pattern, options, ast);
    return parser.Run(error);
}

}  // namespace vesk::regex_engine
