// Tests of the regular-expression engine. Most tests are tables of
// {pattern, flags, subject, expected matches}; the expected text lists each
// match as FirstIndex:'value' and, when the pattern has groups, the groups
// in parentheses, "-" for a group that took no part. Units outside
// printable ASCII show as \uXXXX, so that the tables stay plain ASCII.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "regex/engine/case_fold.h"
#include "regex/engine/regex_engine.h"
#include "tests/engine/program_pattern.h"

namespace {

using namespace std::literals;
namespace re = vesk::regex_engine;

std::string Render(std::u16string_view s)
{
    std::string out;
    for (char16_t u : s) {
        switch (u) {
        case u'\t': out += "\\t"; break;
        case u'\n': out += "\\n"; break;
        case u'\r': out += "\\r"; break;
        case u'\f': out += "\\f"; break;
        case u'\v': out += "\\v"; break;
        case u'\\': out += "\\\\"; break;
        case u'\'': out += "\\'"; break;
        default:
            if (u >= 0x20 && u < 0x7F) {
                out += static_cast<char>(u);
            } else {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(u));
                out += buffer;
            }
        }
    }
    return out;
}

std::string Describe(const std::vector<re::Match>& matches, std::u16string_view subject, int groupCount)
{
    if (matches.empty())
        return "none";
    std::string out;
    for (const re::Match& m : matches) {
        if (!out.empty())
            out += ' ';
        out += std::to_string(m.start) + ":'" +
               Render(subject.substr(static_cast<size_t>(m.start), static_cast<size_t>(m.length))) + "'";
        if (groupCount == 0)
            continue;
        out += '(';
        for (size_t g = 0; g < m.groups.size(); ++g) {
            if (g > 0)
                out += ',';
            const re::Capture& c = m.groups[g];
            if (c.participated()) {
                out += '\'';
                out += Render(subject.substr(static_cast<size_t>(c.start), static_cast<size_t>(c.length)));
                out += '\'';
            } else {
                out += '-';
            }
        }
        out += ')';
    }
    return out;
}

re::Options OptionsOf(std::string_view flags)
{
    re::Options options;
    options.ignoreCase = flags.find('i') != std::string_view::npos;
    options.multiline = flags.find('m') != std::string_view::npos;
    return options;
}

// "rejected", "limit", or the matches of a scan.
std::string Scan(std::u16string_view pattern, std::string_view flags, std::u16string_view subject)
{
    re::Regex regex = re::Regex::Compile(pattern, OptionsOf(flags));
    if (!regex.valid())
        return "rejected";
    std::vector<re::Match> matches;
    bool global = flags.find('g') != std::string_view::npos;
    if (re::FindAll(regex, subject, global, matches) != re::ScanStatus::Ok)
        return "limit";
    return Describe(matches, subject, regex.groupCount());
}

struct ScanCase {
    std::u16string_view pattern;
    const char* flags;
    std::u16string_view subject;
    const char* expected;
};

void RunTable(const std::vector<ScanCase>& table)
{
    for (const ScanCase& c : table) {
        EXPECT_EQ(Scan(c.pattern, c.flags, c.subject), c.expected)
            << "pattern " << Render(c.pattern) << " flags \"" << c.flags << "\" subject '" << Render(c.subject) << "'";
    }
}

TEST(EngineLiterals, TextAndEscapes)
{
    RunTable({
        {u"abc", "g", u"xabcabc", R"(1:'abc' 4:'abc')"},
        {u"aab", "", u"aaab", R"(1:'aab')"},
        {u"abc", "", u"ab", R"(none)"},
        {u"a\\.b", "g", u"a.b axb", R"(0:'a.b')"},
        {u"\\t\\n\\r\\f\\v", "", u"x\t\n\r\f\vy", R"(1:'\t\n\r\f\v')"},
        {u"\\x41\\u0042", "", u"zAB", R"(1:'AB')"},
        {u"\\x4g", "", u"x4g", R"(0:'x4g')"},  // too few hex digits: a plain "x"
        {u"\\u12", "", u"u12", R"(0:'u12')"},
        {u"\\cJ", "", u"a\nb", R"(1:'\n')"},
        {u"\\c1", "", u"\\c1", R"(0:'\\c1')"},  // "\c" without a letter is a backslash
        {u"a\\0"sv, "", u"ba\0"sv, R"(1:'a\u0000')"},
        {u"\\101\\12", "", u"A\n", R"(0:'A\n')"},
        {u"\\400", "", u" 0", R"(0:' 0')"},      // octal stops at 0377
        {u"\\8", "", u"8\\8", R"(1:'\\8')"},     // no group 8: a backslash and "8"
        {u"\\z\\-\\/", "", u"z-/", R"(0:'z-/')"},
        {u"a{", "", u"a{", R"(0:'a{')"},
        {u"x{2,3", "", u"x{2,3", R"(0:'x{2,3')"},
        {u"a{,3}", "", u"a{,3}", R"(0:'a{,3}')"},
        {u"}]", "", u"}]", R"(0:'}]')"},
        {u"\u4e2d\u6587", "g", u"\u4e2d\u6587\u548c\u4e2d\u6587", R"(0:'\u4e2d\u6587' 3:'\u4e2d\u6587')"},
        {u"", "", u"abc", R"(0:'')"},
    });
}

