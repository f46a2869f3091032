// The regular-expression object over the system's VBScript engine: matches,
// groups, positions in bytes, and the silent empty results of every failure.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <cmath>
#include <limits>
#include <string>
#include <thread>

#include "regex/automation.h"
#include "regex/regex_object.h"
#include "tests/support/text_printing.h"
#include "text/text.h"

namespace {

// A process-wide apartment, so that the objects of one test do not tear COM
// down for the next (the last CoUninitialize of a thread ends it).
class ApartmentEnvironment : public testing::Environment {
public:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }
};
const testing::Environment* const apartment = testing::AddGlobalTestEnvironment(new ApartmentEnvironment);

// A ProgID that no system registers.
constexpr wchar_t kMissingProgId[] = L"Vesk.NoSuchEngine.1";

// Sets the engine's ProgID for one test and puts the system's back after it.
struct ProgIdOverride {
    explicit ProgIdOverride(const wchar_t* progId) { SetRegexProgIdForTesting(progId); }
    ~ProgIdOverride() { SetRegexProgIdForTesting(nullptr); }
};

struct FlagCase {
    const char* pattern;
    const char* subject;
    bool caseSensitive;
    bool multiline;
    bool global;
    int32_t count;
    const char* first;
};

TEST(RegexCreate, DefaultFlagsIgnoreCaseAndFindEveryMatch)
{
    RegexObject regex;
    EXPECT_TRUE(regex.Create("ab", "AB ab aB"));
    ASSERT_EQ(regex.MatchCount(), 3);
    EXPECT_EQ(regex.MatchText(1), T("AB"));
    EXPECT_EQ(regex.MatchText(3), T("aB"));
    // Multiline is on too: ^ matches after every line feed.
    EXPECT_TRUE(regex.Create("^x", "x\nx\r\nx"));
    EXPECT_EQ(regex.MatchCount(), 3);
}

TEST(RegexCreate, FlagsReachTheEngine)
{
    const FlagCase cases[] = {
        {"ab", "AB ab aB", false, true, true, 3, "AB"},
        {"ab", "AB ab aB", true, true, true, 1, "ab"},
        {"ab", "AB ab aB", false, true, false, 1, "AB"},
        {"^x", "x\nx\nx", false, true, true, 3, "x"},
        {"^x", "x\nx\nx", false, false, true, 1, "x"},
        {"x$", "x\nx\nx", false, false, true, 1, "x"},
        {"中(.)", "中文中國", false, true, true, 2, "中文"},
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "pattern " << c.pattern << " caseSensitive " << c.caseSensitive
                                        << " multiline " << c.multiline << " global " << c.global);
        RegexObject regex;
        EXPECT_TRUE(regex.Create(c.pattern, c.subject, c.caseSensitive, c.multiline, c.global));
        EXPECT_EQ(regex.MatchCount(), c.count);
        EXPECT_EQ(regex.MatchText(1), T(c.first));
    }
}

TEST(RegexObject, BeforeTheFirstCreateEverythingIsEmpty)
{
    RegexObject regex;
    EXPECT_TRUE(regex.engine.empty());
    EXPECT_TRUE(regex.matches.empty());
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.SubMatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1), Text());
    EXPECT_EQ(regex.SubMatchText(1, 1), Text());
    EXPECT_EQ(regex.PatternText(), Text());
    EXPECT_EQ(regex.ReplaceMatches("x"), Text());
}

TEST(RegexObject, MatchesAndGroupsComeBackAsGbk)
{
    RegexObject regex;
    // 名 甲 乙 in GBK; the engine itself sees UTF-16.
    ASSERT_TRUE(regex.Create("名(.)(\\d+)", "名甲12,名乙3"));
    ASSERT_EQ(regex.MatchCount(), 2);
    EXPECT_EQ(regex.MatchText(1), T("\xC3\xFB\xBC\xD7" "12"));
    EXPECT_EQ(regex.SubMatchText(1, 1), T("\xBC\xD7"));
    EXPECT_EQ(regex.SubMatchText(1, 2), T("12"));
    EXPECT_EQ(regex.SubMatchText(2, 1), T("\xD2\xD2"));
    EXPECT_EQ(regex.SubMatchText(2, 2), T("3"));
    EXPECT_EQ(regex.SubMatchCount(), 2);
    EXPECT_EQ(regex.PatternText(), T("\xC3\xFB(.)(\\d+)"));
}

