// Result page extraction: the rows of the result list and the search time
// picked out of one result page of the site.
#pragma once

#include <memory>

#include "regex/regex_object.h"
#include "text/text.h"

// One result block of the site's page, byte for byte outside its six groups:
// the link, the title (with highlight markup), the indexed time, the size,
// the number of files and the magnet link.
extern const Text resultRowPattern;
// The site's search-time element; its one group is the time in seconds.
extern const Text searchTimePattern;

// The program's one regular-expression object, used for both patterns.
extern std::unique_ptr<RegexObject> resultRegex;
// Constructs it (which enters the COM apartment), first of the globals.
void SetUpResultRegex();
// Destroys it (which leaves the apartment) and frees it.
void ReleaseResultRegex();

// Appends one row per result block of lastPageText after the rows already in
// the list, and shows the search time followed by "秒" in the status bar.
void FillResultRows();

// The text without the bytes from the first startMarker through the first
// endMarker at or after it, both found ignoring case. The empty text when
// startMarker does not occur; everything from startMarker on goes when
// endMarker does not follow it.
Text RemoveBetween(const Text& text, const Text& startMarker, const Text& endMarker);
