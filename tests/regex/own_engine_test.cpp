// The program's own engine against the system's VBScript engine (Wine has
// one): the same patterns over the same subjects, through the same late-bound
// calls, must give the same matches, positions and groups.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <optional>
#include <string>
#include <vector>

#include "regex/automation.h"
#include "regex/own_engine_object.h"
#include "regex/regex_object.h"
#include "tests/support/text_printing.h"
#include "text/wide.h"

namespace {

Variant WideArgument(const std::wstring& text)
{
    Variant argument;
    VARIANT* value = argument.Reset();
    value->vt = VT_BSTR;
    value->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return argument;
}

std::optional<std::wstring> WideOf(const Variant& value)
{
    if (value.get().vt != VT_BSTR)
        return std::nullopt;
    return std::wstring(value.get().bstrVal, SysStringLen(value.get().bstrVal));
}

struct MatchSeen {
    std::optional<std::wstring> value;
    double firstIndex = -1;
    double length = -1;
    std::vector<std::optional<std::wstring>> groups;  // nullopt: Empty, the group took no part
    bool operator==(const MatchSeen&) const = default;
};

struct Seen {
    bool executed = false;
    std::vector<MatchSeen> matches;
    std::optional<std::wstring> replaced;
    bool operator==(const Seen&) const = default;
};

std::string Narrow(const std::optional<std::wstring>& text)
{
    return text ? "\"" + GbkFromWide(*text).str() + "\"" : std::string("Empty");
}

void PrintTo(const Seen& seen, std::ostream* out)
{
    *out << (seen.executed ? "" : "(Execute failed) ") << seen.matches.size() << " matches";
    for (const MatchSeen& m : seen.matches) {
        *out << "\n  " << Narrow(m.value) << " at " << m.firstIndex << " length " << m.length << " groups";
        for (const auto& g : m.groups)
            *out << " " << Narrow(g);
    }
    *out << "\n  Replace: " << Narrow(seen.replaced);
}

struct Case {
    const wchar_t* pattern;
    const wchar_t* subject;
    bool ignoreCase = false;
    bool global = true;
    bool multiline = false;
    const wchar_t* replacement = L"[$&]";
};

Seen Observe(const AutomationObject& engine, const Case& c)
{
    Seen seen;
    PutProperty(engine, L"IgnoreCase", BoolArgument(c.ignoreCase));
    PutProperty(engine, L"Global", BoolArgument(c.global));
    PutProperty(engine, L"Multiline", BoolArgument(c.multiline));
    PutProperty(engine, L"Pattern", WideArgument(c.pattern));
    Variant subject[] = {WideArgument(c.subject)};
    AutomationObject matches = ObjectOf(CallMethod(engine, L"Execute", subject));
    seen.executed = !matches.empty();
    int count = TruncateToInt32(NumberOf(GetProperty(matches, L"Count")));
    for (int i = 0; i < count; ++i) {
        Variant index[] = {DoubleArgument(i)};
        AutomationObject match = ObjectOf(GetProperty(matches, L"Item", index));
        MatchSeen m;
        m.value = WideOf(GetProperty(match, L"Value"));
        m.firstIndex = NumberOf(GetProperty(match, L"FirstIndex"));
        m.length = NumberOf(GetProperty(match, L"Length"));
        AutomationObject groups = ObjectOf(GetProperty(match, L"SubMatches"));
        int groupCount = TruncateToInt32(NumberOf(GetProperty(groups, L"Count")));
        for (int g = 0; g < groupCount; ++g) {
            Variant groupIndex[] = {DoubleArgument(g)};
            m.groups.push_back(WideOf(GetProperty(groups, L"Item", groupIndex)));
        }
        // One past the last group and one past the last match fail quietly.
        Variant pastGroups[] = {DoubleArgument(groupCount)};
        EXPECT_EQ(GetProperty(groups, L"Item", pastGroups).get().vt, VT_EMPTY);
        seen.matches.push_back(std::move(m));
    }
    Variant pastMatches[] = {DoubleArgument(count)};
    EXPECT_TRUE(ObjectOf(GetProperty(matches, L"Item", pastMatches)).empty());
    Variant replaceArguments[] = {WideArgument(c.subject), WideArgument(c.replacement)};
    seen.replaced = WideOf(CallMethod(engine, L"Replace", replaceArguments));
    return seen;
}

class OwnEngine : public testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }

    static void ExpectSameAsVbscript(const Case& c)
    {
        SCOPED_TRACE(testing::Message() << "pattern " << GbkFromWide(c.pattern).str() << " over "
                                        << GbkFromWide(c.subject).str() << (c.ignoreCase ? " ignoring case" : "")
                                        << (c.global ? "" : " not global") << (c.multiline ? " multiline" : ""));
        AutomationObject system = CreateAutomationObject(L"VBScript.RegExp");
        ASSERT_FALSE(system.empty()) << "the system's VBScript engine is needed for this comparison";
        AutomationObject own = CreateOwnRegexEngine();
        ASSERT_FALSE(own.empty());
        EXPECT_EQ(Observe(own, c), Observe(system, c));
    }
};