TEST(EngineDot, MatchesEverythingButLineFeed)
{
    // The script engine's "." stops at LF only; CR is an ordinary unit to it.
    RunTable({
        {u".", "g", u"a\rb\nc", R"(0:'a' 1:'\r' 2:'b' 4:'c')"},
        {u"a.b", "", u"a\nb", R"(none)"},
        {u"a.b", "", u"a\rb", R"(0:'a\rb')"},
        {u"a.b", "", u"a\u2028b", R"(0:'a\u2028b')"},
        {u"(.*)", "", u"ab\ncd", R"(0:'ab'('ab'))"},
        {u"(.*)", "g", u"ab\ncd", R"(0:'ab'('ab') 2:''('') 3:'cd'('cd') 5:''(''))"},
        {u"a[^x]b", "", u"a\nb", R"(0:'a\nb')"},
    });
}

TEST(EngineAnchors, SubjectEndsAndLineEnds)
{
    RunTable({
        {u"^a", "g", u"a\na", R"(0:'a')"},
        {u"^a", "gm", u"a\na\ra", R"(0:'a' 2:'a' 4:'a')"},
        {u"a$", "g", u"a\na", R"(2:'a')"},
        {u"a$", "gm", u"a\ra\na", R"(0:'a' 2:'a' 4:'a')"},
        {u"a$", "", u"a\n", R"(none)"},
        {u"^$", "gm", u"a\r\n\nb", R"(2:'' 3:'')"},
        {u"^", "g", u"ab", R"(0:'')"},
        {u"$", "g", u"ab", R"(2:'')"},
        {u"^b", "g", u"ab", R"(none)"},
        {u"(^a|b)", "g", u"aab", R"(0:'a'('a') 2:'b'('b'))"},
        {u"x|^", "g", u"ax", R"(0:'' 1:'x')"},
        {u"^\\w+$", "m", u"ab\r\ncd", R"(0:'ab')"},
    });
}

TEST(EngineGroups, NumberingAndParticipation)
{
    RunTable({
        {u"(a)(b)?", "g", u"ab a", R"(0:'ab'('a','b') 3:'a'('a',-))"},
        {u"(a)|(b)", "g", u"ab", R"(0:'a'('a',-) 1:'b'(-,'b'))"},
        {u"((a)(b(c)))", "", u"abc", R"(0:'abc'('abc','a','bc','c'))"},
        {u"(?:a)(b)", "", u"ab", R"(0:'ab'('b'))"},
        {u"(a|ab)(c|bcd)(d*)", "", u"abcd", R"(0:'abcd'('a','bcd',''))"},
        // A group inside a repetition starts each iteration cleared.
        {u"((a)|b)+", "", u"ab", R"(0:'ab'('b',-))"},
        {u"(?:(a)|b)*", "", u"ab", R"(0:'ab'(-))"},
        {u"(a)*", "", u"aa", R"(0:'aa'('a'))"},
        // An iteration beyond the minimum may not match empty.
        {u"(a*)*", "", u"b", R"(0:''(-))"},
        {u"(a*)+", "", u"b", R"(0:''(''))"},
        {u"(a*)?", "", u"b", R"(0:''(-))"},
        {u"(?:a|()){2}b", "", u"b", R"(0:'b'(''))"},
        {u"(a|)+b", "", u"aab", R"(0:'aab'('a'))"},
        {u"()", "", u"a", R"(0:''(''))"},
        {u"(a){0}b", "", u"ab", R"(1:'b'(-))"},
    });
}