TEST(RegexObject, IndexesOutsideTheMatchesOrGroupsGiveTheEmptyText)
{
    RegexObject regex;
    ASSERT_TRUE(regex.Create("(a)(b)", "ab ab"));
    const int32_t matchIndexes[] = {0, -1, 3, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    for (int32_t i : matchIndexes) {
        SCOPED_TRACE(testing::Message() << "match " << i);
        int32_t position = 12345;
        EXPECT_EQ(regex.MatchText(i), Text());
        EXPECT_EQ(regex.SubMatchText(i, 1), Text());
        EXPECT_EQ(regex.MatchText(i, &position), Text());
    }
    // One past the last group, before the first, and far off.
    const int32_t groupIndexes[] = {3, 0, -1, 1000};
    for (int32_t g : groupIndexes) {
        SCOPED_TRACE(testing::Message() << "group " << g);
        EXPECT_EQ(regex.SubMatchText(1, g), Text());
        EXPECT_EQ(regex.SubMatchText(2, g), Text());
    }
    // None of that disturbed the object.
    EXPECT_EQ(regex.SubMatchText(2, 2), T("b"));
    EXPECT_EQ(regex.MatchCount(), 2);
}

TEST(RegexObject, GroupThatTookNoPartIsEmpty)
{
    RegexObject regex;
    ASSERT_TRUE(regex.Create("(a)|(b)", "b"));
    EXPECT_EQ(regex.SubMatchCount(), 2);
    EXPECT_EQ(regex.SubMatchText(1, 1), Text());
    EXPECT_EQ(regex.SubMatchText(1, 2), T("b"));
}

TEST(RegexObject, SubMatchCountCountsTheGroupsOfTheFirstMatch)
{
    RegexObject regex;
    ASSERT_TRUE(regex.Create("(x)(y)?(z)", "xz xyz"));
    EXPECT_EQ(regex.SubMatchCount(), 3);
    // A pattern with groups over a subject where it never matches.
    ASSERT_TRUE(regex.Create("(x)(y)", "nothing here"));
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.SubMatchCount(), 0);
    ASSERT_TRUE(regex.Create("xy", "xy"));
    EXPECT_EQ(regex.SubMatchCount(), 0);
}

struct PositionCase {
    const char* pattern;
    const char* subject;
    bool caseSensitive;
    int32_t match;
    int32_t group;  // 0: the whole match
    const char* text;
    int32_t position;
};

TEST(RegexObject, PositionsCountBytesOfTheSubject)
{
    const PositionCase cases[] = {
        {"c", "abcabc", false, 1, 0, "c", 2},
        {"c", "abcabc", false, 2, 0, "c", 5},
        // One Chinese character takes two bytes, one UTF-16 unit.
        {"x", "中abx", false, 1, 0, "x", 4},
        {"x", "x", false, 1, 0, "x", 0},
        // Case-sensitive: the earlier "ab" is not taken for "AB".
        {"AB", "中中中abAB", true, 1, 0, "AB", 8},
        {"AB", "中中中abAB", false, 1, 0, "ab", 6},
        // A group is found from the start of its match.
        {"k=(\\w+);", "k=v1;k=v22;", false, 1, 1, "v1", 2},
        {"k=(\\w+);", "k=v1;k=v22;", false, 2, 1, "v22", 7},
        {"值(.)", "中值文", false, 1, 1, "文", 4},
    };
    for (const PositionCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "pattern " << c.pattern << " subject " << HexBytes(c.subject) << " match "
                                        << c.match << " group " << c.group);
        RegexObject regex;
        ASSERT_TRUE(regex.Create(c.pattern, c.subject, c.caseSensitive));
        int32_t position = -100;
        Text text = c.group == 0 ? regex.MatchText(c.match, &position) : regex.SubMatchText(c.match, c.group, &position);
        EXPECT_EQ(text, T(c.text));
        EXPECT_EQ(position, c.position);
    }
}

