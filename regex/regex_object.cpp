#include "regex/regex_object.h"

#include <objbase.h>

#include "regex/own_engine_object.h"

namespace {

constexpr wchar_t kEngineProgId[] = L"VBScript.RegExp";
const wchar_t* engineProgId = kEngineProgId;
bool ownEngineAsFallback = true;
bool ownEngineOnly = false;

// The one place where the engine object is made: the system's VBScript
// engine, or the program's own where the system has none (Windows is
// retiring VBScript).
AutomationObject CreateRegexEngine()
{
    if (ownEngineOnly)
        return CreateOwnRegexEngine();
    AutomationObject system = CreateAutomationObject(engineProgId);
    if (system.empty() && ownEngineAsFallback)
        return CreateOwnRegexEngine();
    return system;
}

// "Item" of a collection at a 1-based index, passed 0-based as a double.
AutomationObject ItemAt(const AutomationObject& collection, int32_t index)
{
    Variant arguments[] = {DoubleArgument(static_cast<double>(index) - 1)};
    return ObjectOf(GetProperty(collection, L"Item", arguments));
}

}  // namespace

void SetRegexProgIdForTesting(const wchar_t* progId, bool ownEngineAfter)
{
    engineProgId = progId ? progId : kEngineProgId;
    ownEngineAsFallback = progId == nullptr || ownEngineAfter;
}

void UseOwnRegexEngineOnlyForTesting(bool ownOnly) { ownEngineOnly = ownOnly; }

RegexObject::RegexObject() { CoInitialize(nullptr); }

RegexObject::RegexObject(const RegexObject& other) : engine(other.engine), matches(other.matches), subject(other.subject)
{
    CoInitialize(nullptr);
}

RegexObject::~RegexObject()
{
    engine.Clear();
    matches.Clear();
    subjectArgument = Variant();
    subject = Text();
    CoUninitialize();
}

bool RegexObject::Create(const Text& pattern, const Text& subjectText, bool caseSensitive, bool multiline,
                         bool global)
{
    bool ignoreCase = !caseSensitive;
    engine.Clear();
    engine = CreateRegexEngine();
    PutProperty(engine, L"IgnoreCase", BoolArgument(ignoreCase));
    PutProperty(engine, L"Multiline", BoolArgument(multiline));
    PutProperty(engine, L"Global", BoolArgument(global));
    PutProperty(engine, L"Pattern", TextArgument(pattern));
    if (subjectArgument.get().vt != VT_BSTR || !(subjectText == subject))
        ReuseTextArgument(subjectArgument, subjectText);
    matches = ObjectOf(CallMethod(engine, L"Execute", std::span<const Variant>(&subjectArgument, 1)));
    subject = subjectText;
    return !matches.empty();
}

Text RegexObject::PatternText() const
{
    if (engine.empty())
        return Text();
    return TextOf(GetProperty(engine, L"Pattern"));
}

Text RegexObject::ReplaceMatches(const Text& replacement) const
{
    Variant arguments[] = {TextArgument(subject), TextArgument(replacement)};
    return TextOf(CallMethod(engine, L"Replace", arguments));
}

int32_t RegexObject::MatchCount() const { return TruncateToInt32(NumberOf(GetProperty(matches, L"Count"))); }

Text RegexObject::MatchText(int32_t matchIndex, int32_t* position) const
{
    AutomationObject match = ItemAt(matches, matchIndex);
    Text text = TextOf(GetProperty(match, L"Value"));
    if (position)
        *position = BytePosition(text, match);
    return text;
}

Text RegexObject::SubMatchText(int32_t matchIndex, int32_t groupIndex, int32_t* position) const
{
    AutomationObject match = ItemAt(matches, matchIndex);
    AutomationObject groups = ObjectOf(GetProperty(match, L"SubMatches"));
    // A group that took no part in the match is an empty variant: the empty text.
    Variant arguments[] = {DoubleArgument(static_cast<double>(groupIndex) - 1)};
    Text text = TextOf(GetProperty(groups, L"Item", arguments));
    if (position)
        *position = BytePosition(text, match);
    return text;
}

int32_t RegexObject::SubMatchCount() const
{
    Variant first[] = {Int32Argument(0)};
    AutomationObject match = ObjectOf(GetProperty(matches, L"Item", first));
    AutomationObject groups = ObjectOf(GetProperty(match, L"SubMatches"));
    return TruncateToInt32(NumberOf(GetProperty(groups, L"Count")));
}

// "FirstIndex" counts UTF-16 units of the engine's copy of the subject, and
// every character takes at least one byte here, so the match starts at a byte
// offset no smaller than it: the text is searched for from there on. The
// result is 0-based, -2 when the text does not occur from there.
int32_t RegexObject::BytePosition(const Text& sought, const AutomationObject& match) const
{
    int32_t firstIndex = TruncateToInt32(NumberOf(GetProperty(match, L"FirstIndex")));
    bool ignoreCase = CompareText(TextOf(GetProperty(engine, L"IgnoreCase")), "0") != 0;
    return FindText(subject, sought, firstIndex, ignoreCase) - 1;
}