TEST(EngineQuantifiers, GreedyLazyAndCounted)
{
    RunTable({
        {u"a{2}", "g", u"aaaaa", R"(0:'aa' 2:'aa')"},
        {u"a{2,}", "", u"aaaa", R"(0:'aaaa')"},
        {u"a{1,2}?", "", u"aaa", R"(0:'a')"},
        {u"a{0}b", "", u"ab", R"(1:'b')"},
        {u"a?b", "g", u"abb", R"(0:'ab' 2:'b')"},
        {u"a??b", "", u"ab", R"(0:'ab')"},
        {u"a*?b", "", u"aaab", R"(0:'aaab')"},
        {u"<(.*)>", "", u"<a><b>", R"(0:'<a><b>'('a><b'))"},
        {u"<(.*?)>", "g", u"<a><b>", R"(0:'<a>'('a') 3:'<b>'('b'))"},
        {u"(a+?)(a*)", "", u"aaa", R"(0:'aaa'('a','aa'))"},
        {u"(a){2,3}?", "", u"aaaa", R"(0:'aa'('a'))"},
        {u"(?:ab){2,3}", "g", u"abababababab", R"(0:'ababab' 6:'ababab')"},
        {u"(?:a|b){3}", "", u"abab", R"(0:'aba')"},
        {u"(?:a|b){2,}?c", "", u"ababc", R"(0:'ababc')"},
        {u"x*", "g", u"xx", R"(0:'xx' 2:'')"},
        // What follows a repetition decides where it stops or gives back.
        {u"(.*?)\"x", "", u"a\"b\"x\"x", R"(0:'a"b"x'('a"b'))"},
        {u"a.*b", "", u"a1b2b3", R"(0:'a1b2b')"},
        {u"a[^z]*b", "", u"axbxxbx", R"(0:'axbxxb')"},
        {u"a.*b", "", u"a1\nb", R"(none)"},
        {u"(.*?)K", "i", u"abkK", R"(0:'abk'('ab'))"},
        {u"(.*)k", "i", u"aKbkc", R"(0:'aKbk'('aKb'))"},
        {u"[a-z]*?q", "", u"abcq", R"(0:'abcq')"},
        {u"a*b+c", "", u"aabbbc", R"(0:'aabbbc')"},
        {u"(a*)(a)", "", u"aaa", R"(0:'aaa'('aa','a'))"},
        {u"(.{2,3}?)(.*)", "", u"abcd", R"(0:'abcd'('ab','cd'))"},
        {u"a{65535}", "", u"a", R"(none)"},
    });
}

TEST(EngineClasses, MembersRangesAndEscapes)
{
    RunTable({
        {u"[abc]+", "", u"xcabz", R"(1:'cab')"},
        {u"[^abc]+", "", u"abxyc", R"(2:'xy')"},
        {u"[a-c]+", "", u"zabcd", R"(1:'abc')"},
        {u"[]a", "", u"a]a", R"(none)"},  // "[]" matches nothing
        {u"[^]", "g", u"a\n", R"(0:'a' 1:'\n')"},
        {u"[a-]", "g", u"-a", R"(0:'-' 1:'a')"},
        {u"[-a]", "g", u"-a", R"(0:'-' 1:'a')"},
        {u"[\\d-z]", "g", u"5-yz", R"(0:'5' 1:'-' 3:'z')"},
        {u"[a-c-e]", "g", u"b-d", R"(0:'b' 1:'-')"},
        {u"[\\b]", "", u"a\bb", R"(1:'\u0008')"},
        {u"[\\]\\\\]", "g", u"a]\\", R"(1:']' 2:'\\')"},
        {u"[\\x41-\\x43]+", "", u"ABCD", R"(0:'ABC')"},
        {u"[\\u0041-C]+", "", u"ABCD", R"(0:'ABC')"},
        {u"[\\101]", "", u"A", R"(0:'A')"},
        {u"[.]", "", u"a.", R"(1:'.')"},
        {u"[\\s]", "g", u" \u3000\u00a0\ufeff", R"(0:' ' 1:'\u3000' 2:'\u00a0')"},
        {u"[\\S]", "", u"\u3000x", R"(1:'x')"},
        {u"[\\w.]+", "", u"-a.b_1-", R"(1:'a.b_1')"},
        {u"[\u4e00-\u9fff]+", "", u"ab\u4e2d\u6587cd", R"(2:'\u4e2d\u6587')"},
    });
}

TEST(EngineEscapes, ClassEscapesAndWordEdges)
{
    RunTable({
        {u"\\d+", "", u"ab123", R"(2:'123')"},
        {u"\\d", "", u"\uff11", R"(none)"},  // full-width digits are not \d
        {u"\\D+", "", u"12ab3", R"(2:'ab')"},
        {u"\\w+", "g", u"a_1 \u00e9", R"(0:'a_1')"},
        {u"\\W", "g", u"a \u00e9", R"(1:' ' 2:'\u00e9')"},
        {u"\\s+", "",
         u"a \t\r\n\v\f\u0085\u00a0\u1680\u2000\u200a\u2028\u2029\u202f\u205f\u3000\u200b",
         R"(1:' \t\r\n\v\f\u0085\u00a0\u1680\u2000\u200a\u2028\u2029\u202f\u205f\u3000')"},
        {u"\\s", "", u"\ufeff\u200b", R"(none)"},
        {u"\\S+", "", u" ab ", R"(1:'ab')"},
        {u"\\bab\\b", "g", u"ab cab ab", R"(0:'ab' 7:'ab')"},
        {u"\\B", "g", u"abc", R"(1:'' 2:'')"},
        {u"\\b", "g", u"ab cd", R"(0:'' 2:'' 3:'' 5:'')"},
        {u"a\\B", "", u"a\u00e9", R"(none)"},  // word units are ASCII only
    });
}

TEST(EngineBackreferences, RepeatEarlierGroups)
{
    RunTable({
        {u"(a)\\1", "", u"aa", R"(0:'aa'('a'))"},
        {u"\\1(a)", "", u"aa", R"(0:'a'('a'))"},  // not matched yet: empty
        {u"(a\\1)", "", u"aa", R"(0:'a'('a'))"},
        {u"(a)|\\1b", "", u"b", R"(0:'b'(-))"},
        {u"(a)\\2", "", u"a\u0002", R"(0:'a\u0002'('a'))"},  // no group 2: octal
        {u"(a)\\10", "", u"a\u0008", R"(0:'a\u0008'('a'))"},
        {u"(\\w+) \\1", "i", u"Abc aBC", R"(0:'Abc aBC'('Abc'))"},
        {u"(\\w+) \\1", "", u"Abc aBC abc abc", R"(8:'abc abc'('abc'))"},
        {u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)\\10", "", u"abcdefghijj",
         R"(0:'abcdefghijj'('a','b','c','d','e','f','g','h','i','j'))"},
        {u"(a+)b\\1", "", u"aaabaa", R"(1:'aabaa'('aa'))"},
    });
}

