// The program's own regular-expression engine as an automation object, for
// systems without "VBScript.RegExp". It answers late-bound calls by member
// name as VBScript's RegExp object does: the properties IgnoreCase,
// Multiline, Global and Pattern, the methods Execute, Replace and Test; the
// match collection's Count and Item, a match's Value, FirstIndex, Length and
// SubMatches, and the group collection's Count and Item. An index out of
// range, a rejected pattern or an exhausted step budget fail the call with
// DISP_E_EXCEPTION, as VBScript's errors do.
#pragma once

#include "regex/automation.h"

AutomationObject CreateOwnRegexEngine();