TEST(RegexObject, SecondCreateReplacesEverything)
{
    RegexObject regex;
    ASSERT_TRUE(regex.Create("a", "aaa"));
    ASSERT_EQ(regex.MatchCount(), 3);
    ASSERT_TRUE(regex.Create("b(c)", "xbcbcBC", true));
    EXPECT_EQ(regex.MatchCount(), 2);
    EXPECT_EQ(regex.MatchText(3), Text());
    EXPECT_EQ(regex.PatternText(), T("b(c)"));
    EXPECT_EQ(regex.SubMatchCount(), 1);
    EXPECT_EQ(regex.subject, T("xbcbcBC"));
    EXPECT_EQ(regex.ReplaceMatches("-"), T("x--BC"));
}

struct ReplaceCase {
    const char* pattern;
    const char* subject;
    bool global;
    const char* replacement;
    const char* expected;
};

TEST(RegexObject, ReplaceMatchesWorksOnTheStoredSubject)
{
    const ReplaceCase cases[] = {
        {"\\d+", "a1b22中3", true, "#", "a#b#中#"},
        {"\\d+", "a1b22中3", false, "#", "a#b22中3"},
        {"(\\w)(\\d)", "a1b2", true, "$2$1", "1a2b"},
        {"q", "abc", true, "#", "abc"},
        {"b", "abc", true, "", "ac"},
    };
    for (const ReplaceCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "pattern " << c.pattern << " global " << c.global);
        RegexObject regex;
        ASSERT_TRUE(regex.Create(c.pattern, c.subject, false, true, c.global));
        EXPECT_EQ(regex.ReplaceMatches(c.replacement), T(c.expected));
    }
}

TEST(RegexObject, PatternTheEngineRejectsGivesNoMatches)
{
    RegexObject regex;
    EXPECT_FALSE(regex.Create("(a", "aaa"));
    EXPECT_TRUE(regex.matches.empty());
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1), Text());
    EXPECT_EQ(regex.SubMatchCount(), 0);
    // The engine itself is there and holds the pattern it was given.
    EXPECT_EQ(regex.PatternText(), T("(a"));
}

TEST(RegexObject, EngineUnavailableGivesEmptyResults)
{
    RegexObject regex;
    ASSERT_TRUE(regex.Create("a", "aaa"));
    ProgIdOverride missing(kMissingProgId);
    EXPECT_FALSE(regex.Create("(a)", "aaa"));
    EXPECT_TRUE(regex.engine.empty());
    EXPECT_TRUE(regex.matches.empty());
    EXPECT_EQ(regex.MatchCount(), 0);
    int32_t position = 0;
    EXPECT_EQ(regex.MatchText(1, &position), Text());
    EXPECT_EQ(regex.SubMatchText(1, 1, &position), Text());
    EXPECT_EQ(regex.SubMatchCount(), 0);
    EXPECT_EQ(regex.PatternText(), Text());
    EXPECT_EQ(regex.ReplaceMatches("b"), Text());
}

TEST(RegexObject, AnObjectWithoutTheEngineMembersGivesEmptyResults)
{
    // A real automation object, just not a regular-expression engine: every
    // member lookup fails.
    ProgIdOverride dictionary(L"Scripting.Dictionary");
    RegexObject regex;
    EXPECT_FALSE(regex.Create("a", "aaa"));
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1), Text());
    EXPECT_EQ(regex.PatternText(), Text());
    EXPECT_EQ(regex.ReplaceMatches("b"), Text());
}