TEST_F(OwnEngine, LiteralsGroupsAndQuantifiers)
{
    const Case cases[] = {
        {L"abc", L"xxabcxxABCabc"},
        {L"abc", L"xxabcxxABCabc", true},
        {L"(a)(b)?(c)", L"ac abc"},
        {L"((a)|b)+", L"abab"},
        {L"(?:ab)+(c)?", L"ababx abc"},
        {L"<.*?>", L"<a><bb>"},
        {L"<.*>", L"<a><bb>"},
        {L"a{2,3}", L"aaaaaaa"},
        {L"a{2,}?", L"aaaaa"},
        {L"a{3}", L"aa aaa aaaa"},
        {L"x+?y", L"xxxy xy"},
        {L"cat|category", L"category cat"},
        {L"(\\w)\\1", L"aabbcd ee"},
        {L"\\w+(?=;)", L"ab; cd, ef;"},
        {L"\\d(?!x)", L"1x2y3"},
        {L"colou?r", L"color colour"},
        {L"(a|ab)(c|bcd)(d*)", L"abcd"},
    };
    for (const Case& c : cases)
        ExpectSameAsVbscript(c);
}

// Where Wine's engine cannot be the yardstick, the matches VBScript gives on
// Windows: Wine's engine never returns from a global Execute once a match is
// empty, its "." refuses a carriage return, and it folds ASCII letters only.
struct Expected {
    Case c;
    std::vector<std::pair<double, std::wstring>> matches;  // FirstIndex and Value
};

void ExpectMatches(const Expected& e)
{
    SCOPED_TRACE(testing::Message() << "pattern " << GbkFromWide(e.c.pattern).str() << " over "
                                    << GbkFromWide(e.c.subject).str());
    Seen seen = Observe(CreateOwnRegexEngine(), e.c);
    EXPECT_TRUE(seen.executed);
    std::vector<std::pair<double, std::wstring>> got;
    for (const MatchSeen& m : seen.matches)
        got.emplace_back(m.firstIndex, m.value.value_or(L"(Empty)"));
    EXPECT_EQ(got, e.matches);
}

TEST_F(OwnEngine, EmptyMatchesUnderGlobalMoveOneUnitOn)
{
    const Expected cases[] = {
        {{L"a*", L"baaac"}, {{0, L""}, {1, L"aaa"}, {4, L""}, {5, L""}}},
        {{L"\\b", L"ab cd"}, {{0, L""}, {2, L""}, {3, L""}, {5, L""}}},
        {{L"x*", L""}, {{0, L""}}},
        {{L"a*?", L"aa"}, {{0, L""}, {1, L""}, {2, L""}}},
        {{L"a*", L"baaac", false, false}, {{0, L""}}},  // the first match only
    };
    for (const Expected& e : cases)
        ExpectMatches(e);
    // The empty pattern is the one case Wine's engine gets through.
    ExpectSameAsVbscript(Case{L"", L"abc"});
}

