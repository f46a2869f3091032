// The regular-expression object: one pattern run over one subject text by
// the system's VBScript engine, driven by late-bound automation calls.
//
// Indexes of matches and groups are 1-based here and 0-based towards the
// engine. Every failure is silent and gives the empty text or 0.
#pragma once

#include <cstdint>

#include "regex/automation.h"
#include "text/text.h"

class RegexObject {
public:
    // Puts the thread into a COM apartment (CoInitialize, result ignored).
    RegexObject();
    // Shares the engine and the match collection (one more reference to
    // each) and duplicates the subject. The copy enters the apartment too,
    // so that its destruction balances its own CoInitialize.
    RegexObject(const RegexObject& other);
    RegexObject& operator=(const RegexObject&) = delete;
    // Releases both objects, then CoUninitialize.
    ~RegexObject();

    // A fresh engine with the flags and pattern, run over the subject; true
    // when the engine returned a match collection.
    bool Create(const Text& pattern, const Text& subject, bool caseSensitive = false, bool multiline = true,
                bool global = true);
    Text PatternText() const;
    Text ReplaceMatches(const Text& replacement) const;
    int32_t MatchCount() const;
    // position, when asked for, is the 0-based byte position in the subject.
    Text MatchText(int32_t matchIndex, int32_t* position = nullptr) const;
    Text SubMatchText(int32_t matchIndex, int32_t groupIndex, int32_t* position = nullptr) const;
    // The number of groups of the first match.
    int32_t SubMatchCount() const;

    AutomationObject engine;   // the engine of the last Create
    AutomationObject matches;  // its match collection; empty after a failed "Execute"
    Text subject;              // the subject of the last Create

private:
    int32_t BytePosition(const Text& sought, const AutomationObject& match) const;

    // The subject as the engine takes it, kept for the next Create: the
    // search-time pattern runs over the same page as the rows before it, and
    // converting a page of megabytes again would cost more than its matching.
    Variant subjectArgument;
};

// Create asks for the system's "VBScript.RegExp" and, where the system has
// none, makes the program's own engine. Only tests change that:
// - another programmatic identifier to ask for, and whether the program's
//   own engine stands in when that one cannot be made (without it, "no engine
//   at all" can be tested); null restores the default;
void SetRegexProgIdForTesting(const wchar_t* progId, bool ownEngineAfter = false);
// - the program's own engine alone, as on a system without VBScript.
void UseOwnRegexEngineOnlyForTesting(bool ownOnly);