TEST(EngineLookahead, PositiveAndNegative)
{
    RunTable({
        {u"a(?=b)", "g", u"abac", R"(0:'a')"},
        {u"a(?!b)", "g", u"abac", R"(2:'a')"},
        {u"(?=(a+))a*b\\1", "", u"baaabac", R"(3:'aba'('a'))"},
        {u"(?=(a+))", "", u"baaabac", R"(1:''('aaa'))"},
        {u"(?!(a))b", "", u"b", R"(0:'b'(-))"},
        {u"(.*?)a(?!(a+)b\\2c)\\2(.*)", "", u"baaabaac", R"(0:'baaabaac'('ba',-,'abaac'))"},
        // Backtracking past a lookahead clears the groups it set.
        {u"(?:(?=(a))ab|a)c", "", u"ac", R"(0:'ac'(-))"},
        {u"(?=)", "", u"a", R"(0:'')"},
        {u"(?=a)*b", "", u"b", R"(0:'b')"},
        {u"(?=a)+a", "", u"a", R"(0:'a')"},
        {u"(?=a(?!b))\\w", "g", u"abacad", R"(2:'a' 4:'a')"},
        // A lookahead is atomic: nothing backtracks into it to try "123".
        {u"(?=(\\d+))\\w+\\1", "", u"abc123123x", R"(none)"},
    });
}

TEST(EngineCaseFolding, AsciiAndOtherScripts)
{
    RunTable({
        {u"abc", "gi", u"ABC aBc", R"(0:'ABC' 4:'aBc')"},
        {u"abc", "g", u"ABC abc", R"(4:'abc')"},
        {u"<DIV class", "i", u"x<div CLASS", R"(1:'<div CLASS')"},
        {u"a+", "i", u"xaAa", R"(1:'aAa')"},
        {u"\u00e9", "gi", u"\u00c9\u00e9", R"(0:'\u00c9' 1:'\u00e9')"},
        {u"\u00ff", "i", u"\u0178", R"(0:'\u0178')"},
        {u"\u0101\u0142", "i", u"\u0100\u0141", R"(0:'\u0100\u0141')"},
        {u"\u03c3", "gi", u"\u03a3\u03c2\u03c3", R"(0:'\u03a3' 1:'\u03c2' 2:'\u03c3')"},
        {u"\u0434\u0451", "gi", u"\u0414\u0401", R"(0:'\u0414\u0401')"},
        {u"\uff41", "gi", u"\uff21\uff41", R"(0:'\uff21' 1:'\uff41')"},
        {u"\u00b5", "i", u"\u039c", R"(0:'\u039c')"},
        // Outside ASCII nothing folds onto an ASCII letter.
        {u"s", "gi", u"S\u017f", R"(0:'S')"},
        {u"k", "gi", u"K\u212a", R"(0:'K')"},
        {u"i", "gi", u"I\u0131", R"(0:'I')"},
        {u"\u00e9", "", u"\u00c9", R"(none)"},
        {u"[a-z]+", "i", u"ABC", R"(0:'ABC')"},
        {u"[\u00e0-\u00fe]+", "i", u"\u00c0\u00c9", R"(0:'\u00c0\u00c9')"},
        {u"[\u03b1-\u03c9]+", "i", u"\u0391\u03a3\u03c2", R"(0:'\u0391\u03a3\u03c2')"},
        {u"[^a]", "gi", u"Ab", R"(1:'b')"},
        {u"[^\\W]", "i", u"a", R"(0:'a')"},
        {u"\\W", "gi", u"K\u212a", R"(1:'\u212a')"},
    });
}

TEST(EngineGlobalScan, EmptyMatchesMoveOneUnitOn)
{
    RunTable({
        {u"a*", "g", u"baaa", R"(0:'' 1:'aaa' 4:'')"},
        {u"a*", "", u"baaa", R"(0:'')"},
        {u"a*?", "g", u"baa", R"(0:'' 1:'' 2:'' 3:'')"},
        {u"", "g", u"abc", R"(0:'' 1:'' 2:'' 3:'')"},
        {u"x*", "g", u"", R"(0:'')"},
        {u"a|", "g", u"ab", R"(0:'a' 1:'' 2:'')"},
        {u"a*", "g", u"aaab", R"(0:'aaa' 3:'' 4:'')"},
        {u"\\d*", "g", u"1a22", R"(0:'1' 1:'' 2:'22' 4:'')"},
        {u"x*", "g", u"\U0001F600", R"(0:'' 1:'' 2:'')"},  // units, not characters
    });
}

struct ReplaceCase {
    std::u16string_view pattern;
    const char* flags;
    std::u16string_view subject;
    std::u16string_view replacement;
    std::u16string_view expected;
};