TEST_F(OwnEngine, DotTakesACarriageReturnButNoLineFeed)
{
    ExpectMatches({{L"a.c", L"a\nc a\rc abc"}, {{4, L"a\rc"}, {8, L"abc"}}});
    ExpectMatches({{L".+", L"ab\r\ncd\n"}, {{0, L"ab\r"}, {4, L"cd"}}});
}

TEST_F(OwnEngine, NonAsciiLettersFoldUnderIgnoreCase)
{
    const Expected cases[] = {
        {{L"ΑΒΓ", L"αβγ ΑΒΓ", true}, {{0, L"αβγ"}, {4, L"ΑΒΓ"}}},
        {{L"жук", L"ЖУК жук", true}, {{0, L"ЖУК"}, {4, L"жук"}}},
        {{L"ＡＢ", L"ａｂ ＡＢ", true}, {{0, L"ａｂ"}, {3, L"ＡＢ"}}},
        {{L"éa", L"ÉA éa", true}, {{0, L"ÉA"}, {3, L"éa"}}},
        {{L"ΑΒΓ", L"αβγ ΑΒΓ", false}, {{4, L"ΑΒΓ"}}},
    };
    for (const Expected& e : cases)
        ExpectMatches(e);
}

TEST_F(OwnEngine, AGroupInALookaheadMayReachPastItsMatch)
{
    Seen seen = Observe(CreateOwnRegexEngine(), Case{L"x(?=(yz))", L"..xyz.xyz"});
    ASSERT_EQ(seen.matches.size(), 2u);
    EXPECT_EQ(seen.matches[0].value, std::wstring(L"x"));
    EXPECT_EQ(seen.matches[0].firstIndex, 2);
    EXPECT_EQ(seen.matches[0].groups, std::vector<std::optional<std::wstring>>{std::wstring(L"yz")});
    EXPECT_EQ(seen.matches[1].firstIndex, 6);
    EXPECT_EQ(seen.matches[1].groups, std::vector<std::optional<std::wstring>>{std::wstring(L"yz")});
}

TEST_F(OwnEngine, LineEndsAndAnchors)
{
    const Case cases[] = {
        {L"^\\w+", L"ab\ncd\r\nef"},
        {L"^\\w+", L"ab\ncd\r\nef", false, true, true},
        {L"\\w+$", L"ab\ncd\r\nef", false, true, true},
        {L"\\w+$", L"ab\ncd\r\nef"},
        {L"\\r\\n\\t+<", L"x\r\n\t\t<y"},
        {L"a[^\\n]c", L"a\nc abc"},
    };
    for (const Case& c : cases)
        ExpectSameAsVbscript(c);
}

TEST_F(OwnEngine, ClassesAndEscapes)
{
    const Case cases[] = {
        {L"[a-c]+", L"abcdcba"},
        {L"[^\\d\\s]+", L"ab 12 c3"},
        {L"\\d+\\.\\d*", L"3.14 2. .5"},
        {L"[\\u4e00-\\u9fff]+", L"abc中文def汉字"},
        {L"\\x41\\u0042\\t", L"AB\tC"},
        {L"[.*+?]", L"a.b*c"},
        {L"\\W+", L"ab, cd!"},
        {L"\\S+\\s", L"ab cd\tef\n"},
        {L"[\\]\\-]", L"a]b-c"},
        {L"\\$\\(\\)", L"x$()y"},
    };
    for (const Case& c : cases)
        ExpectSameAsVbscript(c);
}

TEST_F(OwnEngine, AsciiCaseFolding)
{
    const Case cases[] = {
        {L"HighLight", L"<span class='highlight'> HIGHLIGHT", true},
        {L"[a-z]+", L"ABC def", true},
        {L"<SPAN class='hi", L"<span CLASS='HI", true},
        {L"abc", L"ABC abc", false},
    };
    for (const Case& c : cases)
        ExpectSameAsVbscript(c);
}