TEST(RegexObject, CopySharesTheEngineAndKeepsItsOwnSubject)
{
    RegexObject original;
    ASSERT_TRUE(original.Create("x(\\d)", "x1x2"));
    RegexObject copy(original);
    EXPECT_EQ(copy.engine.get(), original.engine.get());
    EXPECT_EQ(copy.matches.get(), original.matches.get());
    ASSERT_TRUE(original.Create("y", "y"));
    EXPECT_EQ(original.MatchCount(), 1);
    // The copy still reads what the first Create left.
    EXPECT_EQ(copy.MatchCount(), 2);
    EXPECT_EQ(copy.SubMatchText(2, 1), T("2"));
    EXPECT_EQ(copy.ReplaceMatches("-"), T("--"));
}

bool ThreadIsInApartment()
{
    HRESULT hr = CoInitialize(nullptr);
    if (SUCCEEDED(hr))
        CoUninitialize();
    return hr == S_FALSE;
}

TEST(RegexObject, ConstructionAndDestructionBalanceTheApartment)
{
    // A thread of its own, which starts outside any apartment.
    bool before = true, whileAlive = false, afterCopyGone = false, copyWorked = false, after = true;
    std::thread([&] {
        before = ThreadIsInApartment();
        {
            RegexObject regex;
            whileAlive = ThreadIsInApartment();
            regex.Create("a", "aa");
            {
                RegexObject copy(regex);
                copyWorked = copy.MatchCount() == 2;
            }
            afterCopyGone = ThreadIsInApartment() && regex.MatchText(2) == T("a");
        }
        after = ThreadIsInApartment();
    }).join();
    EXPECT_FALSE(before);
    EXPECT_TRUE(whileAlive);
    EXPECT_TRUE(copyWorked);
    EXPECT_TRUE(afterCopyGone);
    EXPECT_FALSE(after);
}

TEST(Automation, ValuesReadAsTextUseTheDefaultConversion)
{
    RegexObject regex;
    ASSERT_TRUE(regex.Create("a", "a"));
    EXPECT_EQ(TextOf(GetProperty(regex.engine, L"IgnoreCase")), T("-1"));
    EXPECT_EQ(TextOf(GetProperty(regex.engine, L"Global")), T("-1"));
    ASSERT_TRUE(regex.Create("a", "a", true, false, false));
    EXPECT_EQ(TextOf(GetProperty(regex.engine, L"IgnoreCase")), T("0"));
    EXPECT_EQ(TextOf(GetProperty(regex.engine, L"Multiline")), T("0"));
    EXPECT_EQ(NumberOf(GetProperty(regex.matches, L"Count")), 1.0);
    EXPECT_EQ(TextOf(GetProperty(regex.matches, L"Count")), T("1"));
}

TEST(Automation, FailedCallsGiveEmptyValues)
{
    RegexObject regex;
    ASSERT_TRUE(regex.Create("a", "a"));
    Variant one[] = {Int32Argument(1)};
    Variant two[] = {TextArgument("a"), TextArgument("b")};
    struct Call {
        const char* what;
        Variant result;
    };
    Call calls[] = {
        {"unknown member", GetProperty(regex.engine, L"NoSuchMember")},
        {"argument too many", GetProperty(regex.engine, L"Pattern", one)},
        {"method without its argument", CallMethod(regex.engine, L"Execute")},
        {"arguments too many", CallMethod(regex.engine, L"Test", two)},
        {"empty object", GetProperty(AutomationObject(), L"Pattern")},
        {"item out of range", GetProperty(regex.matches, L"Item", one)},
    };
    for (const Call& call : calls) {
        SCOPED_TRACE(call.what);
        EXPECT_EQ(call.result.get().vt, VT_EMPTY);
        EXPECT_EQ(TextOf(call.result), Text());
        EXPECT_EQ(NumberOf(call.result), 0.0);
        EXPECT_TRUE(ObjectOf(call.result).empty());
    }
    EXPECT_FALSE(PutProperty(regex.engine, L"NoSuchMember", BoolArgument(true)));
    EXPECT_FALSE(PutProperty(AutomationObject(), L"Pattern", TextArgument("a")));
    EXPECT_TRUE(PutProperty(regex.engine, L"Pattern", TextArgument("b")));
    EXPECT_EQ(regex.PatternText(), T("b"));
    // A text is not an object.
    EXPECT_TRUE(ObjectOf(TextArgument("a")).empty());
    EXPECT_EQ(NumberOf(TextArgument("12.5")), 12.5);
}