TEST(EngineReplace, DollarForms)
{
    const std::vector<ReplaceCase> table = {
        {u"(a)(b)?", "g", u"a ab", u"[$1|$2|$&|$`|$'|$$|$3|$0|$10|$01]",
         u"[a||a|| ab|$|$3|$0|a0|a] [a|b|ab|a ||$|$3|$0|a0|a]"},
        {u"a*", "g", u"baaa", u"-", u"-b--"},
        {u"a", "", u"aaa", u"b", u"baa"},
        {u"x", "g", u"abc", u"-", u"abc"},
        {u"", "g", u"abc", u"-", u"-a-b-c-"},
        {u"", "g", u"", u"[$&]", u"[]"},
        {u"(a)", "g", u"bab", u"$1$", u"ba$b"},
        {u"(a)", "g", u"bab", u"$$1", u"b$1b"},
        {u"a", "g", u"bab", u"$x$", u"b$x$b"},
        {u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", "", u"abcdefghijk", u"$10|$11|$12|$011|$00", u"j|k|a2|a1|$00"},
        {u"(x)?a", "", u"ba", u"[$1]", u"b[]"},
        {u"b", "g", u"abcb", u"[$`]", u"a[a]c[abc]"},
        {u"a", "gi", u"aAa", u"x", u"xxx"},
        {u"(\\w+)@(\\w+)", "g", u"x a@b c@d", u"$2@$1", u"x b@a d@c"},
    };
    for (const ReplaceCase& c : table) {
        re::Regex regex = re::Regex::Compile(c.pattern, OptionsOf(c.flags));
        ASSERT_TRUE(regex.valid()) << Render(c.pattern);
        std::u16string result;
        bool global = std::string_view(c.flags).find('g') != std::string_view::npos;
        ASSERT_EQ(re::Replace(regex, c.subject, c.replacement, global, result), re::ScanStatus::Ok);
        EXPECT_EQ(Render(result), Render(c.expected))
            << "pattern " << Render(c.pattern) << " replacement " << Render(c.replacement);
    }
}

TEST(EnginePatterns, RejectedWithTheReason)
{
    using E = re::PatternError;
    const std::vector<std::pair<std::u16string, E>> table = {
        {u"(", E::UnbalancedParenthesis},
        {u"a)", E::UnbalancedParenthesis},
        {u"(a))", E::UnbalancedParenthesis},
        {u"((a)", E::UnbalancedParenthesis},
        {u"(?", E::UnbalancedParenthesis},
        {u"(?<a>b)", E::BadGroup},
        {u"(?i)a", E::BadGroup},
        {u"*a", E::NothingToRepeat},
        {u"+", E::NothingToRepeat},
        {u"a**", E::NothingToRepeat},
        {u"a+*", E::NothingToRepeat},
        {u"a{1}{2}", E::NothingToRepeat},
        {u"^*", E::NothingToRepeat},
        {u"$+", E::NothingToRepeat},
        {u"\\b*", E::NothingToRepeat},
        {u"{2}", E::NothingToRepeat},
        {u"a|*", E::NothingToRepeat},
        {u"(*)", E::NothingToRepeat},
        {u"[z-a]", E::BadRange},
        {u"[a-\\d]", E::BadRange},
        {u"a{3,1}", E::BadQuantifier},
        {u"a{65536}", E::BadQuantifier},
        {u"a{0,99999}", E::BadQuantifier},
        {u"a{2147483648}", E::BadQuantifier},
        {u"a\\", E::TrailingBackslash},
        {u"[", E::UnterminatedClass},
        {u"[a", E::UnterminatedClass},
        {u"[\\]", E::UnterminatedClass},
        {std::u16string(300, u'(') + u"a" + std::u16string(300, u')'), E::TooComplex},
        {std::u16string(100000, u'('), E::TooComplex},
    };
    for (const auto& [pattern, expected] : table) {
        re::PatternError error = E::None;
        re::Regex regex = re::Regex::Compile(pattern, {}, &error);
        EXPECT_FALSE(regex.valid()) << Render(pattern.substr(0, 40));
        EXPECT_EQ(static_cast<int>(error), static_cast<int>(expected)) << Render(pattern.substr(0, 40));
    }
    re::PatternError error = E::BadGroup;
    re::Regex deep =
        re::Regex::Compile(std::u16string(150, u'(') + u"a" + std::u16string(150, u')'), {}, &error);
    EXPECT_TRUE(deep.valid());
    EXPECT_EQ(error, E::None);
    EXPECT_EQ(deep.groupCount(), 150);
}

TEST(EngineBudget, PathologicalPatternsEnd)
{
    // With the default budget: the classic exponential case gives up.
    EXPECT_EQ(Scan(u"(a*)*b", "", std::u16string(30, u'a')), "limit");

    struct Pathological {
        std::u16string pattern;
        std::u16string subject;
    };
    const std::vector<Pathological> table = {
        {u"(a|aa)*c", std::u16string(40, u'a')},
        {u"^(a+)+$", std::u16string(28, u'a') + u"!"},
        {u"(x+x+)+y", std::u16string(40, u'x')},
        {u"(?:(?=a*)a*)*b", std::u16string(30, u'a')},
    };
    re::Limits small;
    small.steps = 2'000'000;
    small.backtrackEntries = 1 << 20;
    for (const Pathological& p : table) {
        re::Regex regex = re::Regex::Compile(p.pattern, {});
        ASSERT_TRUE(regex.valid());
        std::vector<re::Match> matches;
        EXPECT_EQ(re::FindAll(regex, p.subject, false, matches, small), re::ScanStatus::LimitExceeded)
            << Render(p.pattern);
        EXPECT_TRUE(matches.empty());
    }

    // The budget is shared by the searches of one scan.
    re::Regex letter = re::Regex::Compile(u"\\w", {});
    std::u16string letters(1000, u'a');
    std::vector<re::Match> matches;
    re::Limits tight;
    tight.steps = 500;
    tight.backtrackEntries = 1024;
    EXPECT_EQ(re::FindAll(letter, letters, true, matches, tight), re::ScanStatus::LimitExceeded);
    tight.steps = 100000;
    EXPECT_EQ(re::FindAll(letter, letters, true, matches, tight), re::ScanStatus::Ok);
    EXPECT_EQ(matches.size(), 1000u);

    // The backtracking stack has a ceiling of its own.
    re::Regex alternation = re::Regex::Compile(u"(?:a|b)*c", {});
    std::u16string ab(20000, u'a');
    re::Limits shallow;
    shallow.steps = 100'000'000;
    shallow.backtrackEntries = 1000;
    EXPECT_EQ(re::FindAll(alternation, ab + u"c", false, matches, shallow), re::ScanStatus::LimitExceeded);
    shallow.backtrackEntries = 1 << 20;
    EXPECT_EQ(re::FindAll(alternation, ab + u"c", false, matches, shallow), re::ScanStatus::Ok);
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].length, 20001);
}