TEST_F(OwnEngine, ReplaceWithItsDollarForms)
{
    const Case cases[] = {
        {L"(\\w+)@(\\w+)", L"ann@home bob@work", false, true, false, L"$2 at $1"},
        {L"(\\w+)@(\\w+)", L"ann@home bob@work", false, false, false, L"$2 at $1"},
        {L"b", L"abc", false, true, false, L"[$`|$'|$$|$&]"},
        {L"(a)", L"aa", false, true, false, L"$9$1"},
    };
    for (const Case& c : cases)
        ExpectSameAsVbscript(c);
}

TEST_F(OwnEngine, RejectedPatternsFailExecute)
{
    for (const wchar_t* pattern : {L"(a", L"a)", L"[ab", L"*a", L"a{3,1}", L"a\\"}) {
        SCOPED_TRACE(GbkFromWide(pattern).str());
        AutomationObject own = CreateOwnRegexEngine();
        PutProperty(own, L"Pattern", WideArgument(pattern));
        Variant subject[] = {WideArgument(L"aaa")};
        EXPECT_TRUE(ObjectOf(CallMethod(own, L"Execute", subject)).empty());
        ExpectSameAsVbscript(Case{pattern, L"a(a)a"});
    }
}

TEST_F(OwnEngine, APathologicalPatternEndsAndFails)
{
    AutomationObject own = CreateOwnRegexEngine();
    PutProperty(own, L"Pattern", WideArgument(L"(a*)*b"));
    Variant subject[] = {WideArgument(std::wstring(40, L'a'))};
    EXPECT_TRUE(ObjectOf(CallMethod(own, L"Execute", subject)).empty()) << "the step budget ends the call";
}

TEST_F(OwnEngine, AnswersLateBoundCallsLikeVbscript)
{
    AutomationObject own = CreateOwnRegexEngine();
    // Member names are found in any case; the flags read back as -1 and 0.
    EXPECT_TRUE(PutProperty(own, L"ignorecase", BoolArgument(true)));
    EXPECT_EQ(TextOf(GetProperty(own, L"IgnoreCase")), T("-1"));
    EXPECT_EQ(TextOf(GetProperty(own, L"Global")), T("0"));
    EXPECT_TRUE(PutProperty(own, L"Pattern", TextArgument(T("中(文)"))));
    EXPECT_EQ(TextOf(GetProperty(own, L"PATTERN")), T("中(文)"));
    EXPECT_TRUE(GetProperty(own, L"NoSuchMember").get().vt == VT_EMPTY);
    // More arguments than Execute takes.
    Variant tooMany[] = {TextArgument(T("a")), TextArgument(T("b"))};
    EXPECT_TRUE(ObjectOf(CallMethod(own, L"Execute", tooMany)).empty());
}

// The whole object over the program's own engine, as RegexObject drives it.
TEST_F(OwnEngine, RegexObjectRunsOnItWhenVbscriptIsMissing)
{
    UseOwnRegexEngineOnlyForTesting(true);
    {
        RegexObject regex;
        EXPECT_TRUE(regex.Create(T("c"), T("abcabc")));
        ASSERT_EQ(regex.MatchCount(), 2);
        int32_t first = 0, second = 0;
        EXPECT_EQ(regex.MatchText(1, &first), T("c"));
        EXPECT_EQ(regex.MatchText(2, &second), T("c"));
        EXPECT_EQ(first, 2);
        EXPECT_EQ(second, 5);
        EXPECT_TRUE(regex.Create(T("x"), T("中abx")));
        int32_t position = 0;
        EXPECT_EQ(regex.MatchText(1, &position), T("x"));
        EXPECT_EQ(position, 4);
        EXPECT_TRUE(regex.Create(T("(a)(b)?"), T("a")));
        EXPECT_EQ(regex.SubMatchCount(), 2);
        EXPECT_EQ(regex.SubMatchText(1, 2), T(""));
        EXPECT_EQ(regex.SubMatchText(1, 3), T(""));
        EXPECT_EQ(regex.ReplaceMatches(T("x")), T("x"));
    }
    UseOwnRegexEngineOnlyForTesting(false);
}

}  // namespace