TEST(Automation, NumbersTruncateTowardZero)
{
    const struct {
        double number;
        int32_t expected;
    } cases[] = {
        {2.9, 2},
        {-2.9, -2},
        {0.0, 0},
        {std::nan(""), 0},
        {1e20, std::numeric_limits<int32_t>::max()},
        {-1e20, std::numeric_limits<int32_t>::min()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(TruncateToInt32(c.number), c.expected);
    }
}

TEST(AutomationObject, CopyAddsAReferenceAndClearReleasesIt)
{
    RegexObject regex;
    ASSERT_TRUE(regex.Create("a", "a"));
    IDispatch* engine = regex.engine.get();
    auto references = [engine] {
        engine->AddRef();
        return engine->Release();
    };
    ULONG start = references();
    {
        AutomationObject copy = regex.engine;
        EXPECT_EQ(references(), start + 1);
        AutomationObject moved = std::move(copy);
        EXPECT_EQ(references(), start + 1);
        EXPECT_TRUE(copy.empty());
        moved = moved;  // assigning an object to itself keeps it
        EXPECT_EQ(references(), start + 1);
        moved.Clear();
        EXPECT_TRUE(moved.empty());
        EXPECT_EQ(references(), start);
    }
    EXPECT_EQ(references(), start);
}

// The process's private bytes. Wine leaves PrivateUsage at 0 and keeps the
// same figure in PagefileUsage, which Windows fills alike.
size_t PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

// One of every call, failing ones included, with texts large enough that a
// single leaked string, variant or object per round adds up to megabytes.
void CallEverything(RegexObject& regex, const Text& pattern, const Text& subject)
{
    regex.Create(pattern, subject);
    int32_t position = 0;
    regex.MatchCount();
    regex.MatchText(2, &position);
    regex.SubMatchText(3, 1, &position);
    regex.SubMatchText(1, 2);
    regex.SubMatchCount();
    regex.PatternText();
    regex.ReplaceMatches("-");
    for (int i = 0; i < 10; ++i) {
        regex.MatchText(99);
        regex.SubMatchText(1, 9);
    }
    RegexObject copy(regex);
    copy.MatchText(1);
}

TEST(RegexObject, NothingLeaksOverThousandsOfCalls)
{
    const Text run(std::string(2000, 'a'));
    const Text subject = ConcatText("<", run, "b>", "<", run, "b>", "中<", run, ">");
    // Lazy groups: the engine's greedy loops cost it milliseconds over such runs.
    const Text pattern = ConcatText("<(a*?)(b?)>|", Text(std::string(2000, 'Q')));
    RegexObject regex;
    ASSERT_TRUE(regex.Create(pattern, subject));
    ASSERT_EQ(regex.MatchCount(), 3);
    ASSERT_EQ(regex.SubMatchText(3, 1), run);

    const int kWarmUp = 100;
    const int kRounds = 1000;
    for (int i = 0; i < kWarmUp; ++i)
        CallEverything(regex, pattern, subject);
    size_t before = PrivateBytes();
    for (int i = 0; i < kRounds; ++i)
        CallEverything(regex, pattern, subject);
    size_t after = PrivateBytes();
    ASSERT_GT(before, 0u) << "the process's private bytes cannot be read";
    // The texts of a round are kilobytes long: leaking any one of them, or an
    // object that holds one, per round grows by megabytes.
    long long growth = static_cast<long long>(after) - static_cast<long long>(before);
    EXPECT_LT(growth, 1024 * 1024) << "private bytes " << before << " before, " << after << " after";
}

}  // namespace