TEST(EngineSearcher, FindNextFromAnIndex)
{
    const std::u16string subject = u"abcab";
    re::Regex regex = re::Regex::Compile(u"b(c)?", {});
    re::Searcher searcher(regex, subject);
    re::Match match;
    ASSERT_EQ(searcher.FindNext(0, match), re::SearchStatus::Found);
    EXPECT_EQ(Describe({match}, subject, 1), "1:'bc'('c')");
    ASSERT_EQ(searcher.FindNext(2, match), re::SearchStatus::Found);
    EXPECT_EQ(Describe({match}, subject, 1), "4:'b'(-)");
    EXPECT_EQ(searcher.FindNext(5, match), re::SearchStatus::NotFound);
    EXPECT_EQ(searcher.FindNext(6, match), re::SearchStatus::NotFound);

    // "^" holds only where a line starts, whatever the index searched from.
    const std::u16string lines = u"a\na";
    re::Regex start = re::Regex::Compile(u"^a", {});
    re::Searcher once(start, lines);
    EXPECT_EQ(once.FindNext(1, match), re::SearchStatus::NotFound);
    re::Regex lineStart = re::Regex::Compile(u"^a", {false, true});
    re::Searcher each(lineStart, lines);
    ASSERT_EQ(each.FindNext(1, match), re::SearchStatus::Found);
    EXPECT_EQ(match.start, 2);

    // An empty match at the very end.
    re::Regex end = re::Regex::Compile(u"$", {});
    re::Searcher atEnd(end, subject);
    ASSERT_EQ(atEnd.FindNext(5, match), re::SearchStatus::Found);
    EXPECT_EQ(match.start, 5);
    EXPECT_EQ(match.length, 0);
}

// --- the program's two patterns ----------------------------------------

using engine_fixtures::kIconAddress;
using engine_fixtures::ResultRowPattern;

const std::u16string kSearchTimePattern = u"\t\t<div class=\"costs\">(.*?)\r\n\t\t\t\u79d2</div>";

struct Row {
    std::u16string link, title, added, size, files, magnet;
};

// One result block as the site writes it.
std::u16string ResultBlock(const Row& row)
{
    return u"\t<div class=\"r\">\r\n"
           u"\t\t\t\t<a href=\"" +
           row.link +
           u"\" target=\"_blank\" class=\"link\">\r\n"
           u"\t\t\t\t\t<h5 class=\"h\">" +
           row.title +
           u"</h5>\r\n"
           u"\t\t\t\t</a>\r\n"
           u"\t\t\t\t<div>\r\n"
           u"\t\t\t\t\t<span style=\"padding-right: 10px; vertical-align: middle;\">\u6536\u5f55\u65f6\u95f4\uff1a<span\r\n"
           u"\t\t\t\t\t\tclass=\"prop_val\">" +
           row.added +
           u"</span></span> <span\r\n"
           u"\t\t\t\t\t\tstyle=\"padding-right: 10px; vertical-align: middle;\">\u5927\u5c0f\uff1a<span\r\n"
           u"\t\t\t\t\t\tclass=\"prop_val\">" +
           row.size +
           u"</span></span> <span\r\n"
           u"\t\t\t\t\t\tstyle=\"padding-right: 10px; vertical-align: middle;\">\u6587\u4ef6\u6570\uff1a<span\r\n"
           u"\t\t\t\t\t\tclass=\"prop_val\">" +
           row.files +
           u"</span></span> <a\r\n"
           u"\t\t\t\t\t\thref=\"" +
           row.magnet +
           u"\">\r\n"
           u"\t\t\t\t\t\t<img src=\"" +
           kIconAddress +
           u"\"\r\n"
           u"\t\t\t\t\t\tstyle=\"vertical-align: middle;\" alt=\"\u78c1\u529b\u94fe\u63a5\" /> <span\r\n"
           u"\t\t\t\t\t\tstyle=\"vertical-align: middle; margin-left: 2px;\">\u78c1\u529b\u94fe\u63a5</span>\r\n"
           u"\t\t\t\t\t</a>\r\n"
           u"\t\t\t\t</div>\r\n"
           u"\t\t\t</div>\r\n";
}

std::u16string Group(const std::u16string& subject, const re::Match& m, int group)
{
    const re::Capture& c = m.groups[static_cast<size_t>(group - 1)];
    return c.participated() ? subject.substr(static_cast<size_t>(c.start), static_cast<size_t>(c.length))
                            : u"<none>";
}

std::vector<Row> Rows(const std::u16string& page)
{
    re::Regex regex = re::Regex::Compile(ResultRowPattern(), {true, true});
    EXPECT_TRUE(regex.valid());
    EXPECT_EQ(regex.groupCount(), 6);
    std::vector<re::Match> matches;
    EXPECT_EQ(re::FindAll(regex, page, true, matches), re::ScanStatus::Ok);
    std::vector<Row> rows;
    for (const re::Match& m : matches) {
        rows.push_back({Group(page, m, 1), Group(page, m, 2), Group(page, m, 3), Group(page, m, 4), Group(page, m, 5),
                        Group(page, m, 6)});
    }
    return rows;
}

TEST(EngineProgramPatterns, ResultRowsOfAPage)
{
    const Row first = {u"/detail/1",
                       u"\u4e09\u4f53 <span class='highlight'>\u5168\u96c6</span> 1080p",
                       u"2024-01-02",
                       u"1.2 GB",
                       u"12",
                       u"magnet:?xt=urn:btih:AAAA"};
    const Row second = {u"/detail/2", u"Title \"quoted\" here", u"2023-12-31", u"700 MB", u"1",
                        u"magnet:?xt=urn:btih:BBBB"};
    const Row third = {u"/detail/3", u"", u"2020-05-05", u"1 KB", u"3", u"magnet:?xt=urn:btih:CCCC"};

    // A block with a line missing is no result, and must not swallow the next one.
    std::u16string broken = ResultBlock(second);
    size_t cut = broken.find(u"\t\t\t\t</a>\r\n");
    broken.erase(cut, 10);
    // Tags in capitals match too: the pattern runs with IgnoreCase.
    std::u16string shouting = ResultBlock(third);
    for (size_t at = shouting.find(u"<div"); at != std::u16string::npos; at = shouting.find(u"<div", at + 1))
        shouting.replace(at, 4, u"<DIV");

    std::u16string page = u"<html>\r\n<body>\r\n\t\t<div class=\"costs\">0.0123\r\n\t\t\t\u79d2</div>\r\n" +
                          ResultBlock(first) + broken + ResultBlock(second) + shouting + u"</body>\r\n</html>\r\n";

    std::vector<Row> rows = Rows(page);
    ASSERT_EQ(rows.size(), 3u);
    const Row* expected[] = {&first, &second, &third};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Render(rows[i].link), Render(expected[i]->link));
        EXPECT_EQ(Render(rows[i].title), Render(expected[i]->title));
        EXPECT_EQ(Render(rows[i].added), Render(expected[i]->added));
        EXPECT_EQ(Render(rows[i].size), Render(expected[i]->size));
        EXPECT_EQ(Render(rows[i].files), Render(expected[i]->files));
        EXPECT_EQ(Render(rows[i].magnet), Render(expected[i]->magnet));
    }

    re::Regex time = re::Regex::Compile(kSearchTimePattern, {true, true});
    std::vector<re::Match> matches;
    ASSERT_EQ(re::FindAll(time, page, true, matches), re::ScanStatus::Ok);
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(Render(Group(page, matches[0], 1)), "0.0123");
}

TEST(EngineProgramPatterns, TenMegabytePages)
{
    // A full page of results: every block is found, and nothing recurses
    // with the length of the page.
    std::u16string page;
    int blocks = 0;
    while (page.size() < 10'000'000) {
        std::u16string n = u"";
        for (char c : std::to_string(blocks))
            n.push_back(static_cast<char16_t>(c));
        page += ResultBlock({u"/d/" + n, u"\u7b2c" + n + u"\u4e2a <span class='highlight'>x</span>", u"2024-01-01",
                             u"1 GB", n, u"magnet:?xt=urn:btih:" + n});
        ++blocks;
    }
    std::vector<Row> rows = Rows(page);
    ASSERT_EQ(rows.size(), static_cast<size_t>(blocks));
    EXPECT_EQ(Render(rows.back().magnet), "magnet:?xt=urn:btih:" + std::to_string(blocks - 1));

    // A block that opens and never closes, followed by 10 MB on one line.
    std::u16string open = u"\t<div class=\"r\">\r\n\t\t\t\t<a href=\"" + std::u16string(10'000'000, u'x');
    EXPECT_TRUE(Rows(open).empty());

    // Many blocks that open, each followed by a long line that never ends
    // the way the pattern wants.
    std::u16string openings;
    while (openings.size() < 10'000'000)
        openings += u"\t<div class=\"r\">\r\n\t\t\t\t<a href=\"" + std::u16string(5000, u'y') + u"\r\n";
    EXPECT_TRUE(Rows(openings).empty());
}

TEST(EngineProgramPatterns, LongSubjectsDoNotRecurse)
{
    std::u16string tenMegabytes(10'000'000, u'a');
    EXPECT_EQ(Scan(u"^(.*)$", "", tenMegabytes), "0:'" + std::string(10'000'000, 'a') + "'('" +
                                                     std::string(10'000'000, 'a') + "')");
    // A general loop: two million iterations of a group with alternatives.
    std::u16string pairs;
    for (int i = 0; i < 1'000'000; ++i)
        pairs += u"abcd";
    re::Regex loop = re::Regex::Compile(u"^(?:ab|cd)*$", {});
    std::vector<re::Match> matches;
    ASSERT_EQ(re::FindAll(loop, pairs, false, matches), re::ScanStatus::Ok);
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].length, 4'000'000);
    // Lazy and greedy repetition over 10 MB of one line.
    re::Regex lazy = re::Regex::Compile(u"a(.*?)b", {});
    std::u16string line(10'000'002, u'x');
    line.front() = u'a';
    line.back() = u'b';
    ASSERT_EQ(re::FindAll(lazy, line, true, matches), re::ScanStatus::Ok);
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].groups[0].length, 10'000'000);
}

// --- the automation-facing object ----------------------------------------

TEST(EngineRegExpObject, PropertiesExecuteAndSubMatches)
{
    re::RegExp object;
    EXPECT_FALSE(object.Global());
    EXPECT_FALSE(object.IgnoreCase());
    EXPECT_FALSE(object.Multiline());
    EXPECT_EQ(object.Pattern(), u"");

    object.SetPattern(u"(a)(x)?");
    EXPECT_EQ(object.Pattern(), u"(a)(x)?");
    re::MatchCollection matches;
    ASSERT_EQ(object.Execute(u"bAaa", matches), re::ScanStatus::Ok);
    ASSERT_EQ(matches.Count(), 1);  // not global: the first match only
    re::MatchItem item;
    ASSERT_TRUE(matches.Item(0, item));
    EXPECT_EQ(item.FirstIndex(), 2);
    EXPECT_EQ(item.Length(), 1);
    EXPECT_EQ(item.Value(), u"a");
    EXPECT_EQ(item.SubMatchCount(), 2);
    bool tookPart = false, inRange = false;
    EXPECT_EQ(item.SubMatch(0, &tookPart, &inRange), u"a");
    EXPECT_TRUE(tookPart);
    EXPECT_TRUE(inRange);
    EXPECT_EQ(item.SubMatch(1, &tookPart, &inRange), u"");
    EXPECT_FALSE(tookPart);
    EXPECT_TRUE(inRange);
    EXPECT_EQ(item.SubMatch(2, &tookPart, &inRange), u"");
    EXPECT_FALSE(inRange);
    EXPECT_FALSE(matches.Item(1, item));
    EXPECT_FALSE(matches.Item(-1, item));

    // Changing a flag takes effect at the next call.
    object.SetIgnoreCase(true);
    object.SetGlobal(true);
    ASSERT_EQ(object.Execute(u"bAaa", matches), re::ScanStatus::Ok);
    ASSERT_EQ(matches.Count(), 3);
    ASSERT_TRUE(matches.Item(0, item));
    EXPECT_EQ(item.FirstIndex(), 1);

    // A match keeps its text after the collection and the object change.
    re::MatchItem kept;
    ASSERT_TRUE(matches.Item(2, kept));
    object.SetPattern(u"z");
    ASSERT_EQ(object.Execute(u"zz", matches), re::ScanStatus::Ok);
    EXPECT_EQ(matches.Count(), 2);
    EXPECT_EQ(kept.Value(), u"a");
    EXPECT_EQ(kept.FirstIndex(), 3);

    object.SetMultiline(true);
    object.SetPattern(u"^b");
    bool found = false;
    ASSERT_EQ(object.Test(u"a\rb", found), re::ScanStatus::Ok);
    EXPECT_TRUE(found);
    ASSERT_EQ(object.Test(u"ab", found), re::ScanStatus::Ok);
    EXPECT_FALSE(found);
}

TEST(EngineRegExpObject, RejectedPatternFailsEveryCall)
{
    re::RegExp object;
    object.SetPattern(u"a(");
    re::MatchCollection matches;
    EXPECT_EQ(object.Execute(u"a(", matches), re::ScanStatus::PatternRejected);
    EXPECT_EQ(matches.Count(), 0);
    std::u16string replaced = u"stale";
    EXPECT_EQ(object.Replace(u"a(", u"x", replaced), re::ScanStatus::PatternRejected);
    EXPECT_EQ(replaced, u"");
    bool found = true;
    EXPECT_EQ(object.Test(u"a(", found), re::ScanStatus::PatternRejected);
    EXPECT_FALSE(found);
    EXPECT_EQ(object.patternError(), re::PatternError::UnbalancedParenthesis);

    object.SetPattern(u"a\\(");
    EXPECT_EQ(object.patternError(), re::PatternError::None);
    EXPECT_EQ(object.Replace(u"a(a(", u"x", replaced), re::ScanStatus::Ok);
    EXPECT_EQ(replaced, u"xa(");  // not global: the first match only
}

TEST(EngineCaseFolding, TableIsConsistent)
{
    const re::CaseFolding& folding = re::CaseFolding::Get();
    std::vector<int> classSize(65536, 0);
    for (uint32_t u = 0; u < 65536; ++u)
        ++classSize[folding.Canonical(static_cast<char16_t>(u))];
    for (uint32_t u = 0; u < 65536; ++u) {
        char16_t unit = static_cast<char16_t>(u);
        char16_t canonical = folding.Canonical(unit);
        ASSERT_EQ(folding.Canonical(canonical), canonical) << std::hex << u;
        if (u >= 128) {
            ASSERT_TRUE(canonical >= 128 || canonical == unit) << std::hex << u;
        }
        // Variants lists the whole fold class, and no class is cut short.
        char16_t variants[re::CaseFolding::kMaxVariants];
        int n = folding.Variants(unit, variants);
        ASSERT_EQ(n, classSize[canonical]) << std::hex << u;
        ASSERT_LT(n, re::CaseFolding::kMaxVariants) << std::hex << u;
        ASSERT_EQ(variants[0], unit);
        for (int k = 0; k < n; ++k)
            ASSERT_EQ(folding.Canonical(variants[k]), canonical) << std::hex << u;
        ASSERT_EQ(folding.IsCaseless(unit), n == 1);
    }
}

}  // namespace
